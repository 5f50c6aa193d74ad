// The model's composers of command messages: every message read back with the header
// reader and the block reader, its seal verified, and every field compared with what
// went in; unfinished composers leave no file.

#include "Modeltesthelpers.h"

#include "foundation/Commoncrypt.h"
#include "foundation/Fileroutines.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tbufreader.h"
#include "model/Blockrecord.h"
#include "model/Messagecomposer.h"
#include "model/Tundo.h"
#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Findfile.h"
#include "platform/rtl/Tdatetime.h"
#include "tests/support/Testsupport.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace modeltest;

namespace {

constexpr const char* LeaderKey = "leader key 123";

struct TAsked {
  std::string Caption, Text;
};
std::vector<TAsked>& Asked() {
  static std::vector<TAsked> asked;
  return asked;
}
int& Answer() {  // the button pressed in every question
  static int answer = 0;
  return answer;
}
TArray<TRecipientsList>& Chosen() {
  static TArray<TRecipientsList> rows;
  return rows;
}
bool& ChooseOk() {
  static bool ok = true;
  return ok;
}

struct TMessage {
  bool Opened = false, HeaderRead = false, Sealed = false;
  TCommandMessageHeader Header;
  std::vector<TDiscBlockRecord> Blocks;
  std::vector<std::pair<std::string, std::string>> Pairs;
  bool DataRead = false;
};

// Opens a message as the post office does: header, seal, then the data.
TMessage ReadMessage(const std::string& path, bool pairs = false, std::string key = "") {
  TMessage m;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return m;
  m.Opened = true;
  {
    TBufReader reader(file);
    m.HeaderRead = m.Header.Read(reader);
    if (m.HeaderRead) {
      m.Sealed = VerifyFileSign(file, m.Header);
      if (pairs) {
        TStr name, value;
        while (DiscBlockNameAndCRCFromBufReader(reader, name, value)) m.Pairs.emplace_back(name, value);
      } else if (m.Header.HasField("BLOCKSCOUNT")) {
        if (key.empty() && m.Header.IsPrivateMessage()) key = m.Header.SenderKey();
        TDiscBlockRecord record;
        while (DiscBlockFromBufReader(reader, record, key)) m.Blocks.push_back(record);
      }
      m.DataRead = !IsErrorReported();
    }
  }
  CloseHandle(file);
  return m;
}

std::vector<std::string> FieldNames(const TCommandMessageHeader& header) {
  std::vector<std::string> names;
  for (size_t i = 0; i < header.FieldCount(); ++i) names.push_back(header.Field(i).Name.ToString());
  return names;
}

class Composer : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    outbox_ = Folder() + "/Outbox/";
    ASSERT_TRUE(CreateFolder(outbox_));
    savedPaths_ = TBrowseGlobal::Paths;
    TBrowseGlobal::Paths.Outbox = outbox_;
    platform::SetNowSource([] { return EncodeDate(2005, 12, 19) + EncodeTime(14, 5, 9, 0); });
    Asked().clear();
    Answer() = 0;
    ChooseOk() = true;
    Chosen().Clear();
    TModelHooks& hooks = ModelHooks();
    hooks.CurrentLogin = [] { return TModelLogin{0, "L-lead", "lead@x"}; };
    hooks.PrivateMessageKey = [] { return TStr(LeaderKey); };
    hooks.KeyOfLogin = [](const TStr& lident, const TStr&) { return lident == "L-lead" ? TStr(LeaderKey) : TStr(); };
    hooks.LoginLIdent = [](uint16_t ident) { return ident == 7 ? TStr("L-moderator") : TStr(); };
    hooks.ChooseReceivers = [](TDiscussion&, const std::string&, int, TArray<TRecipientsList>& rows) {
      rows = Chosen();
      return ChooseOk();
    };
    TGuiHooks gui;
    gui.ShowErrorWindow = [](const std::string& text) { Reports().push_back(text); };
    gui.ShowMessageBox = [](const std::string& caption, const std::string& text, const std::string&,
                            const std::string& buttons, int) {
      Asked().push_back({caption, text});
      return buttons == "OK" ? 0 : Answer();
    };
    SetGuiHooks(gui);
    MakeRoot(d_, Folder() + "/Ecology");
    d_.Info.DIdent = "D-1";
    d_.Info.Name = "Экология";
    d_.Info.Annotation = "О природе\r\nвторая строка";
    d_.Info.ModelAuthorLIdent = "L-lead";
    const int lead = d_.Authors.CreateAuthor(d_, "L-lead", 0, 0);
    d_.Authors.Author(lead).LastName = "Лидер";
    d_.Authors.Author(lead).AutomaticEMail = "lead@x";
    const int second = d_.Authors.CreateAuthor(d_, "L-2", 2, 0);
    d_.Authors.Author(second).LastName = "Второй";
    d_.Authors.Author(second).IdentsGiven = 1;
    d_.Authors.CreateAuthor(d_, "L-3", 3, 0);
    d_.Authors.CreateAuthor(d_, "L-none", -1, 0);
  }
  void TearDown() override {
    platform::SetNowSource(nullptr);
    TBrowseGlobal::Paths = savedPaths_;
    ModelTest::TearDown();
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((outbox_ + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      const std::string name = data.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
  }
  // A model of a heading with a premise, a conclusion and a formula, and a comment.
  void FillModel() {
    const TDiscBlockIndex root = d_.Storages.GetRootBlockIndex();
    heading_ = AddBlock(d_, StorageType_Model, root, TextType_Heading, "Раздел");
    const TDiscBlockIndex premise = AddBlock(d_, StorageType_Model, heading_, TextType_Premise, "Посылка");
    const TDiscBlockIndex conclusion = AddBlock(d_, StorageType_Model, heading_, TextType_Conclusion, "Вывод");
    const TDiscBlockIndex formula = AddBlock(d_, StorageType_Model, heading_, TextType_Formula, "");
    TDiscBlock& f = *d_.Storages.GetDiscBlock(formula);
    f.Conclusion = conclusion;
    f.ConclusionCode = d_.Storages.GetDiscBlock(conclusion)->GetDiscBlockCode();
    d_.Storages.GetStrHashItem(formula)->Str.FormulaText = "<1.2>*0.5";
    comment_ = AddBlock(d_, StorageType_Comments, premise, TextType_Premise, "Комментарий", 2);
    AddBlock(d_, StorageType_Notes, premise, TextType_Premise, "Заметка");
  }

  std::string outbox_;
  TSuitePaths savedPaths_;
  TDiscussion d_;
  TDiscBlockIndex heading_, comment_;
};

TArray<TRecipientsList> Rows(std::initializer_list<TRecipientsList> rows) {
  TArray<TRecipientsList> array;
  for (const TRecipientsList& row : rows) array.AddItem(row);
  return array;
}

}  // namespace

