#include "tests/e2e/Roads.h"

#include "browse/Tformbrowse.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Tedit.h"
#include "postoffice/Tformretrievesendpost.h"
#include "tests/net/Mailservers.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace e2e {

TTwoInstallationsRoad::TTwoInstallationsRoad(const std::string& mailbox, const std::string& other)
    : A{Folder + "/A", "Анна", mailbox, "anna's key 7"}, B{Folder + "/B", "Борис", other, "boris's key 7"} {}

void TTwoInstallationsRoad::SetUp() {
  ASSERT_NE(TMailServers::Get().SmtpPort, 0) << "the mail server fixture did not run";
}

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

void Perform(TCustomForm& office, const std::string& folder) {
  platform::PressControl(office, folder);
  platform::PressControl(office, "ButtonSelectAll");
  platform::PressControl(office, "ButtonHandle");
}

TFormBrowse& DiscussedFolder(TSession& s) {
  TFormBrowse& window = *s.Windows.GetFormBrowse(0);
  for (int i = 0; i < 4 && window.Browse.CurrentBrowseState.CurrentItem.Kind() != BrowseItem_Folder; ++i)
    s.Key(window, VK_BACK);
  TDiscussionsManager* manager = DiscussionsManager();
  if (manager && window.Browse.CurrentBrowseState.CurrentItem.Ident.Folder == manager->RootFolder)
    s.OpenRow(window, "Discussed");
  return window;
}

void InPostOffice(TSession& s, const std::function<void(TCustomForm&)>& act) {
  s.Script.Answer("TFormPost", [&act](TCustomForm& office) {
    act(office);
    platform::PressControl(office, "ButtonClose");
  });
  s.Choose(DiscussedFolder(s), {"Run post module"});
}

void Receive(TSession& s) {
  InPostOffice(s, [&s](TCustomForm& office) {
    Exchange(s, office, "Button1");
    Perform(office, "RadioButtonInbox");
  });
}

void ReceiveNewBlocks(TSession& s) {
  s.Confirm("AUTO-HANDLING");
  s.Confirm("NEW_BLOCKS");
  s.Confirm("New blocks");
  Receive(s);
}

void Send(TSession& s) {
  InPostOffice(s, [&s](TCustomForm& office) { Exchange(s, office, "Button3"); });
}

void Answer(TSession& s) {
  InPostOffice(s, [&s](TCustomForm& office) {
    Exchange(s, office, "Button1");
    Perform(office, "RadioButtonInbox");
    Perform(office, "RadioButtonOutbox");
    Exchange(s, office, "Button3");
  });
}

TFormBrowse& OpenDiscussion(TSession& s, const std::string& folder) {
  TFormBrowse& window = DiscussedFolder(s);
  s.OpenRow(window, folder);
  return window;
}

void SwitchPrivacy(TSession& s, const std::string& folder, bool makePrivate) {
  TFormBrowse& window = DiscussedFolder(s);
  ASSERT_TRUE(s.Choose(window, {"Moderating"}));
  ASSERT_TRUE(s.Choose(window, {"Show all discussions"}));  // not only those with comments waiting
  s.Confirm(makePrivate ? "MAKE_DISCUSSION_PRIVATE" : "MAKE_DISCUSSION_PUBLIC");
  ASSERT_TRUE(s.ChooseInPopup(window, s.FolderRow(window, folder), {makePrivate ? "Set secrecy" : "Set publicity"}));
  ASSERT_TRUE(s.Choose(window, {"Browsing"}));
}

void PostNotesToAll(TSession& s, const std::string& folder, const std::string& block,
                    const std::vector<std::string>& texts) {
  TFormBrowse& window = OpenDiscussion(s, folder);
  ASSERT_TRUE(s.OpenRow(window, block));
  for (const std::string& text : texts) {
    s.Script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", text}});
    ASSERT_TRUE(s.Choose(window, {"Add note"}));
    ASSERT_TRUE(s.ChooseInPopup(window, s.RowOf(window, text), {"Post"}));
  }
  s.Key(window, VK_BACK);
  s.Confirm("SENDING POST");  // the notes become comments
  s.Confirm("NEW_BLOCKS");
  ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Send post (to all)"}));
  s.Tell("sent", Tree(*s.Shown(window)));
}

