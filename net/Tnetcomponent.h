#pragma once
// Roots of the mail library's components: TNetBaseComponent, and TNetComponent
// with its status and progress (work) events.
#include "platform/rtl/Format.h"
#include "platform/rtl/Tcomponent.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

class TNetBaseComponent : public TComponent {
public:
    explicit TNetBaseComponent(TComponent* AOwner) : TComponent(AOwner) {}
};

enum TNetStatus : uint8_t {
    hsResolving,
    hsConnecting,
    hsConnected,
    hsDisconnecting,
    hsDisconnected,
    hsStatusText,
    ftpTransfer,
    ftpReady,
    ftpAborted
};

enum TWorkMode : uint8_t { wmRead, wmWrite };

class TNetComponent;

using TNetStatusEvent = std::function<void(TObject* ASender, TNetStatus AStatus, const std::string& AStatusText)>;
using TWorkBeginEvent = std::function<void(TObject* Sender, TWorkMode AWorkMode, int32_t AWorkCountMax)>;
using TWorkEvent = std::function<void(TObject* Sender, TWorkMode AWorkMode, int32_t AWorkCount)>;
using TWorkEndEvent = std::function<void(TObject* Sender, TWorkMode AWorkMode)>;

class TNetComponent : public TNetBaseComponent {
public:
    // The first component of the process creates the socket stack (GStack),
    // the last one frees it; one lock guards the count and the stack.
    explicit TNetComponent(TComponent* AOwner);
    ~TNetComponent() override;

    // The local host name, as the socket stack reports it.
    static std::string GetLocalName();

    // The status text of the status (its message text formatted with the arguments).
    static std::string StatusText(TNetStatus AStatus, std::initializer_list<TVarRec> Args = {});
    void DoStatus(TNetStatus AStatus, std::initializer_list<TVarRec> Args = {});

    virtual void BeginWork(TWorkMode AWorkMode, int32_t ASize = 0);
    virtual void DoWork(TWorkMode AWorkMode, int32_t ACount);
    virtual void EndWork(TWorkMode AWorkMode);

    TNetStatusEvent OnStatus;
    TWorkEvent OnWork;
    TWorkBeginEvent OnWorkBegin;
    TWorkEndEvent OnWorkEnd;

protected:
    struct TWorkInfo {
        int32_t Current = 0;
        int32_t Max = 0;
        int32_t Level = 0;
    };
    TWorkInfo FWorkInfos[2];
};
