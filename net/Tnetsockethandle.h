#pragma once
// One socket of the transport: its handle, its local and peer address and
// port, binding over a port range, and the wait for data.
#include "net/Tnetstack.h"
#include "platform/rtl/Tcollection.h"

#include <cstdint>
#include <string>

class TNetSocketHandle : public TCollectionItem {
public:
    explicit TNetSocketHandle(TCollection* ACollection = nullptr);
    ~TNetSocketHandle() override;

    void Assign(TPersistent* Source) override;

    // Resets an allocated handle, then creates a socket through GStack.
    void AllocateSocket(int32_t ASocketType = Id_SOCK_STREAM, int32_t AProtocol = 0);
    // Shuts sending down and closes, so that a pending wait returns at once.
    virtual void CloseSocket();
    // Connects to the peer; unless it failed (-1), reads back both ends.
    virtual int32_t Connect(int32_t AFamily = Id_PF_INET);
    // Binds the local address and port (or one port of the client port range).
    void Bind();
    void SetPeer(const std::string& AIP, int32_t APort);
    int32_t Send(const void* ABuffer, int32_t ABufferSize, int32_t AFlags = 0);
    int32_t Recv(void* ABuffer, int32_t ABufferSize, int32_t AFlags = 0);
    virtual int32_t SendTo(const std::string& AIP, int32_t APort, const void* ABuffer, int32_t ABufferSize);
    void SetSockOpt(int32_t ALevel, int32_t AOptName, const void* AOptVal, int32_t AOptLen);
    // True when data (or the peer's close) arrives within AMSec ms (-2: no limit).
    bool Readable(int32_t AMSec = -2);
    void Reset(bool AResetLocal = true);
    void UpdateBindingLocal();
    void UpdateBindingPeer();

    TNetStackSocketHandle Handle() const { return FHandle; }
    bool HandleAllocated() const { return FHandleAllocated; }
    const std::string& IP() const { return FIP; }
    void SetIP(const std::string& AValue) { FIP = AValue; }
    int32_t Port() const { return FPort; }
    void SetPort(int32_t AValue) { FPort = AValue; }
    const std::string& PeerIP() const { return FPeerIP; }
    int32_t PeerPort() const { return FPeerPort; }
    int32_t ClientPortMin() const { return FClientPortMin; }
    void SetClientPortMin(int32_t AValue) { FClientPortMin = AValue; }
    int32_t ClientPortMax() const { return FClientPortMax; }
    void SetClientPortMax(int32_t AValue) { FClientPortMax = AValue; }

protected:
    bool TryBind(int32_t APort);
    bool WaitReadable(int32_t AMSec);

    TNetStackSocketHandle FHandle = Id_INVALID_SOCKET;
    bool FHandleAllocated = false;
    std::string FIP;
    std::string FPeerIP;
    int32_t FPort = 0;
    int32_t FPeerPort = 0;
    int32_t FClientPortMin = 0;
    int32_t FClientPortMax = 0;
};
