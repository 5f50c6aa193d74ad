#pragma once
// A fixture with a loaded discussion holding only its root block.

#include "Modeltesthelpers.h"

namespace modeltest {

class RootedTest : public ModelTest {
protected:
  void SetUp() override {
    ModelTest::SetUp();
    MakeRoot(d, Folder());
    root = d.Storages.GetRootBlockIndex();
  }
  TDiscBlock& Block(TDiscBlockIndex index) { return *d.Storages.GetDiscBlock(index); }

  TDiscussion d;
  TDiscBlockIndex root;
};

}  // namespace modeltest