TEST_F(Composer, ReplyCarriesTheChosenAuthors) {
  ASSERT_TRUE(d_.Reply(Rows({{"a@x; b@x", "robot@x"}, {"*", ""}}), -2, 0));
  const std::vector<std::string> files = Files();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0], "X-Ecology-051219-AU-001");
  EXPECT_EQ(files[1], "X-Ecology-051219-AU-002");
  TMessage m = ReadMessage(outbox_ + files[0]);
  ASSERT_TRUE(m.HeaderRead);
  EXPECT_TRUE(m.Sealed);
  EXPECT_EQ(FieldNames(m.Header),
            (std::vector<std::string>{"SENDER_LIDENT", "FROM_USER_EMAIL", "TO_USERS_EMAILS_CRYPTED",
                                      "TO_ROBOTS_EMAILS_CRYPTED", "COMMAND", "DIDENT", "COMPOSE_DATETIME",
                                      "AUTHORS_COUNT", "AUTHOR_DATA_1"}));
  EXPECT_EQ(m.Header.GetFieldValue("SENDER_LIDENT"), "L-lead");
  EXPECT_EQ(m.Header.GetFieldValue("FROM_USER_EMAIL"), "lead@x");
  EXPECT_EQ(m.Header.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "a@x; b@x");
  EXPECT_EQ(m.Header.GetCryptedFieldValue("TO_ROBOTS_EMAILS_CRYPTED"), "robot@x");
  EXPECT_EQ(m.Header.GetFieldValue("COMMAND"), "AUTHORS_UPDATE");
  EXPECT_EQ(m.Header.GetFieldValue("DIDENT"), "D-1");
  EXPECT_EQ(m.Header.GetFieldValue("COMPOSE_DATETIME"), "12/19/2005 14:05:09");
  EXPECT_EQ(m.Header.GetFieldValue("AUTHORS_COUNT"), "1");
  TAuthor decoded;
  ASSERT_TRUE(decoded.DecodeAuthorDataStr(m.Header.GetFieldValue("AUTHOR_DATA_1")));
  EXPECT_EQ(decoded.LastName, "Второй");
  EXPECT_EQ(decoded.ADIdent, 2);
  EXPECT_FALSE(ReadMessage(outbox_ + files[1]).Header.HasField("TO_ROBOTS_EMAILS_CRYPTED"));

  // -1: every author with an identifier; one ADIdent: that author.
  ASSERT_TRUE(d_.Reply(Rows({{"a@x", ""}}), -1, 0));
  m = ReadMessage(outbox_ + Files()[2]);
  EXPECT_EQ(m.Header.GetFieldValue("AUTHORS_COUNT"), "3");
  EXPECT_TRUE(m.Sealed);
  ASSERT_TRUE(d_.Reply(Rows({{"a@x", ""}}), 3, 1));
  m = ReadMessage(outbox_ + Files()[3]);
  ASSERT_TRUE(decoded.DecodeAuthorDataStr(m.Header.GetFieldValue("AUTHOR_DATA_1")));
  EXPECT_EQ(decoded.LIdent, "L-3");
  ASSERT_FALSE(Asked().empty());
  // Each announcement says whom its message goes to: two in a row are told apart.
  EXPECT_EQ(Asked().back().Text, "Command message AUTHORS_UPDATE to a@x composed and signed.");
  ASSERT_TRUE(d_.Reply(Rows({{"*", ""}}), 3, 1));
  EXPECT_EQ(Asked().back().Text, "Command message AUTHORS_UPDATE to everybody composed and signed.");
  ASSERT_TRUE(d_.Reply(Rows({{"a@x; b@x; c@x; d@x; e@x", "robot@x"}}), 3, 1));
  EXPECT_EQ(Asked().back().Text, "Command message AUTHORS_UPDATE to a@x, b@x, c@x and 3 more composed and signed.");

  EXPECT_FALSE(d_.Reply(Rows({{"a@x", ""}}), 9, 0));
  EXPECT_FALSE(d_.Reply(Rows({{"a@x", ""}}), 0xFFFF, 0));
  EXPECT_EQ(Reports().back(), "TDiscussion::Reply - нет автора с идентификатором 65535");
  EXPECT_EQ(Files().size(), 6u);
}

