// The protocol requests, the annotation and the discussion's information.

#include "Sendingtest.h"

#include "browse/Commandcodes.h"
#include "commands/Tformannotation.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "model/Unsavedchanges.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/kernel/Fileapi.h"
#include "postoffice/Tformcommandmessageheader.h"
#include "postoffice/Tpost.h"

#include <map>

namespace commandstest {
namespace {

// Six digits, the login's e-mail as an identifier, "_PDK".
bool IsPrivateKeyText(const std::string& text) {
  if (text.size() < 10 || text.compare(text.size() - 4, 4, "_PDK") != 0 || text.compare(6, 4, "LEAD") != 0) return false;
  for (size_t i = 0; i < 6; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

class ProtocolCommands : public SendingTest {
 protected:
  // The Outbox messages by their short codes (several of one code in name order).
  std::multimap<std::string, TCommandMessageHeader> Sent() {
    std::multimap<std::string, TCommandMessageHeader> sent;
    for (const std::string& file : Outbox()) {
      // letter code - model folder - date - short code - counter
      const size_t end = file.rfind('-');
      const size_t start = file.rfind('-', end - 1);
      const std::string code = file.substr(start + 1, end - start - 1);
      TCommandMessageHeader header;
      ReadSent(file, header);
      sent.emplace(code, header);
    }
    return sent;
  }
  static void ReadSent(const std::string& file, TCommandMessageHeader& header) {
    for (const char* command : {"SUBSCRIBE_ME", "UNSUBSCRIBE_ME", "GENERATE_AUTHOR_IDENTS", "REGISTRATE_MODEL",
                                "MAKE_DISCUSSION_PRIVATE", "NEW_ANNOTATION", "GIVE_EXISTING_BLOCKS_LIST", "AUTHORS_UPDATE", "FORM_NEW_MODEL", "NEW_BLOCKS"}) {
      if (file.find(std::string("-") + ShortCodeOf(command) + "-") != std::string::npos) {
        EXPECT_TRUE(ReadMessage(file, command, header)) << file;
        return;
      }
    }
    ADD_FAILURE() << "unexpected message " << file;
  }
  static std::string ShortCodeOf(const std::string& command) {
    static const std::map<std::string, std::string> codes{
        {"SUBSCRIBE_ME", "SM"},     {"UNSUBSCRIBE_ME", "UM"},          {"GENERATE_AUTHOR_IDENTS", "GAI"},
        {"REGISTRATE_MODEL", "RM"}, {"MAKE_DISCUSSION_PRIVATE", "MDPR"}, {"NEW_ANNOTATION", "NA"},
        {"GIVE_EXISTING_BLOCKS_LIST", "GEBL"}, {"AUTHORS_UPDATE", "AU"}, {"FORM_NEW_MODEL", "FNM"},
        {"NEW_BLOCKS", "NB"}};
    return codes.at(command);
  }
  static std::vector<std::string> Order(std::initializer_list<const char*> rest) {
    std::vector<std::string> names{"SENDER_LIDENT", "FROM_USER_EMAIL", "TO_USERS_EMAILS_CRYPTED", "COMMAND"};
    names.insert(names.end(), rest.begin(), rest.end());
    return names;
  }
  // Makes the first discussion one that another installation leads.
  TFormBrowse* OpenAsReader() {
    TFormBrowse* form = OpenTree();
    const int lead = d->Authors.CreateAuthor(*d, TStr("L-LEAD"), ModelAuthorADIdent, 0);
    d->Authors.Author(lead).AutomaticEMail = TStr("lead@y.org");
    d->Info.ModelAuthorLIdent = TStr("L-LEAD");
    d->Info.DIdent = TStr("D-ECOLOGY-1");
    return form;
  }
};

TEST_F(ProtocolCommands, AReaderSendsItsRequestsToTheLeaderWithTheFieldsInOrder) {
  TFormBrowse* form = OpenAsReader();
  ASSERT_NE(form, nullptr);
  TGuiHooks hooks = GuiHooks();
  static std::vector<std::string> typed;
  typed = {"a@b.org, c@d.org", " mod@z.org "};
  hooks.InputString = [](const std::string& caption, const std::string&, const std::string&, std::string& result, bool) {
    EXPECT_EQ(caption, "Moderator's E-Mail");
    result = typed.front();
    typed.erase(typed.begin());
    return true;
  };
  SetGuiHooks(hooks);
  for (int i = 0; i < 5; ++i) Answer(0);  // a refusal and four announcements
  for (uint8_t code : {Command_Subscribe, Command_Unsubscribe, Command_GiveMyIdentifier, Command_RegistrateModel,
                       Command_RegistrateModel})
    Run(form->Browse, code);
  EXPECT_EQ(Boxes()[3].Caption, "Moderator's E-Mail");
  EXPECT_EQ(Boxes()[3].Message, "\"a@b.org, c@d.org\" is not one e-mail address.");

  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 4u);
  const TCommandMessageHeader& subscribe = sent.find("SM")->second;
  EXPECT_EQ(FieldNames(subscribe), Order({"DIDENT", "COMPOSE_DATETIME"}));
  EXPECT_EQ(subscribe.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "lead@y.org");
  EXPECT_EQ(subscribe.GetFieldValue("DIDENT"), "D-ECOLOGY-1");
  EXPECT_EQ(FieldNames(sent.find("UM")->second), Order({"DIDENT", "COMPOSE_DATETIME"}));
  const TCommandMessageHeader& identifier = sent.find("GAI")->second;
  EXPECT_EQ(FieldNames(identifier),
            Order({"PRIVATE_REQ", "COMPOSE_DATETIME", "DIDENT", "AUTHOR_DATA", "MODEL_NICK"}));
  EXPECT_EQ(identifier.GetFieldValue("FROM_USER_EMAIL"), "lead@x.org");  // the login's, the record has none
  const TCommandMessageHeader& registration = sent.find("RM")->second;
  EXPECT_EQ(FieldNames(registration), Order({"COMPOSE_DATETIME", "MODEL_NICK", "MIDENT", "MODEL_AUTHOR_LIDENT",
                                             "PRIVATE_REQ", "MODEL_NAME", "AUTHOR_DATA", "ANNOTATION"}));
  EXPECT_EQ(registration.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "mod@z.org");
  EXPECT_EQ(registration.GetFieldValue("MODEL_AUTHOR_LIDENT"), "L-LEAD");
}

// A subscribed reader leaves from the menu: only the request to the leader is written.
// The copy stays subscribed until the post office has mailed the request, and nothing else
// of the discussion is saved by it.
TEST_F(ProtocolCommands, AReaderWhoUnsubscribesOnlyWritesTheRequest) {
  TFormBrowse* form = OpenAsReader();
  ASSERT_NE(form, nullptr);
  d->Info.Subscribed = 1;
  ASSERT_TRUE(d->Save());
  d->Info.ViaWebOnly = 1;  // an edit of the user's, not saved yet
  form->Browse.CurrentBrowseItemChanged();
  Answer(0);  // the message is announced
  ASSERT_TRUE(Choose(form->Browse, {"Form post command", "Unsubscribe me"}));
  EXPECT_EQ(d->Info.Subscribed, 1);
  EXPECT_TRUE(HasUnsavedChanges(*d));  // the user's edit waits for the user
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  ASSERT_EQ(sent.count("UM"), 1u);
  EXPECT_EQ(sent.find("UM")->second.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "lead@y.org");
}

// A reader with an identifier finds under "Form post command" the request for the list of
// blocks and the publishing of its own data; each leaves one message for the leader.
TEST_F(ProtocolCommands, AReaderRequestsTheBlocksListAndPublishesItsDataFromTheMenu) {
  TFormBrowse* form = OpenAsReader();
  ASSERT_NE(form, nullptr);
  const int me = d->Authors.FindAuthorByLIdent(*d, logins.GetCurrentLogin()->LIdent, true);
  ASSERT_GE(me, 0);
  d->Authors.Author(me).ADIdent = 7;
  d->Authors.Author(me).LastName = TStr("Reader");
  form->Browse.CurrentBrowseItemChanged();
  for (int i = 0; i < 2; ++i) Answer(0);  // each message is announced
  ASSERT_TRUE(Choose(form->Browse, {"Form post command", "Request blocks list"}));
  ASSERT_TRUE(Choose(form->Browse, {"Form post command", "Publish my data"}));
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 2u);
  ASSERT_EQ(sent.count("GEBL"), 1u);
  const TCommandMessageHeader& request = sent.find("GEBL")->second;
  EXPECT_EQ(request.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "lead@y.org");
  EXPECT_EQ(request.GetFieldValue("DIDENT"), "D-ECOLOGY-1");
  ASSERT_EQ(sent.count("AU"), 1u);
  const TCommandMessageHeader& data = sent.find("AU")->second;
  EXPECT_EQ(data.GetFieldValue("AUTHORS_COUNT"), "1");
  EXPECT_NE(data.GetFieldValue("AUTHOR_DATA_1").find("Reader"), std::string::npos);
}

// The leader forms the new discussion for those who asked for it, from the menu: the model
// goes to the requester.
TEST_F(ProtocolCommands, TheLeaderFormsTheNewDiscussionForItsRequestersFromTheMenu) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  AddSubscriber("Asker", "asker@y.org", 9);
  AddSubscriber("Other", "other@y.org", 10);
  d->Info.ModelRequesters = TStr("asker@y.org");
  form->Browse.CurrentBrowseItemChanged();
  script.Press("TFormCommandMessageHeader", "ButtonOk");  // the requesters, as proposed
  Answer(0);  // the model's message is announced
  ASSERT_TRUE(Choose(form->Browse, {"Form post command", "Form new discussion"}));
  const auto sent = Sent();
  ASSERT_EQ(sent.count("FNM"), 1u);
  EXPECT_EQ(sent.find("FNM")->second.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "asker@y.org");
  EXPECT_EQ(sent.find("FNM")->second.GetFieldValue("DIDENT"), "D-ECOLOGY-1");
}

TEST_F(ProtocolCommands, SecrecyChangesOnlyOnceEveryMessageIsWritten) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  AddSubscriber("Ant", "a@x.org", 1);
  d->Info.ShowRecipients = 1;
  bool broadcastShown = true;
  script.Press("TFormCommandMessageHeader", "ButtonCancel");
  script.Answer("TFormCommandMessageHeader", [&](TCustomForm& f) {
    auto& editor = dynamic_cast<TFormCommandMessageHeader&>(f);
    EXPECT_EQ(editor.Caption(), "Check subscribers of 'MAKE_DISCUSSION_PRIVATE' command message");
    broadcastShown = editor.CheckBoxBroadcastMessage->Visible();
    platform::PressControl(f, "ButtonOk");
  });
  Run(form->Browse, Command_SetPublicity, {}, "", 1);
  EXPECT_EQ(d->Info.Secret, 0);
  EXPECT_TRUE(Outbox().empty());

