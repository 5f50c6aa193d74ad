#pragma once
// The pointer engine's coordinator: one hidden form per process that wants the engine.
// The coordinators of all processes find each other by window class and caption and
// agree by posted messages which one works; the working one owns the engine form and
// knows the processes it serves.

#include <cstdint>
#include <string>

#include "platform/forms/Forms.h"

class TFormMain;
class TMemo;

inline constexpr UINT WM_VOX_TASKLIST_SUPPRESSED = WM_USER + 1;
inline constexpr UINT WM_VOX_HOTKEY_SUPPRESSED = WM_USER + 2;
inline constexpr UINT WM_VOX_START = WM_USER + 3;
inline constexpr UINT WM_VOX_RESCAN = WM_USER + 4;

extern const char* const kCaptionSysWorking;
extern const char* const kCaptionSysPaused;
extern const char* const kCaptionAppWorking;
extern const char* const kCaptionAppPaused;
extern const char* const kCaptionClosing;

class TFormStart_Cursorwright : public TForm {
 public:
  static constexpr int kMaxServed = 99;

  explicit TFormStart_Cursorwright(TComponent* AOwner);
  ~TFormStart_Cursorwright() override;

  void StartEngine();
  void StopEngine();
  void RescanServedProcesses();
  void UpdateCaption();
  bool IsServedWindowUnderCursor() const;
  void AppMessage(MSG& Msg, bool& Handled);

  TFormMain* Engine() const { return engine_; }
  bool ServeAllProcesses() const { return serveAllProcesses_; }
  int ServedCount() const { return servedCount_; }
  uint32_t ServedProcessId(int Index) const { return servedProcessIds_[Index]; }
  bool IsAppVariant() const { return isAppVariant_; }
  TMemo* MemoProcesses() const { return memoProcesses_; }
  TTimer* TimerHideWindows() const { return timerHideWindows_; }
  TCheckBox* CheckBoxAppVersion() const { return checkBoxAppVersion_; }
  std::string ProcessIdText() const;
  // Appends a served process (for the enumeration of instances).
  void AddServedProcess(uint32_t ProcessId);

 protected:
  void WndProc(TMessage& Message) override;

 private:
  TPanel* panelHeader_;
  TPanel* panelAux_;
  TLabel* labelProcessId_;
  TMemo* memoProcesses_;
  TCheckBox* checkBoxAppVersion_;
  TTimer* timerHideWindows_;
  TFormMain* engine_ = nullptr;
  bool serveAllProcesses_ = false;
  uint32_t servedProcessIds_[kMaxServed] = {};
  int servedCount_ = 0;
  bool isAppVariant_ = false;
  TMessageEvent previousOnMessage_;
};

// The coordinator of this process; null while the engine is switched off.
extern TFormStart_Cursorwright* _FormStart_Cursorwright;
// Switches the engine of this process on (creates the coordinator) or off (destroys it).
void StartStopCursorwright(bool On);
// Hex texts of process ids as the coordinator shows them: 8 digits, upper case.
std::string ProcessIdHex(uint32_t Id);
