// What the menus of a browse window offer: for an item and the state of its window, the
// entries of the window menu (main-menu mode) or of the item's popup, with their command
// codes, data words and enabled flags.

#include "browse/Commandcodes.h"
#include "browse/Lowerlistcollectors.h"
#include "browse/Smartmenufacts.h"
#include "browse/Tgraph.h"
#include "browse/Tformbrowse.h"
#include "browse/Tformbrowsemanager.h"
#include "browse/Tsmartmenu.h"
#include "foundation/Tbrowsepars.h"
#include "model/Tclip.h"
#include "model/Tcomposesentdateitem.h"
#include "model/Blockretrieval.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tpanel.h"
#include "platform/rtl/Tdatetime.h"

namespace {

// The caption of "Up" is written with hyphens that every build turns into non-breaking spaces.
constexpr char kNonBreakingSpace = char(0xA0);

// Where the entries of a section go: under a top-level submenu of the window menu, or
// straight into the popup.
class TSection {
 public:
  TSection(TSmartMenu& menu, const TSmartMenuFacts& facts, const char* title) : fMenu(menu), fMain(facts.MainMenu) {
    if (fMain) fTitle = &menu.AddTopLevel(title, Command_None, true);
  }
  TSmartMenuItem& Parent() { return fMain ? *fTitle : fMenu.Root; }
  // An entry of one mode (main, popup or both) when it is present.
  void Add(bool main, bool popup, bool present, const std::string& caption, uint8_t code, bool enabled,
           int32_t data1 = -1, int32_t data2 = -1) {
    if (present && (fMain ? main : popup)) Parent().Add(caption, code, enabled, data1, data2);
  }
  void Add(bool main, bool popup, bool present, TCaptionedCommand command, bool enabled, int32_t data1 = -1,
           int32_t data2 = -1) {
    Add(main, popup, present, command.Caption, command.Code, enabled, data1, data2);
  }

 private:
  TSmartMenu& fMenu;
  bool fMain;
  TSmartMenuItem* fTitle = nullptr;
};

constexpr bool Main = true, NoMain = false, Popup = true, NoPopup = false;

// The "Open block in" / "Open list in" entries: a new window and the other windows that
// are not in moderation mode.
void AddOpenIn(TSmartMenuItem& parent, const TBrowse& browse) {
  parent.Add(Command_NewWindow, true);
  if (TFormBrowseManager* manager = FormBrowseManager())
    for (int i = 0; i < manager->Count(); ++i) {
      const TBrowse& other = manager->GetFormBrowse(i)->Browse;
      if (&other != &browse && !other.ModerationMode)
        parent.Add(other.GetStringForWindowsMenu(), Command_ShowInWindow, true, i);
    }
}

// The dates of a storage's live blocks, ascending, each once.
std::vector<int> Days(const TDiscussion& discussion, uint8_t storageType) {
  TArray<TComposeSentDateItem> dates;
  if (const TBlocksStorage* storage = discussion.Storages.GetStorage(storageType))
    CollectComposeSentDates(*storage, dates);
  std::vector<int> days;
  for (const TComposeSentDateItem& date : dates) days.push_back(int(double(date.Date)));
  return days;
}

}  // namespace

