#include "commands/Searchcommands.h"

#include "browse/Tbrowse.h"
#include "commands/Listcommands.h"
#include "commands/Tbrowsecommands.h"
#include "commands/Tformsearch.h"
#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "foundation/Tshellregistry.h"
#include "model/Blockretrieval.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Tclipboard.h"
#include "platform/gui/Gui.h"

void SearchCommand(TCommand& command) {
  if (!command.Discussion || command.Browse.CurrentBrowseState.CurrentItem.Kind() != BrowseItem_Block) {
    MessageBeep(1);
    return;
  }
  std::string text;
  bool caseSensitive = true;
  {
    TFormSearch dialog(nullptr);
    if (!dialog.Execute(TShellRegistry::ReadString(LastSearchedTextValue),
                        TShellRegistry::ReadInteger(LastSearchCaseValue) != 0, text, caseSensitive))
      return;
  }
  // Searching for nothing would list every block.
  if (text.empty()) {
    ShowMessageBox("Search failed", "Enter the text to search for.");
    return;
  }
  TShellRegistry::WriteString(LastSearchedTextValue, text);
  TShellRegistry::WriteInteger(LastSearchCaseValue, caseSensitive ? 1 : 0);
  if (TBrowse* opened = RetrieveInNewWindow(command, Retrieval_Search, -1, text, caseSensitive))
    CloseEmptyListWindow(*opened, "Search failed", "There are no blocks found.");
}

void DisplayCommand(TCommand& command) {
  std::string name;
  if (!InputString("Display block", "Enter name of wanted block:", "", name)) return;
  command.Browse.GoToReference(name);
}

void CopyNameCommand(TCommand& command) {
  if (!command.Text.empty()) Clipboard()->SetAsText(command.Text);
  else if (command.Block && command.Discussion)
    Clipboard()->SetAsText(command.Block->GetBlockName(*command.Discussion).ToString());
}

std::string GetBlockCopyText(TDiscussion& discussion, TDiscBlockIndex block) {
  const TStrHashItem* texts = discussion.Storages.GetStrHashItem(block);
  if (!texts) return {};
  std::string result;
  for (const TStr* part : {&texts->Str.Text, &texts->Str.URL, &texts->Str.FormulaText}) {
    if (part->IsEmpty()) continue;
    if (!result.empty()) result += "\r\n";
    result += part->ToString();
  }
  return result;
}

void CopyTextCommand(TCommand& command) {
  TDiscussion* discussion = command.Discussion;
  if (!discussion) return;
  TDiscBlockIndex block = command.BlockIndex;
  if (!command.Text.empty()) {
    block = discussion->Storages.FindDiscBlockIndexByName(command.Text);
    if (block.IsEmpty()) {
      ShowMessageBox("Reference error", "Reference <" + command.Text + "> not found!");
      return;
    }
  } else if (!command.Block) {
    return;
  }
  const std::string text = GetBlockCopyText(*discussion, block);
  if (!IsErrorReported()) Clipboard()->SetAsText(text);
}
