#include "commands/Tformannotation.h"

#include "controls/Newcontrol.h"
#include "foundation/Guihooks.h"
#include "foundation/Runexternalbrowser.h"
#include "foundation/Tlogin.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tclipboard.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"
#include "platform/forms/Tpanel.h"
#include "platform/forms/Tscreen.h"
#include "platform/rtl/Tdatetime.h"

namespace {

const TAuthor* AuthorWith(const TDiscussion& d, uint16_t adident) {
  const int i = d.Authors.FindAuthorByADIdent(adident);
  return i < 0 ? nullptr : &d.Authors.Author(i);
}

std::string LoginEMail(uint16_t ident) {
  TLoginsStorage* logins = LoginsStorage();
  const int i = logins ? logins->FindLogin(ident) : -1;
  return i < 0 ? std::string() : logins->GetLogin(i).AutomaticEMail.ToString();
}

}  // namespace

bool IsValidModelNick(const std::string& nick) {
  for (char c : nick)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-'))
      return false;
  return true;
}

void TFormAnnotationListener::Listen(const TListenMessage& message) {
  if (message.Code == Notify_Deactivated) fDialog.RefreshLinks();
}

TFormAnnotation::TFormAnnotation(TComponent* owner) : TForm(owner) {
  SetName("FormAnnotation");
  SetClientWidth(480);
  SetClientHeight(360);
  SetKeyPreview(true);
  const auto hidden = [](TControl& control) { control.Hide(); };
  const auto disabled = [](TControl& control) { control.SetEnabled(false); };
  const auto borderless = [](TEdit& edit) { edit.SetBorderStyle(bsNone); };
  const auto changed = [this] {
    if (!fFilling) Changed();
  };
  const auto secret = [this] {
    if (fFilling) return;
    Changed();
    const bool isSecret = CheckBoxPrivateDiscussion->Checked();
    CheckBoxGiveCommandsSubscribersOnly->SetVisible(!isSecret);
    CheckBoxViaWebOnlyDefault->SetVisible(!isSecret);
  };
  // A label with a caption takes the size of its text.
  // clang-format off
  BuildControls(*this, {
      {Into(EditMonographyName), "EditMonographyName", "", {8, 8, 464, 21}},
      {Into(MemoAnnotation), "MemoAnnotation", "", {8, 36, 464, 150}},
      {Into(EditMonographyNick, borderless), "EditMonographyNick", "", {8, 194, 200, 21}},
      {Into(EditAuthors), "EditAuthors", "", {216, 194, 256, 21}},
      {Into(LabelShareDateName, hidden), "LabelShareDateName", "", {8, 222}, alNone, "Publication date:"},
      {Into(LabelShareDateValue, hidden), "LabelShareDateValue", "", {112, 222, 100, 16}},
      {Into(LabelLeaderCaption), "LabelLeaderCaption", "", {8, 242, 100, 16}},
      {Into(LabelLeaderEMail), "LabelLeaderEMail", "", {112, 242, 360, 16}},
      {Into(LabelSubscribed, hidden), "LabelSubscribed", "", {8, 262}, alNone, "Subscribed"},
      {Into(CheckBoxPrivateDiscussion, disabled), "CheckBoxPrivateDiscussion", "", {8, 282, 140, 17}, alNone, "Secret",
       secret},
      {Into(CheckBoxShowRecipients, hidden), "CheckBoxShowRecipients", "", {160, 282, 140, 17}, alNone,
       "Show recipients", changed},
      {Into(CheckBoxViaWebOnlyDefault, hidden), "CheckBoxViaWebOnlyDefault", "", {160, 302, 140, 17}, alNone,
       "Via Web only", changed},
      {Into(CheckBoxGiveCommandsSubscribersOnly, hidden), "CheckBoxGiveCommandsSubscribersOnly", "",
       {320, 282, 140, 17}, alNone, "Subscribers only", changed},
      {Into(PanelModelURL, hidden), "PanelModelURL", "", {8, 326, 150, 24}, alNone, "Model Web-site"},
      {Into(PanelDiscussionURL, hidden), "PanelDiscussionURL", "", {164, 326, 150, 24}, alNone, "Discussion Web-site"},
      {Into(ButtonOk, hidden), "ButtonOk", "", {320, 328, 72, 23}, alNone, "OK", [this] { OkClicked(); }},
      {Into(ButtonCancel, PressedByEscape()), "ButtonCancel", "", {400, 328, 72, 23}, alNone, "Cancel",
       [this] { CancelClicked(); }},
  });
  // clang-format on
  // The texts are shown for reading until the leader edits them; every change is heard.
  for (TCustomEdit* edit : std::initializer_list<TCustomEdit*>{EditMonographyName, MemoAnnotation, EditMonographyNick,
                                                               EditAuthors}) {
    edit->SetReadOnly(true);
    edit->SetColor(clBtnFace);
    edit->OnChange = [this, edit](TObject*) {
      if (fFilling) return;
      Changed();
      edit->Repaint();
    };
  }
  for (TPanel* panel : {PanelModelURL, PanelDiscussionURL}) {
    panel->OnMouseMove = [this, panel](TObject*, TShiftState, int x, int y) { LinkMouseMove(panel, x, y); };
    panel->OnMouseDown = [this, panel](TObject*, TMouseButton button, TShiftState, int, int) {
      LinkMouseDown(panel, button == mbLeft);
    };
  }
  OnKeyDown = [this](TObject*, WORD& key, TShiftState) {
    if (!fEditMode && key != VK_ESCAPE) SetModalResult(mrCancel);
  };
  OnDeactivate = [this](TObject*) { RefreshLinks(); };
}

