// Form placement and storage, headless: the exact values written to an ini
// file and to the registry, restoring them into a new form, versions, screen
// changes, window states, stored properties and values, size limits.

#include <gtest/gtest.h>

#include <cstdlib>

#include "controls/Apputils.h"
#include "controls/Strutils.h"
#include "controls/Tformstorage.h"
#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/forms/Forms.h"
#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Registrystore.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Tpropinfo.h"
#include "platform/rtl/Tregistry.h"
#include "tests/support/Testsupport.h"

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

class TNote : public TComponent {
 public:
  using TComponent::TComponent;
  std::string text;
  int size = 1;
};

int destroyedForms = 0;

class TFormPlaced : public TForm {
 public:
  TFormPlaced(TComponent* AOwner, TPlacementOptions options, bool storage = false) : TForm(AOwner) {
    SetCaption("Placed");
    SetBounds(10, 20, 320, 240);
    Edit1 = new TEdit(this);
    Edit1->SetName("Edit1");
    Edit1->SetParent(this);
    Edit1->SetBounds(8, 8, 100, 21);
    Edit2 = new TEdit(this);
    Edit2->SetName("Edit2");
    Edit2->SetParent(this);
    Edit2->SetBounds(8, 40, 100, 21);
    Note = new TNote(this);
    Note->SetName("Note1");
    Placement = storage ? new TFormStorage(this) : new TFormPlacement(this);
    Placement->SetName("Placement");
    Placement->SetOptions(options);
    OnShow = [this](TObject*) { ++shows; };
    // Runs inside the form's destructor: nothing of the derived form is left.
    OnDestroy = [](TObject*) { ++destroyedForms; };
  }
  void Ready() { Placement->Loaded(); }
  TFormStorage* Storage() { return dynamic_cast<TFormStorage*>(Placement); }
  TEdit* Edit1;
  TEdit* Edit2;
  TNote* Note;
  TFormPlacement* Placement;
  int shows = 0;
};

class TFormPlainDialog : public TForm {
 public:
  using TForm::TForm;
};

class Placement : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = testsupport::ScratchFolder();
    ini = dir + "/quillaran.INI";
    OnGetDefaultIniName = [this] { return ini; };
    platform::SetRegistryStore(&store);
    TPublished<TNote>("TNote")
        .String("Text", [](TNote* n) { return n->text; }, [](TNote* n, const std::string& v) { n->text = v; })
        .Integer("Size", [](TNote* n) { return n->size; }, [](TNote* n, int v) { n->size = v; });
  }
  void TearDown() override {
    person.Pump();
    while (Screen->FormCount() > 0) delete Screen->Forms(0);
    person.Pump();
    OnGetDefaultIniName = nullptr;
    platform::SetRegistryStore(nullptr);
    Application->ResetTerminated();
  }
  std::string Reg(const std::string& key, const std::string& name) {
    TRegistry r(KEY_READ);
    r.SetRootKey(HKEY_CURRENT_USER);
    if (!r.OpenKeyReadOnly(key) || !r.ValueExists(name)) return "<none>";
    return r.ReadString(name);
  }

  platform::HeadlessScreen screen{800, 600};
  platform::ScreenDriver person;
  std::string dir, ini;
  platform::TRegistryStore store{testsupport::ScratchFolder() + "/registry"};
};

TEST_F(Placement, EmptyOptionsWriteOnlyTheVersionAndNothingBeforeShowing) {
  {
    TFormPlaced form(nullptr, {}, true);
    form.Ready();
  }
  EXPECT_EQ(GetFileAttributesA(ini.c_str()), INVALID_FILE_ATTRIBUTES) << "never shown: nothing written";
  {
    TFormPlaced form(nullptr, {}, true);
    form.Ready();
    form.Show();
    EXPECT_EQ(form.shows, 1) << "the form's own OnShow still runs";
    form.Close();
    EXPECT_EQ(ReadFile(ini), "[TFormPlaced]\r\nFormVersion=0\r\n");
  }
  EXPECT_EQ(ReadFile(ini), "[TFormPlaced]\r\nFormVersion=0\r\n") << "saved at closing, not again";
}

