#pragma once
// The post office window: one of the four post folders as a grid of its unhandled files,
// marks set by clicks, a handling run over the marked files ("Perform"), the mail
// exchange ("Mail", "Receive", "Send"), the automatic packing of the Outbox and joining of
// InboxPost when it opens, and a warning about incomplete received archives when it closes.

#include "foundation/Tarray.h"
#include "foundation/Tbrowsepars.h"
#include "platform/forms/Tform.h"
#include "postoffice/Tpostfile.h"
#include "postoffice/Tpostfileshandler.h"

#include <cstdint>
#include <memory>
#include <string>

class TButton;
class TCheckBox;
class TDrawGrid;
class TLabel;
class TPanel;
class TRadioButton;
class TPost;

class TFormPost : public TForm {
 public:
  // The window works on `post`, the process-wide post state when null.
  explicit TFormPost(TComponent* owner, TPost* post = nullptr);
  ~TFormPost() override;

  void SetBrowsePars(const TBrowsePars& pars);

  // Rebuilds the list of shown files from the current folder and repaints the grid.
  void RefreshPostsList();
  // The sender and receivers of the current row in the two labels.
  void ShowPostFileEMails();
  // Receives (and joins what came), sends (and retires what went).
  void ExchangeMail(bool receive, bool send);
  // The received archives whose parts are not all here, told to the user.
  void TestIncompletePostFiles();
  // The requests to leave a discussion that the exchange mailed: the copy is no longer
  // subscribed.
  void LeaveMailedSubscriptions();
  // The handling run over files of `storage`; see TPostFilesHandler.
  bool HandlePostFiles(TPostFilesStorage& storage, TArray<int32_t>& indices, bool interactive, int* done,
                       const std::string& caption);

  // The file shown in a grid row (1 ..), -1 for the header or no row.
  int32_t FileOfRow(int row) const;
  // The text of a cell as the grid draws it.
  std::string CellText(int col, int row) const;
  uint8_t FolderKind() const { return fKind; }
  TPostFilesStorage* Storage() const { return fStorage; }
  const std::string& ToEMailsText() const { return fToEMails; }
  bool Running() const { return fRunning; }

  // The mail servers' ports and the time a server may keep an exchange waiting.
  int32_t Pop3Port = 110;
  int32_t SmtpPort = 25;
  int32_t MailTimeout = 30000;  // milliseconds

  TPanel* PanelTop;
  TButton* ButtonMail;
  TButton* Button1;  // "Receive"
  TButton* Button3;  // "Send"
  TRadioButton* RadioButtonInboxPost;
  TRadioButton* RadioButtonInbox;
  TRadioButton* RadioButtonOutbox;
  TRadioButton* RadioButtonOutboxPost;
  TCheckBox* _CheckBoxUnhandledOnly;  // kept hidden and checked: the grid shows unhandled files only
  TDrawGrid* DrawGridPosts;
  TPanel* PanelBottom;
  TButton* ButtonSelectAll;
  TButton* ButtonDeselectAll;
  TLabel* Label1;  // "From EMail:"
  TLabel* LabelFromEMail;
  TButton* ButtonToEMails;
  TLabel* LabelToEMails;
  TButton* Button2;  // "Help"
  TButton* ButtonHandle;
  TButton* ButtonClose;

 private:
  class TWindowRun;

  void FormShow();
  void FormClose(TCloseAction& action);
  void ChooseFolder(uint8_t kind);
  void ButtonHandleClick();
  void DrawGridPostsDrawCell(int col, int row, RECT rect, bool selected);
  void DrawGridPostsMouseDown(TShiftState shift, int x, int y);
  void SetAllMarks(bool mark);
  void ButtonToEMailsClick();
  void Button2Click();
  void FocusGrid();
  // The commands enabled by what they can do now, whatever came before.
  void ShowCommandStates();
  void ShowEMailsOfRow(int row);
  // Runs the handling of every unprocessed file of a folder without asking; the count.
  int AutoHandle(TPostFilesStorage& storage);

  TPost& fPost;
  std::unique_ptr<TWindowRun> fRun;
  TBrowsePars fPars;
  uint8_t fKind = 0;
  TPostFilesStorage* fStorage = nullptr;
  std::string fToEMails;
  int32_t fAnchorRow = 0;
  TArray<TPostsListItem> fList;
  bool fRunning = false;
  bool fClosePending = false;
};