void TSmartMenu::BuildContents(const TBrowseItem* item, bool mainMenu) {
  if (!Browse) return;
  const TSmartMenuFacts facts(*Browse, *item, RootItem, Index, mainMenu);
  TBrowse& browse = *Browse;
  const TBrowseState& state = browse.CurrentBrowseState;

  // 1. The top of the window menu.
  if (mainMenu) {
    TSmartMenuItem& windows = AddTopLevel("Windows", Command_None, true);
    windows.Add(Command_NewWindow, true);
    if (TFormBrowseManager* manager = FormBrowseManager())
      for (int i = 0; i < manager->Count(); ++i) {
        const TFormBrowse* form = manager->GetFormBrowse(i);
        if (&form->Browse != &browse)
          windows.Add(form->Browse.GetStringForWindowsMenu(), Command_ActivateWindow, true, i);
      }
    AddTopLevel(Command_Back, facts.ListKind != ListKind_ThesisDisputants && facts.ListKind != ListKind_Experts &&
                                  browse.History.Count() > 1);
    AddTopLevel(Command_Contents,
                facts.Kind != BrowseItem_Folder && (!facts.Root || facts.RetrievalList || !facts.UpperPanelShown));
    const bool neighbours = facts.BlockItem && !facts.Root && !facts.LostUpper;
    AddTopLevel(Command_Previous, neighbours);
    AddTopLevel(Command_Next, neighbours);
    AddTopLevel(Command_Help, true);
  }

  if (facts.Kind == BrowseItem_Folder) BuildFolderEntries(facts, *item);
  else BuildItemEntries(facts, *item);

  // 7. The tail of the window menu.
  if (mainMenu) {
    const bool full = state.DisplayMode == DisplayMode_Full;
    TSmartMenuItem& brief =
        AddTopLevel(full ? "Brief" : "Full", Command_BriefFull,
                    facts.Current && !item->Children.empty() && facts.ListKind != ListKind_ThesisDisputants &&
                        facts.Kind != BrowseItem_Folder,
                    -1, -1, "Brief");
    brief.SecondCaption = "Brief";
    AddTopLevel(Command_Chain,
                facts.BlockItem && facts.Block->StorageType != StorageType_Model && !facts.RetrievalList);
    AddTopLevel(Command_Graph, facts.BlockItem);
    std::string up = CommandCaption(Command_Up);
    ReplaceChar(up, '-', kNonBreakingSpace);
    bool upEnabled = facts.UpperPanelShown;
    if (facts.Kind == BrowseItem_Folder) upEnabled = facts.FolderHasParent;
    else if (facts.Kind == BrowseItem_Author) upEnabled = false;
    AddTopLevel(up, Command_Up, upEnabled);
  }
}

void TSmartMenu::BuildFolderEntries(const TSmartMenuFacts& facts, const TBrowseItem& item) {
  TBrowse& browse = *Browse;
  TSection section(*this, facts, "Commands");
  const bool moderation = facts.ModerationMode;
  section.Add(Main, NoPopup, facts.Manager && facts.UnderDiscussed, Command_RunPostModule, true);
  section.Add(Main, NoPopup, true, Command_CloseProgram, true);
  section.Add(Main, NoPopup, facts.Moderator, moderation ? "Browsing" : "Moderating", Command_BrowsingModerating,
              !facts.CreatingWindow);
  section.Add(Main, NoPopup, moderation, Command_ShowAllDiscussions, true);
  if (facts.MainMenu && facts.UnderCreated) {
    TSmartMenuItem& create = section.Parent().Add("Create new model", Command_None, true);
    create.Add("Empty", Command_CreateModel, true, 0);
    create.Add("Marked text", Command_CreateModel, true, 1);
  }
  section.Add(Main, NoPopup, !moderation && facts.UnderCreated, Command_Discussing, true);
  section.Add(Main, NoPopup, !moderation && facts.UnderDiscussed, Command_Creating, true);
  section.Add(Main, NoPopup, true, Command_CloseWindow, true);
  section.Add(Main, NoPopup, facts.Manager && facts.UnderDiscussed, Command_EditAdvertising, true);
  section.Add(Main, NoPopup, facts.Moderator, Command_EditSpammers, true);
  section.Add(Main, NoPopup, true, Command_Customize, true);
  // The login's own data, its Key among them, before it has any discussion.
  section.Add(Main, NoPopup, !facts.CreatingWindow, Command_MyData, true);
  if (facts.MainMenu) {
    TSmartMenuItem& site = section.Parent().Add("Quillaran Web-site", Command_None, true);
    site.Add(Command_Connect, true);
    site.Add(Command_CopyURL, true);
  }
  const bool engineOn = browse.Settings && browse.Settings->PointerEngineOn;
  section.Add(Main, NoPopup, true, engineOn ? "Stop Tiltmark" : "Start Tiltmark", Command_PointerEngine, true);
  section.Add(NoMain, Popup, !moderation, "Open in new window", Command_NewWindow, true);

  // A discussion listed in moderation mode, for its moderator.
  if (facts.MainMenu || !item.Moderation || !facts.Moderator) return;
  TDiscussionsManager* manager = DiscussionsManager();
  if (!manager || item.DiscussionIndex < 0 || item.DiscussionIndex >= manager->GetDiscussionsCount()) return;
  TDiscussion& discussion = manager->GetDiscussion(item.DiscussionIndex);
  if (!discussion.Load()) return;
  TSmartMenuItem& root = Root;
  root.Add("Trustworthy experts", Command_Experts, true, ModerateType_Trustworthy, 0);
  root.Add("Doubtful experts", Command_Experts, true, ModerateType_Doubtful, 0);
  root.Add("Discredited experts", Command_Experts, true, ModerateType_Discredited, 0);
  root.Add("Experts of moderated comments", Command_Experts, true, ModerateType_Undefined, 1);
  root.Add("All experts", Command_Experts, true, ModerateType_Undefined, 0);
  bool discredited = false, publishable = false;
  const TBlocksStorage* comments = discussion.Storages.GetStorage(StorageType_ModeratedComments);
  for (int i = 0; comments && i < comments->Count() && !(discredited && publishable); ++i) {
    const TDiscBlock& comment = comments->Block(i);
    if (comment.DeleteFlag == DeleteFlag_Erased) continue;
    int trust = 0;
    if (AuthorModerateType(discussion, comment.ADIdent, trust) != ModerationCall_Done) continue;
    if (trust == ModerateType_Discredited) discredited = true;
    if (comment.DeleteFlag == DeleteFlag_Recycled) continue;
    if (comment.UnlinkedIndex == NoUnlinkedBlockInfo &&
        (trust == ModerateType_Trustworthy || trust == ModerateType_Doubtful))
      publishable = true;
  }
  if (discredited) root.Add(Command_EraseDiscreditedComments, true, ModerateType_Discredited);
  if (publishable) root.Add(Command_PublishEmbeddedComments, true, ModerateType_Doubtful, ModerateType_Trustworthy);
  if (discussion.Info.Secret) root.Add("Set publicity", Command_SetPublicity, true, 0);
  else root.Add("Set secrecy", Command_SetPublicity, true, 1);
}

