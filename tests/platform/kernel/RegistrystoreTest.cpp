#include "platform/kernel/Registrystore.h"

#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using platform::TRegistryStore;
using platform::TRegStoreValue;

TRegStoreValue Sz(const std::string& s) { return {platform::REG_SZ, s}; }
TRegStoreValue Dword(uint32_t v) {
  std::string d(4, '\0');
  for (int k = 0; k < 4; ++k) d[k] = static_cast<char>(v >> (8 * k));
  return {platform::REG_DWORD, d};
}

const char* kKey = "HKEY_CURRENT_USER\\Software\\Quillaran";

TEST(Registrystore, ValuesOfEveryTypeSurviveAFreshStore) {
  std::string file = testsupport::ScratchFolder() + "/registry";
  std::string awkward = "Путь \"C:\\x\"\r\n\tend\x01\x98";
  std::string bytes("\0\xff\x10", 3);
  {
    TRegistryStore store(file);
    ASSERT_TRUE(store.WriteValue(kKey, "Text", Sz(awkward)));
    ASSERT_TRUE(store.WriteValue(kKey, "Empty", Sz("")));
    ASSERT_TRUE(store.WriteValue(kKey, "Number", Dword(0xfffffffe)));
    ASSERT_TRUE(store.WriteValue(kKey, "Blob", {platform::REG_BINARY, bytes}));
    ASSERT_TRUE(store.WriteValue(kKey, "Имя=\"x\"", {platform::REG_EXPAND_SZ, "%HOME%"}));
    ASSERT_TRUE(store.WriteValue(kKey, "Odd", {7, "ab"}));
  }
  TRegistryStore store(file);
  TRegStoreValue v;
  ASSERT_TRUE(store.ReadValue(kKey, "text", v));  // names ignore case
  EXPECT_EQ(v.Type, platform::REG_SZ);
  EXPECT_EQ(v.Data, awkward);
  ASSERT_TRUE(store.ReadValue("hkey_current_user\\SOFTWARE\\quillaran\\", "Empty", v));
  EXPECT_EQ(v.Data, "");
  ASSERT_TRUE(store.ReadValue(kKey, "Number", v));
  EXPECT_EQ(v.Type, platform::REG_DWORD);
  EXPECT_EQ(v.Data, Dword(0xfffffffe).Data);
  ASSERT_TRUE(store.ReadValue(kKey, "Blob", v));
  EXPECT_EQ(v.Type, platform::REG_BINARY);
  EXPECT_EQ(v.Data, bytes);
  ASSERT_TRUE(store.ReadValue(kKey, "ИМЯ=\"X\"", v));
  EXPECT_EQ(v.Type, platform::REG_EXPAND_SZ);
  ASSERT_TRUE(store.ReadValue(kKey, "Odd", v));
  EXPECT_EQ(v.Type, 7u);
  EXPECT_EQ(v.Data, "ab");
  EXPECT_FALSE(store.ReadValue(kKey, "Missing", v));
  EXPECT_FALSE(store.ValueExists("HKEY_CURRENT_USER\\Software\\Other", "Text"));

  // The file is UTF-8 text.
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("\"Number\"=dword:fffffffe"), std::string::npos);
  EXPECT_NE(text.str().find("\xd0\x9f\xd1\x83\xd1\x82\xd1\x8c"), std::string::npos);  // "Путь" in UTF-8
}

TEST(Registrystore, KeysAndValuesAreListedChangedAndDeleted) {
  TRegistryStore store(testsupport::ScratchFolder() + "/registry");
  EXPECT_FALSE(store.KeyExists(kKey));
  EXPECT_TRUE(store.GetKeyNames("HKEY_CURRENT_USER").empty());
  ASSERT_TRUE(store.CreateKey(std::string(kKey) + "\\Forms\\Browse"));
  EXPECT_TRUE(store.KeyExists("HKEY_CURRENT_USER\\Software"));
  EXPECT_TRUE(store.KeyExists(kKey));
  ASSERT_TRUE(store.WriteValue(kKey, "A", Sz("1")));
  ASSERT_TRUE(store.WriteValue(kKey, "B", Sz("2")));
  ASSERT_TRUE(store.WriteValue(kKey, "a", Sz("3")));  // same value, other case
  EXPECT_EQ(store.GetValueNames(kKey), (std::vector<std::string>{"A", "B"}));
  TRegStoreValue v;
  ASSERT_TRUE(store.ReadValue(kKey, "A", v));
  EXPECT_EQ(v.Data, "3");
  ASSERT_TRUE(store.CreateKey(std::string(kKey) + "\\Alpha"));
  EXPECT_EQ(store.GetKeyNames(kKey), (std::vector<std::string>{"Alpha", "Forms"}));
  EXPECT_TRUE(store.DeleteValue(kKey, "b"));
  EXPECT_FALSE(store.DeleteValue(kKey, "b"));
  EXPECT_TRUE(store.DeleteKey(std::string(kKey) + "\\FORMS"));
  EXPECT_FALSE(store.KeyExists(std::string(kKey) + "\\Forms\\Browse"));
  EXPECT_FALSE(store.DeleteKey(std::string(kKey) + "\\Forms"));
  EXPECT_TRUE(store.KeyExists(kKey));
  EXPECT_FALSE(store.CreateKey(""));
  EXPECT_FALSE(store.WriteValue("HKEY_CURRENT_USER\\Bad\nKey", "x", Sz("y")));
}

TEST(Registrystore, TwoProcessesWritingAtOnceLoseNothing) {
  std::string file = testsupport::ScratchFolder() + "/registry";
  constexpr int kEach = 40;
  pid_t child = fork();
  ASSERT_GE(child, 0);
  const char* who = child == 0 ? "Child" : "Parent";
  {
    TRegistryStore store(file);
    for (int i = 0; i < kEach; ++i) store.WriteValue(kKey, who + std::to_string(i), Dword(i));
  }
  if (child == 0) _exit(0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  TRegistryStore store(file);
  EXPECT_EQ(store.GetValueNames(kKey).size(), 2u * kEach);
  TRegStoreValue v;
  ASSERT_TRUE(store.ReadValue(kKey, "Child39", v));
  EXPECT_EQ(v.Data, Dword(39).Data);
}

TEST(Registrystore, ADamagedLineLosesOnlyItself) {
  std::string dir = testsupport::ScratchFolder();
  std::ofstream(dir + "/registry") << "[HKEY_CURRENT_USER\\S]\n\"Good\"=dword:00000005\n\"Bad\"=dword:5\n"
                                      "\"Half\"=sz:\"unterminated\ngarbage\n\"Last\"=sz:\"ok\"\n";
  TRegistryStore store(dir + "/registry");
  EXPECT_EQ(store.GetValueNames("HKEY_CURRENT_USER\\S"), (std::vector<std::string>{"Good", "Last"}));
}

}  // namespace
