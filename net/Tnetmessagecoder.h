#pragma once
// Message coders: a message decoder reads one part of a received body and
// says which part follows; a message encoder writes an attachment into a
// body. Both are found by name in process-wide registries holding "MIME",
// "UUE" (decoders and encoders) and "XXE" (encoder).
#include "net/Netmailtypes.h"
#include "net/Tnetcomponent.h"
#include "platform/rtl/Tstringlist.h"

#include <functional>
#include <memory>
#include <string>

class TStream;

class TNetMessageDecoder : public TNetComponent {
public:
    explicit TNetMessageDecoder(TComponent* AOwner) : TNetComponent(AOwner) {}
    ~TNetMessageDecoder() override;

    // Reads the part's body into the stream; returns the decoder of the next
    // part (the caller owns it) or null; AMsgEnd when the message ended.
    virtual TNetMessageDecoder* ReadBody(TStream& ADestStream, bool& AMsgEnd) = 0;
    virtual void ReadHeader() {}

    const std::string& Filename() const { return FFilename; }
    void SetFilename(const std::string& AValue) { FFilename = AValue; }
    // The part's header fields as name=value lines.
    TStringList* Headers() { return &FHeaders; }
    TNetMessageCoderPartType PartType() const { return FPartType; }
    void SetPartType(TNetMessageCoderPartType AValue) { FPartType = AValue; }
    TStream* SourceStream() const { return FSourceStream; }
    // The decoder owns the stream and frees it (and a previous one).
    void SetSourceStream(TStream* AValue);

protected:
    // The next body line with its dot-stuffing undone; false at the line "."
    // that ends the message, or at the end of the source.
    bool ReadBodyLine(std::string& ALine);

    std::string FFilename;
    TStringList FHeaders;
    TNetMessageCoderPartType FPartType = mcptUnknown;
    TStream* FSourceStream = nullptr;
};

class TNetMessageDecoderInfo : public TObject {
public:
    // A new decoder when the line starts a part this coding reads, else null.
    virtual TNetMessageDecoder* CheckForStart(TNetMessage* ASender, const std::string& ALine) = 0;
};

class TNetMessageDecoderList {
public:
    static void RegisterDecoder(const std::string& AMessageCoderName, std::unique_ptr<TNetMessageDecoderInfo> ADecoderInfo);
    static TNetMessageDecoderInfo* ByName(const std::string& AName);
    // Asks each registered decoder in order; the first one started wins.
    static TNetMessageDecoder* CheckForStart(TNetMessage* ASender, const std::string& ALine);
};

class TNetMessageEncoder : public TNetComponent {
public:
    explicit TNetMessageEncoder(TComponent* AOwner) : TNetComponent(AOwner) {}
    virtual void Encode(TStream& ASrc, TStream& ADest) = 0;
    // Encodes the file AFilename.
    void Encode(const std::string& AFilename, TStream& ADest);

    const std::string& Filename() const { return FFilename; }
    void SetFilename(const std::string& AValue) { FFilename = AValue; }
    int32_t PermissionCode() const { return FPermissionCode; }
    void SetPermissionCode(int32_t AValue) { FPermissionCode = AValue; }

protected:
    std::string FFilename;
    int32_t FPermissionCode = 660;
};

using TNetMessageEncoderClass = std::function<TNetMessageEncoder*(TComponent* AOwner)>;

class TNetMessageEncoderInfo : public TObject {
public:
    explicit TNetMessageEncoderInfo(TNetMessageEncoderClass AEncoderClass) : FMessageEncoderClass(std::move(AEncoderClass)) {}
    virtual void InitializeHeaders(TNetMessage* AMsg) { (void)AMsg; }
    TNetMessageEncoder* CreateEncoder(TComponent* AOwner) const { return FMessageEncoderClass(AOwner); }

private:
    TNetMessageEncoderClass FMessageEncoderClass;
};

class TNetMessageEncoderList {
public:
    static void RegisterEncoder(const std::string& AMessageEncoderName, std::unique_ptr<TNetMessageEncoderInfo> AEncoderInfo);
    // Raises "Message encoder not found: <name>" for a name not registered.
    static TNetMessageEncoderInfo* ByName(const std::string& AName);
};