namespace {

// Editing the item and its author's data.
void AddEditingEntries(const TSmartMenuFacts& facts, TSection& section) {
  const TDiscBlock* block = facts.Block;
  const bool editable =
      facts.NoteItem || !facts.StoodNote.IsEmpty() ||
      (facts.CreatingWindow && facts.BlockItem && (block->StorageType == StorageType_Model || facts.UnlinkedItem));
  section.Add(NoMain, Popup, facts.BlockItem && !facts.ErasedOrDeletedList, Command_Edit, editable, 1, 1);
  section.Add(NoMain, Popup, (facts.AuthorItem || (facts.BlockItem && !facts.NoteItem)) && !facts.CreatingDiscussion,
              facts.AuthorItem ? "Data" : "Author", Command_Data, true);
}

// The popup of an expert listed in moderation mode, for the moderator: the ratings the
// expert does not have yet.
void AddExpertRatingEntries(const TSmartMenuFacts& facts, const TBrowseItem& item, TSmartMenuItem& root) {
  if (facts.MainMenu || !facts.AuthorItem || !item.Moderation || !facts.Moderator || item.Ident.ADIdent == 0 ||
      item.Ident.ADIdent == 1)
    return;
  int trust = 0;
  if (AuthorModerateType(*facts.Discussion, item.Ident.ADIdent, trust) != ModerationCall_Done) return;
  TSmartMenuItem& expert = root.Add("Set the expert as", Command_None, true);
  if (trust != ModerateType_Trustworthy) expert.Add("Trustworthy", Command_SetTrust, true, ModerateType_Trustworthy);
  if (trust != ModerateType_Doubtful) expert.Add("Doubtful", Command_SetTrust, true, ModerateType_Doubtful);
  if (trust != ModerateType_Discredited) expert.Add("Discredited", Command_SetTrust, true, ModerateType_Discredited);
}

// A note under the current item; a model block in a created state, at the end or before
// the clicked block.
void AddBlockAddingEntries(const TSmartMenuFacts& facts, TSection& section) {
  const bool creating = facts.CreatingWindow && !facts.DisputantsList && facts.BlockItem && !facts.RetrievalList;
  section.Add(Main, Popup, facts.Current && !facts.RetrievalList && facts.ListKind == ListKind_Children,
              Command_AddNote, facts.BlockItem);
  section.Add(Main, NoPopup, creating && facts.Block->StorageType == StorageType_Model, Command_AddBlock, true);
  section.Add(NoMain, Popup, creating && !facts.Current, Command_InsertBlock, true);
}

bool Alive(TDiscBlockIndex, const TDiscBlock& block) { return block.DeleteFlag == DeleteFlag_Alive; }
bool Crossed(TDiscBlockIndex, const TDiscBlock& block) { return block.DeleteFlag == DeleteFlag_Crossed; }
bool Note(TDiscBlockIndex index, const TDiscBlock&) { return index.StorageType == StorageType_Notes; }
// Notes come back from the recycle bin as moderated comments do: Restore takes both.
bool Restorable(TDiscBlockIndex, const TDiscBlock& block) {
  return (block.StorageType == StorageType_ModeratedComments || block.StorageType == StorageType_Notes) &&
         block.DeleteFlag == DeleteFlag_Recycled;
}
bool NoteInTrouble(TDiscBlockIndex, const TDiscBlock& block) {
  return block.StorageType == StorageType_Notes && block.UnlinkedIndex != NoUnlinkedBlockInfo;
}

// Crossing, restoring, deleting and cutting the marked blocks.
void AddRemovingEntries(const TSmartMenuFacts& facts, TSection& section) {
  const uint8_t kind = facts.RetrievalKind;
  const bool blocks = facts.BlockItem && !facts.DisputantsList;
  const bool crossable =
      facts.CreatingWindow && !facts.DisputantsList && (!facts.Current || (facts.BlockItem && !facts.Root));
  section.Add(NoMain, Popup, crossable && facts.AnyMarked(Alive) && kind != Retrieval_PostList, "Cross",
              Command_CrossUncross, true, 1);
  section.Add(NoMain, Popup, crossable && facts.AnyMarked(Crossed), "Uncross", Command_CrossUncross, true, 0);
  section.Add(NoMain, Popup, blocks && facts.AnyMarked(Restorable), Command_Restore, true);
  // Deleting and cutting: in a created state, or marked notes; notes in trouble also from
  // the list of unlinked blocks.
  const bool ruleA = facts.CreatingWindow || facts.AnyMarked(Note);
  const bool ruleB = facts.EveryMarked(NoteInTrouble);
  const bool canDelete =
      (ruleA && ((!facts.Root && !facts.RetrievalList) || (kind != Retrieval_PostList && kind != Retrieval_Erased))) ||
      (ruleB && !facts.Root && facts.RetrievalList && kind == Retrieval_Unlinked);
  // The root holds the whole discussion and is never deleted: it is not offered.
  const bool rootBlock = facts.BlockItem && facts.BlockIndex == facts.Discussion->Storages.GetRootBlockIndex();
  section.Add(NoMain, Popup, blocks && canDelete && !rootBlock, Command_Delete, true);
  section.Add(NoMain, Popup, blocks && ((ruleA && !facts.Root && !facts.RetrievalList) || kind == Retrieval_Deleted),
              Command_Cut, true);
}

// The window menu's themes: a new one, and each to rename or remove.
void AddBelongingsEntries(const TDiscussion& discussion, TSmartMenuItem& belongings) {
  belongings.Add(Command_NewTheme, true);
  for (const auto& [title, code] : {std::pair{"Edit", Command_RenameTheme}, std::pair{"Remove", Command_DeleteTheme}}) {
    TSmartMenuItem& themes = belongings.Add(title, Command_None, false);
    for (uint32_t i = 0; i < discussion.Themes.Count(); ++i)
      if (!discussion.Themes[i].Name.IsEmpty())
        themes.Add(discussion.Themes[i].Name.ToString(), code, true, int32_t(i));
    themes.Enabled = themes.Count() > 0;
  }
}

// The formulas of a conclusion or a formula block, and evaluating a block.
void AddFormulaEntries(const TSmartMenuFacts& facts, TSection& section) {
  const TDiscBlock* block = facts.Block;
  const bool formulas = facts.BlockItem && block->StorageType != StorageType_ModeratedComments &&
                        !facts.RetrievalList && !facts.DisputantsList;
  section.Add(Main, NoPopup, formulas && block->TextType == TextType_Conclusion, Command_Formulas, true);
  section.Add(NoMain, Popup, formulas && block->TextType == TextType_Formula && !facts.CreatingDiscussion, "Formula",
              Command_Formulas, true);
  section.Add(
      NoMain, Popup,
      facts.BlockItem &&
          (facts.BlockIndex.StorageType == StorageType_Model || facts.BlockIndex.StorageType == StorageType_Comments) &&
          !facts.CreatingDiscussion,
      Command_Evaluate, true);
}

// Posting notes: from a popup of a window that is not creating, on anything but a
// moderated comment, once the user has a post list; the last list takes them.
void AddPostingEntries(const TSmartMenuFacts& facts, TSection& section) {
  const TDiscussion* discussion = facts.Discussion;
  const TDiscBlock* block = facts.Block;
  const TBlocksPostList* posts = discussion ? &discussion->User.PostLists : nullptr;
  const bool ruleS = discussion && !facts.MainMenu && !facts.CreatingWindow && facts.BlockItem &&
                     block->StorageType != StorageType_ModeratedComments && posts->Items.Count() > 0;
  const int32_t lastPostList = posts ? int32_t(posts->Items.Count()) - 1 : -1;
  // A posted note has not changed since it went (amending it clears the mark): posted
  // again it would make a second comment of the same text.
  section.Add(NoMain, Popup,
              ruleS && facts.EveryMarked(Note) && !facts.ErasedOrDeletedList && block->Posted == 0 &&
                  posts->Items[uint32_t(lastPostList)].FindBlock(block->GetDiscBlockCode()) < 0,
              Command_Post, true, lastPostList);
  section.Add(NoMain, Popup, ruleS && facts.RetrievalList && facts.RetrievalKind == Retrieval_PostList,
              Command_CancelPosting, true, lastPostList);
}

}  // namespace

