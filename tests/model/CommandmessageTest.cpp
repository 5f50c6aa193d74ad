// Command-message headers: their text form, round trips and the refusal of malformed
// headers from other participants.

#include "Modeltesthelpers.h"

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "model/Modelhooks.h"
#include "model/Tcommandmessage.h"

#include <string>

using namespace modeltest;

namespace {

class CommandMessage : public ModelTest {};

std::string Written(const TCommandMessageHeader& header, const std::string& sender) {
  std::string bytes;
  {
    TBufWriter writer(bytes);
    EXPECT_TRUE(header.Write(writer, sender));
  }
  return bytes;
}

// Reads a header from the bytes; the rest of the bytes after it in `rest`.
bool ReadBack(const std::string& bytes, TCommandMessageHeader& header, std::string* rest = nullptr) {
  TBufReader reader(bytes);
  const bool ok = header.Read(reader);
  if (ok && rest) *rest = bytes.substr(size_t(reader.Position()));
  return ok;
}

}  // namespace

TEST_F(CommandMessage, WritesTheTextFormByteForByte) {
  ModelHooks().CurrentLogin = [] { return TModelLogin{3, "L-me", "me@x"}; };
  TCommandMessageHeader header;
  ASSERT_TRUE(header.AddField("COMMAND", "NEW_BLOCKS"));
  ASSERT_TRUE(header.AddField("ANNOTATION", "строка 1\r\nc:\\path\\"));
  ASSERT_TRUE(header.AddField("EMPTY", ""));
  EXPECT_EQ(Written(header, ""),
            "SENDER_LIDENT=L-me\r\nCOMMAND=NEW_BLOCKS\r\nANNOTATION=строка 1\\r\\nc:\\\\path\\\\\r\nEMPTY=\r\n"
            "DATA\r\n");
  EXPECT_EQ(Written(header, "L-other").substr(0, 23), "SENDER_LIDENT=L-other\r\n");

  TCommandMessageHeader crypted;
  ASSERT_TRUE(crypted.AddCryptedField("TO_USERS_EMAILS_CRYPTED", "a@x; b@x"));
  const std::string bytes = Written(crypted, "L-me");
  const std::string packed = crypted.GetFieldValue("TO_USERS_EMAILS_CRYPTED");
  EXPECT_EQ(bytes, "SENDER_LIDENT=L-me\r\nTO_USERS_EMAILS_CRYPTED*=" + packed + "\r\nDATA\r\n");
  EXPECT_EQ(packed.find("a@x"), std::string::npos);
  EXPECT_EQ(crypted.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "a@x; b@x");
}

TEST_F(CommandMessage, RoundTripsEveryFieldAndLeavesTheReaderAtTheData) {
  TCommandMessageHeader header;
  std::string every;
  for (int c = 0; c < 256; ++c) every += char(c);
  ASSERT_TRUE(header.AddField("FROM_USER_EMAIL", "me@x"));
  ASSERT_TRUE(header.AddRecipientsFields(TRecipientsList{"a@x; b@x", "robot@x"}));
  ASSERT_TRUE(header.AddField("BYTES", every));
  ASSERT_TRUE(header.AddCryptedField("SECRET", every));
  TRecipientsList noRobots{"*", ""};
  TCommandMessageHeader second;
  ASSERT_TRUE(second.AddRecipientsFields(noRobots));
  EXPECT_FALSE(second.HasField("TO_ROBOTS_EMAILS_CRYPTED"));

  const std::string data = "\x2B\x01 data after the header \r\n";
  TCommandMessageHeader read;
  std::string rest;
  ASSERT_TRUE(ReadBack(Written(header, "L-1") + data, read, &rest));
  EXPECT_EQ(rest, data);
  ASSERT_EQ(read.FieldCount(), 6u);
  EXPECT_EQ(read.GetFieldValue("SENDER_LIDENT"), "L-1");
  EXPECT_EQ(read.GetFieldValue("FROM_USER_EMAIL"), "me@x");
  EXPECT_EQ(read.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "a@x; b@x");
  EXPECT_EQ(read.GetCryptedFieldValue("TO_ROBOTS_EMAILS_CRYPTED"), "robot@x");
  EXPECT_EQ(read.GetFieldValue("BYTES"), every);
  EXPECT_EQ(read.GetCryptedFieldValue("SECRET"), every);
  EXPECT_TRUE(read.Field(4).Crypted == false && read.Field(5).Crypted);
  EXPECT_EQ(read.GetFieldValue("MISSING"), "");
  EXPECT_FALSE(read.HasField("MISSING"));
  // Written again, a read header keeps its order and one SENDER_LIDENT.
  TCommandMessageHeader again;
  ASSERT_TRUE(ReadBack(Written(read, "L-1"), again));
  EXPECT_EQ(again.FieldCount(), 6u);
  EXPECT_TRUE(Reports().empty());
}

