#include "platform/rtl/Exception.h"
#include "platform/rtl/Tmemorystream.h"
#include "platform/rtl/Tstringlist.h"
#include "tests/platform/rtl/TestTmp.h"

#include <gtest/gtest.h>

namespace {

std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return e.ClassName() + ": " + e.Message();
  }
  return "no exception";
}

std::vector<std::string> Items(const TStrings& l) {
  std::vector<std::string> r;
  for (int i = 0; i < l.Count(); ++i) r.push_back(l[i]);
  return r;
}

TEST(Tstringlist, SortedListsAndDuplicates) {
  TStringList l;
  l.Add("pear");
  l.Add("Apple");
  l.Add("banana");
  l.SetSorted(true);
  EXPECT_EQ(Items(l), (std::vector<std::string>{"Apple", "banana", "pear"}));
  EXPECT_EQ(l.Add("cherry"), 2);
  // dupIgnore: the text already there (ignoring case) is kept, its index returned.
  EXPECT_EQ(l.Add("APPLE"), 0);
  EXPECT_EQ(l.Count(), 4);
  l.SetDuplicates(dupError);
  EXPECT_EQ(MessageOf([&] { l.Add("Pear"); }), "EStringListError: String list does not allow duplicates");
  l.SetDuplicates(dupAccept);
  l.Add("Pear");
  EXPECT_EQ(l.Count(), 5);
  EXPECT_EQ(MessageOf([&] { l.Insert(0, "x"); }), "EStringListError: Operation not allowed on sorted list");
  EXPECT_EQ(MessageOf([&] { l.SetStrings(0, "x"); }), "EStringListError: Operation not allowed on sorted list");
  EXPECT_EQ(MessageOf([&] { l.Delete(5); }), "EStringListError: List index out of bounds (5)");
  EXPECT_EQ(MessageOf([&] { l.Objects(-1); }), "EStringListError: List index out of bounds (-1)");
  EXPECT_EQ(l.IndexOf("BANANA"), 1);
  EXPECT_EQ(l.IndexOf("kiwi"), -1);

  // Case-sensitive: the lower-case form sorts first, lookups respect case.
  TStringList c;
  c.SetCaseSensitive(true);
  c.SetSorted(true);
  c.SetDuplicates(dupAccept);
  for (const char* s : {"b", "B", "a", "A", "b"}) c.Add(s);
  EXPECT_EQ(Items(c), (std::vector<std::string>{"a", "A", "b", "b", "B"}));
  int index = -1;
  EXPECT_TRUE(c.Find("B", index));
  EXPECT_EQ(index, 4);
  EXPECT_FALSE(c.Find("C", index));
  EXPECT_EQ(index, 5);
  c.SetDuplicates(dupIgnore);
  EXPECT_TRUE(c.Find("b", index));
  EXPECT_EQ(index, 2);  // the first of equal texts

  // Cyrillic letters sort by the alphabet, after Latin ones, Ё after Е.
  TStringList r;
  r.SetSorted(true);
  for (const char* s : {"жук", "ёж", "Еда", "apple", "10", "!"}) r.Add(s);
  EXPECT_EQ(Items(r), (std::vector<std::string>{"!", "10", "apple", "Еда", "ёж", "жук"}));
}

TEST(Tstringlist, CommaTextRoundTripsWithQuotesAndBlanks) {
  TStringList l;
  for (const char* s : {"plain", "two words", "say \"hi\"", "", "a,b", "tab\there"}) l.Add(s);
  const std::string text = "plain,\"two words\",\"say \"\"hi\"\"\",,\"a,b\",\"tab\there\"";
  EXPECT_EQ(l.CommaText(), text);
  TStringList back;
  back.SetCommaText(text);
  EXPECT_EQ(Items(back), Items(l));

  // Unquoted blanks split, blanks around items vanish, a trailing comma adds an empty item.
  back.SetCommaText("  a b , c,");
  EXPECT_EQ(Items(back), (std::vector<std::string>{"a", "b", "c", ""}));
  // A single empty text is written as two quotes and read back as one item.
  TStringList one;
  one.Add("");
  EXPECT_EQ(one.CommaText(), "\"\"");
  back.SetCommaText("\"\"");
  EXPECT_EQ(Items(back), (std::vector<std::string>{""}));
  back.SetCommaText("");
  EXPECT_EQ(back.Count(), 0);
  // An unclosed quote takes the rest of the text.
  back.SetCommaText("\"open, end");
  EXPECT_EQ(Items(back), (std::vector<std::string>{"open, end"}));

  TStringList d;
  d.SetDelimiter(';');
  d.SetQuoteChar('\'');
  d.Add("x;y");
  d.Add("z");
  EXPECT_EQ(d.DelimitedText(), "'x;y';z");
  EXPECT_EQ(d.CommaText(), "x;y,z");
}