void TSmartMenu::BuildItemEntries(const TSmartMenuFacts& facts, const TBrowseItem& item) {
  const bool main = facts.MainMenu, blocks = facts.BlockItem && !facts.DisputantsList;
  TSection section(*this, facts, "Commands");
  section.Add(Main, NoPopup, true, Command_CloseWindow, true);
  section.Add(Main, NoPopup, !facts.DisputantsList, Command_Save, true);
  AddEditingEntries(facts, section);
  AddExpertRatingEntries(facts, item, Root);
  if (main && blocks) BuildRetrievalEntries(facts, section.Parent().Add("Retrieval", Command_None, true));
  section.Add(Main, NoPopup, !facts.DisputantsList, Command_Undo, true);
  AddBlockAddingEntries(facts, section);
  AddRemovingEntries(facts, section);
  section.Add(NoMain, Popup, blocks, Command_Copy, true);
  section.Add(Main, Popup, blocks && (main || !facts.Current) && CanPaste(facts), Command_Paste,
              !facts.RetrievalList && Index.Length() <= 1);
  section.Add(NoMain, Popup,
              facts.UnlinkedItem && facts.Block->DeleteFlag != DeleteFlag_Recycled && !facts.NoteItem &&
                  !facts.CreatingDiscussion,
              Command_FixTrouble, true);
  if (!main && facts.BlockItem) BuildThemeEntries(facts);
  if (main && blocks && !facts.ErasedOrDeletedList)
    AddBelongingsEntries(*facts.Discussion, section.Parent().Add("Belongings", Command_None, true));
  AddFormulaEntries(facts, section);
  section.Add(NoMain, Popup, true, Command_PickOut, true);
  if (main && !facts.DisputantsList) BuildServiceEntries(facts, section.Parent().Add("Service", Command_None, true));
  section.Add(Main, NoPopup, !facts.DisputantsList, Command_Display, true);
  section.Add(NoMain, Popup, true, Command_CopyName, facts.BlockItem);
  section.Add(NoMain, Popup, true, Command_CopyText, facts.BlockItem);
  section.Add(Main, NoPopup, !facts.ErasedOrDeletedList && !facts.DisputantsList, Command_Search, facts.BlockItem);
  AddPostingEntries(facts, section);
  section.Add(NoMain, Popup, facts.BlockItem && !facts.CreatingWindow && !facts.NoteItem, Command_BlockText, true);
  section.Add(Main, NoPopup, blocks, Command_History, true);
  section.Add(Main, NoPopup, facts.Moderator && !facts.DisputantsList,
              facts.ModerationMode ? "Browse mode" : "Moderation mode", Command_BrowsingModerating,
              !facts.CreatingWindow);
  if (!main)
    AddOpenIn(Root.Add(facts.Kind == BrowseItem_Block ? "Open block in" : "Open list in", Command_None, true), *Browse);
}

