#pragma once
// TControl: the base of everything visible. It has bounds in its parent's client area,
// alignment, anchors and size constraints, visibility, enabled state, a caption, a font
// and a colour (which may follow the parent's), a hint, a cursor and a popup menu. Its
// messages pass through WindowProc (replaceable, as subclassing) to WndProc, which turns
// them into the virtual methods and events; what none of them handles goes to
// DefaultHandler.

#include <memory>
#include <string>

#include "platform/forms/Controlmessages.h"
#include "platform/forms/Tgraphicsobject.h"
#include "platform/rtl/Tcomponent.h"

class TWinControl;
class TPopupMenu;

// Controls draw in the three-dimensional style of the newer system look.
inline bool NewStyleControls = true;
class TCustomForm;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
// Controls have no border or a single one (bsNone, bsSingle).
using TBorderStyle = TFormBorderStyle;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;

enum TControlStyleItem {
  csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed, csSetCaption, csOpaque,
  csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible, csReplicatable, csNoStdEvents,
  csDisplayDragImage, csReflector, csActionClient, csMenuEvents
};
using TControlStyle = TSet<TControlStyleItem>;
enum TControlStateItem {
  csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded, csFocusing, csCreating,
  csPaintCopy, csCustomPaint, csDestroyingHandle, csDocking
};
using TControlState = TSet<TControlStateItem>;

// Limits of a control's size; 0 means no limit.
class TSizeConstraints : public TPersistent {
 public:
  int MinWidth() const { return minWidth_; }
  int MaxWidth() const { return maxWidth_; }
  int MinHeight() const { return minHeight_; }
  int MaxHeight() const { return maxHeight_; }
  void SetMinWidth(int Value) { minWidth_ = Value; Changed(); }
  void SetMaxWidth(int Value) { maxWidth_ = Value; Changed(); }
  void SetMinHeight(int Value) { minHeight_ = Value; Changed(); }
  void SetMaxHeight(int Value) { maxHeight_ = Value; Changed(); }
  void Apply(int& Width, int& Height) const;
  TNotifyEvent OnChange;

 private:
  void Changed() { if (OnChange) OnChange(this); }
  int minWidth_ = 0, maxWidth_ = 0, minHeight_ = 0, maxHeight_ = 0;
};

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* AParent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int Value) { SetBounds(Value, top_, width_, height_); }
  void SetTop(int Value) { SetBounds(left_, Value, width_, height_); }
  void SetWidth(int Value) { SetBounds(left_, top_, Value, height_); }
  void SetHeight(int Value) { SetBounds(left_, top_, width_, Value); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
  void SetBoundsRect(const RECT& R) { SetBounds(R.left, R.top, R.right - R.left, R.bottom - R.top); }
  virtual RECT ClientRect();
  int ClientWidth() { RECT r = ClientRect(); return r.right - r.left; }
  int ClientHeight() { RECT r = ClientRect(); return r.bottom - r.top; }
  void SetClientWidth(int Value);
  void SetClientHeight(int Value);
  virtual POINT ClientOrigin();
  POINT ClientToScreen(POINT Point);
  POINT ScreenToClient(POINT Point);

  TAlign Align() const { return align_; }
  void SetAlign(TAlign Value);
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors Value);
  TSizeConstraints* Constraints() const { return constraints_.get(); }

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool Value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and so are all its parents.
  virtual bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool Value);

  std::string Caption() const { return text_; }
  void SetCaption(const std::string& Value) { SetText(Value); }
  std::string Text() const { return GetText(); }
  void SetText(const std::string& Value);

  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* Value) { font_->Assign(Value); }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool Value);
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool Value);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& Value) { hint_ = Value; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool Value) { showHint_ = Value; parentShowHint_ = false; }
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool Value) { parentShowHint_ = Value; }
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int Value) { helpContext_ = Value; }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value);
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* Value);
  TControlStyle ControlStyle() const { return controlStyle_; }
  void SetControlStyle(TControlStyle Value) { controlStyle_ = Value; }
  TControlState ControlState() const { return controlState_; }
  void SetControlState(TControlState Value) { controlState_ = Value; }
  bool MouseCapture() const;
  void SetMouseCapture(bool Value);

  virtual void Invalidate();
  virtual void Update();
  void Repaint();
  void Refresh() { Repaint(); }
  void BringToFront();
  void SendToBack();
  LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam);
  virtual void Click();
  virtual void DblClick();

  // Messages enter here; replace it to subclass, and call the saved value onwards.
  std::function<void(TMessage&)> WindowProc;
  virtual void WndProc(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);

  // Deletes the control once the message being handled returns (safe in its own event).
  void FreeDeferred();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnResize;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TMouseWheelEvent OnMouseWheel;

  // The control the mouse is captured by (a graphic control through its parent).
  static TControl* CaptureControl();

 protected:
  virtual std::string GetText() const { return text_; }
  // Appends to the text kept for Caption, as a control whose text only grows does.
  void AppendTextValue(const std::string& Tail) { text_ += Tail; }
  virtual void SetTextValue(const std::string& Value);
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, POINT MousePos);
  virtual void Resize();
  virtual void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Called when bounds are about to change; may adjust the new size.
  virtual bool CanResize(int& NewWidth, int& NewHeight);
  virtual void FontChanged();
  virtual void ColorChanged();
  virtual void TextChanged();
  virtual void EnabledChanged();
  virtual void VisibleChanged();
  // Asks the parent to lay out its children again.
  void RequestAlign();
  // Keeps the bounds without telling the window system (the window moved itself).
  void UpdateBoundsFrom(int ALeft, int ATop, int AWidth, int AHeight);
  virtual void BoundsChanged(const RECT& Old);
  TCustomForm* ParentForm() const;

  TControlStyle controlStyle_;
  TControlState controlState_;
  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;

 private:
  friend class TWinControl;
  void HandleMouseButton(TMessage& Message, TMouseButton Button, bool Down, bool Double);
  void CaptureAnchorBase();
  void ApplyAnchors(int ParentWidth, int ParentHeight);
  void ShowPopupMenuAt(POINT Screen);

  TAlign align_ = alNone;
  TAnchors anchors_ = {akLeft, akTop};
  std::unique_ptr<TSizeConstraints> constraints_;
  bool visible_ = true;
  bool enabled_ = true;
  std::string text_;
  std::unique_ptr<TFont> font_;
  bool parentFont_ = true;
  TColor color_ = clWindow;
  bool parentColor_ = false;
  std::string hint_;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  TCursor cursor_ = crDefault;
  int helpContext_ = 0;
  TPopupMenu* popupMenu_ = nullptr;
  friend class TControlGuard;
  std::shared_ptr<bool> alive_;  // false once deleted; shared with the guards
  // Anchor base: bounds and parent client size when the control was last placed by hand.
  RECT anchorBounds_{};
  SIZE anchorParent_{-1, -1};
};

// Guards a control across a call that may free it: code that fires an event must not
// touch the control afterwards when the event closed and freed it (a button that closes
// its own form). Made before the call and asked after it; a guard of no control counts
// as gone.
class TControlGuard {
 public:
  TControlGuard() = default;
  explicit TControlGuard(const TControl* control) {
    if (control) alive_ = control->alive_;
  }
  bool Gone() const { return !alive_ || !*alive_; }
  bool Alive() const { return !Gone(); }

 private:
  std::shared_ptr<const bool> alive_;
};
