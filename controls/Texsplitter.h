#pragma once
// TExSplitter: a thin panel between two aligned controls. Dragging it with the left
// button shows an inverted line across the form; on release ControlFirst or
// ControlSecond is resized so that the border moves to the line. Escape cancels.
// Limits keep the line away from the parent's edges.

#include <functional>

#include "platform/forms/Tpanel.h"

enum TSplitterStyle { spUnknown, spHorizontalFirst, spHorizontalSecond, spVerticalFirst, spVerticalSecond };
enum TInverseMode { imNew, imClear, imMove };
using TSplitterMoveEvent = std::function<void(TObject* Sender, int X, int Y, bool& AllowChange)>;

class TCustomForm;

class TExSplitter : public TPanel {
 public:
  explicit TExSplitter(TComponent* AOwner);
  ~TExSplitter() override;

  TControl* ControlFirst() const { return controlFirst_; }
  void SetControlFirst(TControl* Value);
  TControl* ControlSecond() const { return controlSecond_; }
  void SetControlSecond(TControl* Value);
  int TopLeftLimit() const { return topLeftLimit_; }
  void SetTopLeftLimit(int Value) { topLeftLimit_ = Value; }
  int BottomRightLimit() const { return bottomRightLimit_; }
  void SetBottomRightLimit(int Value) { bottomRightLimit_ = Value; }
  // The stored "LimitOffset" of older forms: both limits at once.
  void SetLimitOffset(int Value);
  // A new align; from none or client a bar 3 pixels thick next to the control it finds.
  void SetAlign(TAlign Value);
  // What a drag would resize, by the aligns of the two controls and the splitter's own.
  TSplitterStyle GetStyle() const;
  bool Sizing() const { return sizing_; }

  TNotifyEvent OnPosChanged;
  TSplitterMoveEvent OnPosChanging;

  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  virtual void Changing(int X, int Y, bool& AllowChange);
  virtual void Changed();
  void Loaded() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  TControl* FindControl() const;
  void UpdateState();
  bool Horizontal() const { return style_ == spHorizontalFirst || style_ == spHorizontalSecond; }
  void StartInverseRect();
  void ShowInverseRect(int X, int Y, TInverseMode Mode);
  void EndInverseRect(int X, int Y, bool AllowChange, bool Apply);
  void CheckPosition(int& X, int& Y) const;
  void StopSizing(int X, int Y, bool Apply);
  void DrawLine(HDC DC, POINT OnScreen);
  void SetNoDropCursor(bool Value);

  TControl* controlFirst_ = nullptr;
  TControl* controlSecond_ = nullptr;
  bool sizing_ = false;
  TSplitterStyle style_ = spUnknown;
  POINT lastPos_{};
  POINT offset_{};
  bool noDropCursor_ = false;
  RECT limitRect_{};
  int topLeftLimit_ = 20;
  int bottomRightLimit_ = 20;
  TCustomForm* form_ = nullptr;
  int lineWidth_ = 0;  // while the line is shown
  TWinControl* keyControl_ = nullptr;
  TKeyEvent savedKeyDown_;
  bool savedShowHint_ = false;
  POINT lastMouse_{};
};
