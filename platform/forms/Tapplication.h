#pragma once
// TApplication: the program's message loop and what belongs to the whole program: the
// main form (closing it ends the loop), the title, idle processing, message filters,
// exceptions that escape an event (shown in a message box), message boxes and help.

#include <atomic>
#include <functional>
#include <string>

#include "platform/forms/Controlmessages.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Tcomponent.h"

class TCustomForm;
class TForm;

using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;
using TExceptionEvent = std::function<void(TObject* Sender, Exception& E)>;
using THelpEvent = std::function<bool(WORD Command, intptr_t Data, bool& CallHelp)>;

inline constexpr WORD HELP_CONTEXT = 0x0001;
inline constexpr WORD HELP_QUIT = 0x0002;
inline constexpr WORD HELP_FINDER = 0x000B;

class TApplication : public TComponent {
 public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  void Initialize() {}
  // Makes a form owned by the application; the first one made becomes the main form.
  template <class T>
  void CreateForm(T*& Reference) {
    Reference = new T(this);
    FormCreated(Reference);
  }
  void Run();
  void ProcessMessages();
  // Handles one message, or idles when there is none.
  void HandleMessage();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Back to a fresh state (for a program that runs the loop again, and for tests):
  // the quit request that Terminate posted goes too.
  void ResetTerminated();

  TForm* MainForm() const { return mainForm_; }
  void SetMainForm(TForm* Value) { mainForm_ = Value; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& Value) { title_ = Value; }
  std::string ExeName() const;
  HWND Handle() const { return nullptr; }
  bool Active() const { return active_; }
  // Whether Run shows the main form (a hidden main form is never put on the screen).
  bool ShowMainForm() const { return showMainForm_; }
  void SetShowMainForm(bool Value) { showMainForm_ = Value; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool Value) { showHint_ = Value; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& Value);
  int HintPause() const { return hintPause_; }
  void SetHintPause(int Value) { hintPause_ = Value; }
  void CancelHint() {}

  // A message box with its buttons (MB_*); returns the button pressed (ID*).
  int MessageBox(const std::string& Text, const std::string& Caption, UINT Flags = 0);
  // What happens to an exception that escaped an event: OnException, else a message box.
  void HandleException(Exception& E, TObject* Sender = nullptr);
  // Inside a catch block: handles the exception being caught, as raised by Sender.
  void HandleException(TObject* Sender);
  void ShowException(Exception& E);

  const std::string& HelpFile() const { return helpFile_; }
  void SetHelpFile(const std::string& Value) { helpFile_ = Value; }
  bool HelpContext(intptr_t Context);
  bool HelpCommand(WORD Command, intptr_t Data);
  // The help request last made, for tests and for a help viewer.
  intptr_t LastHelpContext() const { return lastHelpContext_; }

  // Windows of the program are disabled around a modal form, and enabled again after.
  void ModalStarted() { ++modalLevel_; }
  void ModalFinished() { --modalLevel_; }
  int ModalLevel() const { return modalLevel_; }

  TIdleEvent OnIdle;
  TMessageEvent OnMessage;
  TExceptionEvent OnException;
  THelpEvent OnHelp;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnHint;

  // The program as a whole became active or inactive (a form of another program came first).
  void ActiveChanged(bool Active);

 private:
  void FormCreated(TCustomForm* Form);
  bool ProcessMessage(MSG& Msg);
  void Idle();

  std::atomic<bool> terminated_{false};  // read by worker threads too
  bool active_ = false;
  bool showHint_ = true;
  bool showMainForm_ = true;
  TForm* mainForm_ = nullptr;
  std::string title_;
  std::string hint_;
  std::string helpFile_;
  intptr_t lastHelpContext_ = 0;
  int hintPause_ = 500;
  int modalLevel_ = 0;
};

extern TApplication* Application;
