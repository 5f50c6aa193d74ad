#include "app/Guidialogs.h"

#include "app/Tformerror.h"
#include "dialogs/Tformauthor.h"
#include "dialogs/Tformreaderproperty.h"
#include "dialogs/Tformregeneratemident.h"
#include "foundation/Guihooks.h"
#include "foundation/Textroutines.h"
#include "model/Modelhooks.h"
#include "platform/forms/Messagebox.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tcanvas.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"
#include "platform/forms/Tscreen.h"
#include "platform/gui/Gui.h"
#include "platform/rtl/Strutil.h"

#include <algorithm>

namespace {

constexpr int kMargin = 12;
constexpr int kGap = 8;
constexpr int kButtonHeight = 25;
constexpr int kMinButtonWidth = 75;

// A label sized to its text, wrapped at half the screen width; its height.
int AddText(TForm* form, const char* name, const std::string& text, int top) {
  auto* label = new TLabel(form);
  label->SetName(name);
  label->SetShowAccelChar(false);
  label->SetParent(form);
  label->SetAutoSize(false);
  label->SetWordWrap(true);
  const int most = std::max(Screen->Width() / 2, 200);
  RECT r = CalcTextRect(label->Font(), text.empty() ? std::string(" ") : text, DT_NOPREFIX | DT_WORDBREAK, most);
  label->SetCaption(text);
  label->SetBounds(kMargin, top, std::max<int>(r.right - r.left, 1), r.bottom - r.top);
  return r.bottom - r.top;
}

}  // namespace

TFormMessageBox::TFormMessageBox(const std::string& caption, const std::string& message, const std::string& third,
                                 const std::string& buttons, int defaultButton)
    : TForm(nullptr), fPressed(-1), fDefault(defaultButton) {
  SetName("FormMessageBox");
  SetCaption(caption);
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  int top = kMargin + AddText(this, "LabelMessage", message, kMargin) + kGap;
  if (!third.empty()) top += AddText(this, "LabelThird", third, top) + kGap;
  TArray<TStr> captions;
  SplitToStrArray(buttons.empty() ? std::string("OK") : buttons, "|", captions);
  if (captions.Count() == 0) captions.AddItem(TStr("OK"));
  if (fDefault < 0 || fDefault >= static_cast<int>(captions.Count())) fDefault = 0;
  // Escape and closing from the frame answer "Cancel" when the box has it, else its last
  // button (the "No" of a question): never the default by accident.
  fCancel = static_cast<int>(captions.Count()) - 1;
  for (uint32_t i = 0; i < captions.Count(); ++i)
    if (SameText(captions[i].ToString(), "Cancel")) fCancel = static_cast<int>(i);
  int x = kMargin;
  for (uint32_t i = 0; i < captions.Count(); ++i) {
    auto* button = new TButton(this);
    button->SetName("Button" + std::to_string(i));
    button->SetCaption(captions[i].ToString());
    button->SetParent(this);
    const RECT r = CalcTextRect(button->Font(), captions[i].ToString(), DT_SINGLELINE);
    const int width = std::max<int>(kMinButtonWidth, r.right - r.left + 20);
    button->SetBounds(x, top, width, kButtonHeight);
    const int index = static_cast<int>(i);
    button->OnClick = [this, index](TObject*) {
      fPressed = index;
      SetModalResult(mrOk);
    };
    if (index == fDefault) {
      button->SetDefault(true);
      SetActiveControl(button);
    }
    button->SetCancel(index == fCancel);
    x += width + kGap;
  }
  int width = x - kGap + kMargin;
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* label = dynamic_cast<TLabel*>(Components(i))) width = std::max(width, label->Width() + 2 * kMargin);
  SetClientWidth(std::max(width, CaptionClientWidth(Font(), caption)));
  SetClientHeight(top + kButtonHeight + kMargin);
}

int TFormMessageBox::Execute() {
  ShowModal();
  return fPressed < 0 ? fCancel : fPressed;
}

TFormInputString::TFormInputString(const std::string& caption, const std::string& prompt,
                                   const std::string& proposal, bool hidden)
    : TForm(nullptr) {
  SetName("FormInputString");
  SetCaption(caption);
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  const int width = 360;
  // An edit is never shown without a label: a question without a prompt is labelled
  // by its caption.
  const std::string label = prompt.empty() ? caption + ":" : prompt;
  int top = kMargin + AddText(this, "LabelPrompt", label, kMargin) + kGap;
  fEdit = new TEdit(this);
  fEdit->SetName("EditValue");
  fEdit->SetParent(this);
  fEdit->SetBounds(kMargin, top, width - 2 * kMargin, 21);
  fEdit->SetText(proposal);
  if (hidden) fEdit->SetPasswordChar('*');
  top += 21 + 2 * kGap;
  struct Spec {
    const char* name;
    const char* caption;
    TModalResult result;
  };
  const Spec specs[] = {{"ButtonOk", "OK", mrOk}, {"ButtonCancel", "Cancel", mrCancel}};
  int x = width - 2 * (kMinButtonWidth + kGap) - kMargin + kGap;
  for (const Spec& spec : specs) {
    auto* button = new TButton(this);
    button->SetName(spec.name);
    button->SetCaption(spec.caption);
    button->SetModalResult(spec.result);
    button->SetParent(this);
    button->SetBounds(x, top, kMinButtonWidth, kButtonHeight);
    button->SetDefault(spec.result == mrOk);
    button->SetCancel(spec.result == mrCancel);
    x += kMinButtonWidth + kGap;
  }
  SetActiveControl(fEdit);
  SetClientWidth(std::max(width, CaptionClientWidth(Font(), caption)));
  SetClientHeight(top + kButtonHeight + kMargin);
}

bool TFormInputString::Execute(std::string& result) {
  if (ShowModal() != mrOk) return false;
  result = fEdit->Text();
  return true;
}

namespace {

int MessageBoxHook(const std::string& caption, const std::string& message, const std::string& third,
                   const std::string& buttons, int defaultButton) {
  TFormMessageBox form(caption, message, third, buttons, defaultButton);
  return form.Execute();
}

bool InputStringHook(const std::string& caption, const std::string& prompt, const std::string& proposal,
                     std::string& result, bool option) {
  TFormInputString form(caption, prompt, proposal, option);
  return form.Execute(result);
}

}  // namespace

void RegisterGuiDialogs() {
  TGuiHooks hooks;
  hooks.ShowErrorWindow = ShowErrorWindow;
  hooks.ShowMessageBox = MessageBoxHook;
  hooks.InputString = InputStringHook;
  SetGuiHooks(hooks);
  TModelHooks& model = ModelHooks();
  model.EditAuthor = EditAuthor;
  model.EditReaderProperty = EditReaderProperty;
  model.AskReaderProperty = AskReaderProperty;
  model.MessageBeep = [] { MessageBeep(1); };
  model.AskRegenerateMIdent = [](const TStr& path1, const TStr& path2) {
    return AskRegenerateMIdent(path1.ToString(), path2.ToString());
  };
}

void UnregisterGuiDialogs() {
  SetGuiHooks(TGuiHooks());
  TModelHooks& model = ModelHooks();
  model.EditAuthor = nullptr;
  model.EditReaderProperty = nullptr;
  model.AskReaderProperty = nullptr;
  model.MessageBeep = nullptr;
  model.AskRegenerateMIdent = nullptr;
}
