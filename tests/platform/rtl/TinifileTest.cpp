#include "platform/rtl/Exception.h"
#include "platform/rtl/Tinifile.h"
#include "platform/rtl/Tstringlist.h"
#include "tests/platform/rtl/TestTmp.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Items(const TStrings& l) {
  std::vector<std::string> r;
  for (int i = 0; i < l.Count(); ++i) r.push_back(l[i]);
  return r;
}

TEST(Tinifile, WritesByteForByte) {
  std::string dir = RtlTestFolder("ini-write");
  std::string name = dir + "/Quillaran.INI";
  TIniFile ini(name);
  ini.WriteString("TFormBrowsePars", "FormVersion", "0");
  EXPECT_EQ(ReadWholeFile(name), "[TFormBrowsePars]\r\nFormVersion=0\r\n");
  ini.WriteInteger("TFormBrowsePars", "Width", 640);
  ini.WriteBool("Other", "Flag", true);
  ini.WriteString("tformbrowsepars", "formversion", "2");  // names ignore case, keep the file's spelling
  EXPECT_EQ(ReadWholeFile(name),
            "[TFormBrowsePars]\r\nFormVersion=2\r\nWidth=640\r\n\r\n[Other]\r\nFlag=1\r\n");
  ini.DeleteKey("TFormBrowsePars", "Width");
  ini.EraseSection("Other");
  EXPECT_EQ(ReadWholeFile(name), "[TFormBrowsePars]\r\nFormVersion=2\r\n\r\n");
  ini.WriteString("TFormBrowsePars", "Caption", "Настройки");
  EXPECT_EQ(ReadWholeFile(name),
            "[TFormBrowsePars]\r\nFormVersion=2\r\nCaption=\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8\r\n\r\n");
  // No temporary copies are left behind.
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir)) (void)e, ++files;
  EXPECT_EQ(files, 1);
}

TEST(Tinifile, ReadsLikeTheProfileFunctions) {
  std::string dir = RtlTestFolder("ini-read");
  std::string name = dir + "/app.ini";
  WriteWholeFile(name,
                 "; a comment\n"
                 "orphan=before any section\n"
                 "  [ Main ]  \n"
                 "  Name =  \"quoted value\"  \r\n"
                 "Single='x'\n"
                 "Half=\"open\n"
                 "Inner=\"a\" and \"b\"\n"
                 "Hex=0x1F\n"
                 "Dollar=$10\n"
                 "Bad=12abc\n"
                 "this line is malformed\n"
                 "=no name\n"
                 "[broken\n"
                 "Dup=first\n"
                 "Dup=second\n"
                 "[main]\n"
                 "Later=ignored, the first section wins\n"
                 "[Empty]\n");
  TIniFile ini(name);
  EXPECT_EQ(ini.ReadString("MAIN", "name", "?"), "quoted value");
  EXPECT_EQ(ini.ReadString("Main", "Single", "?"), "x");
  EXPECT_EQ(ini.ReadString("Main", "Half", "?"), "\"open");
  EXPECT_EQ(ini.ReadString("Main", "Inner", "?"), "a\" and \"b");
  EXPECT_EQ(ini.ReadInteger("Main", "Hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("Main", "Dollar", 0), 16);
  EXPECT_EQ(ini.ReadInteger("Main", "Bad", -5), -5);
  EXPECT_EQ(ini.ReadInteger("Main", "Missing", 7), 7);
  EXPECT_TRUE(ini.ReadBool("Main", "Hex", false));
  EXPECT_EQ(ini.ReadString("Main", "Dup", "?"), "first");
  EXPECT_EQ(ini.ReadString("Main", "Later", "?"), "?");
  EXPECT_EQ(ini.ReadString("", "orphan", "?"), "?");
  EXPECT_TRUE(ini.SectionExists("empty"));
  EXPECT_FALSE(ini.SectionExists("broken"));
  EXPECT_TRUE(ini.ValueExists("Main", "Bad"));
  EXPECT_FALSE(ini.ValueExists("Main", "this line is malformed"));

  TStringList list;
  ini.ReadSections(&list);
  EXPECT_EQ(Items(list), (std::vector<std::string>{"Main", "main", "Empty"}));
  ini.ReadSection("Main", &list);
  EXPECT_EQ(Items(list), (std::vector<std::string>{"Name", "Single", "Half", "Inner", "Hex", "Dollar", "Bad", "Dup", "Dup"}));
  ini.ReadSectionValues("Main", &list);
  EXPECT_EQ(list[0], "Name=quoted value");

  // Rewriting keeps every other line as it was.
  ini.WriteString("Empty", "Key", "v");
  std::string text = ReadWholeFile(name);
  EXPECT_NE(text.find("this line is malformed\r\n"), std::string::npos);
  EXPECT_NE(text.find("; a comment\r\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 16), "[Empty]\r\nKey=v\r\n");

  // A missing file reads as empty.
  TIniFile none(dir + "/none.ini");
  EXPECT_EQ(none.ReadString("a", "b", "dflt"), "dflt");
  none.ReadSections(&list);
  EXPECT_EQ(list.Count(), 0);
}

TEST(Tinifile, Refusals) {
  std::string dir = RtlTestFolder("ini-refuse");
  TIniFile ini(dir + "/x.ini");
  EXPECT_THROW(ini.WriteString("S", "K", "two\r\nlines"), EIniFileException);
  TIniFile nowhere(dir + "/missing/folder/x.ini");
  try {
    nowhere.WriteString("S", "K", "v");
    FAIL();
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(), "Unable to write to " + dir + "/missing/folder/x.ini");
  }
  // A file far too big to be an ini file is neither read nor rewritten.
  std::string big = dir + "/big.ini";
  WriteWholeFile(big, "[S]\r\nK=v\r\n" + std::string(17 * 1024 * 1024, ';'));
  TIniFile huge(big);
  EXPECT_EQ(huge.ReadString("S", "K", "none"), "none");
  EXPECT_THROW(huge.WriteString("S", "K", "w"), EIniFileException);
}

}  // namespace
