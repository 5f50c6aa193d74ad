#include "commands/Themecommands.h"

#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "commands/Tbrowsecommands.h"
#include "commands/Tformtheme.h"
#include "foundation/Guihooks.h"
#include "model/Themeoperations.h"
#include "model/Tdiscussion.h"
#include "platform/gui/Gui.h"

namespace {

// The theme dialog a little below and right of the window's corner; false when cancelled or
// left empty.
bool AskThemeName(const TCommand& command, std::string& name) {
  const TFormBrowse* form = command.Browse.Form;
  TFormTheme dialog(nullptr);
  return dialog.Execute(form ? form->Left() + 50 : 50, form ? form->Top() + 50 : 50, name) && !name.empty();
}

bool ValidTheme(const TCommand& command) {
  return command.Discussion && command.Data1 >= 0 && uint32_t(command.Data1) < command.Discussion->Themes.Count();
}

void RefuseTakenName(const std::string& caption, const std::string& name) {
  ShowMessageBox(caption, "Theme '" + name + "' already exists!");
}

}  // namespace

void NewThemeCommand(TCommand& command) {
  TDiscussion* discussion = command.Discussion;
  if (!discussion) {
    MessageBeep(1);
    return;
  }
  std::string name;
  if (!AskThemeName(command, name)) return;
  discussion->Undo.StartStep();
  if (!AddTheme(discussion->Themes, *discussion, TStr(name))) {
    RefuseTakenName("New theme", name);
    return;
  }
  command.Browse.CurrentBrowseItemChanged();
}

void RenameThemeCommand(TCommand& command) {
  if (!ValidTheme(command)) {
    MessageBeep(1);
    return;
  }
  TDiscussion& discussion = *command.Discussion;
  const std::string old = discussion.Themes[uint32_t(command.Data1)].Name.ToString();
  std::string name = old;
  if (!AskThemeName(command, name) || name == old) return;
  discussion.Undo.StartStep();
  // The renaming announces every block of the theme.
  if (!RenameTheme(discussion.Themes, discussion, command.Data1, TStr(name))) {
    RefuseTakenName("Rename theme", name);
    return;
  }
  command.Browse.CurrentBrowseItemChanged();
}

void DeleteThemeCommand(TCommand& command) {
  if (!ValidTheme(command)) {
    MessageBeep(1);
    return;
  }
  command.Discussion->Undo.StartStep();
  DeleteTheme(command.Discussion->Themes, *command.Discussion, command.Data1);
  command.Browse.CurrentBrowseItemChanged();
}

void AddToThemeCommand(TCommand& command) {
  if (!ValidTheme(command) || !command.Block) {
    MessageBeep(1);
    return;
  }
  TDiscussion& discussion = *command.Discussion;
  discussion.Undo.StartStep();
  if (AddBlockToTheme(discussion.Themes, discussion, command.Data1, command.BlockIndex))
    SendBlockNotification(Notify_BlockChanged, discussion, command.BlockIndex, false);
}

void RemoveFromThemeCommand(TCommand& command) {
  if (!ValidTheme(command) || !command.Block) return;
  TDiscussion& discussion = *command.Discussion;
  discussion.Undo.StartStep();
  if (RemoveBlockFromTheme(discussion.Themes, discussion, command.Data1, command.Block->GetDiscBlockCode()))
    SendBlockNotification(Notify_BlockChanged, discussion, command.BlockIndex, false);
}