TEST_F(Composer, CreateModelOfAPrivateDiscussionPacksTextsWithTheLeadersKey) {
  FillModel();
  d_.Info.Secret = 1;
  d_.Info.ModeratorLoginIdent = 7;
  d_.Info.ShareDate = int32_t(EncodeDate(2005, 12, 1));
  ASSERT_TRUE(d_.SendCommand_CreateModel(Rows({{"p@x", ""}}), "123456_AG"));
  ASSERT_EQ(Files().size(), 1u);
  EXPECT_EQ(Files()[0], "X-Ecology-051219-FNM-001");
  const std::string path = outbox_ + Files()[0];
  TMessage m = ReadMessage(path);
  ASSERT_TRUE(m.HeaderRead);
  EXPECT_TRUE(m.Sealed);
  EXPECT_TRUE(m.DataRead);
  EXPECT_EQ(FieldNames(m.Header),
            (std::vector<std::string>{"SENDER_LIDENT", "FROM_USER_EMAIL", "TO_USERS_EMAILS_CRYPTED", "COMMAND", "DIDENT",
                                      "PRIVATE_REQ", "COMPOSE_DATETIME", "MODEL_NAME", "MODEL_NICK",
                                      "MODEL_AUTHOR_LIDENT", "AUTHOR_DATA", "ANNOTATION", "SHARE_DATE", "MODERATED",
                                      "MODERATOR_EMAIL", "MODERATOR_LIDENT", "AGIDENT1", "BLOCKSCOUNT"}));
  EXPECT_EQ(m.Header.GetFieldValue("PRIVATE_REQ"), "1");
  EXPECT_EQ(m.Header.GetFieldValue("MODEL_NAME"), "Экология");
  EXPECT_EQ(m.Header.GetFieldValue("MODEL_NICK"), "Ecology");
  EXPECT_EQ(m.Header.GetFieldValue("SHARE_DATE"), "12/01/2005");
  EXPECT_EQ(m.Header.GetFieldValue("MODERATED"), "1");
  EXPECT_EQ(m.Header.GetFieldValue("MODERATOR_LIDENT"), "L-moderator");
  EXPECT_EQ(m.Header.GetFieldValue("AGIDENT1"), "123456_AG");
  EXPECT_EQ(m.Header.GetAnnotationField(), "О природе\r\nвторая строка");
  EXPECT_EQ(m.Header.GetFieldValue("ANNOTATION").find("природе"), std::string::npos);
  TAuthor author;
  ASSERT_TRUE(author.DecodeAuthorDataStr(m.Header.GetFieldValue("AUTHOR_DATA")));
  EXPECT_EQ(author.LastName, "Лидер");
  EXPECT_EQ(m.Header.GetFieldValue("BLOCKSCOUNT"), "4");
  // Every model block but the root, upper blocks first, each as the model holds it.
  ASSERT_EQ(m.Blocks.size(), 4u);
  const std::vector<std::string> names{"1.*", "1.1", "1.2", "1.3"};
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(m.Blocks[i].Name.ToString(), names[i]);
    const TDiscBlockIndex own = d_.Storages.FindDiscBlockIndexByName(names[i]);
    EXPECT_TRUE(m.Blocks[i] == MakeDiscBlockRecord(d_, own)) << names[i];
  }
  EXPECT_EQ(m.Blocks[3].ConclusionName, "1.2");
  EXPECT_EQ(m.Blocks[3].Texts.FormulaText, "<1.2>*0.5");
  EXPECT_EQ(testsupport::ReadFile(path).find("Посылка"), std::string::npos);

  // Another key neither unpacks the texts nor verifies the seal.
  TError::Instance().Reset();
  TMessage wrong = ReadMessage(path, false, "another key 1");
  EXPECT_TRUE(wrong.Blocks.empty());
  EXPECT_TRUE(IsErrorReported());
  ModelHooks().KeyOfLogin = [](const TStr&, const TStr&) { return TStr("another key 1"); };
  EXPECT_FALSE(ReadMessage(path).Sealed);

  // Without the key password nothing is written.
  TError::Instance().Reset();
  ModelHooks().PrivateMessageKey = [] { return TStr(); };
  EXPECT_FALSE(d_.SendCommand_CreateModel(Rows({{"p@x", ""}}), ""));
  EXPECT_EQ(Files().size(), 1u);
}

