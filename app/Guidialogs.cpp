#include "app/Guidialogs.h"

#include "app/Tformerror.h"
#include "controls/Newcontrol.h"
#include "dialogs/Tformauthor.h"
#include "dialogs/Tformprogress.h"
#include "dialogs/Tformreaderproperty.h"
#include "dialogs/Tformregeneratemident.h"
#include "foundation/Guihooks.h"
#include "foundation/Textroutines.h"
#include "foundation/Ttempcursor.h"
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
#include <memory>

namespace {

constexpr int kMargin = 12;
constexpr int kGap = 8;
constexpr int kButtonHeight = 25;
constexpr int kMinButtonWidth = 75;

// A label as wide and high as its caption, wrapped at half the screen width.
void FitToCaption(TLabel& label) {
  label.SetShowAccelChar(false);
  label.SetAutoSize(false);
  label.SetWordWrap(true);
  const std::string text = label.Caption();
  const int most = std::max(Screen->Width() / 2, 200);
  RECT r = CalcTextRect(label.Font(), text.empty() ? std::string(" ") : text, DT_NOPREFIX | DT_WORDBREAK, most);
  label.SetBounds(label.Left(), label.Top(), std::max<int>(r.right - r.left, 1), r.bottom - r.top);
}

// Adds a label showing `text` at `top` (see FitToCaption); `top` moves below it.
TLabel& AddText(TForm& form, const char* name, const std::string& text, int& top) {
  TLabel* label = nullptr;
  BuildControls(form, {{Into(label, FitToCaption), name, "", {kMargin, top}, alNone, text}});
  top += label->Height() + kGap;
  return *label;
}

// A button as wide as its caption needs, and never narrower than kMinButtonWidth.
int ButtonWidth(TForm& form, const std::string& caption) {
  const RECT r = CalcTextRect(form.Font(), caption, DT_SINGLELINE);
  return std::max<int>(kMinButtonWidth, r.right - r.left + 20);
}

}  // namespace

