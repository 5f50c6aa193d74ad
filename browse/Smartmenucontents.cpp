// What the menus of a browse window offer: for an item and the state of its window, the
// entries of the window menu (main-menu mode) or of the item's popup, with their command
// codes, data words and enabled flags.

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
#include "postoffice/Tmoderatecaller.h"

namespace {

// The caption of "Up": hyphens that every build turns into non-breaking spaces.
constexpr const char* kUpCaption = "-----Up-----";
constexpr char kNonBreakingSpace = char(0xA0);

// Where the entries of a section go: under a top-level submenu of the window menu, or
// straight into the popup.
class TSection {
 public:
  TSection(TSmartMenu& menu, const TSmartMenuFacts& facts, const char* title) : fMenu(menu), fMain(facts.MainMenu) {
    if (fMain) fTitle = &menu.AddTopLevel(title, 0, true);
  }
  TSmartMenuItem& Parent() { return fMain ? *fTitle : fMenu.Root; }
  // An entry of one mode (main, popup or both) when it is present.
  void Add(bool main, bool popup, bool present, const std::string& caption, uint8_t code, bool enabled,
           int32_t data1 = -1, int32_t data2 = -1) {
    if (present && (fMain ? main : popup)) Parent().Add(caption, code, enabled, data1, data2);
  }

