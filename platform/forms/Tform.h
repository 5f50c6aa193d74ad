#pragma once
// Forms: top-level windows that hold controls. A form is built in code (its
// constructor makes the controls), shown modeless with Show or modal with ShowModal
// (loops nest; the other forms are disabled meanwhile), and closed with Close, which
// asks OnCloseQuery and lets OnClose choose what closing does (hide, minimize, free
// — freeing is deferred until the message being handled returns). Enter and Escape
// press the default and cancel buttons, Tab moves the focus in tab order.

#include <string>
#include <vector>

#include "platform/forms/Tcanvas.h"
#include "platform/forms/Tcustomcontrol.h"

class TMainMenu;
class TMenuItem;

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition {
  poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
  poMainFormCenter, poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = TSet<TFormStateItem>;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TCustomForm : public TCustomControl {
 public:
  // Cuts a framed form to the screen's work area and moves it into it.
  void KeepOnWorkArea();
  // Centres the form over a window (the one that asked for it), where the desktop keeps
  // it; over the screen when there is no such window or it is hidden or minimised.
  void CentreOver(HWND Window);
  // Puts the form where the program chose on purpose (over the window it belongs to): the
  // desktop keeps it there, within the work area, instead of choosing a place of its own.
  void PlaceAt(const RECT& Bounds);
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle Value);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons Value);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle Value);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition Value) { position_ = Value; }
  TWindowState WindowState() const;
  void SetWindowState(TWindowState Value);
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool Value) { keyPreview_ = Value; }
  // The help file whose topics the form's help contexts name.
  const std::string& HelpFile() const { return helpFile_; }
  void SetHelpFile(const std::string& Value) { helpFile_ = Value; }
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* Control);
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult Value) { modalResult_ = Value; }
  TFormState FormState() const { return formState_; }
  bool Active() const { return active_; }
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* Value);
  // The button pressed by Enter, and the one pressed by Escape.
  TControl* DefaultButton() const;

  void Show();
  void Hide() { SetVisible(false); }
  TModalResult ShowModal();
  void Close();
  bool CloseQuery();
  // Frees the form once the messages already queued are handled.
  void Release();
  void SetVisible(bool Value) override;
  void FocusControl(TWinControl* Control);
  void SetFocusedControl(TWinControl* Control);
  void SetFocus() override;
  bool SetFocusedControlIsSelf() const { return activeControl_ == nullptr; }
  // Runs OnCreate once (forms made through Application->CreateForm, or first shown).
  void DoCreate();
  bool DoKeyDown(WORD& Key, TShiftState Shift);
  bool DoKeyUp(WORD& Key, TShiftState Shift);
  bool DoKeyPress(char& Key);
  void ControlRemoved(TControl* Control);
  // A key with its shift state that a menu item of the form's menu answers (its item is clicked).
  bool IsShortCut(WORD Key, TShiftState Shift);
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void WndProc(TMessage& Message) override;
  bool Showing() const override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Paint() override;
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& Action);
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void KeyPress(char& Key) override;

 private:
  void ApplyPosition();
  void CentreOver(const RECT& area);
  void PlaceOver(HWND owner);
  static class TToolBar* MenuToolBar(TWinControl* Within);
  void ShowWindowNow();
  void DialogKey(TMessage& Message);
  void Activated(bool Active);
  void CloseModal();
  void SelectFirst();
  std::vector<HWND> DisableOtherWindows();

  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_ = {biSystemMenu, biMinimize, biMaximize};
  TFormStyle formStyle_ = fsNormal;
  TPosition position_ = poDesigned;
  TWindowState windowState_ = wsNormal;
  bool keyPreview_ = false;
  std::string helpFile_;
  TWinControl* activeControl_ = nullptr;
  TModalResult modalResult_ = mrNone;
  TFormState formState_;
  bool active_ = false;
  bool created_ = false;
  bool positioned_ = false;
  TMainMenu* menu_ = nullptr;
};

class TForm : public TCustomForm {
 public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

// The form a control is on, or null.
TCustomForm* GetParentForm(TControl* Control);
