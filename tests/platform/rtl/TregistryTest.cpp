#include "platform/kernel/Registrystore.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Treginifile.h"
#include "platform/rtl/Tregistry.h"
#include "platform/rtl/Tstringlist.h"
#include "tests/platform/rtl/TestTmp.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Every test runs on a store of its own, put back when it ends.
struct StoreScope {
  explicit StoreScope(const std::string& name)
      : path(RtlTestFolder(name) + "/registry"), store(path) {
    platform::SetRegistryStore(&store);
  }
  ~StoreScope() { platform::SetRegistryStore(nullptr); }
  std::string path;
  platform::TRegistryStore store;
};

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ERegistryException& e) {
    return e.Message();
  }
  return "no exception";
}

TEST(Tregistry, KeysValuesAndTheirTypes) {
  StoreScope scope("registry-values");
  {
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("Software\\Quillaran", false));
    ASSERT_TRUE(reg.OpenKey("Software\\Quillaran", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Quillaran");
    reg.WriteString("LastSearchedText", "поиск");
    reg.WriteExpandString("Path", "%HOME%/x");
    reg.WriteInteger("LastPostSplitMinSize", -2);
    reg.WriteBool("Flag", true);
    reg.WriteFloat("Ratio", 0.75);
    // Relative paths go below the open key; a leading '\' starts at the root.
    ASSERT_TRUE(reg.OpenKey("Sub", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Quillaran\\Sub");
    ASSERT_TRUE(reg.OpenKey("\\Software\\Quillaran", false));
  }
  // A second object (and the file) sees the values.
  TRegistry reg(KEY_READ);
  ASSERT_TRUE(reg.OpenKey("software\\QUILLARAN", false));
  EXPECT_EQ(reg.ReadString("LastSearchedText"), "поиск");
  EXPECT_EQ(reg.ReadString("Path"), "%HOME%/x");
  EXPECT_EQ(reg.GetDataType("Path"), rdExpandString);
  EXPECT_EQ(reg.ReadInteger("LastPostSplitMinSize"), -2);
  EXPECT_TRUE(reg.ReadBool("Flag"));
  EXPECT_EQ(reg.ReadFloat("Ratio"), 0.75);
  EXPECT_EQ(reg.GetDataSize("LastSearchedText"), 6);
  EXPECT_EQ(reg.GetDataSize("Nothing"), -1);
  EXPECT_EQ(reg.ReadString("Nothing"), "");
  EXPECT_TRUE(reg.HasSubKeys());
  TStringList names;
  reg.GetValueNames(&names);
  EXPECT_EQ(names.CommaText(), "LastSearchedText,Path,LastPostSplitMinSize,Flag,Ratio");
  reg.GetKeyNames(&names);
  EXPECT_EQ(names.CommaText(), "Sub");

  EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("Nothing"); }), "Failed to get data for 'Nothing'");
  EXPECT_EQ(ErrorOf([&] { reg.ReadInteger("Path"); }), "Invalid data type for 'Path'");
  EXPECT_EQ(ErrorOf([&] { reg.ReadString("Flag"); }), "Invalid data type for 'Flag'");
  EXPECT_EQ(ErrorOf([&] { reg.WriteString("X", "y"); }), "Failed to set data for 'X'");
  EXPECT_FALSE(reg.OpenKey("Created\\By\\Reader", true));
  EXPECT_FALSE(reg.DeleteValue("Flag"));

  TRegistry writer;
  ASSERT_TRUE(writer.OpenKey("Software\\Quillaran", false));
  EXPECT_TRUE(writer.DeleteValue("Flag"));
  EXPECT_FALSE(writer.ValueExists("Flag"));
  EXPECT_TRUE(writer.DeleteKey("Sub"));
  EXPECT_FALSE(writer.KeyExists("Sub"));
  writer.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(writer.CurrentKey(), 0u);
  EXPECT_FALSE(writer.KeyExists("Software\\Quillaran"));
  EXPECT_TRUE(writer.CreateKey("Software\\Machine"));
}

