#pragma once
// The transport under a connection: whatever moves the bytes (a socket, or a
// stand-in over memory in tests).
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
};
