#include "net/Tnetmessage.h"

#include "net/Enetexception.h"
#include "net/Netdate.h"
#include "net/Netheadercoder.h"
#include "net/Netmessages.h"
#include "net/Nettext.h"
#include "net/Tnetmessagecoder.h"
#include "platform/rtl/Numconv.h"
#include "platform/rtl/Strutil.h"

#include <memory>

namespace {

// The character set named in a Content-Type value (upper-cased).
std::string CharSetOf(const std::string& AContentType)
{
    std::string text = UpperCase(AContentType);
    if (TextPos("CHARSET=", text) == 0)
        return std::string();
    CutToken(text, "CHARSET=");
    if (!text.empty() && text[0] == '"') {
        text.erase(0, 1);
        return CutToken(text, "\"");
    }
    return Trim(CutToken(text, ";"));
}

TNetMessagePriority PriorityOf(const std::string& AValue)
{
    const std::string lower = LowerCase(AValue);
    if (lower.find("urgent") != std::string::npos)
        return mpHigh;
    if (lower.find("non-priority") != std::string::npos)
        return mpLow;
    std::string text = Trim(AValue);
    int number;
    if (!TryStrToInt(CutToken(text, " "), number))
        number = 3;
    return static_cast<TNetMessagePriority>(std::clamp(number - 1, int(mpHighest), int(mpLowest)));
}

// Parses an address text whose display names may be encoded words.
void SetDecodedAddress(TNetEMailAddressItem* AItem, const std::string& AText)
{
    try {
        AItem->SetText(AText);
    } catch (const ENetEmailParseError&) {
        // What was parsed before the fault stays.
    }
    AItem->SetName(DecodeHeader(AItem->Name()));
}

void SetDecodedAddresses(TNetEMailAddressList* AList, const std::string& AText)
{
    AList->SetEMailAddresses(AText);
    for (int i = 0; i < AList->Count(); ++i)
        AList->Items(i)->SetName(DecodeHeader(AList->Items(i)->Name()));
}

} // namespace

TNetMessage::TNetMessage(TComponent* AOwner)
    : TNetBaseComponent(AOwner), FBccList(this), FCCList(this), FMessageParts(this), FRecipients(this),
      FReplyTo(this), FSingleItems(CollectionItemClass<TNetEMailAddressItem>())
{
    FFrom = new TNetEMailAddressItem(&FSingleItems);
    FReceiptRecipient = new TNetEMailAddressItem(&FSingleItems);
    FSender = new TNetEMailAddressItem(&FSingleItems);
    FNoDecode = false;
    Clear();
    SetEncoding(meMIME);
}

TNetMessage::~TNetMessage() = default;

void TNetMessage::InitializeISO(uint8_t& VTransferHeader, char& VHeaderEncoding, std::string& VCharSet)
{
    DefaultInitializeISO(VTransferHeader, VHeaderEncoding, VCharSet);
    if (OnInitializeISO)
        OnInitializeISO(VTransferHeader, VHeaderEncoding, VCharSet);
}

void TNetMessage::Clear()
{
    ClearHeader();
    ClearBody();
}

void TNetMessage::ClearBody()
{
    FMessageParts.Clear();
    FBody.Clear();
}

void TNetMessage::ClearHeader()
{
    FCCList.Clear();
    FBccList.Clear();
    FRecipients.Clear();
    FReplyTo.Clear();
    FNewsGroups.Clear();
    FHeaders.Clear();
    FExtraHeaders.Clear();
    FMIMEBoundary.Clear();
    FDate = 0;
    for (TNetEMailAddressItem* item : {FFrom, FReceiptRecipient, FSender}) {
        item->SetAddress(std::string());
        item->SetName(std::string());
    }
    FOrganization.clear();
    FReferences.clear();
    FSubject.clear();
    FContentType.clear();
    FCharSet.clear();
    FContentTransferEncoding.clear();
    FContentDisposition.clear();
    FMsgId.clear();
    FPriority = mpNormal;
}

void TNetMessage::SetEncoding(TNetMessageEncoding AValue)
{
    FEncoding = AValue;
    SetAttachmentEncoding(AValue == meUU ? "UUE" : "MIME");
}

void TNetMessage::SetUseNowForDate(bool AValue)
{
    if (AValue)
        FDate = 0;
}