bool TSmartMenu::CanPaste(const TSmartMenuFacts& facts) const {
  TClip* clip = BlockClipboard();
  TDiscussionsManager* manager = DiscussionsManager();
  if (!clip || clip->IsEmpty() || !manager) return false;
  for (int i = 0; i < clip->Count(); ++i) {
    TDiscussion* source = nullptr;
    TDiscBlockIndex index;
    if (!clip->Resolve(*manager, i, source, index)) return false;
    const bool note = index.StorageType == StorageType_Notes;
    if (!((!note && facts.CreatingWindow) || (note && facts.MainMenu))) return false;
  }
  return true;
}

void TSmartMenu::BuildThemeEntries(const TSmartMenuFacts& facts) {
  const TThemes& themes = facts.Discussion->Themes;
  const TDiscBlockCode code = facts.Block->GetDiscBlockCode();
  if (!facts.Root) {
    TSmartMenuItem& set = Root.Add("Set belonging to", Command_None, false);
    for (uint32_t i = 0; i < themes.Count(); ++i)
      if (!themes[i].Name.IsEmpty())
        set.Add(themes[i].Name.ToString(), Command_AddToTheme, themes[i].FindBlock(code) < 0, int32_t(i));
    for (const TSmartMenuItem& entry : set.SubItems) set.Enabled |= entry.Enabled;
  }
  TSmartMenuItem& remove = Root.Add("Remove belonging to", Command_None, false);
  for (uint32_t i = 0; i < themes.Count(); ++i)
    if (themes[i].FindBlock(code) >= 0)
      remove.Add(themes[i].Name.ToString(), Command_RemoveFromTheme, true, int32_t(i));
  remove.Enabled = !facts.Root && remove.Count() > 0;
}

