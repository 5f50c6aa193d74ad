// Authors, reader properties, the user's state, post lists and the information record.

#include "Modeltesthelpers.h"
#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "platform/rtl/Tdatetime.h"

using namespace modeltest;

class Authors : public ModelTest {};

TEST_F(Authors, CreateAndFind) {
  TDiscussion d;
  MakeRoot(d, Folder());
  TAuthorsStorage& authors = d.Authors;
  EXPECT_EQ(authors.CreateAuthor(d, "L-1", 0, 0), 0);
  // Authors made from an identifier alone have no LIdent: their duplicate check ignores it.
  EXPECT_EQ(authors.CreateAuthor(d, "", 3, 0), 1);
  EXPECT_EQ(authors.CreateAuthor(d, "", 4, 0), 2);
  EXPECT_EQ(authors.CreateAuthor(d, "", -1, 0), 3);
  EXPECT_EQ(authors.Author(3).ADIdent, 0xFFFF);
  EXPECT_TRUE(Reports().empty());
  EXPECT_EQ(authors.CreateAuthor(d, "L-1", 9, 0), -1);
  EXPECT_EQ(authors.CreateAuthor(d, "L-2", 3, 0), -1);
  ASSERT_EQ(Reports().size(), 2u);
  EXPECT_EQ(Reports().back(), "TAuthorsStorage::CreateAuthor - такой автор уже есть");
  EXPECT_EQ(authors.Count(), 4);

  EXPECT_EQ(authors.FindAuthorByLIdent(d, "L-1", false), 0);
  EXPECT_EQ(authors.FindAuthorByLIdent(d, "", true), -1);
  EXPECT_EQ(authors.FindAuthorByLIdent(d, "L-9", false), -1);
  EXPECT_EQ(authors.FindAuthorByLIdent(d, "L-9", true), 4);
  EXPECT_EQ(authors.FindAuthorByADIdent(d, 4, false), 2);
  EXPECT_EQ(authors.FindAuthorByADIdent(d, 8, false), -1);
  EXPECT_EQ(authors.FindAuthorByADIdent(d, 8, true), 5);
  authors.Author(2).AutomaticEMail = "robot@x";
  EXPECT_EQ(authors.FindAuthorByAutomaticEMail("robot@x"), 2);
  EXPECT_EQ(authors.FindAuthorByAutomaticEMail(""), -1);

  TAuthor& a = authors.Author(0);
  a.FirstName = "Ivan";
  a.LastName = "Petrov";
  EXPECT_EQ(a.GetFullName(), "Ivan Petrov");
  EXPECT_EQ(a.GetShortName(), "I.Petrov");
  a.MiddleName = "Sergeevich";
  EXPECT_EQ(a.GetFullName(), "Ivan Sergeevich Petrov");
  EXPECT_EQ(a.GetShortName(), "I.S.Petrov");
  EXPECT_EQ(TAuthor().GetFullName(), "");
  EXPECT_EQ(authors.Author(1).GetIdentText(), "3");
}

TEST_F(Authors, LeadershipFollowsTheLogin) {
  TDiscussion d;
  MakeRoot(d, Folder());
  d.Authors.CreateAuthor(d, "L-model", 0, 0);
  d.Authors.CreateAuthor(d, "L-other", 1, 0);
  TModelLogin login;
  ModelHooks().CurrentLogin = [&] { return login; };
  ModelHooks().LoginLIdent = [](uint16_t ident) { return ident == 7 ? TStr("L-mod") : TStr(); };
  login.LIdent = "L-model";
  EXPECT_TRUE(d.IsModelAuthor());
  EXPECT_TRUE(d.IsLeader());
  EXPECT_FALSE(d.IsModerator());
  EXPECT_TRUE(d.IsLeaderLIdent("L-model"));
  EXPECT_FALSE(d.IsLeaderLIdent("L-other"));
  EXPECT_TRUE(d.HasAuthorWithLIdent("L-other"));
  EXPECT_FALSE(d.HasAuthorWithLIdent(""));
  d.Info.ModeratorLoginIdent = 7;
  EXPECT_FALSE(d.IsLeader());
  EXPECT_TRUE(d.IsLeaderLIdent("L-mod"));
  EXPECT_FALSE(d.IsLeaderLIdent("L-model"));
  login.Ident = 7;
  login.LIdent = "L-mod";
  EXPECT_TRUE(d.IsModerator());
  EXPECT_TRUE(d.IsLeader());
  EXPECT_FALSE(d.IsModelAuthor());
}

