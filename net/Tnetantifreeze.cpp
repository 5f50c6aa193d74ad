#include "net/Tnetantifreeze.h"

#include "net/Enetexception.h"
#include "net/Netmessages.h"
#include "net/Netsystem.h"

TNetAntiFreezeBase* GAntiFreeze = nullptr;

TNetAntiFreezeBase::TNetAntiFreezeBase(TComponent* AOwner) : TNetBaseComponent(AOwner)
{
    if (ComponentState().Contains(csDesigning)) {
        if (GAntiFreeze != nullptr)
            throw ENetException(NetMessageText(RSOnlyOneAntiFreeze));
    } else {
        GAntiFreeze = this;
    }
}

TNetAntiFreezeBase::~TNetAntiFreezeBase()
{
    if (GAntiFreeze == this)
        GAntiFreeze = nullptr;
}

bool TNetAntiFreezeBase::ShouldUse() { return GAntiFreeze != nullptr && IsMainThread() && GAntiFreeze->Active; }

void TNetAntiFreezeBase::DoProcess(bool AIdle, bool AOverride)
{
    if (ShouldUse() && (!GAntiFreeze->OnlyWhenIdle || AIdle || AOverride) && GAntiFreeze->Active)
        GAntiFreeze->Process();
}
