#include "postoffice/Tformpost.h"

#include "controls/Newcontrol.h"
#include "foundation/Browsefont.h"
#include "foundation/Fileroutines.h"
#include "foundation/Guihooks.h"
#include "foundation/Helpdocument.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Textroutines.h"
#include "foundation/Tlisteners.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussionsmanager.h"
#include "model/Unsavedchanges.h"
#include "platform/forms/Tapplication.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tgrid.h"
#include "platform/forms/Tlabel.h"
#include "platform/forms/Tpanel.h"
#include "platform/forms/Tscreen.h"
#include "platform/gui/Messagequeue.h"
#include "platform/gui/Sysmetrics.h"
#include "platform/rtl/Numconv.h"
#include "platform/rtl/Strutil.h"
#include "postoffice/Tformpostfilerecipientslist.h"
#include "postoffice/Tformretrievesendpost.h"
#include "postoffice/Tpost.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

constexpr int HelpContextPost = 10;

// Compose time, then name in byte order.
bool ShownBefore(const TPostFile& a, const TPostFile& b) {
  if (a.ComposeTime != b.ComposeTime) return a.ComposeTime < b.ComposeTime;
  return a.Name.View() < b.Name.View();
}

bool IsDecimalText(std::string_view text) {
  return !text.empty() && text.size() <= 9 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

// The handling run as the window shows it: its list refreshed, its progress kept alive
// so that "Stop" and "Close" are heard between files.
class TFormPost::TWindowRun : public TPostFilesHandler {
 public:
  TWindowRun(TFormPost& form, TPost& post) : TPostFilesHandler(post), fForm(form) {}

 protected:
  void ShowProgress(const std::string& status) override {
    TPostFilesHandler::ShowProgress(status);
    Application->ProcessMessages();
    // A modal window asked to close has its result already: the run ends after this file.
    if (fForm.ModalResult() != mrNone) Stop = 1;
  }
  void RefreshList() override { fForm.RefreshPostsList(); }

 private:
  TFormPost& fForm;
};

TFormPost::TFormPost(TComponent* owner, TPost* post)
    : TForm(owner), fPost(post ? *post : *PostState()), fRun(std::make_unique<TWindowRun>(*this, fPost)) {
  SetName("FormPost");
  SetCaption("post");
  SetPosition(poScreenCenter);
  SetClientWidth(760);
  SetClientHeight(460);
  SetHelpContext(HelpContextPost);
  if (Screen->Width() <= 800) SetWindowState(wsMaximized);

  const auto bold = [](TLabel& label) { label.Font()->SetStyle(TFontStyles{fsBold}); };
  const auto folder = [this](uint8_t kind) { return [this, kind] { ChooseFolder(kind); }; };
  // One control a row, kept on one line each.
  // clang-format off
  BuildControls(*this, {
      {Into(PanelTop), "PanelTop", "", {Keep, Keep, Keep, 37}, alTop, ""},
      {Into(ButtonMail), "ButtonMail", "PanelTop", {6, 6, 70, 25}, alNone, "Mail",
       [this] { ExchangeMail(true, true); }},
      {Into(Button1), "Button1", "PanelTop", {80, 6, 70, 25}, alNone, "Receive", [this] { ExchangeMail(true, false); }},
      {Into(Button3), "Button3", "PanelTop", {154, 6, 70, 25}, alNone, "Send", [this] { ExchangeMail(false, true); }},
      {Into(RadioButtonInboxPost), "RadioButtonInboxPost", "PanelTop", {240, 8, 92, 20}, alNone, "InboxPost",
       folder(PostKind_InboxPost)},
      {Into(RadioButtonInbox), "RadioButtonInbox", "PanelTop", {336, 8, 92, 20}, alNone, "Inbox",
       folder(PostKind_Inbox)},
      {Into(RadioButtonOutbox), "RadioButtonOutbox", "PanelTop", {432, 8, 92, 20}, alNone, "Outbox",
       folder(PostKind_Outbox)},
      {Into(RadioButtonOutboxPost), "RadioButtonOutboxPost", "PanelTop", {528, 8, 92, 20}, alNone, "OutboxPost",
       folder(PostKind_OutboxPost)},
      {Into(_CheckBoxUnhandledOnly), "_CheckBoxUnhandledOnly", "PanelTop", {624, 8, 130, 20}, alNone,
       "Show unhandled only"},
      {Into(PanelBottom), "PanelBottom", "", {Keep, Keep, Keep, 64}, alBottom, ""},
      {Into(ButtonSelectAll), "ButtonSelectAll", "PanelBottom", {6, 6, 84, 25}, alNone, "select all",
       [this] { SetAllMarks(true); }},
      {Into(ButtonDeselectAll), "ButtonDeselectAll", "PanelBottom", {6, 34, 84, 25}, alNone, "deselect all",
       [this] { SetAllMarks(false); }},
      {Into(Label1), "Label1", "PanelBottom", {100, 11, 80, 16}, alNone, "From EMail:"},
      {Into(LabelFromEMail, bold), "LabelFromEMail", "PanelBottom", {184, 11, 300, 16}, alNone, ""},
      {Into(ButtonToEMails), "ButtonToEMails", "PanelBottom", {100, 34, 80, 25}, alNone, "To EMails:",
       [this] { ButtonToEMailsClick(); }},
      {Into(LabelToEMails, bold), "LabelToEMails", "PanelBottom", {184, 39, 300, 16}, alNone, ""},
      {Into(Button2), "Button2", "PanelBottom", {496, 34, 80, 25}, alNone, "Help", [this] { Button2Click(); }},
      {Into(ButtonHandle), "ButtonHandle", "PanelBottom", {584, 34, 80, 25}, alNone, "Perform",
       [this] { ButtonHandleClick(); }},
      {Into(ButtonClose), "ButtonClose", "PanelBottom", {672, 34, 80, 25}, alNone, "Close", [this] { Close(); }},
      {Into(DrawGridPosts), "DrawGridPosts", "", {}, alClient},
  });
  // clang-format on
  _CheckBoxUnhandledOnly->SetChecked(true);
  _CheckBoxUnhandledOnly->SetVisible(false);
  for (TButton* right : {Button2, ButtonHandle, ButtonClose}) right->SetAnchors({akRight, akTop});
  // The addresses of a file, however many, stay in their own line left of the buttons and
  // end in "..." there; "To EMails:" lists them whole.
  for (TLabel* addresses : {LabelFromEMail, LabelToEMails}) {
    addresses->SetAutoSize(false);
    addresses->SetEllipsisPosition(epEndEllipsis);
    addresses->SetBounds(addresses->Left(), addresses->Top(), Button2->Left() - 8 - addresses->Left(),
                         addresses->Height());
    addresses->SetAnchors({akLeft, akTop, akRight});
  }
  ButtonHandle->SetDefault(true);
  ButtonClose->SetCancel(true);

  DrawGridPosts->SetDefaultColWidth(5);
  DrawGridPosts->SetDefaultRowHeight(5);
  DrawGridPosts->SetColCount(5);
  DrawGridPosts->SetFixedCols(0);
  DrawGridPosts->SetFixedRows(0);
  DrawGridPosts->SetRowCount(1);
  DrawGridPosts->SetLeftCol(0);
  DrawGridPosts->SetDefaultDrawing(false);
  DrawGridPosts->SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRowSelect});
  DrawGridPosts->OnDrawCell = [this](TObject*, int col, int row, RECT rect, TGridDrawState state) {
    DrawGridPostsDrawCell(col, row, rect, state.Contains(gdSelected));
  };
  DrawGridPosts->OnMouseDown = [this](TObject*, TMouseButton mouse, TShiftState shift, int x, int y) {
    if (mouse == mbLeft) DrawGridPostsMouseDown(shift, x, y);
  };
  DrawGridPosts->OnSelectCell = [this](TObject*, int, int row, bool&) { ShowEMailsOfRow(row); };

  OnShow = [this](TObject*) { FormShow(); };
  OnCloseQuery = [this](TObject*, bool& canClose) {
    if (!fRunning) return;
    // A run ends after its current file; the window closes then.
    fRun->Stop = 1;
    fClosePending = true;
    canClose = false;
  };
  OnClose = [this](TObject*, TCloseAction& action) { FormClose(action); };
}