 private:
  TSmartMenu& fMenu;
  bool fMain;
  TSmartMenuItem* fTitle = nullptr;
};

constexpr bool Main = true, NoMain = false, Popup = true, NoPopup = false;

TModerateCaller* Moderation() { return ModerateCaller(); }

std::string DIdentOf(const TDiscussion& discussion) { return discussion.Info.DIdent.ToString(); }

// The "Open block in" / "Open list in" entries: a new window and the other windows that
// are not in moderation mode.
void AddOpenIn(TSmartMenuItem& parent, const TBrowse& browse) {
  parent.Add("New window", 9, true);
  if (TFormBrowseManager* manager = FormBrowseManager())
    for (int i = 0; i < manager->Count(); ++i) {
      const TBrowse& other = manager->GetFormBrowse(i)->Browse;
      if (&other != &browse && !other.ModerationMode) parent.Add(other.GetStringForWindowsMenu(), 51, true, i);
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
    TSmartMenuItem& windows = AddTopLevel("Windows", 0, true);
    windows.Add("New window", 9, true);
    if (TFormBrowseManager* manager = FormBrowseManager())
      for (int i = 0; i < manager->Count(); ++i) {
        const TFormBrowse* form = manager->GetFormBrowse(i);
        if (&form->Browse != &browse) windows.Add(form->Browse.GetStringForWindowsMenu(), 20, true, i);
      }
    AddTopLevel("Back", 12, facts.ListKind != ListKind_ThesisDisputants && facts.ListKind != ListKind_Experts && browse.History.Count() > 1);
    AddTopLevel("Contents", 2,
                facts.Kind != BrowseItem_Folder && (!facts.Root || facts.RetrievalList || !facts.UpperPanelShown));
    const bool neighbours = facts.BlockItem && !facts.Root && !facts.LostUpper;
    AddTopLevel("Previous", 14, neighbours);
    AddTopLevel("Next", 13, neighbours);
    AddTopLevel("Help", 84, true);
  }

  if (facts.Kind == BrowseItem_Folder) BuildFolderEntries(facts, *item);
  else BuildItemEntries(facts, *item);

  // 7. The tail of the window menu.
  if (mainMenu) {
    const bool full = state.DisplayMode == DisplayMode_Full;
    TSmartMenuItem& brief =
        AddTopLevel(full ? "Brief" : "Full", 5,
                    facts.Current && !item->Children.empty() && facts.ListKind != ListKind_ThesisDisputants && facts.Kind != BrowseItem_Folder,
                    -1, -1, "Brief");
    brief.SecondCaption = "Brief";
    AddTopLevel("Chain", 24, facts.BlockItem && facts.Block->StorageType != StorageType_Model && !facts.RetrievalList);
    AddTopLevel("Graph", 40, facts.BlockItem);
    std::string up = kUpCaption;
    ReplaceChar(up, '-', kNonBreakingSpace);
    bool upEnabled = facts.UpperPanelShown;
    if (facts.Kind == BrowseItem_Folder) upEnabled = facts.FolderHasParent;
    else if (facts.Kind == BrowseItem_Author) upEnabled = false;
    AddTopLevel(up, 1, upEnabled);
  }
}

void TSmartMenu::BuildFolderEntries(const TSmartMenuFacts& facts, const TBrowseItem& item) {
  TBrowse& browse = *Browse;
  TSection section(*this, facts, "Commands");
  const bool moderation = facts.ModerationMode;
  section.Add(Main, NoPopup, facts.Manager && facts.UnderDiscussed, "Run post module", 52, true);
  section.Add(Main, NoPopup, true, "Close Quillaran", 49, true);
  section.Add(Main, NoPopup, facts.Moderator, moderation ? "Browsing" : "Moderating", 64, !facts.CreatingWindow);
  section.Add(Main, NoPopup, moderation, "Show all discussions", 81, true);
  if (facts.MainMenu && facts.UnderCreated) {
    TSmartMenuItem& create = section.Parent().Add("Create new model", 0, true);
    create.Add("Empty", 19, true, 0);
    create.Add("Marked text", 19, true, 1);
  }
  section.Add(Main, NoPopup, !moderation && facts.UnderCreated, "Discussing", 82, true);
  section.Add(Main, NoPopup, !moderation && facts.UnderDiscussed, "Creating", 83, true);
  section.Add(Main, NoPopup, true, "Close window", 102, true);
  section.Add(Main, NoPopup, facts.Manager && facts.UnderDiscussed, "Edit advertising list", 97, true);
  section.Add(Main, NoPopup, facts.Moderator, "Edit spammers list", 95, true);
  section.Add(Main, NoPopup, true, "Customize", 75, true);
  if (facts.MainMenu) {
    TSmartMenuItem& site = section.Parent().Add("Quillaran Web-site", 0, true);
    site.Add("Connect", 103, true);
    site.Add("Copy URL", 104, true);
  }
  const bool engineOn = browse.Settings && browse.Settings->PointerEngineOn;
  section.Add(Main, NoPopup, true, engineOn ? "Stop Tiltmark" : "Start Tiltmark", 105, true);
  section.Add(NoMain, Popup, !moderation, "Open in new window", 9, true);

  // A discussion listed in moderation mode, for its moderator.
  if (facts.MainMenu || !item.Moderation || !facts.Moderator) return;
  TDiscussionsManager* manager = DiscussionsManager();
  if (!manager || item.DiscussionIndex < 0 || item.DiscussionIndex >= manager->GetDiscussionsCount()) return;
  TDiscussion& discussion = manager->GetDiscussion(item.DiscussionIndex);
  if (!discussion.Load()) return;
  TSmartMenuItem& root = Root;
  root.Add("Trustworthy experts", 65, true, 1, 0);
  root.Add("Doubtful experts", 65, true, 2, 0);
  root.Add("Discredited experts", 65, true, 3, 0);
  root.Add("Experts of moderated comments", 65, true, 0, 1);
  root.Add("All experts", 65, true, 0, 0);
  bool discredited = false, publishable = false;
  const TBlocksStorage* comments = discussion.Storages.GetStorage(StorageType_ModeratedComments);
  TModerateCaller* caller = Moderation();
  for (int i = 0; comments && caller && i < comments->Count() && !(discredited && publishable); ++i) {
    const TDiscBlock& comment = comments->Block(i);
    if (comment.DeleteFlag == DeleteFlag_Erased) continue;
    int32_t trust = 0;
    const uint8_t status = caller->GetAuthorModerateType(DIdentOf(discussion), comment.ADIdent, trust);
    if (status == 2 && trust == 3) discredited = true;
    if (comment.DeleteFlag == DeleteFlag_Recycled) continue;
    if (comment.UnlinkedIndex == NoUnlinkedBlockInfo && status == 2 && (trust == 1 || trust == 2)) publishable = true;
  }
  if (discredited) root.Add("Erase comments of discredited experts", 67, true, 3);
  if (publishable) root.Add("Publish embedded comments", 68, true, 2, 1);
  if (discussion.Info.Secret) root.Add("Set publicity", 85, true, 0);
  else root.Add("Set secrecy", 85, true, 1);
}

void TSmartMenu::BuildItemEntries(const TSmartMenuFacts& facts, const TBrowseItem& item) {
  TBrowse& browse = *Browse;
  TDiscussion* discussion = facts.Discussion;
  const TDiscBlock* block = facts.Block;
  const bool main = facts.MainMenu;
  const bool notDisputants = facts.ListKind != ListKind_ThesisDisputants;
  const uint8_t kind = facts.RetrievalKind;
  const bool erasedOrDeleted = kind == Retrieval_Erased || kind == Retrieval_Deleted;
  const bool note = facts.BlockItem && block->StorageType == StorageType_Notes;
  const bool blockUnlinked = facts.BlockItem && block->UnlinkedIndex != NoUnlinkedBlockInfo;
  auto markedWith = [&](auto test) {
    for (TDiscBlockIndex index : facts.Marked)
      if (const TDiscBlock* marked = discussion && discussion->Storages.IsValidIndex(index)
                                         ? discussion->Storages.GetDiscBlock(index)
                                         : nullptr)
        if (test(index, *marked)) return true;
    return false;
  };
  auto allMarked = [&](auto test) { return !markedWith([&](TDiscBlockIndex i, const TDiscBlock& b) { return !test(i, b); }); };

  TSection section(*this, facts, "Commands");
  section.Add(Main, NoPopup, true, "Close window", 102, true);
  section.Add(Main, NoPopup, notDisputants, "Save", 7, true);
  section.Add(NoMain, Popup, facts.BlockItem && !erasedOrDeleted, "Edit", 17,
              note || (facts.CreatingWindow && facts.BlockItem && (block->StorageType == StorageType_Model || blockUnlinked)),
              1, 1);
  section.Add(NoMain, Popup, (facts.AuthorItem || (facts.BlockItem && !note)) && !facts.CreatingDiscussion,
              facts.AuthorItem ? "Data" : "Author", 21, true);
  if (!main && facts.AuthorItem && item.Moderation && facts.Moderator && item.Ident.ADIdent != 0 &&
      item.Ident.ADIdent != 1)
    if (TModerateCaller* caller = Moderation()) {
      int32_t trust = 0;
      if (caller->GetAuthorModerateType(DIdentOf(*discussion), item.Ident.ADIdent, trust) == 2) {
        TSmartMenuItem& expert = Root.Add("Set the expert as", 0, true);
        if (trust != 1) expert.Add("Trustworthy", 66, true, 1);
        if (trust != 2) expert.Add("Doubtful", 66, true, 2);
        if (trust != 3) expert.Add("Discredited", 66, true, 3);
      }
    }
  if (main && facts.BlockItem && notDisputants) BuildRetrievalEntries(facts, section.Parent().Add("Retrieval", 0, true));
  section.Add(Main, NoPopup, notDisputants, "Undo", 34, true);
  section.Add(Main, Popup, facts.Current && !facts.RetrievalList && facts.ListKind == ListKind_Children, "Add note", 8, facts.BlockItem);
  section.Add(Main, NoPopup,
              facts.CreatingWindow && notDisputants && facts.BlockItem && block->StorageType == StorageType_Model &&
                  !facts.RetrievalList,
              "Add block", 35, true);
  section.Add(NoMain, Popup,
              facts.CreatingWindow && notDisputants && facts.BlockItem && !facts.Current && !facts.RetrievalList,
              "Insert block", 36, true);
  const bool crossable = facts.CreatingWindow && notDisputants && (!facts.Current || (facts.BlockItem && !facts.Root));
  section.Add(NoMain, Popup,
              crossable && markedWith([](TDiscBlockIndex, const TDiscBlock& b) { return b.DeleteFlag == DeleteFlag_Alive; }) &&
                  kind != Retrieval_PostList,
              "Cross", 90, true, 1);
  section.Add(NoMain, Popup,
              crossable && markedWith([](TDiscBlockIndex, const TDiscBlock& b) { return b.DeleteFlag == DeleteFlag_Crossed; }),
              "Uncross", 90, true, 0);
  // Notes come back from the recycle bin as moderated comments do: Restore takes both.
  section.Add(NoMain, Popup,
              facts.BlockItem && notDisputants && markedWith([](TDiscBlockIndex, const TDiscBlock& b) {
                return (b.StorageType == StorageType_ModeratedComments || b.StorageType == StorageType_Notes) &&
                       b.DeleteFlag == DeleteFlag_Recycled;
              }),
              "Restore", 98, true);
  // Deleting and cutting: in a created state, or marked notes; notes in trouble also from
  // the list of unlinked blocks.
  const bool ruleA = facts.CreatingWindow ||
                     markedWith([](TDiscBlockIndex i, const TDiscBlock&) { return i.StorageType == StorageType_Notes; });
  const bool ruleB = allMarked([](TDiscBlockIndex, const TDiscBlock& b) {
    return b.StorageType == StorageType_Notes && b.UnlinkedIndex != NoUnlinkedBlockInfo;
  });
  const bool canDelete = (ruleA && ((!facts.Root && !facts.RetrievalList) || (kind != Retrieval_PostList && kind != Retrieval_Erased))) ||
                         (ruleB && !facts.Root && facts.RetrievalList && kind == Retrieval_Unlinked);
  // The root holds the whole discussion and is never deleted: it is not offered.
  const bool rootBlock = facts.BlockItem && facts.BlockIndex == discussion->Storages.GetRootBlockIndex();
  section.Add(NoMain, Popup, facts.BlockItem && notDisputants && canDelete && !rootBlock, "Delete", 29, true);
  section.Add(NoMain, Popup,
              facts.BlockItem && notDisputants && ((ruleA && !facts.Root && !facts.RetrievalList) || kind == Retrieval_Deleted), "Cut",
              39, true);
  section.Add(NoMain, Popup, facts.BlockItem && notDisputants, "Copy", 37, true);
  section.Add(Main, Popup, facts.BlockItem && notDisputants && (main || !facts.Current) && CanPaste(facts), "Paste", 38,
              !facts.RetrievalList && Index.Length() <= 1);
  section.Add(NoMain, Popup,
              blockUnlinked && block->DeleteFlag != DeleteFlag_Recycled && !note && !facts.CreatingDiscussion,
              "Fix trouble", 100, true);
  if (!main && facts.BlockItem) BuildThemeEntries(facts);
  if (main && facts.BlockItem && !erasedOrDeleted && notDisputants) {
    TSmartMenuItem& belongings = section.Parent().Add("Belongings", 0, true);
    belongings.Add("New", 30, true);
    for (const auto& [title, code] : {std::pair{"Edit", uint8_t(47)}, std::pair{"Remove", uint8_t(50)}}) {
      TSmartMenuItem& themes = belongings.Add(title, 0, false);
      for (uint32_t i = 0; i < discussion->Themes.Count(); ++i)
        if (!discussion->Themes[i].Name.IsEmpty()) themes.Add(discussion->Themes[i].Name.ToString(), code, true, int32_t(i));
      themes.Enabled = themes.Count() > 0;
    }
  }
  const bool formulas = facts.BlockItem && block->StorageType != StorageType_ModeratedComments &&
                        !facts.RetrievalList && notDisputants;
  section.Add(Main, NoPopup, formulas && block->TextType == TextType_Conclusion, "Formulas", 16, true);
  section.Add(NoMain, Popup, formulas && block->TextType == TextType_Formula && !facts.CreatingDiscussion, "Formula", 16,
              true);
  section.Add(NoMain, Popup,
              facts.BlockItem &&
                  (facts.BlockIndex.StorageType == StorageType_Model || facts.BlockIndex.StorageType == StorageType_Comments) &&
                  !facts.CreatingDiscussion,
              "Evaluate", 15, true);
  section.Add(NoMain, Popup, true, "Pick out", 41, true);
  if (main && notDisputants) BuildServiceEntries(facts, section.Parent().Add("Service", 0, true));
  section.Add(Main, NoPopup, notDisputants, "Display", 43, true);
  section.Add(NoMain, Popup, true, "Copy name", 44, facts.BlockItem);
  section.Add(NoMain, Popup, true, "Copy text", 76, facts.BlockItem);
  section.Add(Main, NoPopup, !erasedOrDeleted && notDisputants, "Search", 42, facts.BlockItem);
  // Posting notes: from a popup of a window that is not creating, on anything but a
  // moderated comment, once the user has a post list.
  const TBlocksPostList* posts = discussion ? &discussion->User.PostLists : nullptr;
  const bool ruleS = discussion && !main && !facts.CreatingWindow && facts.BlockItem &&
                     block->StorageType != StorageType_ModeratedComments && posts->Items.Count() > 0;
  const int32_t lastPostList = posts ? int32_t(posts->Items.Count()) - 1 : -1;
  section.Add(NoMain, Popup,
              ruleS && allMarked([](TDiscBlockIndex, const TDiscBlock& b) { return b.StorageType == StorageType_Notes; }) &&
                  !erasedOrDeleted && posts->Items[uint32_t(lastPostList)].FindBlock(block->GetDiscBlockCode()) < 0,
              "Post", 54, true, lastPostList);
  section.Add(NoMain, Popup, ruleS && facts.RetrievalList && kind == Retrieval_PostList, "Cancel posting", 58, true, lastPostList);
  section.Add(NoMain, Popup, facts.BlockItem && !facts.CreatingWindow && !note, "Block text", 91, true);
  section.Add(Main, NoPopup, facts.BlockItem && notDisputants, "History", 33, true);
  section.Add(Main, NoPopup, facts.Moderator && notDisputants, facts.ModerationMode ? "Browse mode" : "Moderation mode",
              64, !facts.CreatingWindow);
  if (!main) AddOpenIn(Root.Add(facts.Kind == BrowseItem_Block ? "Open block in" : "Open list in", 0, true), browse);
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
    TSmartMenuItem& set = Root.Add("Set belonging to", 0, false);
    for (uint32_t i = 0; i < themes.Count(); ++i)
      if (!themes[i].Name.IsEmpty())
        set.Add(themes[i].Name.ToString(), 46, themes[i].FindBlock(code) < 0, int32_t(i));
    for (const TSmartMenuItem& entry : set.SubItems) set.Enabled |= entry.Enabled;
  }
  TSmartMenuItem& remove = Root.Add("Remove belonging to", 0, false);
  for (uint32_t i = 0; i < themes.Count(); ++i)
    if (themes[i].FindBlock(code) >= 0) remove.Add(themes[i].Name.ToString(), 31, true, int32_t(i));
  remove.Enabled = !facts.Root && remove.Count() > 0;
}

