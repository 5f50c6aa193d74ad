#include "commands/Tformsearch.h"

#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"

namespace {
constexpr int kMargin = 12;
constexpr int kWidth = 360;
}  // namespace

TFormSearch::TFormSearch(TComponent* owner) : TForm(owner) {
  SetName("FormSearch");
  SetCaption("Search string");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  fEdit = new TEdit(this);
  fEdit->SetName("EditText");
  fEdit->SetParent(this);
  fEdit->SetBounds(kMargin, kMargin, kWidth - 2 * kMargin, 21);
  fCase = new TCheckBox(this);
  fCase->SetName("CheckBoxCaseSensitive");
  fCase->SetCaption("Match case");
  fCase->SetParent(this);
  fCase->SetBounds(kMargin, kMargin + 29, 160, 21);
  const int top = kMargin + 29 + 21 + kMargin;
  auto* start = new TButton(this);
  start->SetName("ButtonOk");
  start->SetCaption("Start");
  start->SetParent(this);
  start->SetBounds(kWidth - kMargin - 168, top, 80, 25);
  start->SetDefault(true);
  start->OnClick = [this](TObject*) {
    fOk = true;
    Close();
  };
  auto* cancel = new TButton(this);
  cancel->SetName("ButtonCancel");
  cancel->SetCaption("Cancel");
  cancel->SetParent(this);
  cancel->SetBounds(kWidth - kMargin - 80, top, 80, 25);
  cancel->SetCancel(true);
  cancel->OnClick = [this](TObject*) { Close(); };
  SetActiveControl(fEdit);
  SetClientWidth(kWidth);
  SetClientHeight(top + 25 + kMargin);
}

bool TFormSearch::Execute(const std::string& text, bool caseSensitive, std::string& newText, bool& newCaseSensitive) {
  fOk = false;
  fEdit->SetText(text);
  fCase->SetChecked(caseSensitive);
  ShowModal();
  if (!fOk) return false;
  newText = fEdit->Text();
  newCaseSensitive = fCase->Checked();
  return true;
}