void PostNote(TSession& s, TFormBrowse& window, const std::vector<std::string>& path, const std::string& text) {
  for (const std::string& row : path) ASSERT_TRUE(s.OpenRow(window, row));
  s.Script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", text}});
  ASSERT_TRUE(s.Choose(window, {"Add note"}));
  ASSERT_TRUE(s.ChooseInPopup(window, s.RowOf(window, text), {"Post"}));
  for (size_t i = 0; i < path.size(); ++i) s.Key(window, VK_BACK);
}

void SendPostToLeader(TSession& s, TFormBrowse& window) {
  s.Confirm("NEW_BLOCKS");
  ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Send post"}));
  s.Confirm("AUTO-HANDLING");
  Send(s);
}

void GrantAuthorIdentifier(TInstallation& reader, TInstallation& leader, const std::string& folder, bool moderated) {
  ASSERT_TRUE(reader.Run([&](TSession& s) {
    TFormBrowse& window = OpenDiscussion(s, folder);
    s.Confirm("GENERATE_AUTHOR_IDENTS");
    ASSERT_TRUE(s.Choose(window, {"Service", "Form post command", "Give my identifier"}));
    s.Confirm("AUTO-HANDLING");
    Send(s);
  })) << reader.LastBoxes();
  ASSERT_TRUE(leader.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    if (!moderated) s.Script.Press("Expert identifier request", "ButtonGenerate");
    s.Confirm("AUTHOR_IDENTS_GENERATED");
    Answer(s);
  })) << leader.LastBoxes();
}

std::vector<std::string> Waiting(const std::string& mailbox) {
  const std::string folder = TMailServers::Get().MailRoot + "/" + mailbox + "/Maildir/new/";
  std::vector<std::string> files;
  std::istringstream names(testsupport::Run("ls " + folder));
  for (std::string name; std::getline(names, name);) files.push_back(folder + name);
  return files;
}

void Deliver(const std::string& mailbox, const std::string& mail, int copy) {
  testsupport::WriteFile(TMailServers::Get().MailRoot + "/" + mailbox + "/Maildir/new/again" + std::to_string(copy), mail);
}