TFormPost::~TFormPost() = default;

void TFormPost::SetBrowsePars(const TBrowsePars& pars) {
  fPars = pars;
  fRun->PostPartSizeKB = pars.PostPartSizeKB;
  AssignBrowseFont(*DrawGridPosts->Canvas()->Font(), fPars.RowFont);
  DrawGridPosts->Invalidate();
}

void TFormPost::FocusGrid() {
  if (DrawGridPosts->CanFocus()) DrawGridPosts->SetFocus();
}

int32_t TFormPost::FileOfRow(int row) const {
  if (row < 1 || uint32_t(row) > fList.Count()) return -1;
  return fList[uint32_t(row - 1)].Index;
}

std::string TFormPost::CellText(int col, int row) const {
  if (row == 0) {
    static const char* const titles[] = {"+", "file name", "file size", nullptr, "command"};
    if (col == 3) return fKind == PostKind_InboxPost ? "file date/time" : "compose date/time";
    return col >= 0 && col < 5 ? titles[col] : "";
  }
  const int32_t index = FileOfRow(row);
  if (!fStorage || index < 0 || uint32_t(index) >= fStorage->Files.Count()) return "";
  const TPostFile& file = fStorage->Files[uint32_t(index)];
  switch (col) {
    case 0: return file.Sendable ? "+" : "";
    case 1: {
      std::string name = file.Name.ToString();
      const size_t dash = name.find('-');
      if (dash != std::string::npos) name = LowerCase(name.substr(0, dash + 1)) + name.substr(dash + 1);
      return EscapeControlChars(name);
    }
    case 2: return FormatFloat(",0", double(file.Size));
    case 3:
      return FormatDateTime("mm'/'dd'/'yy hh:nn:ss", fKind == PostKind_InboxPost ? file.FileTime : file.ComposeTime);
    case 4: return EscapeControlChars(file.Command.View());
    default: return "";
  }
}

