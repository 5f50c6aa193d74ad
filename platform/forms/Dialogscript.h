#pragma once
// Scripted answers to modal forms, for tests. While a DialogScript lives, every modal
// form (message boxes and input boxes included) asks it first: the first waiting
// answer whose match is the form's caption, its class name or (for a message box) its
// message takes the form, sets its controls by name and presses a named button, so
// that the form's own handlers run. A modal form with no answer waiting, or one the
// answer left open, is reported as a failure and closed with mrCancel at once
// instead of waiting for input that never comes.

#include <functional>
#include <string>
#include <utility>
#include <vector>

class TCustomForm;
class TComponent;

namespace platform {

class DialogScript {
 public:
  using Action = std::function<void(TCustomForm& Form)>;
  DialogScript();
  ~DialogScript();
  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;

  // Answers the next modal form that Match names with an action of the test's own.
  DialogScript& Answer(const std::string& Match, Action Do);
  // Sets controls by name (text of edits and memos, "1"/"0" for check and radio
  // boxes, the item text of list and combo boxes), then presses the named button.
  DialogScript& Press(const std::string& Match, const std::string& Button,
                      std::vector<std::pair<std::string, std::string>> Fields = {});

  // Answers not used yet.
  size_t Pending() const { return answers_.size(); }
  // Caption of every modal form met, in order.
  const std::vector<std::string>& Seen() const { return seen_; }
  // Failures reported (unanswered or left-open forms).
  const std::vector<std::string>& Failures() const { return failures_; }
  // Called with each failure; the default prints it and aborts the program.
  std::function<void(const std::string& What)> OnFailure;

 private:
  friend void AnswerModal(TCustomForm& Form);
  friend void ModalLeftOpen(TCustomForm& Form);
  struct Entry {
    std::string match;
    Action action;
  };
  std::vector<Entry> answers_;
  std::vector<std::string> seen_;
  std::vector<std::string> failures_;
  DialogScript* outer_ = nullptr;
  void Fail(const std::string& What);
};

bool DialogScriptActive();
// Called by ShowModal once the form is shown.
void AnswerModal(TCustomForm& Form);
// Called by ShowModal when the answer did not close the form.
void ModalLeftOpen(TCustomForm& Form);

// The component of that name on the form, at any depth of ownership or parentage.
TComponent* FindNamed(TCustomForm& Form, const std::string& Name);
// Sets a control's value from text as Press does; false when there is no such control.
bool SetControlValue(TCustomForm& Form, const std::string& Name, const std::string& Value);
// Clicks the named control; false when there is none.
bool PressControl(TCustomForm& Form, const std::string& Name);

}  // namespace platform
