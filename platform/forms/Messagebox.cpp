#include "platform/forms/Messagebox.h"

#include <algorithm>

#include "platform/forms/Tapplication.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"
#include "platform/forms/Tscreen.h"
#include "platform/gui/Drawtext.h"

namespace {

struct ButtonInfo {
  const char* name;
  const char* caption;
  TModalResult result;
};

const ButtonInfo kButtons[] = {
    {"Yes", "&Yes", mrYes},          {"No", "&No", mrNo},           {"OK", "OK", mrOk},
    {"Cancel", "Cancel", mrCancel}, {"Abort", "&Abort", mrAbort}, {"Retry", "&Retry", mrRetry},
    {"Ignore", "&Ignore", mrIgnore}, {"All", "&All", mrAll},    {"NoToAll", "N&o to All", mrNoToAll},
    {"YesToAll", "Yes to &All", mrYesToAll}, {"Help", "&Help", mrNone},
};

constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kGap = 8;
constexpr int kMargin = 12;
// Room the desktop's frame takes beside the caption: its icon and its buttons.
constexpr int kFrameButtons = 96;

}  // namespace

int CaptionClientWidth(TFont* font, const std::string& caption) {
  TFont bold;
  bold.Assign(font);
  bold.SetStyle({fsBold});
  RECT r = CalcTextRect(&bold, caption, DT_NOPREFIX | DT_SINGLELINE);
  // The desktop draws the caption in a font of its own, often wider than ours ("MANUAL
  // BACKUP" was cut short): half as much again is kept for it.
  return std::min<int>((r.right - r.left) * 3 / 2 + kFrameButtons, Screen->Width() * 3 / 4);
}

TMessageForm::TMessageForm(const std::string& Text, const std::string& Caption, TMsgDlgButtons Buttons,
                           int DefaultIndex, int HelpContext)
    : TForm(nullptr), message_(Text) {
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetCaption(Caption);
  SetHelpContext(HelpContext);
  auto* label = new TLabel(this);
  label->SetName("Message");
  label->SetShowAccelChar(false);
  label->SetParent(this);
  label->SetCaption(Text);
  RECT one = CalcTextRect(label->Font(), Text, DT_NOPREFIX | DT_EXPANDTABS);
  int textWidth = std::min<int>(one.right - one.left, Screen->Width() / 2);
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  RECT wrapped = CalcTextRect(label->Font(), Text, DT_NOPREFIX | DT_WORDBREAK | DT_EXPANDTABS, std::max(textWidth, 1));
  label->SetBounds(kMargin, kMargin, std::max(textWidth, 1), wrapped.bottom - wrapped.top);

  int count = 0;
  for (const ButtonInfo& b : kButtons) count += Buttons.Contains(static_cast<TMsgDlgBtn>(&b - kButtons));
  int buttonsWidth = count * kButtonWidth + (count - 1) * kGap;
  int clientWidth = std::max({textWidth + 2 * kMargin, buttonsWidth + 2 * kMargin, CaptionClientWidth(Font(), Caption)});
  int top = kMargin + (wrapped.bottom - wrapped.top) + 2 * kGap;
  SetClientWidth(clientWidth);
  SetClientHeight(top + kButtonHeight + kMargin);
  int x = (clientWidth - buttonsWidth) / 2;
  int index = 0;
  bool hasCancel = Buttons.Contains(mbCancel);
  for (const ButtonInfo& b : kButtons) {
    auto kind = static_cast<TMsgDlgBtn>(&b - kButtons);
    if (!Buttons.Contains(kind)) continue;
    auto* button = new TButton(this);
    button->SetName(b.name);
    button->SetCaption(b.caption);
    button->SetModalResult(b.result);
    button->SetParent(this);
    button->SetBounds(x, top, kButtonWidth, kButtonHeight);
    if (index == DefaultIndex) {
      button->SetDefault(true);
      SetActiveControl(button);
    }
    if (kind == mbCancel || (!hasCancel && count == 1)) button->SetCancel(true);
    if (kind == mbHelp) button->OnClick = [this](TObject*) { Application->HelpContext(this->HelpContext()); };
    buttons_.push_back(button);
    x += kButtonWidth + kGap;
    ++index;
  }
  // Closing by the caption counts as the cancelling button, when there is one.
  OnCloseQuery = [this](TObject*, bool& can) {
    if (ModalResult() != mrNone) return;
    can = false;
    for (TButton* b : buttons_)
      if (b->Cancel()) {
        SetModalResult(b->ModalResult());
        can = true;
      }
  };
}

int ShowMessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
  TMsgDlgButtons buttons;
  switch (Flags & MB_TYPEMASK) {
    case MB_OKCANCEL: buttons = {mbOK, mbCancel}; break;
    case MB_ABORTRETRYIGNORE: buttons = {mbAbort, mbRetry, mbIgnore}; break;
    case MB_YESNOCANCEL: buttons = {mbYes, mbNo, mbCancel}; break;
    case MB_YESNO: buttons = {mbYes, mbNo}; break;
    case MB_RETRYCANCEL: buttons = {mbRetry, mbCancel}; break;
    default: buttons = {mbOK}; break;
  }
  int defaultIndex = static_cast<int>((Flags & MB_DEFMASK) >> 8);
  if (Flags & MB_ICONMASK) MessageBeep(Flags & MB_ICONMASK);
  TMessageForm form(Text, Caption, buttons, defaultIndex, 0);
  if (Flags & (MB_TOPMOST | MB_SETFOREGROUND)) form.SetFormStyle(fsStayOnTop);
  return form.ShowModal();
}

TModalResult MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
  static const char* const captions[] = {"Warning", "Error", "Information", "Confirm", ""};
  static const UINT beeps[] = {MB_ICONEXCLAMATION, MB_ICONHAND, MB_ICONASTERISK, MB_ICONQUESTION, 0};
  std::string caption = DlgType == mtCustom ? Application->Title() : captions[DlgType];
  if (beeps[DlgType]) MessageBeep(beeps[DlgType]);
  // The default button is the first of OK, Yes; else the first there is.
  int defaultIndex = 0;
  TMessageForm form(Msg, caption, Buttons, defaultIndex, HelpCtx);
  return form.ShowModal();
}

void ShowMessage(const std::string& Msg) {
  std::string caption = Application->Title();
  if (caption.empty()) {
    std::string exe = Application->ExeName();
    caption = exe.substr(exe.find_last_of('/') + 1);
  }
  TMessageForm form(Msg, caption, {mbOK}, 0, 0);
  form.ShowModal();
}

bool InputQuery(const std::string& ACaption, const std::string& APrompt, std::string& Value) {
  TForm form(nullptr);
  form.SetBorderStyle(bsDialog);
  form.SetPosition(poScreenCenter);
  form.SetCaption(ACaption);
  form.SetClientWidth(260);
  form.SetClientHeight(96);
  auto* prompt = new TLabel(&form);
  prompt->SetName("Prompt");
  prompt->SetParent(&form);
  prompt->SetCaption(APrompt);
  prompt->SetBounds(kMargin, kMargin, 236, prompt->Height());
  auto* edit = new TEdit(&form);
  edit->SetName("Value");
  edit->SetParent(&form);
  edit->SetBounds(kMargin, 30, 236, 21);
  edit->SetText(Value);
  edit->SelectAll();
  prompt->SetFocusControl(edit);
  auto* ok = new TButton(&form);
  ok->SetName("OK");
  ok->SetCaption("OK");
  ok->SetModalResult(mrOk);
  ok->SetDefault(true);
  ok->SetParent(&form);
  ok->SetBounds(94, 62, kButtonWidth, kButtonHeight);
  auto* cancel = new TButton(&form);
  cancel->SetName("Cancel");
  cancel->SetCaption("Cancel");
  cancel->SetModalResult(mrCancel);
  cancel->SetCancel(true);
  cancel->SetParent(&form);
  cancel->SetBounds(173, 62, kButtonWidth, kButtonHeight);
  form.SetActiveControl(edit);
  if (form.ShowModal() != mrOk) return false;
  Value = edit->Text();
  return true;
}

std::string InputBox(const std::string& ACaption, const std::string& APrompt, const std::string& ADefault) {
  std::string value = ADefault;
  InputQuery(ACaption, APrompt, value);
  return value;
}