  Answer(0);  // the announcement
  Run(form->Browse, Command_SetPublicity, {}, "", 1);
  EXPECT_FALSE(broadcastShown);
  EXPECT_EQ(d->Info.Secret, 1);
  EXPECT_TRUE(IsPrivateKeyText(d->Info.PrivateIdent.ToString())) << d->Info.PrivateIdent.ToString();
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(FieldNames(sent.begin()->second), Order({"DIDENT", "COMPOSE_DATETIME"}));
  EXPECT_EQ(sent.begin()->second.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "a@x.org");
}

// A command message that names nobody is not composed: it would wait in the Outbox for
// ever, passed over by every send. Beside a robot's row the empty row of users is passed
// over; with nobody at all the user is told, what stands only for the message (a post
// list) stays as it was, and the discussion's own change (its secrecy) is made all the same.
TEST_F(ProtocolCommands, ACommandWithNobodyToTellIsNotComposed) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  const int robot = AddSubscriber("MailService", "r@x.org", 0xFFFF);
  d->Authors.Author(robot).Robot = 1;
  form->Browse.CurrentBrowseItemChanged();
  Answer(0);  // the announcement
  ASSERT_TRUE(Choose(form->Browse, {"Form post command", "Publish my data"}));
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent.begin()->second.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "*");
  EXPECT_EQ(sent.begin()->second.GetCryptedFieldValue("TO_ROBOTS_EMAILS_CRYPTED"), "r@x.org");
  for (const std::string& file : Outbox()) ASSERT_TRUE(DeleteFileA((TBrowseGlobal::Paths.Outbox + file).c_str()));

  // The robot gone, nobody subscribes to the discussion.
  d->Authors.Author(robot).Deleted = 1;
  ASSERT_TRUE(d->User.PostLists.AddNewItem(*d));
  d->User.PostLists.Items[0].Blocks.AddItem(d->Storages.GetDiscBlock(a)->GetDiscBlockCode());
  Boxes().clear();
  Answer(0);
  Run(form->Browse, Command_SendPost, {}, "", 0);
  Answer(0);
  Run(form->Browse, Command_SetPublicity, {}, "", 1);
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0].Caption, "NEW_BLOCKS");
  EXPECT_EQ(Boxes()[0].Message, "Command message NEW_BLOCKS has no receivers: it is not composed.");
  EXPECT_EQ(Boxes()[1].Caption, "MAKE_DISCUSSION_PRIVATE");
  EXPECT_EQ(Boxes()[1].Message, "Command message MAKE_DISCUSSION_PRIVATE has no receivers: it is not composed.");
  EXPECT_TRUE(Outbox().empty());
  ASSERT_EQ(d->User.PostLists.Items.Count(), 1u);
  EXPECT_EQ(d->User.PostLists.Items[0].Blocks.Count(), 1u);
  EXPECT_EQ(d->User.PostLists.Items[0].SentDate, 0);
  EXPECT_EQ(d->Info.Secret, 1);
}

