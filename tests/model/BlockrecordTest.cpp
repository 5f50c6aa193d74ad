// Block records of command messages, the check value of blocks and the text form of
// authors' data.

#include "Modeltesthelpers.h"

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "model/Authordata.h"
#include "model/Blockrecord.h"
#include "tests/support/Testsupport.h"

#include <string>

using namespace modeltest;

namespace {

class BlockRecord : public ModelTest {};

TDiscBlockRecord SampleRecord() {
  TDiscBlockRecord r;
  r.Name = "3.1";
  r.UpperName = "3.*";
  r.StorageType = StorageType_Model;
  r.Num = 0x0102;
  r.TextType = TextType_Formula;
  r.Novelty = 1;
  r.Importance = 2;
  r.Possibility = 55;
  r.ConclusionName = "3.2";
  r.Texts.Text = "Текст";
  r.Texts.URL = "u";
  r.Texts.FormulaText = "<3.2>";
  r.DeleteFlag = DeleteFlag_Crossed;
  r.Date = -2;
  r.ADIdent = 0x0304;
  r.CheckValue = ComposeCheckValue(r);
  return r;
}

std::string Records(const std::vector<TDiscBlockRecord>& records, const std::string& key) {
  std::string bytes;
  TBufWriter writer(bytes);
  for (const TDiscBlockRecord& r : records) EXPECT_TRUE(DiscBlockToBufWriter(writer, r, key));
  EndBlockRecords(writer);
  writer.Flush();
  return bytes;
}

std::string T(const std::string& text) {  // a TStr as stored
  return std::string(1, char(text.size() & 0xFF)) + char(text.size() >> 8) + text;
}

}  // namespace

TEST_F(BlockRecord, WritesTheRecordByteForByte) {
  const TDiscBlockRecord r = SampleRecord();
  ASSERT_EQ(r.CheckValue.Length(), 64u);
  const std::string expected = std::string("\x2B\x00", 2) + T("3.1") + T("3.*") + "\x01" + "\x02\x01" + "\x04" +
                               "\x01" + "\x02" + std::string("\x37\x00", 2) + T("3.2") + T("Текст") + "\x01" +
                               "\xFE\xFF" + T("<3.2>") + T("u") + "\x04\x03" + T(r.CheckValue.ToString()) + "\x2D";
  EXPECT_EQ(testsupport::Hex(Records({r}, "")), testsupport::Hex(expected));
}

TEST_F(BlockRecord, RoundTripsPlainAndPackedTexts) {
  TDiscBlockRecord a = SampleRecord(), b = SampleRecord();
  b.Name = "12-7";
  b.StorageType = StorageType_Comments;
  b.UpperName.Clear();
  b.ConclusionName.Clear();
  b.TextType = TextType_Premise;
  b.Texts.Text = testsupport::RandomBytes(65535, 7);
  b.CheckValue.Clear();
  for (const std::string key : {"", "participant key"}) {
    const std::string bytes = Records({a, b}, key);
    TBufReader reader(bytes);
    TDiscBlockRecord got;
    ASSERT_TRUE(DiscBlockFromBufReader(reader, got, key));
    EXPECT_TRUE(got == a);
    ASSERT_TRUE(DiscBlockFromBufReader(reader, got, key));
    EXPECT_TRUE(got == b);
    EXPECT_FALSE(DiscBlockFromBufReader(reader, got, key));
    EXPECT_TRUE(reader.IsEof());
    if (!key.empty()) {
      EXPECT_EQ(bytes.find("Текст"), std::string::npos);
    }
  }
  EXPECT_TRUE(Reports().empty());
}

TEST_F(BlockRecord, PackedTextsUnpackOnlyWithTheRightKey) {
  const std::string bytes = Records({SampleRecord()}, "right key 1");
  for (const std::string key : {"wrong key 1", ""}) {
    TError::Instance().Reset();
    Reports().clear();
    TBufReader reader(bytes);
    TDiscBlockRecord got;
    got.Name = "kept";
    EXPECT_FALSE(DiscBlockFromBufReader(reader, got, key));
    EXPECT_TRUE(IsErrorReported());
    EXPECT_EQ(got.Name, "kept");
  }
  EXPECT_EQ(Reports().back(), "DiscBlockFromBufReader - тексты блока упакованы, а ключа отправителя нет");
}