void TFormPost::FormShow() {
  SetFormatSettings();
  RadioButtonOutboxPost->SetChecked(true);
  ChooseFolder(PostKind_OutboxPost);
  const int outbox = AutoHandle(fPost.Outbox);
  const int inboxPost = AutoHandle(fPost.InboxPost);
  if (outbox != 0 || inboxPost != 0) {
    std::string text;
    if (outbox != 0) text += std::to_string(outbox) + " " + fPost.Outbox.FolderName.ToString() + " files\n";
    if (inboxPost != 0) text += std::to_string(inboxPost) + " " + fPost.InboxPost.FolderName.ToString() + " files\n";
    ShowMessageBox("AUTO-HANDLING", text + "auto-handled.");
  }
  RefreshPostsList();
}

int TFormPost::AutoHandle(TPostFilesStorage& storage) {
  storage.Refresh(fPost);
  TArray<TPostsListItem> unprocessed;
  storage.ListUnprocessed(unprocessed);
  TArray<int32_t> indices;
  for (const TPostsListItem& item : unprocessed) indices.AddItem(item.Index);
  int done = 0;
  if (!indices.IsEmpty()) HandlePostFiles(storage, indices, false, &done, "Auto-handling " + storage.FolderName.ToString());
  storage.Refresh(fPost);
  return done;
}

bool TFormPost::HandlePostFiles(TPostFilesStorage& storage, TArray<int32_t>& indices, bool interactive, int* done,
                                const std::string& caption) {
  fRunning = true;
  const std::string perform = ButtonHandle->Caption();
  ButtonHandle->SetCaption("Stop");
  for (TControl* control : std::initializer_list<TControl*>{ButtonMail, Button1, Button3, RadioButtonInboxPost,
                                                           RadioButtonInbox, RadioButtonOutbox, RadioButtonOutboxPost,
                                                           ButtonSelectAll, ButtonDeselectAll, ButtonToEMails})
    control->SetEnabled(false);
  const bool result = fRun->HandlePostFiles(storage, indices, interactive, done, caption);
  for (TControl* control : std::initializer_list<TControl*>{ButtonMail, Button1, Button3, RadioButtonInboxPost,
                                                           RadioButtonInbox, RadioButtonOutbox, RadioButtonOutboxPost,
                                                           ButtonSelectAll, ButtonDeselectAll, ButtonToEMails})
    control->SetEnabled(true);
  ButtonHandle->SetCaption(perform);
  fRunning = false;
  ShowCommandStates();
  if (fClosePending) PostMessage(Handle(), WM_CLOSE, 0, 0);
  return result;
}

