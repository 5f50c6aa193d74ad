#pragma once
// Controls of a form made in code, one way for every form: each named (so that the form's
// script and storage find it), owned by the form and placed on its parent. A form lists its
// controls as a table of TControlRow that BuildControls makes; what a row cannot say
// (colours, kinds, fonts, anchors) its tuning sets, or the form on the made controls after.

#include "platform/forms/Tcontrol.h"
#include "platform/forms/Twincontrol.h"

#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <type_traits>

// A component without a window (a menu, a common dialog), named and owned.
template <class T>
T* NewComponent(TComponent* owner, const char* name) {
  T* component = new T(owner);
  component->SetName(name);
  return component;
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

// What a form sets on a row's T before it is placed.
template <class T>
using TTuning = std::type_identity_t<std::function<void(T&)>>;

template <class T>
std::function<void(TControl&)> TuningOf(TTuning<T> tune) {
  if (!tune) return nullptr;
  return [tune = std::move(tune)](TControl& control) { tune(static_cast<T&>(control)); };
}

// A row's maker: a new T kept in the form's member `field`, tuned by `tune`.
template <class T>
TControlMaker Into(T*& field, TTuning<T> tune = nullptr) {
  return {[&field](TComponent* owner) { return field = new T(owner); }, TuningOf<T>(std::move(tune))};
}

// A row's maker: a new T that the form reaches by its name only (a label, a Cancel button).
template <class T>
TControlMaker New(TTuning<T> tune = nullptr) {
  return {[](TComponent* owner) { return new T(owner); }, TuningOf<T>(std::move(tune))};
}

// One control of a form's table. Rows are made in their order: a parent before its
// children, and controls aligned to the same side stack in the order listed.
struct TControlRow {
  TControlMaker Make;
  std::string Name;
  std::string Parent;  // the name of an earlier row; "" is the form itself
  TPlace Place = {};
  TAlign Align = alNone;
  std::optional<std::string> Caption = std::nullopt;  // none keeps the control's own
  std::function<void()> OnClick = nullptr;
};

// Makes the rows' controls on the form, owned by it: name, parent, caption, tuning, place,
// alignment and click, in that order. A form whose rows depend on what it is given (a
// message box's buttons) collects them in a vector first.
void BuildControls(TWinControl& form, std::span<const TControlRow> rows);
void BuildControls(TWinControl& form, std::initializer_list<TControlRow> rows);

class TButton;
class TForm;

// The tuning of a dialog's default button, which Enter presses, and of its cancel button,
// which Escape presses; a button given a modal result closes its modal form with it.
TTuning<TButton> PressedByEnter(TModalResult result = mrNone);
TTuning<TButton> PressedByEscape(TModalResult result = mrNone);

// The OK (default) and Cancel buttons of a dialog made in code, named Button1 and Button2,
// on one row. OK closes the form with mrOk once `accept` agrees (it takes what the dialog
// gives first); Cancel closes it with mrCancel.
void NewOkCancelButtons(TForm* form, TButton*& ok, TButton*& cancel, int okLeft, int cancelLeft, int top, int width,
                        int height, std::function<bool()> accept);
