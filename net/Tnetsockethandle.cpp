#include "net/Tnetsockethandle.h"

#include "net/Enetexception.h"
#include "net/Netmessages.h"
#include "net/Tnetantifreeze.h"
#include "platform/rtl/Format.h"

TNetSocketHandle::TNetSocketHandle(TCollection* ACollection) : TCollectionItem(ACollection) {}

TNetSocketHandle::~TNetSocketHandle() { CloseSocket(); }

void TNetSocketHandle::Assign(TPersistent* Source)
{
    if (auto* other = dynamic_cast<TNetSocketHandle*>(Source)) {
        FIP = other->FIP;
        FPort = other->FPort;
        FPeerIP = other->FPeerIP;
        FPeerPort = other->FPeerPort;
        return;
    }
    TCollectionItem::Assign(Source);
}

void TNetSocketHandle::AllocateSocket(int32_t ASocketType, int32_t AProtocol)
{
    if (FHandleAllocated)
        Reset();
    FHandle = GStack->CreateSocketHandle(ASocketType, AProtocol);
    FHandleAllocated = true;
}

void TNetSocketHandle::CloseSocket()
{
    if (!FHandleAllocated)
        return;
    FHandleAllocated = false;
    GStack->WSShutdown(FHandle, Id_SD_Send);
    GStack->WSCloseSocket(FHandle);
}

int32_t TNetSocketHandle::Connect(int32_t AFamily)
{
    const int32_t result = GStack->WSConnect(FHandle, AFamily, FPeerIP, FPeerPort);
    if (result != Id_SOCKET_ERROR) {
        UpdateBindingLocal();
        UpdateBindingPeer();
    }
    return result;
}

bool TNetSocketHandle::TryBind(int32_t APort)
{
    const int32_t result = GStack->WSBind(FHandle, Id_PF_INET, FIP, APort);
    if (GStack->CheckForSocketError(result, {ws2::WSAEADDRINUSE}))
        return false;
    UpdateBindingLocal();
    return true;
}

void TNetSocketHandle::Bind()
{
    if (FPort == 0 && FClientPortMin != 0 && FClientPortMax != 0) {
        if (FClientPortMin > FClientPortMax)
            throw ENetInvalidPortRange(Format(NetMessageText(RSInvalidPortRange), {FClientPortMin, FClientPortMax}));
        for (int32_t port = FClientPortMax; port >= FClientPortMin; --port)
            if (TryBind(port))
                return;
        throw ENetCanNotBindPortInRange(Format(NetMessageText(RSCannotBindRange), {FClientPortMin, FClientPortMax}));
    }
    if (!TryBind(FPort))
        throw ENetCouldNotBindSocket(NetMessageText(RSCouldNotBindSocket));
}

void TNetSocketHandle::SetPeer(const std::string& AIP, int32_t APort)
{
    FPeerIP = AIP;
    FPeerPort = APort;
}

int32_t TNetSocketHandle::Send(const void* ABuffer, int32_t ABufferSize, int32_t AFlags)
{
    return GStack->WSSend(FHandle, ABuffer, ABufferSize, AFlags);
}

int32_t TNetSocketHandle::Recv(void* ABuffer, int32_t ABufferSize, int32_t AFlags)
{
    return GStack->WSRecv(FHandle, ABuffer, ABufferSize, AFlags);
}

int32_t TNetSocketHandle::SendTo(const std::string& AIP, int32_t APort, const void* ABuffer, int32_t ABufferSize)
{
    const int32_t result = GStack->WSSendTo(FHandle, ABuffer, ABufferSize, 0, AIP, APort);
    GStack->CheckForSocketError(result);
    return result;
}

void TNetSocketHandle::SetSockOpt(int32_t ALevel, int32_t AOptName, const void* AOptVal, int32_t AOptLen)
{
    GStack->CheckForSocketError(GStack->WSSetSockOpt(FHandle, ALevel, AOptName, AOptVal, AOptLen));
}

bool TNetSocketHandle::WaitReadable(int32_t AMSec)
{
    TNetSocketListWindows list;
    list.Add(FHandle);
    const int32_t result = GStack->WSSelect(&list, nullptr, nullptr, AMSec);
    GStack->CheckForSocketError(result);
    return result == 1;
}

bool TNetSocketHandle::Readable(int32_t AMSec)
{
    if (!FHandleAllocated)
        throw ENetConnClosedGracefully(NetMessageText(RSConnectionClosedGracefully));
    bool readable;
    if (TNetAntiFreezeBase::ShouldUse()) {
        const int32_t slice = GAntiFreeze->IdleTimeOut;
        if (AMSec == -2) {
            // Waits in slices, giving the user interface a turn after each.
            do {
                readable = WaitReadable(slice);
                TNetAntiFreezeBase::DoProcess(!readable);
            } while (!readable && FHandleAllocated);
            return readable;
        }
        // A longer limit goes in slices too, so that the user interface stays alive
        // for the whole wait.
        while (AMSec > slice && FHandleAllocated) {
            if (WaitReadable(slice)) {
                TNetAntiFreezeBase::DoProcess(false);
                return true;
            }
            TNetAntiFreezeBase::DoProcess(true);
            AMSec -= slice;
        }
        if (!FHandleAllocated)
            return false;
    }
    readable = WaitReadable(AMSec);
    TNetAntiFreezeBase::DoProcess(!readable);
    return readable;
}

void TNetSocketHandle::Reset(bool AResetLocal)
{
    CloseSocket();
    FHandle = Id_INVALID_SOCKET;
    if (AResetLocal) {
        FIP.clear();
        FPort = 0;
    }
    FPeerIP.clear();
    FPeerPort = 0;
}

void TNetSocketHandle::UpdateBindingLocal()
{
    int32_t family;
    GStack->WSGetSockName(FHandle, family, FIP, FPort);
}

void TNetSocketHandle::UpdateBindingPeer()
{
    int32_t family;
    GStack->WSGetPeerName(FHandle, family, FPeerIP, FPeerPort);
}
