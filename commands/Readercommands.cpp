#include "commands/Readercommands.h"

#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "commands/Tbrowsecommands.h"
#include "dialogs/Tformauthor.h"
#include "foundation/Terror.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "platform/gui/Gui.h"

void DataCommand(TCommand& command) {
  TDiscussion* discussion = command.Discussion;
  const uint8_t kind = command.Item ? command.Item->Kind() : uint8_t(BrowseItem_None);
  int author = -1;
  if (discussion && kind == BrowseItem_Block && command.Block) author = command.Block->GetAuthor(*discussion);
  else if (discussion && kind == BrowseItem_Author)
    author = discussion->Authors.FindAuthorByADIdent(*discussion, command.Item->Ident.ADIdent, true);
  if (IsErrorReported()) return;
  if (author < 0) {
    MessageBeep(1);
    return;
  }
  EditAuthorInDialog(*discussion, author, false);
}

void MyDataCommand(TCommand& command) {
  TDiscussion* discussion = command.Discussion;
  const TModelLogin login = CurrentModelLogin();
  if (login.LIdent.IsEmpty()) {
    MessageBeep(1);
    return;
  }
  // Before any discussion the login's own data is shown: its Key may be asked for first.
  if (!discussion) {
    ShowLoginData();
    return;
  }
  discussion->Undo.StartStep();
  const int author = discussion->Authors.FindAuthorByLIdent(*discussion, login.LIdent, true);
  if (author < 0 || IsErrorReported()) return;
  // The dialog records the change for undo and announces it.
  EditAuthorInDialog(*discussion, author, true);
}

void EvaluateCommand(TCommand& command) {
  TDiscussion* discussion = command.Discussion;
  if (!discussion || !command.Block) {
    MessageBeep(1);
    return;
  }
  const TDiscBlockIndex block = command.BlockIndex;
  const int found = discussion->FindReaderProperty(block, false);
  // The dialog works on a copy: a property is stored only once the reader changed something.
  TReaderProperty values;
  if (found >= 0) values = discussion->ReaderProperties.Items[found];
  else values.SetFromDiscBlock(*command.Block);
  const TReaderProperty old = values;
  const TFormBrowse* form = command.Browse.Form;
  if (!AskReaderPropertyInDialog(values, form ? form->Left() + 50 : 50, form ? form->Top() + 50 : 50) || values == old)
    return;
  discussion->Undo.StartStep();
  const int property = discussion->FindReaderProperty(block, true);
  if (property < 0 || IsErrorReported()) return;
  TReaderProperty& stored = discussion->ReaderProperties.Items[property];
  const TReaderProperty before = stored;
  stored.CopyValuesFrom(values);
  discussion->Undo.AddReaderPropertyChanges(*discussion, property, before);
  if (before.GetPossibility() != stored.GetPossibility()) discussion->CalculateFormulas();
  SendBlockNotification(Notify_BlockChanged, *discussion, block, false);
}
