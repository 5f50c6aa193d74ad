#include "net/Tnetmessageparts.h"

#include "net/Enetexception.h"
#include "net/Netmessages.h"
#include "net/Netsystem.h"
#include "net/Tnetmessagecoder.h"
#include "platform/kernel/Fileapi.h"

#include <memory>

TNetMessagePart::TNetMessagePart(TCollection* ACollection) : TCollectionItem(ACollection)
{
    FHeaders.SetFoldLines(false);
}

void TNetMessagePart::Assign(TPersistent* Source)
{
    auto* part = dynamic_cast<TNetMessagePart*>(Source);
    if (part && typeid(*part) == typeid(*this)) {
        SetContentTransfer(part->ContentTransfer());
        SetContentType(part->ContentType());
        FExtraHeaders.Assign(&part->FExtraHeaders);
    } else
        TCollectionItem::Assign(Source);
}

TNetText::TNetText(TCollection* ACollection, TStrings* ABody) : TNetMessagePart(ACollection)
{
    if (ABody)
        FBody.Assign(ABody);
}

TNetAttachment::TNetAttachment(TCollection* ACollection, const std::string& AStoredPathName)
    : TNetMessagePart(ACollection), FStoredPathName(AStoredPathName)
{
    const size_t slash = AStoredPathName.find_last_of('/');
    FFileName = slash == std::string::npos ? AStoredPathName : AStoredPathName.substr(slash + 1);
}

TNetAttachment::~TNetAttachment()
{
    if (FDeleteTempFile && !FStoredPathName.empty())
        DeleteFileA(FStoredPathName.c_str());
}

void TNetAttachment::Assign(TPersistent* Source)
{
    TNetMessagePart::Assign(Source);
    if (auto* attachment = dynamic_cast<TNetAttachment*>(Source)) {
        SetContentDisposition(attachment->ContentDisposition());
        FFileName = attachment->FFileName;
    }
}

void TNetAttachment::SaveToFile(const std::string& AFileName)
{
    // A received attachment's temporary file becomes the saved file where it can be
    // renamed there (never over another file): its bytes are not written twice.
    if (FDeleteTempFile && MoveFileExA(FStoredPathName.c_str(), AFileName.c_str(), 0)) {
        FStoredPathName = AFileName;
        FDeleteTempFile = false;
        return;
    }
    if (!CopyFileNoOverwrite(FStoredPathName, AFileName))
        throw ENetAttachmentSaveError(NetMessageText(RSTNetAttachmentSaveError) + " (" +
                                          platform::SystemReason(GetLastError()) + ")",
                                      GetLastError());
}

void TNetAttachment::Encode(TStream& ADest)
{
    auto* parts = static_cast<TNetMessageParts*>(Collection());
    std::unique_ptr<TNetMessageEncoder> encoder(parts->MessageEncoderInfo()->CreateEncoder(nullptr));
    encoder->SetFilename(FFileName);
    encoder->Encode(FStoredPathName, ADest);
}

TNetMessageParts::TNetMessageParts(TPersistent* AOwner)
    : TOwnedCollection(AOwner, [](TCollection*) -> TCollectionItem* {
          throw ENetCanNotCreateMessagePart(NetMessageText(RSMessagePartCannotBeCreated));
      })
{
    SetAttachmentEncoding("MIME");
}

TNetMessagePart* TNetMessageParts::Items(int Index) const
{
    return static_cast<TNetMessagePart*>(TCollection::Items(Index));
}

void TNetMessageParts::CountParts()
{
    FAttachmentCount = FRelatedPartCount = FTextPartCount = 0;
    for (int i = 0; i < Count(); ++i) {
        TNetMessagePart* part = Items(i);
        if (dynamic_cast<TNetAttachment*>(part)) {
            ++FAttachmentCount;
            if (!part->ExtraHeaders()->Values("Content-ID").empty())
                ++FRelatedPartCount;
        } else if (dynamic_cast<TNetText*>(part))
            ++FTextPartCount;
    }
}

void TNetMessageParts::SetAttachmentEncoding(const std::string& AValue)
{
    FMessageEncoderInfo = TNetMessageEncoderList::ByName(AValue);
    FAttachmentEncoding = AValue;
}
