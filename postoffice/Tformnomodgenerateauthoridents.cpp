#include "postoffice/Tformnomodgenerateauthoridents.h"

#include "model/Tauthor.h"
#include "model/Tcommandmessage.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"
#include "postoffice/Tformnewannotation.h"

namespace {

template <class T>
T* Make(TForm* form, const char* name, int left, int top, int width, int height) {
  T* control = new T(form);
  control->SetName(name);
  control->SetParent(form);
  control->SetBounds(left, top, width, height);
  return control;
}

}  // namespace

TFormNomodGenerateAuthorIdents::TFormNomodGenerateAuthorIdents(TComponent* owner) : TForm(owner) {
  SetName("FormNomodGenerateAuthorIdents");
  SetCaption("Expert identifier request");
  SetPosition(poScreenCenter);
  SetClientWidth(420);
  SetClientHeight(320);
  LabelEMail = Make<TLabel>(this, "LabelEMail", 8, 8, 404, 16);
  LabelDiscussion = Make<TLabel>(this, "LabelDiscussion", 8, 28, 404, 16);
  MemoAuthorInfo = Make<TMemo>(this, "MemoAuthorInfo", 8, 48, 404, 140);
  MemoAuthorInfo->SetReadOnly(true);
  MemoAuthorInfo->SetScrollBars(ssVertical);
  LabelComment = Make<TLabel>(this, "LabelComment", 8, 194, 404, 16);
  LabelComment->SetCaption("Comment:");
  MemoResultComment = Make<TMemo>(this, "MemoResultComment", 8, 212, 404, 66);
  ButtonGenerate = Make<TButton>(this, "ButtonGenerate", 8, 288, 80, 25);
  ButtonGenerate->SetCaption("Generate");
  ButtonGenerate->OnClick = [this](TObject*) {
    fAnswer = 1;
    SetModalResult(mrOk);
  };
  ButtonIgnore = Make<TButton>(this, "ButtonIgnore", 96, 288, 80, 25);
  ButtonIgnore->SetCaption("Ignore");
  ButtonIgnore->OnClick = [this](TObject*) {
    fAnswer = 2;
    SetModalResult(mrOk);
  };
  ButtonCancel = Make<TButton>(this, "ButtonCancel", 332, 288, 80, 25);
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
