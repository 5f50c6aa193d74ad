#include "dialogs/Newcontrol.h"

#include "platform/forms/Tbutton.h"
#include "platform/forms/Tform.h"

#include <cassert>

void BuildControls(TWinControl& form, std::initializer_list<TControlRow> rows) {
  for (const TControlRow& row : rows) {
    TWinControl* parent = &form;
    if (*row.Parent) {
      parent = dynamic_cast<TWinControl*>(form.FindComponent(row.Parent));
      assert(parent && "a row's parent is an earlier row that takes controls");
    }
    TControl* control = row.Make.New(&form);
    control->SetName(row.Name);
    control->SetParent(parent);
    if (row.Caption) control->SetCaption(row.Caption);
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

void NewOkCancelButtons(TForm* form, TButton*& ok, TButton*& cancel, int okLeft, int cancelLeft, int top, int width,
                        int height, std::function<bool()> accept) {
  ok = NewControl<TButton>(form, form, "Button1", okLeft, top, width, height);
  ok->SetCaption("OK");
  ok->SetDefault(true);
  ok->OnClick = [form, accept = std::move(accept)](TObject*) {
    if (accept()) form->SetModalResult(mrOk);
  };
  cancel = NewControl<TButton>(form, form, "Button2", cancelLeft, top, width, height);
  cancel->SetCaption("Cancel");
  cancel->SetCancel(true);
  cancel->OnClick = [form](TObject*) { form->SetModalResult(mrCancel); };
}