// A reader whose leader has no address known here asks nothing of nobody.
TEST_F(ProtocolCommands, ARequestToALeaderWithNoAddressIsNotComposed) {
  TFormBrowse* form = OpenAsReader();
  ASSERT_NE(form, nullptr);
  d->Authors.Author(d->Authors.FindAuthorByADIdent(ModelAuthorADIdent)).AutomaticEMail = TStr();
  form->Browse.CurrentBrowseItemChanged();
  for (int i = 0; i < 3; ++i) Answer(0);
  Run(form->Browse, Command_Subscribe);
  Run(form->Browse, Command_GiveMyIdentifier);
  ASSERT_TRUE(Choose(form->Browse, {"Form post command", "Request blocks list"}));
  std::vector<std::string> told;
  for (const auto& box : Boxes()) told.push_back(box.Caption + ": " + box.Message);
  EXPECT_EQ(told,
            (std::vector<std::string>{
                "SUBSCRIBE_ME: Command message SUBSCRIBE_ME has no receivers: it is not composed.",
                "GENERATE_AUTHOR_IDENTS: Command message GENERATE_AUTHOR_IDENTS has no receivers: it is not "
                "composed.",
                "GIVE_EXISTING_BLOCKS_LIST: Command message GIVE_EXISTING_BLOCKS_LIST has no receivers: it is not "
                "composed."}));
  EXPECT_TRUE(Outbox().empty());
}