void TSmartMenu::BuildRetrievalEntries(const TSmartMenuFacts& facts, TSmartMenuItem& retrieval) {
  const TDiscussion& discussion = *facts.Discussion;
  const bool created = facts.CreatingDiscussion;
  auto add = [&](bool present, const char* caption, int32_t kind) {
    if (present) retrieval.Add(caption, Command_Retrieval, true, kind);
  };
  add(!created, "Arguable", Retrieval_Arguable);
  add(true, "Significant", Retrieval_Significant);
  add(true, "New", Retrieval_New);
  add(!created, "False", Retrieval_False);
  add(!created, "Interesting", Retrieval_Interesting);
  add(!created, "Trite", Retrieval_Trite);
  add(true, "Conclusions", Retrieval_Conclusions);
  for (uint32_t i = 0; i < discussion.Themes.Count(); ++i)
    if (!discussion.Themes[i].Name.IsEmpty())
      retrieval.Add("Theme " + discussion.Themes[i].Name.ToString(), Command_Retrieval, true, Retrieval_Theme,
                    int32_t(i));
  if (!created) {
    const TBlocksPostList& posts = discussion.User.PostLists;
    for (uint32_t i = 0; i < posts.Items.Count(); ++i)
      if (!posts.Items[i].Name.IsEmpty() && posts.Items[i].Blocks.Count() > 0)
        retrieval.Add(posts.Items[i].Name.ToString(), Command_Retrieval, true, Retrieval_PostList,
                      int32_t(posts.Items[i].Number));
    const std::vector<int> days = Days(discussion, StorageType_Comments);
    TSmartMenuItem& published = retrieval.Add("Comments published on", Command_None, !days.empty());
    for (int day : days)
      published.Add(FormatDateTime("mm'/'dd'/'yyyy", TDateTime(day)), Command_Retrieval, true, Retrieval_CommentsOfDay,
                    day);
    const TBlocksStorage* moderated = discussion.Storages.GetStorage(StorageType_ModeratedComments);
    add(moderated && moderated->Count() > 0, "Moderated comments", Retrieval_ModeratedComments);
  }
  const std::vector<int> noteDays = Days(discussion, StorageType_Notes);
  if (!noteDays.empty()) {
    TSmartMenuItem& composed = retrieval.Add("Notes composed on", Command_None, true);
    for (int day : noteDays)
      composed.Add(FormatDateTime("mm'/'dd'/'yy", TDateTime(day)), Command_Retrieval, true, Retrieval_NotesOfDay, day);
  }
  add(!created, "Unread", Retrieval_Unread);
  add(created, "Crossed", Retrieval_Crossed);
  add(true, "Deleted", Retrieval_Deleted);
  add(true, "Erased", Retrieval_Erased);
  add(true, "Problem", Retrieval_Unlinked);
}

