#pragma once
// TUpDown: two arrow buttons that step a position between Min and Max (wrapping when
// asked), shown in an associated edit; TProgressBar: a bar of blocks filled up to the
// position.

#include "platform/forms/Tcustomcontrol.h"

enum TUDBtnType { btNext, btPrev };
enum TUDOrientation { udVertical, udHorizontal };
using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TUpDown : public TCustomControl {
 public:
  explicit TUpDown(TComponent* AOwner);
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetMin(int Value) { min_ = Value; SetPosition(position_); }
  void SetMax(int Value) { max_ = Value; SetPosition(position_); }
  void SetPosition(int Value);
  int Increment() const { return increment_; }
  void SetIncrement(int Value) { increment_ = Value; }
  bool Wrap() const { return wrap_; }
  void SetWrap(bool Value) { wrap_ = Value; }
  TUDOrientation Orientation() const { return orientation_; }
  void SetOrientation(TUDOrientation Value) { orientation_ = Value; Invalidate(); }
  TWinControl* Associate() const { return associate_; }
  // The control placed beside the arrows and showing the position.
  void SetAssociate(TWinControl* Value);
  bool ArrowKeys() const { return arrowKeys_; }
  void SetArrowKeys(bool Value) { arrowKeys_ = Value; }
  void Step(TUDBtnType Button);
  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TUDClickEvent OnClick;
  TUDChangingEvent OnChanging;

 protected:
  void Paint() override;

 private:
  void ShowInAssociate();
  int min_ = 0, max_ = 100, position_ = 0, increment_ = 1;
  bool wrap_ = false;
  bool arrowKeys_ = true;
  TUDOrientation orientation_ = udVertical;
  TWinControl* associate_ = nullptr;
  int pressed_ = -1;
};

class TProgressBar : public TCustomControl {
 public:
  explicit TProgressBar(TComponent* AOwner);
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetMin(int Value) { min_ = Value; SetPosition(position_); }
  void SetMax(int Value) { max_ = Value; SetPosition(position_); }
  void SetPosition(int Value);
  int Step() const { return step_; }
  void SetStep(int Value) { step_ = Value; }
  void StepIt() { SetPosition(position_ + step_ > max_ ? min_ : position_ + step_); }
  void StepBy(int Delta) { SetPosition(position_ + Delta); }
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool Value) { smooth_ = Value; Invalidate(); }

 protected:
  void Paint() override;

 private:
  int min_ = 0, max_ = 100, position_ = 0, step_ = 10;
  bool smooth_ = false;
};