TEST_F(Authors, GeneratedIdentities) {
  TDiscussion d;
  MakeRoot(d, Folder());
  ModelHooks().CurrentLogin = [] {
    TModelLogin login;
    login.EMail = "me@host.org";
    return login;
  };
  uint16_t adident = 0;
  TStr agident;
  ASSERT_TRUE(d.GenerateAuthorIdent(adident, agident));
  EXPECT_EQ(adident, 0);
  EXPECT_EQ(agident.ToString().substr(6), "ME_HOST_ORG_AGP");
  EXPECT_NE(agident.ToString().find("_AGP"), std::string::npos);
  d.Authors.CreateAuthor(d, "", 41, 0);
  ASSERT_TRUE(d.GenerateAuthorIdent(adident, agident));
  EXPECT_EQ(adident, 42);
  d.Authors.CreateAuthor(d, "", 0xFFFE, 0);
  EXPECT_FALSE(d.GenerateAuthorIdent(adident, agident));
  ASSERT_FALSE(Reports().empty());
  EXPECT_EQ(Reports().back(), "TDiscussion::GenerateAuthorIdent - идентификаторы авторов исчерпаны");
}

TEST_F(Authors, ReaderProperties) {
  TDiscussion d;
  MakeRoot(d, Folder());
  const TDiscBlockIndex block = AddBlock(d, StorageType_Model, d.Storages.GetRootBlockIndex(), 2, "");
  d.Storages.GetDiscBlock(block)->Possibility = 60;
  EXPECT_EQ(d.FindReaderProperty(block, false), -1);
  const int index = d.FindReaderProperty(block, true);
  ASSERT_EQ(index, 0);
  EXPECT_EQ(d.FindReaderProperty(block, true), 0);
  TReaderProperty& property = d.ReaderProperties.Items[index];
  EXPECT_EQ(property.GetPossibility(), 60);
  EXPECT_EQ(property.GetMarkText(), " ");
  const TMarkColors colors{1, 2, 3};
  EXPECT_EQ(property.GetMarkColor(colors), 0u);
  property.Mark = Mark_Interesting;
  EXPECT_EQ(property.GetMarkText(), "interesting");
  EXPECT_EQ(property.GetMarkColor(colors), 1u);
  property.Mark = Mark_False;
  EXPECT_EQ(property.GetMarkText(), "false");
  property.Mark = Mark_Trite;
  EXPECT_EQ(property.GetMarkText(), "trite");
  EXPECT_EQ(property.GetMarkColor(colors), 3u);
  TReaderProperty other;
  other.CopyValuesFrom(property);
  EXPECT_EQ(other.Mark, Mark_Trite);
  EXPECT_TRUE(other.Code.IsEmpty());
}

TEST_F(Authors, PostListsKeepOnlyLivingBlocks) {
  platform::SetNowSource([] { return 45000.5; });
  TDiscussion d;
  MakeRoot(d, Folder());
  const TDiscBlockIndex a = AddBlock(d, StorageType_Model, d.Storages.GetRootBlockIndex(), 2, "");
  const TDiscBlockIndex b = AddBlock(d, StorageType_Model, d.Storages.GetRootBlockIndex(), 2, "");
  TBlocksPostList& lists = d.User.PostLists;
  ASSERT_TRUE(lists.AddNewItem(d));
  EXPECT_EQ(lists.Items[0].Number, 1);
  EXPECT_EQ(lists.Items[0].Name, "Postlist");
  EXPECT_EQ(lists.Items[0].CreationDate, 45000.0);
  const TDiscBlockCode codeA = d.Storages.GetDiscBlock(a)->GetDiscBlockCode();
  const TDiscBlockCode codeB = d.Storages.GetDiscBlock(b)->GetDiscBlockCode();
  EXPECT_EQ(lists.AddBlockToItem(d, 0, codeA), 0);
  EXPECT_EQ(lists.Items[0].Name.ToString(), "Postlist " + FormatDateTime("mm'/'dd'/'yy", 45000.0));
  EXPECT_EQ(lists.AddBlockToItem(d, 0, codeA), -1);
  EXPECT_EQ(lists.AddBlockToItem(d, 0, codeB), 1);
  lists.Items[0].Name = "Mine";
  ASSERT_TRUE(lists.AddNewItem(d));
  lists.AddBlockToItem(d, 1, codeB);
  EXPECT_EQ(lists.Items[1].Name, "Postlist 03/15/23");
  EXPECT_EQ(lists.DeleteBlockFromItem(d, 0, codeA), 0);
  EXPECT_EQ(lists.DeleteBlockFromItem(d, 0, codeA), -1);
  d.Storages.GetDiscBlock(b)->DeleteFlag = DeleteFlag_Erased;
  ASSERT_TRUE(d.Save());
  TDiscussion loaded;
  loaded.Folder = Folder();
  ASSERT_TRUE(loaded.Load());
  ASSERT_EQ(loaded.User.PostLists.Items.Count(), 2u);
  EXPECT_EQ(loaded.User.PostLists.Counter, 2);
  EXPECT_EQ(loaded.User.PostLists.Items[0].Name, "Mine");
  EXPECT_EQ(loaded.User.PostLists.Items[0].Blocks.Count(), 0u);
  EXPECT_EQ(d.User.PostLists.Items[0].Blocks.Count(), 1u);  // the list in memory is not changed
  platform::SetNowSource(nullptr);
}