TEST_F(ProtocolCommands, TheAnnotationGoesToTheAdvertisingListTheRobotAndTheWeb) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  TPost& post = *PostState();
  post.AdvertisingList = "a@x.org Ann\r\nbad<address Bad\r\n\r\nb@x.org\r\n";
  post.RobotEnabled = 1;
  post.RobotEMail = "robot@x.org";
  for (int i = 0; i < 3; ++i) Answer(0);
  Run(form->Browse, Command_Annotation);
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 3u);
  std::multiset<std::string> rows;
  for (const auto& [code, header] : sent) {
    EXPECT_EQ(code, "NA");
    EXPECT_EQ(FieldNames(header).back(), "ANNOTATION");
    rows.insert(header.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED") + "|" +
                header.GetCryptedFieldValue("TO_ROBOTS_EMAILS_CRYPTED"));
  }
  EXPECT_EQ(rows, (std::multiset<std::string>{"*|", "*|robot@x.org", "a@x.org; b@x.org|"}));
  std::vector<std::string> order{"SENDER_LIDENT", "FROM_USER_EMAIL", "TO_USERS_EMAILS_CRYPTED", "COMMAND",
                                 "COMPOSE_DATETIME", "DIDENT", "MODEL_AUTHOR_LIDENT", "MODEL_NAME", "MODEL_NICK",
                                 "PRIVATE_REQ", "MODERATED", "AUTHOR_DATA", "ANNOTATION"};
  for (const auto& [code, header] : sent)
    if (!header.HasField("TO_ROBOTS_EMAILS_CRYPTED")) {
      EXPECT_EQ(FieldNames(header), order);
    }
}

