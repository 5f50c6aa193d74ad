#pragma once
// The socket transport of a connection: connects a socket (directly or through
// a SOCKS proxy, under a time-out), waits for data, receives and sends, in the
// clear or, once StartTLS succeeded, encrypted.
#include "net/Tnetiohandler.h"

#include <cstdint>
#include <memory>
#include <string>

class TNetSocketHandle;
class TNetSocksInfo;
class TNetTLSSession;
enum class TNetTLSStep : uint8_t;

class TNetIOHandlerSocket : public TNetIOHandler {
public:
    explicit TNetIOHandlerSocket(TComponent* AOwner);
    ~TNetIOHandlerSocket() override;

    void Close() override;
    // Time-outs: -1 or 0 connect as the system does (120 s when an
    // anti-freeze is in use), -2 waits without limit, else milliseconds.
    void ConnectClient(const std::string& AHost, int32_t APort, const std::string& ABoundIP, int32_t ABoundPort,
                       int32_t ABoundPortMin, int32_t ABoundPortMax, int32_t ATimeout) override;
    bool Connected() override;
    void Open() override;
    bool Readable(int32_t AMSec) override;
    // The socket call's result (-1 on an error); ENetClosedSocket when not connected.
    int32_t Recv(void* ABuf, int32_t ALen) override;
    int32_t Send(const void* ABuf, int32_t ALen) override;
    void StartTLS(const std::string& AHost, int32_t ATimeout) override;
    std::string TLSVersion() const override;
    // Off this machine when the peer's address is not a loopback one, and
    // always when a SOCKS proxy stands between.
    bool PeerIsLocal() override;

    TNetSocketHandle* Binding() const { return FBinding.get(); }
    bool UseNagle = true;
    // Created on first use; an owned component replaces it, an ownerless one is copied in.
    TNetSocksInfo* SocksInfo();
    void SetSocksInfo(TNetSocksInfo* AValue);

protected:
    void ConnectWithTimeout(int32_t ATimeout);
    // Waits until the session's step can go on; false when ATimeout
    // milliseconds (-2 or 0: no limit) passed first.
    bool AwaitTLS(TNetTLSStep AStep, int32_t ATimeout);
    void Notification(TComponent* AComponent, TOperation Operation) override;

    std::unique_ptr<TNetSocketHandle> FBinding;
    TNetSocksInfo* FSocksInfo = nullptr;
    bool FOwnsSocksInfo = false;
    std::unique_ptr<TNetTLSSession> FTLS;
    bool FViaSocks = false;
};
