#include "net/Tnetpop3.h"

#include "net/Enetexception.h"
#include "net/Netmessages.h"
#include "net/Tnethash.h"
#include "net/Tnetmessage.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numconv.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tstringlist.h"

#include <exception>

namespace {

constexpr int16_t wsOk = 1;
constexpr int16_t wsErr = 2;

std::string FirstTextLine(TNetRFCReply* AReply)
{
    TStrings* text = AReply->Text();
    return text->Count() > 0 ? text->Strings(0) : std::string();
}

} // namespace

TNetPOP3::TNetPOP3(TComponent* AOwner) : TNetMessageClient(AOwner)
{
    FPort = 110;
    ImplicitTLSPort = 995;
}

std::string TNetPOP3::ReadLn(const std::string& ATerminator, int32_t ATimeout, int32_t AMaxLineLength)
{
    FLastLine = TNetMessageClient::ReadLn(ATerminator, ATimeout, AMaxLineLength);
    return FLastLine;
}

int16_t TNetPOP3::GetResponse(std::initializer_list<int16_t> AAllowedResponses)
{
    GetInternalResponse();
    TNetRFCReply* reply = LastCmdResult();
    if (SameText(reply->TextCode(), "+OK"))
        reply->SetNumericCode(wsOk);
    else if (SameText(reply->TextCode(), "-ERR"))
        reply->SetNumericCode(wsErr);
    else {
        std::string text;
        for (int i = 0; i < reply->Text()->Count(); ++i)
            text += (i > 0 ? "\r\n" : "") + reply->Text()->Strings(i);
        throw ENetException(Format(NetMessageText(RSPOP3UnrecognizedPOP3ResponseHeader), {text}));
    }
    return CheckResponse(static_cast<int16_t>(reply->NumericCode()), AAllowedResponses);
}

void TNetPOP3::Connect(int32_t ATimeout)
{
    TNetMessageClient::Connect(ATimeout);
    try {
        GetResponse(wsOk);
        const std::string greeting = FirstTextLine(LastCmdResult());
        if (TLSVersion().empty() && OffersSTLS()) {
            StartTLSByCommand("STLS", wsOk);
        }
        CheckEncryptedOrLocal();
        if (APOP) {
            const size_t open = greeting.find('<');
            const size_t close = open == std::string::npos ? open : greeting.find('>', open);
            if (close == std::string::npos)
                throw ENetException(NetMessageText(RSPOP3ServerDoNotSupportAPOP));
            const std::string stamp = greeting.substr(open, close - open + 1);
            TNetHashMessageDigest5 md5;
            const std::string digest = LowerCase(TNetHash128::AsHex(md5.HashValue(stamp + Password)));
            SendCmd("APOP " + Username + " " + digest, wsOk);
        } else {
            SendCmd("USER " + Username, wsOk);
            SendCmd("PASS " + Password, wsOk);
        }
    } catch (...) {
        Disconnect();
        throw;
    }
}

bool TNetPOP3::OffersSTLS()
{
    if (SendCmd("CAPA") != wsOk)
        return false;
    TStringList capabilities;
    LimitReading(65536, "The server's list of capabilities is longer than 65536 bytes");
    try {
        Capture(&capabilities);
    } catch (...) {
        LimitReading(-1);
        throw;
    }
    LimitReading(-1);
    for (int i = 0; i < capabilities.Count(); ++i)
        if (SameText(Trim(capabilities.Strings(i)), "STLS"))
            return true;
    return false;
}

void TNetPOP3::Disconnect()
{
    WriteLnIfConnected("QUIT");
    TNetMessageClient::Disconnect();
}

void TNetPOP3::Quit()
{
    std::exception_ptr failure;
    try {
        if (Connected())
            WriteLn("QUIT");
    } catch (const ENetException&) {
        failure = std::current_exception();
    }
    TNetMessageClient::Disconnect();
    if (failure)
        std::rethrow_exception(failure);
}

int32_t TNetPOP3::CheckMessages()
{
    SendCmd("STAT", wsOk);
    const std::string text = FirstTextLine(LastCmdResult());
    if (text.empty())
        return 0;
    // The count stands before the first blank; a reply without one has no count
    // and fails the conversion.
    const size_t blank = text.find(' ');
    return StrToInt(blank == std::string::npos ? std::string() : text.substr(0, blank));
}

int32_t TNetPOP3::RetrieveMsgSize(int32_t AMsgNum)
{
    SendCmd("LIST " + std::to_string(AMsgNum), wsOk);
    const std::string text = FirstTextLine(LastCmdResult());
    if (text.empty())
        return -1;
    const size_t blank = text.find(' ');
    int size;
    if (blank == std::string::npos || !TryStrToInt(Trim(text.substr(blank + 1)), size))
        return -1;
    return size;
}

namespace {

// The bound of one message's reading, lifted however the reading ends.
class TMessageReading {
public:
    explicit TMessageReading(TNetPOP3& AClient) : FClient(AClient)
    {
        if (AClient.MaxMessageSize <= 0)
            return;
        // What is already buffered counts as received.
        AClient.LimitReading(AClient.MaxMessageSize - AClient.InputBufferSize(),
                             "The message is larger than the limit of " + std::to_string(AClient.MaxMessageSize) +
                                 " bytes");
    }
    ~TMessageReading() { FClient.LimitReading(-1); }

private:
    TNetPOP3& FClient;
};

} // namespace

bool TNetPOP3::RetrieveHeader(int32_t AMsgNum, TNetMessage* AMsg)
{
    SendCmd("TOP " + std::to_string(AMsgNum) + " 0", wsOk);
    TMessageReading bound(*this);
    ReceiveHeader(AMsg, ".");
    return true;
}

bool TNetPOP3::Retrieve(int32_t AMsgNum, TNetMessage* AMsg)
{
    if (SendCmd("RETR " + std::to_string(AMsgNum)) != wsOk)
        return false;
    FLastLine.clear();
    TMessageReading bound(*this);
    ReceiveHeader(AMsg);
    if (FLastLine != ".")
        ReceiveBody(AMsg);
    return true;
}

bool TNetPOP3::Delete(int32_t AMsgNum)
{
    SendCmd("DELE " + std::to_string(AMsgNum), wsOk);
    return LastCmdResult()->NumericCode() == wsOk;
}
