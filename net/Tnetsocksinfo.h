#pragma once
// SOCKS 4, 4A and 5 proxy settings and the hand-shakes that ask the proxy to
// connect a socket handler to its target.
#include "net/Tnetcomponent.h"

#include <cstdint>
#include <string>

class TNetIOHandler;

enum TSocksAuthentication : uint8_t { saNoAuthentication, saUsernamePassword };
enum TSocksVersion : uint8_t { svNoSocks, svSocks4, svSocks4A, svSocks5 };

class TNetSocksInfo : public TNetComponent {
public:
    explicit TNetSocksInfo(TComponent* AOwner) : TNetComponent(AOwner) {}

    void AssignTo(TPersistent* ADest) override;
    // Runs the hand-shake of the version (nothing without SOCKS) right after
    // the handler connected to the proxy. Replies are read to their full
    // length, each part waited for at most ATimeout ms (0 or less: no limit).
    virtual void MakeSocksConnection(const std::string& AHost, int32_t APort, int32_t ATimeout = 0);

    TSocksAuthentication Authentication = saNoAuthentication;
    std::string Host;
    std::string Password;
    int32_t Port = 1080;
    std::string Username;
    TSocksVersion Version = svNoSocks;

    TNetIOHandler* IOHandler() const { return FIOHandler; }
    void SetIOHandler(TNetIOHandler* AValue) { FIOHandler = AValue; }

protected:
    void MakeSocks4Connection(const std::string& AHost, int32_t APort);
    void MakeSocks5Connection(const std::string& AHost, int32_t APort);
    void SendBytes(const std::string& ABytes);
    std::string ReceiveBytes(int32_t ACount);

    TNetIOHandler* FIOHandler = nullptr;
    int32_t FTimeout = 0;
};
