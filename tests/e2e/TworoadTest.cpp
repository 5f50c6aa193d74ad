// Two installations hold one discussion by e-mail as their users would: each runs as its
// own process on an in-memory screen, driven through its windows, menus and dialogs, and
// the mail goes through the fixture's SMTP and POP3 servers.

#include "tests/e2e/Installation.h"

#include "browse/Tformbrowse.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Forms.h"
#include "postoffice/Tformpost.h"
#include "tests/net/Mailservers.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

// The live blocks of a discussion, one a line: storage, name, upper block's name, text.
std::string Tree(TDiscussion& d) {
  std::string tree = d.Info.Name.ToString() + "\n";
  for (uint8_t type : {StorageType_Model, StorageType_Comments, StorageType_Notes}) {
    const TBlocksStorage* storage = d.Storages.GetStorage(type);
    for (int i = 0; i < storage->Count(); ++i) {
      const TDiscBlock& block = storage->Block(i);
      if (!block.IsAlive()) continue;
      const TDiscBlockIndex index{type, uint16_t(i)};
      const TDiscBlock* upper = d.Storages.IsValidIndex(block.Upper) ? d.Storages.GetDiscBlock(block.Upper) : nullptr;
      tree += std::to_string(type) + "|" + block.GetBlockName(d).ToString() + "|" +
              (upper ? upper->GetBlockName(d).ToString() : "") + "|" + d.Storages.GetStrHashItem(index)->Str.Text.ToString() +
              "\n";
    }
  }
  return tree;
}

// Runs the post office of a window's folder view: "Mail" sends what waits and receives
// what came. `handled`: the summaries of files handled on their own (opening the office
// packs the Outbox, receiving handles what came) that the user confirms.
void MailFromPostOffice(TSession& s, TFormBrowse& folderWindow, int handled) {
  for (int i = 0; i < handled; ++i) s.Script.Press("AUTO-HANDLING", "Button0");
  s.Script.Answer("TFormPost", [&s](TCustomForm& office) {
    s.Script.Answer("Receive/Send post", [](TCustomForm& exchange) {
      platform::ScreenDriver().Advance(600);
      platform::PressControl(exchange, "ButtonClose");
    });
    platform::PressControl(office, "ButtonMail");
    platform::PressControl(office, "ButtonClose");
  });
  s.Choose(folderWindow, {"Run post module"});
}

class TwoInstallations : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(TMailServers::Get().SmtpPort, 0) << "the mail server fixture did not run"; }
  const std::string Folder = testsupport::ScratchFolder();
  TInstallation A{Folder + "/A", "Анна", "e2ea", "anna's key 7"};
  TInstallation B{Folder + "/B", "Борис", "e2eb", "boris's key 7"};
};

TEST_F(TwoInstallations, TheLeaderAnnouncesADiscussionByMailAndTheOtherTakesItUp) {
  // 1. A creates a discussion, writes a root and five blocks, publishes it and announces it.
  ASSERT_TRUE(A.Run([&](TSession& s) {
    TFormBrowse& folders = s.Window();
    ASSERT_TRUE(s.OpenRow(folders, "Discussed"));
    s.Script.Press("Edit advertising list", "Button1", {{"MemoAddresses", B.Address()}});
    ASSERT_TRUE(s.Choose(folders, {"Edit advertising list"}));
    ASSERT_TRUE(s.Choose(folders, {"Creating"}));
    s.Script.Press("Enter Nickname", "ButtonOk", {{"EditValue", "Rivers"}});
    ASSERT_TRUE(s.Choose(folders, {"Create new model", "Empty"}));
    TFormBrowse& created = s.Window();
    ASSERT_NE(&created, &folders);
    s.Script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", "Северные реки"}});
    ASSERT_TRUE(s.ChooseInPopup(created, -1, {"Edit"}));
    for (int i = 1; i <= 5; ++i) {
      s.Script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", "Река " + std::to_string(i)}});
      ASSERT_TRUE(s.Choose(created, {"Add block"}));
    }
    s.Script.Press("Forming Model", "ButtonOk", {{"EditValue", "Rivers"}});
    ASSERT_TRUE(s.Choose(created, {"Service", "Form published model"}));
    TFormBrowse& published = s.Window();
    ASSERT_NE(&published, &created);
    s.Script.Press("NEW_ANNOTATION", "Button0").Press("NEW_ANNOTATION", "Button0");  // one to B, one to all
    ASSERT_TRUE(s.Choose(published, {"Service", "Form post command", "Annotation"}));
    TDiscussion* model = s.Shown(published);
    ASSERT_NE(model, nullptr);
    s.Tell("model", Tree(*model));
    s.Tell("dident", model->Info.DIdent.ToString());
    ASSERT_TRUE(s.Choose(folders, {"Discussing"}));
    MailFromPostOffice(s, folders, 1);
    s.Script.Press("CLOSING DISCUSSION", "Button0");
  }));
  EXPECT_EQ(A.Told("model"), "Северные реки\n1|*||\n1|1|*|Река 1\n1|2|*|Река 2\n1|3|*|Река 3\n1|4|*|Река 4\n1|5|*|Река 5\n");
  // Sent: the two parts wait in the discussion's history of sent post.
  EXPECT_EQ(testsupport::Run("ls " + A.File("Discussed/Rivers/OutboxPostHistory") + " | wc -l"), "2\n");
  EXPECT_EQ(testsupport::Run("ls " + A.File("Outbox") + " " + A.File("OutboxPost")), A.File("Outbox") + ":\n\n" + A.File("OutboxPost") + ":\n");
}

}  // namespace
}  // namespace e2e
