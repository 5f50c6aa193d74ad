#pragma once
// Answers the foundation's dialogs from a script while a test runs: input boxes by
// their prompt (an answer or a cancel, in order), message boxes recorded with their
// caption and text. An input box the script does not answer fails the test and is
// cancelled, so nothing waits for a person.

#include "foundation/Guihooks.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

class TScriptedDialogs {
 public:
  struct Shown {
    std::string Caption, Message;
  };

  TScriptedDialogs() {
    Current() = this;
    TGuiHooks hooks;
    hooks.InputString = &Input;
    hooks.ShowMessageBox = &Box;
    SetGuiHooks(hooks);
  }
  ~TScriptedDialogs() {
    SetGuiHooks(TGuiHooks());
    Current() = nullptr;
  }

  // The next answer to the input box with that prompt; Cancel() cancels it.
  void Answer(const std::string& prompt, const std::string& text) { fAnswers[prompt].push_back(text); }
  void Cancel(const std::string& prompt) { fAnswers[prompt].push_back(std::nullopt); }

  std::vector<Shown> Boxes;
  std::vector<std::string> Prompts;  // every input box asked, in order

  bool Showed(const std::string& caption, const std::string& messagePart) const {
    for (const Shown& s : Boxes)
      if (s.Caption == caption && s.Message.find(messagePart) != std::string::npos) return true;
    return false;
  }
  // Answers still waiting (a test usually expects none).
  size_t Unused() const {
    size_t n = 0;
    for (const auto& [prompt, answers] : fAnswers) n += answers.size();
    return n;
  }

 private:
  static TScriptedDialogs*& Current() {
    static TScriptedDialogs* current = nullptr;
    return current;
  }
  static bool Input(const std::string&, const std::string& prompt, const std::string&, std::string& result, bool) {
    TScriptedDialogs* self = Current();
    self->Prompts.push_back(prompt);
    auto it = self->fAnswers.find(prompt);
    if (it == self->fAnswers.end() || it->second.empty()) {
      ADD_FAILURE() << "unscripted input box: " << prompt;
      return false;
    }
    std::optional<std::string> answer = it->second.front();
    it->second.pop_front();
    if (!answer) return false;
    result = *answer;
    return true;
  }
  static int Box(const std::string& caption, const std::string& message, const std::string&, const std::string&,
                 int defaultButton) {
    Current()->Boxes.push_back({caption, message});
    return defaultButton;
  }

  std::map<std::string, std::deque<std::optional<std::string>>> fAnswers;
};