TNetHeaderList* TNetMessage::GenerateHeader()
{
    FMessageParts.CountParts();
    std::string contentType;
    if (FEncoding == meMIME) {
        FMessageParts.MessageEncoderInfo()->InitializeHeaders(this);
        // The character set is added for this header only: sending twice sends the same bytes.
        contentType = FContentType;
        if (!FCharSet.empty())
            contentType = contentType.empty() ? "charset=\"" + FCharSet + "\""
                                              : contentType + ";\r\n\tcharset=\"" + FCharSet + "\"";
    } else if (FMessageParts.RelatedPartCount() > 0 || FMessageParts.TextPartCount() > 0)
        throw ENetMessageException(NetMessageText(RSMsgClientInvalidEncoding));

    uint8_t transfer;
    char encoding;
    std::string charSet;
    InitializeISO(transfer, encoding, charSet);

    auto header = std::make_unique<TNetHeaderList>();
    if (FHeaders.Count() > 0)
        header->Assign(&FHeaders);
    header->SetValues("From", EncodeAddressItem(FFrom, encoding, transfer, charSet));
    header->SetValues("Subject", EncodeHeader(FSubject, "", encoding, transfer, charSet, sizeof "Subject: " - 1));
    header->SetValues("To", EncodeAddress(&FRecipients, encoding, transfer, charSet));
    header->SetValues("Cc", EncodeAddress(&FCCList, encoding, transfer, charSet));
    header->SetValues("Newsgroups", FNewsGroups.CommaText());
    if (FEncoding == meMIME) {
        header->SetValues("Content-Type", contentType);
        if (FMessageParts.Count() > 0)
            header->SetValues("MIME-Version", "1.0");
        header->SetValues("Content-Transfer-Encoding", FContentTransferEncoding);
    }
    header->SetValues("Sender", FSender->Text());
    header->SetValues("Reply-To", EncodeAddress(&FReplyTo, encoding, transfer, charSet));
    header->SetValues("Organization", EncodeHeader(FOrganization, "", encoding, transfer, charSet, sizeof "Organization: " - 1));
    header->SetValues("Disposition-Notification-To", EncodeAddressItem(FReceiptRecipient, encoding, transfer, charSet));
    header->SetValues("References", FReferences);
    header->SetValues("Date", FormatMailDate(UseNowForDate() ? Now() : FDate, false));
    header->SetValues("X-Priority", IntToStr(static_cast<int>(FPriority) + 1));
    header->SetValues("X-Library", "Mail Library 1.0");
    for (int i = 0; i < FExtraHeaders.Count(); ++i)
        header->Add(HeaderSafe(FExtraHeaders[i]));
    return header.release();
}

void TNetMessage::ProcessHeaders()
{
    FContentType = FHeaders.Values("Content-Type");
    FCharSet = CharSetOf(FContentType);
    FContentTransferEncoding = FHeaders.Values("Content-Transfer-Encoding");
    FContentDisposition = FHeaders.Values("Content-Disposition");
    FSubject = DecodeHeader(FHeaders.Values("Subject"));
    SetDecodedAddress(FFrom, FHeaders.Values("From"));
    FMsgId = FHeaders.Values("Message-Id");
    SplitCommaList(&FNewsGroups, FHeaders.Values("Newsgroups"));
    SetDecodedAddresses(&FRecipients, FHeaders.Values("To"));
    SetDecodedAddresses(&FCCList, FHeaders.Values("Cc"));
    FOrganization = FHeaders.Values("Organization");
    std::string receipt = FHeaders.Values("Disposition-Notification-To");
    if (receipt.empty())
        receipt = FHeaders.Values("Return-Receipt-To");
    SetDecodedAddress(FReceiptRecipient, receipt);
    FReferences = FHeaders.Values("References");
    FReplyTo.SetEMailAddresses(FHeaders.Values("Reply-To"));
    std::string date = FHeaders.Values("Date");
    FDate = ParseMailDate(date) == 0 ? 0 : MailDateToLocal(FHeaders.Values("Date"));
    SetDecodedAddress(FSender, FHeaders.Values("Sender"));
    const std::string priority = FHeaders.Values("Priority");
    FPriority = PriorityOf(priority.empty() ? FHeaders.Values("X-Priority") : priority);
    FMIMEBoundary.Push(TNetMIMEBoundary::FindBoundary(FContentType));
}
