#include "postoffice/Tformcommandmessageheader.h"

#include "controls/Newcontrol.h"
#include "foundation/Browsefont.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "model/Tcommandmessage.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tclipboard.h"
#include "platform/forms/Tgrid.h"
#include "platform/forms/Tpanel.h"
#include "platform/forms/Tscreen.h"
#include "platform/rtl/Strutil.h"
#include "postoffice/Advisedlist.h"
#include "postoffice/Tformrecipient.h"
#include "postoffice/Tformrobotemail.h"
#include "postoffice/Tformrobotpattern.h"
#include "postoffice/Tpost.h"
#include "postoffice/Tpostadaptor.h"

#include <algorithm>
#include <vector>

namespace {

constexpr const char* Separator = "; ";

// The settings of the list's look when the caller has none.
const TBrowsePars& DefaultListLook() {
  static const TBrowsePars defaults;
  return defaults;
}

// Appends the address to the post state's advertising list unless a line holds it.
void AddToAdvertisingList(const std::string& address) {
  TPost* post = PostState();
  if (!post || address.empty()) return;
  TArray<TEMailComment> rows;
  ParseEMailComments(post->AdvertisingList.View(), rows);
  for (uint32_t i = 0; i < rows.Count(); ++i)
    if (UpperCase(rows[i].Address.ToString()) == UpperCase(address)) return;
  std::string list = post->AdvertisingList.ToString();
  if (!list.empty() && list.back() != '\n') list += "\r\n";
  list += address + "\r\n";
  if (list.size() <= MaxListText) post->AdvertisingList = TStr(list);
}

// A subscriber row of the receivers: an outside author still subscribed.
bool IsSubscriberRow(const TAuthor& author) {
  return !HasLocalLogin(author.LIdent.ToString()) && author.Deleted == 0 && author.Unsubscribed == 0;
}

}  // namespace

bool HasLocalLogin(const std::string& lident) {
  TLoginsStorage* logins = ModelHooks().Logins;
  if (!logins || lident.empty()) return false;
  const int index = logins->FindLoginByLIdent(TStr(lident));
  return index >= 0 && logins->GetLogin(index).Virtual == 0;
}

