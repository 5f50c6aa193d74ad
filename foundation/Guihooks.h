#pragma once
// The foundation's windows (the error window, message boxes, the input box)
// belong to the application's user interface, which registers them here when
// it starts. Until it does, texts go to the terminal and the default answer is
// taken. Texts are in the program's code page.

#include <string>

// What the input dialog with a further button answered.
enum class TInputAnswer { Cancelled, Ok, Button };

struct TGuiHooks {
  // Shows the error window for a reported text; its buttons call TError::RequestTerminate.
  void (*ShowErrorWindow)(const std::string& text) = nullptr;
  // A message box: caption, message, a third text under the message, button captions
  // separated by '|', the default button. Returns the index of the pressed button.
  int (*ShowMessageBox)(const std::string& caption, const std::string& message, const std::string& third,
                        const std::string& buttons, int defaultButton) = nullptr;
  // A one-line input dialog; true on OK with the text in `result`.
  bool (*InputString)(const std::string& caption, const std::string& prompt, const std::string& proposal,
                      std::string& result, bool option) = nullptr;
  // The input dialog with one more button, captioned `button`, beside OK and Cancel.
  TInputAnswer (*InputStringOrButton)(const std::string& caption, const std::string& prompt,
                                      const std::string& proposal, std::string& result, bool option,
                                      const std::string& button) = nullptr;
  // Tells in one line what the program waits for (a server's answer), with the busy
  // pointer, until it is called with an empty text; the caption names the question the
  // waiting belongs to.
  void (*ShowWaiting)(const std::string& caption, const std::string& text) = nullptr;
};

// Registers the hooks (all of them at once; null members fall back to the terminal).
void SetGuiHooks(const TGuiHooks& hooks);
const TGuiHooks& GuiHooks();

int ShowMessageBox(const std::string& caption, const std::string& message, const std::string& third = "",
                   const std::string& buttons = "OK", int defaultButton = 0);
bool InputString(const std::string& caption, const std::string& prompt, const std::string& proposal,
                 std::string& result, bool option = false);
// The input dialog with a further button; `result` holds the text on Ok and on Button.
// Where no dialog offers the button, the plain input dialog is asked.
TInputAnswer InputStringOrButton(const std::string& caption, const std::string& prompt, const std::string& proposal,
                                 std::string& result, bool option, const std::string& button);

// A step the user waits for, told while the object lives (nothing where no window or
// terminal is registered); Tell says what it waits for now.
class TWaitingNotice {
 public:
  TWaitingNotice(const std::string& caption, const std::string& text);
  ~TWaitingNotice();
  TWaitingNotice(const TWaitingNotice&) = delete;
  TWaitingNotice& operator=(const TWaitingNotice&) = delete;
  void Tell(const std::string& text);

 private:
  std::string fCaption;
};
