#pragma once
// The transport under a connection: whatever moves the bytes (a socket, or a
// stand-in over memory in tests).
#include "net/Enetexception.h"
#include "net/Tnetcomponent.h"

#include <cstdint>
#include <string>

class TNetIOHandler : public TNetComponent {
public:
    explicit TNetIOHandler(TComponent* AOwner) : TNetComponent(AOwner) {}
    ~TNetIOHandler() override = default;

    virtual void AfterAccept() {}
    virtual void Close() {}
    virtual void ConnectClient(const std::string& AHost, int32_t APort, const std::string& ABoundIP,
                               int32_t ABoundPort, int32_t ABoundPortMin, int32_t ABoundPortMax, int32_t ATimeout)
    {
        (void)AHost, (void)APort, (void)ABoundIP, (void)ABoundPort, (void)ABoundPortMin, (void)ABoundPortMax,
            (void)ATimeout;
    }
    virtual bool Connected() = 0;
    virtual void Open() {}
    // True when bytes (or the peer's close) can be read within the time-out
    // (milliseconds; -2 waits without limit).
    virtual bool Readable(int32_t AMSec) = 0;
    // Bytes received, 0 when the peer closed.
    virtual int32_t Recv(void* ABuf, int32_t ALen) = 0;
    virtual int32_t Send(const void* ABuf, int32_t ALen) = 0;

    // Encryption (TLS) from here on, the certificate checked for AHost; the
    // handshake may take ATimeout milliseconds (-2 or 0: no limit). Raises
    // ENetTLSError (ENetCertificateRefused for a refused certificate).
    virtual void StartTLS(const std::string& AHost, int32_t ATimeout)
    {
        (void)ATimeout;
        throw ENetTLSError("the connection to " + AHost + " cannot be encrypted");
    }
    // "TLS 1.3" when the connection is encrypted, else empty.
    virtual std::string TLSVersion() const { return std::string(); }
    // True when the peer is this machine, so that nothing crosses a network.
    // A transport that is no network connection counts as local.
    virtual bool PeerIsLocal() { return true; }
};
