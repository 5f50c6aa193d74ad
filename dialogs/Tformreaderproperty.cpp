#include "dialogs/Tformreaderproperty.h"

#include "dialogs/Dialogrows.h"
#include "controls/Newcontrol.h"
#include "foundation/Guihooks.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "model/Treaderproperty.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"

namespace {

constexpr int kMargin = 12;
constexpr int kButtonsTop = 185;

}  // namespace

TFormReaderProperty::TFormReaderProperty(TComponent* owner) : TForm(owner) {
  SetName("FormReaderProperty");
  SetCaption("Reader property");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  const auto accept = [this] {
    int value = 0;
    if (!ParseWholeNumber(fPossibility->Text(), 0, 100, value)) {
      ShowMessageBox("READER PROPERTY", "The possibility must be a number from 0 to 100.");
      return;
    }
    SetModalResult(mrOk);
  };
  // clang-format off
  BuildControls(*this, {
      {Into(fMarks[Mark_None]), "RadioButtonNone", "", {12, 12, 200, 21}, alNone, "No mark"},
      {Into(fMarks[Mark_Interesting]), "RadioButtonInteresting", "", {12, 36, 200, 21}, alNone, "Interesting"},
      {Into(fMarks[Mark_False]), "RadioButtonFalse", "", {12, 60, 200, 21}, alNone, "False"},
      {Into(fMarks[Mark_Trite]), "RadioButtonTrite", "", {12, 84, 200, 21}, alNone, "Trite"},
      {Into(fRead), "CheckBoxRead", "", {12, 112, 200, 21}, alNone, "Read"},
      {New<TLabel>(), "", "", {12, 143, 150, 16}, alNone, "Possibility (0 to 100):"},
      {Into(fPossibility), "EditPossibility", "", {172, 140, 60, 21}},
      {New<TButton>(PressedByEnter()), "ButtonOk", "", {12, kButtonsTop, 90, 25}, alNone, "OK", accept},
      {New<TButton>(PressedByEscape(mrCancel)), "ButtonCancel", "", {110, kButtonsTop, 90, 25}, alNone, "Cancel"},
  });
  // clang-format on
  SetClientWidth(240);
  SetClientHeight(kButtonsTop + 25 + kMargin);
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
