// Themes and the reader's own marks through the menus: a theme created, renamed, filled,
// emptied and deleted in the theme dialog, each step undone; the author dialogs; and
// "Evaluate" changing the reader's possibility of a block, which a formula reads.

#include "Commandstest.h"

#include "browse/Commandcodes.h"
#include "model/Calculateformula.h"
#include "model/Modelhooks.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Tedit.h"
#include "tests/model/Modeltesthelpers.h"

namespace commandstest {
namespace {

using Themes = CommandsTest;

TEST_F(Themes, AThemeIsCreatedRenamedFilledEmptiedAndDeletedEachStepUndoable) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };

  // Cancelled: nothing. Then "Air", then "Air" again is refused with its name.
  script.Press("New theme name", "Button2", {{"EditThemeName", "Soil"}});
  ASSERT_TRUE(Choose(browse, {"Belongings", "New"}));
  EXPECT_EQ(d->Themes.Count(), 0u);
  script.Press("New theme name", "Button1", {{"EditThemeName", "  Air "}});
  ASSERT_TRUE(Choose(browse, {"Belongings", "New"}));
  ASSERT_EQ(d->Themes.Count(), 1u);
  EXPECT_EQ(d->Themes[0].Name, "Air");
  script.Press("New theme name", "Button1", {{"EditThemeName", "Air"}});
  Answer(0);
  ASSERT_TRUE(Choose(browse, {"Belongings", "New"}));
  EXPECT_EQ(Boxes().back().Caption, "New theme");
  EXPECT_EQ(Boxes().back().Message, "Theme 'Air' already exists!");
  EXPECT_EQ(d->Themes.Count(), 1u);

  // Renamed: the dialog starts with the name.
  script.Answer("New theme name", [](TCustomForm& dialog) {
    EXPECT_EQ(dynamic_cast<TEdit*>(platform::FindNamed(dialog, "EditThemeName"))->Text(), "Air");
    platform::SetControlValue(dialog, "EditThemeName", "Water");
    platform::PressControl(dialog, "Button1");
  });
  ASSERT_TRUE(Choose(browse, {"Belongings", "Edit", "Air"}));
  EXPECT_EQ(d->Themes[0].Name, "Water");

  // Filled from a row's popup, and emptied again.
  const TDiscBlockCode code = d->Storages.GetDiscBlock(b)->GetDiscBlockCode();
  ASSERT_TRUE(ChooseInPopup(browse, {1}, {"Set belonging to", "Water"}));
  EXPECT_EQ(d->Themes[0].FindBlock(code), 0);
  EXPECT_FALSE(ChooseInPopup(browse, {1}, {"Set belonging to", "Water"})) << "not offered twice";
  ASSERT_TRUE(ChooseInPopup(browse, {1}, {"Remove belonging to", "Water"}));
  EXPECT_EQ(d->Themes[0].FindBlock(code), -1);
  // Each step comes back with one undo.
  ASSERT_TRUE(d->Undo.UndoStep(*d));
  EXPECT_EQ(d->Themes[0].FindBlock(code), 0);

  ASSERT_TRUE(Choose(browse, {"Belongings", "Remove", "Water"}));
  EXPECT_EQ(d->Themes.Count(), 0u);
  ASSERT_TRUE(d->Undo.UndoStep(*d));
  ASSERT_EQ(d->Themes.Count(), 1u);
  EXPECT_EQ(d->Themes[0].FindBlock(code), 0);
  ASSERT_TRUE(d->Undo.UndoStep(*d));  // the block added
  ASSERT_TRUE(d->Undo.UndoStep(*d));  // the name
  EXPECT_EQ(d->Themes[0].Name, "Air");
  ASSERT_TRUE(d->Undo.UndoStep(*d));
  EXPECT_EQ(d->Themes.Count(), 0u);
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_TRUE(Reports().empty());
}

// The reader answers the property dialog with these values; a copy of what it was shown.
TReaderProperty& ShownValues() {
  static TReaderProperty shown;
  return shown;
}
TReaderProperty& Given() {
  static TReaderProperty given;
  return given;
}

