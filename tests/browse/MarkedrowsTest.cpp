// Rows of the lower list marked with the mouse (Ctrl toggles, Shift marks a range from
// the anchor, Alt leaves one mark) and the blocks a command on an item collects; blocks
// marked read by the tick after they were in view long enough.
//
// Ten premises in brief display: item i has its service row at 2 x i, 35 pixels apart.

#include "Browsetest.h"

#include "browse/Tbrowselistener.h"
#include "model/Tdiscussion.h"
#include "model/Treaderproperty.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/gui/Gui.h"
#include "platform/rtl/Tdatetime.h"
#include "tests/model/Modeltesthelpers.h"

namespace browsetest {
namespace {

class MarkedRows : public BrowseTest {
 protected:
  void SetUp() override {
    BrowseTest::SetUp();
    form = OpenOn(ecology);
    ASSERT_NE(form, nullptr);
    TDiscussion& d = Discussion(ecology);
    for (int i = 0; i < 10; ++i)
      blocks.push_back(
          modeltest::AddBlock(d, StorageType_Model, d.Storages.GetRootBlockIndex(), TextType_Premise, "a text"));
    form->Browse.CurrentBrowseState.DisplayMode = DisplayMode_Brief;
    form->Browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
    Pump();
    ASSERT_EQ(form->Browse.CurrentBrowseState.Rows.Count(), 20u);
  }
  // A click on item i's service row with a key held.
  void ClickItem(int i, int key) {
    const RECT r = form->Browse.GetLowerListRowRect(2 * i);
    const POINT p = form->PaintBoxLowerList->ClientToScreen(POINT{200, r.top + 4});
    person.KeyDown(key);
    person.Click(p.x, p.y);
    person.KeyUp(key);
    Pump();
  }
  std::string Marks() {
    std::string marks;
    for (const TBrowseItem& child : form->Browse.CurrentBrowseState.CurrentItem.Children)
      marks += child.Marked ? '1' : '0';
    return marks;
  }
  std::vector<TDiscBlockIndex> Collected(const TBrowseItemIndex& path) {
    TArray<TDiscBlockIndex> found;
    collectedBlocks = form->Browse.GetMarkedDiscBlocks(path, form->Browse.CurrentBrowseState.CurrentItem, found);
    return std::vector<TDiscBlockIndex>(found.begin(), found.end());
  }
  static TBrowseItemIndex Item(uint16_t i) {
    TBrowseItemIndex path;
    path.Append(i);
    return path;
  }

  TFormBrowse* form = nullptr;
  std::vector<TDiscBlockIndex> blocks;
  bool collectedBlocks = false;
};

TEST_F(MarkedRows, CtrlShiftAndAltClicksMarkAndCommandsCollectTheMarkedBlocks) {
  TBrowse& browse = form->Browse;
  // Without an anchor a Shift click only beeps.
  const int beeps = screen->Beeps();
  ClickItem(4, VK_SHIFT);
  EXPECT_EQ(screen->Beeps(), beeps + 1);
  EXPECT_EQ(Marks(), "0000000000");

  ClickItem(1, VK_CONTROL);
  ClickItem(3, VK_CONTROL);
  ClickItem(5, VK_SHIFT);
  EXPECT_EQ(Marks(), "0101110000");
  EXPECT_EQ(browse.LowerList.AnchorRow(), 10);
  EXPECT_FALSE(browse.Drag.Armed()) << "a marking click starts no drag";
  // A command on any row works on the marked blocks, in row order.
  EXPECT_EQ(Collected(Item(8)), (std::vector<TDiscBlockIndex>{blocks[1], blocks[3], blocks[4], blocks[5]}));
  EXPECT_TRUE(collectedBlocks);
  // On the current item: its own block.
  EXPECT_EQ(Collected(TBrowseItemIndex()), std::vector<TDiscBlockIndex>{Discussion(ecology).Storages.GetRootBlockIndex()});
  TArray<TBrowseItemIdent> idents;
  browse.GetMarkedBrowseItemIdents(Item(0), browse.CurrentBrowseState.CurrentItem, idents);
  ASSERT_EQ(idents.Count(), 4u);
  EXPECT_EQ(idents[2].Index, blocks[4]);

  // Ctrl toggles a mark off; Alt leaves exactly one.
  ClickItem(3, VK_CONTROL);
  EXPECT_EQ(Marks(), "0100110000");
  ClickItem(7, VK_MENU);
  EXPECT_EQ(Marks(), "0000000100");
  ClickItem(7, VK_CONTROL);
  // Nothing marked: the rows showing the item's own block.
  EXPECT_EQ(Collected(Item(2)), std::vector<TDiscBlockIndex>{blocks[2]});

  // A marked item that is not a block spoils the collection.
  TBrowseItem author;
  author.Ident.Kind = BrowseItem_Author;
  author.Marked = 1;
  browse.CurrentBrowseState.CurrentItem.Children.push_back(author);
  browse.InsertLowerListRow(20, LowerListRow_Service, Item(10), 16);
  ClickItem(6, VK_CONTROL);
  Collected(Item(6));
  EXPECT_FALSE(collectedBlocks);
}

}  // namespace
}  // namespace browsetest

namespace browsetest {
namespace {

double& Clock() {
  static double clock = 45000.5;
  return clock;
}

// Blocks in view are read after 3 s shown in full in the active window: the tick shares
// its time among them, a long pause counts no more than 3 s, and then they are marked read.
TEST_F(BrowseTest, BlocksInViewLongEnoughAreMarkedReadByTheTick) {
  TFormBrowse* form = OpenOn(ecology);
  ASSERT_NE(form, nullptr);
  TDiscussion& d = Discussion(ecology);
  const TDiscBlockIndex one = modeltest::AddBlock(d, StorageType_Model, d.Storages.GetRootBlockIndex(), TextType_Premise, "one");
  const TDiscBlockIndex two = modeltest::AddBlock(d, StorageType_Model, d.Storages.GetRootBlockIndex(), TextType_Premise, "two");
  TBrowse& browse = form->Browse;
  browse.CurrentBrowseState.DisplayMode = DisplayMode_Full;
  browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  Pump();
  ASSERT_TRUE(form->Active());
  platform::SetNowSource([] { return TDateTime(Clock()); });
  browse.LastTick = Clock();
  auto tick = [&](double seconds) {
    Clock() += seconds / 86400.0;
    TListeners::Send(Notify_Tick, false);
  };
  auto read = [&](TDiscBlockIndex block) {
    const int property = d.FindReaderProperty(block, false);
    return property >= 0 && d.ReaderProperties.Items[property].Read;
  };
  const auto& children = browse.CurrentBrowseState.CurrentItem.Children;
  tick(1);
  EXPECT_EQ(children[0].ReadingTime, 500);  // one second shared by the two blocks
  EXPECT_EQ(children[1].ReadingTime, 500);
  tick(36000);  // a sleeping machine: no more than 3 s count
  EXPECT_EQ(children[0].ReadingTime, 2000);
  EXPECT_FALSE(read(one));
  const int undo = d.Undo.Count();
  tick(3);
  tick(1);
  EXPECT_TRUE(read(one));
  EXPECT_TRUE(read(two));
  EXPECT_EQ(d.Undo.Count(), undo + 4);  // a reader property made and its read mark, for each
  platform::SetNowSource(nullptr);
}

}  // namespace
}  // namespace browsetest
