#include "dialogs/Tformreaderproperty.h"

#include "dialogs/Dialogrows.h"
#include "foundation/Guihooks.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "model/Treaderproperty.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"

namespace {

constexpr int kMargin = 12;

}  // namespace

TFormReaderProperty::TFormReaderProperty(TComponent* owner) : TForm(owner) {
  SetName("FormReaderProperty");
  SetCaption("Reader property");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  const char* names[4] = {"RadioButtonNone", "RadioButtonInteresting", "RadioButtonFalse", "RadioButtonTrite"};
  const char* captions[4] = {"No mark", "Interesting", "False", "Trite"};
  int top = kMargin;
  for (int i = 0; i < 4; ++i) {
    fMarks[i] = new TRadioButton(this);
    fMarks[i]->SetName(names[i]);
    fMarks[i]->SetCaption(captions[i]);
    fMarks[i]->SetParent(this);
    fMarks[i]->SetBounds(kMargin, top, 200, 21);
    top += 24;
  }
  fRead = new TCheckBox(this);
  fRead->SetName("CheckBoxRead");
  fRead->SetCaption("Read");
  fRead->SetParent(this);
  fRead->SetBounds(kMargin, top + 4, 200, 21);
  top += 32;
  auto* label = new TLabel(this);
  label->SetCaption("Possibility (0 to 100):");
  label->SetParent(this);
  label->SetBounds(kMargin, top + 3, 150, 16);
  fPossibility = new TEdit(this);
  fPossibility->SetName("EditPossibility");
  fPossibility->SetParent(this);
  fPossibility->SetBounds(kMargin + 160, top, 60, 21);
  top += 21 + 2 * kMargin;
  auto* ok = new TButton(this);
  ok->SetName("ButtonOk");
  ok->SetCaption("OK");
  ok->SetParent(this);
  ok->SetBounds(kMargin, top, 90, 25);
  ok->SetDefault(true);
  ok->OnClick = [this](TObject*) {
    int value = 0;
    if (!ParseWholeNumber(fPossibility->Text(), 0, 100, value)) {
      ShowMessageBox("READER PROPERTY", "The possibility must be a number from 0 to 100.");
      return;
    }
    SetModalResult(mrOk);
  };
  auto* cancel = new TButton(this);
  cancel->SetName("ButtonCancel");
  cancel->SetCaption("Cancel");
  cancel->SetParent(this);
  cancel->SetBounds(kMargin + 98, top, 90, 25);
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  SetClientWidth(240);
  SetClientHeight(top + 25 + kMargin);
}

void TFormReaderProperty::SetReaderProperty(TDiscussion* discussion, int property) {
  fDiscussion = discussion;
  fProperty = property;
  if (!discussion || property < 0 || property >= discussion->ReaderProperties.Count()) return;
  SetValues(discussion->ReaderProperties.Items[property]);
}

void TFormReaderProperty::SetValues(const TReaderProperty& values) {
  fMarks[values.Mark <= Mark_Trite ? int(values.Mark) : int(Mark_None)]->SetChecked(true);
  fRead->SetChecked(values.Read != 0);
  fPossibility->SetText(std::to_string(values.Possibility));
}

bool TFormReaderProperty::ExecuteValues(TReaderProperty& values) {
  if (ShowModal() != mrOk) return false;
  for (uint8_t i = 0; i < 4; ++i)
    if (fMarks[i]->Checked()) values.Mark = i;
  values.Read = fRead->Checked() ? 1 : 0;
  int possibility = values.Possibility;
  ParseWholeNumber(fPossibility->Text(), 0, 100, possibility);
  values.Possibility = static_cast<uint8_t>(possibility);
  return true;
}

bool TFormReaderProperty::Execute() {
  if (!fDiscussion || fProperty < 0 || fProperty >= fDiscussion->ReaderProperties.Count()) return false;
  TReaderProperty changed = fDiscussion->ReaderProperties.Items[fProperty];
  // The list may not change while the dialog is up; the property is looked up again after.
  if (!ExecuteValues(changed) || fProperty >= fDiscussion->ReaderProperties.Count()) return false;
  TReaderProperty& p = fDiscussion->ReaderProperties.Items[fProperty];
  if (changed == p) return false;
  const TReaderProperty old = p;
  p = changed;
  fDiscussion->Undo.AddReaderPropertyChanges(*fDiscussion, fProperty, old);
  const TDiscBlockIndex block = fDiscussion->Storages.FindDiscBlockIndex(p.Code);
  if (!block.IsEmpty()) SendBlockNotification(Notify_BlockChanged, *fDiscussion, block, false);
  return true;
}

bool EditReaderProperty(TDiscussion& discussion, int property) {
  TFormReaderProperty form(nullptr);
  form.SetReaderProperty(&discussion, property);
  return form.Execute();
}

bool AskReaderProperty(TReaderProperty& values, int left, int top) {
  TFormReaderProperty form(nullptr);
  form.SetPosition(poDesigned);
  form.SetBounds(left, top, form.Width(), form.Height());
  form.SetValues(values);
  return form.ExecuteValues(values);
}
