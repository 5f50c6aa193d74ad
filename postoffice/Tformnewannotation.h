#pragma once
// The announcement of a discussion (NEW_ANNOTATION) shown to a possible reader: secret or
// public, its name, its annotation and its author. Every text is shown as text.

#include "platform/forms/Tform.h"

#include <functional>
#include <string>
#include <vector>

class TButton;
class TCommandMessageHeader;
class TLabel;
class TMemo;
struct TAuthor;

class TFormNewAnnotation : public TForm {
 public:
  explicit TFormNewAnnotation(TComponent* owner);

  // Shows the announcement; "Request" answers true with request set, "Ignore" true with
  // request clear, "Cancel" and closing false.
  bool Execute(const TCommandMessageHeader& header, bool& request);

  TLabel* LabelPublicPrivate;
  TLabel* LabelModelName;
  TMemo* MemoAnnotation;
  TMemo* MemoAuthorInfo;
  TButton* Button1;  // "Request"
  TButton* Button3;  // "Ignore"
  TButton* Button2;  // "Cancel"
};

// An author's data one item a line, as the announcement and the identifier request show
// them; the automatic e-mail only when asked for.
std::vector<std::string> AuthorInfoLines(const TAuthor& author, bool withAutomaticEMail);

// The tuning of an answer button of the announcement and of the identifier request, whose
// modal result is the answer: yes, no, or cancel, which Escape presses too.
std::function<void(TButton&)> AnswerButton(TModalResult answer);
