#pragma once
// The quoted-printable coders.
#include "net/Tnetcoder.h"

class TNetEncoderQuotedPrintable : public TNetEncoder {
public:
    explicit TNetEncoderQuotedPrintable(TComponent* AOwner) : TNetEncoder(AOwner) {}
    std::string Encode(TStream& ASrcStream, int32_t ABytes = NetWholeStream) override;
};

class TNetDecoderQuotedPrintable : public TNetDecoder {
public:
    explicit TNetDecoderQuotedPrintable(TComponent* AOwner) : TNetDecoder(AOwner) {}
    void DecodeToStream(const std::string& AIn, TStream& ADest) override;
};