TEST_F(Placement, ModalSettingsDialogKeepsItsVersion) {
  // As the settings dialog holds it: a storage with no options on a modal form.
  TFormPlaced form(nullptr, {}, true);
  form.SetCaption("Settings");
  auto* ok = new TButton(&form);
  ok->SetName("OK");
  ok->SetParent(&form);
  ok->SetModalResult(mrOk);
  form.Ready();
  {
    platform::DialogScript script;
    script.Press("Settings", "OK");
    EXPECT_EQ(form.ShowModal(), mrOk);
  }
  EXPECT_EQ(ReadFile(ini), "[TFormPlaced]\r\nFormVersion=0\r\n");
  EXPECT_TRUE(form.Placement->Saved());
}

TEST_F(Placement, PositionStateAndActiveControlRoundTrip) {
  int destroyed = destroyedForms;
  {
    TFormPlaced form(nullptr, {fpState, fpPosition, fpActiveControl});
    form.Ready();
    form.Show();
    form.SetBounds(100, 50, 300, 200);
    form.Edit2->SetFocus();
    form.Close();
  }
  EXPECT_EQ(destroyedForms, destroyed + 1) << "the form's own OnDestroy still runs";
  EXPECT_EQ(ReadFile(ini),
            "[TFormPlaced]\r\n"
            "FormVersion=0\r\n"
            "Flags=0\r\n"
            "ShowCmd=1\r\n"
            "PixelsPerInch=96\r\n"
            "MinMaxPos(800x600)=-1,-1,-1,-1\r\n"
            "MinMaxPos=-1,-1,-1,-1\r\n"
            "NormPos(800x600)=100,50,400,250\r\n"
            "NormPos=100,50,400,250\r\n"
            "Visible=0\r\n"
            "ActiveControl=Edit2\r\n");

  TFormPlaced again(nullptr, {fpState, fpPosition, fpActiveControl});
  again.Ready();
  again.Show();
  EXPECT_EQ(again.Left(), 100);
  EXPECT_EQ(again.Top(), 50);
  EXPECT_EQ(again.Width(), 300);
  EXPECT_EQ(again.Height(), 200);
  EXPECT_EQ(again.WindowState(), wsNormal);
  EXPECT_EQ(again.ActiveControl(), again.Edit2);
  EXPECT_TRUE(again.Placement->Restored());
}

TEST_F(Placement, DestroyedWhileShownSavesWithVisibleSet) {
  {
    TFormPlaced form(nullptr, {fpPosition});
    form.Ready();
    form.Show();
  }
  EXPECT_EQ(IniReadString(nullptr, "x", "y", "d"), "d");
  TIniFile f(ini);
  EXPECT_EQ(f.ReadString("TFormPlaced", "Visible", ""), "1");
  EXPECT_EQ(f.ReadString("TFormPlaced", "NormPos", ""), "10,20,330,260");
}

TEST_F(Placement, OlderVersionRestoresNothingButIsOverwritten) {
  WriteFile(ini, "[TFormPlaced]\r\nFormVersion=1\r\nNormPos=200,100,500,300\r\nShowCmd=3\r\n");
  TFormPlaced form(nullptr, {fpState, fpPosition});
  form.Placement->SetVersion(2);
  form.Ready();
  form.Show();
  EXPECT_EQ(form.Left(), 10) << "the stored layout is of an older version";
  EXPECT_EQ(form.WindowState(), wsNormal);
  form.Close();
  TIniFile f(ini);
  EXPECT_EQ(f.ReadInteger("TFormPlaced", "FormVersion", 0), 2);
  EXPECT_EQ(f.ReadString("TFormPlaced", "NormPos", ""), "10,20,330,260");
}

