#pragma once
// Window utilities: waiting with the message loop running, centring windows,
// finding and activating a previous instance, the wait cursor, pending messages
// and message boxes.

#include <cstdint>
#include <string>

#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"

// Waits MSecs milliseconds while the application handles its messages; pending
// messages are handled at least once. A tick counter that wraps ends the wait.
void Delay(int64_t MSecs);

// Centres a window on the screen (no resize, no activation, no z-order change),
// kept inside the screen.
void CenterWindow(HWND Wnd);
// A form on the screen (an MDI child within the main form), another control within
// its parent's client area; negative positions become 0.
void CenterControl(TControl* Control);
void ShowWinNoAnimate(HWND Handle, int CmdShow);
void SwitchToWindow(HWND Wnd, bool Restore);
void ActivateWindow(HWND Wnd);
// The top-level window of that class and title (either may be empty, not both).
HWND FindPrevInstance(const std::string& MainFormClass, const std::string& ATitle);
// Brings a previous instance to the front; true when one was found.
bool ActivatePrevInstance(const std::string& MainFormClass, const std::string& ATitle);
// The active window belongs to the calling thread.
bool IsForegroundTask();
// The control under the mouse pointer, disabled ones included.
TControl* ControlAtCursor();
std::string WindowClassName(HWND Wnd);
void ShowMDIClientEdge(HWND ClientHandle, bool ShowEdge);
// Puts a form inside a container control as a borderless child.
void MergeForm(TWinControl* AControl, TForm* AForm, TAlign Align, bool Show);
void ScreenWorkArea(RECT& Rect);
// Removes one pending message of that kind (a removed WM_QUIT is posted again).
void KillMessage(HWND Wnd, UINT Msg);

int MsgBox(const std::string& Caption, const std::string& Text, UINT Flags);
TModalResult MsgDlg(const std::string& Msg, TMsgDlgType AType, TMsgDlgButtons AButtons, int HelpCtx);
void Beep();
// Tells the user that the function is missing and leaves the operation (EAbort).
[[noreturn]] void NotImplemented();

// The wait cursor: StartWait shows it (nesting), the last StopWait puts back the
// cursor the first StartWait found.
extern TCursor WaitCursor;
void StartWait();
void StopWait();
