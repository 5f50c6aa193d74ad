#include "net/Tnetcoder.h"

#include "net/Tnetreadmemorystream.h"
#include "platform/rtl/Tmemorystream.h"

std::string TNetEncoder::EncodeText(const std::string& AIn)
{
    TNetReadMemoryStream stream;
    stream.SetMemory(AIn.data(), static_cast<int64_t>(AIn.size()));
    return Encode(stream, NetWholeStream);
}

std::string TNetDecoder::DecodeText(const std::string& AIn)
{
    TMemoryStream stream;
    DecodeToStream(AIn, stream);
    return std::string(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}
