#include "net/Tnetintercept.h"

#include "platform/rtl/Tstream.h"

void TNetConnectionIntercept::Connect(TComponent* AConnection)
{
    FConnection = AConnection;
    if (OnConnect)
        OnConnect(this);
    NestedConnect(AConnection);
}

void TNetConnectionIntercept::Disconnect()
{
    NestedDisconnect();
    if (OnDisconnect)
        OnDisconnect(this);
    FConnection = nullptr;
}

void TNetConnectionIntercept::Receive(TStream* ABuffer)
{
    NestedReceive(ABuffer);
    if (OnReceive)
        OnReceive(this, ABuffer);
    ABuffer->SetPosition(0);
}

void TNetConnectionIntercept::Send(TStream* ABuffer)
{
    if (OnSend)
        OnSend(this, ABuffer);
    ABuffer->SetPosition(0);
    NestedSend(ABuffer);
}

void TNetConnectionIntercept::SetIntercept(TNetConnectionIntercept* AValue)
{
    FIntercept = AValue;
    if (AValue)
        AValue->FreeNotification(this);
}

void TNetConnectionIntercept::NestedConnect(TComponent* AConnection)
{
    if (FIntercept)
        FIntercept->Connect(AConnection);
}

void TNetConnectionIntercept::NestedDisconnect()
{
    if (FIntercept)
        FIntercept->Disconnect();
}

void TNetConnectionIntercept::NestedReceive(TStream* ABuffer)
{
    if (FIntercept)
        FIntercept->Receive(ABuffer);
}

void TNetConnectionIntercept::NestedSend(TStream* ABuffer)
{
    if (FIntercept)
        FIntercept->Send(ABuffer);
}

void TNetConnectionIntercept::Notification(TComponent* AComponent, TOperation Operation)
{
    TNetBaseComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FIntercept)
        FIntercept = nullptr;
}
