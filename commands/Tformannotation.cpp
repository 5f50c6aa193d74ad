#include "commands/Tformannotation.h"

#include "dialogs/Newcontrol.h"
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

TCheckBox* MakeCheck(TForm* form, const char* name, const char* caption, int left, int top) {
  TCheckBox* box = NewControl<TCheckBox>(form, form, name, left, top, 140, 17);
  box->SetCaption(caption);
  return box;
}

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
  if (message.Code == 1) fDialog.RefreshLinks();
}

TFormAnnotation::TFormAnnotation(TComponent* owner) : TForm(owner) {
  SetName("FormAnnotation");
  SetClientWidth(480);
  SetClientHeight(360);
  SetKeyPreview(true);
  EditMonographyName = NewControl<TEdit>(this, this, "EditMonographyName", 8, 8, 464, 21);
  MemoAnnotation = NewControl<TMemo>(this, this, "MemoAnnotation", 8, 36, 464, 150);
  EditMonographyNick = NewControl<TEdit>(this, this, "EditMonographyNick", 8, 194, 200, 21);
  EditAuthors = NewControl<TEdit>(this, this, "EditAuthors", 216, 194, 256, 21);
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
  EditMonographyNick->SetBorderStyle(bsNone);
  LabelShareDateName = NewControl<TLabel>(this, this, "LabelShareDateName", 8, 222, 100, 16);
  LabelShareDateName->SetCaption("Publication date:");
  LabelShareDateValue = NewControl<TLabel>(this, this, "LabelShareDateValue", 112, 222, 100, 16);
  LabelLeaderCaption = NewControl<TLabel>(this, this, "LabelLeaderCaption", 8, 242, 100, 16);
  LabelLeaderEMail = NewControl<TLabel>(this, this, "LabelLeaderEMail", 112, 242, 360, 16);
  LabelSubscribed = NewControl<TLabel>(this, this, "LabelSubscribed", 8, 262, 100, 16);
  LabelSubscribed->SetCaption("Subscribed");
  CheckBoxPrivateDiscussion = MakeCheck(this, "CheckBoxPrivateDiscussion", "Secret", 8, 282);
  CheckBoxShowRecipients = MakeCheck(this, "CheckBoxShowRecipients", "Show recipients", 160, 282);
  CheckBoxViaWebOnlyDefault = MakeCheck(this, "CheckBoxViaWebOnlyDefault", "Via Web only", 160, 302);
  CheckBoxGiveCommandsSubscribersOnly = MakeCheck(this, "CheckBoxGiveCommandsSubscribersOnly", "Subscribers only", 320, 282);
  for (TControl* hidden : std::initializer_list<TControl*>{LabelShareDateName, LabelShareDateValue, LabelSubscribed,
                                                           CheckBoxShowRecipients, CheckBoxViaWebOnlyDefault,
                                                           CheckBoxGiveCommandsSubscribersOnly})
    hidden->SetVisible(false);
  CheckBoxPrivateDiscussion->SetEnabled(false);
  for (TCheckBox* box : {CheckBoxShowRecipients, CheckBoxViaWebOnlyDefault, CheckBoxGiveCommandsSubscribersOnly})
    box->OnClick = [this](TObject*) {
      if (!fFilling) Changed();
    };
  CheckBoxPrivateDiscussion->OnClick = [this](TObject*) {
    if (fFilling) return;
    Changed();
    const bool secret = CheckBoxPrivateDiscussion->Checked();
    CheckBoxGiveCommandsSubscribersOnly->SetVisible(!secret);
    CheckBoxViaWebOnlyDefault->SetVisible(!secret);
  };
  PanelModelURL = NewControl<TPanel>(this, this, "PanelModelURL", 8, 326, 150, 24);
  PanelModelURL->SetCaption("Model Web-site");
  PanelDiscussionURL = NewControl<TPanel>(this, this, "PanelDiscussionURL", 164, 326, 150, 24);
  PanelDiscussionURL->SetCaption("Discussion Web-site");
  for (TPanel* panel : {PanelModelURL, PanelDiscussionURL}) {
    panel->SetVisible(false);
    panel->OnMouseMove = [this, panel](TObject*, TShiftState, int x, int y) { LinkMouseMove(panel, x, y); };
    panel->OnMouseDown = [this, panel](TObject*, TMouseButton button, TShiftState, int, int) {
      LinkMouseDown(panel, button == mbLeft);
    };
  }
  ButtonOk = NewControl<TButton>(this, this, "ButtonOk", 320, 328, 72, 23);
  ButtonOk->SetCaption("OK");
  ButtonOk->SetVisible(false);
  ButtonOk->OnClick = [this](TObject*) { OkClicked(); };
  ButtonCancel = NewControl<TButton>(this, this, "ButtonCancel", 400, 328, 72, 23);
  ButtonCancel->SetCaption("Cancel");
  ButtonCancel->SetCancel(true);
  ButtonCancel->OnClick = [this](TObject*) { CancelClicked(); };
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
