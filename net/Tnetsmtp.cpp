#include "net/Tnetsmtp.h"

#include "net/Enetexception.h"
#include "net/Tnetcoder.h"
#include "net/Tnetcoder3to4.h"
#include "net/Tnetemailaddress.h"
#include "net/Tnetheaderlist.h"
#include "net/Tnetmessage.h"
#include "platform/rtl/Strutil.h"

namespace {

// An address that could end the command line or its angle brackets early.
void CheckEnvelopeAddress(const std::string& AAddress)
{
    if (AAddress.find_first_of("\r\n<>") != std::string::npos || AAddress.find('\0') != std::string::npos)
        throw ENetException("Invalid character in the envelope address: " + AAddress.substr(0, 64));
}

} // namespace

TNetSMTP::TNetSMTP(TComponent* AOwner) : TNetMessageClient(AOwner)
{
    FPort = 25;
    ImplicitTLSPort = 465;
}

void TNetSMTP::Assign(TPersistent* Source)
{
    if (auto* other = dynamic_cast<TNetSMTP*>(Source)) {
        SetAuthenticationType(other->FAuthenticationType);
        SetHost(other->Host());
        MailAgent = other->MailAgent;
        Password = other->Password;
        SetPort(other->Port());
        Username = other->Username;
        return;
    }
    TNetMessageClient::Assign(Source);
}

void TNetSMTP::SetAuthenticationType(TAuthenticationType AValue)
{
    FAuthenticationType = AValue;
    if (AValue == atLogin)
        FUseEhlo = true;
}

void TNetSMTP::SetUseEhlo(bool AValue)
{
    FUseEhlo = AValue;
    if (!AValue)
        FAuthenticationType = atNone;
}

void TNetSMTP::Connect(int32_t ATimeout)
{
    TNetMessageClient::Connect(ATimeout);
    try {
        GetResponse(220);
        if (Greet() && TLSVersion().empty() && OffersStartTLS()) {
            StartTLSByCommand("STARTTLS", 220);
            Greet();
        }
        CheckEncryptedOrLocal();
    } catch (...) {
        Disconnect();
        throw;
    }
}

bool TNetSMTP::Greet()
{
    FAuthSchemesSupported.Clear();
    const std::string name = HeloName.empty() ? GetLocalName() : HeloName;
    if (FUseEhlo && SendCmd("EHLO " + name) == 250) {
        GetAuthTypes();
        return true;
    }
    SendCmd("HELO " + name, 250);
    return false;
}

bool TNetSMTP::OffersStartTLS()
{
    TStrings* lines = LastCmdResult()->Text();
    for (int i = 0; i < lines->Count(); ++i)
        if (SameText(Trim(lines->Strings(i)), "STARTTLS"))
            return true;
    return false;
}

void TNetSMTP::GetAuthTypes()
{
    TStrings* lines = LastCmdResult()->Text();
    for (int i = 0; i < lines->Count(); ++i) {
        const std::string line = UpperCase(lines->Strings(i));
        const std::string head = line.substr(0, 5);
        if (head != "AUTH " && head != "AUTH=")
            continue;
        std::string rest = line.substr(4);
        for (char& c : rest)
            if (c == '=')
                c = ' ';
        size_t p = 0;
        while (p < rest.size()) {
            while (p < rest.size() && rest[p] == ' ')
                ++p;
            size_t e = rest.find(' ', p);
            if (e == std::string::npos)
                e = rest.size();
            if (e > p && FAuthSchemesSupported.IndexOf(rest.substr(p, e - p)) < 0)
                FAuthSchemesSupported.Add(rest.substr(p, e - p));
            p = e;
        }
    }
}

void TNetSMTP::Disconnect()
{
    WriteLnIfConnected("QUIT");
    TNetMessageClient::Disconnect();
    FDidAuthenticate = false;
}

bool TNetSMTP::IsAuthProtocolAvailable(TAuthenticationType AAuthType)
{
    return AAuthType == atLogin && FAuthSchemesSupported.IndexOf("LOGIN") >= 0;
}

bool TNetSMTP::Authenticate()
{
    bool result = false;
    if (FAuthenticationType == atLogin) {
        SendCmd("AUTH LOGIN", 334);
        SendCmd(EncodeString<TNetEncoderMIME>(Username), 334);
        SendCmd(EncodeString<TNetEncoderMIME>(Password), 235);
        result = true;
    }
    FDidAuthenticate = true;
    return result;
}

void TNetSMTP::Send(TNetMessage* AMsg)
{
    std::vector<std::string> recipients;
    for (TNetEMailAddressList* list : {AMsg->Recipients(), AMsg->CCList(), AMsg->BccList()})
        for (int i = 0; i < list->Count(); ++i)
            recipients.push_back(list->Items(i)->Address());
    const std::string from = AMsg->From()->Address();
    CheckEnvelopeAddress(from);
    for (const std::string& address : recipients)
        CheckEnvelopeAddress(address);

    SendCmd("RSET");
    if (FAuthenticationType != atNone && IsAuthProtocolAvailable(FAuthenticationType) && !FDidAuthenticate)
        Authenticate();
    SendCmd("MAIL FROM:<" + from + ">", 250);
    for (const std::string& address : recipients)
        SendCmd("RCPT TO:<" + address + ">", {250, 251});
    SendCmd("DATA", 354);
    AMsg->ExtraHeaders()->SetValues("X-Mailer", MailAgent);
    SendMsg(AMsg);
    SendCmd(".", 250);
}

void TNetSMTP::Expand(const std::string& AUserName) { SendCmd("EXPN " + AUserName, {250, 251}); }

std::string TNetSMTP::Verify(const std::string& AUserName)
{
    SendCmd("VRFY " + AUserName, {250, 251});
    TStrings* text = LastCmdResult()->Text();
    return text->Count() > 0 ? text->Strings(0) : std::string();
}
