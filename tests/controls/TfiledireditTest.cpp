// File and folder edits: names quoted and refused, dropped files, and the file and
// folder dialogs answered by script.

#include <gtest/gtest.h>

#include "Screenfixture.h"
#include "controls/Tfilediredit.h"
#include "platform/forms/Dialogscript.h"
#include "platform/rtl/Rtl.h"
#include "tests/support/Testsupport.h"

namespace {

class FileDirEdits : public controlstest::Screen {
 protected:
  void SetUp() override {
    controlstest::Screen::SetUp();
    dir = testsupport::ScratchFolder();
    form = Plain(400, 300);
    form->Show();
    person.Pump();
  }
  template <class T>
  T* Make() {
    auto* e = new T(form);
    e->SetParent(form);
    e->SetBounds(20, 20, 250, 21);
    person.Pump();
    return e;
  }
  std::string dir;
  TForm* form = nullptr;
};

TEST_F(FileDirEdits, FileNamesQuotedAndRefused) {
  auto* e = Make<TFilenameEdit>();
  EXPECT_EQ(e->DialogTitle(), "Список");
  EXPECT_FALSE(e->FilterStored());
  EXPECT_TRUE(e->DialogOptions().Contains(ofHideReadOnly));
  std::string spaced = dir + "/my file.txt";
  e->SetFileName(spaced);
  EXPECT_EQ(e->Text(), "\"" + spaced + "\"") << "a name with a blank is quoted";
  EXPECT_EQ(e->FileName(), spaced);
  e->SetFileName(dir + "/plain.txt");
  EXPECT_EQ(e->Text(), dir + "/plain.txt");
  EXPECT_THROW(e->SetFileName("bad|name"), EComboEditError);
  EXPECT_EQ(e->Text(), dir + "/plain.txt") << "a refused name leaves the text";
  try {
    e->SetFileName("x|y");
  } catch (const EComboEditError& error) {
    EXPECT_EQ(std::string(error.Message()), "Invalid file name - x|y");
  }
  e->SetFileName("");
  EXPECT_EQ(e->Text(), "");
  e->SetDialogKind(dkSave);
  EXPECT_NE(dynamic_cast<TSaveDialog*>(e->Dialog()), nullptr);
  EXPECT_EQ(e->DialogTitle(), "Список") << "the new dialog keeps the settings";
}

TEST_F(FileDirEdits, DroppedFiles) {
  auto* e = Make<TFilenameEdit>();
  int drops = 0;
  e->OnDropFiles = [&](TObject*) { ++drops; };
  std::vector<std::string> names = {dir + "/a.txt", dir + "/b.txt", dir + "/c.txt"};
  e->DropFiles(names);
  EXPECT_EQ(drops, 0) << "only when files are accepted";
  e->SetAcceptFiles(true);
  e->DropFiles(names);
  EXPECT_EQ(e->FileName(), dir + "/a.txt") << "a single-selection edit takes the first";
  EXPECT_EQ(drops, 1);
  e->SetDialogOptions({ofAllowMultiSelect});
  e->DropFiles(names);
  EXPECT_EQ(e->FileName(), dir + "/a.txt");
  EXPECT_EQ(e->DialogFiles()->Count(), 3);
  auto* d = Make<TDirectoryEdit>();
  d->SetAcceptFiles(true);
  testsupport::WriteFile(dir + "/a.txt", "x");
  d->DropFiles({dir + "/a.txt"});
  EXPECT_EQ(d->Text(), dir) << "a file gives its folder";
  d->SetMultipleDirs(true);
  d->DropFiles({dir + "/a.txt", "/tmp"});
  EXPECT_EQ(d->Text(), dir + ";" + dir + ";/tmp");
}

TEST_F(FileDirEdits, Dialogs) {
  auto* e = Make<TFilenameEdit>();
  std::string chosen = dir + "/picked.txt";
  testsupport::WriteFile(chosen, "x");
  platform::DialogScript script;
  script.Press("Список", "OK", {{"FileName", chosen}});
  std::string before;
  e->OnBeforeDialog = [&](TObject*, std::string& Name, bool&) { before = Name; };
  e->SetText(dir + "/old.txt");
  e->DoClick();
  person.Pump();
  EXPECT_EQ(before, dir + "/old.txt");
  EXPECT_EQ(e->Text(), chosen);
  EXPECT_EQ(e->InitialDir(), dir);
  script.Press("Список", "Cancel");
  e->DoClick();
  person.Pump();
  EXPECT_EQ(e->Text(), chosen) << "Cancel leaves the name";
  e->OnBeforeDialog = [](TObject*, std::string&, bool& Action) { Action = false; };
  e->DoClick();
  EXPECT_EQ(script.Pending(), 0u) << "the before-dialog event can stop the dialog";

  auto* d = Make<TDirectoryEdit>();
  std::string sub = dir + "/sub";
  ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
  d->SetText(dir);
  d->SetMultipleDirs(true);
  script.Press("Browse for Folder", "OK", {{"Folder", sub}});
  d->DoClick();
  person.Pump();
  EXPECT_EQ(d->Text(), dir + ";" + sub);
  EXPECT_EQ(d->InitialDir(), sub);
  d->SetMultipleDirs(false);
  d->SetText(dir + "/missing");
  script.Answer("Browse for Folder", [](TCustomForm& f) {
    for (int i = 0; i < f.ComponentCount(); ++i) {
      if (auto* edit = dynamic_cast<TCustomEdit*>(f.Components(i)); edit && edit->Name() == "Folder") {
        EXPECT_EQ(edit->Text(), "/") << "a missing folder opens the dialog at the root";
      }
    }
    f.SetModalResult(mrCancel);
  });
  d->DoClick();
  person.Pump();
  EXPECT_EQ(d->Text(), dir + "/missing");
}

}  // namespace