TEST_F(Authors, InformationRecord) {
  TDiscussionInfo info;
  EXPECT_TRUE(info.CanCurrentLoginAccess());
  info.Secret = 1;
  info.PrivateIdent = "P-1";
  EXPECT_FALSE(info.CanCurrentLoginAccess());
  ModelHooks().AccessLevel = [](const TStr& ident) { return ident == "P-1" ? 1 : 0; };
  EXPECT_TRUE(info.CanCurrentLoginAccess());
  info.AddOrUpdatePerson("L-1", "a@x", "first");
  info.AddOrUpdatePerson("L-1", "b@x", "second");
  info.AddOrUpdatePerson("L-1", "b@x", "second");
  info.AddOrUpdatePerson("L-2", "c@x", "");
  ASSERT_EQ(info.Persons.Count(), 2u);
  EXPECT_EQ(info.Persons[0].Address, "b@x");
  EXPECT_EQ(info.Persons[0].Note, "first; second");
  TDiscussionInfo copy = info;
  EXPECT_TRUE(copy == info);
  copy.Persons[1].Note = "x";
  EXPECT_FALSE(copy == info);
  info.GenerateMIdent();
  const TStr first = info.MIdent;
  info.GenerateMIdent();
  EXPECT_FALSE(info.MIdent == first);
  EXPECT_EQ(info.MIdent.c_str()[0], 'M');
}

// The bytes an author and a reader property are stored as, and the same records read back.
TEST_F(Authors, StoredRecordsByteForByte) {
  TAuthor author;
  author.Deleted = 1;
  author.ADIdent = 0x0102;
  author.AGIdent = "G";
  author.FirstName = "Jan";
  author.LastName = "Li";
  author.Phones = "5";
  author.BirthYear = 1970;
  author.LIdent = "L-7";
  author.Unsubscribed = 1;
  author.Robot = 1;
  author.CommentCounter = 0x0A0B;
  const std::string texts = std::string("\x01\x00G", 3) + std::string("\x03\x00Jan", 5) + std::string(2, '\0') +
                            std::string("\x02\x00Li", 4) + std::string(10, '\0') + std::string("\x01\x00" "5", 3);
  const std::string authorBytes = std::string("\x01\x02\x01", 3) + texts + std::string("\xB2\x07", 2) +
                                  std::string(4, '\0') + std::string("\x03\x00L-7", 5) +
                                  std::string("\x00\x01\x00\x01\x0B\x0A", 6);

  TReaderProperty property;
  property.Code.StorageType = 2;
  property.Code.BlockNum = 0x0304;
  property.Mark = Mark_Trite;
  property.Read = 1;
  property.Possibility = 60;
  const std::string propertyBytes("\x02\x04\x03\x03\x01\x3C", 6);

  std::string bytes;
  {
    TBufWriter writer(bytes);
    author.SaveToBufWriter(writer);
    property.SaveToBufWriter(writer);
    ASSERT_TRUE(writer.Flush());
  }
  EXPECT_EQ(bytes, authorBytes + propertyBytes);

  TBufReader reader(bytes);
  TAuthor authorRead;
  TReaderProperty propertyRead;
  authorRead.LoadFromBufReader(reader);
  propertyRead.LoadFromBufReader(reader);
  EXPECT_TRUE(authorRead == author);
  EXPECT_TRUE(propertyRead == property);
  authorRead.Robot = 0;
  EXPECT_FALSE(authorRead == author);
}

TEST_F(Authors, CommentNumbersNeverWrap) {
  TAuthor author;
  author.CommentCounter = 0xFFFE;
  EXPECT_EQ(author.TakeNewCommentNumber(), 0xFFFF);
  EXPECT_EQ(author.TakeNewCommentNumber(), -1);
  ASSERT_FALSE(Reports().empty());
  EXPECT_EQ(Reports().back(), "TAuthor::TakeNewCommentNumber - номера комментариев исчерпаны");
}

TEST_F(Authors, DialogsAnswerNothingChangedUntilRegistered) {
  TDiscussion d;
  MakeRoot(d, Folder());
  EXPECT_FALSE(EditAuthorInDialog(d, 0, true));
  EXPECT_FALSE(EditReaderPropertyInDialog(d, 0));
  int seen = -1;
  ModelHooks().EditAuthor = [&](TDiscussion&, int author, bool) {
    seen = author;
    return true;
  };
  EXPECT_TRUE(EditAuthorInDialog(d, 3, false));
  EXPECT_EQ(seen, 3);
}
