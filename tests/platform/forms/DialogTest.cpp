// Common dialogs answered by script, and a snapshot of a dialog with every control.

#include <cstdlib>
#include <filesystem>

#include "Formstest.h"
#include "platform/forms/Tcommondialog.h"
#include "platform/gui/Freetypefont.h"
#include "tests/support/Testsupport.h"

namespace {

class Dialogs : public formstest::Screen {};

TEST_F(Dialogs, OpenAndSaveDialogsWalkFoldersAndCheckNames) {
  std::string folder = testsupport::ScratchFolder();
  testsupport::WriteFile(folder + "/a.txt", "a");
  testsupport::WriteFile(folder + "/b.log", "b");
  std::filesystem::create_directories(folder + "/sub");
  testsupport::WriteFile(folder + "/sub/c.txt", "c");

  TOpenDialog open(nullptr);
  open.SetInitialDir(folder);
  open.SetFilter("Тексты (*.txt)|*.txt|Все файлы|*");
  open.SetOptions({ofFileMustExist});
  platform::DialogScript script;
  std::vector<std::string> listed;
  script.Answer("Open", [&](TCustomForm& f) {
    auto* files = dynamic_cast<TListBox*>(platform::FindNamed(f, "Files"));
    for (int i = 0; i < files->Count(); ++i) listed.push_back(files->Items()->Strings(i));
    platform::SetControlValue(f, "FileName", "missing.txt");
    platform::PressControl(f, "OK");
    EXPECT_EQ(f.ModalResult(), mrNone) << "a missing file is refused";
    platform::SetControlValue(f, "FileName", "sub");
    platform::PressControl(f, "OK");
    platform::SetControlValue(f, "FileName", "c.txt");
    platform::PressControl(f, "OK");
  });
  script.Press("TMessageForm", "OK");
  ASSERT_TRUE(open.Execute());
  EXPECT_EQ(listed, (std::vector<std::string>{"[..]", "[sub]", "a.txt"}));
  EXPECT_EQ(open.FileName(), folder + "/sub/c.txt");

  TSaveDialog save(nullptr);
  save.SetInitialDir(folder);
  save.SetDefaultExt("txt");
  save.SetOptions({ofOverwritePrompt});
  script.Press("Save As", "OK", {{"FileName", "a"}});
  script.Press("TMessageForm", "No");
  std::vector<std::string> failures;
  script.OnFailure = [&](const std::string& what) { failures.push_back(what); };
  EXPECT_FALSE(save.Execute()) << "not replaced: the form stays open";
  EXPECT_EQ(failures.size(), 1u);
  EXPECT_EQ(script.Pending(), 0u);
}

TEST_F(Dialogs, SaveReplacesAfterAskingFolderFontAndColour) {
  std::string folder = testsupport::ScratchFolder();
  testsupport::WriteFile(folder + "/a.txt", "a");
  std::filesystem::create_directories(folder + "/sub");
  platform::DialogScript script;
  TSaveDialog save(nullptr);
  save.SetInitialDir(folder);
  save.SetDefaultExt("txt");
  save.SetOptions({ofOverwritePrompt});
  script.Press("Save As", "OK", {{"FileName", "a"}});
  script.Press("TMessageForm", "Yes");
  ASSERT_TRUE(save.Execute());
  EXPECT_EQ(save.FileName(), folder + "/a.txt");

  std::string chosen;
  script.Press("Browse for Folder", "OK", {{"Folder", folder + "/sub"}});
  ASSERT_TRUE(SelectDirectory("", folder, chosen));
  EXPECT_EQ(chosen, folder + "/sub");

  TFontDialog font(nullptr);
  script.Press("Font", "OK", {{"Name", "Arial"}, {"Size", "12"}, {"Bold", "1"}});
  ASSERT_TRUE(font.Execute());
  EXPECT_EQ(font.Font()->Name(), "Arial");
  EXPECT_EQ(font.Font()->Size(), 12);
  EXPECT_TRUE(font.Font()->Style().Contains(fsBold));

  TColorDialog colour(nullptr);
  script.Press("Color", "OK", {{"Red", "10"}, {"Green", "20"}, {"Blue", "300"}});
  ASSERT_TRUE(colour.Execute());
  EXPECT_EQ(colour.Color(), static_cast<TColor>(RGB(10, 20, 255)));
  script.Press("Color", "Cancel", {{"Red", "99"}});
  EXPECT_FALSE(colour.Execute());
  EXPECT_EQ(colour.Color(), static_cast<TColor>(RGB(10, 20, 255)));
}

// A dialog with each standard control, as a PNG: QUILLARAN_SNAPSHOT names the file to
// write, drawn with the system's fonts when they can be had (otherwise it goes to the
// test's scratch folder, drawn with the test font).
TEST_F(Dialogs, SnapshotOfADialogWithEachControl) {
  const char* target = std::getenv("QUILLARAN_SNAPSHOT");
  if (target) {
    auto engine = std::make_unique<platform::FreeTypeFontEngine>();
    if (engine->Usable()) platform::SetFontEngine(std::move(engine));
    // The program-wide fonts are made again with the engine now in use.
    for (TFont* f : {::Screen->MenuFont(), ::Screen->HintFont()}) {
      f->SetHeight(f->Height() - 1);
      f->SetHeight(f->Height() + 1);
      f->Handle();
    }
  }
  auto* form = new TForm(nullptr);
  form->SetCaption("Все элементы");
  form->SetBorderStyle(bsDialog);
  form->SetClientWidth(520);
  form->SetClientHeight(360);
  auto* menu = new TMainMenu(form);
  for (const char* c : {"&Файл", "&Правка", "&Вид"}) {
    auto* i = new TMenuItem(form);
    i->SetCaption(c);
    menu->Items()->Add(i);
  }
  form->SetMenu(menu);
  auto* bar = new TToolBar(form);
  bar->SetParent(form);
  bar->SetShowCaptions(true);
  bar->SetList(true);
  for (const char* c : {"Открыть", "Сохранить"}) {
    auto* b = new TToolButton(form);
    b->SetParent(bar);
    b->SetCaption(c);
  }
  auto* group = new TGroupBox(form);
  group->SetParent(form);
  group->SetCaption("Группа");
  group->SetBounds(8, 40, 200, 150);
  auto* label = new TLabel(form);
  label->SetParent(group);
  label->SetCaption("&Имя:");
  label->SetBounds(8, 22, 40, 15);
  auto* edit = new TEdit(form);
  edit->SetParent(group);
  edit->SetBounds(56, 18, 130, 21);
  edit->SetText("Текст");
  auto* check = new TCheckBox(form);
  check->SetParent(group);
  check->SetCaption("Флажок");
  check->SetChecked(true);
  check->SetBounds(8, 48, 120, 17);
  auto* radio = new TRadioButton(form);
  radio->SetParent(group);
  radio->SetCaption("Выбор");
  radio->SetChecked(true);
  radio->SetBounds(8, 70, 120, 17);
  auto* combo = new TComboBox(form);
  combo->SetParent(group);
  combo->Items()->Add("Первый");
  combo->SetItemIndex(0);
  combo->SetBounds(8, 94, 178, 21);
  auto* progress = new TProgressBar(form);
  progress->SetParent(group);
  progress->SetBounds(8, 122, 178, 16);
  progress->SetPosition(60);
  auto* memo = new TMemo(form);
  memo->SetParent(form);
  memo->SetBounds(216, 40, 150, 80);
  memo->SetText("Строка один\r\nСтрока два");
  auto* list = new TListBox(form);
  list->SetParent(form);
  list->SetBounds(374, 40, 138, 80);
  for (const char* s : {"Альфа", "Бета", "Гамма"}) list->Items()->Add(s);
  list->SetItemIndex(1);
  auto* grid = new TStringGrid(form);
  grid->SetParent(form);
  grid->SetBounds(216, 128, 296, 100);
  grid->SetColCount(3);
  grid->SetRowCount(4);
  grid->SetCells(1, 0, "Колонка");
  grid->SetCells(1, 1, "Ячейка");
  auto* scroll = new TScrollBar(form);
  scroll->SetParent(form);
  scroll->SetBounds(8, 200, 200, 17);
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(8, 236, 200, 40);
  panel->SetCaption("Панель");
  auto* bevel = new TBevel(form);
  bevel->SetParent(form);
  bevel->SetBounds(216, 236, 296, 2);
  bevel->SetShape(bsTopLine);
  auto* updown = new TUpDown(form);
  updown->SetParent(form);
  updown->SetBounds(216, 246, 17, 21);
  auto* ok = new TButton(form);
  ok->SetParent(form);
  ok->SetCaption("ОК");
  ok->SetDefault(true);
  ok->SetBounds(356, 328, 75, 23);
  auto* cancel = new TButton(form);
  cancel->SetParent(form);
  cancel->SetCaption("Отмена");
  cancel->SetBounds(437, 328, 75, 23);
  form->Show();
  person.Pump();
  std::string path = target ? target : testsupport::ScratchFolder() + "/dialog.png";
  ASSERT_TRUE(screen.SaveWindowPng(form->Handle(), path));
  EXPECT_EQ(testsupport::ReadFile(path).substr(0, 4), "\x89PNG");
  delete form;
}

}  // namespace