TEST_F(Placement, ScreenChangesStylesAndStates) {
  // Only the bare position of another screen size: taken.
  WriteFile(ini, "[TFormPlaced]\r\nNormPos(1024x768)=1,1,2,2\r\nNormPos=150,60,450,260\r\nShowCmd=3\r\n");
  {
    TFormPlaced form(nullptr, {fpState, fpPosition});
    form.Ready();
    form.Show();
    EXPECT_EQ(form.WindowState(), wsMaximized);
    EXPECT_EQ(form.WindowState() == wsMaximized ? 0 : form.Left(), 0);
    form.SetWindowState(wsNormal);
    EXPECT_EQ(form.Left(), 150);
    EXPECT_EQ(form.Width(), 300);
    form.Placement->SetActive(false);
  }
  // Another pixel density ignores the stored position entirely; garbage
  // numbers take the defaults.
  WriteFile(ini, "[TFormPlaced]\r\nNormPos=150,60,450,260\r\nPixelsPerInch=120\r\n");
  {
    TFormPlaced form(nullptr, {fpPosition});
    form.Ready();
    form.Show();
    EXPECT_EQ(form.Left(), 10);
    form.Placement->SetActive(false);
  }
  WriteFile(ini, "[TFormPlaced]\r\nNormPos=x,60,,zz\r\n");
  {
    TFormPlaced form(nullptr, {fpPosition});
    form.Ready();
    form.Show();
    EXPECT_EQ(form.Left(), 10);
    EXPECT_EQ(form.Top(), 60);
    EXPECT_EQ(form.Width(), 320);
    form.Placement->SetActive(false);
  }
  // A rectangle off the screen would lose the form: not applied.
  WriteFile(ini, "[TFormPlaced]\r\nNormPos=5000,5000,5300,5200\r\n");
  {
    TFormPlaced form(nullptr, {fpPosition});
    form.Ready();
    form.Show();
    EXPECT_EQ(form.Left(), 10);
    form.Placement->SetActive(false);
  }
  // A dialog keeps its size and takes the corner.
  WriteFile(ini, "[TFormPlaced]\r\nNormPos=150,60,450,260\r\n");
  {
    TFormPlaced form(nullptr, {fpPosition});
    form.SetBorderStyle(bsDialog);
    form.SetPosition(poScreenCenter);
    form.Ready();
    form.Show();
    EXPECT_EQ(form.Left(), 150);
    EXPECT_EQ(form.Top(), 60);
    EXPECT_EQ(form.Width(), 320);
    EXPECT_EQ(form.Height(), 240);
    EXPECT_EQ(form.Position(), poDesigned) << "no longer re-centred";
    form.Placement->SetActive(false);
  }
  // Minimized main form: opens normal, then minimizes itself.
  WriteFile(ini, "[TFormPlaced]\r\nShowCmd=2\r\n");
  {
    TFormPlaced form(nullptr, {fpState});
    Application->SetMainForm(&form);
    form.Ready();
    form.Show();
    EXPECT_FALSE(IsIconic(form.Handle()));
    person.Pump();
    EXPECT_TRUE(IsIconic(form.Handle()));
    Application->SetMainForm(nullptr);
    form.Placement->SetActive(false);
  }
}

TEST_F(Placement, RegistryRoundTripInTheDefaultKey) {
  {
    TFormPlaced form(nullptr, {fpPosition}, true);
    form.Placement->SetUseRegistry(true);
    form.Placement->SetIniFileName("Software\\Quillaran Test");
    form.Storage()->SetStoredValue("LastPath", std::string("/data"));
    form.Ready();
    form.Show();
    form.SetBounds(40, 30, 200, 100);
    form.Close();
  }
  const std::string key = "Software\\Quillaran Test\\TFormPlaced";
  EXPECT_EQ(Reg(key, "FormVersion"), "0");
  EXPECT_EQ(Reg(key, "NormPos(800x600)"), "40,30,240,130");
  EXPECT_EQ(Reg(key, "NormPos"), "40,30,240,130");
  EXPECT_EQ(Reg(key, "ShowCmd"), "1");
  EXPECT_EQ(Reg(key, "Visible"), "0");
  EXPECT_EQ(Reg(key, "LastPath"), "/data");
  EXPECT_EQ(GetFileAttributesA(ini.c_str()), INVALID_FILE_ATTRIBUTES);

  TFormPlaced again(nullptr, {fpPosition}, true);
  again.Placement->SetUseRegistry(true);
  again.Placement->SetIniFileName("Software\\Quillaran Test");
  again.Storage()->SetStoredValue("LastPath", std::string("none"));
  again.Ready();
  again.Show();
  EXPECT_EQ(again.Left(), 40);
  EXPECT_EQ(again.Width(), 200);
  EXPECT_EQ(VarToStr(again.Storage()->StoredValue("lastpath")), "/data");
  again.Placement->SetActive(false);

  // Another root opens its own key and makes none below the current user.
  TFormPlaced other(nullptr, {}, false);
  other.Placement->SetUseRegistry(true);
  other.Placement->SetRegistryRoot(prLocalMachine);
  other.Placement->SetIniFileName("Software\\Elsewhere");
  other.Placement->WriteInteger("Answer", 42);
  EXPECT_EQ(other.Placement->ReadInteger("Answer", 0), 42);
  EXPECT_EQ(Reg("Software\\Elsewhere\\TFormPlaced", "Answer"), "<none>");
  TRegistry lm(KEY_READ);
  lm.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(lm.OpenKeyReadOnly("Software\\Elsewhere\\TFormPlaced"));
  EXPECT_EQ(lm.ReadString("Answer"), "42");
}

