#pragma once
// A fixture with a loaded discussion holding only its root block, and a listener that
// keeps what it hears.

#include "Modeltesthelpers.h"
#include "foundation/Tlisteners.h"

#include <vector>

namespace modeltest {

// Keeps every notification delivered while it lives.
struct TListenerCatch : TListener {
  std::vector<TListenMessage> Heard;
  void Listen(const TListenMessage& message) override { Heard.push_back(message); }
};

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