TEST_F(CommandMessage, RefusesDuplicateReservedAndMalformedNames) {
  TCommandMessageHeader header;
  ASSERT_TRUE(header.AddField("COMMAND", "A"));
  EXPECT_FALSE(header.AddField("COMMAND", "B"));
  EXPECT_FALSE(header.AddCryptedField("COMMAND", "B"));
  EXPECT_FALSE(header.AddField("SENDER_LIDENT", "x"));
  EXPECT_FALSE(header.AddField("DATA", "x"));
  EXPECT_FALSE(header.AddField("lower", "x"));
  EXPECT_FALSE(header.AddField("A=B", "x"));
  EXPECT_FALSE(header.AddField("", "x"));
  EXPECT_FALSE(header.AddField(std::string(65, 'A'), "x"));
  EXPECT_EQ(header.FieldCount(), 1u);
  EXPECT_EQ(header.GetFieldValue("COMMAND"), "A");
  ASSERT_FALSE(Reports().empty());
  EXPECT_EQ(Reports()[0], "TCommandMessageHeader::AddField - поле COMMAND уже есть");
}

TEST_F(CommandMessage, RefusesMalformedHeadersAndKeepsNothing) {
  const std::string good = "SENDER_LIDENT=L\r\nCOMMAND=X\r\nDATA\r\n";
  TCommandMessageHeader header;
  ASSERT_TRUE(ReadBack(good, header));
  struct Case {
    std::string bytes;
    std::string report;
  } cases[] = {
      {"SENDER_LIDENT=L\r\nCOMMAND=X\r\n", "TCommandMessageHeader::Read - заголовок команды-сообщения не закончен полем DATA"},
      {"", "TCommandMessageHeader::Read - заголовок команды-сообщения не закончен полем DATA"},
      {"SENDER_LIDENT=L\nDATA\r\n", "TCommandMessageHeader::Read - строка заголовка без CR"},
      {"SENDER_LIDENT=L\rDATA\r\n", "TCommandMessageHeader::Read - строка заголовка без LF"},
      {"COMMAND=X\r\nSENDER_LIDENT=L\r\nDATA\r\n",
       "TCommandMessageHeader::Read - первым полем заголовка должно быть SENDER_LIDENT, а не COMMAND=X"},
      {"DATA\r\n", "TCommandMessageHeader::Read - заголовок без поля SENDER_LIDENT"},
      {"SENDER_LIDENT=L\r\ncommand=X\r\nDATA\r\n", "TCommandMessageHeader::Read - недопустимая строка заголовка command=X"},
      {"SENDER_LIDENT=L\r\nCOMMAND\r\nDATA\r\n", "TCommandMessageHeader::Read - недопустимая строка заголовка COMMAND"},
      {"SENDER_LIDENT=L\r\nDATA=1\r\nDATA\r\n", "TCommandMessageHeader::Read - недопустимая строка заголовка DATA=1"},
      {"SENDER_LIDENT=L\r\nA=1\r\nA=2\r\nDATA\r\n", "TCommandMessageHeader::Read - повторное поле A=2"},
      {"SENDER_LIDENT=L\r\nSENDER_LIDENT=M\r\nDATA\r\n",
       "TCommandMessageHeader::Read - первым полем заголовка должно быть SENDER_LIDENT, а не SENDER_LIDENT=M"},
      {"SENDER_LIDENT=L\r\nA=bad\\x\r\nDATA\r\n", "TCommandMessageHeader::Read - искажённое значение поля A=bad\\x"},
      {"SENDER_LIDENT=L\r\nA=end\\\r\nDATA\r\n", "TCommandMessageHeader::Read - искажённое значение поля A=end\\"},
      {"SENDER_LIDENT=L\r\nA*=0011\r\nDATA\r\n", "TCommandMessageHeader::Read - искажённое зашифрованное поле A"},
      {"SENDER_LIDENT=L\r\nA=" + std::string(MaxHeaderLineLength, 'x') + "\r\nDATA\r\n",
       "TCommandMessageHeader::Read - слишком длинная строка заголовка"},
  };
  for (const Case& c : cases) {
    Reports().clear();
    TError::Instance().Reset();
    ASSERT_TRUE(ReadBack(good, header));
    EXPECT_FALSE(ReadBack(c.bytes, header)) << c.report;
    EXPECT_EQ(header.FieldCount(), 0u) << c.report;
    ASSERT_FALSE(Reports().empty()) << c.report;
    EXPECT_EQ(Reports().back(), c.report);
  }
}

