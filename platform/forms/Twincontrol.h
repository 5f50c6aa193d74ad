#pragma once
// TWinControl: a control with a window handle of its own. It holds child controls
// (windowed ones as child windows, graphic ones painted and fed with the mouse by
// it), lays them out by alignment and anchors, takes the focus in tab order and
// receives the keyboard. The handle is made when first needed, with the window class
// named after the control's class; children get theirs with it.

#include <string>
#include <vector>

#include "platform/forms/Tcontrol.h"
#include "platform/gui/Window.h"

struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  UINT ClassStyle = 0;
  TCursor ClassCursor = crArrow;
  std::string WinClassName;
  // Made of a class of the window system (its procedure handles what the control leaves).
  bool SystemClass = false;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded() { Handle(); }
  void RecreateWnd();

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int Index) const { return controls_[Index]; }
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  bool ContainsControl(TControl* Control) const;
  // The child control (graphic ones first) at a client point, or null.
  TControl* ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls = false);

  bool Focused() const;
  virtual bool CanFocus() const;
  virtual void SetFocus();
  int TabOrder() const;
  void SetTabOrder(int Value);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool Value) { tabStop_ = Value; }
  void GetTabOrderList(std::vector<TWinControl*>& List);
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent);
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
  // Sends a message to every child control until one answers non-zero.
  void Broadcast(TMessage& Message);
  // Paints on DC what shows under a child control: the background, the window and
  // the graphic controls below the child (for controls that look transparent).
  void PaintBehind(TControl* Child, HDC DC);

  TBrush* Brush() const { return brush_.get(); }
  void DisableAlign() { ++alignDisabled_; }
  void EnableAlign();
  void Realign();
  bool Showing() const override;

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  RECT ClientRect() override;
  POINT ClientOrigin() override;
  void Invalidate() override;
  void Update() override;
  void SetVisible(bool Value) override;
  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

  // The control of a window handle made by this library, or null.
  static TWinControl* FindControl(HWND Handle);

 protected:
  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateWnd();
  void CreateHandle();
  virtual void DestroyWnd();
  void DestroyHandle();
  // Lays the children out in Rect (the client area, adjusted).
  virtual void AlignControls(TControl* AControl, RECT& Rect);
  virtual void AdjustClientRect(RECT& Rect) { (void)Rect; }
  // Draws the window itself; graphic children are drawn after it by PaintControls.
  virtual void PaintWindow(HDC DC);
  void PaintControls(HDC DC);
  void PaintHandler(HDC DC);
  virtual void KeyDown(WORD& Key, TShiftState Shift);
  virtual void KeyUp(WORD& Key, TShiftState Shift);
  virtual void KeyPress(char& Key);
  // Whether the control takes a key that otherwise moves the focus or presses a
  // dialog button (tab, arrows, enter, escape).
  virtual bool WantsKey(WORD Key) const { (void)Key; return false; }
  virtual void DoEnter();
  virtual void DoExit();
  virtual void ColorChanged() override;
  virtual void FontChanged() override;
  virtual void EnabledChanged() override;
  virtual void VisibleChanged() override;
  virtual void TextChanged() override;
  void BoundsChanged(const RECT& Old) override;
  // Sends a message to every child of this control.
  void NotifyControls(UINT Msg);
  bool aligning_ = false;

 private:
  friend class TControl;
  friend LRESULT FormsWindowProc(HWND, UINT, WPARAM, LPARAM);
  bool DoKeyDown(WORD& Key, TShiftState Shift);
  bool DoKeyPress(char& Key);
  bool DoKeyUp(WORD& Key, TShiftState Shift);
  bool IsControlMouseMsg(TMessage& Message);
  void TrackMouse(TControl* Over);
  void WindowMoved();
  void UpdateZOrder();
  void DetachHandles();
  bool SetCursorFor(LPARAM HitTest);
  // Passes a notification of a child window to its control as CN_* (true when it has one).
  bool ReflectTo(HWND Child, TMessage& Message);

  HWND handle_ = nullptr;
  WNDPROC defProc_ = nullptr;
  std::vector<TControl*> controls_;       // z-order: later is above
  std::vector<TWinControl*> tabList_;     // tab order
  std::unique_ptr<TBrush> brush_;
  bool tabStop_ = false;
  int alignDisabled_ = 0;
  bool alignPending_ = false;
  bool eatChar_ = false;
  bool movingWindow_ = false;
};
