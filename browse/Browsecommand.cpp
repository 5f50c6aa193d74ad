#include "browse/Browsecommand.h"

#include "browse/Tbrowse.h"
#include "platform/gui/Gui.h"

TBrowseCommandHandler& BrowseCommandHandler() {
  static TBrowseCommandHandler handler;
  return handler;
}

namespace {
TDiscussion* gRunningCommandDiscussion = nullptr;
}  // namespace

TDiscussion* RunningCommandDiscussion() { return gRunningCommandDiscussion; }

void TBrowse::ProcessCommand(const TBrowseItemIndex* path, const TBrowseItem* root, const std::string& text,
                             uint8_t code, TShiftState shift, int32_t data1, int32_t data2) {
  // A private copy: the handler may be replaced while it runs.
  const TBrowseCommandHandler handler = BrowseCommandHandler();
  if (!handler) {
    MessageBeep(1);  // no command can run yet
    return;
  }
  TDiscussion* const outer = gRunningCommandDiscussion;
  gRunningCommandDiscussion = GetDiscussion();
  handler(*this, path, root, text, code, shift, data1, data2);
  gRunningCommandDiscussion = outer;  // the window may be gone: nothing of it is read now
}
