#pragma once
// The announcement of a discussion (NEW_ANNOTATION) shown to a possible reader: secret or
// public, its name, its annotation and its author. Every text is shown as text.

#include "platform/forms/Tform.h"

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
  TButton* Button1;
  TButton* Button3;
  TButton* Button2;

 private:
  int fAnswer = 0;  // 1 request, 2 ignore
};

// An author's data one item a line, as the announcement and the identifier request show
// them; the automatic e-mail only when asked for.
std::vector<std::string> AuthorInfoLines(const TAuthor& author, bool withAutomaticEMail);
