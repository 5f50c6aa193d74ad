#pragma once
// A hook on a connection: sees the connect and the disconnect, and every block
// of bytes received or sent (which it may change), and may pass them on to a
// nested intercept.
#include "net/Tnetcomponent.h"

class TStream;
class TNetConnectionIntercept;

using TNetInterceptNotifyEvent = std::function<void(TNetConnectionIntercept* ASender)>;
using TNetInterceptStreamEvent = std::function<void(TNetConnectionIntercept* ASender, TStream* AStream)>;

class TNetConnectionIntercept : public TNetBaseComponent {
public:
    explicit TNetConnectionIntercept(TComponent* AOwner) : TNetBaseComponent(AOwner) {}

    virtual void Connect(TComponent* AConnection);
    virtual void Disconnect();
    virtual void Receive(TStream* ABuffer);
    virtual void Send(TStream* ABuffer);

    TComponent* Connection() const { return FConnection; }
    TNetConnectionIntercept* Intercept() const { return FIntercept; }
    void SetIntercept(TNetConnectionIntercept* AValue);
    bool IsClient() const { return FIsClient; }

    TNetInterceptNotifyEvent OnConnect;
    TNetInterceptNotifyEvent OnDisconnect;
    TNetInterceptStreamEvent OnReceive;
    TNetInterceptStreamEvent OnSend;

protected:
    virtual void NestedConnect(TComponent* AConnection);
    virtual void NestedDisconnect();
    virtual void NestedReceive(TStream* ABuffer);
    virtual void NestedSend(TStream* ABuffer);
    void Notification(TComponent* AComponent, TOperation Operation) override;

    TComponent* FConnection = nullptr;
    TNetConnectionIntercept* FIntercept = nullptr;
    bool FIsClient = true;
};
