#include "foundation/Tbrowsepars.h"
#include "foundation/Tshellregistry.h"
#include "Scratchroot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

struct ScratchSettings {
  TScratchRoot root;
  std::string config = root.Path() + "/config";
  ScratchSettings() { setenv("XDG_CONFIG_HOME", config.c_str(), 1); }
  ~ScratchSettings() { unsetenv("XDG_CONFIG_HOME"); }
  std::string Path() const { return root.Path() + "/BrowsePars.cbs"; }
};

// The stored form of one value: u16 name length, name, kind, u32 length, bytes.
std::string Value(const std::string& name, uint8_t kind, const std::string& bytes) {
  std::string out;
  const uint16_t n = static_cast<uint16_t>(name.size());
  out.append(reinterpret_cast<const char*>(&n), 2);
  out += name;
  out += static_cast<char>(kind);
  const uint32_t length = static_cast<uint32_t>(bytes.size());
  out.append(reinterpret_cast<const char*>(&length), 4);
  return out + bytes;
}
std::string Int(int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string Real(double v) { return std::string(reinterpret_cast<const char*>(&v), 8); }
std::string File(const std::vector<std::string>& values) {
  std::string out = "QLBPARS1";
  const uint32_t count = static_cast<uint32_t>(values.size());
  out.append(reinterpret_cast<const char*>(&count), 4);
  for (const std::string& v : values) out += v;
  return out;
}

TEST(Tbrowsepars, DefaultsAreValidAndEveryValueRoundTrips) {
  ScratchSettings s;
  TBrowsePars defaults;
  EXPECT_EQ(defaults.Validate(), 0);
  TBrowsePars pars;
  ASSERT_TRUE(pars.Load(s.Path()));  // no file: the defaults
  EXPECT_TRUE(pars == defaults);

  pars.LowerListColor = 0x123456;
  pars.StorageTypeColors[3] = 0x010203;
  pars.BlockTextFont.Name = "Liberation Serif";
  pars.BlockTextFont.Size = 14;
  pars.BlockTextFont.Style = TBrowseFont::Bold | TBrowseFont::Italic;
  pars.BlockTextFont.Color = 0x0000FF;
  pars.GradientDepth = 7.25;
  pars.NameWidthStep = 0;
  pars.DateWidth = 13;
  pars.AutoSave = 0;
  pars.AutoSaveMinutes = 17;
  pars.AutoBackup = 1;
  pars.AutoBackupFolder = "/home/u/Резерв";
  pars.ManualBackupFolder = "/home/u/manual";
  pars.BackupCopies = 0;
  pars.PostPartSizeKB = 2048;
  pars.ExternalBrowser = "/usr/bin/firefox";
  pars.PointerEngineOn = 1;
  pars.RowMarginV = 9;
  ASSERT_TRUE(pars.Save(s.Path()));
  EXPECT_EQ(TShellRegistry::ReadString("ExternalInternetExplorer"), "/usr/bin/firefox");

  TBrowsePars loaded;
  ASSERT_TRUE(loaded.Load(s.Path()));
  EXPECT_TRUE(loaded == pars);
  EXPECT_FALSE(loaded == defaults);
  EXPECT_EQ(loaded.AutoBackupFolder, "/home/u/Резерв");
  EXPECT_EQ(loaded.BlockTextFont, pars.BlockTextFont);
  EXPECT_FALSE(IsErrorReported());
}

TEST(Tbrowsepars, DamagedValuesFallBackToTheirDefaults) {
  ScratchSettings s;
  const TBrowsePars defaults;
  const double nan = std::nan("");
  testsupport::WriteFile(
      s.Path(), File({Value("NameWidthBase", 2, Int(0)),          // a zero width
                      Value("ServiceRowHeight", 2, Int(-5)),
                      Value("PostPartSizeKB", 2, Int(0)),           // parts of nothing never end
                      Value("AutoSaveMinutes", 2, Int(0)),
                      Value("GradientDepth", 4, Real(nan)),
                      Value("GraphLinkWidth", 2, Int(1000)),
                      Value("LowerListColor", 3, Int(0x7F000000)),  // not a colour
                      Value("TextWidthPercent", 2, Int(0)),
                      Value("DateWidth", 3, Int(20)),               // a value of the wrong kind is skipped
                      Value("Unknown future value", 2, Int(5)),     // unknown: skipped
                      Value("AuthorWidth", 2, Int(31)),             // a good value is kept
                      Value("Strange kind", 99, "xyz"),             // an unknown kind is skipped by its length
                      Value("ThemesWidth", 2, Int(7))}));
  TBrowsePars pars;
  EXPECT_TRUE(pars.Load(s.Path()));
  EXPECT_EQ(pars.NameWidthBase, defaults.NameWidthBase);
  EXPECT_EQ(pars.ServiceRowHeight, defaults.ServiceRowHeight);
  EXPECT_EQ(pars.PostPartSizeKB, defaults.PostPartSizeKB);
  EXPECT_EQ(pars.AutoSaveMinutes, defaults.AutoSaveMinutes);
  EXPECT_EQ(pars.GradientDepth, defaults.GradientDepth);
  EXPECT_EQ(pars.GraphLinkWidth, defaults.GraphLinkWidth);
  EXPECT_EQ(pars.LowerListColor, defaults.LowerListColor);
  EXPECT_EQ(pars.TextWidthPercent, defaults.TextWidthPercent);
  EXPECT_EQ(pars.DateWidth, defaults.DateWidth);
  EXPECT_EQ(pars.AuthorWidth, 31);
  EXPECT_EQ(pars.ThemesWidth, 7);

  // Fonts without a name or with a size of nothing fall back too.
  TBrowsePars bad;
  bad.MenuFont.Size = 0;
  bad.RowFont.Name = "";
  bad.HighlightRowFont.Style = 200;
  EXPECT_EQ(bad.Validate(), 3);
  EXPECT_EQ(bad.MenuFont, defaults.MenuFont);
  EXPECT_EQ(bad.RowFont, defaults.RowFont);

  // A file cut short keeps what was read before the cut; a stranger is all defaults.
  const std::string whole = File({Value("AuthorWidth", 2, Int(31)), Value("ThemesWidth", 2, Int(7))});
  testsupport::WriteFile(s.Path(), whole.substr(0, whole.size() - 2));
  TBrowsePars cut;
  EXPECT_FALSE(cut.Load(s.Path()));
  EXPECT_EQ(cut.AuthorWidth, 31);
  EXPECT_EQ(cut.ThemesWidth, defaults.ThemesWidth);
  testsupport::WriteFile(s.Path(), "something else entirely");
  TBrowsePars stranger;
  EXPECT_FALSE(stranger.Load(s.Path()));
  EXPECT_TRUE(stranger == defaults);
  EXPECT_FALSE(IsErrorReported());  // settings damage is no error of the program
}

}  // namespace
