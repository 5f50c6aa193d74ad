#pragma once
// TExCheckListBox: the owner-drawn list box with a check mark before every item:
// check boxes (with an optional third, grayed state), radio buttons (at most one
// checked) or plain check marks. Items can be disabled one by one, and the states can
// be saved to and restored from an ini file or the registry, directly or through a
// form placement storage.

#include <memory>
#include <set>

#include "controls/Texcustomlistbox.h"
#include "controls/Tformplacement.h"
#include "platform/forms/Tbutton.h"

enum TCheckKind { ckCheckBoxes, ckRadioButtons, ckCheckMarks };
using TCheckListEvent = std::function<void(TObject* Sender, int Index)>;

class TIniFile;
class TRegIniFile;

// The state kept with each item, in its data slot of the list window.
class TCheckListBoxItem : public TObject {
 public:
  LONG_PTR Data = 0;
  TCheckBoxState State = cbUnchecked;
  bool Enabled = true;
};

// Exchanging or moving items takes their states along.
class TCheckListBoxStrings : public TListBoxStrings {
 public:
  using TListBoxStrings::TListBoxStrings;
  void Exchange(int Index1, int Index2) override;
  void Move(int CurIndex, int NewIndex) override;
};

class TExCheckListBox : public TExCustomListBox {
 public:
  explicit TExCheckListBox(TComponent* AOwner);
  ~TExCheckListBox() override;

  TCheckBoxState State(int Index);
  void SetState(int Index, TCheckBoxState Value);
  bool Checked(int Index);
  void SetChecked(int Index, bool Value) { SetState(Index, Value ? cbChecked : cbUnchecked); }
  bool ItemEnabled(int Index);
  void SetItemEnabled(int Index, bool Value);
  bool AllowGrayed() const { return allowGrayed_ && checkKind_ != ckRadioButtons; }
  void SetAllowGrayed(bool Value) { allowGrayed_ = Value; }
  TCheckKind CheckKind() const { return checkKind_; }
  void SetCheckKind(TCheckKind Value);
  // The checked radio button, -1 for other kinds or none; setting checks max(Index, 0).
  int CheckedIndex();
  void SetCheckedIndex(int Value);
  // Every item (the enabled ones only when asked) to a state; not for radio buttons.
  void ApplyState(TCheckBoxState AState, bool EnabledOnly);
  // The click of a user on an item's check: the next state in turn.
  void ToggleClickCheck(int Index);
  int CheckWidth() const;
  TFormPlacement* IniStorage() const { return iniLink_->Storage(); }
  void SetIniStorage(TFormPlacement* Value) { iniLink_->SetStorage(Value); }

  // States under "Count" and "Item0", "Item1" ... of the box's default section.
  void SaveStates(TIniFile* IniFile);
  void RestoreStates(TIniFile* IniFile);
  void SaveStatesReg(TRegIniFile* IniFile);
  void RestoreStatesReg(TRegIniFile* IniFile);

  LONG_PTR GetItemData(int Index) override;
  void SetItemData(int Index, LONG_PTR AData) override;
  void DeleteString(int Index) override;
  void ResetContent() override;
  void WndProc(TMessage& Message) override;

  TNotifyEvent OnClickCheck;
  TCheckListEvent OnStateChange;

 protected:
  TStrings* CreateItemList() override;
  int GetItemWidth(int Index) override;
  void DrawItem(int Index, RECT Rect, TOwnerDrawState State) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void FontChanged() override;
  void Loaded() override;
  virtual void ClickCheck();
  virtual void ChangeItemState(int Index);

 private:
  friend class TCheckListBoxStrings;
  TCheckListBoxItem* FindItem(int Index);
  TCheckListBoxItem* ItemOf(int Index);
  // Takes the item's object out of its slot (the caller owns it), or puts one in.
  TCheckListBoxItem* TakeItem(int Index);
  void PutItem(int Index, TCheckListBoxItem* Item);
  void FreeItem(TCheckListBoxItem* Item);
  void InvalidateItem(int Index);
  void UpdateCheckStates();
  void ResetItemHeight();
  void SaveStatesTo(TObject* Ini, const std::string& Section);
  void RestoreStatesFrom(TObject* Ini, const std::string& Section);
  void IniSave();
  void IniLoad();
  void DrawCheck(const RECT& R, TCheckBoxState AState, bool AEnabled);

  bool allowGrayed_ = false;
  TCheckKind checkKind_ = ckCheckBoxes;
  std::set<TCheckListBoxItem*> items_;
  bool inUpdate_ = false;
  std::unique_ptr<TIniLink> iniLink_;
};
