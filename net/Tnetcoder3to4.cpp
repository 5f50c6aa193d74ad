#include "net/Tnetcoder3to4.h"

#include "net/Enetexception.h"
#include "net/Netmessages.h"
#include "platform/rtl/Tstream.h"

std::string TNetEncoder3to4::ReadBytes(TStream& ASrcStream, int32_t ABytes)
{
    if (ABytes != NetWholeStream && ABytes % 3 != 0)
        throw ENetException(NetMessageText(RSUnevenSizeInEncodeStream));
    const int64_t left = ASrcStream.Size() - ASrcStream.Position();
    const int64_t count = std::max<int64_t>(0, std::min<int64_t>(left, ABytes));
    std::string data(static_cast<size_t>(count), '\0');
    const int32_t got = count > 0 ? ASrcStream.Read(data.data(), static_cast<int32_t>(count)) : 0;
    data.resize(static_cast<size_t>(std::max(got, 0)));
    return data;
}

std::string TNetEncoder3to4::Encode(TStream& ASrcStream, int32_t ABytes)
{
    const std::string data = ReadBytes(ASrcStream, ABytes);
    std::string out;
    Encode3to4(reinterpret_cast<const uint8_t*>(data.data()), data.size(), *FTable, out);
    return out;
}

std::string TNetEncoderUUEBase::Encode(TStream& ASrcStream, int32_t ABytes)
{
    const std::string data = ReadBytes(ASrcStream, ABytes);
    std::string out(1, FTable->Chars[data.size() & 63]);
    Encode3to4(reinterpret_cast<const uint8_t*>(data.data()), data.size(), *FTable, out);
    return out;
}

void TNetDecoder4to3::DecodeToStream(const std::string& AIn, TStream& ADest)
{
    std::string out;
    if (!Decode4to3(AIn.data(), AIn.size(), *FTable, out))
        throw ENetException(NetMessageText(RSUnevenSizeInDecodeStream));
    if (!out.empty())
        ADest.WriteBuffer(out.data(), static_cast<int32_t>(out.size()));
}

void TNetDecoderUUEBase::DecodeToStream(const std::string& AIn, TStream& ADest)
{
    std::string out;
    DecodeUULine(AIn, *FTable, FTable == &NetUUETable, out);
    if (!out.empty())
        ADest.WriteBuffer(out.data(), static_cast<int32_t>(out.size()));
}
