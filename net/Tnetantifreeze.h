#pragma once
// The hook that keeps a user interface alive while a mail operation blocks the
// main thread: the transport gives it a turn while it waits.
#include "net/Tnetcomponent.h"

#include <cstdint>

class TNetAntiFreezeBase : public TNetBaseComponent {
public:
    // At run time the new object becomes the process's current one; at design
    // time a second one raises ENetException.
    explicit TNetAntiFreezeBase(TComponent* AOwner);
    ~TNetAntiFreezeBase() override;

    virtual void Process() = 0;

    // True when an anti-freeze exists, the caller is the main thread and it is active.
    static bool ShouldUse();
    static void DoProcess(bool AIdle = true, bool AOverride = false);

    bool Active = true;
    bool ApplicationHasPriority = true;
    int32_t IdleTimeOut = 250;
    bool OnlyWhenIdle = true;
};

extern TNetAntiFreezeBase* GAntiFreeze;
