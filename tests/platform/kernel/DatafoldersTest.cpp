#include "platform/kernel/Datafolders.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

namespace {

struct EnvGuard {
  std::string name, old; bool had;
  EnvGuard(const char* n, const char* v) : name(n) {
    const char* o = std::getenv(n); had = o != nullptr; if (had) old = o;
    if (v) setenv(n, v, 1); else unsetenv(n);
  }
  ~EnvGuard() { if (had) setenv(name.c_str(), old.c_str(), 1); else unsetenv(name.c_str()); }
};

TEST(Datafolders, DataRootPrefersQuillaranHomeThenXdg) {
  {
    EnvGuard h("QUILLARAN_HOME", "/srv/q/");
    EXPECT_EQ(platform::DataRoot(), "/srv/q");
  }
  EnvGuard h("QUILLARAN_HOME", nullptr);
  {
    EnvGuard x("XDG_DATA_HOME", "/data");
    EXPECT_EQ(platform::DataRoot(), "/data/quillaran");
  }
  EnvGuard x("XDG_DATA_HOME", nullptr);
  EnvGuard home("HOME", "/home/u");
  EXPECT_EQ(platform::DataRoot(), "/home/u/.local/share/quillaran");
  EXPECT_EQ(platform::ConfigRoot(), "/home/u/.config/quillaran");
}

TEST(Datafolders, MakeFoldersCreatesParentsAndRefusesFiles) {
  std::string base = testsupport::ScratchFolder();
  std::string deep = base + "/a/b/c";
  ASSERT_TRUE(platform::MakeFolders(deep));
  struct stat st;
  ASSERT_EQ(stat(deep.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_TRUE(platform::MakeFolders(deep));  // already there
  testsupport::WriteFile(base + "/file", "x");
  EXPECT_FALSE(platform::MakeFolders(base + "/file"));
  EXPECT_FALSE(platform::MakeFolders(""));
}

}  // namespace