TFormAnnotation::~TFormAnnotation() { fListener.reset(); }

void TFormAnnotation::Fill(TDiscussion& d) {
  fDiscussion = &d;
  fFilling = true;
  fListener = std::make_unique<TFormAnnotationListener>(*this);
  const TDiscussionInfo& info = d.Info;
  if (!d.IsModelAuthor() && !d.IsModerator()) {
    LabelSubscribed->SetVisible(info.Subscribed != 0);
  } else if (d.IsLeader()) {
    CheckBoxShowRecipients->SetVisible(true);
    CheckBoxShowRecipients->SetChecked(info.ShowRecipients != 0);
    CheckBoxViaWebOnlyDefault->SetChecked(info.ViaWebOnly != 0);
    CheckBoxViaWebOnlyDefault->SetVisible(info.Secret == 0);
  }
  CheckBoxGiveCommandsSubscribersOnly->SetVisible(d.IsLeader() && info.Secret == 0);
  CheckBoxGiveCommandsSubscribersOnly->SetChecked(info.SubscribersOnly != 0);
  if (TDiscussionsManager* manager = d.Manager) SetCaption(manager->GetFolderPath(d.FolderIndex).ToString());
  EditMonographyName->SetText(info.Name.ToString());
  MemoAnnotation->SetText(info.Annotation.ToString());
  EditMonographyNick->SetText(d.GetModelFolderName().ToString());
  const int modelAuthor = d.Authors.FindAuthorByADIdent(d, ModelAuthorADIdent, true);
  const TAuthor* model = modelAuthor < 0 ? nullptr : &d.Authors.Author(modelAuthor);
  if (model) EditAuthors->SetText(model->GetFullName().ToString());
  fEditMode = model && model->LIdent == CurrentModelLogin().LIdent && !info.IsModerated();
  if (fEditMode) {
    for (TCustomEdit* edit : std::initializer_list<TCustomEdit*>{MemoAnnotation, EditMonographyNick}) {
      edit->SetReadOnly(false);
      edit->SetColor(clWindow);
    }
    EditMonographyNick->SetBorderStyle(bsSingle);
    CheckBoxPrivateDiscussion->SetEnabled(true);
    ButtonOk->SetVisible(true);
  }
  if (info.ShareDate != 0) {
    LabelShareDateName->SetVisible(true);
    LabelShareDateValue->SetVisible(true);
    LabelShareDateValue->SetCaption(FormatDateTime("mm'/'dd'/'yy", TDateTime(info.ShareDate)));
  }
  const TAuthor* discussionAuthor = AuthorWith(d, 1);
  if (info.IsModerated()) {
    LabelLeaderCaption->SetCaption("Moderator:");
    std::string text = LoginEMail(info.ModeratorLoginIdent);
    if (discussionAuthor && !discussionAuthor->PrivateEMail.IsEmpty())
      text += " / " + discussionAuthor->PrivateEMail.ToString();
    LabelLeaderEMail->SetCaption(text);
  } else if (model) {
    LabelLeaderCaption->SetCaption("Author:");
    std::string text = model->AutomaticEMail.ToString();
    if (!model->PrivateEMail.IsEmpty() && model->PrivateEMail != "@") text += " (" + model->PrivateEMail.ToString() + ")";
    LabelLeaderEMail->SetCaption(text);
  }
  CheckBoxPrivateDiscussion->SetChecked(info.Secret != 0);
  PanelModelURL->SetVisible(model && !model->WebPage.IsEmpty());
  PanelDiscussionURL->SetVisible(discussionAuthor && !discussionAuthor->WebPage.IsEmpty());
  fChanged = false;
  fFilling = false;
}

