#include "commands/Tbrowsecommands.h"

#include "browse/Browsecommand.h"
#include "browse/Commandcodes.h"
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

// The handler each code starts with; null for the codes that have none.
TCommandHandler DefaultHandler(uint8_t code) {
  switch (code) {
    case Command_Up: return UpCommand;
    case Command_Contents: return ContentsCommand;
    case Command_BriefFull: return BriefFullCommand;
    case Command_NewWindow: return NewWindowCommand;
    case Command_HyperReference: return HyperReferenceCommand;
    case Command_TextReference: return TextReferenceCommand;
    case Command_Back: return BackCommand;
    case Command_Next: return NextCommand;
    case Command_Previous: return PreviousCommand;
    case Command_ActivateWindow: return ActivateWindowCommand;
    case Command_ShowInWindow: return ShowInWindowCommand;
    case Command_ShowAllDiscussions: return ShowAllDiscussionsCommand;
    case Command_Connect: return ConnectCommand;
    case Command_CopyURL: return CopyURLCommand;
    case Command_Discussing: return DiscussingCommand;
    case Command_Creating: return CreatingCommand;
    case Command_BrowsingModerating: return BrowsingModeratingCommand;
    case Command_CloseWindow: return CloseWindowCommand;
    case Command_PointerEngine: return PointerEngineCommand;
    case Command_DiscussionInfo: return DiscussionInfoCommand;
    case Command_Annotation: return AnnotationCommand;
    case Command_RegistrateModel: return RegistrateModelCommand;
    case Command_FormNewDiscussion: return FormNewDiscussionCommand;
    case Command_GiveMyIdentifier: return GiveMyIdentifierCommand;
    case Command_PublishMyData: return PublishMyDataCommand;
    case Command_SetPublicity: return SetPublicityCommand;
    case Command_Unsubscribe: return UnsubscribeCommand;
    case Command_Subscribe: return SubscribeCommand;
    case Command_RequestBlocksList: return RequestBlocksListCommand;
    case Command_ExistingBlocksList: return ExistingBlocksListCommand;
    case Command_Post: return PostCommand;
    case Command_CancelPosting: return CancelPostingCommand;
    case Command_SendPost: return SendPostCommand;
    case Command_PublishEmbeddedComments: return PublishEmbeddedCommentsCommand;
    case Command_AddNote: return AddNoteCommand;
    case Command_AddBlock: return AddBlockCommand;
    case Command_InsertBlock: return InsertBlockCommand;
    case Command_Edit: return EditCommand;
    case Command_BlockText: return BlockTextCommand;
    case Command_Delete: return DeleteCommand;
    case Command_Restore: return RestoreCommand;
    case Command_CrossUncross: return CrossCommand;
    case Command_Renumerate: return RenumerateCommand;
    case Command_FixTrouble: return FixTroubleCommand;
    case Command_Statistics: return StatisticsCommand;
    case Command_Copy: return CopyCommand;
    case Command_Cut: return CutCommand;
    case Command_Paste: return PasteCommand;
    case Command_Undo: return UndoCommand;
    case Command_Retrieval: return RetrievalCommand;
    case Command_History: return HistoryCommand;
    case Command_ThesisDisputants: return ThesisDisputantsCommand;
    case Command_Chain: return ChainCommand;
    case Command_Data: return DataCommand;
    case Command_MyData: return MyDataCommand;
    case Command_NewTheme: return NewThemeCommand;
    case Command_RenameTheme: return RenameThemeCommand;
    case Command_DeleteTheme: return DeleteThemeCommand;
    case Command_AddToTheme: return AddToThemeCommand;
    case Command_RemoveFromTheme: return RemoveFromThemeCommand;
    case Command_Formulas: return FormulasCommand;
    case Command_Evaluate: return EvaluateCommand;
    case Command_Graph: return GraphCommand;
    case Command_ReformGraph: return ReformGraphCommand;
    case Command_Search: return SearchCommand;
    case Command_Display: return DisplayCommand;
    case Command_CopyName: return CopyNameCommand;
    case Command_CopyText: return CopyTextCommand;
    case Command_Experts: return ExpertsCommand;
    case Command_SetTrust: return SetTrustCommand;
    case Command_EraseDiscreditedComments: return EraseDiscreditedCommentsCommand;
    case Command_Help: return HelpCommand;
    case Command_Customize: return CustomizeCommand;
    case Command_CloseDiscussion: return CloseDiscussionCommand;
    case Command_CloseProgram: return CloseProgramCommand;
    case Command_EditSubscribers: return EditSubscribersCommand;
    case Command_EditSpammers: return EditSpammersCommand;
    case Command_EditAdvertising: return EditAdvertisingCommand;
    case Command_Save: return SaveCommand;
    case Command_SaveDatabase: return SaveDatabaseCommand;
    case Command_ManualBackup: return ManualBackupCommand;
    case Command_PickOut: return PickOutCommand;
    case Command_CreateModel: return CreateModelCommand;
    case Command_FormPublishedModel: return FormPublishedModelCommand;
    case Command_RunPostModule: return RunPostModuleCommand;
    default: return nullptr;
  }
}

std::array<TCommandHandler, CommandCount>& Handlers() {
  static std::array<TCommandHandler, CommandCount> handlers = [] {
    std::array<TCommandHandler, CommandCount> table{};
    for (int code = 0; code < CommandCount; ++code) table[size_t(code)] = DefaultHandler(uint8_t(code));
    return table;
  }();
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

void ResetCommandHandlers() {
  for (int code = 0; code < CommandCount; ++code) Handlers()[size_t(code)] = DefaultHandler(uint8_t(code));
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
