#include "postoffice/Tformnewannotation.h"

#include "dialogs/Newcontrol.h"
#include "model/Tauthor.h"
#include "model/Tcommandmessage.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"
#include "platform/forms/Tscreen.h"

namespace {

TMemo* ReadOnlyMemo(TForm* form, const char* name, int top, int height) {
  TMemo* memo = NewControl<TMemo>(form, form, name, 8, top, 424, height);
  memo->SetReadOnly(true);
  memo->SetWordWrap(true);
  memo->SetScrollBars(ssVertical);
  return memo;
}

}  // namespace

std::vector<std::string> AuthorInfoLines(const TAuthor& author, bool withAutomaticEMail) {
  std::vector<std::string> lines{author.GetFullName().ToString(), "private " + author.PrivateEMail.ToString()};
  for (const TStr* text : {&author.Organisation, &author.WebPage, &author.Address, &author.Phones, &author.Degree})
    lines.push_back(text->ToString());
  lines.push_back(std::to_string(author.BirthYear) + " y.b.");
  if (withAutomaticEMail) lines.push_back("automatic " + author.AutomaticEMail.ToString());
  lines.push_back(author.OtherText.ToString());
  return lines;
}

TFormNewAnnotation::TFormNewAnnotation(TComponent* owner) : TForm(owner) {
  SetName("FormNewAnnotation");
  SetCaption("NEW ANNOTATION");
  SetPosition(poScreenCenter);
  SetClientWidth(440);
  SetClientHeight(340);
  LabelPublicPrivate = NewControl<TLabel>(this, this, "LabelPublicPrivate", 8, 8, 80, 16);
  LabelModelName = NewControl<TLabel>(this, this, "LabelModelName", 96, 8, 336, 16);
  MemoAnnotation = ReadOnlyMemo(this, "MemoAnnotation", 30, 150);
  MemoAuthorInfo = ReadOnlyMemo(this, "MemoAuthorInfo", 186, 114);
  Button1 = NewControl<TButton>(this, this, "Button1", 8, 308, 80, 25);
  Button1->SetCaption("Request");
  Button1->OnClick = [this](TObject*) {
    fAnswer = 1;
    SetModalResult(mrOk);
  };
  Button3 = NewControl<TButton>(this, this, "Button3", 96, 308, 80, 25);
  Button3->SetCaption("Ignore");
  Button3->OnClick = [this](TObject*) {
    fAnswer = 2;
    SetModalResult(mrOk);
  };
  Button2 = NewControl<TButton>(this, this, "Button2", 352, 308, 80, 25);
  Button2->SetCaption("Cancel");
  Button2->SetCancel(true);
  Button2->OnClick = [this](TObject*) {
    fAnswer = 0;
    SetModalResult(mrCancel);
  };
  OnShow = [this](TObject*) {
    if (Screen->Width() < 801) SetWindowState(wsMaximized);
  };
}

bool TFormNewAnnotation::Execute(const TCommandMessageHeader& header, bool& request) {
  MemoAnnotation->SetText(header.GetAnnotationField());
  LabelPublicPrivate->SetCaption(header.GetFieldValue("PRIVATE_REQ") == "0" ? "public" : "secret");
  LabelModelName->SetCaption(header.GetFieldValue("MODEL_NAME"));
  TAuthor author;
  std::string info;
  if (author.DecodeAuthorDataStr(header.GetFieldValue("AUTHOR_DATA")))
    for (const std::string& line : AuthorInfoLines(author, header.GetFieldValue("MODERATED") != "1"))
      info += line + "\r\n";
  MemoAuthorInfo->SetText(info);
  fAnswer = 0;
  ShowModal();
  if (fAnswer == 0) return false;
  request = fAnswer == 1;
  return true;
}