TFormMessageBox::TFormMessageBox(const std::string& caption, const std::string& message, const std::string& third,
                                 const std::string& buttons, int defaultButton)
    : TForm(nullptr), fPressed(-1), fDefault(defaultButton) {
  SetName("FormMessageBox");
  SetCaption(caption);
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  int top = kMargin;
  AddText(*this, "LabelMessage", message, top);
  if (!third.empty()) AddText(*this, "LabelThird", third, top);
  TArray<TStr> captions;
  SplitToStrArray(buttons.empty() ? std::string("OK") : buttons, "|", captions);
  if (captions.Count() == 0) captions.AddItem(TStr("OK"));
  if (fDefault < 0 || fDefault >= static_cast<int>(captions.Count())) fDefault = 0;
  // Escape and closing from the frame answer "Cancel" when the box has it, and the one
  // button of a notice. A question without "Cancel" (Yes|No, Keep|Change) offers neither:
  // a stray key or click decides nothing, only a button answers.
  fCancel = captions.Count() == 1 ? 0 : -1;
  for (uint32_t i = 0; i < captions.Count(); ++i)
    if (SameText(captions[i].ToString(), "Cancel")) fCancel = static_cast<int>(i);
  if (fCancel < 0) {
    SetBorderIcons({});
    OnCloseQuery = [this](TObject*, bool& canClose) { canClose = fPressed >= 0; };
  }
  // Button0, Button1 ... in the order given, answering their index.
  std::vector<TControlRow> rows;
  int x = kMargin;
  for (uint32_t i = 0; i < captions.Count(); ++i) {
    const int index = static_cast<int>(i);
    const std::string answer = captions[i].ToString();
    const int width = ButtonWidth(*this, answer);
    const auto keys = [this, index](TButton& button) {
      button.SetDefault(index == fDefault);
      button.SetCancel(index == fCancel);
      if (index == fDefault) SetActiveControl(&button);
    };
    const auto press = [this, index] {
      fPressed = index;
      SetModalResult(mrOk);
    };
    rows.push_back(
        {New<TButton>(keys), "Button" + std::to_string(i), "", {x, top, width, kButtonHeight}, alNone, answer, press});
    x += width + kGap;
  }
  BuildControls(*this, rows);
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

TFormInputString::TFormInputString(const std::string& caption, const std::string& prompt, const std::string& proposal,
                                   bool hidden, const std::string& further)
    : TForm(nullptr) {
  SetName("FormInputString");
  SetCaption(caption);
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  // An edit is never shown without a label: a question without a prompt is labelled
  // by its caption. A long prompt (a question that names what it is asked for) widens
  // the box, so that every word of it is seen.
  const std::string label = prompt.empty() ? caption + ":" : prompt;
  int top = kMargin;
  const int width = std::max(360, AddText(*this, "LabelPrompt", label, top).Width() + 2 * kMargin);
  const int buttonsTop = top + 21 + 2 * kGap, okLeft = width - 2 * (kMinButtonWidth + kGap) - kMargin + kGap;
  const auto value = [&proposal, hidden](TEdit& edit) {
    edit.SetText(proposal);
    if (hidden) edit.SetPasswordChar('*');
  };
  const int cancelLeft = okLeft + kMinButtonWidth + kGap;
  // clang-format off
  std::vector<TControlRow> rows = {
      {Into(fEdit, value), "EditValue", "", {kMargin, top, width - 2 * kMargin, 21}},
      {New<TButton>(PressedByEnter(mrOk)), "ButtonOk", "", {okLeft, buttonsTop, kMinButtonWidth, kButtonHeight},
       alNone, "OK"},
      {New<TButton>(PressedByEscape(mrCancel)), "ButtonCancel", "",
       {cancelLeft, buttonsTop, kMinButtonWidth, kButtonHeight}, alNone, "Cancel"},
  };
  // clang-format on
  if (!further.empty()) {  // at the left, apart from OK and Cancel, answering mrYes
    const auto yes = [](TButton& button) { button.SetModalResult(mrYes); };
    const int furtherWidth = ButtonWidth(*this, further);
    rows.push_back(
        {New<TButton>(yes), "ButtonFurther", "", {kMargin, buttonsTop, furtherWidth, kButtonHeight}, alNone, further});
  }
  BuildControls(*this, rows);
  SetActiveControl(fEdit);
  fEdit->SelectAll();  // what the user types replaces the proposal
  SetClientWidth(std::max(width, CaptionClientWidth(Font(), caption)));
  SetClientHeight(buttonsTop + kButtonHeight + kMargin);
}

TInputAnswer TFormInputString::Execute(std::string& result) {
  const TModalResult answer = ShowModal();
  if (answer != mrOk && answer != mrYes) return TInputAnswer::Cancelled;
  result = fEdit->Text();
  return answer == mrOk ? TInputAnswer::Ok : TInputAnswer::Button;
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
  return form.Execute(result) == TInputAnswer::Ok;
}

TInputAnswer InputStringOrButtonHook(const std::string& caption, const std::string& prompt, const std::string& proposal,
                                     std::string& result, bool option, const std::string& button) {
  TFormInputString form(caption, prompt, proposal, option, button);
  return form.Execute(result);
}

// What the program waits for, in a small window and with the busy pointer.
struct TWaitingWindow {
  std::unique_ptr<TTempCursor> Busy;
  std::unique_ptr<TFormProgress> Window;
};

TWaitingWindow& Waiting() {
  static TWaitingWindow waiting;
  return waiting;
}

// The window keeps its own caption ("Please, wait"): the question the waiting is about
// has the caption given, and comes next.
void ShowWaitingHook(const std::string&, const std::string& text) {
  TWaitingWindow& waiting = Waiting();
  if (text.empty()) {
    waiting.Window.reset();
    waiting.Busy.reset();
    return;
  }
  if (!waiting.Window) {
    waiting.Busy = std::make_unique<TTempCursor>();
    waiting.Window = std::make_unique<TFormProgress>(nullptr);
    waiting.Window->ShowCentered();
  }
  waiting.Window->SetStatus(text);
}

}  // namespace

void RegisterGuiDialogs() {
  TGuiHooks hooks;
  hooks.ShowErrorWindow = ShowErrorWindow;
  hooks.ShowMessageBox = MessageBoxHook;
  hooks.InputString = InputStringHook;
  hooks.InputStringOrButton = InputStringOrButtonHook;
  hooks.ShowWaiting = ShowWaitingHook;
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
