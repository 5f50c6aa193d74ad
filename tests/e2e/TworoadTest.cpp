// Two installations hold one discussion by e-mail as their users would: each runs as its
// own process on an in-memory screen, driven through its windows, menus and dialogs, and
// the mail goes through the fixture's SMTP and POP3 servers.

#include "tests/e2e/Installation.h"

#include "browse/Tformbrowse.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Forms.h"
#include "postoffice/Tformpost.h"
#include "postoffice/Tformretrievesendpost.h"
#include "platform/forms/Tedit.h"
#include "tests/net/Mailservers.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace e2e {
namespace {

// The discussion's name and its live blocks, one a line: storage, name, upper block's
// name, text (the root shows the discussion's name in place of a text).
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
              (upper ? upper->GetBlockName(d).ToString() + "|" + d.Storages.GetStrHashItem(index)->Str.Text.ToString() : "|") +
              "\n";
    }
  }
  return tree;
}

// In the post office window: presses a button that exchanges mail ("ButtonMail",
// "Button1" receives, "Button3" sends) and closes the exchange's window once it is done.
void Exchange(TSession& s, TCustomForm& office, const std::string& button) {
  s.Script.Answer("Receive/Send post", [&s](TCustomForm& exchange) {
    platform::ScreenDriver().Advance(600);
    auto& window = dynamic_cast<TFormRetrieveSendPost&>(exchange);
    std::string log;
    for (int i = 0; i < window.MemoLog->Lines()->Count(); ++i) log += window.MemoLog->Lines()->Strings(i) + "\n";
    s.Tell("exchange", log);
    platform::PressControl(exchange, "ButtonClose");
  });
  platform::PressControl(office, button);
}

// Handles every file of a folder of the post office window ("RadioButtonInbox" ...).
void Perform(TCustomForm& office, const std::string& folder) {
  platform::PressControl(office, folder);
  platform::PressControl(office, "ButtonSelectAll");
  platform::PressControl(office, "ButtonHandle");
}

// The window of the folder of discussions: the first window, moved up from the
// discussion it opened on, or down from the root folder.
TFormBrowse& DiscussedFolder(TSession& s) {
  TFormBrowse& window = *s.Windows.GetFormBrowse(0);
  for (int i = 0; i < 4 && window.Browse.CurrentBrowseState.CurrentItem.Kind() != BrowseItem_Folder; ++i)
    s.Key(window, VK_BACK);
  TDiscussionsManager* manager = DiscussionsManager();
  if (manager && window.Browse.CurrentBrowseState.CurrentItem.Ident.Folder == manager->RootFolder)
    s.OpenRow(window, "Discussed");
  return window;
}

// Opens the post office from the folder of discussions, acts in it and closes it.
void InPostOffice(TSession& s, const std::function<void(TCustomForm&)>& act) {
  s.Script.Answer("TFormPost", [&act](TCustomForm& office) {
    act(office);
    platform::PressControl(office, "ButtonClose");
  });
  s.Choose(DiscussedFolder(s), {"Run post module"});
}

class TwoInstallations : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(TMailServers::Get().SmtpPort, 0) << "the mail server fixture did not run"; }
  const std::string Folder = testsupport::ScratchFolder();
  TInstallation A{Folder + "/A", "Анна", "e2ea", "anna's key 7"};
  TInstallation B{Folder + "/B", "Борис", "e2eb", "boris's key 7"};
};

