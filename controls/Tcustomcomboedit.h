#pragma once
// Edits with a small button inside their right edge and an optional popup window
// that drops down below them: the base of the numeric, date, calculator and file
// edits. TComboEdit is the plain form with an OnButtonClick event and no popup.

#include <functional>
#include <string>

#include "controls/Texspeedbutton.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"
#include "platform/rtl/Variant.h"

RTL_EXCEPTION(EComboEditError, Exception);

enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };
enum TPopupAlign { epaRight, epaLeft };

class TCustomComboEdit;

// A window that drops down from a combo edit without taking the activation from its
// form; a left click inside it accepts its value.
class TPopupWindow : public TCustomControl {
 public:
  explicit TPopupWindow(TCustomComboEdit* AOwner);
  virtual Variant GetValue() = 0;
  virtual void SetValue(const Variant& Value) = 0;
  virtual void CloseUp(bool Accept);
  virtual std::string GetPopupText() { return std::string(); }
  // Shows the window with its top-left corner at a screen point.
  void Show(POINT Origin);
  void Hide();
  // Repaints the editor's text at once.
  void InvalidateEditor();
  TCustomComboEdit* Editor() const { return editor_; }
  std::function<void(TObject* Sender, bool Accept)> OnCloseUp;
  void WndProc(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  TCustomComboEdit* editor_;
};

// The button of a combo edit.
class TEditButton : public TExSpeedButton {
 public:
  TEditButton(TComponent* AOwner, TCustomComboEdit* Editor);
  void Click() override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  TCustomComboEdit* editor_;
  bool noAction_ = false;
};

class TCustomComboEdit : public TMaskEdit {
 public:
  explicit TCustomComboEdit(TComponent* AOwner);
  ~TCustomComboEdit() override;

  // The button's click: ButtonClick unless the edit is read-only (see AlwaysEnable).
  void DoClick();
  // Selects the text when it may be typed.
  void SelectAll();
  bool PopupVisible() const;
  void PopupCloseUp(TObject* Sender, bool Accept);
  void WndProc(TMessage& Message) override;

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment Value);
  std::string ButtonHint() const { return button_->Hint(); }
  void SetButtonHint(const std::string& Value) { button_->SetHint(Value); }
  int ButtonWidth() const { return button_->Width(); }
  void SetButtonWidth(int Value);
  // Whether the button's width differs from what its glyph kind gives by itself.
  bool BtnWidthStored() const;
  TShortCut ClickKey() const { return clickKey_; }
  void SetClickKey(TShortCut Value) { clickKey_ = Value; }
  bool DirectInput() const { return directInput_; }
  void SetDirectInput(bool Value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value);
  bool AlwaysEnable() const { return alwaysEnable_; }
  void SetAlwaysEnable(bool Value) { alwaysEnable_ = Value; }
  TGlyphKind GlyphKind() const { return glyphKind_; }
  void SetGlyphKind(TGlyphKind Value);
  TBitmap* Glyph() const { return button_->Glyph(); }
  void SetGlyph(TBitmap* Value);
  int NumGlyphs() const { return button_->NumGlyphs(); }
  void SetNumGlyphs(int Value);
  TPopupAlign PopupAlign() const { return popupAlign_; }
  void SetPopupAlign(TPopupAlign Value) { popupAlign_ = Value; }
  TEditButton* Button() const { return button_; }
  TWinControl* ButtonHolder() const { return btnControl_; }
  TPopupWindow* Popup() const { return popup_; }
  TNotifyEvent OnButtonClick;

 protected:
  virtual TBitmap* GetDefaultBitmap(bool& DestroyNeeded);
  virtual void PopupDropDown(bool DisableEdit);
  virtual void ShowPopup(POINT Origin);
  virtual void HidePopup();
  virtual bool AcceptPopup(Variant& Value);
  virtual void AcceptValue(const Variant& Value);
  virtual void SetPopupValue(const Variant& Value);
  virtual Variant GetPopupValue();
  virtual void PopupChange() {}
  virtual bool GetReadOnly() const { return readOnly_; }
  virtual void ButtonClick();
  bool EditCanModify() const { return !readOnly_; }
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Change() override;
  void DoEnter() override;
  bool WantsKey(WORD Key) const override;
  void CreateWnd() override;
  void BoundsChanged(const RECT& Old) override;
  void FontChanged() override;
  void EnabledChanged() override;
  // The caret the edit shows again after its popup closed.
  void SetShowCaret();
  void UpdatePopupVisible();
  void RecreateGlyph();
  void SetEditRect();
  void UpdateBtnBounds();
  int GetTextHeight();
  int GetMinHeight();
  // Fires OnChange.
  void DoChange() { TMaskEdit::Change(); }

  TPopupWindow* popup_ = nullptr;
  uint8_t defNumGlyphs_ = 1;
  bool focused_ = false;

 private:
  void Close(bool Accept, bool TakeFocus);

  TEditButton* button_;
  TCustomControl* btnControl_;
  TShortCut clickKey_ = scAlt | VK_DOWN;
  bool readOnly_ = false;
  bool directInput_ = true;
  bool alwaysEnable_ = false;
  TAlignment alignment_ = taLeftJustify;
  bool popupVisible_ = false;
  TPopupAlign popupAlign_ = epaRight;
  TGlyphKind glyphKind_ = gkCustom;
};

class TComboEdit : public TCustomComboEdit {
 public:
  explicit TComboEdit(TComponent* AOwner) : TCustomComboEdit(AOwner) {}
};

// The text margins of an edit: where its first character stands in the client area.
POINT EditorTextMargins(TCustomComboEdit* Editor);
// Paints an edit's text itself (aligned, beside the button) unless StandardPaint asks
// the edit to paint as usual; true when it painted.
bool PaintComboEdit(TCustomComboEdit* Editor, const std::string& AText, TAlignment AAlignment, bool StandardPaint,
                    TCanvas* ACanvas);