TEST_F(BlockRecord, RefusesRecordsOutOfRange) {
  struct Case {
    void (*change)(TDiscBlockRecord&);
    const char* report;
  } cases[] = {
      {[](TDiscBlockRecord& r) { r.StorageType = 5; }, "недопустимый тип хранилища"},
      {[](TDiscBlockRecord& r) { r.StorageType = 0; }, "недопустимый тип хранилища"},
      {[](TDiscBlockRecord& r) { r.TextType = 0; }, "недопустимый вид текста"},
      {[](TDiscBlockRecord& r) { r.Novelty = 3; }, "недопустимая новизна"},
      {[](TDiscBlockRecord& r) { r.Importance = 0; }, "недопустимая важность"},
      {[](TDiscBlockRecord& r) { r.Possibility = 101; }, "недопустимая возможность"},
      {[](TDiscBlockRecord& r) { r.DeleteFlag = 4; }, "недопустимое состояние блока"},
      {[](TDiscBlockRecord& r) { r.Name.Clear(); }, "недопустимое имя блока"},
      {[](TDiscBlockRecord& r) { r.Name = "../x"; }, "недопустимое имя блока"},
      {[](TDiscBlockRecord& r) { r.UpperName = "3.1>"; }, "недопустимое имя верхнего блока"},
      {[](TDiscBlockRecord& r) { r.ConclusionName = "a"; }, "недопустимое имя блока-вывода"},
      {[](TDiscBlockRecord& r) { r.CheckValue = "12"; }, "недопустимое контрольное значение"},
  };
  for (const Case& c : cases) {
    TDiscBlockRecord bad = SampleRecord();
    c.change(bad);
    // The writer refuses it ...
    TError::Instance().Reset();
    std::string refused;
    {
      TBufWriter writer(refused);
      EXPECT_FALSE(DiscBlockToBufWriter(writer, bad, ""));
    }
    EXPECT_TRUE(refused.empty()) << c.report;
    // ... and so does the reader, when another program wrote it.
    std::string forged;
    {
      TBufWriter writer(forged);
      writer.WriteByte(BlockRecordMark);
      writer.WriteByte(0);
      bad.Name.SaveToBufWriter(writer);
      bad.UpperName.SaveToBufWriter(writer);
      writer.WriteByte(bad.StorageType);
      writer.WriteWord(bad.Num);
      writer.WriteByte(bad.TextType);
      writer.WriteByte(bad.Novelty);
      writer.WriteByte(bad.Importance);
      writer.WriteWord(bad.Possibility);
      bad.ConclusionName.SaveToBufWriter(writer);
      bad.Texts.Text.SaveToBufWriter(writer);
      writer.WriteByte(bad.DeleteFlag);
      writer.WriteWord(uint16_t(bad.Date));
      bad.Texts.FormulaText.SaveToBufWriter(writer);
      bad.Texts.URL.SaveToBufWriter(writer);
      writer.WriteWord(bad.ADIdent);
      bad.CheckValue.SaveToBufWriter(writer);
      EndBlockRecords(writer);
    }
    TError::Instance().Reset();
    Reports().clear();
    TBufReader reader(forged);
    TDiscBlockRecord got;
    EXPECT_FALSE(DiscBlockFromBufReader(reader, got, "")) << c.report;
    ASSERT_FALSE(Reports().empty()) << c.report;
    EXPECT_EQ(Reports().back().find(std::string("DiscBlockFromBufReader - ") + c.report), 0u) << Reports().back();
  }
}

TEST_F(BlockRecord, RefusesTruncatedAndAlteredData) {
  const std::string bytes = Records({SampleRecord()}, "");
  for (size_t cut = 1; cut < bytes.size() - 1; cut += 7) {
    TError::Instance().Reset();
    const std::string truncated = bytes.substr(0, cut);
    TBufReader reader(truncated);
    TDiscBlockRecord got;
    EXPECT_FALSE(DiscBlockFromBufReader(reader, got, ""));
    EXPECT_TRUE(IsErrorReported()) << cut;
  }
  TError::Instance().Reset();
  std::string altered = bytes;
  altered[0] = 'X';
  TBufReader reader(altered);
  TDiscBlockRecord got;
  EXPECT_FALSE(DiscBlockFromBufReader(reader, got, ""));
  EXPECT_EQ(Reports().back(), "DiscBlockFromBufReader - неверный маркер записи блока");
}