TEST_F(TwoInstallations, TheLeaderAnnouncesADiscussionByMailAndTheOtherAsksForItAndHoldsTheSameTree) {
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
    s.Script.Press("AUTO-HANDLING", "Button0");  // the Outbox packed
    InPostOffice(s, [&](TCustomForm& office) { Exchange(s, office, "ButtonMail"); });
    s.Script.Press("CLOSING DISCUSSION", "Button0");
  }));
  EXPECT_EQ(A.Told("model"), "Северные реки\n1|*||\n1|1|*|Река 1\n1|2|*|Река 2\n1|3|*|Река 3\n1|4|*|Река 4\n1|5|*|Река 5\n");
  // Sent: the two parts wait in the discussion's history of sent post.
  EXPECT_EQ(testsupport::Run("ls " + A.File("Discussed/Rivers/OutboxPostHistory") + " | wc -l"), "2\n");
  EXPECT_EQ(testsupport::Run("ls " + A.File("Outbox") + " " + A.File("OutboxPost")), A.File("Outbox") + ":\n\n" + A.File("OutboxPost") + ":\n");

  // 2. B receives the announcement and asks for the discussion; A's post office answers
  // with the model; B receives it and holds the same tree, names and texts.
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Script.Press("AUTO-HANDLING", "Button0");  // the announcement's parts joined
    s.Script.Press("NEW ANNOTATION", "Button1");  // "Request"
    s.Script.Press("GIVE_MODEL", "Button0");      // the request is written
    InPostOffice(s, [&](TCustomForm& office) {
      Exchange(s, office, "Button1");
      Perform(office, "RadioButtonInbox");
      Exchange(s, office, "Button3");
    });
  }));
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Script.Press("AUTO-HANDLING", "Button0");
    s.Script.Press("GIVE_MODEL", "Button0");  // post the model to who asked for it
    s.Script.Answer("TFormCommandMessageHeader", [&](TCustomForm& receivers) {
      platform::PressControl(receivers, "ButtonOk");  // B, who asked, is checked
    });
    s.Script.Press("FORM_NEW_MODEL", "Button0");
    InPostOffice(s, [&](TCustomForm& office) {
      Exchange(s, office, "Button1");
      Perform(office, "RadioButtonInbox");
      Perform(office, "RadioButtonOutbox");
      Exchange(s, office, "Button3");
    });
  }));
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Script.Press("AUTO-HANDLING", "Button0");
    s.Script.Press("Forming new model", "ButtonOk", {{"EditValue", "Rivers"}});
    s.Script.Press("FORM_NEW_MODEL", "Button0").Press("AUTHORS_UPDATE", "Button0").Press("MODEL IS CREATED", "Button0");
    InPostOffice(s, [&](TCustomForm& office) {
      Exchange(s, office, "Button1");
      Perform(office, "RadioButtonInbox");
    });
    TFormBrowse& folders = DiscussedFolder(s);
    ASSERT_TRUE(s.OpenRow(folders, "Rivers"));
    TDiscussion* copy = s.Shown(folders);
    ASSERT_NE(copy, nullptr);
    s.Tell("model", Tree(*copy));
    s.Tell("dident", copy->Info.DIdent.ToString());
  }));
  EXPECT_EQ(B.Told("model"), A.Told("model"));
  EXPECT_EQ(B.Told("dident"), A.Told("dident"));

  // 3. B asks for an author identifier and A grants it; B writes two comments and a note,
  // posts the comments and sends them; A receives them under their blocks, without the note.
  ASSERT_TRUE(B.Run([&](TSession& s) {
    TFormBrowse& window = DiscussedFolder(s);
    ASSERT_TRUE(s.OpenRow(window, "Rivers"));
    s.Script.Press("GENERATE_AUTHOR_IDENTS", "Button0");
    ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Give my identifier"}));
    s.Script.Press("AUTO-HANDLING", "Button0");
    InPostOffice(s, [&](TCustomForm& office) { Exchange(s, office, "Button3"); });
  }));
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Script.Press("AUTO-HANDLING", "Button0");
    s.Script.Press("Expert identifier request", "ButtonGenerate");
    s.Script.Press("AUTHOR_IDENTS_GENERATED", "Button0");
    InPostOffice(s, [&](TCustomForm& office) {
      Exchange(s, office, "Button1");
      Perform(office, "RadioButtonInbox");
      Perform(office, "RadioButtonOutbox");
      Exchange(s, office, "Button3");
    });
  }));
  ASSERT_TRUE(B.Run([&](TSession& s) {
    s.Script.Press("AUTO-HANDLING", "Button0");
    s.Script.Press("Author identifier", "Button0");
    s.Script.Press("CLOSING DISCUSSION", "Button0");
    InPostOffice(s, [&](TCustomForm& office) {
      Exchange(s, office, "Button1");
      Perform(office, "RadioButtonInbox");
    });
    TFormBrowse& window = DiscussedFolder(s);
    ASSERT_TRUE(s.OpenRow(window, "Rivers"));
    const std::vector<std::pair<std::string, std::string>> notes = {
        {"1", "Река 1 течёт на север"}, {"2", "Река 2 замерзает в октябре"}, {"3", "Спросить Анну о карте"}};
    for (const auto& [block, text] : notes) {
      ASSERT_TRUE(s.OpenRow(window, block));
      s.Script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", text}});
      ASSERT_TRUE(s.Choose(window, {"Add note"}));
      if (block != "3") {
        ASSERT_TRUE(s.ChooseInPopup(window, s.RowOf(window, text), {"Post"}));
      }
      s.Key(window, VK_BACK);
    }
    s.Script.Press("NEW_BLOCKS", "Button0");
    ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Send post"}));
    s.Tell("noted", Tree(*s.Shown(window)));
    s.Script.Press("AUTO-HANDLING", "Button0");
    InPostOffice(s, [&](TCustomForm& office) { Exchange(s, office, "Button3"); });
  }));
  ASSERT_TRUE(A.Run([&](TSession& s) {
    s.Script.Press("AUTO-HANDLING", "Button0");
    s.Script.Press("New blocks", "Button0");
    s.Script.Press("NEW_BLOCKS", "Button0");  // the leader passes the comments on
    InPostOffice(s, [&](TCustomForm& office) {
      Exchange(s, office, "Button1");
      Perform(office, "RadioButtonInbox");
    });
    TFormBrowse& window = DiscussedFolder(s);
    ASSERT_TRUE(s.OpenRow(window, "Rivers"));
    s.Tell("commented", Tree(*s.Shown(window)));
  }));
  EXPECT_EQ(A.Told("commented"), A.Told("model") + "2|1-1|1|Река 1 течёт на север\n2|1-2|2|Река 2 замерзает в октябре\n");
  // B keeps its note to itself.
  EXPECT_NE(B.Told("noted").find("|3|Спросить Анну о карте\n"), std::string::npos) << B.Told("noted");
}

}  // namespace
}  // namespace e2e
