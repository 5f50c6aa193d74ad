#include "foundation/Tutilityglobal.h"

#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "foundation/Tmemmanager.h"
#include "platform/rtl/Tdatetime.h"

namespace {
TUtilityGlobal* gCurrent = nullptr;
TMemManager gMemManager;
}  // namespace

TUtilityGlobal::TUtilityGlobal() { Init(); }
TUtilityGlobal::~TUtilityGlobal() { Done(); }

TUtilityGlobal* TUtilityGlobal::Current() { return gCurrent; }

void TUtilityGlobal::Init() {
  Error = &TError::Instance();
  MemManager = &gMemManager;
  Listeners = &TListeners::Instance();
  Error->Reset();
  Listeners->ClearQueue();
  TError::AppendToLog("PROGRAM STARTED: " + FormatDateTime("yyyy.mm.dd hh:nn:ss", Now()));
  gCurrent = this;
}

void TUtilityGlobal::Done() {
  Listeners->ClearQueue();
  TError::AppendToLog("PROGRAM FINISHED: " + FormatDateTime("yyyy.mm.dd hh:nn:ss", Now()));
  if (gCurrent == this) gCurrent = nullptr;
}
