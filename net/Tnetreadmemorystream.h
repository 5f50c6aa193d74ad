#pragma once
// A read-only stream over memory that stays the caller's: the stream never
// copies or frees it, and the memory must outlive the stream.
#include "platform/rtl/Tmemorystream.h"

#include <string>

class TNetReadMemoryStream : public TCustomMemoryStream {
public:
    // Reads the given bytes from position 0.
    void SetMemory(const void* Ptr, int64_t Size);
    // Writes nothing.
    int32_t Write(const void* Buffer, int32_t Count) override;
};
