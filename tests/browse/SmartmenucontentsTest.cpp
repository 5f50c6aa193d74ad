// What the menus of a browse window offer for an item and the state of its window.

#include "Lowerlisttest.h"

#include "browse/Smartmenufacts.h"
#include "foundation/Tbrowseglobal.h"
#include "model/Tclip.h"
#include "model/Themeoperations.h"
#include "model/Tunlinkedblockinfo.h"
#include "platform/rtl/Tdatetime.h"

namespace browsetest {
namespace {

// A menu as text: each entry its caption, ":" and its code when it has one, "-" when it
// is disabled, its data words in parentheses when set, its sub-items in braces.
std::string Dump(const TSmartMenuItem& item) {
  std::string text;
  for (const TSmartMenuItem& entry : item.SubItems) {
    if (!text.empty()) text += ' ';
    std::string caption = entry.Caption.ToString();
    for (char& c : caption) c = c == char(0xA0) ? '_' : c;
    text += caption;
    // GCC 12 sees an overlap in the string copy that cannot happen (a false -Wrestrict).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
    if (entry.Code) text += ":" + std::to_string(entry.Code);
#pragma GCC diagnostic pop
    if (!entry.Enabled) text += "-";
    // GCC 12 sees an overlap in the string copy that cannot happen (a false -Wrestrict).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
    if (entry.Data1 != -1 || entry.Data2 != -1)
      text += "(" + std::to_string(entry.Data1) + "," + std::to_string(entry.Data2) + ")";
    if (!entry.SubItems.empty()) text += "{" + Dump(entry) + "}";
#pragma GCC diagnostic pop
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
    browse.CurrentBrowseState.ListKind = 1;
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

const std::string kUp = "_____Up_____:1";

TEST_F(MenuContents, TheWindowMenuOfTheRootBlock) {
  Show(root);
  // Without a form the upper panel counts as closed: "Contents" on, "Up" off.
  EXPECT_EQ(Main(),
            "Windows{New window:9} Back:12- Contents:2 Previous:14- Next:13- Help:84 "
            "Commands{Close window:102 Save:7 Retrieval{Arguable:32(1,-1) Significant:32(2,-1) New:32(9,-1) "
            "False:32(3,-1) Interesting:32(4,-1) Trite:32(5,-1) Conclusions:32(12,-1) Comments published on- "
            "Unread:32(6,-1) Deleted:32(14,-1) Erased:32(13,-1) Problem:32(8,-1)} Undo:34 Add note:8 "
            "Belongings{New:30 Edit- Remove-} Service{Close discussion:77 Form published model:78- Discussion info:18 "
            "Discussion statistics:99 Renumerate:101 The thesis disputants:23 Save database:6 My data:22 "
            "Form post command{Give my identifier:63}} Display:43 Search:42 History:33} "
            "Full:5- Chain:24- Graph:40 " +
                kUp + "-");
  EXPECT_EQ(browse.Menu.Root.Item(7).SecondCaption.ToString(), "Brief");
  // The lower list in full: the entry offers "Brief".
  browse.CurrentBrowseState.DisplayMode = DisplayMode_Full;
  const TDiscBlockIndex child = Add(StorageType_Model, root);
  ListChild(child);
  EXPECT_NE(Main().find(" Brief:5 "), std::string::npos);
}

TEST_F(MenuContents, AWindowWithoutADiscussionOffersWhatNeedsNone) {
  Show(Add(StorageType_Model, root));
  browse.CurrentBrowseState.DiscussionIndex = -1;
  EXPECT_EQ(Main(),
            "Windows{New window:9} Back:12- Contents:2 Previous:14- Next:13- Help:84 "
            "Commands{Close window:102 Save:7 Undo:34 Add note:8- Service{Close discussion:77- Save database:6 "
            "My data:22} Display:43 Search:42-} Full:5- Chain:24- Graph:40- " +
                kUp + "-");
}

TEST_F(MenuContents, TheDisputantsOfAThesisLeaveNoEditing) {
  const TDiscBlockIndex block = Add(StorageType_Model, root);
  Show(block);
  browse.CurrentBrowseState.ListKind = 6;
  Main();
  EXPECT_EQ(Sub("Commands"), "Close window:102");
  const TBrowseItemIndex row = ListChild(Add(StorageType_Model, block));
  EXPECT_EQ(Popup(row),
            "Edit:17-(1,1) Author:21 Set belonging to- Remove belonging to- Evaluate:15 Pick out:41 Copy name:44 "
            "Copy text:76 Block text:91 Open block in{New window:9}");
}

TEST_F(MenuContents, ThemesAreOfferedByWhetherTheBlockBelongsToThem) {
  const TDiscBlockIndex block = Add(StorageType_Model, root);
  for (const char* name : {"Air", "Soil", "Water"}) ASSERT_TRUE(AddTheme(d->Themes, *d, name));
  ASSERT_TRUE(AddBlockToTheme(d->Themes, *d, 1, block));
  Show(root);
  const TBrowseItemIndex row = ListChild(block);
  const std::string popup = Popup(row);
  EXPECT_NE(popup.find("Set belonging to{Air:46(0,-1) Soil:46-(1,-1) Water:46(2,-1)} "
                       "Remove belonging to{Soil:31(1,-1)}"),
            std::string::npos)
      << popup;
  Main();
  EXPECT_EQ(Sub("Belongings"), "New:30 Edit{Air:47(0,-1) Soil:47(1,-1) Water:47(2,-1)} "
                               "Remove{Air:50(0,-1) Soil:50(1,-1) Water:50(2,-1)}");
  EXPECT_NE(Sub("Retrieval").find("Theme Air:32(10,0) Theme Soil:32(10,1) Theme Water:32(10,2)"), std::string::npos);

  // A theme without a name is only listed where the block is taken out of it.
  d->Themes[1].Name.Clear();
  EXPECT_NE(Popup(row).find("Set belonging to{Air:46(0,-1) Water:46(2,-1)} Remove belonging to{:31(1,-1)}"),
            std::string::npos);
  Main();
  EXPECT_EQ(Sub("Retrieval").find("Theme Soil"), std::string::npos);
  // The root block shown: nothing to set, and nothing to remove.
  ASSERT_TRUE(AddBlockToTheme(d->Themes, *d, 0, root));
  EXPECT_NE(Popup(TBrowseItemIndex()).find("Remove belonging to-{Air:31(0,-1)}"), std::string::npos);
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
            "Edit:17(1,1) Author:21 Insert block:36 Cross:90(1,-1) Delete:29 Cut:39 Copy:37 Set belonging to- "
            "Remove belonging to- Evaluate:15 Pick out:41 Copy name:44 Copy text:76 Open block in{New window:9}");
  // Nothing marked: the clicked block alone decides between crossing and uncrossing.
  const TBrowseItemIndex crossedRow = ListChild(crossed);
  EXPECT_NE(Popup(crossedRow).find("Insert block:36 Uncross:90(0,-1) Delete:29"), std::string::npos);
  // Marked rows decide for every row.
  browse.CurrentBrowseState.CurrentItem.Children[1].Marked = 1;
  EXPECT_NE(Popup(row).find("Insert block:36 Uncross:90(0,-1) Delete:29"), std::string::npos);
}

TEST_F(MenuContents, FolderRowsOfferTheProgramsCommands) {
  ShowFolder(discussions->DiscussedRoot);
  browse.CurrentBrowseState.DiscussionIndex = -1;
  EXPECT_EQ(Main(),
            "Windows{New window:9} Back:12- Contents:2- Previous:14- Next:13- Help:84 "
            "Commands{Close Quillaran:49 Creating:83 Close window:102 Customize:75 "
            "Quillaran Web-site{Connect:103 Copy URL:104} Start Tiltmark:105} Full:5- Chain:24- Graph:40- " +
                kUp)
      << "the discussed root lies in the data folder";
  pars.PointerEngineOn = 1;
  browse.ModerationMode = 1;
  ShowFolder(discussions->CreatedRoot);
  Main();
  EXPECT_EQ(Sub("Commands"),
            "Close Quillaran:49 Show all discussions:81 Create new model{Empty:19(0,-1) Marked text:19(1,-1)} "
            "Close window:102 Customize:75 Quillaran Web-site{Connect:103 Copy URL:104} Stop Tiltmark:105");
  EXPECT_EQ(Popup(TBrowseItemIndex()), "");
  browse.ModerationMode = 0;
  EXPECT_EQ(Popup(TBrowseItemIndex()), "Open in new window:9");
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
  const int early = earlier + BlockDateOffset, late = later + BlockDateOffset;
  EXPECT_EQ(Sub("Comments published on"), "12/31/2025:32(16," + std::to_string(early) + ") 02/01/2026:32(16," +
                                              std::to_string(late) + ")");
  EXPECT_EQ(Sub("Notes composed on"), "12/31/25:32(15," + std::to_string(early) + ")");
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
  EXPECT_NE(Sub("Commands").find("Paste:38 "), std::string::npos);
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
  EXPECT_EQ(Popup(path), "Open in new window:9") << "not for other logins";
  TBrowseGlobal::Moderation = 1;
  EXPECT_EQ(Popup(path), "Open in new window:9 Trustworthy experts:65(1,0) Doubtful experts:65(2,0) "
                         "Discredited experts:65(3,0) Experts of moderated comments:65(0,1) All experts:65(0,0) "
                         "Set secrecy:85(1,-1)");
  EXPECT_TRUE(Discussion(economy).Loaded) << "the listed discussion is loaded for its entries";
  Discussion(economy).Info.Secret = 1;
  EXPECT_NE(Popup(path).find("Set publicity:85(0,-1)"), std::string::npos);
  TBrowseGlobal::Moderation = 0;
}

TEST_F(MenuContents, NotesArePostedInTheLastPostList) {
  Show(root);
  const TDiscBlockIndex note = Add(StorageType_Notes, root);
  const TBrowseItemIndex row = ListChild(note);
  EXPECT_EQ(Popup(row).find("Post"), std::string::npos) << "no post list yet";
  ASSERT_TRUE(d->User.PostLists.AddNewItem(*d));
  ASSERT_TRUE(d->User.PostLists.AddNewItem(*d));
  EXPECT_NE(Popup(row).find("Post:54(1,-1)"), std::string::npos);
  ASSERT_GE(d->User.PostLists.AddBlockToItem(*d, 1, Block(note).GetDiscBlockCode()), 0);
  EXPECT_EQ(Popup(row).find("Post:54"), std::string::npos) << "already in the last list";
  TBrowseState& state = browse.CurrentBrowseState;
  state.SpecCaptionType = 1;
  state.RetrievalKind = 17;
  EXPECT_NE(Popup(row).find("Cancel posting:58(1,-1)"), std::string::npos);
  // The window menu offers the retrieval of each post list holding blocks.
  Show(root);
  state.SpecCaptionType = 0;
  Main();
  const std::string name = d->User.PostLists.Items[1].Name.ToString();
  const std::string number = std::to_string(d->User.PostLists.Items[1].Number);
  EXPECT_NE(Sub("Retrieval").find("Conclusions:32(12,-1) " + name + ":32(17," + number + ") Comments"), std::string::npos)
      << "only the list holding blocks";
  EXPECT_NE(Sub("Form post command").find("Send post:59(1,-1)"), std::string::npos);
}

}  // namespace
}  // namespace browsetest
