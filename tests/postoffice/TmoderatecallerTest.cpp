// The moderation caller: unavailable moderation answers "not done" without touching
// anything; with the stand-in library the entries are reached with their arguments.

#include "Posttesthelpers.h"

#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "platform/kernel/Library.h"
#include "postoffice/Tmoderatecaller.h"
#include "tests/support/Testsupport.h"

using namespace posttest;

namespace {

const std::string StandIn = std::string(QUILLARAN_BINARY_DIR) + "/app/Leafguard.dll";

class Moderation : public PostTest {
 protected:
  void SetUp() override {
    PostTest::SetUp();
    fOldLogins = ModelHooks().Logins;
    ModelHooks().Logins = &logins;
    logins.AddLogin(TStr("Manager"), TStr("m@x"));
    logins.Current = logins.AddLogin(TStr("Reader"), TStr("r@x"));
    TBrowseGlobal::Moderation = 1;
    PostState() = &Post;
  }
  void TearDown() override {
    TBrowseGlobal::Moderation = 0;
    ModelHooks().Logins = fOldLogins;
    PostState() = nullptr;
    PostTest::TearDown();
  }
  TLogin& Current() { return *logins.GetCurrentLogin(); }
  TLoginsStorage logins;

 private:
  TLoginsStorage* fOldLogins = nullptr;
};

TEST_F(Moderation, UnavailableModerationAnswersNotDone) {
  ASSERT_NE(Current().Ident, 0);
  TModerateCaller caller(StandIn);
  int32_t type = 77;
  // No moderate right.
  EXPECT_EQ(caller.GetAuthorModerateType("D", 1, type), 1);
  EXPECT_EQ(type, 77);
  EXPECT_FALSE(caller.IsLoaded());
  // The manager login holds the right even when its rights text lacks it.
  logins.GetLogin(0).Rights = "1000";
  EXPECT_TRUE(HasUserRight(logins.GetLogin(0), TLogin::ModerateRight));
  EXPECT_FALSE(HasUserRight(logins.GetLogin(0), 2));
  EXPECT_FALSE(HasUserRight(Current(), TLogin::ModerateRight));
  // Moderation switched off.
  logins.Current = 0;
  TBrowseGlobal::Moderation = 0;
  EXPECT_EQ(caller.GetAuthorModerateType("D", 1, type), 1);
  EXPECT_EQ(type, 77);
  std::string spammers = "untouched";
  TArray<TEMailComment> list;
  Adaptor.GetSpammersList(list);
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_FALSE(caller.IsLoaded());

  // A library that cannot be loaded is told once and then left alone.
  TBrowseGlobal::Moderation = 1;
  TModerateCaller missing(Root + "Nowhere/Leafguard.dll");
  EXPECT_EQ(missing.GetEditSpammersList(spammers), 1);
  EXPECT_EQ(missing.GetEditSpammersList(spammers), 1);
  EXPECT_EQ(spammers, "untouched");
  EXPECT_EQ(Boxes.size(), 1u);
  EXPECT_TRUE(Showed("MODERATION LIBRARY", "Can't load moderation library " + Root + "Nowhere/Leafguard.dll"));
  EXPECT_TRUE(Showed("MODERATION LIBRARY", "The system cannot find the file specified."));

  // A library file that is there but damaged is told as such, not as missing.
  testsupport::WriteFile(Root + "Leafguard.so", "not a library");
  TModerateCaller damaged(Root + "Leafguard.dll");
  Boxes.clear();
  EXPECT_EQ(damaged.GetEditSpammersList(spammers), 1);
  EXPECT_TRUE(Showed("MODERATION LIBRARY", "Can't load moderation library " + Root +
                                               "Leafguard.dll.\nThe file is damaged or is not a library of this "
                                               "system."));
}

TEST_F(Moderation, TheStandInLibraryIsReachedThroughEveryEntry) {
  logins.Current = 0;
  TModerateCaller caller(StandIn);
  testsupport::TScopedGlobal setCaller(ModerateCaller(), &caller);
  RegisterModerationHooks();

  int32_t type = 0;
  EXPECT_EQ(caller.GetAuthorModerateType("D-1", 4, type), 1);  // nothing known yet
  EXPECT_TRUE(caller.IsLoaded());
  EXPECT_EQ(caller.SetAuthorModerateType("D-1", 4, 3), 2);
  EXPECT_EQ(caller.GetAuthorModerateType("D-1", 4, type), 2);
  EXPECT_EQ(type, 3);
  int hooked = 0;
  EXPECT_EQ(ModelHooks().GetAuthorModerateType(TStr("D-1"), 4, hooked), 2);
  EXPECT_EQ(hooked, 3);

  ModelHooks().SetModeratedCommentsCount(TStr("D-1"), 5, 6, 7);
  int32_t trustworthy = 0, doubtful = 0;
  EXPECT_EQ(caller.GetModeratedCommentsCountByDIdent("D-1", trustworthy, doubtful), 2);
  EXPECT_EQ(trustworthy, 5);
  EXPECT_EQ(doubtful, 6);

  std::string access;
  EXPECT_EQ(caller.MakeDiscussionPrivatePublic("D-1", true, access), 2);
  EXPECT_EQ(access, "PRIVATE-D-1");
  EXPECT_EQ(caller.MakeDiscussionPrivatePublic("D-1", false, access), 2);
  EXPECT_EQ(access, "");

  uint16_t adident = 9;
  std::string agident = "in";
  // Without the program's services the requests wait.
  EXPECT_EQ(caller.HandleCommand_GenerateAuthorIdents(Root + "Inbox/M", adident, agident), 3);
  EXPECT_EQ(caller.HandleCommand_RegistrateModel(Root + "Inbox/M"), 3);

  testsupport::WriteFile(Root + "Spammers.txt", "spam@x.org  known\r\n  other@y.org\r\n");
  TArray<TEMailComment> list;
  Adaptor.GetSpammersList(list);
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list[0].Comment, "known");
  EXPECT_EQ(list[1].Address, "other@y.org");