TEST_F(Composer, AThousandBlocksRoundTrip) {
  const TDiscBlockIndex root = d_.Storages.GetRootBlockIndex();
  TDiscBlockIndex upper = AddBlock(d_, StorageType_Model, root, TextType_Heading, "Раздел");
  for (int i = 0; i < 999; ++i) {
    const TDiscBlockIndex block = AddBlock(d_, StorageType_Model, upper, i % 10 == 0 ? TextType_Heading : TextType_Premise,
                                           "Текст блока " + std::to_string(i));
    d_.Storages.GetStrHashItem(block)->Str.URL = "http://x/" + std::to_string(i);
    if (i % 10 == 0) upper = block;
  }
  ASSERT_TRUE(d_.SendCommand_CreateModel(Rows({{"*", ""}}), ""));
  TMessage m = ReadMessage(outbox_ + Files()[0]);
  ASSERT_TRUE(m.Sealed);
  EXPECT_EQ(m.Header.GetFieldValue("PRIVATE_REQ"), "0");
  EXPECT_EQ(m.Header.GetFieldValue("MODERATED"), "0");
  EXPECT_FALSE(m.Header.HasField("MODERATOR_EMAIL"));
  EXPECT_FALSE(m.Header.HasField("AGIDENT1"));
  EXPECT_EQ(m.Header.GetFieldValue("BLOCKSCOUNT"), "1000");
  ASSERT_EQ(m.Blocks.size(), 1000u);
  std::vector<std::string> seen{"*"};
  for (const TDiscBlockRecord& record : m.Blocks) {
    const TDiscBlockIndex own = d_.Storages.FindDiscBlockIndexByName(record.Name.ToString());
    ASSERT_FALSE(own.IsEmpty());
    EXPECT_TRUE(record == MakeDiscBlockRecord(d_, own));
    EXPECT_NE(std::find(seen.begin(), seen.end(), record.UpperName.ToString()), seen.end()) << record.Name.ToString();
    seen.push_back(record.Name.ToString());
  }
}

