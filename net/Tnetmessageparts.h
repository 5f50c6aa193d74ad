#pragma once
// The parts of a message: text parts (TNetText) and attachments kept in files
// (TNetAttachment), in the message's part collection.
#include "net/Netmailtypes.h"
#include "net/Tnetheaderlist.h"
#include "net/Tnetlines.h"
#include "platform/rtl/Tcollection.h"
#include "platform/rtl/Tstringlist.h"

#include <string>

class TStream;

class TNetMessagePart : public TCollectionItem {
public:
    ~TNetMessagePart() override = default;
    // Copies ContentTransfer, ContentType and ExtraHeaders from a part of the same class.
    void Assign(TPersistent* Source) override;

    std::string ContentTransfer() const { return FHeaders.Values("Content-Transfer-Encoding"); }
    void SetContentTransfer(const std::string& AValue) { FHeaders.SetValues("Content-Transfer-Encoding", AValue); }
    std::string ContentType() const { return FHeaders.Values("Content-Type"); }
    void SetContentType(const std::string& AValue) { FHeaders.SetValues("Content-Type", AValue); }
    TNetHeaderList* ExtraHeaders() { return &FExtraHeaders; }
    TNetHeaderList* Headers() { return &FHeaders; }

protected:
    // Only the descendants are made; the collection's own item class refuses.
    explicit TNetMessagePart(TCollection* ACollection);

    TNetHeaderList FHeaders;
    TNetHeaderList FExtraHeaders;
};

class TNetText : public TNetMessagePart {
public:
    explicit TNetText(TCollection* ACollection, TStrings* ABody = nullptr);
    TNetLines* Body() { return &FBody; }

private:
    TNetLines FBody;
};

class TNetAttachment : public TNetMessagePart {
public:
    // StoredPathName := the path, FileName := its file-name part.
    TNetAttachment(TCollection* ACollection, const std::string& AStoredPathName = std::string());
    // A received attachment deletes its temporary file.
    ~TNetAttachment() override;
    void Assign(TPersistent* Source) override;

    // Copies the data to the path; raises "Error saving attachment." when the
    // target exists or cannot be written.
    void SaveToFile(const std::string& AFileName);
    // Writes the data with the message's attachment encoder.
    void Encode(TStream& ADest);

    const std::string& StoredPathName() const { return FStoredPathName; }
    void SetStoredPathName(const std::string& AValue) { FStoredPathName = AValue; }
    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& AValue) { FFileName = AValue; }
    std::string ContentDisposition() const { return FHeaders.Values("Content-Disposition"); }
    void SetContentDisposition(const std::string& AValue) { FHeaders.SetValues("Content-Disposition", AValue); }
    // The stored file is a temporary file of a received message, deleted with the part.
    bool DeleteTempFile() const { return FDeleteTempFile; }
    void SetDeleteTempFile(bool AValue) { FDeleteTempFile = AValue; }

private:
    std::string FStoredPathName;
    std::string FFileName;
    bool FDeleteTempFile = false;
};

class TNetMessageParts : public TOwnedCollection {
public:
    explicit TNetMessageParts(TPersistent* AOwner);

    TNetMessagePart* Items(int Index) const;
    // Counts the parts into the three counters.
    void CountParts();
    int AttachmentCount() const { return FAttachmentCount; }
    int RelatedPartCount() const { return FRelatedPartCount; }
    int TextPartCount() const { return FTextPartCount; }

    const std::string& AttachmentEncoding() const { return FAttachmentEncoding; }
    // Raises "Message encoder not found: <name>" for a name not registered.
    void SetAttachmentEncoding(const std::string& AValue);
    TNetMessageEncoderInfo* MessageEncoderInfo() const { return FMessageEncoderInfo; }

private:
    int FAttachmentCount = 0;
    int FRelatedPartCount = 0;
    int FTextPartCount = 0;
    std::string FAttachmentEncoding;
    TNetMessageEncoderInfo* FMessageEncoderInfo = nullptr;
};
