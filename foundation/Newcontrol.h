#pragma once
// A control of a form made in code: named (so that the form's script and storage find it),
// owned by the form, placed on its parent.

#include "platform/forms/Tcontrol.h"
#include "platform/forms/Twincontrol.h"

template <class T>
T* NewControl(TComponent* owner, TWinControl* parent, const char* name, int left, int top, int width, int height) {
  T* control = new T(owner);
  control->SetName(name);
  control->SetParent(parent);
  control->SetBounds(left, top, width, height);
  return control;
}
