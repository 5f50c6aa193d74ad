// What the post office remembers of applied messages: a message applied once, or a state
// switch older than the latest one applied from its sender, is refused, also after the
// program starts again; the digests of what was applied long ago are forgotten, the latest
// switches never.

#include "postoffice/Appliedmessages.h"

#include "tests/postoffice/Posttesthelpers.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

namespace {

class AppliedMessages : public posttest::PostTest {};

THandledMessage Switch(const char* command, TDateTime composed, uint8_t digest) {
  THandledMessage message;
  message.DIdent = "D-1";
  message.Sender = "L-LEAD";
  message.Kind = StateKindOfCommand(command);
  message.Composed = composed;
  message.Digest.fill(digest);
  return message;
}

TEST_F(AppliedMessages, AppliedAndOlderSwitchesAreRefusedAcrossStartsAndDigestsForgottenWithAge) {
  const TDateTime now = EncodeDate(2026, 12, 8);
  const THandledMessage madePrivate = Switch("MAKE_DISCUSSION_PRIVATE", now - 0.5, 1);
  const THandledMessage madePublic = Switch("MAKE_DISCUSSION_PUBLIC", now - 0.25, 2);
  TAppliedMessages& store = TAppliedMessages::Instance();
  EXPECT_EQ(store.Refusal(madePublic), "");
  ASSERT_TRUE(store.Remember(madePublic, now));

  TAppliedMessages::Reset();  // the program starts again
  TAppliedMessages& again = TAppliedMessages::Instance();
  EXPECT_EQ(again.Refusal(madePublic), "уже применено");
  // The switch to private was never applied here, but is older than the one that was.
  EXPECT_EQ(again.Refusal(madePrivate), "старше применённого");
  // Another sender's, another discussion's and a new block message are not held back.
  THandledMessage other = madePrivate;
  other.Sender = "L-OTHER";
  EXPECT_EQ(again.Refusal(other), "");
  other = madePrivate;
  other.DIdent = "D-2";
  EXPECT_EQ(again.Refusal(other), "");
  EXPECT_EQ(again.Refusal(Switch("NEW_BLOCKS", now - 1, 3)), "");

  // Long after, the digests are dropped when the file is written next; the latest switch
  // of each sender stays.
  ASSERT_TRUE(again.Remember(Switch("NEW_BLOCKS", now - 0.1, 3), now));
  const TDateTime later = now + RememberedDays + 1;
  ASSERT_TRUE(again.Remember(Switch("NEW_BLOCKS", later, 5), later));
  TAppliedMessages::Reset();
  TAppliedMessages& pruned = TAppliedMessages::Instance();
  EXPECT_EQ(pruned.Refusal(Switch("NEW_BLOCKS", now - 0.1, 3)), "");
  EXPECT_EQ(pruned.Refusal(Switch("NEW_BLOCKS", later, 5)), "уже применено");
  EXPECT_EQ(pruned.Refusal(madePrivate), "старше применённого");
  EXPECT_TRUE(Reports.empty());
}

}  // namespace