TFormCommandMessageHeader::TFormCommandMessageHeader(TComponent* owner, TDiscussion& discussion)
    : TForm(owner), fDiscussion(discussion) {
  SetName("FormCommandMessageHeader");
  SetCaption("Check subscribers by clicking on '+' column cells");
  SetPosition(poScreenCenter);
  SetClientWidth(471);
  SetClientHeight(277);

  const auto hidden = [](TControl& control) { control.SetVisible(false); };
  const auto close = [this](bool result, TModalResult modalResult) {
    return [this, result, modalResult] {
      fResult = result;
      SetModalResult(modalResult);
    };
  };
  // MailService and Copy share a place: one of them is shown.
  // clang-format off
  BuildControls(*this, {
      {Into(PanelTop), "PanelTop", "", {Keep, Keep, Keep, 30}, alTop, ""},
      {Into(CheckBoxBroadcastMessage), "CheckBoxBroadcastMessage", "PanelTop", {8, 6, 120, 17}, alNone, "via Web only",
       [this] { ViaWebOnlyClicked(); }},
      {Into(ButtonSelectAll, hidden), "ButtonSelectAll", "PanelTop", {300, 3, 72, 23}, alNone, "select all",
       [this] { SetAllChecked(true); }},
      {Into(ButtonDeselectAll, hidden), "ButtonDeselectAll", "PanelTop", {380, 3, 72, 23}, alNone, "deselect all",
       [this] { SetAllChecked(false); }},
      {Into(PanelBottom), "PanelBottom", "", {Keep, Keep, Keep, 34}, alBottom, ""},
      {Into(ButtonOk, PressedByEnter()), "ButtonOk", "PanelBottom", {4, 5, 72, 23}, alNone, "OK", close(true, mrOk)},
      {Into(ButtonCancel, PressedByEscape()), "ButtonCancel", "PanelBottom", {80, 5, 72, 23}, alNone, "Cancel",
       close(false, mrCancel)},
      {Into(ButtonNewRecipient), "ButtonNewRecipient", "PanelBottom", {160, 5, 72, 23}, alNone, "New",
       [this] { NewRecipient(); }},
      {Into(ButtonEditRecipient, hidden), "ButtonEditRecipient", "PanelBottom", {236, 5, 72, 23}, alNone, "Edit",
       [this] { EditRecipient(); }},
      {Into(ButtonDeleteRecipient, hidden), "ButtonDeleteRecipient", "PanelBottom", {312, 5, 72, 23}, alNone, "Delete",
       [this] { DeleteRecipient(); }},
      {Into(ButtonEditRobot), "ButtonEditRobot", "PanelBottom", {388, 5, 72, 23}, alNone, "MailService",
       [this] { EditRobot(); }},
      {Into(ButtonCopy), "ButtonCopy", "PanelBottom", {388, 5, 72, 23}, alNone, "Copy", [this] { CopyAddresses(); }},
      {Into(DrawGridReceivers), "DrawGridReceivers", "", {}, alClient},
  });
  // clang-format on
  DrawGridReceivers->SetFixedCols(0);
  DrawGridReceivers->SetDefaultColWidth(5);
  DrawGridReceivers->SetDefaultRowHeight(5);
  DrawGridReceivers->SetScrollBars(ssVertical);
  DrawGridReceivers->SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRowSelect});
  DrawGridReceivers->OnDrawCell = [this](TObject*, int col, int row, RECT rect, TGridDrawState state) {
    DrawCell(col, row, rect, state.Contains(gdSelected));
  };
  DrawGridReceivers->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button == mbLeft) GridMouseDown(x, y);
  };
  DrawGridReceivers->OnSelectCell = [this](TObject*, int, int row, bool&) { RowSelected(row); };
  OnShow = [this](TObject*) {
    FillGrid();
    fRobotInList = false;
    if (TBrowseGlobal::Moderation && fReceivers)
      for (uint32_t i = 0; i < fReceivers->Count(); ++i)
        if (IsRobotReceiver((*fReceivers)[i])) fRobotInList = true;
    ButtonEditRobot->SetVisible(!fRobotInList);
    if (Screen->Width() <= 800) SetBounds(Left(), 0, Width(), Screen->Height());
  };
}

std::string TFormCommandMessageHeader::ReceiverEMail(const TCommandMessageReceiver& receiver) const {
  if (receiver.Kind == TCommandMessageReceiver::Login) {
    TLoginsStorage* logins = ModelHooks().Logins;
    if (logins && receiver.LoginIndex >= 0 && receiver.LoginIndex < logins->Count())
      return logins->GetLogin(receiver.LoginIndex).AutomaticEMail.ToString();
  } else if (receiver.Kind == TCommandMessageReceiver::Author && receiver.AuthorIndex >= 0 &&
             receiver.AuthorIndex < fDiscussion.Authors.Count()) {
    return fDiscussion.Authors.Author(receiver.AuthorIndex).AutomaticEMail.ToString();
  }
  return {};
}

std::string TFormCommandMessageHeader::ReceiverDescription(const TCommandMessageReceiver& receiver) const {
  if (receiver.Kind == TCommandMessageReceiver::Login) {
    TLoginsStorage* logins = ModelHooks().Logins;
    if (logins && receiver.LoginIndex >= 0 && receiver.LoginIndex < logins->Count())
      return logins->GetLogin(receiver.LoginIndex).Name.ToString();
  } else if (receiver.Kind == TCommandMessageReceiver::Author && receiver.AuthorIndex >= 0 &&
             receiver.AuthorIndex < fDiscussion.Authors.Count()) {
    return fDiscussion.Authors.GetShownName(receiver.AuthorIndex);
  }
  return {};
}

bool TFormCommandMessageHeader::IsRobotReceiver(const TCommandMessageReceiver& receiver) const {
  return receiver.Kind == TCommandMessageReceiver::Author && receiver.AuthorIndex >= 0 &&
         receiver.AuthorIndex < fDiscussion.Authors.Count() && fDiscussion.Authors.Author(receiver.AuthorIndex).Robot;
}

