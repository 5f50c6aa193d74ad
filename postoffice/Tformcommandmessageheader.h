#pragma once
// The header editor of an outgoing command message: the sender chooses its receivers
// among the discussion's subscribers, adds, edits and removes subscribers, sets the
// mail-service robot and copies the subscribers' addresses for it. Changes to the authors
// are made at once in the discussion (with undo steps) and stay when the editor is
// cancelled; saving the discussion is the caller's business.

#include "foundation/Tarray.h"
#include "platform/forms/Tform.h"

#include <cstdint>
#include <string>

class TButton;
class TCheckBox;
class TDiscussion;
class TDrawGrid;
class TPanel;
struct TBrowsePars;
struct TRecipientsList;

// Receiver kinds of ChooseCommandMessageReceivers.
enum : uint8_t {
  Receivers_Ordinary = 0,       // 0 or 1: whether the sender leads the discussion
  Receivers_Leader = 1,
  Receivers_EditSubscribers = 2,
  Receivers_PendingRequesters = 3,
  Receivers_Moderator = 4,
};

// One row of the editor.
struct TCommandMessageReceiver {
  enum : uint8_t { Login = 1, Author = 2 };
  uint8_t Checked = 0;
  uint8_t Kind = 0;
  int16_t LoginIndex = -1;   // of a login row
  int16_t AuthorIndex = -1;  // of an author row
};

class TFormCommandMessageHeader : public TForm {
 public:
  TFormCommandMessageHeader(TComponent* owner, TDiscussion& discussion);

  // Shows the form modally; true after OK, viaWebOnly the state of "via Web only".
  bool Execute(const TBrowsePars* settings, TArray<TCommandMessageReceiver>& receivers, const std::string& caption,
               bool listOnly, bool& viaWebOnly);

  TDrawGrid* DrawGridReceivers;
  TPanel* PanelTop;
  TCheckBox* CheckBoxBroadcastMessage;
  TButton* ButtonSelectAll;
  TButton* ButtonDeselectAll;
  TPanel* PanelBottom;
  TButton* ButtonOk;
  TButton* ButtonCancel;
  TButton* ButtonNewRecipient;
  TButton* ButtonEditRecipient;
  TButton* ButtonDeleteRecipient;
  TButton* ButtonEditRobot;
  TButton* ButtonCopy;

  // The receiver's address and the text of its "Description" column.
  std::string ReceiverEMail(const TCommandMessageReceiver& receiver) const;
  std::string ReceiverDescription(const TCommandMessageReceiver& receiver) const;
  bool IsRobotReceiver(const TCommandMessageReceiver& receiver) const;

 private:
  void FillGrid();
  void DrawCell(int col, int row, RECT rect, bool selected);
  void GridMouseDown(int x, int y);
  void RowSelected(int row);
  void NewRecipient();
  void EditRecipient();
  void DeleteRecipient();
  void EditRobot();
  void CopyAddresses();
  void ViaWebOnlyClicked();
  void SetAllChecked(bool checked);
  // The receiver of a grid row, null for the header row and beyond the rows.
  TCommandMessageReceiver* RowReceiver(int row);

  TDiscussion& fDiscussion;
  const TBrowsePars* fSettings = nullptr;
  TArray<TCommandMessageReceiver>* fReceivers = nullptr;
  bool fResult = false;
  bool fListOnly = false;
  bool fRobotInList = false;
};

// The receivers of a command message of the discussion, chosen by the user where the
// kind asks for it: one row of users' addresses and, when robots were chosen, a second
// row "*" with the robots' addresses. False when cancelled or refused.
bool ChooseCommandMessageReceivers(TDiscussion& discussion, const TBrowsePars* settings, const std::string& caption,
                                   uint8_t kind, TArray<TRecipientsList>& recipients, bool hideBroadcast);

// Whether the author's LIdent is one of this installation's own logins.
bool HasLocalLogin(const std::string& lident);
