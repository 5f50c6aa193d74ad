#pragma once
// MIME parts inside a message body: part headers, bodies coded by base64 or
// quoted-printable, boundaries that separate and nest the parts.
#include "net/Tnetmessagecoder.h"

// The fixed texts of the MIME writer.
extern const char* const NetMixedBoundary;
extern const char* const NetRelatedBoundary;
extern const char* const NetAlternativeBoundary;
extern const char* const NetMIMEPreamble;

class TNetMessageDecoderMIME : public TNetMessageDecoder {
public:
    // With a message as owner: its current boundary, and whether the whole
    // body is one coded part (a single-part message in base64 or quoted-printable).
    explicit TNetMessageDecoderMIME(TComponent* AOwner);
    TNetMessageDecoderMIME(TComponent* AOwner, const std::string& ALine);

    void ReadHeader() override;
    TNetMessageDecoder* ReadBody(TStream& ADestStream, bool& AMsgEnd) override;

    const std::string& MIMEBoundary() const { return FMIMEBoundary; }
    void SetMIMEBoundary(const std::string& AValue) { FMIMEBoundary = AValue; }

protected:
    TNetMessage* Message() const;
    // The next body line: the stored first line first.
    bool NextLine(std::string& ALine);

    std::string FMIMEBoundary;
    std::string FFirstLine;
    bool FHasFirstLine = false;
    bool FBodyEncoded = false;
};

class TNetMessageDecoderInfoMIME : public TNetMessageDecoderInfo {
public:
    TNetMessageDecoder* CheckForStart(TNetMessage* ASender, const std::string& ALine) override;
};

// Base64 in lines of 76 characters.
class TNetMessageEncoderMIME : public TNetMessageEncoder {
public:
    explicit TNetMessageEncoderMIME(TComponent* AOwner) : TNetMessageEncoder(AOwner) {}
    void Encode(TStream& ASrc, TStream& ADest) override;
    using TNetMessageEncoder::Encode;
};

class TNetMessageEncoderInfoMIME : public TNetMessageEncoderInfo {
public:
    TNetMessageEncoderInfoMIME() : TNetMessageEncoderInfo([](TComponent* o) { return new TNetMessageEncoderMIME(o); }) {}
    // Sets the message's Content-Type by the kinds of its parts.
    void InitializeHeaders(TNetMessage* AMsg) override;
};
