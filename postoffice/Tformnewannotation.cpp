#include "postoffice/Tformnewannotation.h"

#include "controls/Newcontrol.h"
#include "model/Tauthor.h"
#include "model/Tcommandmessage.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"
#include "platform/forms/Tscreen.h"

std::vector<std::string> AuthorInfoLines(const TAuthor& author, bool withAutomaticEMail) {
  std::vector<std::string> lines{author.GetFullName().ToString(), "private " + author.PrivateEMail.ToString()};
  for (const TStr* text : {&author.Organisation, &author.WebPage, &author.Address, &author.Phones, &author.Degree})
    lines.push_back(text->ToString());
  lines.push_back(std::to_string(author.BirthYear) + " y.b.");
  if (withAutomaticEMail) lines.push_back("automatic " + author.AutomaticEMail.ToString());
  lines.push_back(author.OtherText.ToString());
  return lines;
}

std::function<void(TButton&)> AnswerButton(TModalResult answer) {
  if (answer == mrCancel) return PressedByEscape(mrCancel);
  return [answer](TButton& button) { button.SetModalResult(answer); };
}

TFormNewAnnotation::TFormNewAnnotation(TComponent* owner) : TForm(owner) {
  SetName("FormNewAnnotation");
  SetCaption("NEW ANNOTATION");
  SetPosition(poScreenCenter);
  SetClientWidth(440);
  SetClientHeight(340);
  const auto readOnly = [](TMemo& memo) {
    memo.SetReadOnly(true);
    memo.SetWordWrap(true);
    memo.SetScrollBars(ssVertical);
  };
  // clang-format off
  BuildControls(*this, {
      {Into(LabelPublicPrivate), "LabelPublicPrivate", "", {8, 8, 80, 16}},
      {Into(LabelModelName), "LabelModelName", "", {96, 8, 336, 16}},
      {Into(MemoAnnotation, readOnly), "MemoAnnotation", "", {8, 30, 424, 150}},
      {Into(MemoAuthorInfo, readOnly), "MemoAuthorInfo", "", {8, 186, 424, 114}},
      {Into(Button1, AnswerButton(mrYes)), "Button1", "", {8, 308, 80, 25}, alNone, "Request"},
      {Into(Button3, AnswerButton(mrNo)), "Button3", "", {96, 308, 80, 25}, alNone, "Ignore"},
      {Into(Button2, AnswerButton(mrCancel)), "Button2", "", {352, 308, 80, 25}, alNone, "Cancel"},
  });
  // clang-format on
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
  const TModalResult answer = ShowModal();
  if (answer != mrYes && answer != mrNo) return false;
  request = answer == mrYes;
  return true;
}