void TFormPost::ChooseFolder(uint8_t kind) {
  if (fRunning) return;
  TPostFilesStorage& storage = fPost.Storage(kind);
  storage.Refresh(fPost);
  fStorage = &storage;
  fKind = kind;
  RefreshPostsList();
  fAnchorRow = 0;
  FocusGrid();
}

void TFormPost::RefreshPostsList() {
  FocusGrid();
  fList.Clear();
  if (fStorage) {
    std::vector<int32_t> shown;
    for (uint32_t i = 0; i < fStorage->Files.Count(); ++i)
      if (!fStorage->Files[i].Processed) shown.push_back(int32_t(i));
    const TPostFilesStorage& storage = *fStorage;
    std::stable_sort(shown.begin(), shown.end(), [&storage](int32_t a, int32_t b) {
      return ShownBefore(storage.Files[uint32_t(a)], storage.Files[uint32_t(b)]);
    });
    for (int32_t index : shown) fList.AddItem(TPostsListItem{index});
  }
  const int files = int(fList.Count());
  DrawGridPosts->SetRowCount(files + 1);
  DrawGridPosts->SetFixedRows(files > 0 ? 1 : 0);
  // An empty folder's only row is its title row: drawn as the titles, never as a row
  // chosen (the grid keeps no row without a file row to choose).
  TGridOptions options{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine};
  if (files > 0) options.Include(goRowSelect);
  DrawGridPosts->SetOptions(options);
  if (files == 0 || DrawGridPosts->TopRow() < 1) DrawGridPosts->SetTopRow(files > 0 ? 1 : 0);
  DrawGridPosts->SetColCount(5);
  // Each column has at least the room of its title, also while the folder is empty.
  TCanvas& canvas = *DrawGridPosts->Canvas();
  AssignBrowseFont(*canvas.Font(), fPars.ListHeaderFont);
  for (int col = 0; col < DrawGridPosts->ColCount(); ++col) {
    const int width = 2 * fPars.ListHeaderMarginH + canvas.TextWidth(CellText(col, 0));
    if (DrawGridPosts->ColWidths(col) < width) DrawGridPosts->SetColWidths(col, width);
  }
  if (files > 0 && DrawGridPosts->Row() > files) DrawGridPosts->SetRow(files);
  if (fAnchorRow >= files) fAnchorRow = files > 0 ? files - 1 : 0;
  DrawGridPosts->Invalidate();
  ShowPostFileEMails();
  ShowCommandStates();
  const bool outgoing = fKind == PostKind_Outbox || fKind == PostKind_OutboxPost;
  ButtonToEMails->SetVisible(outgoing);
  LabelToEMails->SetVisible(outgoing);
}

void TFormPost::ShowCommandStates() {
  // "Perform" stops a run, or handles the files shown; OutboxPost's files only go by mail.
  ButtonHandle->SetEnabled(fRunning || (!fList.IsEmpty() && fKind != PostKind_OutboxPost));
}

void TFormPost::ShowPostFileEMails() { ShowEMailsOfRow(DrawGridPosts->Row()); }

void TFormPost::ShowEMailsOfRow(int row) {
  std::string from, to;
  const int32_t index = FileOfRow(row);
  if (fStorage && index >= 0 && uint32_t(index) < fStorage->Files.Count()) {
    const TPostFile& file = fStorage->Files[uint32_t(index)];
    from = file.Sender.ToString();
    if (file.Receivers != "*") to = file.Receivers.ToString();
    if (!file.Robots.IsEmpty()) {
      if (!to.empty()) to += ";  ";
      to += file.Robots.ToString();
    }
  }
  // The addresses come from the messages: each shown as one line.
  fToEMails = EscapeControlChars(to);
  LabelFromEMail->SetCaption(EscapeControlChars(from));
  LabelToEMails->SetCaption(fToEMails);
}

