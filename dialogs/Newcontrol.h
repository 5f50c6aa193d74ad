#pragma once
// A control of a form made in code: named (so that the form's script and storage find it),
// owned by the form, placed on its parent.

#include "platform/forms/Tcontrol.h"
#include "platform/forms/Twincontrol.h"

#include <functional>

template <class T>
T* NewControl(TComponent* owner, TWinControl* parent, const char* name, int left, int top, int width, int height) {
  T* control = new T(owner);
  control->SetName(name);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}

class TButton;
class TForm;

// The OK (default) and Cancel buttons of a dialog made in code, named Button1 and Button2,
// on one row. OK closes the form with mrOk once `accept` agrees (it takes what the dialog
// gives first); Cancel closes it with mrCancel.
void NewOkCancelButtons(TForm* form, TButton*& ok, TButton*& cancel, int okLeft, int cancelLeft, int top, int width,
                        int height, std::function<bool()> accept);