// An empty advertising list is told: nobody receives the announcement by mail from it, and
// the user learns where the list is kept.
TEST_F(ProtocolCommands, AnAnnouncementToAnEmptyAdvertisingListSaysSo) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  PostState()->AdvertisingList = "";
  for (int i = 0; i < 2; ++i) Answer(0);
  Run(form->Browse, Command_Annotation);
  ASSERT_FALSE(Boxes().empty());
  EXPECT_EQ(Boxes()[0].Caption, "NEW_ANNOTATION");
  EXPECT_EQ(Boxes()[0].Message,
            "The advertising list is empty: nobody receives this announcement by mail from it.\nThe list is kept in "
            "the post office's state (PostFiles.cbs); fill it with \"Edit advertising list\" in the folder of "
            "discussions.");
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent.begin()->second.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "*");
}

TEST_F(ProtocolCommands, TheDiscussionInfoRefusesAnIllegalNickAndMakesASecretOnesKey) {
  TFormBrowse* form = OpenAsLeader();
  ASSERT_NE(form, nullptr);
  script.Answer("TFormAnnotation", [&](TCustomForm& f) {
    auto& dialog = dynamic_cast<TFormAnnotation&>(f);
    EXPECT_TRUE(dialog.EditMode());
    EXPECT_TRUE(dialog.ButtonOk->Visible());
    platform::SetControlValue(f, "EditMonographyNick", "bad nick!");
    platform::PressControl(f, "ButtonOk");  // refused, stays open
    platform::SetControlValue(f, "EditMonographyNick", "good-nick_1");
    platform::SetControlValue(f, "CheckBoxPrivateDiscussion", "1");
    EXPECT_FALSE(dialog.CheckBoxGiveCommandsSubscribersOnly->Visible());
    platform::PressControl(f, "ButtonOk");
  });
  Answer(0);
  Run(form->Browse, Command_DiscussionInfo);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].Caption, "ILLEGAL MODEL NICK");
  EXPECT_EQ(d->Info.ModelFolderName, "good-nick_1");
  EXPECT_EQ(d->Info.Secret, 1);
  EXPECT_TRUE(IsPrivateKeyText(d->Info.PrivateIdent.ToString())) << d->Info.PrivateIdent.ToString();

  // Unchanged and closed: nothing recorded.
  const int steps = d->Undo.Count();
  script.Press("TFormAnnotation", "ButtonCancel");
  Run(form->Browse, Command_DiscussionInfo);
  EXPECT_EQ(d->Undo.Count(), steps);
}

}  // namespace
}  // namespace commandstest
