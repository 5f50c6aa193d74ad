#pragma once
// Text editing controls: TCustomEdit holds the editing engine (caret, selection with
// the mouse and Shift, words with Ctrl, the clipboard, one step of undo, read-only,
// maximum length, letter case, password characters); TEdit is one line, TMemo many
// (lines separated by CR LF in Text, Lines as a list, word wrap, scroll bars, Enter
// and Tab when wanted). The editing itself is the control's default handling of keys,
// so that OnKeyDown and OnKeyPress see the keys first and may swallow them.

#include <string>
#include <vector>

#include "platform/forms/Tbutton.h"
#include "platform/forms/Tcustomcontrol.h"
#include "platform/rtl/Tstrings.h"

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// The formatting rectangle of an edit: the part of the client area its text takes
// (LParam: a RECT*); SETRECTNP does not repaint.
inline constexpr UINT EM_GETRECT = 0x00B2;
inline constexpr UINT EM_SETRECT = 0x00B3;
inline constexpr UINT EM_SETRECTNP = 0x00B4;
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TCustomEdit : public TCustomControl {
 public:
  explicit TCustomEdit(TComponent* AOwner);
  ~TCustomEdit() override;

  int SelStart() const;
  void SetSelStart(int Value);
  int SelLength() const;
  void SetSelLength(int Value);
  std::string SelText() const;
  // Replaces the selection (as typing or pasting does).
  void SetSelText(const std::string& Value);
  void SelectAll();
  void ClearSelection() { SetSelText(""); }
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void Clear() { SetText(""); }
  bool CanUndo() const { return canUndo_; }
  void Undo();
  void ClearUndo() { canUndo_ = false; }

  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool Value) { readOnly_ = Value; }
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int Value) { maxLength_ = Value; }
  TEditCharCase CharCase() const { return charCase_; }
  void SetCharCase(TEditCharCase Value);
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char Value) { passwordChar_ = Value; Invalidate(); }
  bool Modified() const { return modified_; }
  void SetModified(bool Value) { modified_ = Value; }
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool Value) { hideSelection_ = Value; Invalidate(); }
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle Value) { borderStyle_ = Value; RecreateWnd(); }
  // A one-line edit takes the height its font needs when made and when the font changes.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool Value);
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool Value) { autoSelect_ = Value; }

  // The character offset at a client point, and the client point of an offset.
  int CharAtPoint(POINT P);
  POINT PointOfChar(int Offset);

  void DefaultHandler(TMessage& Message) override;
  void WndProc(TMessage& Message) override;

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void SetTextValue(const std::string& Value) override;
  std::string GetText() const override { return text_; }
  bool WantsKey(WORD Key) const override;
  void DoEnter() override;
  virtual void Change();
  void FontChanged() override;
  void BoundsChanged(const RECT& Old) override;

  // Replaces the whole text as an edit by the user does (undo, OnChange), the caret at Caret.
  void SetEditText(const std::string& Value, int Caret);
  // Where a one-line edit puts a text narrower than its text area.
  TAlignment TextAlignment() const { return textAlignment_; }
  void SetTextAlignment(TAlignment Value);
  bool multiLine_ = false;
  bool wordWrap_ = false;
  bool wantReturns_ = false;
  bool wantTabs_ = false;
  TScrollStyle scrollBars_ = ssNone;
  void Relayout();
  // Appends a line to a multi-line text, as a log grows: only the new line is laid out,
  // the caret and the scroll position stay.
  void AppendLine(const std::string& Line);
  const std::string& TextRef() const { return text_; }
  unsigned TextGeneration() const { return generation_; }

 private:
  struct Row {
    int start;
    int length;  // without the line break
  };
  unsigned generation_ = 0;  // raised by every change of the text but an appended line
  // Lays out the rows of the text from `Start`, the start of a line, on.
  void LayoutFrom(size_t Start);
  void Replace(int From, int To, const std::string& With, bool Undoable);
  void MoveCaret(int Offset, bool Extend);
  void ScrollToCaret();
  void UpdateCaret();
  void UpdateScrollBars();
  int RowOf(int Offset) const;
  int RowHeight();
  int TextWidthOf(const std::string& Text, int From, int Count);
  // The text as shown (masked for a password); valid until the text changes.
  const std::string& Shown() const;
  mutable std::string masked_;
  int WordStart(int Offset) const;
  int WordEnd(int Offset) const;
  RECT TextArea();
  void HandleKey(WORD Key);
  void HandleChar(char Ch);
  void Scroll(int Bar, int Code);

  std::string text_;
  int anchor_ = 0;
  int caret_ = 0;
  bool readOnly_ = false;
  int maxLength_ = 0;
  TEditCharCase charCase_ = ecNormal;
  char passwordChar_ = 0;
  bool modified_ = false;
  bool hideSelection_ = true;
  bool autoSelect_ = true;
  bool autoSize_ = true;
  void AdjustHeight();
  TBorderStyle borderStyle_ = bsSingle;
  bool canUndo_ = false;
  std::string undoText_;
  int undoCaret_ = 0;
  std::vector<Row> rows_;
  int topRow_ = 0;
  int scrollX_ = 0;
  int preferredX_ = -1;
  // How far an aligned one-line text stands from the left of the text area.
  int AlignShift();
  TAlignment textAlignment_ = taLeftJustify;
  RECT formatRect_{};
  bool hasFormatRect_ = false;
  bool selecting_ = false;
  HDC measureDc_ = nullptr;
  HGDIOBJ measureOld_ = nullptr;
};

class TEdit : public TCustomEdit {
 public:
  explicit TEdit(TComponent* AOwner);
};

class TMemo;

// The lines of a memo, a view on its text.
class TMemoStrings : public TStrings {
 public:
  explicit TMemoStrings(TMemo* Memo) : memo_(Memo) {}
  // A line added at the end costs that line, not the whole text.
  int Add(const std::string& S) override;
  void Clear() override;
  void Delete(int Index) override;
  void Insert(int Index, const std::string& S) override;
  std::string Text() const override;
  void SetText(const std::string& Value) override;

 protected:
  std::string Get(int Index) const override;
  int GetCount() const override;
  void Put(int Index, const std::string& S) override;

 private:
  std::vector<std::string> Split() const;
  void Join(const std::vector<std::string>& Lines);
  TMemo* memo_;
  // The line breaks counted so far in the memo's text, while only lines were appended to it.
  unsigned countedGeneration_ = ~0u;
  size_t countedSize_ = 0;
  int countedBreaks_ = 0;
};

class TMemo : public TCustomEdit {
  friend class TMemoStrings;

 public:
  explicit TMemo(TComponent* AOwner);
  ~TMemo() override;
  TStrings* Lines() const { return lines_; }
  void SetLines(TStrings* Value) { lines_->Assign(Value); }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool Value) { wordWrap_ = Value; Relayout(); }
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool Value) { wantReturns_ = Value; }
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool Value) { wantTabs_ = Value; }
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle Value);
  // The caret as line and column (0-based).
  POINT CaretPos();

 private:
  TMemoStrings* lines_;
};