  // Started once; closing frees it and forgets its state.
  void* module = LoadLibraryA(StandIn.c_str());
  ASSERT_NE(module, nullptr);
  auto inits = reinterpret_cast<int (*)()>(GetProcAddress(module, "LeafguardInitCount"));
  ASSERT_NE(inits, nullptr);
  EXPECT_EQ(inits(), 1);
  caller.ModerateClose();
  EXPECT_FALSE(caller.IsLoaded());
  EXPECT_EQ(inits(), 0);
  FreeLibrary(module);
  ModelHooks().GetAuthorModerateType = nullptr;
  ModelHooks().SetModeratedCommentsCount = nullptr;
  EXPECT_TRUE(Reports.empty());
}

TEST_F(Moderation, TheLibraryComesFromTheLibraryFolderNeverFromTheDataRoot) {
  logins.Current = 0;
  const std::string standIn = std::string(QUILLARAN_BINARY_DIR) + "/app/Leafguard.so";
  int32_t trustworthy = -1, doubtful = -1;
  // A library that landed in the data root is never run.
  testsupport::RunPeer("cp " + standIn + " " + Root + "Leafguard.so");
  {
    TModerateCaller caller;
    EXPECT_NE(caller.GetModeratedCommentsCountByDIdent("D", trustworthy, doubtful), 2);
    EXPECT_FALSE(caller.IsLoaded());
    EXPECT_EQ(testsupport::ReadFile("/proc/self/maps").find(Root + "Leafguard.so"), std::string::npos);
  }
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_EQ(Boxes[0].Caption, "MODERATION LIBRARY");
  // The library folder's is.
  Boxes.clear();
  testsupport::RunPeer("mkdir -p " + TBrowseGlobal::Paths.LibraryFolder + " && cp " + standIn + " " +
                       TBrowseGlobal::Paths.LibraryFolder + "Leafguard.so");
  TModerateCaller caller;
  EXPECT_EQ(caller.GetModeratedCommentsCountByDIdent("D", trustworthy, doubtful), 2);
  EXPECT_TRUE(caller.IsLoaded());
  EXPECT_EQ(trustworthy, 0);
  EXPECT_TRUE(Boxes.empty());
}

}  // namespace