bool TFormCommandMessageHeader::Execute(const TBrowsePars* settings, TArray<TCommandMessageReceiver>& receivers,
                                        const std::string& caption, bool listOnly, bool& viaWebOnly) {
  fSettings = settings ? settings : &DefaultListLook();
  fReceivers = &receivers;
  fListOnly = listOnly;
  fResult = false;
  if (!caption.empty()) SetCaption(caption);
  if (CheckBoxBroadcastMessage->Visible()) {
    const bool offered = fDiscussion.Info.Secret == 0 && (fDiscussion.IsModelAuthor() || fDiscussion.IsModerator());
    CheckBoxBroadcastMessage->SetVisible(offered);
    CheckBoxBroadcastMessage->SetChecked(fDiscussion.Info.ViaWebOnly != 0);
  }
  if (listOnly) {
    ButtonSelectAll->SetVisible(false);
    ButtonDeselectAll->SetVisible(false);
    ButtonCancel->SetVisible(false);
  }
  ShowModal();
  viaWebOnly = CheckBoxBroadcastMessage->Visible() && CheckBoxBroadcastMessage->Checked();
  fReceivers = nullptr;
  return fResult;
}

TCommandMessageReceiver* TFormCommandMessageHeader::RowReceiver(int row) {
  if (!fReceivers || row < 1 || row > int(fReceivers->Count())) return nullptr;
  return &(*fReceivers)[uint32_t(row - 1)];
}

void TFormCommandMessageHeader::FillGrid() {
  DrawGridReceivers->SetRowCount(int(fReceivers ? fReceivers->Count() : 0) + 1);
  DrawGridReceivers->SetColCount(3);
  DrawGridReceivers->Invalidate();
}

void TFormCommandMessageHeader::DrawCell(int col, int row, RECT rect, bool selected) {
  if (!fSettings) return;
  const TBrowsePars& look = *fSettings;
  TCanvas* canvas = DrawGridReceivers->Canvas();
  std::string text;
  int marginH = look.RowMarginH, marginV = look.RowMarginV;
  if (row == 0) {
    canvas->Brush()->SetColor(TColor(look.ListHeaderColor & 0xFFFFFF));
    AssignBrowseFont(*canvas->Font(), look.ListHeaderFont);
    marginH = look.ListHeaderMarginH;
    marginV = look.ListHeaderMarginV;
    static const char* const titles[] = {"+", "Description", "EMail"};
    text = col == 0 && fListOnly ? "" : titles[std::clamp(col, 0, 2)];
  } else {
    const TCommandMessageReceiver* receiver = RowReceiver(row);
    if (!receiver) return;
    canvas->Brush()->SetColor(TColor((selected ? look.SelectedRowColor : look.RowColor) & 0xFFFFFF));
    AssignBrowseFont(*canvas->Font(), IsRobotReceiver(*receiver) ? look.HighlightRowFont : look.RowFont);
    if (col == 0) text = receiver->Checked && !fListOnly ? "+" : "";
    else if (col == 1) text = ReceiverDescription(*receiver);
    else text = ReceiverEMail(*receiver);
  }
  canvas->FillRect(rect);
  canvas->TextOut(rect.left + marginH, rect.top + marginV, text);
  // Columns and rows grow to their texts, never shrink.
  const int width = canvas->TextWidth(text) + 2 * marginH;
  if ((col != 0 || !fListOnly) && width > DrawGridReceivers->ColWidths(col)) DrawGridReceivers->SetColWidths(col, width);
  const int height = canvas->TextHeight(text.empty() ? "W" : text) + 2 * marginV;
  if (height > DrawGridReceivers->RowHeights(row)) DrawGridReceivers->SetRowHeights(row, height);
}

void TFormCommandMessageHeader::GridMouseDown(int x, int y) {
  if (fListOnly || !fReceivers) return;
  int col = -1, row = -1;
  DrawGridReceivers->MouseToCell(x, y, col, row);
  if (col != 0 || row < 0) return;
  if (row == 0) {
    if (fReceivers->Count() > 0) SetAllChecked(!(*fReceivers)[0].Checked);
    return;
  }
  if (TCommandMessageReceiver* receiver = RowReceiver(row)) {
    receiver->Checked = receiver->Checked ? 0 : 1;
    DrawGridReceivers->Invalidate();
  }
}

