// Retrieval kinds and mark colours against a small fixed discussion.

#include "Modeltesthelpers.h"
#include "model/Blockretrieval.h"

#include <set>

using namespace modeltest;

namespace {

class RetrievalTest : public ModelTest {
protected:
  // *            root heading
  // 1 (premise)  significant, new, read, marked interesting, in theme 0 and post list 1
  // 2 (concl.)   crossed, commented by 1-1, marked false
  // 3 (premise)  erased, with a lost-parent record
  // 4 (premise)  in the recycle bin, with a lost-parent record
  // 1-1          comment on 2 published on day 45000, text "Нужный текст"
  // 1-1M         moderated comment on 1
  // N-1          note on 1 composed on day 45001, marked trite
  void SetUp() override {
    ModelTest::SetUp();
    MakeRoot(d, Folder());
    const TDiscBlockIndex root = d.Storages.GetRootBlockIndex();
    d.Authors.CreateAuthor(d, "L-1", 1, 0);
    b1 = AddBlock(d, StorageType_Model, root, TextType_Premise, "первый");
    b2 = AddBlock(d, StorageType_Model, root, TextType_Conclusion, "второй");
    b3 = AddBlock(d, StorageType_Model, root, TextType_Premise, "третий");
    b4 = AddBlock(d, StorageType_Model, root, TextType_Premise, "четвёртый");
    comment = AddBlock(d, StorageType_Comments, b2, TextType_Premise, "Нужный текст", 1);
    moderated = AddBlock(d, StorageType_ModeratedComments, b1, TextType_Premise, "м", 1);
    note = AddBlock(d, StorageType_Notes, b1, TextType_Premise, "заметка");
    Block(b1).Importance = 1;
    Block(b1).Novelty = 1;
    Block(b2).DeleteFlag = DeleteFlag_Crossed;
    Block(b3).DeleteFlag = DeleteFlag_Erased;
    Block(b4).DeleteFlag = DeleteFlag_Recycled;
    for (TDiscBlockIndex lost : {b3, b4})
      Block(lost).UnlinkedIndex = uint16_t(AddUnlinkedBlockInfo(d.UnlinkedBlockInfos, d, Block(lost).GetDiscBlockCode()));
    Block(comment).SetDate(45000.0);
    Block(note).SetDate(45001.0);
    Mark(b1, Mark_Interesting, 1);
    Mark(b2, Mark_False, 0);
    Mark(note, Mark_Trite, 0);
    d.Themes.AddEmptyItem();
    d.Themes[0].Name = "Тема";
    d.Themes[0].Blocks.AddItem(Block(b1).GetDiscBlockCode());
    d.User.PostLists.AddNewItem(d);
    d.User.PostLists.AddBlockToItem(d, 0, Block(b1).GetDiscBlockCode());
    d.User.PostLists.AddBlockToItem(d, 0, Block(b3).GetDiscBlockCode());
  }
  TDiscBlock& Block(TDiscBlockIndex index) { return *d.Storages.GetDiscBlock(index); }
  void Mark(TDiscBlockIndex block, uint8_t mark, uint8_t read) {
    const int property = d.FindReaderProperty(block, true);
    d.ReaderProperties.Items[property].Mark = mark;
    d.ReaderProperties.Items[property].Read = read;
  }
  // Names of the blocks of all storages that meet the kind.
  std::set<std::string> Matching(int kind, int32_t data = -1, const char* text = "", bool caseSensitive = false) {
    std::set<std::string> names;
    for (uint8_t type = StorageType_Model; type <= StorageType_ModeratedComments; ++type)
      for (int i = 0; i < d.Storages.GetStorage(type)->Count(); ++i) {
        const TDiscBlockIndex own{type, uint16_t(i)};
        if (Block(own).IsRetrieval(d, own, kind, data, text, caseSensitive)) names.insert(Block(own).Name.ToString());
      }
    return names;
  }

  TDiscussion d;
  TDiscBlockIndex b1, b2, b3, b4, comment, moderated, note;
};

using Names = std::set<std::string>;

}  // namespace

