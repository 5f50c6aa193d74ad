#pragma once
// Message boxes and input boxes, drawn as forms of this library: a message with the
// button set of the flags (MB_OK, MB_OKCANCEL, MB_YESNO, MB_YESNOCANCEL ...), a beep
// of the icon's kind, Enter on the default button and Escape on the cancelling one.
// Their buttons are named "OK", "Cancel", "Yes", "No", "Abort", "Retry", "Ignore",
// "All", "NoToAll", "YesToAll", "Help"; an input box has the edit "Value".

#include <string>

#include "platform/forms/Tbutton.h"
#include "platform/forms/Tform.h"
#include "platform/gui/Sysmetrics.h"

inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr UINT MB_YESNOCANCEL = 0x00000003;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_RETRYCANCEL = 0x00000005;
inline constexpr UINT MB_TYPEMASK = 0x0000000F;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr UINT MB_ICONMASK = 0x000000F0;
inline constexpr UINT MB_DEFBUTTON1 = 0x00000000;
inline constexpr UINT MB_DEFBUTTON2 = 0x00000100;
inline constexpr UINT MB_DEFBUTTON3 = 0x00000200;
inline constexpr UINT MB_DEFMASK = 0x00000F00;
inline constexpr UINT MB_APPLMODAL = 0x00000000;
inline constexpr UINT MB_TASKMODAL = 0x00002000;
inline constexpr UINT MB_SETFOREGROUND = 0x00010000;
inline constexpr UINT MB_TOPMOST = 0x00040000;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
inline const TMsgDlgButtons mbYesNoCancel = {mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbOKCancel = {mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore = {mbAbort, mbRetry, mbIgnore};

class TLabel;

// The form of a message box: its message, its buttons, the result.
class TMessageForm : public TForm {
 public:
  TMessageForm(const std::string& Text, const std::string& Caption, TMsgDlgButtons Buttons, int DefaultIndex,
               int HelpContext);
  const std::string& Message() const { return message_; }
  // The buttons in their order.
  std::vector<TButton*> Buttons() const { return buttons_; }

 private:
  std::string message_;
  std::vector<TButton*> buttons_;
};

// The client width at which a desktop's frame shows the whole caption beside its buttons.
int CaptionClientWidth(TFont* font, const std::string& caption);
// A message box with the flags of MB_*; returns ID*.
int ShowMessageBox(const std::string& Text, const std::string& Caption, UINT Flags);
TModalResult MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
void ShowMessage(const std::string& Msg);
// Asks for a text; true when OK was pressed (Value then holds the text).
bool InputQuery(const std::string& ACaption, const std::string& APrompt, std::string& Value);
std::string InputBox(const std::string& ACaption, const std::string& APrompt, const std::string& ADefault);
