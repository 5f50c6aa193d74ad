#include "commands/Tautosavediscussiondisabler.h"

#include "foundation/Tbrowseglobal.h"

TAutoSaveDiscussionDisabler::TAutoSaveDiscussionDisabler() : fSaved(TBrowseGlobal::AutoSaveEnabled) {
  TBrowseGlobal::AutoSaveEnabled = 0;
}

TAutoSaveDiscussionDisabler::~TAutoSaveDiscussionDisabler() { TBrowseGlobal::AutoSaveEnabled = fSaved; }