void TFormCommandMessageHeader::SetAllChecked(bool checked) {
  if (!fReceivers) return;
  for (uint32_t i = 0; i < fReceivers->Count(); ++i) (*fReceivers)[i].Checked = checked ? 1 : 0;
  DrawGridReceivers->Invalidate();
}

void TFormCommandMessageHeader::RowSelected(int row) {
  const TCommandMessageReceiver* receiver = RowReceiver(row);
  bool edit = false, erase = false;
  if (receiver && receiver->Kind == TCommandMessageReceiver::Author && receiver->AuthorIndex >= 0 &&
      receiver->AuthorIndex < fDiscussion.Authors.Count()) {
    const TAuthor& author = fDiscussion.Authors.Author(receiver->AuthorIndex);
    edit = !HasLocalLogin(author.LIdent.ToString()) && author.ADIdent == 0xFFFF &&
           (fDiscussion.Info.IsModerated() || fDiscussion.IsModelAuthor());
    erase = author.ADIdent != ModelAuthorADIdent;
  }
  ButtonEditRecipient->SetVisible(edit);
  ButtonDeleteRecipient->SetVisible(erase);
}

void TFormCommandMessageHeader::NewRecipient() {
  TRecipient recipient;
  TFormRecipient dialog(this);
  if (dialog.Execute(recipient) && CheckTypedMailbox(recipient.EMail.View(), "NEW SUBSCRIBER")) {
    const int index = fDiscussion.Authors.CreateAuthor(fDiscussion, TStr(), -1, 0);
    if (index >= 0) {
      TAuthor& author = fDiscussion.Authors.Author(index);
      author.LastName = recipient.Name;
      author.AutomaticEMail = recipient.EMail;
      author.Subscriber = 1;
      TCommandMessageReceiver receiver;
      receiver.Checked = 1;
      receiver.Kind = TCommandMessageReceiver::Author;
      receiver.AuthorIndex = int16_t(index);
      fReceivers->AddItem(receiver);
      AddToAdvertisingList(recipient.EMail.ToString());
      FillGrid();
    }
  }
  if (DrawGridReceivers->CanFocus()) DrawGridReceivers->SetFocus();
}

void TFormCommandMessageHeader::EditRecipient() {
  const TCommandMessageReceiver* receiver = RowReceiver(DrawGridReceivers->Row());
  if (!receiver || receiver->Kind != TCommandMessageReceiver::Author) return;
  TAuthor& author = fDiscussion.Authors.Author(receiver->AuthorIndex);
  TRecipient recipient{author.LastName, author.AutomaticEMail};
  TFormRecipient dialog(this);
  if (!dialog.Execute(recipient) || !CheckTypedMailbox(recipient.EMail.View(), "EDIT SUBSCRIBER")) return;
  author.LastName = recipient.Name;
  author.AutomaticEMail = recipient.EMail;
  AddToAdvertisingList(recipient.EMail.ToString());
  DrawGridReceivers->Invalidate();
}

void TFormCommandMessageHeader::DeleteRecipient() {
  const int row = DrawGridReceivers->Row();
  const TCommandMessageReceiver* receiver = RowReceiver(row);
  if (!receiver || receiver->Kind != TCommandMessageReceiver::Author) return;
  if (ShowMessageBox("DELETING SUBSCRIBER", "Do you really want to delete subscriber?", "", "Yes|No", 0) != 0) return;
  const int index = receiver->AuthorIndex;
  TAuthor& author = fDiscussion.Authors.Author(index);
  if (!HasLocalLogin(author.LIdent.ToString()) && author.ADIdent == 0xFFFF && !author.Robot) {
    fDiscussion.Undo.AddAuthorFieldChange(index, AuthorField_Deleted, author.Deleted);
    author.Deleted = 1;
  } else {
    fDiscussion.Undo.AddAuthorFieldChange(index, AuthorField_Unsubscribed, author.Unsubscribed);
    author.Unsubscribed = 1;
  }
  fReceivers->Delete(uint32_t(row - 1));
  FillGrid();
  RowSelected(DrawGridReceivers->Row());
}