TEST(Tregistry, StoreFileByteForByte) {
  StoreScope scope("registry-file");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Quillaran", true));
  reg.WriteString("Name", "Вера");
  reg.WriteInteger("Count", 258);
  EXPECT_EQ(ReadWholeFile(scope.path),
            "; Quillaran settings\n"
            "\n[HKEY_CURRENT_USER]\n"
            "\n[HKEY_CURRENT_USER\\Software]\n"
            "\n[HKEY_CURRENT_USER\\Software\\Quillaran]\n"
            "\"Name\"=sz:\"\xD0\x92\xD0\xB5\xD1\x80\xD0\xB0\"\n"
            "\"Count\"=dword:00000102\n");
}

TEST(Treginifile, SectionsAsSubkeysAndTheShellFolders) {
  StoreScope scope("registry-ini");
  {
    TRegIniFile ini("Software\\Quillaran");
    ini.WriteString("TFormBrowsePars", "FormVersion", "0");
    ini.WriteInteger("TFormBrowsePars", "Width", 640);
    ini.WriteBool("Flags", "On", true);
  }
  TRegIniFile ini("Software\\Quillaran", KEY_READ);
  EXPECT_EQ(ini.ReadString("TFormBrowsePars", "FormVersion", "?"), "0");
  EXPECT_EQ(ini.ReadInteger("TFormBrowsePars", "Width", 0), 640);
  EXPECT_EQ(ini.ReadInteger("TFormBrowsePars", "FormVersion", 5), 0);
  EXPECT_EQ(ini.ReadInteger("TFormBrowsePars", "Missing", 5), 5);
  EXPECT_EQ(ini.ReadString("NoSection", "x", "dflt"), "dflt");
  EXPECT_TRUE(ini.ReadBool("Flags", "On", false));
  TStringList list;
  ini.ReadSections(&list);
  EXPECT_EQ(list.CommaText(), "Flags,TFormBrowsePars");
  ini.ReadSection("TFormBrowsePars", &list);
  EXPECT_EQ(list.CommaText(), "FormVersion,Width");
  ini.ReadSectionValues("TFormBrowsePars", &list);
  EXPECT_EQ(list.CommaText(), "FormVersion=0,Width=640");

  TRegIniFile rw("Software\\Quillaran");
  rw.DeleteKey("TFormBrowsePars", "Width");
  rw.EraseSection("Flags");
  rw.ReadSections(&list);
  EXPECT_EQ(list.CommaText(), "TFormBrowsePars");
  TRegIniFile missing("Software\\Nobody", KEY_READ);
  EXPECT_EQ(missing.CurrentKey(), 0u);
  EXPECT_EQ(missing.ReadString("", "x", "d"), "d");

  // The shell's folders come from the XDG places.
  std::string home = RtlTestFolder("registry-home");
  const char* oldHome = std::getenv("HOME");
  std::string savedHome = oldHome ? oldHome : "";
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home + "/cfg").c_str(), 1);
  setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
  std::filesystem::create_directories(home + "/cfg");
  WriteWholeFile(home + "/cfg/user-dirs.dirs", "# comment\nXDG_DESKTOP_DIR=\"$HOME/\xD0\xA0\xD0\xB0\xD0\xB1\xD0\xBE\xD1\x87\xD0\xB8\xD0\xB9 \xD1\x81\xD1\x82\xD0\xBE\xD0\xBB\"\n");
  TRegIniFile explorer("Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer");
  EXPECT_EQ(explorer.ReadString("Shell Folders", "Desktop", ""), home + "/\xD0\xE0\xE1\xEE\xF7\xE8\xE9 \xF1\xF2\xEE\xEB");
  EXPECT_EQ(explorer.ReadString("Shell Folders", "Programs", ""), home + "/data/applications");
  EXPECT_EQ(explorer.ReadString("Shell Folders", "Start Menu", ""), home + "/data/applications");
  EXPECT_EQ(explorer.ReadString("Shell Folders", "Startup", ""), home + "/cfg/autostart");
  EXPECT_EQ(explorer.ReadString("Shell Folders", "Fonts", "none"), "none");
  // A value stored under the same name wins; one of another type is refused.
  explorer.WriteString("Shell Folders", "Programs", "/opt/menu");
  EXPECT_EQ(explorer.ReadString("Shell Folders", "Programs", ""), "/opt/menu");
  TRegistry direct;
  ASSERT_TRUE(direct.OpenKey("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", false));
  direct.WriteInteger("Startup", 1);
  EXPECT_EQ(ErrorOf([&] { explorer.ReadString("Shell Folders", "Startup", ""); }), "Invalid data type for 'Startup'");
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("XDG_DATA_HOME");
  setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