TEST_F(Composer, NewBlocksAndRequestedBlocks) {
  FillModel();
  ASSERT_TRUE(d_.SendCommand_NewBlocks_AllComments(Rows({{"a@x", ""}})));
  TMessage m = ReadMessage(outbox_ + Files()[0]);
  ASSERT_TRUE(m.Sealed);
  EXPECT_EQ(Files()[0], "X-Ecology-051219-NB-001");
  EXPECT_EQ(FieldNames(m.Header),
            (std::vector<std::string>{"SENDER_LIDENT", "FROM_USER_EMAIL", "TO_USERS_EMAILS_CRYPTED", "COMMAND",
                                      "DIDENT", "PRIVATE_REQ", "COMPOSE_DATETIME", "BLOCKSCOUNT"}));
  EXPECT_EQ(m.Header.GetFieldValue("COMMAND"), "NEW_BLOCKS");
  ASSERT_EQ(m.Blocks.size(), 1u);
  EXPECT_EQ(m.Blocks[0].Name, "2-1");
  EXPECT_EQ(m.Blocks[0].UpperName, "1.1");
  EXPECT_EQ(m.Blocks[0].ADIdent, 2);
  EXPECT_EQ(m.Blocks[0].StorageType, StorageType_Comments);

  // Requested: found blocks once each, notes and unknown names counted as not found.
  Asked().clear();
  Answer() = 1;  // No
  EXPECT_FALSE(d_.SendCommand_RequestedBlocks(Rows({{"a@x", ""}}), "1.1;2-1; 1.1 ;N-1;9.9;"));
  ASSERT_EQ(Asked().size(), 1u);
  EXPECT_EQ(Asked()[0].Caption, "GIVE_BLOCKS");
  EXPECT_EQ(Asked()[0].Text, "2 requested blocks are not found.\nSend 2 requested blocks?");
  EXPECT_EQ(Files().size(), 1u);
  Answer() = 0;  // Yes
  ASSERT_TRUE(d_.SendCommand_RequestedBlocks(Rows({{"a@x", ""}}), "1.1;2-1; 1.1 ;N-1;9.9;"));
  ASSERT_EQ(Files().size(), 2u);
  EXPECT_EQ(Files()[1], "X-Ecology-051219-RB-001");
  m = ReadMessage(outbox_ + Files()[1]);
  EXPECT_EQ(m.Header.GetFieldValue("COMMAND"), "REQUESTED_BLOCKS");
  EXPECT_EQ(m.Header.GetFieldValue("BLOCKSCOUNT"), "2");
  ASSERT_EQ(m.Blocks.size(), 2u);
  EXPECT_EQ(m.Blocks[0].Name, "1.1");
  EXPECT_EQ(m.Blocks[1].Name, "2-1");
  // Nothing found: told, and nothing to send.
  EXPECT_TRUE(d_.SendCommand_RequestedBlocks(Rows({{"a@x", ""}}), "9.9"));
  EXPECT_EQ(Asked().back().Text, "None of 1 requested blocks is found.");
  EXPECT_EQ(Files().size(), 2u);
}

