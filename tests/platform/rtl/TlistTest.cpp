#include "platform/rtl/Exception.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tlist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records the notifications a list sends.
class TLoggedList : public TList {
 public:
  std::vector<std::string> log;

 protected:
  void Notify(void* p, TListNotification a) override {
    static const char* names[] = {"added", "extracted", "deleted"};
    log.push_back(std::string(names[a]) + " " + static_cast<const char*>(p));
  }
};

TEST(Tlist, ItemsNotificationsAndErrors) {
  char a[] = "a", b[] = "b", c[] = "c";
  TLoggedList l;
  EXPECT_EQ(l.Add(a), 0);
  EXPECT_EQ(l.Add(b), 1);
  l.Insert(0, c);
  l.Add(nullptr);  // null items are kept but not announced
  EXPECT_EQ(l.Count(), 4);
  EXPECT_EQ(l.IndexOf(b), 2);
  EXPECT_EQ(l.First(), c);
  EXPECT_EQ(l.Last(), nullptr);
  l.Pack();
  EXPECT_EQ(l.Count(), 3);
  l.Move(0, 2);  // c a b -> a b c
  EXPECT_EQ(l[2], c);
  l.Exchange(0, 1);
  EXPECT_EQ(l[0], b);
  EXPECT_EQ(l.Extract(a), a);
  EXPECT_EQ(l.Extract(a), nullptr);
  EXPECT_EQ(l.Remove(c), 1);
  EXPECT_EQ(l.Remove(c), -1);
  l.SetItems(0, a);
  EXPECT_EQ(l.log, (std::vector<std::string>{"added a", "added b", "added c", "extracted a", "deleted c",
                                             "deleted b", "added a"}));
  l.Add(c);
  l.Add(b);
  l.Sort([](void* x, void* y) { return CompareStr(static_cast<char*>(x), static_cast<char*>(y)); });
  EXPECT_EQ(l[0], a);
  EXPECT_EQ(l[1], b);
  EXPECT_EQ(l[2], c);

  auto message = [&](const std::function<void()>& f) {
    try {
      f();
    } catch (const EListError& e) {
      return e.Message();
    }
    return std::string("no exception");
  };
  EXPECT_EQ(message([&] { l.Items(3); }), "List index out of bounds (3)");
  EXPECT_EQ(message([&] { l.Delete(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(message([&] { l.Insert(5, a); }), "List index out of bounds (5)");
  EXPECT_EQ(message([&] { l.SetCount(-2); }), "List count out of bounds (-2)");
  EXPECT_EQ(message([&] { l.SetCapacity(1); }), "List capacity out of bounds (1)");
  l.SetCount(5);
  EXPECT_EQ(l[4], nullptr);
  l.log.clear();
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
  EXPECT_EQ(l.log, (std::vector<std::string>{"deleted c", "deleted b", "deleted a"}));
}

TEST(Strutil, TextFunctions) {
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x "), "  x");
  EXPECT_EQ(UpperCase("abcЖ"), "ABCЖ");
  EXPECT_EQ(AnsiUpperCase("abcжё"), "ABCЖЁ");
  EXPECT_EQ(AnsiLowerCase("ЖЁ"), "жё");
  EXPECT_EQ(CompareText("abc", "ABD"), -1);
  EXPECT_TRUE(SameText("Quillaran", "QUILLARAN"));
  EXPECT_TRUE(AnsiSameText("Ёлка", "ёЛКА"));
  EXPECT_FALSE(SameText("Ёлка", "ёЛКА"));
  EXPECT_LT(AnsiCompareStr("ёлка", "Ёлка"), 0);
  EXPECT_LT(AnsiCompareText("ель", "ёлка"), 0);
  EXPECT_LT(AnsiCompareText("ёлка", "жук"), 0);
  EXPECT_EQ(Pos("lo", "hello lo"), 4);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Copy("abc", 3, 10), "c");
  EXPECT_EQ(Copy("abc", 4, 1), "");
  EXPECT_EQ(Copy("abc", 0, 2), "ab");
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(AnsiDequotedStr("\"a\"\"b\"rest", '"'), "a\"b");
  EXPECT_EQ(AnsiDequotedStr("plain", '"'), "plain");
  EXPECT_EQ(StringReplace("aXbxc", "x", "-", rfReplaceAll), "aXb-c");
  EXPECT_EQ(StringReplace("aXbxc", "x", "-", rfReplaceAll | rfIgnoreCase), "a-b-c");
  EXPECT_EQ(StringReplace("xx", "x", "y", 0), "yx");
  EXPECT_EQ(StringReplace("abc", "", "y", rfReplaceAll), "abc");
  EXPECT_EQ(StringOfChar('=', 3), "===");
  EXPECT_EQ(LastDelimiter("/.", "a/b.c/d"), 6);
  EXPECT_TRUE(IsDelimiter(",", "a,b", 2));
  EXPECT_FALSE(IsDelimiter(",", "a,b", 4));
  EXPECT_EQ(ExtractFilePath("/data/post/a.cab"), "/data/post/");
  EXPECT_EQ(ExtractFileDir("/data/post/a.cab"), "/data/post");
  EXPECT_EQ(ExtractFileDir("/a.cab"), "/");
  EXPECT_EQ(ExtractFileName("/data/post/a.cab"), "a.cab");
  EXPECT_EQ(ExtractFileExt("/data/v1.2/name"), "");
  EXPECT_EQ(ExtractFileExt("archive.tar.cab"), ".cab");
  EXPECT_EQ(ChangeFileExt("/p/Leafview.exe", ".INI"), "/p/Leafview.INI");
  EXPECT_EQ(ChangeFileExt("/p.d/name", ".INI"), "/p.d/name.INI");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
}

}  // namespace
