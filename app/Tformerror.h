#pragma once
// The error window: the reported text and the two ways out, "Terminate Quillaran" and
// "Terminate and reload Quillaran". Either asks the program to stop at the next test of
// the error state (and, for the second, to start again with "/ReRun"); closing the window
// otherwise lets the program go on with the error reported.

#include "platform/forms/Tform.h"

#include <string>

class TMemo;

inline constexpr const char* ProductName = "Quillaran";

class TFormError : public TForm {
 public:
  explicit TFormError(TComponent* owner);
  // Shows the text modally.
  void Execute(const std::string& text);

 private:
  TMemo* fText;
};

// The error window for one report (the hook of the error state); the discussions the error
// did not reach are saved first, and the window says which were saved and which kept.
void ShowErrorWindow(const std::string& text);
