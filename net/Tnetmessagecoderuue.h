#pragma once
// UU and XX attachments inside a message body: "begin <mode> <name>", the data
// lines, "end".
#include "net/Tnetcoder3to4.h"
#include "net/Tnetmessagecoder.h"

class TNetMessageDecoderUUE : public TNetMessageDecoder {
public:
    explicit TNetMessageDecoderUUE(TComponent* AOwner) : TNetMessageDecoder(AOwner) {}
    // Decodes up to the "end" line (or the message's end). Raises
    // "Unrecognized UUE encoding scheme." when the data is neither UU nor XX.
    TNetMessageDecoder* ReadBody(TStream& ADestStream, bool& AMsgEnd) override;
};

class TNetMessageDecoderInfoUUE : public TNetMessageDecoderInfo {
public:
    TNetMessageDecoder* CheckForStart(TNetMessage* ASender, const std::string& ALine) override;
};

class TNetMessageEncoderUUEBase : public TNetMessageEncoder {
public:
    TNetMessageEncoderUUEBase(TComponent* AOwner, const TNetCodingTable& ATable)
        : TNetMessageEncoder(AOwner), FTable(&ATable) {}
    void Encode(TStream& ASrc, TStream& ADest) override;
    using TNetMessageEncoder::Encode;

protected:
    const TNetCodingTable* FTable;
};

class TNetMessageEncoderUUE : public TNetMessageEncoderUUEBase {
public:
    explicit TNetMessageEncoderUUE(TComponent* AOwner) : TNetMessageEncoderUUEBase(AOwner, NetUUETable) {}
};

class TNetMessageEncoderXXE : public TNetMessageEncoderUUEBase {
public:
    explicit TNetMessageEncoderXXE(TComponent* AOwner) : TNetMessageEncoderUUEBase(AOwner, NetXXETable) {}
};

class TNetMessageEncoderInfoUUE : public TNetMessageEncoderInfo {
public:
    TNetMessageEncoderInfoUUE() : TNetMessageEncoderInfo([](TComponent* o) { return new TNetMessageEncoderUUE(o); }) {}
};

class TNetMessageEncoderInfoXXE : public TNetMessageEncoderInfo {
public:
    TNetMessageEncoderInfoXXE() : TNetMessageEncoderInfo([](TComponent* o) { return new TNetMessageEncoderXXE(o); }) {}
};
