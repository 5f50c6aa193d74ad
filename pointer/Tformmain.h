#pragma once
// The pointer engine proper: a 20 ms poll of the keyboard turns the Windows keys into
// the main mouse button, the Applications key into the aux button, and Left Ctrl with
// Esc into the task list. It exists while its coordinator works.

#include <cstdint>
#include <string>

#include "platform/forms/Forms.h"
#include "pointer/Tkeysnapshot.h"
#include "pointer/Tscrollerinfo.h"

class TCurrencyEdit;
class TExTrayIcon;
class TFormStart_Cursorwright;

class TFormMain : public TForm {
 public:
  explicit TFormMain(TFormStart_Cursorwright* AOwner);
  ~TFormMain() override;

  void PollKeyboard();
  // Scroll emulation: the window under the pointer and its bars, fixed when the scroll
  // key goes down; each later poll turns the pointer's movement into positions.
  void FindScrollTarget();
  void StartScrolling();
  void VerticalStep();
  void HorizontalStep();
  bool Wheeling() const { return wheeling_; }
  const TScrollerInfo& Vertical() const { return vertical_; }
  const TScrollerInfo& Horizontal() const { return horizontal_; }
  void SwitchToDragEmulationOnly();
  void Log(const std::string& Line);

  TMemo* MemoKeys() const { return memoKeys_; }
  TTimer* TimerReTestKeyboard() const { return timerReTestKeyboard_; }
  TExTrayIcon* ExTrayIcon() const { return exTrayIcon_; }
  bool MainDown() const { return mainDown_; }
  bool AuxDown() const { return auxDown_; }
  bool Scrolling() const { return scrolling_; }
  bool HookSet() const { return hookSet_; }
  bool DragEmulationOnly() const { return dragEmulationOnly_; }
  int Speed() const { return speed_; }
  // The "block taskmenu" and "unblock taskmenu" buttons.
  void BlockTaskMenu();
  void UnblockTaskMenu();
  // The test labels: red for each key down and each emulation on, else black.
  void PaintTestLabels(const TKeySnapshot& Keys);
  TLabel* KeyLabel(int Key) const { return keyLabels_[Key]; }
  TLabel* LabelMainClick() const { return labelMainClick_; }
  TLabel* LabelAuxClick() const { return labelAuxClick_; }
  TLabel* LabelScrolling() const { return labelScrolling_; }
  TCheckBox* CheckBoxIndicateThumb() const { return checkBoxIndicateThumb_; }
  // The tray menu's items: "Display window" shows this window and the application's
  // main window; "ReadMe" opens the engine's read-me in the desktop's browser.
  void DisplayWindow();
  void LaunchReadMe();

 private:
  void WheelStep();
  using SetHookProc = uint8_t (*)(HWND, unsigned);
  using FreeHookProc = uint8_t (*)();

  void TimerReTestKeyboardTimer();
  bool LoadHookLibrary();
  static bool NextState(bool Was, bool DownNow, bool DownBefore, TFormStart_Cursorwright* Coordinator);

  TFormStart_Cursorwright* coordinator_;
  TMemo* memoKeys_;
  TTimer* timerReTestKeyboard_;
  TCurrencyEdit* currencyEditDeltaSr_;
  TCurrencyEdit* currencyEditTicksDiff_;
  TCheckBox* checkBoxIndicateThumb_;
  TCheckBox* checkBoxCursorSyncWithThumbs_;
  TCheckBox* checkBoxTrackEmulOnly_;
  TExTrayIcon* exTrayIcon_;
  TLabel* keyLabels_[TKeySnapshot::Count] = {};
  TLabel* labelMainClick_;
  TLabel* labelAuxClick_;
  TLabel* labelScrolling_;
  TKeySnapshot previous_;
  bool mainDown_ = false, auxDown_ = false, scrolling_ = false;
  uint64_t lastSampleTime_ = 0;
  int lastSampleY_ = 0;
  int speed_ = 0;
  bool dragEmulationOnly_ = false;
  bool debugRun_ = false;
  bool buttonsSwapped_ = false;
  void* hookLibrary_ = nullptr;
  SetHookProc setHook_ = nullptr;
  FreeHookProc freeHook_ = nullptr;
  bool hookSet_ = false;
  bool firstShow_ = true;
  int startX_ = 0, startY_ = 0;
  double accumulatedY_ = 0;
  int lastX_ = 0, lastY_ = 0;
  int startThumbX_ = 0, startThumbY_ = 0;
  // Another program's window has no bars the engine can read: it scrolls by wheel notches
  // sent to it, the pointer held where the scroll began.
  bool wheeling_ = false;
  POINT wheelAt_{};
  POINT polledCursor_{};  // where the pointer was at the end of the last poll
  double wheelX_ = 0, wheelY_ = 0;  // movement not yet sent as notches
  HWND windowUnderCursor_ = nullptr;
  TScrollTargetInfo target_;
  TScrollerInfo vertical_, horizontal_;
  double averageDelta_ = 0;
  double pages_ = 1.0;
};

// The hook library the engine loads: "Leafsnare.dll" beside the program, or
// "../Leafsnare/Leafsnare.dll" from the program's folder when started with /DebugRun.
std::string HookLibraryName(bool DebugRun);
// Replaces the library's file (a test's build of it); empty restores the default.
void SetHookLibraryOverride(const std::string& Path);
// The engine's read-me, beside the program.
inline constexpr const char* kEngineReadMeName = "ReadMe.htm";