void TFormPost::DrawGridPostsDrawCell(int col, int row, RECT rect, bool selected) {
  TCanvas& canvas = *DrawGridPosts->Canvas();
  const bool header = row == 0;
  const std::string text = CellText(col, row);
  const int marginH = header ? fPars.ListHeaderMarginH : fPars.RowMarginH;
  const int marginV = header ? fPars.ListHeaderMarginV : fPars.RowMarginV;
  canvas.Brush()->SetStyle(bsSolid);
  if (header) {
    AssignBrowseFont(*canvas.Font(), fPars.ListHeaderFont);
    canvas.Brush()->SetColor(TColor(fPars.ListHeaderColor));
    canvas.FillRect(rect);
    canvas.Pen()->SetColor(TColor(fPars.ListHeaderLineColor));
    canvas.MoveTo(rect.right - 1, rect.top);
    canvas.LineTo(rect.right - 1, rect.bottom);
    canvas.TextOut((rect.left + rect.right - canvas.TextWidth(text)) / 2, rect.top + marginV, text);
  } else {
    AssignBrowseFont(*canvas.Font(), fPars.RowFont);
    canvas.Brush()->SetColor(TColor(selected ? fPars.SelectedRowColor : fPars.RowColor));
    canvas.FillRect(rect);
    int x = rect.left + marginH;
    if (col == 2) x = rect.right - marginH - canvas.TextWidth(text);
    else if (col == 0 || col == 3) x = (rect.left + rect.right - canvas.TextWidth(text)) / 2;
    canvas.TextOut(x, rect.top + marginV, text);
  }
  // Columns and rows grow to what they hold, never shrink.
  const int height = 2 * marginV + canvas.TextHeight("Wg");
  const int width = 2 * marginH + canvas.TextWidth(text);
  if (DrawGridPosts->RowHeights(row) < height) DrawGridPosts->SetRowHeights(row, height);
  if (DrawGridPosts->ColWidths(col) < width) DrawGridPosts->SetColWidths(col, width);
}

void TFormPost::DrawGridPostsMouseDown(TShiftState shift, int x, int y) {
  if (fRunning || !fStorage) return;
  int col = -1, row = -1;
  DrawGridPosts->MouseToCell(x, y, col, row);
  const int files = int(fList.Count());
  if (row == 0 && col == 0 && files > 0) {
    const uint8_t mark = fStorage->Files[uint32_t(fList[0].Index)].Sendable ? 0 : 1;
    for (const TPostsListItem& item : fList) fStorage->Files[uint32_t(item.Index)].Sendable = mark;
    DrawGridPosts->Invalidate();
    return;
  }
  if (row < 1 || row > files) return;
  const int position = row - 1;
  if (col == 0) {
    const bool shiftOnly = shift.Contains(ssShift) && !shift.Contains(ssAlt) && !shift.Contains(ssCtrl);
    const bool altOnly = shift.Contains(ssAlt) && !shift.Contains(ssShift) && !shift.Contains(ssCtrl);
    const bool plain = !shift.Contains(ssShift) && !shift.Contains(ssAlt) && !shift.Contains(ssCtrl);
    if (plain) {
      TPostFile& file = fStorage->Files[uint32_t(fList[uint32_t(position)].Index)];
      file.Sendable = file.Sendable ? 0 : 1;
    } else if (shiftOnly || altOnly) {
      const int lo = std::min(fAnchorRow, position), hi = std::max(fAnchorRow, position);
      for (int k = lo; k <= hi && k < files; ++k)
        fStorage->Files[uint32_t(fList[uint32_t(k)].Index)].Sendable = shiftOnly ? 1 : 0;
    }
    DrawGridPosts->Invalidate();
  }
  fAnchorRow = position;
}

void TFormPost::SetAllMarks(bool mark) {
  if (fRunning || !fStorage) return;
  for (TPostFile& file : fStorage->Files) file.Sendable = mark ? 1 : 0;
  DrawGridPosts->Invalidate();
  FocusGrid();
}

