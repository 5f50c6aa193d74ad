#pragma once
// A reader's request for author identifiers (GENERATE_AUTHOR_IDENTS) shown to the leader
// of a discussion without a moderator: who asks, for which discussion, with what data,
// and the comment that goes back with the answer. Every text is shown as text.

#include "platform/forms/Tform.h"

#include <string>

class TButton;
class TCommandMessageHeader;
class TDiscussion;
class TLabel;
class TMemo;

class TFormNomodGenerateAuthorIdents : public TForm {
 public:
  explicit TFormNomodGenerateAuthorIdents(TComponent* owner);

  // Shows the request; "Generate" answers true keeping give, "Ignore" true with give
  // cleared, "Cancel" and closing false. On true the comment is the result comment's text.
  bool SetCommandMessage(const TCommandMessageHeader& header, bool& give, std::string& comment,
                         const TDiscussion& discussion);

  TLabel* LabelEMail;
  TLabel* LabelDiscussion;
  TMemo* MemoAuthorInfo;
  TLabel* LabelComment;
  TMemo* MemoResultComment;
  TButton* ButtonGenerate;
  TButton* ButtonIgnore;
  TButton* ButtonCancel;
};