void TFormCommandMessageHeader::EditRobot() {
  TAuthorsStorage& authors = fDiscussion.Authors;
  int index = -1;
  for (int i = 0; i < authors.Count() && index < 0; ++i)
    if (authors.Author(i).Robot) index = i;
  if (index < 0) {
    index = authors.CreateAuthor(fDiscussion, TStr(), -1, 0);
    if (index < 0) return;
    TAuthor& robot = authors.Author(index);
    robot.Robot = 1;
    robot.LastName = TStr("MailService");
    robot.Subscriber = 1;
    robot.Unsubscribed = 1;
  }
  TStr address = authors.Author(index).AutomaticEMail;
  TFormRobotEMail dialog(this);
  if (!dialog.Execute(address)) {
    DrawGridReceivers->Invalidate();
    return;
  }
  TAuthor& robot = authors.Author(index);
  robot.Deleted = 0;
  if (robot.Unsubscribed) {
    fDiscussion.Undo.AddAuthorFieldChange(index, AuthorField_Unsubscribed, robot.Unsubscribed);
    robot.Unsubscribed = 0;
    TCommandMessageReceiver receiver;
    receiver.Checked = 1;
    receiver.Kind = TCommandMessageReceiver::Author;
    receiver.AuthorIndex = int16_t(index);
    fReceivers->InsertItem(0, receiver);
  }
  if (robot.AutomaticEMail != address) {
    fDiscussion.Undo.AddAuthorStrFieldChange(index, AuthorField_AutomaticEMail, robot.AutomaticEMail);
    robot.AutomaticEMail = address;
  }
  FillGrid();
}

void TFormCommandMessageHeader::CopyAddresses() {
  TDiscussionInfo& info = fDiscussion.Info;
  std::string pattern = info.RobotPattern.IsEmpty() ? TPost::DefaultRobotPattern() : info.RobotPattern.ToString();
  int groupSize = info.RobotPatternGroupSize;
  TFormRobotPattern dialog(this);
  if (!dialog.Execute(pattern, groupSize)) {
    DrawGridReceivers->Invalidate();
    return;
  }
  if (info.RobotPattern.ToString() != pattern) {
    fDiscussion.Undo.AddStrFieldChange(UndoObject_DiscussionInfo, InfoField_RobotPattern, info.RobotPattern);
    info.RobotPattern = TStr(pattern);
  }
  if (info.RobotPatternGroupSize != groupSize) {
    fDiscussion.Undo.AddIntFieldChange(UndoObject_DiscussionInfo, InfoField_RobotPatternGroupSize,
                                       info.RobotPatternGroupSize);
    info.RobotPatternGroupSize = uint16_t(groupSize);
  }
  std::vector<TRobotListEntry> entries;
  for (int i = 0; i < fDiscussion.Authors.Count(); ++i) {
    const TAuthor& author = fDiscussion.Authors.Author(i);
    if (!author.Robot && author.Subscriber && IsSubscriberRow(author))
      entries.emplace_back(author.AutomaticEMail.ToString(), author.GetFullName().ToString());
  }
  Clipboard()->SetAsText(ComposeRobotList(pattern, groupSize, entries));
}

void TFormCommandMessageHeader::ViaWebOnlyClicked() {
  const bool web = CheckBoxBroadcastMessage->Checked();
  for (TControl* control : std::initializer_list<TControl*>{DrawGridReceivers, ButtonNewRecipient, ButtonEditRobot,
                                                            ButtonCopy})
    control->SetVisible(!web);
  ButtonEditRecipient->SetVisible(false);
  ButtonDeleteRecipient->SetVisible(false);
  ButtonSelectAll->SetVisible(!web && !fListOnly);
  ButtonDeselectAll->SetVisible(!web && !fListOnly);
  if (web) {
    if (ButtonOk->CanFocus()) ButtonOk->SetFocus();
  } else {
    if (fRobotInList) ButtonEditRobot->SetVisible(false);
    RowSelected(DrawGridReceivers->Row());
    if (DrawGridReceivers->CanFocus()) DrawGridReceivers->SetFocus();
  }
}

