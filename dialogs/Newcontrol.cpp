#include "dialogs/Newcontrol.h"

#include "platform/forms/Tbutton.h"
#include "platform/forms/Tform.h"

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
