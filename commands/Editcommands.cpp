#include "commands/Editcommands.h"

#include "browse/Commandcodes.h"
#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "commands/Tbrowsecommands.h"
#include "commands/Tformblocktext.h"
#include "commands/Tformdiscblockheader.h"
#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "model/Blocklinks.h"
#include "model/Blocknames.h"
#include "model/Calculateformula.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Tapplication.h"
#include "platform/forms/Tscreen.h"
#include "platform/forms/Ttoolbar.h"
#include "platform/gui/Sysmetrics.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tdatetime.h"

namespace {

bool Refuse(const char* caption, const char* message) {
  ShowMessageBox(caption, message);
  return false;
}

// Adds a block of the storage type under the window's block: at the end of its children,
// or (insert) before the clicked row. The header dialog opens at once in the same undo
// step; cancelling it takes the whole step back.
void AddDiscBlock(TCommand& command, uint8_t storageType, bool insertCommand) {
  TBrowse& browse = command.Browse;
  TBrowseState& state = browse.CurrentBrowseState;
  if (!command.Item || !command.Path || command.Path->Length() > 1 || command.Item->Kind() != BrowseItem_Block) {
    MessageBeep(1);
    return;
  }
  const bool insert = command.Path->Length() == 1;
  const TBrowseItemIndex clicked = *command.Path;
  TDiscussion* discussion = command.Discussion;
  const TDiscBlockIndex upper = state.CurrentItem.GetDiscBlockIndex();
  const TDiscBlock* upperBlock = discussion && !upper.IsEmpty() ? discussion->Storages.GetDiscBlock(upper) : nullptr;
  if (!upperBlock) {
    Refuse("Block adding", "Upper block can only be a discussion block");
    return;
  }
  const TDiscBlock* clickedBlock = insert ? command.Block : nullptr;
  if (insert && !clickedBlock) return;
  if (insertCommand) storageType = insert ? clickedBlock->StorageType : uint8_t(StorageType_Model);
  if (storageType == StorageType_Model && upperBlock->StorageType != StorageType_Model) {
    Refuse("Model block adding", "Model block can only be a child of another model block");
    return;
  }
  if (insert && clickedBlock->StorageType != StorageType_Model && clickedBlock->StorageType != StorageType_Notes) {
    Refuse("Insert block before clicked", "Block can only be inserted before model or note block.");
    return;
  }
  // Only a row of the new block's own kind is a place to insert before.
  const bool before = insert && clickedBlock->StorageType == storageType;
  int at = before ? browse.ServiceRowOf(clicked) : int(state.Rows.Count());
  const uint16_t clickedNum = before ? clickedBlock->Num : 0;
  const TStr clickedName = before ? clickedBlock->Name : TStr();

  // The storage may move its blocks when it grows: no pointer into it is kept.
  upperBlock = nullptr;
  clickedBlock = nullptr;

  TUndo& undo = discussion->Undo;
  // The counter first: undoing the step puts it back after everything else.
  if (before && storageType == StorageType_Notes) undo.AddNoteCounterChange(discussion->User.NoteCounter);
  TBlocksStorage& storage = *discussion->Storages.GetStorage(storageType);
  if (before) storage.InsertChildNum(*discussion, upper, clickedNum);
  const int index = IsErrorReported() ? -1 : storage.AppendBlock(*discussion, upper);
  if (index < 0) return;
  const TDiscBlockIndex made{storageType, uint16_t(index)};
  undo.AddDiscBlockCreation(*discussion, made);
  if (before) {
    storage.Block(index).Num = clickedNum;
    storage.SetBlockName(index, storage.Block(index).MakeUniqueName(*discussion, clickedName));
  } else {
    const int number = storage.GetNewBlockNumber(*discussion, upper);
    if (number < 0) return;
    storage.Block(index).Num = uint16_t(number);
    storage.Block(index).SetComposedBlockName(*discussion, made);
  }
  if (storageType == StorageType_Notes) storage.Block(index).SetDate(Date());
  storage.NewBlockAdded(*discussion, index, 0);
  if (IsErrorReported()) return;

  browse.ShowNewBlock(made, discussion->IsCreating() ? DisplayMode_Full : DisplayMode_Brief, at);
  browse.LowerListChangedFrom(0);

  // The creation and everything the header dialog changes form one undo step.
  const uint8_t stepSwitch = undo.StepStartSwitch;
  undo.StepStartSwitch = 0;
  HeaderCancelled() = 0;
  TBrowseItem* item = nullptr;
  for (size_t i = 0; i < state.CurrentItem.Children.size(); ++i)
    if (state.CurrentItem.Children[i].Ident.Index == made) {
      TBrowseItemIndex path;
      path.Append(uint16_t(i));
      item = &state.CurrentItem.Children[i];
      const TBrowseItem root = state.CurrentItem;
      ProcessBrowseCommand(browse, &path, &root, "", Command_Edit, 0, 1);
      break;
    }
  undo.StepStartSwitch = stepSwitch;
  if (!item || IsErrorReported()) return;
  if (HeaderCancelled()) {
    const TBrowseItem root = state.CurrentItem;
    const TBrowseItemIndex none;
    ProcessBrowseCommand(browse, &none, &root, "", Command_Undo, -1, -1);
  } else {
    if (storage.Block(index).TextType == TextType_Formula) browse.EvaluateBlockFormula(made);
    discussion->Save();
  }
  browse.SetPaintRequest(PaintRequest_Scroll);
  SendBlockNotification(Notify_BlockChanged, *discussion, upper, false);
}

}  // namespace