void TFormAnnotation::OkClicked() {
  TDiscussionInfo& info = fDiscussion->Info;
  if (CheckBoxShowRecipients->Visible()) info.ShowRecipients = CheckBoxShowRecipients->Checked() ? 1 : 0;
  if (CheckBoxViaWebOnlyDefault->Visible()) info.ViaWebOnly = CheckBoxViaWebOnlyDefault->Checked() ? 1 : 0;
  if (!CheckBoxPrivateDiscussion->Checked())
    info.SubscribersOnly = CheckBoxGiveCommandsSubscribersOnly->Checked() ? 1 : 0;
  if (fEditMode) {
    if (!IsValidModelNick(EditMonographyNick->Text())) {
      ShowMessageBox("ILLEGAL MODEL NICK", "Model nick can contain only latin letters, digits and symbols '_' and '-'!");
      if (EditMonographyNick->CanFocus()) EditMonographyNick->SetFocus();
      return;
    }
    info.Name = TStr(EditMonographyName->Text());
    info.ModelFolderName = TStr(EditMonographyNick->Text());
    info.Annotation = TStr(MemoAnnotation->Text());
    info.Secret = CheckBoxPrivateDiscussion->Checked() ? 1 : 0;
  }
  SetModalResult(mrOk);
}

void TFormAnnotation::CancelClicked() {
  if (fChanged &&
      ShowMessageBox("CLOSE DISCUSSION INFO", "There are some changes; do you want to discard changes?", "", "Yes|No",
                     0) != 0)
    return;
  SetModalResult(mrCancel);
}

std::string TFormAnnotation::LinkAddress(TPanel* panel) const {
  if (!fDiscussion) return {};
  const TAuthor* author = AuthorWith(*fDiscussion, panel == PanelModelURL ? ModelAuthorADIdent : 1);
  return author ? author->WebPage.ToString() : std::string();
}

void TFormAnnotation::LinkMouseMove(TPanel* panel, int x, int y) {
  const bool inside = x >= 0 && y >= 0 && x < panel->Width() && y < panel->Height();
  if (!inside) {
    RefreshLinks();
    return;
  }
  if (!panel->MouseCapture()) panel->SetMouseCapture(true);
  TFontStyles style;
  style.Include(fsUnderline);
  panel->Font()->SetStyle(style);
  Screen->SetCursor(crHandPoint);
}

void TFormAnnotation::LinkMouseDown(TPanel* panel, bool left) {
  const std::string address = LinkAddress(panel);
  if (address.empty()) return;
  if (left) RunExternalBrowser(address);
  else Clipboard()->SetAsText(address);
}

void TFormAnnotation::RefreshLinks() {
  for (TPanel* panel : {PanelModelURL, PanelDiscussionURL}) {
    if (panel->MouseCapture()) panel->SetMouseCapture(false);
    panel->Font()->SetStyle(TFontStyles());
  }
  Screen->SetCursor(crDefault);
}
