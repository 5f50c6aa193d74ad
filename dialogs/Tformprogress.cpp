#include "dialogs/Tformprogress.h"

#include "controls/Newcontrol.h"
#include "platform/forms/Tcanvas.h"
#include "platform/forms/Tlabel.h"
#include "platform/gui/Display.h"
#include "platform/gui/Gui.h"

#include <algorithm>

namespace {
constexpr int kMargin = 16;
constexpr int kMinimumWidth = 300;
// How long the desktop is given to show the window before the work goes on regardless.
constexpr int kShowPatienceMs = 2000;
}  // namespace

TFormProgress::TFormProgress(TComponent* owner) : TForm(owner) {
  SetName("FormProgress");
  SetCaption("Please, wait");
  SetBorderStyle(bsDialog);
  SetBorderIcons({});
  const auto plain = [](TLabel& label) { label.SetShowAccelChar(false); };  // a status shows its '&'
  BuildControls(*this, {{Into(fLabel, plain), "LabelStatus", "", {kMargin, kMargin, kMinimumWidth - 2 * kMargin, 16}}});
  SetClientWidth(kMinimumWidth);
  SetClientHeight(2 * kMargin + 16);
}

// Questions asked while the window shows (it is then the active one) are centred over
// it, and so over the window whose work goes on.
void TFormProgress::Centre() { CentreOver(fOver); }

void TFormProgress::ShowCentered() {
  fOver = GetActiveWindow();
  Centre();
  Show();
  Update();
  // The work that follows takes no messages: the desktop shows the window, painted, first.
  platform::CurrentDisplay().ShowNow(Handle(), kShowPatienceMs);
}

void TFormProgress::SetStatus(const std::string& text) {
  fStatus = text;
  const RECT r = CalcTextRect(fLabel->Font(), text.empty() ? std::string(" ") : text, DT_NOPREFIX | DT_SINGLELINE);
  const int textWidth = r.right - r.left;
  const int textHeight = r.bottom - r.top;
  fLabel->SetCaption(text);
  fLabel->SetBounds(kMargin, kMargin, std::max(textWidth, kMinimumWidth - 2 * kMargin), textHeight);
  if (textWidth + 2 * kMargin > ClientWidth() || textHeight + 2 * kMargin != ClientHeight()) {
    SetClientWidth(std::max(ClientWidth(), textWidth + 2 * kMargin));
    SetClientHeight(textHeight + 2 * kMargin);
    Centre();
  }
  // Painted now: the caller goes on working without returning to the message loop. The
  // label asked for its own area only: a step repaints its text, not the window.
  if (HandleAllocated()) {
    Update();
    platform::CurrentDisplay().ShowNow(Handle(), kShowPatienceMs);
  }
}
