#include "controls/Newcontrol.h"

#include "platform/forms/Tbutton.h"
#include "platform/forms/Tform.h"

#include <cassert>

void BuildControls(TWinControl& form, std::span<const TControlRow> rows) {
  for (const TControlRow& row : rows) {
    TWinControl* parent = &form;
    if (!row.Parent.empty()) {
      parent = dynamic_cast<TWinControl*>(form.FindComponent(row.Parent));
      assert(parent && "a row's parent is an earlier row that takes controls");
    }
    TControl* control = row.Make.New(&form);
    control->SetName(row.Name);
    control->SetParent(parent);
    if (row.Caption) control->SetCaption(*row.Caption);
    if (row.Make.Tune) row.Make.Tune(*control);
    const TPlace& place = row.Place;
    if (place.Left != Keep || place.Top != Keep || place.Width != Keep || place.Height != Keep) {
      const auto own = [](int measure, int current) { return measure == Keep ? current : measure; };
      control->SetBounds(own(place.Left, control->Left()), own(place.Top, control->Top()),
                         own(place.Width, control->Width()), own(place.Height, control->Height()));
    }
    if (row.Align != alNone) control->SetAlign(row.Align);
    if (row.OnClick) control->OnClick = [click = row.OnClick](TObject*) { click(); };
  }
}

void BuildControls(TWinControl& form, std::initializer_list<TControlRow> rows) {
  BuildControls(form, std::span<const TControlRow>(rows.begin(), rows.size()));
}

TTuning<TButton> PressedByEnter(TModalResult result) {
  return [result](TButton& button) {
    button.SetDefault(true);
    button.SetModalResult(result);
  };
}

TTuning<TButton> PressedByEscape(TModalResult result) {
  return [result](TButton& button) {
    button.SetCancel(true);
    button.SetModalResult(result);
  };
}

void NewOkCancelButtons(TForm* form, TButton*& ok, TButton*& cancel, int okLeft, int cancelLeft, int top, int width,
                        int height, std::function<bool()> accept) {
  const auto closeOk = [form, accept = std::move(accept)] {
    if (accept()) form->SetModalResult(mrOk);
  };
  // clang-format off
  BuildControls(*form, {
      {Into(ok, PressedByEnter()), "Button1", "", {okLeft, top, width, height}, alNone, "OK", closeOk},
      {Into(cancel, PressedByEscape()), "Button2", "", {cancelLeft, top, width, height}, alNone, "Cancel",
       [form] { form->SetModalResult(mrCancel); }},
  });
  // clang-format on
}