TEST_F(Composer, ExistingBlockNamesAndTheirRequests) {
  FillModel();
  d_.Info.BlockNamesRequesters = "a@x; b@x";
  d_.Undo.StartStep();
  ASSERT_TRUE(d_.SendPendingExistingBlockNames());
  EXPECT_TRUE(d_.Info.BlockNamesRequesters.IsEmpty());
  ASSERT_EQ(Files().size(), 1u);
  EXPECT_EQ(Files()[0], "X-Ecology-051219-EBL-001");
  TMessage m = ReadMessage(outbox_ + Files()[0], true);
  ASSERT_TRUE(m.Sealed);
  EXPECT_EQ(m.Header.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "a@x; b@x");
  EXPECT_EQ(m.Header.GetFieldValue("BLOCKSCOUNT"), "6");
  ASSERT_EQ(m.Pairs.size(), 6u);  // the root, four model blocks, the comment; no note
  for (const auto& [name, value] : m.Pairs) {
    const TDiscBlockIndex own = d_.Storages.FindDiscBlockIndexByName(name);
    EXPECT_EQ(d_.Storages.GetDiscBlock(own)->ComposeTextLine(d_, own).ToString(), value) << name;
  }
  EXPECT_EQ(m.Pairs.back().first, "2-1");
  // The cleared list comes back with undo; an empty list sends nothing.
  ASSERT_TRUE(d_.Undo.UndoStep(d_));
  EXPECT_EQ(d_.Info.BlockNamesRequesters, "a@x; b@x");
  d_.Info.BlockNamesRequesters.Clear();
  EXPECT_TRUE(d_.SendPendingExistingBlockNames());
  EXPECT_EQ(Files().size(), 1u);

  // The request goes to the receivers the user chooses.
  Chosen() = Rows({{"lead@x", ""}});
  ASSERT_TRUE(d_.SendCommand_GiveExistingBlockNames());
  ASSERT_EQ(Files().size(), 2u);
  m = ReadMessage(outbox_ + Files()[1]);
  EXPECT_TRUE(m.Sealed);
  EXPECT_EQ(FieldNames(m.Header), (std::vector<std::string>{"SENDER_LIDENT", "FROM_USER_EMAIL",
                                                            "TO_USERS_EMAILS_CRYPTED", "COMMAND", "DIDENT",
                                                            "COMPOSE_DATETIME"}));
  EXPECT_EQ(m.Header.GetFieldValue("COMMAND"), "GIVE_EXISTING_BLOCKS_LIST");
  ChooseOk() = false;
  EXPECT_FALSE(d_.SendCommand_GiveExistingBlockNames());
  EXPECT_EQ(Files().size(), 2u);
}

TEST_F(Composer, YourCommandIgnored) {
  ASSERT_TRUE(d_.SendCommand_YourCommandIgnored(Rows({{"x@y", ""}}), "GIVE_MODEL", "", ""));
  ASSERT_TRUE(d_.SendCommand_YourCommandIgnored(Rows({{"x@y", ""}}), "GIVE_MODEL", "aux", "Sorry"));
  ASSERT_EQ(Files().size(), 2u);
  EXPECT_EQ(Files()[0], "X-Ecology-051219-YCI-001");
  TMessage m = ReadMessage(outbox_ + Files()[0]);
  EXPECT_TRUE(m.Sealed);
  EXPECT_EQ(FieldNames(m.Header), (std::vector<std::string>{"SENDER_LIDENT", "FROM_USER_EMAIL",
                                                            "TO_USERS_EMAILS_CRYPTED", "COMMAND", "DIDENT",
                                                            "COMPOSE_DATETIME", "IGNORED_COMMAND", "MODEL_NAME"}));
  EXPECT_EQ(m.Header.GetFieldValue("IGNORED_COMMAND"), "GIVE_MODEL");
  EXPECT_EQ(m.Header.GetFieldValue("MODEL_NAME"), "Экология");
  m = ReadMessage(outbox_ + Files()[1]);
  EXPECT_EQ(m.Header.GetFieldValue("AUX_INFO"), "aux");
  EXPECT_EQ(m.Header.GetFieldValue("RESULT_COMMENT"), "Sorry");
  EXPECT_EQ(FieldNames(m.Header).back(), "MODEL_NAME");

  // A secret discussion's refusal is for someone who may not hold its Key: sealed as a
  // public one's, written without the Key, read without one.
  d_.Info.Secret = 1;
  ModelHooks().PrivateMessageKey = [] { return TStr(); };
  ASSERT_TRUE(d_.SendCommand_YourCommandIgnored(Rows({{"x@y", ""}}), "GIVE_MODEL", "", ""));
  ASSERT_EQ(Files().size(), 3u);
  m = ReadMessage(outbox_ + Files()[2]);
  EXPECT_TRUE(m.Sealed);
  EXPECT_FALSE(m.Header.IsPrivateMessage());
  EXPECT_EQ(FieldNames(m.Header),
            (std::vector<std::string>{"SENDER_LIDENT", "FROM_USER_EMAIL", "TO_USERS_EMAILS_CRYPTED", "COMMAND",
                                      "DIDENT", "PRIVATE_REQ", "COMPOSE_DATETIME", "IGNORED_COMMAND", "MODEL_NAME"}));
  EXPECT_EQ(m.Header.GetFieldValue("PRIVATE_REQ"), "0");
}

