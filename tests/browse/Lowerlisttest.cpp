#include "Lowerlisttest.h"

#include "browse/Browsecommand.h"
#include "foundation/Terror.h"
#include "tests/model/Modeltesthelpers.h"

namespace browsetest {

void LowerListTest::SetUp() {
  BrowseTest::SetUp();
  ModelHooks() = TModelHooks{};
  ASSERT_TRUE(Discussion(ecology).Load());
  d = &Discussion(ecology);
  root = d->Storages.GetRootBlockIndex();
  ASSERT_FALSE(root.IsEmpty());
  browse.Settings = &pars;
  ASSERT_TRUE(browse.SetDiscussionIndex(ecology));
}

void LowerListTest::TearDown() {
  BrowseCommandHandler() = nullptr;
  browse.Done();
  ModelHooks() = TModelHooks{};
  BrowseTest::TearDown();
}

TDiscBlockIndex LowerListTest::Add(uint8_t storageType, TDiscBlockIndex upper, uint8_t textType,
                                   const std::string& text, uint16_t adident, int16_t date) {
  const TDiscBlockIndex index = modeltest::AddBlock(*d, storageType, upper, textType, text, adident);
  Block(index).Date = date;
  return index;
}

void LowerListTest::Show(TDiscBlockIndex block) {
  TBrowseItem& item = browse.CurrentBrowseState.CurrentItem;
  item.Clear();
  item.Ident.SetDiscBlock(*d, block);
  item.Level = -1;  // as the window's moves leave it
}

void LowerListTest::ShowAuthor(uint16_t adident) {
  TBrowseItem& item = browse.CurrentBrowseState.CurrentItem;
  item.Clear();
  item.Ident.Kind = BrowseItem_Author;
  item.Ident.ADIdent = adident;
}

void LowerListTest::ShowFolder(int16_t shown) {
  TBrowseItem& item = browse.CurrentBrowseState.CurrentItem;
  item.Clear();
  item.Ident.Kind = BrowseItem_Folder;
  item.Ident.Folder = shown;
}

std::string LowerListTest::Names() {
  std::string names;
  TBrowseState& state = browse.CurrentBrowseState;
  for (const TLowerListRow& row : state.Rows) {
    if (row.RowType != LowerListRow_Service) continue;
    const TBrowseItem* item = row.GetBrowseItem(state.CurrentItem);
    if (!item) return "bad path";
    if (!names.empty()) names += ' ';
    switch (item->Kind()) {
      case BrowseItem_Block: names += Block(item->Ident.Index).Name.ToString(); break;
      case BrowseItem_Author: names += "A" + std::to_string(item->Ident.ADIdent); break;
      case BrowseItem_Folder: names += discussions->Folders[uint32_t(item->Ident.Folder)].Name.ToString(); break;
      default: names += "?";
    }
  }
  return names;
}

std::string LowerListTest::Types() {
  std::string types;
  for (const TLowerListRow& row : browse.CurrentBrowseState.Rows) types += char('0' + row.RowType);
  return types;
}

std::string LowerListTest::TakeReport() {
  std::string text = Reports().empty() ? std::string() : Reports().front();
  Reports().clear();
  TError::Instance().Reset();
  return text;
}

TBrowseItemIndex LowerListTest::Path(std::initializer_list<uint16_t> steps) {
  TBrowseItemIndex index;
  for (uint16_t step : steps) index.Append(step);
  return index;
}

}  // namespace browsetest