TEST_F(BlockRecord, NameAndCheckValuePairs) {
  const TStr check = SampleRecord().CheckValue;
  std::string bytes;
  {
    TBufWriter writer(bytes);
    ASSERT_TRUE(DiscBlockNameAndCRCToBufWriter(writer, "3.1", check));
    ASSERT_TRUE(DiscBlockNameAndCRCToBufWriter(writer, "12-7", check));
    EXPECT_FALSE(DiscBlockNameAndCRCToBufWriter(writer, "bad", check));
    EndBlockRecords(writer);
  }
  EXPECT_EQ(bytes.substr(0, 6), std::string("\x2B\x03\x00", 3) + "3.1");
  TBufReader reader(bytes);
  TStr name, value;
  ASSERT_TRUE(DiscBlockNameAndCRCFromBufReader(reader, name, value));
  EXPECT_EQ(name, "3.1");
  EXPECT_EQ(value, check);
  ASSERT_TRUE(DiscBlockNameAndCRCFromBufReader(reader, name, value));
  EXPECT_EQ(name, "12-7");
  EXPECT_FALSE(DiscBlockNameAndCRCFromBufReader(reader, name, value));
  TError::Instance().Reset();
  const std::string truncated = bytes.substr(0, 10);
  TBufReader short_(truncated);
  EXPECT_FALSE(DiscBlockNameAndCRCFromBufReader(short_, name, value));
  EXPECT_TRUE(IsErrorReported());
}

TEST_F(BlockRecord, CheckValueTellsContentAndIgnoresWhatDiffersBetweenInstallations) {
  const TDiscBlockRecord base = SampleRecord();
  TDiscBlockRecord same = base;
  same.Num = 9;
  same.Date = 100;
  same.ADIdent = 7;
  EXPECT_EQ(ComposeCheckValue(same), base.CheckValue);
  // The moderator's moderated comment has its author's comment's value.
  TDiscBlockRecord comment = base, moderated = base;
  comment.StorageType = StorageType_Comments;
  comment.Name = "12-7";
  moderated.StorageType = StorageType_ModeratedComments;
  moderated.Name = "12-7M";
  EXPECT_EQ(ComposeCheckValue(comment), ComposeCheckValue(moderated));
  // A formula's conclusion counts, another block's does not.
  TDiscBlockRecord premise = base;
  premise.TextType = TextType_Premise;
  TDiscBlockRecord premise2 = premise;
  premise2.ConclusionName = "9.9";
  EXPECT_EQ(ComposeCheckValue(premise), ComposeCheckValue(premise2));
  for (void (*change)(TDiscBlockRecord&) : {
           +[](TDiscBlockRecord& r) { r.Name = "3.2"; }, +[](TDiscBlockRecord& r) { r.UpperName = "4.*"; },
           +[](TDiscBlockRecord& r) { r.ConclusionName = "3.3"; }, +[](TDiscBlockRecord& r) { r.TextType = 3; },
           +[](TDiscBlockRecord& r) { r.Novelty = 2; }, +[](TDiscBlockRecord& r) { r.Importance = 1; },
           +[](TDiscBlockRecord& r) { r.Possibility = 56; }, +[](TDiscBlockRecord& r) { r.DeleteFlag = 0; },
           +[](TDiscBlockRecord& r) { r.Texts.Text = "Текст "; }, +[](TDiscBlockRecord& r) { r.Texts.URL = ""; },
           +[](TDiscBlockRecord& r) { r.Texts.FormulaText = "<3.3>"; },
           // Texts are framed: moving a byte from one text to the next changes the value.
           +[](TDiscBlockRecord& r) { r.Texts.Text = "Текстu"; r.Texts.URL = ""; }}) {
    TDiscBlockRecord changed = base;
    change(changed);
    EXPECT_NE(ComposeCheckValue(changed), base.CheckValue);
  }
}

TEST_F(BlockRecord, BlocksOfTwoDiscussionsWithEqualContentHaveEqualValues) {
  TDiscussion a, b;
  MakeRoot(a, Folder() + "/a");
  MakeRoot(b, Folder() + "/b");
  const TDiscBlockIndex rootA = a.Storages.GetRootBlockIndex(), rootB = b.Storages.GetRootBlockIndex();
  AddBlock(a, StorageType_Model, rootA, TextType_Premise, "другой");
  const TDiscBlockIndex inA = AddBlock(a, StorageType_Model, rootA, TextType_Premise, "одинаковый");
  AddBlock(b, StorageType_Model, rootB, TextType_Premise, "другой");
  const TDiscBlockIndex inB = AddBlock(b, StorageType_Model, rootB, TextType_Premise, "одинаковый");
  // Different positions and block numbers in the two storages.
  a.Storages.GetDiscBlock(inA)->BlockNum = 40;
  const TDiscBlock& blockA = *a.Storages.GetDiscBlock(inA);
  EXPECT_EQ(blockA.ComposeTextLine(a, inA), b.Storages.GetDiscBlock(inB)->ComposeTextLine(b, inB));
  b.Storages.GetStrHashItem(inB)->Str.Text = "изменённый";
  EXPECT_NE(blockA.ComposeTextLine(a, inA), b.Storages.GetDiscBlock(inB)->ComposeTextLine(b, inB));

  // The block writes the record that MakeDiscBlockRecord gives, with its check value.
  std::string bytes;
  {
    TBufWriter writer(bytes);
    ASSERT_TRUE(blockA.WriteToBufWriter(writer, a, inA, ""));
  }
  TBufReader reader(bytes);
  TDiscBlockRecord got;
  ASSERT_TRUE(DiscBlockFromBufReader(reader, got, ""));
  EXPECT_EQ(got.Name, "2");
  EXPECT_EQ(got.UpperName, "*");
  EXPECT_EQ(got.Texts.Text, "одинаковый");
  EXPECT_EQ(got.CheckValue, blockA.ComposeTextLine(a, inA));
  EXPECT_TRUE(got == MakeDiscBlockRecord(a, inA));
}