void AddNoteCommand(TCommand& command) { AddDiscBlock(command, StorageType_Notes, false); }

void AddBlockCommand(TCommand& command) { AddDiscBlock(command, StorageType_Model, false); }

void InsertBlockCommand(TCommand& command) { AddDiscBlock(command, StorageType_Model, true); }

void EditCommand(TCommand& command) {
  TDiscussion* discussion = command.Discussion;
  if (!discussion || !command.Block) {
    MessageBeep(1);
    return;
  }
  TBrowse& browse = command.Browse;
  const TDiscBlockIndex index = command.BlockIndex;
  const TDiscBlock old = *command.Block;
  const TDiscBlockStr oldTexts = discussion->Storages.GetStrHashItem(index)->Str;
  const bool root = index == discussion->Storages.GetRootBlockIndex();

  TFormDiscBlockHeader form(Application);
  form.SetLeft(0);
  form.SetWidth(Screen->Width());
  if (command.Data2 && browse.Form && browse.Form->ToolBarHorzMenu) {
    TToolBar* bar = browse.Form->ToolBarHorzMenu;
    form.SetTop(bar->ClientToScreen(POINT{0, bar->Top() + bar->Height()}).y);
  } else {
    form.SetTop(browse.Form ? browse.Form->Top() + 50 : 50);
  }
  if (root) form.SetUpRoot(browse, *discussion, index);
  else form.SetUp(browse, *discussion, index);
  const bool ok = form.ShowModal() == mrOk;
  if (!ok) return;

  if (root) {
    const std::string name = Trim(form.MemoTextValue());
    if (name != discussion->GetName().c_str()) {
      discussion->Undo.AddStrFieldChange(UndoObject_DiscussionInfo, InfoField_Name, discussion->Info.Name);
      discussion->Info.Name = TStr(name.c_str());
      TListeners::Send(Notify_TitlesChanged, false);
      // The root shows the name: every window on it, and every folder row of it, repaints.
      SendBlockNotification(Notify_BlockChanged, *discussion, index, false);
    }
  }
  TStrHashItem& texts = *discussion->Storages.GetStrHashItem(index);
  TDiscBlock& block = *discussion->Storages.GetDiscBlock(index);
  const bool textsChanged = !(texts.Str == oldTexts);
  if (textsChanged) {
    texts.Save(block);
    discussion->Undo.AddBlockTextChanges(*discussion, index, oldTexts);
  }
  if (!textsChanged && block == old) return;

  TBlocksStorage& storage = *discussion->Storages.GetStorage(index.StorageType);
  const std::string name = block.Name.c_str();
  if (root) {
    if (name != RootBlockName) storage.SetBlockName(index.Index, TStr(RootBlockName));
  } else if (const std::string renamed = NameAsKind(name, block.TextType); renamed != name) {
    storage.SetBlockName(index.Index, TStr(renamed.c_str()));
  }
  if (block.TextType == TextType_Formula) discussion->CalculateFormulas();
  if (old.TextType == TextType_Formula && !old.Conclusion.IsEmpty() && !(old.Conclusion == block.Conclusion)) {
    TBrowseItemIdent conclusion;
    conclusion.SetDiscBlock(*discussion, old.Conclusion);
    discussion->User.RemoveBrowseItemIdentsPair(*discussion, conclusion, UserRelation_SelectedFormula);
  }
  if (old.TextType == TextType_Conclusion && block.TextType != TextType_Conclusion)
    discussion->Storages.UnlinkFormulaBlocks(*discussion, index);
  discussion->Undo.AddDiscBlockChanges(*discussion, index, old);
  SendBlockNotification(Notify_BlockChanged, *discussion, index, false);
  if (command.Data1) discussion->Save();
  // A note edited in a list is shown in full there.
  if (block.StorageType == StorageType_Notes) browse.UnfoldRowsOfDiscBlock(index);
}

void BlockTextCommand(TCommand& command) {
  if (!command.Discussion || !command.Block) {
    MessageBeep(1);
    return;
  }
  TBrowse& browse = command.Browse;
  auto* form = new TFormBlockText(Application);
  form->SetLeft(0);
  form->SetWidth(Screen->Width());
  form->SetTop(browse.Form ? browse.Form->Top() + 50 : 50);
  form->SetUp(browse.CurrentBrowseState.DiscussionIndex, command.BlockIndex, browse);
  form->Show();
}