void TFormPost::ButtonHandleClick() {
  if (fRunning) {
    fRun->Stop = 1;
    return;
  }
  if (!fStorage) {
    MessageBeep(0);
    return;
  }
  TArray<int32_t> indices;
  for (uint32_t i = 0; i < fStorage->Files.Count(); ++i)
    if (fStorage->Files[i].Sendable) indices.AddItem(int32_t(i));
  if (indices.IsEmpty()) {
    const int32_t index = FileOfRow(DrawGridPosts->Row());
    if (index < 0) {
      MessageBeep(0);
      return;
    }
    if (fStorage->Files[uint32_t(index)].Processed &&
        ShowMessageBox("HANDLING POST FILE", "This file already handled!\nDo you really want to handle it again?", "",
                       "Yes|No", 1) != 0)
      return;
    indices.AddItem(index);
  }
  int done = 0;
  TPostFilesStorage& storage = *fStorage;
  const bool result = HandlePostFiles(storage, indices, true, &done, "Handling " + storage.FolderName.ToString());
  if (result && done > 0 && fList.IsEmpty()) {
    if (fKind == PostKind_InboxPost) RadioButtonInbox->SetChecked(true);
    else if (fKind == PostKind_Outbox) RadioButtonOutboxPost->SetChecked(true);
  }
  FocusGrid();
}

void TFormPost::ExchangeMail(bool receive, bool send) {
  if (fRunning) return;
  if (send) {
    // With OutboxPost shown and no file marked, the file of the current row is the one to
    // send, marked before the exchange looks for marks. What waits in the Outbox is packed
    // first and goes out with this exchange.
    std::string current;
    if (fKind == PostKind_OutboxPost && fStorage) {
      const int32_t index = FileOfRow(DrawGridPosts->Row());
      if (index >= 0) current = fStorage->Files[uint32_t(index)].Name.ToString();
    }
    AutoHandle(fPost.Outbox);
    if (fKind == PostKind_OutboxPost && fStorage) {
      const bool marked =
          std::any_of(fStorage->Files.begin(), fStorage->Files.end(), [](const TPostFile& f) { return f.Sendable; });
      const int32_t index = current.empty() ? -1 : fStorage->FindPostFile(current);
      if (!marked && index >= 0) fStorage->Files[uint32_t(index)].Sendable = 1;
    }
  }
  TArray<TEMailInfo> accounts;
  if (TLoginsStorage* logins = ModelHooks().Logins) {
    const int manager = logins->GetManagerLoginIndex();
    if (manager >= 0) accounts.AddItem(logins->GetLogin(manager).EMail);
  }
  {
    TFormRetrieveSendPost window(nullptr);
    window.Exchange().Pop3Port = Pop3Port;
    window.Exchange().SmtpPort = SmtpPort;
    window.Exchange().ReadTimeout = MailTimeout;
    window.Exchange().ConnectTimeout = MailTimeout;
    window.Execute(receive, send, &accounts, &fPost, fPost.InboxPost.FolderName.ToString(),
                   fPost.InboxPost.FolderPath.ToString());
  }
  if (receive) {
    const int done = AutoHandle(fPost.InboxPost);
    if (done != 0)
      ShowMessageBox("AUTO-HANDLING",
                     std::to_string(done) + " " + fPost.InboxPost.FolderName.ToString() + " files auto-handled.");
  }
  if (send) {
    fPost.OutboxPost.Refresh(fPost);
    LeaveMailedSubscriptions();
    fPost.OutboxPost.MoveProcessedToHistory(fPost);
  }
  if (fStorage) fStorage->Refresh(fPost);
  RefreshPostsList();
  FocusGrid();
}