TEST_F(Placement, StoredPropertiesAndCodedValues) {
  {
    TFormPlaced form(nullptr, {}, true);
    TFormStorage* s = form.Storage();
    s->StoredProps()->Add("Note1.Text");
    s->StoredProps()->Add("Note1.Size");
    s->StoredProps()->Add("Missing.Text");
    form.Ready();
    EXPECT_EQ(s->StoredProps()->Count(), 2) << "the line naming no component is gone";
    auto* secret = static_cast<TStoredValue*>(s->StoredValues()->Add());
    secret->SetName("Secret");
    secret->SetKeyString("k");
    secret->SetValue(std::string("abc"));
    secret->OnSave = [](TStoredValue*, Variant& v) { v = VarToStr(v) + "!"; };
    s->SetStoredValue("Plain", 7);
    form.Show();
    form.Note->text = "remembered";
    form.Note->size = 12;
    form.Close();
  }
  EXPECT_EQ(ReadFile(ini),
            "[TFormPlaced]\r\n"
            "FormVersion=0\r\n"
            "Note1_Text=remembered\r\n"
            "Note1_Size=12\r\n"
            "Secret=" + XorEncode("k", "abc!") + "\r\n"
            "Plain=7\r\n");

  TFormPlaced again(nullptr, {}, true);
  TFormStorage* s = again.Storage();
  s->StoredProps()->Add("Note1.Text");
  s->StoredProps()->Add("Note1.Size");
  auto* secret = static_cast<TStoredValue*>(s->StoredValues()->Add());
  secret->SetName("Secret");
  secret->SetKeyString("k");
  std::string restoredSeen;
  secret->OnRestore = [&](TStoredValue*, Variant& v) { restoredSeen = VarToStr(v); };
  again.Ready();
  again.Show();
  EXPECT_EQ(again.Note->text, "remembered");
  EXPECT_EQ(again.Note->size, 12);
  EXPECT_EQ(restoredSeen, "abc!");
  EXPECT_EQ(VarToStr(s->StoredValue("Secret")), "abc!");
  EXPECT_TRUE(VarIsNull(s->StoredValue("Nothing")));

  // A name another value has is refused and kept.
  s->SetStoredValue("Other", 1);
  EXPECT_THROW(s->StoredValues()->Values("Other")->SetName("SECRET"), EStringListError);
  EXPECT_EQ(s->StoredValues()->Values("Other")->Name(), "Other");
  // A component going away takes its lines along.
  delete again.Note;
  again.Note = nullptr;
  EXPECT_EQ(s->StoredProps()->Count(), 0);
  again.Placement->SetActive(false);
}