TEST_F(Composer, AlteredAndTruncatedMessagesAreRefused) {
  FillModel();
  ASSERT_TRUE(d_.SendCommand_NewBlocks_AllComments(Rows({{"a@x", ""}})));
  const std::string path = outbox_ + Files()[0];
  const std::string bytes = testsupport::ReadFile(path);
  ASSERT_TRUE(ReadMessage(path).Sealed);
  // One byte changed anywhere, in the header, the records or the seal.
  for (size_t at : {size_t(3), bytes.find("DATA") + 8, bytes.size() - 40, bytes.size() - 1}) {
    std::string altered = bytes;
    altered[at] = char(altered[at] ^ 0x01);
    testsupport::WriteFile(path, altered);
    TError::Instance().Reset();
    const TMessage m = ReadMessage(path);
    EXPECT_FALSE(m.HeaderRead && m.Sealed) << at;
  }
  for (size_t size : {size_t(0), size_t(20), bytes.find("DATA") + 6, bytes.size() - 1}) {
    testsupport::WriteFile(path, bytes.substr(0, size));
    TError::Instance().Reset();
    const TMessage m = ReadMessage(path);
    EXPECT_FALSE(m.HeaderRead && m.Sealed) << size;
  }
}

TEST_F(Composer, AnUnfinishedComposerLeavesNoFile) {
  // The second row's file cannot be created: the first row's message goes too.
  int calls = 0;
  ModelHooks().PostFileName = [&calls, this](const std::string& folder, const std::string& partA,
                                             const std::string& code) {
    return ++calls == 2 ? outbox_ + "missing/folder/x" : folder + partA + "-" + code + "-" + std::to_string(calls);
  };
  EXPECT_FALSE(d_.SendCommand_YourCommandIgnored(Rows({{"a@x", ""}, {"b@x", ""}}), "GIVE_MODEL", "", ""));
  EXPECT_TRUE(Files().empty());
  EXPECT_EQ(Reports().back(), "TDiscussion::SendCommand_YourCommandIgnored - ошибка открытия файла "
                              "команды-сообщения " + outbox_ + "missing/folder/x");
  // A file of that name exists already: it is neither overwritten nor removed.
  testsupport::WriteFile(outbox_ + "Ecology-YCI-3", "someone else's");
  EXPECT_FALSE(d_.SendCommand_YourCommandIgnored(Rows({{"a@x", ""}}), "GIVE_MODEL", "", ""));
  EXPECT_EQ(testsupport::ReadFile(outbox_ + "Ecology-YCI-3"), "someone else's");
  EXPECT_EQ(Files().size(), 1u);
  // A record that cannot be written stops the message.
  ModelHooks().PostFileName = {};
  FillModel();
  d_.Storages.GetDiscBlock(comment_)->Possibility = 150;
  EXPECT_FALSE(d_.SendCommand_NewBlocks_AllComments(Rows({{"a@x", ""}})));
  EXPECT_EQ(Files().size(), 1u);
  // Model folder names cannot lead out of the Outbox.
  d_.Info.ModelFolderName = "../../up";
  ASSERT_TRUE(d_.SendCommand_YourCommandIgnored(Rows({{"a@x", ""}}), "GIVE_MODEL", "", ""));
  EXPECT_EQ(Files().back(), "X-______up-051219-YCI-001");
}

