#pragma once
// The SMTP client: greets with EHLO (or HELO), encrypts the connection with
// STARTTLS when the server offers it (or from the start on port 465), learns
// the offered authentication methods, logs in with AUTH LOGIN, and sends messages.
#include "net/Tnetmessageclient.h"
#include "platform/rtl/Tstringlist.h"

#include <string>

class TNetMessage;

enum TAuthenticationType : uint8_t { atNone, atLogin };

class TNetSMTP : public TNetMessageClient {
public:
    explicit TNetSMTP(TComponent* AOwner);

    void Assign(TPersistent* Source) override;
    // Connects, reads the greeting (220) and greets; when the server offers
    // STARTTLS, encrypts and greets again. An unencrypted server off this machine
    // is refused unless PlainConnection. Any failure disconnects (sending QUIT
    // while that is still safe) and is raised again.
    void Connect(int32_t ATimeout = NetDefaultTimeout) override;
    // QUIT without waiting for its reply, then the connection's disconnect.
    void Disconnect() override;
    virtual bool IsAuthProtocolAvailable(TAuthenticationType AAuthType);
    virtual bool Authenticate();
    // RSET, the log-in when due, MAIL FROM, RCPT TO for every To, Cc and Bcc
    // address, DATA, the message, and the final dot. Envelope addresses that
    // could break a command line are refused before anything is sent.
    virtual void Send(TNetMessage* AMsg);
    virtual void Expand(const std::string& AUserName);
    virtual std::string Verify(const std::string& AUserName);

    TAuthenticationType AuthenticationType() const { return FAuthenticationType; }
    void SetAuthenticationType(TAuthenticationType AValue);
    bool UseEhlo() const { return FUseEhlo; }
    void SetUseEhlo(bool AValue);
    // Each offered method once, in the order offered.
    TStringList* AuthSchemesSupported() { return &FAuthSchemesSupported; }
    bool DidAuthenticate() const { return FDidAuthenticate; }

    std::string MailAgent;
    std::string HeloName;

protected:
    std::string ProtocolName() const override { return "SMTP"; }
    // EHLO (or HELO when refused or not used); true for EHLO.
    bool Greet();
    void GetAuthTypes();
    bool OffersStartTLS();

    bool FDidAuthenticate = false;
    TAuthenticationType FAuthenticationType = atNone;
    TStringList FAuthSchemesSupported;
    bool FUseEhlo = true;
};
