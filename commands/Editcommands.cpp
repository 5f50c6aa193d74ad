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
#include "model/Newblock.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Tapplication.h"
#include "platform/forms/Tscreen.h"
#include "platform/forms/Ttoolbar.h"
#include "platform/gui/Sysmetrics.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tdatetime.h"

#include <algorithm>

namespace {

// A block's editor lies over the window it was opened from: as wide as that window, and no
// narrower than it is made, its top at `top`, all within the work area.
RECT EditorBounds(const TForm& editor, const TForm* browse, int top) {
  const RECT area = Screen->WorkAreaRect();
  const int room = area.right - area.left;
  const int width = std::min(room, std::max(editor.Width(), browse ? browse->Width() : 0));
  const int left = std::clamp(browse ? browse->Left() : int(area.left), int(area.left), int(area.right) - width);
  return RECT{left, top, left + width, top + editor.Height()};
}

bool Refuse(const char* caption, const char* message) {
  ShowMessageBox(caption, message);
  return false;
}

// Where an added block goes: its storage, its place under the window's block and the row
// of the lower list it shows in.
struct TAddition {
  uint8_t StorageType = StorageType_None;
  TNewBlockPlace Place;
  int Row = 0;
};

// Where the command adds its block: at the end of the window's block's children, or
// (insert) before the clicked row. False, the user told, when it may not.
bool PlanAddition(TCommand& command, uint8_t storageType, bool insertCommand, TAddition& addition) {
  TBrowseState& state = command.Browse.CurrentBrowseState;
  if (!command.Item || !command.Path || command.Path->Length() > 1 || command.Item->Kind() != BrowseItem_Block) {
    MessageBeep(1);
    return false;
  }
  const bool insert = command.Path->Length() == 1;
  TDiscussion* discussion = command.Discussion;
  const TDiscBlockIndex upper = state.CurrentItem.GetDiscBlockIndex();
  const TDiscBlock* upperBlock = discussion && !upper.IsEmpty() ? discussion->Storages.GetDiscBlock(upper) : nullptr;
  if (!upperBlock) return Refuse("Block adding", "Upper block can only be a discussion block");
  const TDiscBlock* clickedBlock = insert ? command.Block : nullptr;
  if (insert && !clickedBlock) return false;
  if (insertCommand) storageType = insert ? clickedBlock->StorageType : uint8_t(StorageType_Model);
  if (storageType == StorageType_Model && upperBlock->StorageType != StorageType_Model)
    return Refuse("Model block adding", "Model block can only be a child of another model block");
  if (insert && clickedBlock->StorageType != StorageType_Model && clickedBlock->StorageType != StorageType_Notes)
    return Refuse("Insert block before clicked", "Block can only be inserted before model or note block.");
  // Only a row of the new block's own kind is a place to insert before.
  const bool before = insert && clickedBlock->StorageType == storageType;
  addition.StorageType = storageType;
  addition.Place.Upper = upper;
  addition.Place.Before = before;
  if (before) {
    addition.Place.ClickedNum = clickedBlock->Num;
    addition.Place.ClickedName = clickedBlock->Name;
  }
  addition.Row = before ? command.Browse.ServiceRowOf(*command.Path) : int(state.Rows.Count());
  return true;
}

// The new block shown at its row with the header dialog open at once, in the same undo
// step as its creation; cancelling the dialog takes the whole step back.
void ShowAndEditNewBlock(TCommand& command, TDiscBlockIndex made, TDiscBlockIndex upper, int row) {
  TBrowse& browse = command.Browse;
  TBrowseState& state = browse.CurrentBrowseState;
  TDiscussion& discussion = *command.Discussion;
  browse.ShowNewBlock(made, discussion.IsCreating() ? DisplayMode_Full : DisplayMode_Brief, row);
  browse.LowerListChangedFrom(0);

  // The creation and everything the header dialog changes form one undo step.
  TUndo& undo = discussion.Undo;
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
    if (discussion.Storages.GetStorage(made.StorageType)->Block(made.Index).TextType == TextType_Formula)
      browse.EvaluateBlockFormula(made);
    discussion.Save();
  }
  browse.SetPaintRequest(PaintRequest_Scroll);
  SendBlockNotification(Notify_BlockChanged, discussion, upper, false);
}

// Adds a block of the storage type under the window's block, then lets the user write
// its header.
void AddDiscBlock(TCommand& command, uint8_t storageType, bool insertCommand) {
  TAddition addition;
  if (!PlanAddition(command, storageType, insertCommand, addition)) return;
  TDiscussion& discussion = *command.Discussion;
  TBlocksStorage& storage = *discussion.Storages.GetStorage(addition.StorageType);
  const int index = TakeNewBlockSlot(discussion, storage, addition.Place);
  if (index < 0 || !NumberNewBlock(discussion, storage, index, addition.Place)) return;
  if (addition.StorageType == StorageType_Notes) storage.Block(index).SetDate(Date());
  storage.NewBlockAdded(discussion, index, 0);
  if (IsErrorReported()) return;
  ShowAndEditNewBlock(command, {addition.StorageType, uint16_t(index)}, addition.Place.Upper, addition.Row);
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
  int top = browse.Form ? browse.Form->Top() + 50 : 50;
  if (command.Data2 && browse.Form && browse.Form->ToolBarHorzMenu) {
    TToolBar* bar = browse.Form->ToolBarHorzMenu;
    top = bar->ClientToScreen(POINT{0, bar->Top() + bar->Height()}).y;
  }
  form.PlaceAt(EditorBounds(form, browse.Form, top));
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
  // A posted note amended is not what went out: it reads "note" until posted again.
  if (block.StorageType == StorageType_Notes && (textsChanged || block.TextType != old.TextType)) block.Posted = 0;
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
  form->PlaceAt(EditorBounds(*form, browse.Form, browse.Form ? browse.Form->Top() + 50 : 50));
  form->SetUp(browse.CurrentBrowseState.DiscussionIndex, command.BlockIndex, browse);
  form->Show();
}
