// A new moderation library delivered by a MODERATE_DLL message, in cabinets that gcab made:
// installed only when the user agrees after seeing its digest (checked against rhash), in
// one step with the previous library kept, and loaded from the library folder at the next
// start; every other cabinet or answer changes nothing and says why.

#include "Posttesthelpers.h"

#include "foundation/Fileroutines.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "platform/kernel/Library.h"
#include "postoffice/Commandhandlers.h"
#include "postoffice/Postcommands.h"
#include "postoffice/Tmoderatecaller.h"
#include "postoffice/Tpostfileshandler.h"
#include "tests/support/Testsupport.h"

using namespace posttest;
using testsupport::ReadFile;
using testsupport::RunPeer;
using testsupport::WriteFile;

namespace {

const std::string StandIn = std::string(QUILLARAN_BINARY_DIR) + "/app/Leafguard.so";

class ModerateDll : public PostTest {
 protected:
  void SetUp() override {
    PostTest::SetUp();
    ASSERT_TRUE(Post.Load());
    RegisterCommandHandlers();
    work = Root + "made/";
    ASSERT_TRUE(CreateFolder(work));
    ASSERT_TRUE(CreateFolder(TBrowseGlobal::Paths.InboxAttached));
  }
  void TearDown() override {
    UnregisterCommandHandlers();
    PostTest::TearDown();
  }
  // A cabinet of the named files of the work folder, made by gcab, waiting as received.
  void Cabinet(const std::string& name, const std::string& members) {
    RunPeer("cd " + work + " && gcab -c -n -z " + TBrowseGlobal::Paths.InboxAttached + name + " " + members);
    ASSERT_TRUE(IsFileExists(TBrowseGlobal::Paths.InboxAttached + name));
  }
  void Deliver(const std::string& attached) {
    WriteMessage(Post.Inbox.FolderPath.ToString() + "QK-Mod-051219-MD-001",
                 {{"FROM_USER_EMAIL", "moderator@x"}, {"TO_USERS_EMAILS_CRYPTED*", "me@x"},
                  {"COMMAND", "MODERATE_DLL"}, {"ATTACHED_FILENAME", attached},
                  {"COMPOSE_DATETIME", "12/19/2005 14:05:09"}});
  }
  // Handles what lies in the Inbox; the boxes it showed.
  std::vector<TShownBox> Perform() {
    Boxes.clear();
    Post.Inbox.Files.Clear();
    Post.Inbox.Refresh(Post);
    TArray<int32_t> indices;
    for (uint32_t i = 0; i < Post.Inbox.Files.Count(); ++i) indices.AddItem(int32_t(i));
    TPostFilesHandler run(Post);
    int done = 0;
    EXPECT_TRUE(run.HandlePostFiles(Post.Inbox, indices, false, &done, "Perform"));
    return Boxes;
  }
  std::string Library() const { return TBrowseGlobal::Paths.LibraryFolder + "Leafguard.so"; }
  bool MessageWaits() const { return IsFileExists(Post.Inbox.FolderPath.ToString() + "QK-Mod-051219-MD-001"); }

