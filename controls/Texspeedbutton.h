#pragma once
// A window-less push button with a caption and a glyph of up to five state images:
// it can stay down as a member of a group, be flat (a frame only while the mouse is
// over it), transparent, repeat its click while held, and drop a popup menu.

#include <string>

#include "controls/Texbuttonglyph.h"

// Tells the other buttons of a group (WParam: group index, LParam: the button as a
// TControl*) that one went down.
inline constexpr UINT CM_EXBUTTONPRESSED = 0xB051;

class TExSpeedButton : public TGraphicControl {
 public:
  explicit TExSpeedButton(TComponent* AOwner);
  ~TExSpeedButton() override;

  void Click() override;
  // A press made by the program: down for a moment, then Click.
  void ButtonClick();
  bool CheckBtnMenuDropDown();
  bool CheckMenuDropDown(POINT Pos, bool Manual);
  // Where the drop-down menu opens, in client coordinates.
  POINT GetDropDownMenuPos();
  void UpdateTracking();
  void WndProc(TMessage& Message) override;

  TExButtonState State() const { return state_; }
  bool MouseInControl() const { return mouseInControl_; }
  TAlignment Alignment() const { return glyph_->Alignment(); }
  void SetAlignment(TAlignment Value);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool Value);
  bool AllowTimer() const { return allowTimer_; }
  void SetAllowTimer(bool Value);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int Value);
  bool Down() const { return down_; }
  void SetDown(bool Value);
  TPopupMenu* DropDownMenu() const { return dropDownMenu_; }
  void SetDropDownMenu(TPopupMenu* Value);
  TExDropDownMenuPos MenuPosition() const { return menuPosition_; }
  void SetMenuPosition(TExDropDownMenuPos Value) { menuPosition_ = Value; }
  bool Flat() const { return flat_; }
  void SetFlat(bool Value);
  TBitmap* Glyph() const { return glyph_->Glyph(); }
  void SetGlyph(TBitmap* Value);
  bool GrayedInactive() const { return grayedInactive_; }
  void SetGrayedInactive(bool Value);
  int InitPause() const { return initPause_; }
  void SetInitPause(int Value) { initPause_ = static_cast<uint16_t>(Value); }
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout Value);
  int Margin() const { return margin_; }
  void SetMargin(int Value);
  bool MarkDropDown() const { return markDropDown_; }
  void SetMarkDropDown(bool Value);
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult Value) { modalResult_ = Value; }
  int NumGlyphs() const { return glyph_->NumGlyphs(); }
  void SetNumGlyphs(int Value);
  int RepeatInterval() const { return repeatInterval_; }
  void SetRepeatInterval(int Value) { repeatInterval_ = static_cast<uint16_t>(Value); }
  int Spacing() const { return spacing_; }
  void SetSpacing(int Value);
  TButtonStyle Style() const { return style_; }
  void SetStyle(TButtonStyle Value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool Value);
  bool WordWrap() const { return glyph_->WordWrap(); }
  void SetWordWrap(bool Value);
  TExButtonGlyph* ButtonGlyph() const { return glyph_; }
  TTimer* RepeatTimer() const { return repeatTimer_; }

 protected:
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  virtual void PaintGlyph(TCanvas* Canvas, const RECT& ARect, TExButtonState AState, bool DrawMark);
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  virtual void MouseEnter();
  virtual void MouseLeave();
  void EnabledChanged() override;
  void VisibleChanged() override;
  bool InsideBtn(int X, int Y) const;
  bool Dragging() const { return dragging_; }
  bool MenuTracking() const { return menuTracking_; }

 private:
  void DoMouseUp(TMouseButton Button, int X, int Y);
  void TimerExpired(TObject* Sender);
  void UpdateExclusive();
  void ButtonPressed(TMessage& Message);
  void MakeStateGlyph();
  void SetMouseInControl(bool Value);

  int groupIndex_ = 0;
  TButtonStyle style_ = bsAutoDetect;
  TExButtonGlyph* glyph_;
  TBitmap* drawImage_;
  bool down_ = false;
  bool dragging_ = false;
  bool flat_ = false;
  bool mouseInControl_ = false;
  bool allowAllUp_ = false;
  TButtonLayout layout_ = blGlyphTop;
  int spacing_ = 1;
  int margin_ = -1;
  TModalResult modalResult_ = 0;
  bool transparent_ = false;
  bool markDropDown_ = true;
  TPopupMenu* dropDownMenu_ = nullptr;
  TExDropDownMenuPos menuPosition_ = dmpBottom;
  bool grayedInactive_ = true;
  TTimer* repeatTimer_ = nullptr;
  bool allowTimer_ = false;
  uint16_t initPause_ = 500;
  uint16_t repeatInterval_ = 100;
  bool menuTracking_ = false;
  TExButtonState state_ = rbsUp;
};
