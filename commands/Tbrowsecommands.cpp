#include "commands/Tbrowsecommands.h"

#include "browse/Browsecommand.h"
#include "browse/Commandcodes.h"
#include "browse/Standinnotes.h"
#include "browse/Tbrowse.h"
#include "commands/Annotationcommands.h"
#include "commands/Clipboardcommands.h"
#include "commands/Creationcommands.h"
#include "commands/Deletecommands.h"
#include "commands/Editcommands.h"
#include "commands/Expertcommands.h"
#include "commands/Listcommands.h"
#include "commands/Navigationcommands.h"
#include "commands/Postingcommands.h"
#include "commands/Postofficecommand.h"
#include "commands/Protocolcommands.h"
#include "commands/Readercommands.h"
#include "commands/Receiverscommands.h"
#include "commands/Savingcommands.h"
#include "commands/Searchcommands.h"
#include "commands/Tautosavediscussiondisabler.h"
#include "commands/Themecommands.h"
#include "commands/Windowcommands.h"
#include "foundation/Terror.h"
#include "foundation/Tlogin.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Tscreen.h"

#include <array>

namespace {

// The handler each command starts with: one row per row of the command table.
struct THandlerRow {
  uint8_t Code;
  TCommandHandler Handler;
};

constexpr THandlerRow kHandlerRows[] = {
    {Command_Up, UpCommand},
    {Command_Contents, ContentsCommand},
    {Command_BriefFull, BriefFullCommand},
    {Command_NewWindow, NewWindowCommand},
    {Command_HyperReference, HyperReferenceCommand},
    {Command_TextReference, TextReferenceCommand},
    {Command_Back, BackCommand},
    {Command_Next, NextCommand},
    {Command_Previous, PreviousCommand},
    {Command_ActivateWindow, ActivateWindowCommand},
    {Command_ShowInWindow, ShowInWindowCommand},
    {Command_ShowAllDiscussions, ShowAllDiscussionsCommand},
    {Command_Connect, ConnectCommand},
    {Command_CopyURL, CopyURLCommand},
    {Command_Discussing, DiscussingCommand},
    {Command_Creating, CreatingCommand},
    {Command_BrowsingModerating, BrowsingModeratingCommand},
    {Command_CloseWindow, CloseWindowCommand},
    {Command_PointerEngine, PointerEngineCommand},
    {Command_DiscussionInfo, DiscussionInfoCommand},
    {Command_Annotation, AnnotationCommand},
    {Command_RegistrateModel, RegistrateModelCommand},
    {Command_FormNewDiscussion, FormNewDiscussionCommand},
    {Command_GiveMyIdentifier, GiveMyIdentifierCommand},
    {Command_PublishMyData, PublishMyDataCommand},
    {Command_SetPublicity, SetPublicityCommand},
    {Command_Unsubscribe, UnsubscribeCommand},
    {Command_Subscribe, SubscribeCommand},
    {Command_RequestBlocksList, RequestBlocksListCommand},
    {Command_ExistingBlocksList, ExistingBlocksListCommand},
    {Command_Post, PostCommand},
    {Command_CancelPosting, CancelPostingCommand},
    {Command_SendPost, SendPostCommand},
    {Command_PublishEmbeddedComments, PublishEmbeddedCommentsCommand},
    {Command_AddNote, AddNoteCommand},
    {Command_AddBlock, AddBlockCommand},
    {Command_InsertBlock, InsertBlockCommand},
    {Command_Edit, EditCommand},
    {Command_BlockText, BlockTextCommand},
    {Command_Delete, DeleteCommand},
    {Command_Restore, RestoreCommand},
    {Command_CrossUncross, CrossCommand},
    {Command_Renumerate, RenumerateCommand},
    {Command_FixTrouble, FixTroubleCommand},
    {Command_Statistics, StatisticsCommand},
    {Command_Copy, CopyCommand},
    {Command_Cut, CutCommand},
    {Command_Paste, PasteCommand},
    {Command_Undo, UndoCommand},
    {Command_Retrieval, RetrievalCommand},
    {Command_History, HistoryCommand},
    {Command_ThesisDisputants, ThesisDisputantsCommand},
    {Command_Chain, ChainCommand},
    {Command_Data, DataCommand},
    {Command_MyData, MyDataCommand},
    {Command_NewTheme, NewThemeCommand},
    {Command_RenameTheme, RenameThemeCommand},
    {Command_DeleteTheme, DeleteThemeCommand},
    {Command_AddToTheme, AddToThemeCommand},
    {Command_RemoveFromTheme, RemoveFromThemeCommand},
    {Command_Formulas, FormulasCommand},
    {Command_Evaluate, EvaluateCommand},
    {Command_Graph, GraphCommand},
    {Command_ReformGraph, ReformGraphCommand},
    {Command_Search, SearchCommand},
    {Command_Display, DisplayCommand},
    {Command_CopyName, CopyNameCommand},
    {Command_CopyText, CopyTextCommand},
    {Command_Experts, ExpertsCommand},
    {Command_SetTrust, SetTrustCommand},
    {Command_EraseDiscreditedComments, EraseDiscreditedCommentsCommand},
    {Command_Help, HelpCommand},
    {Command_Customize, CustomizeCommand},
    {Command_CloseDiscussion, CloseDiscussionCommand},
    {Command_CloseProgram, CloseProgramCommand},
    {Command_EditSubscribers, EditSubscribersCommand},
    {Command_EditSpammers, EditSpammersCommand},
    {Command_EditAdvertising, EditAdvertisingCommand},
    {Command_Save, SaveCommand},
    {Command_SaveDatabase, SaveDatabaseCommand},
    {Command_ManualBackup, ManualBackupCommand},
    {Command_PickOut, PickOutCommand},
    {Command_CreateModel, CreateModelCommand},
    {Command_FormPublishedModel, FormPublishedModelCommand},
    {Command_RunPostModule, RunPostModuleCommand},
};

// The first command of the table without exactly one handler row, Command_None when every
// one has its handler; a handler row of a code beyond the table shows as a row too many.
constexpr uint8_t CommandWithoutOneHandler() {
  for (const TBrowseCommand& command : kBrowseCommands) {
    int rows = 0;
    for (const THandlerRow& row : kHandlerRows) rows += row.Code == command.Code;
    if (rows != 1) return command.Code;
  }
  return std::size(kHandlerRows) == std::size(kBrowseCommands) ? uint8_t(Command_None) : uint8_t(CommandCount);
}
static_assert(CommandWithoutOneHandler() == Command_None, "every browse command has one handler, and nothing else has");

using THandlers = std::array<TCommandHandler, CommandCount>;

// Made when the program compiles: a row of a code past the count does not compile.
constexpr THandlers kDefaultHandlers = [] {
  THandlers handlers{};
  for (const THandlerRow& row : kHandlerRows) handlers[row.Code] = row.Handler;
  return handlers;
}();

THandlers& Handlers() {
  static THandlers handlers = kDefaultHandlers;
  return handlers;
}

TLogin* CurrentLogin() {
  TLoginsStorage* logins = LoginsStorage();
  return logins ? logins->GetCurrentLogin() : nullptr;
}

}  // namespace