TEST_F(Placement, SizeLimitsAndPreventResize) {
  TFormPlaced form(nullptr, {});
  form.Ready();
  form.Show();
  // What the window system answers by itself.
  MINMAXINFO plain{};
  SendMessage(form.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&plain));
  EXPECT_NE(plain.ptMaxTrackSize.x, 0);

  form.Placement->MinMaxInfo()->SetMinTrackWidth(200);
  form.Placement->MinMaxInfo()->SetMaxTrackHeight(500);
  MINMAXINFO mmi{};
  SendMessage(form.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  EXPECT_EQ(mmi.ptMinTrackSize.x, 200);
  EXPECT_EQ(mmi.ptMaxTrackSize.y, 500);
  EXPECT_EQ(mmi.ptMaxTrackSize.x, plain.ptMaxTrackSize.x) << "members left 0 are not applied";
  EXPECT_EQ(mmi.ptMinTrackSize.y, plain.ptMinTrackSize.y);
  form.Placement->MinMaxInfo()->SetMinTrackWidth(0);
  form.Placement->MinMaxInfo()->SetMaxTrackHeight(0);
  mmi = MINMAXINFO{};
  SendMessage(form.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  EXPECT_EQ(mmi.ptMinTrackSize.x, plain.ptMinTrackSize.x) << "the hook is gone with the limits";

  EXPECT_TRUE(form.BorderIcons().Contains(biMaximize));
  form.Placement->SetPreventResize(true);
  EXPECT_FALSE(form.BorderIcons().Contains(biMaximize));
  EXPECT_TRUE(IsWindowVisible(form.Handle())) << "the recreated window is shown again";
  mmi = MINMAXINFO{};
  SendMessage(form.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  EXPECT_EQ(mmi.ptMinTrackSize.x, form.Width());
  EXPECT_EQ(mmi.ptMaxTrackSize.y, form.Height());
  RECT r;
  GetWindowRect(form.Handle(), &r);
  LRESULT hit = SendMessage(form.Handle(), WM_NCHITTEST, 0, MAKELPARAM(r.right - 1, r.bottom - 1));
  EXPECT_EQ(hit, HTNOWHERE) << "no sizing border";
  form.Placement->SetPreventResize(false);
  EXPECT_TRUE(form.BorderIcons().Contains(biMaximize));
  hit = SendMessage(form.Handle(), WM_NCHITTEST, 0, MAKELPARAM(r.right - 1, r.bottom - 1));
  EXPECT_EQ(hit, HTBOTTOMRIGHT);
  form.Placement->SetActive(false);
}

TEST_F(Placement, LinksSectionsAndTheFreeFunctions) {
  TFormPlaced form(nullptr, {}, false);
  TIniLink link;
  std::vector<std::string> calls;
  link.OnSave = [&](TObject*) {
    calls.push_back("save");
    IniWriteString(link.IniObject(), link.RootSection() + "Grid", "Width", "'quoted'");
  };
  link.OnLoad = [&](TObject*) {
    calls.push_back("load:" + IniReadString(link.IniObject(), link.RootSection() + "Grid", "Width", ""));
  };
  EXPECT_EQ(link.RootSection(), "");
  link.SetStorage(form.Placement);
  form.Placement->SetIniSection("Main");
  EXPECT_EQ(link.RootSection(), "Main\\");
  form.Ready();
  form.Show();
  form.Close();
  EXPECT_EQ(ReadFile(ini), "[Main]\r\nFormVersion=0\r\n\r\n[Main\\Grid]\r\nWidth=\"'quoted'\"\r\n");
  form.Placement->RestoreFormPlacement();
  EXPECT_EQ(calls, (std::vector<std::string>{"load:", "save", "load:'quoted'"}));

  // Erasing the section with its sub-sections, and nothing else.
  WriteFile(ini, "[Main]\r\na=1\r\n[Main.Sub]\r\nb=2\r\n[Main\\Grid]\r\nc=3\r\n[MainX]\r\nd=4\r\n[main]\r\ne=5\r\n");
  form.Placement->EraseSections();
  EXPECT_EQ(ReadFile(ini), "[MainX]\r\nd=4\r\n[main]\r\ne=5\r\n") << "section names compare exactly";
  form.Placement->WriteString("k", "v");
  EXPECT_EQ(form.Placement->ReadString("k", ""), "v");
  form.Placement->SetActive(false);
  link.SetStorage(nullptr);
}

TEST_F(Placement, DefaultsAndIniHelpers) {
  TForm form(nullptr);
  auto* plainComponent = new TNote(&form);
  plainComponent->SetName("FormStorage1");
  EXPECT_EQ(GetDefaultSection(&form), "TForm");
  EXPECT_EQ(GetDefaultSection(plainComponent), "TForm.FormStorage1");
  auto* edit = new TEdit(&form);
  edit->SetName("Edit1");
  edit->SetParent(&form);
  EXPECT_EQ(GetDefaultSection(edit), "TFormEdit1");
  EXPECT_EQ(GetDefaultSection(nullptr), "");
  TCustomForm custom(nullptr);
  auto* onCustom = new TNote(&custom);
  onCustom->SetName("FormStorage1");
  EXPECT_EQ(GetDefaultSection(onCustom), "FormStorage1") << "only a TForm owner prefixes";

  OnGetDefaultIniName = nullptr;
  const char* home = std::getenv("QUILLARAN_HOME");
  const std::string savedHome = home ? home : "";
  setenv("QUILLARAN_HOME", dir.c_str(), 1);
  EXPECT_EQ(GetDefaultIniName(), dir + "/controls_tests.INI") << "in the data folder";
  if (home) setenv("QUILLARAN_HOME", savedHome.c_str(), 1);
  else unsetenv("QUILLARAN_HOME");
  std::string exe = ChangeFileExt(ExtractFileName(Application->ExeName()), "");
  EXPECT_EQ(GetDefaultIniRegKey(), "Software\\" + exe);
  DefCompanyName = "Leaf";
  EXPECT_EQ(GetDefaultIniRegKey(), "Software\\Leaf\\" + exe);
  RegUseAppTitle = true;
  Application->SetTitle("Quillaran");
  EXPECT_EQ(GetDefaultIniRegKey(), "Software\\Leaf\\Quillaran");
  DefCompanyName.clear();
  RegUseAppTitle = false;
  OnGetDefaultIniName = [this] { return ini; };

  std::string file, section;
  GetDefaultIniData(edit, file, section, false);
  EXPECT_EQ(file, ini);
  EXPECT_EQ(section, "TFormEdit1");
  GetDefaultIniData(edit, file, section, true);
  EXPECT_EQ(file, GetDefaultIniRegKey());

  TIniFile f(ini);
  IniWriteString(&f, "S", "a", "'abc'");
  IniWriteString(&f, "S", "b", "\"abc\"");
  IniWriteString(&f, "S", "c", "'abc");
  IniWriteString(&f, "S", "d", "'");
  EXPECT_EQ(ReadFile(ini), "[S]\r\na=\"'abc'\"\r\nb=\"\"abc\"\"\r\nc='abc\r\nd='\r\n");
  EXPECT_EQ(IniReadString(&f, "S", "a", ""), "'abc'");
  EXPECT_EQ(IniReadString(&f, "S", "b", ""), "\"abc\"");
  IniWriteBool(&f, "S", "flag", true);
  EXPECT_TRUE(IniReadBool(&f, "S", "flag", false));
  IniDeleteKey(&f, "S", "flag");
  EXPECT_EQ(IniReadInteger(&f, "S", "flag", -5), -5);
  TObject stranger;
  IniWriteString(&stranger, "S", "x", "y");
  EXPECT_EQ(IniReadString(&stranger, "S", "a", "def"), "def");

  EXPECT_EQ(StrToIniStr("a\r\nb\n\rc\rd\ne"), "a\\nb\\nc\\nd\\ne");
  EXPECT_EQ(IniStrToStr("a\\nb\\x"), "a\r\nb\\x");
  EXPECT_EQ(StrToIniStr(std::string(4096, 'x')).size(), 4096u);
  try {
    StrToIniStr(std::string(4097, 'x'));
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Line too long");
  }
  EXPECT_THROW(IniStrToStr(std::string(4097, 'x')), Exception);

  try {
    SaveMDIChildren(&form, &f);
    ADD_FAILURE();
  } catch (const EInvalidOperation& e) {
    EXPECT_STREQ(e.what(), "Cannot create form. No MDI forms are currently active");
  }

  TStringGrid grid(&form);
  grid.SetName("Grid1");
  grid.SetParent(&form);
  grid.SetColCount(3);
  grid.SetColWidths(1, 99);
  SaveGridLayout(&grid, &f);
  EXPECT_EQ(f.ReadString("TFormGrid1", "Item1", ""), "99");
  grid.SetColWidths(1, 10);
  RestoreGridLayout(&grid, &f);
  EXPECT_EQ(grid.ColWidths(1), 99);

  WriteFile(dir + "/file0.txt", "");
  WriteFile(dir + "/file1.txt", "");
  EXPECT_EQ(GetUniqueFileNameInDir(dir, "file%d.txt"), "file2.txt");
  WriteFile(dir + "/fixed.txt", "");
  EXPECT_EQ(GetUniqueFileNameInDir(dir, "fixed.txt"), "") << "a mask without a number";
  EXPECT_EQ(FindForm<TFormPlainDialog>(), nullptr);
  EXPECT_EQ(FindForm<TForm>(), &form);
}

TEST_F(Placement, FreeFunctionsSaveAndRestoreByClassName) {
  TFormPlaced form(nullptr, {});
  form.Show();
  form.SetBounds(70, 80, 250, 150);
  SaveFormPlacement(&form, ini, false);
  EXPECT_EQ(TIniFile(ini).ReadString("TFormPlaced", "NormPos", ""), "70,80,320,230");
  SaveFormPlacement(&form, "Software\\Q", true);
  EXPECT_EQ(Reg("Software\\Q\\TFormPlaced", "NormPos"), "70,80,320,230");
  form.SetBounds(0, 0, 100, 100);
  RestoreFormPlacement(&form, "Software\\Q", true);
  EXPECT_EQ(form.Left(), 70);
  EXPECT_EQ(form.Width(), 250);
  form.SetBounds(0, 0, 100, 100);
  RestoreFormPlacement(&form, ini, false);
  EXPECT_EQ(form.Top(), 80);
}

}  // namespace
