#include "app/Guidialogs.h"
#include "Apptesthelpers.h"
#include "foundation/Tlisteners.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/display/Headlessscreen.h"
#include "platform/forms/Forms.h"

#include <gtest/gtest.h>

namespace {

struct TRecorder : TListener {
  std::vector<TListenMessage> Got;
  void Listen(const TListenMessage& m) override { Got.push_back(m); }
};

// A discussion with its root block and one author, on the headless screen with the
// program's dialogs.
struct TDialogsWithDiscussion {
  TAppScratch s;
  platform::HeadlessScreen screen{800, 600};
  platform::DialogScript script;
  TDiscussionsManager manager;
  TDiscussion* discussion = nullptr;
  int author = -1;
  TDialogsWithDiscussion() {
    script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
    RegisterGuiDialogs();
    EXPECT_TRUE(manager.Init(TStr(s.Home)));
    const int index = manager.CreateNewDiscussion(manager.DiscussedRoot, "Ecology", true, 0);
    EXPECT_GE(index, 0);
    discussion = &manager.GetDiscussion(index);
    author = discussion->Authors.CreateAuthor(*discussion, "ANNA_LID", 1, 0);
    EXPECT_GE(author, 0);
    TAuthor& a = discussion->Authors.Author(author);
    a.FirstName = "Анна";
    a.LastName = "Смирнова";
  }
  ~TDialogsWithDiscussion() { UnregisterGuiDialogs(); }
};

TEST(Modeldialogs, TheAuthorDialogEditsWithUndoAndShowsReadOnly) {
  TDialogsWithDiscussion d;
  TRecorder recorder;
  d.discussion->Undo.StartStep();  // as the application does before each user action
  const int before = d.discussion->Undo.Count();
  d.script.Answer("My data", [](TCustomForm& form) {
    EXPECT_EQ(dynamic_cast<TEdit*>(platform::FindNamed(form, "EditLastName"))->Text(), "Смирнова");
    for (const std::string row : {"FirstName", "Key"}) {  // the shortest label and the longest end left of their edits
      const auto* label = dynamic_cast<TControl*>(platform::FindNamed(form, "Label" + row));
      const auto* edit = dynamic_cast<TControl*>(platform::FindNamed(form, "Edit" + row));
      ASSERT_TRUE(label && edit) << row;
      EXPECT_LT(label->Left() + label->Width(), edit->Left()) << row;
      EXPECT_LE(edit->Left() + edit->Width(), form.ClientWidth()) << row;
    }
    platform::SetControlValue(form, "EditOrganisation", "Институт");
    platform::SetControlValue(form, "EditBirthYear", "19x0");
    platform::PressControl(form, "ButtonOk");  // refused: told, the dialog stays
    platform::SetControlValue(form, "EditBirthYear", "1980");
    platform::PressControl(form, "ButtonOk");
  });
  d.script.Press("AUTHOR", "Button0");
  EXPECT_TRUE(EditAuthorInDialog(*d.discussion, d.author, true));
  const TAuthor& a = d.discussion->Authors.Author(d.author);
  EXPECT_EQ(a.Organisation, "Институт");
  EXPECT_EQ(a.BirthYear, 1980);
  EXPECT_GT(d.discussion->Undo.Count(), before);
  ASSERT_FALSE(recorder.Got.empty());
  EXPECT_EQ(recorder.Got.back().Code, Notify_AuthorChanged);
  EXPECT_EQ(recorder.Got.back().Word2, d.author);
  ASSERT_TRUE(d.discussion->Undo.UndoStep(*d.discussion));
  EXPECT_TRUE(d.discussion->Authors.Author(d.author).Organisation.IsEmpty());

  // Without editing the record cannot change.
  d.script.Answer("Author А.Смирнова", [](TCustomForm& form) {
    EXPECT_FALSE(dynamic_cast<TControl*>(platform::FindNamed(form, "ButtonOk"))->Visible());
    EXPECT_TRUE(dynamic_cast<TEdit*>(platform::FindNamed(form, "EditLastName"))->ReadOnly());
    platform::PressControl(form, "ButtonCancel");
  });
  EXPECT_FALSE(EditAuthorInDialog(*d.discussion, d.author, false));
  EXPECT_EQ(d.script.Pending(), 0u);
}

TEST(Modeldialogs, TheReaderPropertyDialogMarksTheBlock) {
  TDialogsWithDiscussion d;
  const TDiscBlockIndex root = d.discussion->Storages.FindDiscBlockIndexByName("*");
  ASSERT_FALSE(root.IsEmpty());
  const int property = d.discussion->FindReaderProperty(root, true);
  ASSERT_GE(property, 0);
  TRecorder recorder;
  d.script.Answer("Reader property", [](TCustomForm& form) {
    EXPECT_EQ(dynamic_cast<TEdit*>(platform::FindNamed(form, "EditPossibility"))->Text(), "100");
    platform::SetControlValue(form, "RadioButtonFalse", "1");
    platform::SetControlValue(form, "CheckBoxRead", "1");
    platform::SetControlValue(form, "EditPossibility", "140");
    platform::PressControl(form, "ButtonOk");  // refused
    platform::SetControlValue(form, "EditPossibility", "40");
    platform::PressControl(form, "ButtonOk");
  });
  d.script.Press("READER PROPERTY", "Button0");
  EXPECT_TRUE(EditReaderPropertyInDialog(*d.discussion, property));
  const TReaderProperty& p = d.discussion->ReaderProperties.Items[property];
  EXPECT_EQ(p.Mark, Mark_False);
  EXPECT_EQ(p.Read, 1);
  EXPECT_EQ(p.Possibility, 40);
  ASSERT_FALSE(recorder.Got.empty());
  EXPECT_EQ(recorder.Got.back().Code, Notify_BlockChanged);
  // Unchanged: nothing recorded.
  const int steps = d.discussion->Undo.Count();
  d.script.Press("Reader property", "ButtonOk");
  EXPECT_FALSE(EditReaderPropertyInDialog(*d.discussion, property));
  EXPECT_EQ(d.discussion->Undo.Count(), steps);
}

TEST(Modeldialogs, TheReaderPropertyDialogOnValuesStoresNothing) {
  TDialogsWithDiscussion d;
  TReaderProperty values;
  values.Possibility = 70;
  const int properties = d.discussion->ReaderProperties.Count();
  d.script.Answer("Reader property", [](TCustomForm& form) {
    EXPECT_EQ(form.Left(), 120);
    EXPECT_EQ(form.Top(), 130);
    EXPECT_EQ(dynamic_cast<TEdit*>(platform::FindNamed(form, "EditPossibility"))->Text(), "70");
    platform::SetControlValue(form, "RadioButtonTrite", "1");
    platform::SetControlValue(form, "EditPossibility", "35");
    platform::PressControl(form, "ButtonOk");
  });
  ASSERT_TRUE(AskReaderPropertyInDialog(values, 120, 130));
  EXPECT_EQ(values.Mark, Mark_Trite);
  EXPECT_EQ(values.Possibility, 35);
  EXPECT_EQ(d.discussion->ReaderProperties.Count(), properties);
  d.script.Press("Reader property", "ButtonCancel");
  EXPECT_FALSE(AskReaderPropertyInDialog(values, 120, 130));
}

}  // namespace