TEST_F(Composer, CommandsForANewModelGoToItsRequesters) {
  FillModel();
  d_.Info.AddOrUpdatePerson("L-new", "new@x", "Новый");
  d_.Info.AddOrUpdatePerson("L-3", "three@x", "Третий");
  d_.Info.ModelRequesters = "new@x; three@x";
  const TAuthorsStorage authors = d_.Authors;
  const int undoCount = d_.Undo.Count();

  // Cancelled: the persons made authors for the choice are taken back.
  int authorsSeen = 0;
  ModelHooks().ChooseReceivers = [&authorsSeen](TDiscussion& d, const std::string&, int kind,
                                                TArray<TRecipientsList>& rows) {
    EXPECT_EQ(kind, 3);
    authorsSeen = d.Authors.Count();
    rows = Chosen();
    return ChooseOk();
  };
  ChooseOk() = false;
  EXPECT_FALSE(d_.SendCommandsForNewModel());
  EXPECT_EQ(authorsSeen, authors.Count() + 1);
  EXPECT_EQ(d_.Authors.Count(), authors.Count());
  EXPECT_EQ(d_.Authors.Author(2).AutomaticEMail, "");
  EXPECT_EQ(d_.Undo.Count(), undoCount);
  // No receiver: told so.
  ChooseOk() = true;
  EXPECT_FALSE(d_.SendCommandsForNewModel());
  EXPECT_EQ(Asked().back().Caption, "Send FORM_NEW_MODEL");
  EXPECT_EQ(Asked().back().Text, "There are no FORM_NEW_MODEL requesters!");
  // One message fails: all of them go, and the authors are as they were.
  Chosen() = Rows({{"new@x; three@x", ""}});
  ModelHooks().PostFileName = [this](const std::string& folder, const std::string& partA, const std::string& code) {
    return code == "AU" ? outbox_ + "missing/x" : folder + partA + "-" + code;
  };
  EXPECT_FALSE(d_.SendCommandsForNewModel());
  EXPECT_TRUE(Files().empty());
  EXPECT_EQ(d_.Authors.Count(), authors.Count());
  EXPECT_EQ(d_.Info.ModelRequesters, "new@x; three@x");
  // Sent: model, authors and comments; the requesters are served.
  ModelHooks().PostFileName = {};
  TError::Instance().Reset();
  d_.Undo.StartStep();
  ASSERT_TRUE(d_.SendCommandsForNewModel());
  EXPECT_EQ(Files(), (std::vector<std::string>{"X-Ecology-051219-AU-001", "X-Ecology-051219-FNM-001",
                                               "X-Ecology-051219-NB-001"}));
  for (const std::string& file : Files()) EXPECT_TRUE(ReadMessage(outbox_ + file).Sealed) << file;
  EXPECT_EQ(ReadMessage(outbox_ + Files()[0]).Header.GetFieldValue("AUTHORS_COUNT"), "3");
  EXPECT_EQ(d_.Authors.Count(), authors.Count() + 1);
  EXPECT_EQ(d_.Authors.Author(2).AutomaticEMail, "three@x");
  EXPECT_TRUE(d_.Info.ModelRequesters.IsEmpty());
  EXPECT_EQ(d_.Info.Persons.Count(), 0u);
  // Undone, the discussion is as before.
  ASSERT_TRUE(d_.Undo.UndoStep(d_));
  EXPECT_EQ(d_.Info.ModelRequesters, "new@x; three@x");
  EXPECT_EQ(d_.Info.Persons.Count(), 2u);
  EXPECT_EQ(d_.Authors.Count(), authors.Count());
  EXPECT_EQ(d_.Authors.Author(2).AutomaticEMail, "");
}