TEST_F(CommandMessage, BoundsTheNumberOfFields) {
  std::string bytes = "SENDER_LIDENT=L\r\n";
  for (size_t i = 1; i < MaxHeaderFields; ++i) bytes += "F" + std::to_string(i) + "=v\r\n";
  bytes += "DATA\r\n";
  TCommandMessageHeader header;
  EXPECT_FALSE(ReadBack(bytes, header));
  EXPECT_EQ(Reports().back(), "TCommandMessageHeader::Read - слишком много полей, начиная с F4095=v");
  // One field fewer is read, and a header of that many fields can no longer grow.
  bytes.erase(bytes.rfind("F4095=v\r\n"), 9);
  ASSERT_TRUE(ReadBack(bytes, header));
  EXPECT_EQ(header.FieldCount(), MaxHeaderFields - 1);
  TCommandMessageHeader built;
  for (size_t i = 1; i < MaxHeaderFields; ++i) ASSERT_TRUE(built.AddField("F" + std::to_string(i), "v"));
  EXPECT_FALSE(built.AddField("ONE_MORE", "v"));
}

TEST_F(CommandMessage, PrivateAnnotationUnpacksWithTheSendersKeyOnly) {
  ModelHooks().KeyOfLogin = [](const TStr& lident, const TStr&) {
    return lident == "L-sender" ? TStr("sender key 1") : TStr();
  };
  TCommandMessageHeader header;
  ASSERT_TRUE(header.AddField("PRIVATE_REQ", "1"));
  ASSERT_TRUE(header.AddField("ANNOTATION", PackAS("Аннотация", "sender key 1")));
  TCommandMessageHeader read;
  ASSERT_TRUE(ReadBack(Written(header, "L-sender"), read));
  EXPECT_TRUE(read.IsPrivateMessage());
  EXPECT_EQ(read.SenderKey(), "sender key 1");
  EXPECT_EQ(read.GetAnnotationField(), "Аннотация");
  ASSERT_TRUE(ReadBack(Written(header, "L-stranger"), read));
  EXPECT_EQ(read.GetAnnotationField(), "");

  TCommandMessageHeader open;
  ASSERT_TRUE(open.AddField("ANNOTATION", "plain"));
  EXPECT_FALSE(open.IsPrivateMessage());
  EXPECT_EQ(open.GetAnnotationField(), "plain");
  ASSERT_TRUE(open.AddField("PRIVATE_REQ", "0"));
  EXPECT_FALSE(open.IsPrivateMessage());
}

TEST_F(CommandMessage, RecipientsListOfOneRow) {
  TArray<TRecipientsList> rows = MakeRecipientsList(" a@x;b@x ,\r\n c@x;; ");
  ASSERT_EQ(rows.Count(), 1u);
  EXPECT_EQ(rows[0].Users, "a@x; b@x; c@x");
  EXPECT_TRUE(rows[0].Robots.IsEmpty());
  rows = MakeRecipientsList("*");
  ASSERT_EQ(rows.Count(), 1u);
  EXPECT_EQ(rows[0].Users, "*");
  EXPECT_EQ(MakeRecipientsList(" ; ").Count(), 0u);
}
