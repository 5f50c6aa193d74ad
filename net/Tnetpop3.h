#pragma once
// The POP3 client: encrypts the connection with STLS when the server offers it
// (or from the start on port 995), logs in with USER and PASS (or APOP), counts
// messages, asks their sizes, reads headers or whole messages, and deletes them.
#include "net/Tnetmessageclient.h"

#include <string>

class TNetMessage;

class TNetPOP3 : public TNetMessageClient {
public:
    explicit TNetPOP3(TComponent* AOwner);

    // Connects, reads the greeting, encrypts when CAPA offers STLS, and logs in.
    // An unencrypted server off this machine is refused before the log-in unless
    // PlainConnection. Any failure disconnects (sending QUIT while that is still
    // safe) and is raised again.
    void Connect(int32_t ATimeout = NetDefaultTimeout) override;
    // QUIT without waiting for its reply (the server then applies the
    // deletions), then the connection's disconnect.
    void Disconnect() override;
    // Disconnect, and then raises why QUIT could not be sent, if it could not: the
    // connection broke before it, and the server deletes none of the messages.
    void Quit();
    // "+OK" counts as code 1 and "-ERR" as 2; any other reply raises.
    int16_t GetResponse(std::initializer_list<int16_t> AAllowedResponses) override;
    using TNetMessageClient::GetResponse;
    std::string ReadLn(const std::string& ATerminator = "\n", int32_t ATimeout = NetDefaultTimeout,
                       int32_t AMaxLineLength = -1) override;

    int32_t CheckMessages();
    // -1 when the reply carries no number.
    int32_t RetrieveMsgSize(int32_t AMsgNum);
    bool RetrieveHeader(int32_t AMsgNum, TNetMessage* AMsg);
    // False (reading nothing more) when the server answers -ERR.
    bool Retrieve(int32_t AMsgNum, TNetMessage* AMsg);
    bool Delete(int32_t AMsgNum);

    bool APOP = false;
    // The most a message (or its header) may take on the wire; reading more
    // raises ENetMessageTooLarge. Not above 0: no bound.
    int64_t MaxMessageSize = int64_t{64} << 20;

protected:
    std::string ProtocolName() const override { return "POP3"; }
    bool OffersSTLS();

    std::string FLastLine;
};