TEST_F(Themes, EvaluateStoresTheReadersPossibilityOnlyWhenChangedAndFormulasFollow) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  const TDiscBlockIndex conclusion = modeltest::AddBlock(*d, StorageType_Model, root, TextType_Conclusion, "K");
  const TDiscBlockIndex formula = modeltest::AddBlock(*d, StorageType_Model, conclusion, TextType_Formula, "F");
  d->Storages.GetDiscBlock(formula)->Conclusion = conclusion;
  d->Storages.GetStrHashItem(formula)->Str.FormulaText = "<" + Name(b) + "> - 10";
  d->Storages.GetDiscBlock(b)->Possibility = 70;
  ASSERT_EQ(d->CalculateFormulas(), 0);
  ASSERT_EQ(GetPossibilityInForce(*d, conclusion), 60);
  browse.CurrentBrowseItemChanged(true);
  Pump();
  ModelHooks().AskReaderProperty = [](TReaderProperty& values, int, int) {
    ShownValues() = values;
    values.CopyValuesFrom(Given());
    return true;
  };
  const int properties = d->ReaderProperties.Count();
  const int steps = d->Undo.Count();

  // Unchanged: no property is made and nothing is recorded.
  Given() = TReaderProperty();
  Given().Possibility = 70;
  ASSERT_TRUE(ChooseInPopup(browse, {1}, {"Evaluate"}));
  EXPECT_EQ(ShownValues().Possibility, 70) << "a fresh property starts from the block";
  EXPECT_EQ(d->ReaderProperties.Count(), properties);
  EXPECT_EQ(d->Undo.Count(), steps);

  // The reader's possibility 30 and a mark: stored, and the conclusion follows.
  browsetest::TRecorder heard;
  Given().Possibility = 30;
  Given().Mark = Mark_False;
  ASSERT_TRUE(ChooseInPopup(browse, {1}, {"Evaluate"}));
  const int property = d->ReaderProperties.Find(d->Storages.GetDiscBlock(b)->GetDiscBlockCode());
  ASSERT_GE(property, 0);
  EXPECT_EQ(d->ReaderProperties.Items[property].Possibility, 30);
  EXPECT_EQ(d->ReaderProperties.Items[property].Mark, Mark_False);
  EXPECT_EQ(GetPossibilityInForce(*d, conclusion), 20);
  EXPECT_GE(heard.Count(Notify_BlockChanged), 1);
  // The next evaluation starts from the stored values; one undo takes the change back.
  Given().Possibility = 50;
  ASSERT_TRUE(ChooseInPopup(browse, {1}, {"Evaluate"}));
  EXPECT_EQ(ShownValues().Possibility, 30);
  ASSERT_TRUE(d->Undo.UndoStep(*d));
  EXPECT_EQ(d->ReaderProperties.Items[property].Possibility, 30);
  ModelHooks().AskReaderProperty = nullptr;
  EXPECT_TRUE(Reports().empty());
}

// The author dialog as the reader leaves it: which author, and whether editing was allowed.
std::vector<std::pair<int, bool>>& Opened() {
  static std::vector<std::pair<int, bool>> opened;
  return opened;
}

TEST_F(Themes, TheAuthorDialogIsReadOnlyForDataAndEditableForMyData) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  TBrowse& browse = form->Browse;
  Opened().clear();
  ModelHooks().EditAuthor = [](TDiscussion&, int author, bool editing) {
    Opened().push_back({author, editing});
    return false;
  };
  const int writer = d->Authors.CreateAuthor(*d, TStr("WRITER"), 5, 0);
  ASSERT_GE(writer, 0);
  const TDiscBlockIndex comment = modeltest::AddBlock(*d, StorageType_Comments, root, TextType_Premise, "c", 5);
  browse.CurrentBrowseItemChanged(true);
  Pump();
  const uint16_t row = uint16_t(browse.CurrentBrowseState.CurrentItem.Children.size() - 1);
  ASSERT_EQ(browse.CurrentBrowseState.CurrentItem.Children[row].GetDiscBlockIndex(), comment);
  ASSERT_TRUE(ChooseInPopup(browse, {row}, {"Author"}));
  ASSERT_EQ(Opened().size(), 1u);
  EXPECT_EQ(Opened()[0], (std::pair<int, bool>{writer, false}));

  // "My data": the current login's record, made when missing, editable.
  ModelHooks().CurrentLogin = [] {
    TModelLogin login;
    login.Ident = 3;
    login.LIdent = "ME_LID";
    return login;
  };
  browse.CurrentBrowseItemChanged();
  ASSERT_TRUE(Choose(browse, {"Service", "My data"}));
  ASSERT_EQ(Opened().size(), 2u);
  const int me = d->Authors.FindAuthorByLIdent(TStr("ME_LID"));
  ASSERT_GE(me, 0);
  EXPECT_EQ(Opened()[1], (std::pair<int, bool>{me, true}));
  ModelHooks().CurrentLogin = nullptr;
  ModelHooks().EditAuthor = nullptr;
  EXPECT_TRUE(Reports().empty());
}

}  // namespace
}  // namespace commandstest
