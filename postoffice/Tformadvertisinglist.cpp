#include "postoffice/Tformadvertisinglist.h"

#include "controls/Newcontrol.h"
#include "foundation/Tbrowseglobal.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tclipboard.h"
#include "platform/forms/Tedit.h"
#include "postoffice/Advisedlist.h"
#include "postoffice/Tformrobotemail.h"
#include "postoffice/Tformrobotpattern.h"
#include "postoffice/Tpost.h"
#include "postoffice/Tpostadaptor.h"

TFormAdvertisingList::TFormAdvertisingList(TComponent* owner, TPost& post) : TForm(owner), fPost(post) {
  SetName("FormAdvertisingList");
  SetCaption("Edit advertising list");
  SetBorderIcons({biSystemMenu, biMaximize});
  SetPosition(poScreenCenter);
  SetClientWidth(449);
  SetClientHeight(274);
  const auto fill = [](TMemo& memo) {
    memo.SetAnchors({akLeft, akTop, akRight, akBottom});
    memo.SetScrollBars(ssVertical);
  };
  const auto bottom = [](TControl& control) { control.SetAnchors({akLeft, akBottom}); };
  BuildControls(*this, {{Into(MemoAddresses, fill), "MemoAddresses", "", {4, 4, 441, 234}}});
  NewOkCancelButtons(this, Button1, Button2, 4, 88, 244, 80, 23,
                     [this] { return AddressesSound() && (fResult = true); });
  Button1->SetAnchors({akLeft, akBottom});
  Button2->SetAnchors({akLeft, akBottom});
  // clang-format off
  BuildControls(*this, {
      {Into(ButtonEditRobot, bottom), "ButtonEditRobot", "", {200, 244, 80, 23}, alNone, "MailService", [this] {
         TFormRobotEMail dialog(this);
         if (dialog.Execute(fPost.RobotEMail)) UpdateButtons();
       }},
      {Into(ButtonCopy, bottom), "ButtonCopy", "", {284, 244, 80, 23}, alNone, "Copy", [this] { CopyAddresses(); }},
      {Into(CheckBoxEnableRobot, bottom), "CheckBoxEnableRobot", "", {370, 247, 76, 17}, alNone, "MailService on"},
  });
  // clang-format on
  ButtonCopy->SetVisible(false);
  CheckBoxEnableRobot->SetChecked(fPost.RobotEnabled != 0);
  CheckBoxEnableRobot->OnClick = [this](TObject*) {
    fPost.RobotEnabled = CheckBoxEnableRobot->Checked() ? 1 : 0;
    UpdateButtons();
  };
  UpdateButtons();
}

void TFormAdvertisingList::UpdateButtons() {
  ButtonCopy->SetVisible(!fPost.RobotEMail.IsEmpty() && TBrowseGlobal::Moderation);
  ButtonEditRobot->SetEnabled(fPost.RobotEnabled != 0);
}

bool TFormAdvertisingList::AddressesSound() {
  TArray<TEMailComment> rows;
  ParseEMailComments(MemoAddresses->Text(), rows);
  for (uint32_t i = 0; i < rows.Count(); ++i)
    if (!CheckTypedMailbox(rows[i].Address.View(), Caption())) return false;
  return true;
}

void TFormAdvertisingList::CopyAddresses() {
  std::string pattern = fPost.RobotPattern.IsEmpty() ? TPost::DefaultRobotPattern() : fPost.RobotPattern.ToString();
  int groupSize = fPost.RobotPatternGroupSize;
  TFormRobotPattern dialog(this);
  if (!dialog.Execute(pattern, groupSize)) return;
  fPost.RobotPattern = TStr(pattern);
  fPost.RobotPatternGroupSize = uint16_t(groupSize);
  UpdateButtons();
  TArray<TEMailComment> rows;
  ParseEMailComments(MemoAddresses->Text(), rows);
  std::vector<TRobotListEntry> entries;
  for (uint32_t i = 0; i < rows.Count(); ++i) entries.emplace_back(rows[i].Address.ToString(), rows[i].Comment.ToString());
  Clipboard()->SetAsText(ComposeRobotList(pattern, groupSize, entries));
}

bool EditAdvertisingList(TPost& post, std::string& text) {
  TFormAdvertisingList form(nullptr, post);
  form.MemoAddresses->SetText(text);
  form.ShowModal();
  if (!form.Result()) return false;
  text = form.MemoAddresses->Text();
  return true;
}
