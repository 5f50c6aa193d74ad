#include "postoffice/Tformnomodgenerateauthoridents.h"

#include "dialogs/Newcontrol.h"
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
  LabelEMail = NewControl<TLabel>(this, this, "LabelEMail", 8, 8, 404, 16);
  LabelDiscussion = NewControl<TLabel>(this, this, "LabelDiscussion", 8, 28, 404, 16);
  MemoAuthorInfo = NewControl<TMemo>(this, this, "MemoAuthorInfo", 8, 48, 404, 140);
  MemoAuthorInfo->SetReadOnly(true);
  MemoAuthorInfo->SetScrollBars(ssVertical);
  LabelComment = NewControl<TLabel>(this, this, "LabelComment", 8, 194, 404, 16);
  LabelComment->SetCaption("Comment:");
  MemoResultComment = NewControl<TMemo>(this, this, "MemoResultComment", 8, 212, 404, 66);
  ButtonGenerate = NewControl<TButton>(this, this, "ButtonGenerate", 8, 288, 80, 25);
  ButtonGenerate->SetCaption("Generate");
  ButtonGenerate->OnClick = [this](TObject*) {
    fAnswer = 1;
    SetModalResult(mrOk);
  };
  ButtonIgnore = NewControl<TButton>(this, this, "ButtonIgnore", 96, 288, 80, 25);
  ButtonIgnore->SetCaption("Ignore");
  ButtonIgnore->OnClick = [this](TObject*) {
    fAnswer = 2;
    SetModalResult(mrOk);
  };
  ButtonCancel = NewControl<TButton>(this, this, "ButtonCancel", 332, 288, 80, 25);
  ButtonCancel->SetCaption("Cancel");
  ButtonCancel->SetCancel(true);
  ButtonCancel->OnClick = [this](TObject*) {
    fAnswer = 0;
    SetModalResult(mrCancel);
  };
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
  fAnswer = 0;
  ShowModal();
  if (fAnswer == 0) return false;
  if (fAnswer == 2) give = false;
  comment = MemoResultComment->Text();
  return true;
}