TEST_F(RetrievalTest, EveryKind) {
  EXPECT_EQ(Matching(Retrieval_Arguable), (Names{"1", "2"}));
  EXPECT_EQ(Matching(Retrieval_Significant), (Names{"1"}));
  EXPECT_EQ(Matching(Retrieval_False), (Names{"2"}));
  EXPECT_EQ(Matching(Retrieval_Interesting), (Names{"1"}));
  EXPECT_EQ(Matching(Retrieval_Trite), (Names{"N-1"}));
  EXPECT_EQ(Matching(Retrieval_Unread), (Names{"*", "2", "1-1", "1-1M"}));
  EXPECT_EQ(Matching(Retrieval_Crossed), (Names{"2"}));
  EXPECT_EQ(Matching(Retrieval_Unlinked), (Names{"3"}));
  EXPECT_EQ(Matching(Retrieval_New), (Names{"1"}));
  EXPECT_EQ(Matching(Retrieval_Theme, 0), (Names{"1"}));
  EXPECT_EQ(Matching(Retrieval_Theme, 5), Names{});
  EXPECT_EQ(Matching(Retrieval_Search, -1, "нужный"), (Names{"1-1"}));
  EXPECT_EQ(Matching(Retrieval_Search, -1, "нужный", true), Names{});
  EXPECT_EQ(Matching(Retrieval_Search, -1, "Нужный", true), (Names{"1-1"}));
  EXPECT_EQ(Matching(Retrieval_Conclusions), (Names{"2"}));
  EXPECT_EQ(Matching(Retrieval_Erased), (Names{"3"}));
  EXPECT_EQ(Matching(Retrieval_Deleted), (Names{"4"}));
  EXPECT_EQ(Matching(Retrieval_NotesOfDay, 45001), (Names{"N-1"}));
  EXPECT_EQ(Matching(Retrieval_NotesOfDay, 45000), Names{});
  EXPECT_EQ(Matching(Retrieval_CommentsOfDay, 45000), (Names{"1-1"}));
  EXPECT_EQ(Matching(Retrieval_PostList, 1), (Names{"1"}));  // the erased block is left out
  EXPECT_EQ(Matching(Retrieval_PostList, 2), Names{});
  EXPECT_EQ(Matching(Retrieval_ModeratedComments), (Names{"1-1M"}));
  EXPECT_TRUE(Reports().empty());
}

TEST_F(RetrievalTest, AnUnknownKindIsReported) {
  for (int kind : {0, 19}) {
    TError::Instance().Reset();
    Reports().clear();
    EXPECT_FALSE(Block(b1).IsRetrieval(d, b1, kind, -1, "", false));
    ASSERT_EQ(Reports().size(), 1u);
    EXPECT_EQ(Reports()[0], "TDiscBlock::IsRetrieval - неизвестный способ выборки");
  }
}

TEST_F(RetrievalTest, MarkColours) {
  TRetrievalColors colors;
  colors.False = 1;
  colors.Interesting = 2;
  colors.Trite = 3;
  colors.Significant = 4;
  colors.New = 5;
  colors.Arguable = 6;
  colors.Conclusion = 7;
  colors.Unread = 8;
  colors.Crossed = 9;
  colors.Unlinked = 10;
  colors.Plain = 11;
  colors.Storage[0] = 21;
  colors.Storage[1] = 22;
  colors.Storage[2] = 23;
  colors.Storage[3] = 24;
  EXPECT_EQ(Block(b1).GetRetrievalColor(d, b1, colors), 2u);  // the reader's mark comes first
  EXPECT_EQ(Block(b2).GetRetrievalColor(d, b2, colors), 1u);
  EXPECT_EQ(Block(comment).GetRetrievalColor(d, comment, colors), 11u);
  EXPECT_EQ(Block(b1).GetGraphRetrievalColorA(d, b1, colors), 4u);
  EXPECT_EQ(Block(b1).GetGraphRetrievalColorB(d, b1, colors), 2u);
  EXPECT_EQ(Block(b2).GetGraphRetrievalColorA(d, b2, colors), 9u);
  EXPECT_EQ(Block(comment).GetGraphRetrievalColorA(d, comment, colors), 11u);
  EXPECT_EQ(Block(comment).GetGraphRetrievalColorB(d, comment, colors), 8u);
  EXPECT_EQ(Block(b3).GetGraphRetrievalColorA(d, b3, colors), 10u);  // an erased block keeps its lost link
  EXPECT_EQ(Block(b1).GetStorageTypeColor(colors), 21u);
  EXPECT_EQ(Block(comment).GetStorageTypeColor(colors), 22u);
  EXPECT_EQ(Block(note).GetStorageTypeColor(colors), 23u);
  EXPECT_EQ(Block(moderated).GetStorageTypeColor(colors), 24u);
  EXPECT_EQ(TDiscBlock{}.GetStorageTypeColor(colors), 0u);
}

namespace {

// The searched text is found wherever it stands, as plain characters, with or without case,
// and never past the end of the text.
TEST(TextMatcher, FindsPlainTextAnywhereWithAndWithoutCase) {
  struct TCase {
    std::string What, Text;
    bool CaseSensitive, Found;
  };
  const TCase cases[] = {
      {"rain", "the rain falls", true, true},     {"Rain", "the rain falls", true, false},
      {"Rain", "the rain falls", false, true},    {"falls", "the rain falls", true, true},
      {"the", "the rain falls", true, true},      {"fallsx", "the rain falls", true, false},
      {"aab", "aaaaaaab", true, true},            {"abab", "abaabab", true, true},
      {"ДОЖДЬ", "идёт дождь", false, true},       {"Ёлка", "под ёлкой", false, false},
      {"ЁЛК", "под ёлкой", false, true},          {"(.+)+$", "a(.+)+$", true, true},
      {".*", "no dots or stars", false, false},   {"long searched text", "short", false, false},
      {"", "anything", true, true},               {std::string(300, 'x') + "y", std::string(600, 'x') + "y", true, true},
      {std::string(300, 'x') + "y", std::string(600, 'x'), true, false}};
  for (const TCase& c : cases)
    EXPECT_EQ(TTextMatcher(c.What, c.CaseSensitive).Holds(c.Text), c.Found) << c.What.substr(0, 20) << " in " << c.Text.substr(0, 20);
}

}  // namespace