void TFormPost::LeaveMailedSubscriptions() {
  TDiscussionsManager* manager = DiscussionsManager();
  if (!manager) return;
  for (const TPostFile& file : fPost.OutboxPost.Files) {
    if (!file.Processed || file.Command.View() != MessageCommand::UnsubscribeMe.Name) continue;
    const int index = manager->FindDiscussionByDIdent(file.DIdent, false, TStr(), TStr());
    if (index < 0) continue;
    TDiscussion& d = manager->GetDiscussion(index);
    const bool loadedHere = !d.Loaded;
    if (loadedHere && !d.Load()) continue;
    if (d.Info.Subscribed) {
      // Saved at once only when nothing else of the discussion waits to be saved: the
      // user's own edits are saved when the user saves them.
      const bool clean = !HasUnsavedChanges(d);
      d.Undo.AddIntFieldChange(UndoObject_DiscussionInfo, InfoField_Subscribed, d.Info.Subscribed);
      d.Info.Subscribed = 0;
      if (clean) d.Save();
      TListeners::SendPair(Notify_FoldersChanged, 0, 0, false);
    }
    if (loadedHere) d.Unload();
  }
}

void TFormPost::TestIncompletePostFiles() {
  struct TGroup {
    TDateTime Latest = 0;
    uint64_t Count = 0;
    std::set<uint64_t> Seen;
    std::string Set;  // as the handling runs know it
  };
  const std::string folder = fPost.InboxPost.FolderName.ToString();
  std::map<std::string, TGroup> groups;
  std::map<std::string, std::vector<std::string>> members;
  std::vector<std::string> order;
  for (const TPostFile& file : fPost.InboxPost.Files) {
    const std::string name = file.Name.ToString();
    const size_t dot = name.rfind('.');
    const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    const size_t underscore = extension.find('_');
    if (underscore == std::string::npos) {
      ShowMessageBox("TESTING " + UpperCase(folder),
                     "There are files without postfix.\nDelete them by means of external file-manager.");
      return;
    }
    const std::string number = extension.substr(0, underscore), count = extension.substr(underscore + 1);
    if (!IsDecimalText(number) || !IsDecimalText(count)) {
      ShowMessageBox("TESTING " + UpperCase(folder), "Testing " + folder + " files - can't find postfix");
      return;
    }
    auto [at, fresh] = groups.try_emplace(base);
    if (fresh) {
      order.push_back(base);
      at->second.Count = std::stoull(count);
      at->second.Set = SetOfPartName(name);
    }
    at->second.Latest = std::max(at->second.Latest, file.FileTime);
    // A set's files as a handling run counts them, copies under marked names too.
    if (!file.Processed) members[SetOfPartName(name)].push_back(name);
    at->second.Seen.insert(std::stoull(number));
  }
  std::string lines;
  for (const std::string& base : order) {
    const TGroup& group = groups[base];
    std::string missing;
    // A count beyond the files here cannot be listed number by number; it is incomplete all
    // the same.
    const uint64_t listed = std::min<uint64_t>(group.Count, 1000);
    for (uint64_t i = 1; i <= listed; ++i)
      if (!group.Seen.count(i)) missing += (missing.empty() ? "" : ",") + std::to_string(i);
    if (listed < group.Count) missing += ",...";
    // A set the user was told of waits, here or in a handling run, is not told again.
    if (missing.empty() || (!group.Set.empty() && !fPost.TellOfWaitingSet(group.Set, members[group.Set]))) continue;
    lines += "\n\r" + FormatDateTime("dd.mm.yy hh:nn", group.Latest) + "  " + base + " (" + missing + ")";
  }
  if (!lines.empty())
    ShowMessageBox("INCOMPLETED " + UpperCase(folder) + " POSTFILES",
                   "This postfiles in " + folder + " are incompleted:" + lines);
}

void TFormPost::FormClose(TCloseAction& action) {
  TestIncompletePostFiles();
  fPost.Save();
  fList.Clear();
  fStorage = nullptr;
  fKind = 0;
  fRun->ModelRequests.Clear();
  fRun->BlockNameRequests.Clear();
  action = caHide;
}

void TFormPost::ButtonToEMailsClick() {
  FocusGrid();
  TArray<TStr> pieces;
  SplitToStrArray(fToEMails, "; ", pieces);
  std::vector<std::string> addresses;
  for (const TStr& piece : pieces) addresses.push_back(piece.ToString());
  ShowPostFileRecipients(addresses);
  FocusGrid();
}

void TFormPost::Button2Click() {
  OpenHelp(HelpContext());
  FocusGrid();
}
