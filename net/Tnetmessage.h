#pragma once
// An e-mail message in memory: addresses, header fields, body lines and parts;
// the header lines of an outgoing message and the reading of a received one.
#include "net/Netmailtypes.h"
#include "net/Tnetcomponent.h"
#include "net/Tnetemailaddress.h"
#include "net/Tnetheaderlist.h"
#include "net/Tnetmessageparts.h"
#include "net/Tnetmimeboundary.h"
#include "platform/rtl/Tdatetime.h"
#include "platform/rtl/Tstringlist.h"

#include <functional>
#include <string>

using TNetInitializeISOEvent =
    std::function<void(uint8_t& VTransferHeader, char& VHeaderEncoding, std::string& VCharSet)>;

class TNetMessage : public TNetBaseComponent {
public:
    explicit TNetMessage(TComponent* AOwner);
    ~TNetMessage() override;

    virtual void InitializeISO(uint8_t& VTransferHeader, char& VHeaderEncoding, std::string& VCharSet);
    virtual void Clear();
    void ClearBody();
    void ClearHeader();
    // The header lines to send; the caller owns the list.
    TNetHeaderList* GenerateHeader();
    // Fills the fields from Headers.
    void ProcessHeaders();

    const std::string& AttachmentEncoding() const { return FMessageParts.AttachmentEncoding(); }
    void SetAttachmentEncoding(const std::string& AValue) { FMessageParts.SetAttachmentEncoding(AValue); }
    TNetLines* Body() { return &FBody; }
    TNetEMailAddressList* BccList() { return &FBccList; }
    TNetEMailAddressList* CCList() { return &FCCList; }
    const std::string& CharSet() const { return FCharSet; }
    void SetCharSet(const std::string& AValue) { FCharSet = AValue; }
    const std::string& ContentType() const { return FContentType; }
    void SetContentType(const std::string& AValue) { FContentType = AValue; }
    const std::string& ContentTransferEncoding() const { return FContentTransferEncoding; }
    void SetContentTransferEncoding(const std::string& AValue) { FContentTransferEncoding = AValue; }
    const std::string& ContentDisposition() const { return FContentDisposition; }
    void SetContentDisposition(const std::string& AValue) { FContentDisposition = AValue; }
    TDateTime Date() const { return FDate; }
    void SetDate(TDateTime AValue) { FDate = AValue; }
    TNetMessageEncoding Encoding() const { return FEncoding; }
    // Also sets AttachmentEncoding: "UUE" for meUU, "MIME" for meMIME.
    void SetEncoding(TNetMessageEncoding AValue);
    TNetHeaderList* ExtraHeaders() { return &FExtraHeaders; }
    TNetEMailAddressItem* From() { return FFrom; }
    TNetHeaderList* Headers() { return &FHeaders; }
    TNetMessageParts* MessageParts() { return &FMessageParts; }
    TNetMIMEBoundary* MIMEBoundary() { return &FMIMEBoundary; }
    const std::string& MsgId() const { return FMsgId; }
    TStringList* NewsGroups() { return &FNewsGroups; }
    bool NoEncode() const { return FNoEncode; }
    void SetNoEncode(bool AValue) { FNoEncode = AValue; }
    bool NoDecode() const { return FNoDecode; }
    void SetNoDecode(bool AValue) { FNoDecode = AValue; }
    const std::string& Organization() const { return FOrganization; }
    void SetOrganization(const std::string& AValue) { FOrganization = AValue; }
    TNetMessagePriority Priority() const { return FPriority; }
    void SetPriority(TNetMessagePriority AValue) { FPriority = AValue; }
    TNetEMailAddressItem* ReceiptRecipient() { return FReceiptRecipient; }
    TNetEMailAddressList* Recipients() { return &FRecipients; }
    const std::string& References() const { return FReferences; }
    void SetReferences(const std::string& AValue) { FReferences = AValue; }
    TNetEMailAddressList* ReplyTo() { return &FReplyTo; }
    const std::string& Subject() const { return FSubject; }
    void SetSubject(const std::string& AValue) { FSubject = AValue; }
    TNetEMailAddressItem* Sender() { return FSender; }
    // True exactly when Date is 0: the current time is written.
    bool UseNowForDate() const { return FDate == 0; }
    void SetUseNowForDate(bool AValue);

    TNetInitializeISOEvent OnInitializeISO;

private:
    TNetLines FBody;
    TNetEMailAddressList FBccList;
    TNetEMailAddressList FCCList;
    std::string FCharSet;
    std::string FContentType;
    std::string FContentTransferEncoding;
    std::string FContentDisposition;
    TDateTime FDate = 0;
    TNetMessageEncoding FEncoding = meMIME;
    TNetHeaderList FExtraHeaders;
    TNetHeaderList FHeaders;
    TNetMessageParts FMessageParts;
    TNetMIMEBoundary FMIMEBoundary;
    std::string FMsgId;
    TStringList FNewsGroups;
    bool FNoEncode = false;
    bool FNoDecode = false;
    std::string FOrganization;
    TNetMessagePriority FPriority = mpNormal;
    TNetEMailAddressList FRecipients;
    std::string FReferences;
    TNetEMailAddressList FReplyTo;
    std::string FSubject;
    // Items of a collection that holds only them.
    TCollection FSingleItems;
    TNetEMailAddressItem* FFrom;
    TNetEMailAddressItem* FReceiptRecipient;
    TNetEMailAddressItem* FSender;
};
