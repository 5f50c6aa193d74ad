#include "foundation/Guihooks.h"

#include "platform/kernel/Codepage.h"
#include "platform/rtl/Strutil.h"

#include <cstdio>

namespace {
TGuiHooks gHooks;
}  // namespace

void SetGuiHooks(const TGuiHooks& hooks) { gHooks = hooks; }
const TGuiHooks& GuiHooks() { return gHooks; }

int ShowMessageBox(const std::string& caption, const std::string& message, const std::string& third,
                   const std::string& buttons, int defaultButton) {
  if (gHooks.ShowMessageBox) return gHooks.ShowMessageBox(caption, message, third, buttons, defaultButton);
  std::string text = caption + ": " + message + (third.empty() ? "" : "\n" + third);
  // A box may quote what came by mail: nothing of it may steer the terminal.
  std::fprintf(stderr, "%s\n", platform::AnsiToUtf8(EscapeControlChars(text, LineEnds::Kept)).c_str());
  return defaultButton;
}

bool InputString(const std::string& caption, const std::string& prompt, const std::string& proposal,
                 std::string& result, bool option) {
  if (gHooks.InputString) return gHooks.InputString(caption, prompt, proposal, result, option);
  return false;
}

TInputAnswer InputStringOrButton(const std::string& caption, const std::string& prompt, const std::string& proposal,
                                 std::string& result, bool option, const std::string& button) {
  if (gHooks.InputStringOrButton) return gHooks.InputStringOrButton(caption, prompt, proposal, result, option, button);
  return InputString(caption, prompt, proposal, result, option) ? TInputAnswer::Ok : TInputAnswer::Cancelled;
}

TWaitingNotice::TWaitingNotice(const std::string& caption, const std::string& text) : fCaption(caption) { Tell(text); }

TWaitingNotice::~TWaitingNotice() {
  if (gHooks.ShowWaiting) gHooks.ShowWaiting(fCaption, std::string());
}

void TWaitingNotice::Tell(const std::string& text) {
  if (gHooks.ShowWaiting && !text.empty()) gHooks.ShowWaiting(fCaption, text);
}