  std::string work;
};

TEST_F(ModerateDll, TheUserSeesTheDigestAndOnlyAYesInstallsTheLibraryForTheNextStart) {
  ASSERT_TRUE(CreateFolder(TBrowseGlobal::Paths.LibraryFolder));
  WriteFile(Library(), "the previous library");
  ASSERT_EQ(system(("cp " + StandIn + " " + work + "Leafguard.so").c_str()), 0);
  Cabinet("Lib.cab", "Leafguard.so");
  Deliver("Lib.cab");
  const std::string digest = RunPeer("rhash --gost94-cryptopro " + work + "Leafguard.so").substr(0, 64);

  // "No": nothing changes, the message and its cabinet wait.
  Answer = 1;
  std::vector<TShownBox> boxes = Perform();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].Caption, "MODERATE_DLL");
  EXPECT_EQ(boxes[0].Text, "A new moderation library Leafguard.so has come from moderator@x.\nIts GOST R 34.11-94 "
                           "digest is\n" + digest + "\nInstall it only when this is the digest its moderator "
                           "published.\nInstall it?");
  EXPECT_EQ(boxes[1].Text, "The moderation library Leafguard.so is not installed.");
  EXPECT_EQ(ReadFile(Library()), "the previous library");
  EXPECT_TRUE(MessageWaits());
  EXPECT_TRUE(IsFileExists(TBrowseGlobal::Paths.InboxAttached + "Lib.cab"));

  // "Yes": in place, the previous kept, the message and the cabinet gone.
  Answer = 0;
  boxes = Perform();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].Text, "Leafguard.so received!");
  EXPECT_EQ(ReadFile(Library()), ReadFile(StandIn));
  EXPECT_EQ(ReadFile(Library() + ".old"), "the previous library");
  EXPECT_FALSE(MessageWaits());
  EXPECT_FALSE(IsFileExists(TBrowseGlobal::Paths.InboxAttached + "Lib.cab"));
  EXPECT_EQ(RunPeer("ls -A " + TBrowseGlobal::Paths.LibraryFolder), "Leafguard.so\nLeafguard.so.old\n");

  // The next start loads it from the library folder.
  TLoginsStorage logins;
  testsupport::TScopedGlobal setLogins(ModelHooks().Logins, &logins);
  logins.Current = logins.AddLogin(TStr("Moderator"), TStr("m@x"));
  testsupport::TScopedGlobal moderate(TBrowseGlobal::Moderation, uint8_t{1});
  {
    TModerateCaller caller;
    EXPECT_TRUE(caller.ModerateInit());
    EXPECT_NE(ReadFile("/proc/self/maps").find(Library()), std::string::npos);
    caller.ModerateClose();
  }
}

TEST_F(ModerateDll, ABadCabinetOrNameChangesNothingAndSaysWhy) {
  ASSERT_EQ(system(("cp " + StandIn + " " + work + "Leafguard.so").c_str()), 0);
  WriteFile(work + "Other.so", "more code");
  Answer = 0;  // the user would say yes to anything
  const auto refused = [this](const std::string& attached, const std::string& why) {
    Deliver(attached);
    const std::vector<TShownBox> boxes = Perform();
    ASSERT_EQ(boxes.size(), 2u) << attached;
    EXPECT_EQ(boxes[0].Caption, "MODERATE_DLL");
    EXPECT_EQ(boxes[0].Text, why + "\nNothing is installed.");
    EXPECT_FALSE(IsFileExists(Library())) << attached;
    EXPECT_FALSE(IsFileExists(TBrowseGlobal::Paths.LibraryFolder + ".incoming/Leafguard.so"));
    // Refused once: set aside, never offered again.
    EXPECT_FALSE(MessageWaits());
    EXPECT_EQ(boxes[1].Text.rfind("1 file set aside:\nQK-Mod-051219-MD-001: " + why + " Nothing is installed.", 0), 0u)
        << boxes[1].Text;
    EXPECT_TRUE(Perform().empty());
  };
  Cabinet("Two.cab", "Leafguard.so Other.so");
  refused("Two.cab", "The cabinet Two.cab must hold the file Leafguard.so alone; it holds Leafguard.so, Other.so.");
  Cabinet("Wrong.cab", "Other.so");
  refused("Wrong.cab", "The cabinet Wrong.cab must hold the file Leafguard.so alone; it holds Other.so.");
  refused("../InboxPost/Attached/Two.cab",
          "The moderation library must come as a cabinet of a plain file name; \"../InboxPost/Attached/Two.cab\" is "
          "none.");
  refused("Leafguard.so", "The moderation library must come as a cabinet of a plain file name; \"Leafguard.so\" is "
                          "none.");
  refused("Missing.cab", "The cabinet Missing.cab has not come with the post.");
  const std::string good = ReadFile(TBrowseGlobal::Paths.InboxAttached + "Two.cab");
  WriteFile(TBrowseGlobal::Paths.InboxAttached + "Damaged.cab", good.substr(0, good.size() / 2));
  Deliver("Damaged.cab");
  const std::vector<TShownBox> boxes = Perform();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].Text.rfind("The cabinet Damaged.cab cannot be unpacked (", 0), 0u) << boxes[0].Text;
  EXPECT_FALSE(IsFileExists(Library()));
}

}  // namespace
