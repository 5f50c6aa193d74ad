#pragma once
// A browse engine without a form over the first discussion of the browse fixture, with
// helpers that add blocks and read the lower list back as text.

#include "Browsetest.h"

#include "browse/Tbrowse.h"
#include "model/Modelhooks.h"

#include <initializer_list>
#include <string>

namespace browsetest {

class LowerListTest : public BrowseTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Adds a block numbered and named as the model does; comments get the author and date.
  TDiscBlockIndex Add(uint8_t storageType, TDiscBlockIndex upper, uint8_t textType = TextType_Premise,
                      const std::string& text = "", uint16_t adident = 0xFFFF, int16_t date = 0);
  TDiscBlock& Block(TDiscBlockIndex index) { return *d->Storages.GetDiscBlock(index); }
  // The window shows a block, an author or a folder entry.
  void Show(TDiscBlockIndex block);
  void ShowAuthor(uint16_t adident);
  void ShowFolder(int16_t shown);
  // The items of the service rows: block names, "A" and the author ident, folder names.
  std::string Names();
  // The row types, one digit a row.
  std::string Types();
  // The text reported to the error state, which is then cleared.
  std::string TakeReport();
  static TBrowseItemIndex Path(std::initializer_list<uint16_t> steps);

  TDiscussion* d = nullptr;
  TDiscBlockIndex root;
  TBrowse browse;
};

}  // namespace browsetest
