#include "foundation/Tlisteners.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>

namespace {

struct Recorder : TListener {
  std::vector<TListenMessage> heard;
  std::function<void(const TListenMessage&)> onListen;
  void Listen(const TListenMessage& m) override {
    heard.push_back(m);
    if (onListen) onListen(m);
  }
};

TEST(Tlisteners, ImmediateDeliveryReachesEveryListenerOnce) {
  TListeners& reg = TListeners::Instance();
  Recorder a, b;
  reg.Register(&a);  // a second registration is ignored
  EXPECT_EQ(reg.Count(), 2u);
  int block = 42;
  TListeners::SendPair(3, &reg, &block, false);
  TListeners::SendPtr(14, &block, false);
  TListeners::Send(5, false);
  ASSERT_EQ(a.heard.size(), 3u);
  EXPECT_EQ(b.heard, a.heard);
  EXPECT_EQ(a.heard[0].Code, 3);
  EXPECT_EQ(reinterpret_cast<int*>(a.heard[0].Word2), &block);  // a pointer survives in a word
  EXPECT_EQ(a.heard[1], (TListenMessage{14, reinterpret_cast<intptr_t>(&block), 0}));
  EXPECT_EQ(a.heard[2], (TListenMessage{5, 0, 0}));
}

TEST(Tlisteners, DeferredMessagesAreQueuedWithoutDuplicatesAndDeliveredOnIdle) {
  TListeners& reg = TListeners::Instance();
  Recorder a;
  TListeners::SendPair(10, 1, 2, true);
  TListeners::SendPair(10, 1, 3, true);
  TListeners::SendPair(10, 1, 2, true);  // the same again
  TListeners::Send(17, true);
  TListeners::Send(17, true);
  EXPECT_TRUE(a.heard.empty());
  EXPECT_TRUE(reg.HasQueued());
  // A listener that queues while hearing: that one waits for the next idle.
  a.onListen = [](const TListenMessage& m) {
    if (m.Code == 17) TListeners::Send(4, true);
  };
  EXPECT_TRUE(reg.DeliverQueued());
  ASSERT_EQ(a.heard.size(), 3u);
  EXPECT_EQ(a.heard[0], (TListenMessage{10, 1, 2}));
  EXPECT_EQ(a.heard[1], (TListenMessage{10, 1, 3}));
  EXPECT_EQ(a.heard[2], (TListenMessage{17, 0, 0}));
  a.onListen = nullptr;
  EXPECT_FALSE(reg.DeliverQueued());
  EXPECT_EQ(a.heard.back(), (TListenMessage{4, 0, 0}));
  EXPECT_FALSE(reg.HasQueued());
}

TEST(Tlisteners, ListenersMayLeaveAndJoinWhileAMessageTravels) {
  TListeners& reg = TListeners::Instance();
  auto first = std::make_unique<Recorder>();
  auto second = std::make_unique<Recorder>();
  std::unique_ptr<Recorder> joined;
  first->onListen = [&](const TListenMessage&) {
    second.reset();                         // a window closes another
    joined = std::make_unique<Recorder>();  // and one opens
  };
  TListeners::Send(7, false);  // must not reach the destroyed one
  EXPECT_EQ(first->heard.size(), 1u);
  EXPECT_TRUE(joined->heard.empty());  // joined after the message set out
  first->onListen = nullptr;
  TListeners::Send(5, false);
  EXPECT_EQ(joined->heard.size(), 1u);
  first.reset();
  joined.reset();
  EXPECT_EQ(reg.Count(), 0u);
}

TEST(Tlisteners, ANewcomerAtALeaversAddressHearsNothingSentBeforeItCame) {
  // The same storage hosts one listener after another, the way an allocator
  // hands a freed address straight to the next object.
  alignas(Recorder) unsigned char place[sizeof(Recorder)];
  TListeners& reg = TListeners::Instance();
  Recorder closer;
  auto* tenant = new (place) Recorder;
  for (int round = 0; round < 200; ++round) {
    bool reborn = false;
    closer.onListen = [&](const TListenMessage&) {
      tenant->~Recorder();
      tenant = new (place) Recorder;  // at the very address of the one closed
      reborn = true;
    };
    TListeners::Send(static_cast<uint8_t>(round % 250), false);
    ASSERT_TRUE(reborn);
    EXPECT_TRUE(tenant->heard.empty()) << "round " << round;
    closer.onListen = nullptr;
    TListeners::Send(1, false);  // the newcomer hears what comes after it
    ASSERT_EQ(tenant->heard.size(), 1u);
  }
  tenant->~Recorder();
  EXPECT_EQ(reg.Count(), 1u);
}

}  // namespace
