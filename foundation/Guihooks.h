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
