#include "app/Terminaldialogs.h"

#include "app/Tstartupdriver.h"
#include "foundation/Guihooks.h"
#include "foundation/Tlogin.h"
#include "platform/kernel/Console.h"
#include "platform/rtl/Strutil.h"

#include <string>
#include <vector>

namespace {

// A box's texts may quote what came by mail: nothing of them may steer the terminal.
void WriteShown(const std::string& text) { platform::WriteConsole(EscapeControlChars(text, LineEnds::Kept)); }

std::vector<std::string> SplitButtons(const std::string& buttons) {
  std::vector<std::string> result;
  size_t from = 0;
  for (;;) {
    const size_t bar = buttons.find('|', from);
    std::string caption = buttons.substr(from, bar == std::string::npos ? std::string::npos : bar - from);
    std::string plain;
    for (char c : caption)
      if (c != '&') plain += c;  // accelerator marks mean nothing here
    result.push_back(plain);
    if (bar == std::string::npos) return result;
    from = bar + 1;
  }
}

int MessageBoxOnTerminal(const std::string& caption, const std::string& message, const std::string& third,
                         const std::string& buttons, int defaultButton) {
  std::string text = caption + ": " + message + "\n";
  if (!third.empty()) text += third + "\n";
  const std::vector<std::string> choices = SplitButtons(buttons);
  if (choices.size() < 2) {
    WriteShown(text);
    return defaultButton;
  }
  for (size_t i = 0; i < choices.size(); ++i) text += "  " + std::to_string(i + 1) + ". " + choices[i] + "\n";
  WriteShown(text);
  for (;;) {
    platform::WriteConsole("Your choice [" + std::to_string(defaultButton + 1) + "]: ");
    std::string answer;
    const bool answered = platform::ReadConsoleLine(answer, false);
    if (!answered || !platform::ConsoleIsTerminal()) platform::WriteConsole("\n");
    if (!answered || answer.empty()) return defaultButton;
    if (answer.size() <= 2 && answer.find_first_not_of("0123456789") == std::string::npos) {
      const int chosen = std::stoi(answer);
      if (chosen >= 1 && chosen <= static_cast<int>(choices.size())) return chosen - 1;
    }
  }
}

bool InputStringOnTerminal(const std::string& caption, const std::string& prompt, const std::string& proposal,
                           std::string& result, bool hidden) {
  std::string question = caption + ": " + prompt;
  if (!proposal.empty() && !hidden) question += " [" + proposal + "]";
  WriteShown(question + " ");
  std::string line;
  const bool answered = platform::ReadConsoleLine(line, hidden);
  // A person's Enter ends the line on a terminal; piped answers leave no trace there.
  if (!answered || !platform::ConsoleIsTerminal()) platform::WriteConsole("\n");
  if (!answered) return false;
  result = line.empty() && !hidden ? proposal : line;
  return true;
}

void ShowWaitingOnTerminal(const std::string& caption, const std::string& text) {
  if (!text.empty()) WriteShown(caption + ": " + text + "\n");
}

}  // namespace

void RegisterTerminalDialogs() {
  TGuiHooks hooks;
  hooks.ShowMessageBox = MessageBoxOnTerminal;
  hooks.InputString = InputStringOnTerminal;
  hooks.ShowWaiting = ShowWaitingOnTerminal;
  SetGuiHooks(hooks);  // the error window: its report on the terminal
}

void PrepareTerminalStartup(TStartupDriver& driver) {
  RegisterTerminalDialogs();
  driver.Hooks.ShowReadme = nullptr;
  driver.Hooks.Started = [&driver] {
    const TLogin* login = driver.Logins()->GetCurrentLogin();
    platform::WriteConsole((login ? login->Name.ToString() : std::string()) +
                           " is logged in. Quillaran runs without a screen; Ctrl+C ends it.\n");
  };
}

void TellNoLoginOnTerminal() { platform::WriteConsole("The login was not given; Quillaran ends.\n"); }
