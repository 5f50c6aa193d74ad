#include "postoffice/Tformpostfilerecipientslist.h"

#include "controls/Newcontrol.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tscreen.h"
#include "platform/gui/Sysmetrics.h"

#include <algorithm>

#include <memory>

TFormPostFileRecipientsList::TFormPostFileRecipientsList(TComponent* owner) : TForm(owner) {
  SetName("FormPostFileRecipientsList");
  SetCaption("Command-message recipients list");
  SetBorderIcons({});
  SetPosition(poScreenCenter);
  SetClientWidth(360);
  SetClientHeight(260);
  const auto readOnly = [](TMemo& memo) {
    memo.SetReadOnly(true);
    memo.SetScrollBars(ssVertical);
  };
  // clang-format off
  BuildControls(*this, {
      {Into(MemoEMails, readOnly), "MemoEMails", "", {8, 8, 344, 210}},
      {Into(Button1, PressedByEscape(mrOk)), "Button1", "", {272, 226, 80, 25}, alNone, "Close"},
  });
  // clang-format on
}

void TFormPostFileRecipientsList::FitTo(const std::vector<std::string>& addresses) {
  // As wide as its longest address, up to 800 pixels; on a screen of at most 800 pixels
  // two thirds of its width and height. As high as its addresses, up to the work area.
  constexpr int margin = 8, gap = 8, buttonHeight = 25, maxWidth = 800;
  Canvas()->Font()->Assign(MemoEMails->Font());
  int text = 0;
  for (const std::string& address : addresses) text = std::max(text, Canvas()->TextWidth(address));
  int width = std::clamp(text + 2 * margin + GetSystemMetrics(SM_CXVSCROLL) + 12, ClientWidth(), maxWidth);
  int height = ClientHeight();
  if (Screen->Width() <= maxWidth) {
    width = Screen->Width() * 2 / 3;
    height = Screen->Height() * 2 / 3;
  }
  const int memoFrame = MemoEMails->Height() - MemoEMails->ClientHeight();
  const int rows = int(addresses.size()) * Canvas()->TextHeight("Wg") + memoFrame;
  const RECT area = Screen->WorkAreaRect();
  const int highest = int(area.bottom - area.top) - (Height() - ClientHeight());
  height = std::max(height, std::min(rows + 2 * margin + gap + buttonHeight, highest));
  SetClientWidth(width);
  SetClientHeight(height);
  MemoEMails->SetBounds(margin, margin, width - 2 * margin, height - 2 * margin - gap - buttonHeight);
  Button1->SetBounds(width - margin - Button1->Width(), height - margin - buttonHeight, Button1->Width(), buttonHeight);
}

void ShowPostFileRecipients(const std::vector<std::string>& addresses) {
  auto form = std::make_unique<TFormPostFileRecipientsList>(nullptr);
  for (const std::string& address : addresses) form->MemoEMails->Lines()->Add(address);
  form->FitTo(addresses);
  form->ShowModal();
}
