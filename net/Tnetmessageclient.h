#pragma once
// Writing a message onto a connection (header lines, an empty line, a MIME,
// UU or plain body) and reading one back (header lines up to an empty line,
// then the body split into text parts and attachments by the registered
// message decoders). Every line written is dot-stuffed and every line read
// unstuffed, as the DATA and RETR transfers carry them.
#include "net/Netmailtypes.h"
#include "net/Tnettcpconnection.h"

#include <string>

class TNetMessageClient : public TNetTCPClient {
public:
    explicit TNetMessageClient(TComponent* AOwner) : TNetTCPClient(AOwner) {}

    virtual void ReceiveBody(TNetMessage* AMsg, const std::string& ADelim = ".");
    virtual void ReceiveHeader(TNetMessage* AMsg, const std::string& AAltTerm = std::string());
    virtual void SendBody(TNetMessage* AMsg);
    virtual void SendHeader(TNetMessage* AMsg);
    virtual void WriteBodyText(TNetMessage* AMsg);
    virtual void SendMsg(TNetMessage* AMsg, bool AHeadersOnly = false);

private:
    class TDataWriter;
    void WriteTextPart(TDataWriter& AOut, TNetText* APart, uint8_t ATransfer);
    void SendBodyTo(TDataWriter& AOut, TNetMessage* AMsg);
    void SendHeaderTo(TDataWriter& AOut, TNetMessage* AMsg);
    void WriteBodyTextTo(TDataWriter& AOut, TNetMessage* AMsg);
};