void Announce(TInstallation& leader, const std::vector<TInstallation*>& readers, const std::string& folder,
              const std::string& root, const std::vector<std::string>& blocks, bool moderated) {
  std::string addresses;
  for (const TInstallation* reader : readers) addresses += (addresses.empty() ? "" : "\r\n") + reader->Address();
  ASSERT_TRUE(leader.Run([&](TSession& s) {
    TFormBrowse& folders = s.Window();
    ASSERT_TRUE(s.OpenRow(folders, "Discussed"));
    s.Script.Press("Edit advertising list", "Button1", {{"MemoAddresses", addresses}});
    ASSERT_TRUE(s.Choose(folders, {"Edit advertising list"}));
    ASSERT_TRUE(s.Choose(folders, {"Creating"}));
    s.Script.Press("Enter Nickname", "ButtonOk", {{"EditValue", folder}});
    ASSERT_TRUE(s.Choose(folders, {"Create new model", "Empty"}));
    TFormBrowse& created = s.Window();
    ASSERT_NE(&created, &folders);
    s.Script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", root}});
    ASSERT_TRUE(s.ChooseInPopup(created, -1, {"Edit"}));
    for (const std::string& text : blocks) {
      s.Script.Press("TFormDiscBlockHeader", "Button1", {{"MemoText", text}});
      ASSERT_TRUE(s.Choose(created, {"Add block"}));
    }
    s.Script.Press("Forming Model", "ButtonOk", {{"EditValue", folder}});
    ASSERT_TRUE(s.Choose(created, {"Service", "Form published model"}));
    TFormBrowse& published = s.Window();
    ASSERT_NE(&published, &created);
    if (moderated) {
      // The moderator gives the discussion its identifier, before anybody has it.
      s.Script.Press("Moderator's E-Mail", "ButtonOk", {{"EditValue", leader.Address()}});
      s.Confirm("REGISTRATE_MODEL");
      ASSERT_TRUE(s.Choose(published, {"Service", "Form post command", "Registrate model"}));
      ASSERT_TRUE(s.Choose(folders, {"Discussing"}));
      s.Confirm("AUTO-HANDLING");
      s.Confirm("AUTO-HANDLING");
      s.Confirm("AUTO-HANDLING");
      s.Confirm("MODEL_REGISTRATION");  // the library's answer is written
      s.Confirm("MODEL_REGISTRATION");  // and taken
      InPostOffice(s, [&](TCustomForm& office) {
        Exchange(s, office, "ButtonMail");
        Exchange(s, office, "Button1");
        Perform(office, "RadioButtonInbox");
        Perform(office, "RadioButtonOutbox");
        Exchange(s, office, "Button3");
        Exchange(s, office, "Button1");
        Perform(office, "RadioButtonInbox");
      });
      ASSERT_NE(s.Shown(published), nullptr);
      s.Tell("moderator", s.Shown(published)->IsModerator() ? "leader" : "nobody");
    }
    s.Confirm("NEW_ANNOTATION");
    s.Confirm("NEW_ANNOTATION");  // one to the readers, one to all
    ASSERT_TRUE(s.Choose(published, {"Service", "Form post command", "Annotation"}));
    TDiscussion* model = s.Shown(published);
    ASSERT_NE(model, nullptr);
    s.Tell("model", Tree(*model));
    s.Tell("dident", model->Info.DIdent.ToString());
    s.Tell("lident", CurrentModelLogin().LIdent.ToString());
    if (!moderated) {
      ASSERT_TRUE(s.Choose(folders, {"Discussing"}));
    }
    s.Confirm("AUTO-HANDLING");  // the Outbox packed
    InPostOffice(s, [&](TCustomForm& office) { Exchange(s, office, "ButtonMail"); });
    if (!moderated) s.Confirm("CLOSING DISCUSSION");
  }));
}

void RequestModel(TInstallation& reader) {
  ASSERT_TRUE(reader.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");  // the announcement's parts joined
    s.Script.Press("NEW ANNOTATION", "Button1");  // "Request"
    s.Confirm("GIVE_MODEL");      // the request is written
    InPostOffice(s, [&](TCustomForm& office) {
      Exchange(s, office, "Button1");
      Perform(office, "RadioButtonInbox");
      Exchange(s, office, "Button3");
    });
  })) << reader.LastBoxes();
}

void TakeModel(TInstallation& leader, TInstallation& reader, const std::string& folder) {
  TakeModel(leader, std::vector<TInstallation*>{&reader}, folder);
}

void TakeModel(TInstallation& leader, const std::vector<TInstallation*>& readers, const std::string& folder) {
  for (TInstallation* reader : readers) {
    RequestModel(*reader);
    if (::testing::Test::HasFatalFailure()) return;
  }
  ASSERT_TRUE(leader.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Confirm("GIVE_MODEL");  // post the model to who asked for it
    s.Script.Answer("TFormCommandMessageHeader", [&](TCustomForm& receivers) {
      platform::PressControl(receivers, "ButtonOk");  // the readers, who asked, are checked
    });
    s.Confirm("FORM_NEW_MODEL");  // one message to them all
    Answer(s);
  })) << leader.LastBoxes();
  for (TInstallation* reader : readers) {
    FormModelCopy(*reader, folder);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

void FormModelCopy(TInstallation& reader, const std::string& folder) {
  ASSERT_TRUE(reader.Run([&](TSession& s) {
    s.Confirm("AUTO-HANDLING");
    s.Script.Press("Forming new model", "ButtonOk", {{"EditValue", folder}});
    s.Confirm("FORM_NEW_MODEL");
    s.Confirm("MODEL IS CREATED");
    Receive(s);
    TDiscussion* copy = s.Shown(OpenDiscussion(s, folder));
    ASSERT_NE(copy, nullptr);
    s.Tell("model", Tree(*copy));
    s.Tell("dident", copy->Info.DIdent.ToString());
  })) << reader.LastBoxes();
}

}  // namespace e2e
