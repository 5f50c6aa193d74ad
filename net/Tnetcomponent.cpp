#include "net/Tnetcomponent.h"

#include "net/Netmessages.h"
#include "net/Tnetstack.h"
#include "platform/rtl/Tcriticalsection.h"

namespace {

TCriticalSection& ComponentLock()
{
    static TCriticalSection lock;
    return lock;
}
int32_t GInstanceCount = 0;

} // namespace

TNetComponent::TNetComponent(TComponent* AOwner) : TNetBaseComponent(AOwner)
{
    ComponentLock().Enter();
    try {
        if (++GInstanceCount == 1)
            GStack = TNetStack::CreateStack();
    } catch (...) {
        --GInstanceCount;
        ComponentLock().Leave();
        throw;
    }
    ComponentLock().Leave();
}

TNetComponent::~TNetComponent()
{
    ComponentLock().Enter();
    if (--GInstanceCount == 0) {
        delete GStack;
        GStack = nullptr;
    }
    ComponentLock().Leave();
}

std::string TNetComponent::GetLocalName() { return GStack->WSGetHostName(); }

std::string TNetComponent::StatusText(TNetStatus AStatus, std::initializer_list<TVarRec> Args)
{
    static const uint16_t ids[] = {RSStatusResolving,     RSStatusConnecting, RSStatusConnected,
                                   RSStatusDisconnecting, RSStatusDisconnected, RSStatusText};
    const uint16_t id = AStatus < hsStatusText ? ids[AStatus] : static_cast<uint16_t>(RSStatusText);
    return Format(NetMessageText(id), Args);
}

void TNetComponent::DoStatus(TNetStatus AStatus, std::initializer_list<TVarRec> Args)
{
    if (OnStatus)
        OnStatus(this, AStatus, StatusText(AStatus, Args));
}

void TNetComponent::BeginWork(TWorkMode AWorkMode, int32_t ASize)
{
    TWorkInfo& info = FWorkInfos[AWorkMode];
    if (++info.Level == 1) {
        info.Max = ASize;
        info.Current = 0;
        if (OnWorkBegin)
            OnWorkBegin(this, AWorkMode, ASize);
    }
}

void TNetComponent::DoWork(TWorkMode AWorkMode, int32_t ACount)
{
    TWorkInfo& info = FWorkInfos[AWorkMode];
    if (info.Level > 0) {
        info.Current += ACount;
        if (OnWork)
            OnWork(this, AWorkMode, info.Current);
    }
}

void TNetComponent::EndWork(TWorkMode AWorkMode)
{
    TWorkInfo& info = FWorkInfos[AWorkMode];
    if (info.Level == 1 && OnWorkEnd)
        OnWorkEnd(this, AWorkMode);
    if (info.Level > 0)
        --info.Level;
}