void TSmartMenu::BuildRetrievalEntries(const TSmartMenuFacts& facts, TSmartMenuItem& retrieval) {
  const TDiscussion& discussion = *facts.Discussion;
  const bool created = facts.CreatingDiscussion;
  auto add = [&](bool present, const char* caption, int32_t kind) {
    if (present) retrieval.Add(caption, 32, true, kind);
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
      retrieval.Add("Theme " + discussion.Themes[i].Name.ToString(), 32, true, Retrieval_Theme, int32_t(i));
  if (!created) {
    const TBlocksPostList& posts = discussion.User.PostLists;
    for (uint32_t i = 0; i < posts.Items.Count(); ++i)
      if (!posts.Items[i].Name.IsEmpty() && posts.Items[i].Blocks.Count() > 0)
        retrieval.Add(posts.Items[i].Name.ToString(), 32, true, Retrieval_PostList, int32_t(posts.Items[i].Number));
    const std::vector<int> days = Days(discussion, StorageType_Comments);
    TSmartMenuItem& published = retrieval.Add("Comments published on", 0, !days.empty());
    for (int day : days) published.Add(FormatDateTime("mm'/'dd'/'yyyy", TDateTime(day)), 32, true, Retrieval_CommentsOfDay, day);
    const TBlocksStorage* moderated = discussion.Storages.GetStorage(StorageType_ModeratedComments);
    add(moderated && moderated->Count() > 0, "Moderated comments", Retrieval_ModeratedComments);
  }
  const std::vector<int> noteDays = Days(discussion, StorageType_Notes);
  if (!noteDays.empty()) {
    TSmartMenuItem& composed = retrieval.Add("Notes composed on", 0, true);
    for (int day : noteDays) composed.Add(FormatDateTime("mm'/'dd'/'yy", TDateTime(day)), 32, true, Retrieval_NotesOfDay, day);
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
  auto add = [&](bool present, const char* caption, uint8_t code, bool enabled = true) {
    if (present) service.Add(caption, code, enabled);
  };
  add(true, "Close discussion", 77, has);
  add(has, "Form published model", 78, created);
  add(has && !created, "Discussion info", 18);
  add(has, "Discussion statistics", 99);
  add(has, "Renumerate", 101);
  add(has && facts.BlockItem && !created, "The thesis disputants", 23);
  add(true, "Save database", 6);
  add(has && (facts.ModelAuthor || facts.Leader), "Manual backup", 89);
  add(!facts.CreatingWindow, "My data", 22);
  if (has && !facts.CreatingWindow && !facts.ModerationMode) {
    TSmartMenuItem& post = service.Add("Form post command", 0, true);
    const std::string suffix = discussion->Info.SubscribersOnly ? " (list)" : " (to all)";
    const bool model = facts.ModelAuthor, leader = facts.Leader, moderator = facts.Moderator;
    const bool identified = facts.MyADIdent != 0xFFFF;
    if (model && !discussion->Info.IsModerated()) post.Add("Registrate model", 60, true);
    if (model || moderator) post.Add("Annotation", 62, true);
    if (model || moderator) post.Add("Form new discussion", 61, true);
    if (!leader && !identified) post.Add("Give my identifier", 63, true);
    if (identified) post.Add("Publish my data", 71, true, 1);
    const TBlocksPostList& posts = discussion->User.PostLists;
    if (posts.Items.Count() > 0 && posts.Items[posts.Items.Count() - 1].Blocks.Count() > 0)
      post.Add(leader ? "Send post" + suffix : "Send post", 59, true, int32_t(posts.Items.Count()) - 1);
    if (!leader && !model && facts.Manager) {
      if (discussion->Info.Subscribed) post.Add("Unsubscribe me", 87, true);
      else post.Add("Subscribe me", 96, true);
    }
    if ((facts.Manager || model) && !leader) post.Add("Request blocks list", 88, true);
    if (leader)
      post.Add(std::string("Existing blocks list") +
                   (discussion->Info.BlockNamesRequesters.IsEmpty() ? " (to all)" : " (to requesters)"),
               94, true);
  }
  add(has && facts.Leader && !created, "Edit subscribers list", 74);
  const auto* graph = has ? dynamic_cast<const TGraph*>(discussion->Graph.get()) : nullptr;
  add(graph && graph->IsBuilt(), "Reform Graph", 92);
}