TEST_F(BlockRecord, AuthorDataRoundTripsAnyTextAndKeepsLocalFields) {
  TAuthor author;
  author.ADIdent = 17;
  author.LIdent = "L|17";
  author.FirstName = "Иван\\";
  author.MiddleName = "a|b\\|c";
  author.LastName = "line1\r\nline2";
  author.Organisation = std::string("zero\0byte", 9);
  author.PrivateEMail = "p@x";
  author.AutomaticEMail = "auto@x";
  author.WebPage = "http://x/?a=1|2";
  author.Address = "\\r not a CR";
  author.Phones = "";
  author.BirthYear = 1970;
  author.Degree = "PhD";
  author.OtherText = "|";
  author.AGIdent = "local AG";
  author.Subscriber = author.IdentsGiven = author.Robot = 1;
  author.CommentCounter = 9;
  const TStr text = author.EncodeAuthorDataStr();
  EXPECT_EQ(text.View().substr(0, 8), "17|L\\|17");
  EXPECT_EQ(text.View().find('\n'), std::string::npos);

  TAuthor decoded;
  decoded.AGIdent = "mine";
  decoded.Subscriber = 0;
  decoded.Unsubscribed = 1;
  decoded.CommentCounter = 3;
  ASSERT_TRUE(decoded.DecodeAuthorDataStr(text.View()));
  TAuthor expected = author;
  expected.AGIdent = "mine";
  expected.Subscriber = 0;
  expected.Unsubscribed = 1;
  expected.IdentsGiven = 0;
  expected.Robot = 0;
  expected.CommentCounter = 3;
  EXPECT_TRUE(decoded == expected);

  TAuthor none;
  EXPECT_EQ(none.EncodeAuthorDataStr().View().substr(0, 3), "-1|");
  TAuthor back;
  back.ADIdent = 5;
  ASSERT_TRUE(back.DecodeAuthorDataStr(none.EncodeAuthorDataStr().View()));
  EXPECT_EQ(back.ADIdent, 0xFFFF);
  // A later version's extra fields are ignored.
  ASSERT_TRUE(back.DecodeAuthorDataStr(author.EncodeAuthorDataStr().ToString() + "|extra|more"));
  EXPECT_EQ(back.OtherText, "|");

  const TAuthor before = back;
  for (const std::string& bad : {std::string(""), std::string("17|a"), std::string("x|") + std::string(13, '|'),
                                std::string("65535") + std::string(13, '|') + "",
                                std::string("1|") + std::string(10, '|') + "-5||",
                                std::string("1|\\q") + std::string(12, '|'), std::string("1") + std::string(13, '|') + "\\"}) {
    EXPECT_FALSE(back.DecodeAuthorDataStr(bad)) << bad;
    EXPECT_TRUE(back == before);
  }
}

TEST_F(BlockRecord, CheckValueIsTheGostDigestOfTheComposedLine) {
  TDiscBlockRecord r = SampleRecord();
  r.StorageType = StorageType_ModeratedComments;
  r.Name = "12-7M";
  const auto text = [](const std::string& t) {
    std::string framed;
    for (int i = 0; i < 4; ++i) framed += char((t.size() >> (8 * i)) & 0xFF);
    return framed + t;
  };
  const std::string line = "QLBLOCK1" + text("12-7") + text("3.*") + text("3.2") + "\x04\x01\x02\x37\x01" +
                           text("Текст") + text("u") + text("<3.2>");
  const std::string path = Folder() + "/line";
  testsupport::WriteFile(path, line);
  const std::string output = testsupport::RunPeer("rhash --gost-cryptopro --simple '" + path + "'");
  std::string expected = output.substr(0, 64);
  for (char& c : expected) c = char(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(ComposeCheckValue(r).ToString(), expected);
}
