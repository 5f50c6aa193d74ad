#include "postoffice/Tformnomodgenerateauthoridents.h"

#include "controls/Newcontrol.h"
#include "model/Tauthor.h"
#include "model/Tcommandmessage.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"
#include "postoffice/Tformnewannotation.h"

TFormNomodGenerateAuthorIdents::TFormNomodGenerateAuthorIdents(TComponent* owner) : TForm(owner) {
  SetName("FormNomodGenerateAuthorIdents");
  SetCaption("Expert identifier request");
  SetPosition(poScreenCenter);
  SetClientWidth(420);
  SetClientHeight(320);
  const auto readOnly = [](TMemo& memo) {
    memo.SetReadOnly(true);
    memo.SetScrollBars(ssVertical);
  };
  // A label given its caption here sizes itself to it: only its place is set.
  // clang-format off
  BuildControls(*this, {
      {Into(LabelEMail), "LabelEMail", "", {8, 8, 404, 16}},
      {Into(LabelDiscussion), "LabelDiscussion", "", {8, 28, 404, 16}},
      {Into(MemoAuthorInfo, readOnly), "MemoAuthorInfo", "", {8, 48, 404, 140}},
      {Into(LabelComment), "LabelComment", "", {8, 194}, alNone, "Comment:"},
      {Into(MemoResultComment), "MemoResultComment", "", {8, 212, 404, 66}},
      {Into(ButtonGenerate, AnswerButton(mrYes)), "ButtonGenerate", "", {8, 288, 80, 25}, alNone, "Generate"},
      {Into(ButtonIgnore, AnswerButton(mrNo)), "ButtonIgnore", "", {96, 288, 80, 25}, alNone, "Ignore"},
      {Into(ButtonCancel, AnswerButton(mrCancel)), "ButtonCancel", "", {332, 288, 80, 25}, alNone, "Cancel"},
  });
  // clang-format on
}

bool TFormNomodGenerateAuthorIdents::SetCommandMessage(const TCommandMessageHeader& header, bool& give,
                                                       std::string& comment, const TDiscussion& discussion) {
  LabelEMail->SetCaption(header.GetFieldValue("FROM_USER_EMAIL"));
  LabelDiscussion->SetCaption(discussion.Info.Name.ToString());
  TAuthor author;
  std::string info;
  if (author.DecodeAuthorDataStr(header.GetFieldValue("AUTHOR_DATA")))
    for (const std::string& line : AuthorInfoLines(author, true)) info += line + "\r\n";
  MemoAuthorInfo->SetText(info);
  MemoResultComment->SetText(comment);
  const TModalResult answer = ShowModal();
  if (answer != mrYes && answer != mrNo) return false;
  if (answer == mrNo) give = false;
  comment = MemoResultComment->Text();
  return true;
}
