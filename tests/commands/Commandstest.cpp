#include "Commandstest.h"

#include "browse/Browsecommand.h"
#include "commands/Tbrowsecommands.h"
#include "tests/model/Modeltesthelpers.h"

namespace commandstest {

void CommandsTest::SetUp() {
  BrowseTest::SetUp();
  ResetCommandHandlers();
  InstallBrowseCommands();
}

void CommandsTest::TearDown() {
  BrowseCommandHandler() = nullptr;
  ResetCommandHandlers();
  BrowseTest::TearDown();
}

TFormBrowse* CommandsTest::OpenTree() {
  d = &Discussion(ecology);
  EXPECT_TRUE(d->Load());
  root = d->Storages.GetRootBlockIndex();
  a = modeltest::AddBlock(*d, 1, root, TextType_Premise, "A");
  b = modeltest::AddBlock(*d, 1, root, TextType_Premise, "B");
  c = modeltest::AddBlock(*d, 1, root, TextType_Premise, "C");
  a1 = modeltest::AddBlock(*d, 1, a, TextType_Premise, "A1");
  a2 = modeltest::AddBlock(*d, 1, a, TextType_Premise, "A2");
  a1a = modeltest::AddBlock(*d, 1, a1, TextType_Premise, "A1a");
  EXPECT_TRUE(d->Save());
  return OpenOn(ecology);
}

void CommandsTest::Run(TBrowse& browse, uint8_t code, std::initializer_list<uint16_t> steps, const std::string& text,
                       int32_t data1, int32_t data2) {
  TBrowseItemIndex path;
  for (uint16_t step : steps) path.Append(step);
  browse.ProcessCommand(&path, &browse.CurrentBrowseState.CurrentItem, text, code, TShiftState(), data1, data2);
  Pump();
}

std::string CommandsTest::Name(TDiscBlockIndex block) {
  return d->Storages.GetDiscBlock(block)->GetBlockName(*d).ToString();
}

TDiscBlockIndex CommandsTest::Shown(const TBrowse& browse) {
  return browse.CurrentBrowseState.CurrentItem.GetDiscBlockIndex();
}

TDiscBlockIndex CommandsTest::SelectedBlock(TBrowse& browse) {
  TBrowseState& state = browse.CurrentBrowseState;
  if (state.SelectedRow < 0 || state.SelectedRow >= int(state.Rows.Count())) return {};
  const TBrowseItem* item = state.Rows[uint32_t(state.SelectedRow)].GetBrowseItem(state.CurrentItem);
  return item ? item->GetDiscBlockIndex() : TDiscBlockIndex{};
}

}  // namespace commandstest