void TSmartMenu::BuildServiceEntries(const TSmartMenuFacts& facts, TSmartMenuItem& service) {
  TDiscussion* discussion = facts.Discussion;
  const bool has = discussion != nullptr;
  const bool created = facts.CreatingDiscussion;
  auto add = [&](bool present, TCaptionedCommand command, bool enabled = true) {
    if (present) service.Add(command, enabled);
  };
  add(true, Command_CloseDiscussion, has);
  add(has, Command_FormPublishedModel, created);
  add(has && !created, Command_DiscussionInfo);
  add(has, Command_Statistics);
  add(has, Command_Renumerate);
  add(has && facts.BlockItem && !created, Command_ThesisDisputants);
  add(true, Command_SaveDatabase);
  add(has && (facts.ModelAuthor || facts.Leader), Command_ManualBackup);
  add(!facts.CreatingWindow, Command_MyData);
  if (has && !facts.CreatingWindow && !facts.ModerationMode) {
    TSmartMenuItem& post = service.Add("Form post command", Command_None, true);
    const std::string suffix = discussion->Info.SubscribersOnly ? " (list)" : " (to all)";
    const bool model = facts.ModelAuthor, leader = facts.Leader, moderator = facts.Moderator;
    const bool identified = facts.MyADIdent != 0xFFFF;
    if (model && !discussion->Info.IsModerated()) post.Add(Command_RegistrateModel, true);
    if (model || moderator) post.Add(Command_Annotation, true);
    if (model || moderator) post.Add(Command_FormNewDiscussion, true);
    if (!leader && !identified) post.Add(Command_GiveMyIdentifier, true);
    if (identified) post.Add(Command_PublishMyData, true, 1);
    const TBlocksPostList& posts = discussion->User.PostLists;
    if (posts.Items.Count() > 0 && posts.Items[posts.Items.Count() - 1].Blocks.Count() > 0)
      post.Add(CommandCaption(Command_SendPost) + (leader ? suffix : ""), Command_SendPost, true,
               int32_t(posts.Items.Count()) - 1);
    if (!leader && !model && facts.Manager) {
      if (discussion->Info.Subscribed) post.Add(Command_Unsubscribe, true);
      else post.Add(Command_Subscribe, true);
    }
    if ((facts.Manager || model) && !leader) post.Add(Command_RequestBlocksList, true);
    if (leader)
      post.Add(std::string(CommandCaption(Command_ExistingBlocksList)) +
                   (discussion->Info.BlockNamesRequesters.IsEmpty() ? " (to all)" : " (to requesters)"),
               Command_ExistingBlocksList, true);
  }
  add(has && facts.Leader && !created, Command_EditSubscribers);
  const auto* graph = has ? dynamic_cast<const TGraph*>(discussion->Graph.get()) : nullptr;
  add(graph && graph->IsBuilt(), Command_ReformGraph);
}