bool ChooseCommandMessageReceivers(TDiscussion& discussion, const TBrowsePars* settings, const std::string& caption,
                                   uint8_t kind, TArray<TRecipientsList>& recipients, bool hideBroadcast) {
  TAuthorsStorage& authors = discussion.Authors;
  const int modelAuthor = authors.FindAuthorByADIdent(discussion, ModelAuthorADIdent, true);
  if (modelAuthor < 0) return false;
  std::string users, robots;
  if (kind == Receivers_Moderator) {
    TLoginsStorage* logins = ModelHooks().Logins;
    const int moderator = discussion.Info.IsModerated() && logins ? logins->FindLogin(discussion.Info.ModeratorLoginIdent) : -1;
    users = moderator >= 0 ? logins->GetLogin(moderator).AutomaticEMail.ToString()
                           : authors.Author(modelAuthor).AutomaticEMail.ToString();
  } else {
    const bool leader = discussion.IsLeader();
    const bool dialog = kind == Receivers_EditSubscribers || kind == Receivers_PendingRequesters ||
                        ((discussion.IsModelAuthor() || discussion.IsModerator()) && discussion.Info.ShowRecipients);
    if (!leader && !HasLocalLogin(authors.Author(modelAuthor).LIdent.ToString())) {
      ShowMessageBox("ERROR", "Can't get subscribers list for this situation.");
      return false;
    }
    const std::string requesters = discussion.Info.ModelRequesters.ToString();
    TArray<TCommandMessageReceiver> receivers;
    for (int i = 0; i < authors.Count(); ++i) {
      const TAuthor& author = authors.Author(i);
      if (!IsSubscriberRow(author)) continue;
      TCommandMessageReceiver receiver;
      receiver.Kind = TCommandMessageReceiver::Author;
      receiver.AuthorIndex = int16_t(i);
      receiver.Checked = kind == Receivers_PendingRequesters
                             ? IsListedAddress(requesters, author.AutomaticEMail.View())
                             : leader;
      receivers.AddItem(receiver);
    }
    TFormCommandMessageHeader form(nullptr, discussion);
    const auto group = [&authors](const TCommandMessageReceiver& r) {
      if (r.Kind == TCommandMessageReceiver::Login) return 1;
      const TAuthor& author = authors.Author(r.AuthorIndex);
      return author.ADIdent == ModelAuthorADIdent ? 2 : author.Robot ? 3 : 4;
    };
    receivers.Sort([&](const TCommandMessageReceiver& a, const TCommandMessageReceiver& b) {
      const int ga = group(a), gb = group(b);
      if (ga != gb) return ga - gb;
      const std::string ea = UpperCase(form.ReceiverEMail(a)), eb = UpperCase(form.ReceiverEMail(b));
      return ea < eb ? -1 : ea > eb ? 1 : 0;
    });
    bool viaWebOnly = false;
    if (dialog) {
      if (hideBroadcast || kind == Receivers_EditSubscribers) form.CheckBoxBroadcastMessage->SetVisible(false);
      if (!form.Execute(settings, receivers, caption, kind == Receivers_EditSubscribers, viaWebOnly)) return false;
    }
    if (viaWebOnly) {
      users = "*";
    } else {
      for (uint32_t i = 0; i < receivers.Count(); ++i) {
        if (!receivers[i].Checked) continue;
        std::string& list = form.IsRobotReceiver(receivers[i]) ? robots : users;
        if (!list.empty()) list += Separator;
        list += form.ReceiverEMail(receivers[i]);
      }
    }
    if (kind == Receivers_PendingRequesters) {
      discussion.Undo.AddStrFieldChange(UndoObject_InfoRequesters, InfoField_ModelRequesters,
                                        discussion.Info.ModelRequesters);
      discussion.Info.ModelRequesters = TStr();
    }
  }
  recipients.Clear();
  recipients.AddItem(TRecipientsList{TStr(users), TStr()});
  if (!robots.empty()) recipients.AddItem(TRecipientsList{TStr("*"), TStr(robots)});
  return true;
}
