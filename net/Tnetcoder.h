#pragma once
// Bases of the byte-to-text coders: an encoder turns bytes of a stream into
// text, a decoder writes the bytes of a text into a stream.
#include "net/Tnetcomponent.h"

#include <climits>
#include <string>

class TStream;

// The byte count that means "the whole rest of the stream".
constexpr int32_t NetWholeStream = INT32_MAX;

class TNetEncoder : public TNetBaseComponent {
public:
    explicit TNetEncoder(TComponent* AOwner) : TNetBaseComponent(AOwner) {}
    // Encodes up to ABytes bytes from the stream's position.
    virtual std::string Encode(TStream& ASrcStream, int32_t ABytes = NetWholeStream) = 0;
    // Encodes the whole text.
    std::string EncodeText(const std::string& AIn);
};

class TNetDecoder : public TNetBaseComponent {
public:
    explicit TNetDecoder(TComponent* AOwner) : TNetBaseComponent(AOwner) {}
    virtual void DecodeToStream(const std::string& AIn, TStream& ADest) = 0;
    // The decoded bytes of a text.
    std::string DecodeText(const std::string& AIn);
};

// The coding of a text by a temporary coder of the class.
template <class TEncoderClass>
std::string EncodeString(const std::string& AIn)
{
    TEncoderClass encoder(nullptr);
    return encoder.EncodeText(AIn);
}

template <class TDecoderClass>
std::string DecodeString(const std::string& AIn)
{
    TDecoderClass decoder(nullptr);
    return decoder.DecodeText(AIn);
}