TEST(Tstringlist, NamesAndValues) {
  TStringList l;
  l.SetText("Host=mail.example\r\nPort = 25\r\nnote\r\nEmpty=\r\nUrl=a=b\r\n");
  EXPECT_EQ(l.Values("host"), "mail.example");  // names ignore case
  EXPECT_EQ(l.Values("Port "), " 25");            // blanks belong to name and value
  EXPECT_EQ(l.Values("Port"), "");
  EXPECT_EQ(l.Values("Url"), "a=b");
  EXPECT_EQ(l.Values("note"), "");
  EXPECT_EQ(l.Names(2), "");
  EXPECT_EQ(l.Names(4), "Url");
  EXPECT_EQ(l.ValueFromIndex(4), "a=b");
  EXPECT_EQ(l.IndexOfName("EMPTY"), 3);
  l.SetValues("Host", "smtp.example");
  EXPECT_EQ(l[0], "Host=smtp.example");
  l.SetValues("New", "1");
  EXPECT_EQ(l[l.Count() - 1], "New=1");
  l.SetValues("Empty", "");  // an empty value deletes the line
  EXPECT_EQ(l.IndexOfName("Empty"), -1);
  l.SetValues("Absent", "");
  EXPECT_EQ(l.Count(), 5);
  l.SetNameValueSeparator(':');
  l.Add("Key:v");
  EXPECT_EQ(l.Values("key"), "v");
}

TEST(Tstringlist, TextLinesUpdatesAndMoves) {
  TStringList l;
  l.SetText("a\r\nb\n\rc\rd");
  EXPECT_EQ(Items(l), (std::vector<std::string>{"a", "b", "", "c", "d"}));
  EXPECT_EQ(l.Text(), "a\r\nb\r\n\r\nc\r\nd\r\n");
  l.SetText("");
  EXPECT_EQ(l.Count(), 0);
  l.SetText("\r\n");
  EXPECT_EQ(Items(l), (std::vector<std::string>{""}));

  int changes = 0, changing = 0;
  l.OnChange = [&](TObject* sender) { EXPECT_EQ(sender, &l); ++changes; };
  l.OnChanging = [&](TObject*) { ++changing; };
  l.Add("x");
  EXPECT_EQ(changes, 1);
  l.BeginUpdate();
  l.Add("y");
  l.Add("z");
  l.BeginUpdate();
  l.Delete(0);
  l.EndUpdate();
  EXPECT_EQ(changes, 1);
  l.EndUpdate();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(changing, 2);

  TObject marker;
  l.Clear();
  l.OnChange = nullptr;
  for (const char* s : {"0", "1", "2", "3"}) l.Add(s);
  l.SetObjects(1, &marker);
  l.Move(1, 3);
  EXPECT_EQ(Items(l), (std::vector<std::string>{"0", "2", "3", "1"}));
  EXPECT_EQ(l.Objects(3), &marker);
  EXPECT_EQ(l.IndexOfObject(&marker), 3);
  l.Exchange(0, 3);
  EXPECT_EQ(Items(l), (std::vector<std::string>{"1", "2", "3", "0"}));
  EXPECT_EQ(l.Objects(0), &marker);

  TStringList copy;
  copy.Assign(&l);
  EXPECT_TRUE(copy.Equals(&l));
  EXPECT_EQ(copy.Objects(0), &marker);
  EXPECT_EQ(MessageOf([&] { copy.Assign(nullptr); }), "EConvertError: Cannot assign a nil to a TStringList");
}

TEST(Tstringlist, FilesAndStreamsByteForByte) {
  std::string dir = RtlTestFolder("stringlist-files");
  TStringList l;
  l.Add("первая");
  l.Add("");
  l.Add("last");
  l.SaveToFile(dir + "/lines.txt");
  EXPECT_EQ(ReadWholeFile(dir + "/lines.txt"), "\xEF\xE5\xF0\xE2\xE0\xFF\r\n\r\nlast\r\n");
  TStringList back;
  back.LoadFromFile(dir + "/lines.txt");
  EXPECT_EQ(Items(back), Items(l));

  TMemoryStream m;
  const char bytes[] = "skip|one\ntwo";
  m.WriteBuffer(bytes, sizeof bytes - 1);
  m.SetPosition(5);  // loading starts at the stream's position
  back.LoadFromStream(&m);
  EXPECT_EQ(Items(back), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(MessageOf([&] { back.LoadFromFile(dir + "/missing.txt"); }).rfind("EFOpenError: Cannot open file \"", 0), 0u);
}

}  // namespace
