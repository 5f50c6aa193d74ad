// What the menus of a browse window offer for an item and the state of its window.

#include "Lowerlisttest.h"

#include "browse/Lowerlistcollectors.h"
#include "browse/Smartmenufacts.h"
#include "foundation/Tbrowseglobal.h"
#include "model/Blockretrieval.h"
#include "model/Tclip.h"
#include "model/Themeoperations.h"
#include "model/Tunlinkedblockinfo.h"
#include "platform/rtl/Tdatetime.h"
#include "tests/support/Testsupport.h"

namespace browsetest {
namespace {

// A menu as the user reads it: each entry its caption, "-" when it is disabled, its
// sub-items in braces. (What choosing an entry does is for the commands' tests.)
std::string Dump(const TSmartMenuItem& item) {
  std::string text;
  for (const TSmartMenuItem& entry : item.SubItems) {
    if (!text.empty()) text += ' ';
    std::string caption = entry.Caption.ToString();
    for (char& c : caption) c = c == char(0xA0) ? '_' : c;
    text += caption;
    if (!entry.Enabled) text += "-";
    if (!entry.SubItems.empty()) text += "{" + Dump(entry) + "}";
  }
  return text;
}

const TSmartMenuItem* Find(const TSmartMenuItem& item, const std::string& caption) {
  for (const TSmartMenuItem& entry : item.SubItems) {
    if (entry.Caption.ToString() == caption) return &entry;
    if (const TSmartMenuItem* found = Find(entry, caption)) return found;
  }
  return nullptr;
}

class MenuContents : public LowerListTest {
 protected:
  void SetUp() override {
    LowerListTest::SetUp();
    browse.Menu.Bind(&browse, nullptr);
    browse.PopupMenu.Bind(&browse, nullptr);
    browse.CurrentBrowseState.ListKind = ListKind_Children;
  }
  std::string Main() {
    browse.Menu.Build(TBrowseItemIndex(), browse.CurrentBrowseState.CurrentItem, 1);
    return Dump(browse.Menu.Root);
  }
  std::string Sub(const std::string& caption) {
    const TSmartMenuItem* item = Find(browse.Menu.Root, caption);
    return item ? Dump(*item) : "absent";
  }
  std::string Popup(const TBrowseItemIndex& index) {
    browse.PopupMenu.Build(index, browse.CurrentBrowseState.CurrentItem, 0);
    return Dump(browse.PopupMenu.Root);
  }
  // The window's item gets a child of that block, shown in a service row.
  TBrowseItemIndex ListChild(TDiscBlockIndex block) {
    TBrowseItem child;
    child.Ident.SetDiscBlock(*d, block);
    TBrowseItem& current = browse.CurrentBrowseState.CurrentItem;
    current.Children.push_back(child);
    TBrowseItemIndex index = Path({uint16_t(current.Children.size() - 1)});
    browse.InsertLowerListRow(int(browse.CurrentBrowseState.Rows.Count()), LowerListRow_Service, index, 10);
    return index;
  }
};

const std::string kUp = "_____Up_____";

TEST_F(MenuContents, TheWindowMenuOfTheRootBlock) {
  Show(root);
  // Without a form the upper panel counts as closed: "Contents" on, "Up" off.
  EXPECT_EQ(Main(),
            "Windows{New window} Back- Contents Previous- Next- Help "
            "Commands{Close window Save Retrieval{Arguable Significant New "
            "False Interesting Trite Conclusions Comments published on- "
            "Unread Deleted Erased Problem} Undo Add note "
            "Belongings{New Edit- Remove-} Service{Close discussion Form published model- Discussion info "
            "Discussion statistics Renumerate The thesis disputants Save database My data "
            "Form post command{Give my identifier}} Display Search History} "
            "Full- Chain- Graph " +
                kUp + "-");
  EXPECT_EQ(browse.Menu.Root.Item(7).SecondCaption.ToString(), "Brief");
  // The lower list in full: the entry offers "Brief".
  browse.CurrentBrowseState.DisplayMode = DisplayMode_Full;
  const TDiscBlockIndex child = Add(StorageType_Model, root);
  ListChild(child);
  EXPECT_NE(Main().find(" Brief "), std::string::npos);
}

TEST_F(MenuContents, AWindowWithoutADiscussionOffersWhatNeedsNone) {
  Show(Add(StorageType_Model, root));
  browse.CurrentBrowseState.DiscussionIndex = -1;
  EXPECT_EQ(Main(),
            "Windows{New window} Back- Contents Previous- Next- Help "
            "Commands{Close window Save Undo Add note- Service{Close discussion- Save database "
            "My data} Display Search-} Full- Chain- Graph- " +
                kUp + "-");
}

TEST_F(MenuContents, TheDisputantsOfAThesisLeaveNoEditing) {
  const TDiscBlockIndex block = Add(StorageType_Model, root);
  Show(block);
  browse.CurrentBrowseState.ListKind = ListKind_ThesisDisputants;
  Main();
  EXPECT_EQ(Sub("Commands"), "Close window");
  const TBrowseItemIndex row = ListChild(Add(StorageType_Model, block));
  EXPECT_EQ(Popup(row),
            "Edit- Author Set belonging to- Remove belonging to- Evaluate Pick out Copy name "
            "Copy text Block text Open block in{New window}");
}

TEST_F(MenuContents, ThemesAreOfferedByWhetherTheBlockBelongsToThem) {
  const TDiscBlockIndex block = Add(StorageType_Model, root);
  for (const char* name : {"Air", "Soil", "Water"}) ASSERT_TRUE(AddTheme(d->Themes, *d, name));
  ASSERT_TRUE(AddBlockToTheme(d->Themes, *d, 1, block));
  Show(root);
  const TBrowseItemIndex row = ListChild(block);
  const std::string popup = Popup(row);
  EXPECT_NE(popup.find("Set belonging to{Air Soil- Water} "
                       "Remove belonging to{Soil}"),
            std::string::npos)
      << popup;
  Main();
  EXPECT_EQ(Sub("Belongings"),
            "New Edit{Air Soil Water} "
            "Remove{Air Soil Water}");
  EXPECT_NE(Sub("Retrieval").find("Theme Air Theme Soil Theme Water"), std::string::npos);

  // A theme without a name is only listed where the block is taken out of it.
  d->Themes[1].Name.Clear();
  EXPECT_NE(Popup(row).find("Set belonging to{Air Water} Remove belonging to{}"), std::string::npos);
  Main();
  EXPECT_EQ(Sub("Retrieval").find("Theme Soil"), std::string::npos);
  // The root block shown: nothing to set, and nothing to remove.
  ASSERT_TRUE(AddBlockToTheme(d->Themes, *d, 0, root));
  EXPECT_NE(Popup(TBrowseItemIndex()).find("Remove belonging to-{Air}"), std::string::npos);
  EXPECT_EQ(Popup(TBrowseItemIndex()).find("Set belonging to"), std::string::npos);
}

TEST_F(MenuContents, AnItemPopupInACreatedStateOffersEditing) {
  const TDiscBlockIndex block = Add(StorageType_Model, root);
  const TDiscBlockIndex crossed = Add(StorageType_Model, root);
  Block(crossed).DeleteFlag = DeleteFlag_Crossed;
  Show(root);
  browse.CurrentBrowseState.Creating = 1;
  const TBrowseItemIndex row = ListChild(block);
  EXPECT_EQ(Popup(row),
            "Edit Author Insert block Cross Delete Cut Copy Set belonging to- "
            "Remove belonging to- Evaluate Pick out Copy name Copy text Open block in{New window}");
  // Nothing marked: the clicked block alone decides between crossing and uncrossing.
  const TBrowseItemIndex crossedRow = ListChild(crossed);
  EXPECT_NE(Popup(crossedRow).find("Insert block Uncross Delete"), std::string::npos);
  // Marked rows decide for every row.
  browse.CurrentBrowseState.CurrentItem.Children[1].Marked = 1;
  EXPECT_NE(Popup(row).find("Insert block Uncross Delete"), std::string::npos);
}

TEST_F(MenuContents, FolderRowsOfferTheProgramsCommands) {
  ShowFolder(discussions->DiscussedRoot);
  browse.CurrentBrowseState.DiscussionIndex = -1;
  EXPECT_EQ(Main(),
            "Windows{New window} Back- Contents- Previous- Next- Help "
            "Commands{Close Quillaran Creating Close window Customize My data "
            "Quillaran Web-site{Connect Copy URL} Start Tiltmark} Full- Chain- Graph- " +
                kUp)
      << "the discussed root lies in the data folder";
  pars.PointerEngineOn = 1;
  browse.ModerationMode = 1;
  ShowFolder(discussions->CreatedRoot);
  Main();
  EXPECT_EQ(Sub("Commands"),
            "Close Quillaran Show all discussions Create new model{Empty Marked text} "
            "Close window Customize My data Quillaran Web-site{Connect Copy URL} Stop Tiltmark");
  EXPECT_EQ(Popup(TBrowseItemIndex()), "");
  browse.ModerationMode = 0;
  EXPECT_EQ(Popup(TBrowseItemIndex()), "Open in new window");
}

TEST_F(MenuContents, DatesOfCommentsAndNotesAreListedAscending) {
  const TDiscBlockIndex block = Add(StorageType_Model, root);
  const int16_t later = int16_t(int(EncodeDate(2026, 2, 1)) - BlockDateOffset);
  const int16_t earlier = int16_t(int(EncodeDate(2025, 12, 31)) - BlockDateOffset);
  Add(StorageType_Comments, block, TextType_Premise, "", 0xFFFF, later);
  Add(StorageType_Comments, block, TextType_Premise, "", 0xFFFF, earlier);
  Add(StorageType_Comments, block, TextType_Premise, "", 0xFFFF, later);
  Add(StorageType_Notes, block, TextType_Premise, "", 0xFFFF, earlier);
  Show(block);
  Main();
  EXPECT_EQ(Sub("Comments published on"), "12/31/2025 02/01/2026");
  EXPECT_EQ(Sub("Notes composed on"), "12/31/25");
  // Each day's entry lists that day.
  const TSmartMenuItem* day = Find(browse.Menu.Root, "02/01/2026");
  ASSERT_NE(day, nullptr);
  EXPECT_EQ(day->Data2, later + BlockDateOffset);
}

TEST_F(MenuContents, PastingNeedsBlocksThatFitTheMenu) {
  TClip clip;
  BlockClipboard() = &clip;
  const TDiscBlockIndex block = Add(StorageType_Model, root);
  const TDiscBlockIndex note = Add(StorageType_Notes, root);
  Show(root);
  const TBrowseItemIndex row = ListChild(block);
  ASSERT_TRUE(clip.Add(*discussions, ecology, note));
  Main();
  EXPECT_NE(Sub("Commands").find("Paste"), std::string::npos) << "a note goes into the window menu";
  EXPECT_EQ(Popup(row).find("Paste"), std::string::npos) << "but not into a popup";
  ASSERT_TRUE(clip.Add(*discussions, ecology, block));
  Main();
  EXPECT_EQ(Sub("Commands").find("Paste"), std::string::npos) << "a model block needs a created state";
  browse.CurrentBrowseState.Creating = 1;
  Main();
  EXPECT_NE(Sub("Commands").find("Paste "), std::string::npos);
  EXPECT_EQ(Popup(row).find("Paste"), std::string::npos);
  BlockClipboard() = nullptr;
}

TEST_F(MenuContents, TheModeratorOfADiscussionListedInModerationRatesItsExperts) {
  ShowFolder(discussions->DiscussedRoot);
  browse.CurrentBrowseState.DiscussionIndex = -1;
  TBrowseItem row;
  row.Ident.Kind = BrowseItem_Folder;
  row.Ident.Folder = Discussion(economy).FolderIndex;
  row.Moderation = 1;
  row.DiscussionIndex = int16_t(economy);
  browse.CurrentBrowseState.CurrentItem.Children.push_back(row);
  const TBrowseItemIndex path = Path({0});
  EXPECT_EQ(Popup(path), "Open in new window") << "not for other logins";
  testsupport::TScopedGlobal moderate(TBrowseGlobal::Moderation, uint8_t{1});
  EXPECT_EQ(Popup(path),
            "Open in new window Trustworthy experts Doubtful experts "
            "Discredited experts Experts of moderated comments All experts "
            "Set secrecy");
  EXPECT_TRUE(Discussion(economy).Loaded) << "the listed discussion is loaded for its entries";
  Discussion(economy).Info.Secret = 1;
  EXPECT_NE(Popup(path).find("Set publicity"), std::string::npos);
}

TEST_F(MenuContents, NotesArePostedInTheLastPostList) {
  Show(root);
  const TDiscBlockIndex note = Add(StorageType_Notes, root);
  const TBrowseItemIndex row = ListChild(note);
  Popup(row);
  EXPECT_EQ(Find(browse.PopupMenu.Root, "Post"), nullptr) << "no post list yet";
  ASSERT_TRUE(d->User.PostLists.AddNewItem(*d));
  ASSERT_TRUE(d->User.PostLists.AddNewItem(*d));
  Popup(row);
  const TSmartMenuItem* post = Find(browse.PopupMenu.Root, "Post");
  ASSERT_NE(post, nullptr);
  EXPECT_EQ(post->Data1, 1) << "into the last list";
  ASSERT_GE(d->User.PostLists.AddBlockToItem(*d, 1, Block(note).GetDiscBlockCode()), 0);
  Popup(row);
  EXPECT_EQ(Find(browse.PopupMenu.Root, "Post"), nullptr) << "already in the last list";
  TBrowseState& state = browse.CurrentBrowseState;
  state.SpecCaptionType = SpecCaption_Retrieval;
  state.RetrievalKind = Retrieval_PostList;
  Popup(row);
  const TSmartMenuItem* cancel = Find(browse.PopupMenu.Root, "Cancel posting");
  ASSERT_NE(cancel, nullptr);
  EXPECT_EQ(cancel->Data1, 1) << "out of the last list";
  // The window menu offers the retrieval of each post list holding blocks.
  Show(root);
  state.SpecCaptionType = SpecCaption_None;
  Main();
  const std::string name = d->User.PostLists.Items[1].Name.ToString();
  EXPECT_NE(Sub("Retrieval").find("Conclusions " + name + " Comments"), std::string::npos)
      << "only the list holding blocks";
  const TSmartMenuItem* list = Find(browse.Menu.Root, name);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Data2, int32_t(d->User.PostLists.Items[1].Number)) << "the list by its number";
  EXPECT_NE(Sub("Form post command").find("Send post"), std::string::npos);
}

}  // namespace
}  // namespace browsetest
