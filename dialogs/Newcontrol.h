#pragma once
// Controls of a form made in code, one way for every form: each named (so that the form's
// script and storage find it), owned by the form and placed on its parent. A big form lists
// its controls as a table of TControlRow that BuildControls makes; what a row cannot say
// (colours, kinds, fonts, anchors) the form sets on the made controls afterwards.

#include "platform/forms/Tcontrol.h"
#include "platform/forms/Twincontrol.h"

#include <functional>
#include <initializer_list>
#include <type_traits>

// A component without a window (a menu, a common dialog), named and owned.
template <class T>
T* NewComponent(TComponent* owner, const char* name) {
  T* component = new T(owner);
  component->SetName(name);
  return component;
}

// A control on its parent, placed later (or by its alignment).
template <class T>
T* NewControl(TComponent* owner, TWinControl* parent, const char* name) {
  T* control = NewComponent<T>(owner, name);
  control->SetParent(parent);
  return control;
}

template <class T>
T* NewControl(TComponent* owner, TWinControl* parent, const char* name, int left, int top, int width, int height) {
  T* control = NewControl<T>(owner, parent, name);
  control->SetBounds(left, top, width, height);
  return control;
}

// Where a row puts its control; a measure that is Keep stays the control's own, and a row
// whose measures are all Keep is not placed at all (its alignment places it).
inline constexpr int Keep = -1;
struct TPlace {
  int Left = Keep, Top = Keep, Width = Keep, Height = Keep;
};

// How a row makes its control: the class, the form's member that keeps it, and what the
// form sets on it before it is placed (a kind, a font, a bevel), if anything.
struct TControlMaker {
  std::function<TControl*(TComponent* owner)> New;
  std::function<void(TControl&)> Tune;
};

// A row's maker: a new T kept in the form's member `field`, tuned by `tune`.
template <class T>
TControlMaker Into(T*& field, std::type_identity_t<std::function<void(T&)>> tune = nullptr) {
  TControlMaker maker{[&field](TComponent* owner) { return field = new T(owner); }, nullptr};
  if (tune) maker.Tune = [tune = std::move(tune)](TControl& control) { tune(static_cast<T&>(control)); };
  return maker;
}

// One control of a form's table. Rows are made in their order: a parent before its
// children, and controls aligned to the same side stack in the order listed.
struct TControlRow {
  TControlMaker Make;
  const char* Name;
  const char* Parent;  // the name of an earlier row; "" is the form itself
  TPlace Place = {};
  TAlign Align = alNone;
  const char* Caption = nullptr;  // null keeps the control's own
  std::function<void()> OnClick = nullptr;
};

// Makes the rows' controls on the form, owned by it: name, parent, caption, tuning, place,
// alignment and click, in that order.
void BuildControls(TWinControl& form, std::initializer_list<TControlRow> rows);

class TButton;
class TForm;

// The OK (default) and Cancel buttons of a dialog made in code, named Button1 and Button2,
// on one row. OK closes the form with mrOk once `accept` agrees (it takes what the dialog
// gives first); Cancel closes it with mrCancel.
void NewOkCancelButtons(TForm* form, TButton*& ok, TButton*& cancel, int okLeft, int cancelLeft, int top, int width,
                        int height, std::function<bool()> accept);
