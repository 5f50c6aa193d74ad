#include "net/Tnetcoderquotedprintable.h"

#include "net/Netcodings.h"
#include "platform/rtl/Tstream.h"

std::string TNetEncoderQuotedPrintable::Encode(TStream& ASrcStream, int32_t ABytes)
{
    std::string data;
    char chunk[8192];
    while (static_cast<int64_t>(data.size()) < ABytes) {
        const int64_t want = std::min<int64_t>(sizeof chunk, ABytes - static_cast<int64_t>(data.size()));
        const int32_t got = ASrcStream.Read(chunk, static_cast<int32_t>(want));
        if (got <= 0)
            break;
        data.append(chunk, static_cast<size_t>(got));
    }
    std::string out;
    EncodeQuotedPrintable(reinterpret_cast<const uint8_t*>(data.data()), data.size(), out);
    return out;
}

void TNetDecoderQuotedPrintable::DecodeToStream(const std::string& AIn, TStream& ADest)
{
    std::string out;
    DecodeQuotedPrintable(AIn, out);
    if (!out.empty())
        ADest.WriteBuffer(out.data(), static_cast<int32_t>(out.size()));
}
