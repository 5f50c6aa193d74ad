// How a browse window names what it shows: the caption of each kind of browse state, the
// block summary with its columns, and the window's entry in lists of windows.

#include "Lowerlisttest.h"

#include "foundation/Terror.h"
#include "model/Blockretrieval.h"
#include "model/Themeoperations.h"
#include "model/Tunlinkedblockinfo.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/Tdatetime.h"
#include "tests/model/Modeltesthelpers.h"

namespace browsetest {
namespace {

using Captions = LowerListTest;

std::string Blanks(int n) { return std::string(size_t(n), ' '); }

TEST_F(Captions, ABlockIsSummedUpInTheColumnsOfItsServiceRow) {
  const TDiscBlockIndex block = Add(StorageType_Model, root, TextType_Conclusion, "text");
  TDiscBlock& b = Block(block);
  b.Importance = 1;
  b.Novelty = 1;
  b.Possibility = 80;
  b.Date = int16_t(int(EncodeDate(2026, 3, 4)) - BlockDateOffset);
  Add(StorageType_Notes, block);  // commented
  const int property = d->FindReaderProperty(block, true);
  ASSERT_GE(property, 0);
  d->ReaderProperties.Items[uint32_t(property)].Mark = Mark_Interesting;
  d->ReaderProperties.Items[uint32_t(property)].Possibility = 70;
  ASSERT_TRUE(AddTheme(d->Themes, *d, "Water"));
  ASSERT_TRUE(AddBlockToTheme(d->Themes, *d, 0, block));
  const int unlinked = AddUnlinkedBlockInfo(d->UnlinkedBlockInfos, *d, b.GetDiscBlockCode());
  ASSERT_GE(unlinked, 0);
  b.UnlinkedIndex = uint16_t(unlinked);
  const std::string name = b.Name.ToString();
  ASSERT_EQ(name.size(), 1u);
  // Columns at 6, 17, 29, 31, 33, 39, 41, 49, 53, 65 and 75 letters; each text is cut to
  // 1.85 times its width and padded to where its column ends when it has room.
  const std::string expected = name + Blanks(5) + " " + " conclusion" + Blanks(1) + " " + Blanks(11) + " " + "sig" +
                               " " + "new" + " " + "A80%" + " " + "arg" + " " + "interesting" + " " + "R70%" + " " +
                               "Water" + Blanks(3) + " " + " 03/04/26 " + " " + "unlinked";
  EXPECT_EQ(browse.GetDiscBlockSummary(block), expected);
  Show(block);
  EXPECT_EQ(browse.GetFormBrowseCaption(), expected);

  // A plain block: blanks for the known importance and novelty, nothing else.
  const TDiscBlockIndex plain = Add(StorageType_Model, root);
  EXPECT_EQ(browse.GetDiscBlockSummary(plain), Block(plain).Name.ToString() + Blanks(38) + "A100%");
  EXPECT_EQ(browse.GetDiscBlockSummary(TDiscBlockIndex()), "empty block");
  EXPECT_EQ(browse.GetDiscBlockSummary(root), discussions->GetFolderPath(d->FolderIndex).ToString());
}

TEST_F(Captions, CommentsShowTheirAuthorAndPostedNotesSaySo) {
  const int author = d->Authors.CreateAuthor(*d, "lident", 5, 0);
  ASSERT_GE(author, 0);
  d->Authors.Author(author).LastName = "Smith";
  const TDiscBlockIndex comment = Add(StorageType_Comments, root, TextType_Premise, "", 5);
  ASSERT_EQ(Block(comment).Name.ToString(), "5-1");
  EXPECT_EQ(browse.GetDiscBlockSummary(comment), "5-1" + Blanks(16) + "Smith" + Blanks(15) + "A100%");
  const TDiscBlockIndex note = Add(StorageType_Notes, root);
  Block(note).Posted = 1;
  ASSERT_EQ(Block(note).Name.ToString(), "N-1");
  // A note has no "A" before its possibility and "posted" in the reader's column.
  EXPECT_EQ(browse.GetDiscBlockSummary(note), "N-1" + Blanks(36) + "100%" + Blanks(14) + "posted");
}

TEST_F(Captions, ALongNameWidensItsColumnInStepsAndTheRestKeepTheirPlaces) {
  const TDiscBlockIndex block = Add(StorageType_Model, root);
  Block(block).Name = "abcdefgh";  // 8 letters: columns of 6 and 8 are too narrow, 10 fits
  const std::string summary = browse.GetDiscBlockSummary(block);
  EXPECT_EQ(summary, "abcdefgh" + Blanks(2) + Blanks(33) + "A100%");
  pars.NameWidthStep = 0;  // a step that would never end the widening: one letter at a time
  EXPECT_EQ(browse.GetDiscBlockSummary(block), "abcdefgh" + Blanks(1) + Blanks(33) + "A100%");
}

TEST_F(Captions, EveryKindOfStateHasItsCaption) {
  const TDiscBlockIndex first = Add(StorageType_Model, root);
  const std::string firstName = Block(first).Name.ToString();
  Show(first);
  TBrowseState& state = browse.CurrentBrowseState;
  state.SpecCaptionType = SpecCaption_Retrieval;
  state.FirstBlock = first;
  const std::pair<int, std::string> plain[] = {{Retrieval_Arguable, "Arguable"},
                                               {Retrieval_Significant, "Significant"},
                                               {Retrieval_False, "False"},
                                               {Retrieval_Interesting, "Interesting"},
                                               {Retrieval_Trite, "Trite"},
                                               {Retrieval_Unread, "Unread"},
                                               {Retrieval_Crossed, "Crossed"},
                                               {Retrieval_Unlinked, "Unlinked"},
                                               {Retrieval_New, "New"},
                                               {Retrieval_Conclusions, "Conclusions"},
                                               {Retrieval_ModeratedComments, "Moderated comments"}};
  for (const auto& [kind, name] : plain) {
    state.RetrievalKind = uint8_t(kind);
    EXPECT_EQ(browse.GetFormBrowseCaption(), "Retrieval from " + firstName + ": " + name);
  }
  state.RetrievalKind = Retrieval_Erased;
  EXPECT_EQ(browse.GetFormBrowseCaption(), "Retrieval: Erased");
  state.RetrievalKind = Retrieval_Deleted;
  EXPECT_EQ(browse.GetFormBrowseCaption(), "Retrieval: Deleted");
  ASSERT_TRUE(AddTheme(d->Themes, *d, "Air"));
  ASSERT_TRUE(AddTheme(d->Themes, *d, "Soil"));
  state.RetrievalKind = Retrieval_Theme;
  state.RetrievalData = 1;
  EXPECT_EQ(browse.GetFormBrowseCaption(), "Retrieval from " + firstName + ": Theme Soil");
  state.RetrievalKind = Retrieval_Search;
  state.Caption = "rain";
  EXPECT_EQ(browse.GetFormBrowseCaption(), "Retrieval from " + firstName + ": Search text 'rain'");
  state.RetrievalData = int(EncodeDate(2025, 12, 31));
  state.RetrievalKind = Retrieval_NotesOfDay;
  EXPECT_EQ(browse.GetFormBrowseCaption(), "Retrieval from " + firstName + ": Notes composed on 12/31/2025");
  state.RetrievalKind = Retrieval_CommentsOfDay;
  EXPECT_EQ(browse.GetFormBrowseCaption(), "Retrieval from " + firstName + ": Comments published on 12/31/2025");
  ASSERT_TRUE(d->User.PostLists.AddNewItem(*d));
  state.RetrievalKind = Retrieval_PostList;
  state.RetrievalData = d->User.PostLists.Items[0].Number;  // lists are named by number
  EXPECT_EQ(browse.GetFormBrowseCaption(), "Retrieval: Postlist");
  // Sent, the list keeps no name: the caption says when it went.
  d->User.PostLists.Items[0].Name = TStr();
  d->User.PostLists.Items[0].SentDate = EncodeDate(2025, 12, 30);
  EXPECT_EQ(browse.GetFormBrowseCaption(), "Retrieval: post list sent on 12/30/2025");
  state.RetrievalData = d->User.PostLists.Items[0].Number + 1;
  EXPECT_EQ(browse.GetFormBrowseCaption(), "Retrieval: ");

  const std::string path = discussions->GetFolderPath(d->FolderIndex).ToString();
  state.SpecCaptionType = SpecCaption_Experts;
  state.ModerationType = ModerateType_Undefined;
  EXPECT_EQ(browse.GetFormBrowseCaption(), path);
  state.ModerationType = ModerateType_Trustworthy;
  EXPECT_EQ(browse.GetFormBrowseCaption(), path + " Trustworthy");
  state.ModerationType = ModerateType_Doubtful;
  EXPECT_EQ(browse.GetFormBrowseCaption(), path + " Doubtful");
  state.ModerationType = ModerateType_Discredited;
  EXPECT_EQ(browse.GetFormBrowseCaption(), path + " Discredited");
  state.SpecCaptionType = SpecCaption_ThesisDisputants;
  state.SecondBlock = first;
  EXPECT_EQ(browse.GetFormBrowseCaption(), "<" + firstName + "> thesis disputants");
  state.SpecCaptionType = SpecCaption_History;
  EXPECT_EQ(browse.GetFormBrowseCaption(), "History");
  EXPECT_EQ(browse.GetStringForWindowsMenu(), "History") << "a special list is listed by its caption";
  state.SpecCaptionType = 5;
  EXPECT_EQ(browse.GetFormBrowseCaption(), "");
  EXPECT_EQ(TakeReport(), "TBrowse::GetFormBrowseCaption - неизвестный CurrentBrowseState.SpecCaptionType");

  // Plain authors and folders are named by who and where they are: an author as every
  // window names one, by the short name, else by the address.
  state.SpecCaptionType = SpecCaption_None;
  const int author = d->Authors.CreateAuthor(*d, "lident", 7, 0);
  d->Authors.Author(author).FirstName = "Ann";
  d->Authors.Author(author).LastName = "Lee";
  ShowAuthor(7);
  EXPECT_EQ(browse.GetFormBrowseCaption(), "A.Lee");
  EXPECT_EQ(browse.GetStringForWindowsMenu(), "A.Lee");
  d->Authors.Author(d->Authors.CreateAuthor(*d, "nameless", 8, 0)).AutomaticEMail = "ann@x.ru";
  ShowAuthor(8);
  EXPECT_EQ(browse.GetFormBrowseCaption(), "ann@x.ru");
  EXPECT_EQ(browse.GetStringForWindowsMenu(), "ann@x.ru");
  ShowFolder(discussions->DiscussedRoot);
  EXPECT_EQ(browse.GetFormBrowseCaption(), discussions->GetFolderPath(discussions->DiscussedRoot).ToString());
  const std::string discussed = discussions->GetFolderPath(discussions->DiscussedRoot).ToString();
  EXPECT_EQ(browse.GetStringForWindowsMenu(), discussed.size() > 80 ? discussed.substr(0, 77) + "..." : discussed);
}

TEST_F(Captions, TheEntryInListsOfWindowsIsTheFirstLineOfTheBlockCutTo80Letters) {
  const TDiscBlockIndex conclusion = Add(StorageType_Model, root, TextType_Conclusion, "conclusion");
  const TDiscBlockIndex formula = Add(StorageType_Model, conclusion, TextType_Formula, "how\r\nmore");
  Block(formula).Conclusion = conclusion;
  d->Storages.GetStrHashItem(formula)->Str.FormulaText = "a+b";
  d->Storages.GetStrHashItem(formula)->Str.Text = "how\r\nmore";
  Show(formula);
  EXPECT_EQ(browse.GetStringForWindowsMenu(), "<" + Block(conclusion).Name.ToString() + "> = a+b how");
  d->Storages.GetStrHashItem(conclusion)->Str.URL = "http://x.org";
  d->Storages.GetStrHashItem(conclusion)->Str.Text = "  " + std::string(79, 'w') + "z\nnext";
  Show(conclusion);
  EXPECT_EQ(browse.GetStringForWindowsMenu(), "http://x.org    " + std::string(61, 'w') + "...");
  d->Storages.GetStrHashItem(conclusion)->Str.URL.Clear();
  EXPECT_EQ(browse.GetStringForWindowsMenu(), std::string(79, 'w') + "z") << "80 letters stay";
  d->Storages.GetStrHashItem(conclusion)->Str.Text = std::string(81, 'w');
  EXPECT_EQ(browse.GetStringForWindowsMenu(), std::string(77, 'w') + "...");
  Show(root);
  EXPECT_EQ(browse.GetStringForWindowsMenu(), "Ecology");
  browse.CurrentBrowseState.CurrentItem.Clear();
  EXPECT_EQ(browse.GetStringForWindowsMenu(), "");
  browse.CurrentBrowseState.CurrentItem.Ident.Kind = 4;
  EXPECT_EQ(browse.GetStringForWindowsMenu(), "");
  EXPECT_EQ(TakeReport(), "TBrowse::GetStringForWindowsMenu - неизвестный тип элемента просмотра");
}

}  // namespace
}  // namespace browsetest