TCommandHandler GetCommandHandler(uint8_t code) { return code < CommandCount ? Handlers()[code] : nullptr; }

void SetCommandHandler(uint8_t code, TCommandHandler handler) {
  if (code < CommandCount) Handlers()[code] = handler;
}

void ResetCommandHandlers() { Handlers() = kDefaultHandlers; }

bool GetCommandBlocks(TCommand& command, TArray<TDiscBlockIndex>& blocks) {
  return command.Path && command.Root && command.Browse.GetMarkedDiscBlocks(*command.Path, *command.Root, blocks);
}

void ProcessBrowseCommand(TBrowse& browse, const TBrowseItemIndex* path, const TBrowseItem* root,
                          const std::string& text, uint8_t code, int32_t data1, int32_t data2) {
  TCommand command(browse);
  command.Path = path;
  command.Root = root;
  command.Text = text;
  command.Code = code;
  command.Data1 = data1;
  command.Data2 = data2;
  Screen->SetCursor(crDefault);

  // Only the outermost command of nested ones lets the key password be asked again.
  uint8_t outside = 0;
  if (TLogin* login = CurrentLogin()) {
    outside = login->OutsideCommand;
    login->OutsideCommand = 0;
  }
  // The changes of an outermost command form one undo step of its discussion.
  static int depth = 0;
  struct TDepth {
    TDepth() { ++depth; }
    ~TDepth() { --depth; }
  } nesting;
  {
    TAutoSaveDiscussionDisabler noAutoSave;
    command.Discussion = browse.GetDiscussion();
    if (depth == 1 && command.Discussion) command.Discussion->Undo.StartStep();
    if (command.Text.empty() && path && root) {
      command.Item = path->GetBrowseItem(*root);
      if (command.Item && command.Item->Kind() == BrowseItem_Block && command.Discussion &&
          !command.Item->Ident.Index.IsEmpty()) {
        command.BlockIndex = command.Item->Ident.Index;
        // The row of a comment that stands for the login's posted note amends the note: the
        // text shown is the note's. Its other entries act on the comment shown (a published
        // comment is neither posted again, nor deleted, nor cut).
        if (code == Command_Edit)
          if (const TDiscBlockIndex note = NoteStoodFor(*command.Discussion, command.BlockIndex); !note.IsEmpty())
            command.BlockIndex = note;
        command.Block = command.Discussion->Storages.GetDiscBlock(command.BlockIndex);
      }
    }
    if (!IsErrorReported()) {
      if (const TCommandHandler handler = GetCommandHandler(code)) handler(command);
      else TError::Report("TBrowse::ProcessCommand - команда не обрабатывается");
    }
  }
  if (TLogin* login = CurrentLogin()) {
    login->OutsideCommand = outside;
    if (outside) login->KeyPasswordVerifiedForCommand = 0;
  }
}

void InstallBrowseCommands() {
  InstallReceiversChoice();
  BrowseCommandHandler() = [](TBrowse& browse, const TBrowseItemIndex* path, const TBrowseItem* root,
                              const std::string& text, uint8_t code, TShiftState, int32_t data1, int32_t data2) {
    ProcessBrowseCommand(browse, path, root, text, code, data1, data2);
  };
}
