#include "net/Tnetreadmemorystream.h"

void TNetReadMemoryStream::SetMemory(const void* Ptr, int64_t Size)
{
    SetPointer(const_cast<void*>(Ptr), Size);
    position_ = 0;
}

int32_t TNetReadMemoryStream::Write(const void*, int32_t) { return 0; }
