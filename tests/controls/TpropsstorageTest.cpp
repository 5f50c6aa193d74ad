// Property storage: every kind of property written to an ini file with its
// exact keys and texts, and read back; sub-sections of string lists and
// collections; component references; stored-item lines.

#include <gtest/gtest.h>

#include <map>

#include "controls/Tpropsstorage.h"
#include "platform/rtl/Formatsettings.h"
#include "platform/rtl/Tcollection.h"
#include "platform/rtl/Tinifile.h"
#include "platform/rtl/Tstringlist.h"
#include "tests/support/Testsupport.h"

namespace {

enum TPlace { plTop, plBottom, plLeft };
enum TMark { mkBold, mkItalic, mkUnderline };
using TMarks = TSet<TMark>;

class TPen2 : public TPersistent {
 public:
  int Color = 0;
  std::string Style = "solid";
};

class TColumn : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  std::string Caption;
  int Width = 64;
};

class TWidget : public TComponent {
 public:
  explicit TWidget(TComponent* AOwner) : TComponent(AOwner), columns(CollectionItemClass<TColumn>()) {}
  int count = 0;
  int64_t big = 0;
  char accel = 'a';
  TPlace place = plTop;
  bool visible = true;
  double ratio = 0;
  float single = 0;
  std::string caption;
  TMarks marks;
  TStringList lines;
  TPen2 pen;
  TCollection columns;
  TComponent* partner = nullptr;
};

void RegisterWidget() {
  TPublished<TPen2>("TPen2")
      .Integer("Color", [](TPen2* p) { return p->Color; }, [](TPen2* p, int v) { p->Color = v; })
      .String("Style", [](TPen2* p) { return p->Style; }, [](TPen2* p, const std::string& v) { p->Style = v; });
  TPublished<TColumn>("TColumn")
      .String("Caption", [](TColumn* c) { return c->Caption; }, [](TColumn* c, const std::string& v) { c->Caption = v; })
      .Integer("Width", [](TColumn* c) { return c->Width; }, [](TColumn* c, int v) { c->Width = v; });
  TPublished<TWidget>("TWidget")
      .Integer("Count", [](TWidget* w) { return w->count; }, [](TWidget* w, int v) { w->count = v; })
      .Int64("Big", [](TWidget* w) { return w->big; }, [](TWidget* w, int64_t v) { w->big = v; })
      .Char("Accel", [](TWidget* w) { return w->accel; }, [](TWidget* w, char v) { w->accel = v; })
      .Enum<TPlace>("Place", "TPlace", [](TWidget* w) { return w->place; }, [](TWidget* w, TPlace v) { w->place = v; },
                    {"plTop", "plBottom", "plLeft"})
      .Bool("Visible", [](TWidget* w) { return w->visible; }, [](TWidget* w, bool v) { w->visible = v; })
      .Float("Ratio", [](TWidget* w) { return w->ratio; }, [](TWidget* w, double v) { w->ratio = v; })
      .Float("Single", [](TWidget* w) { return w->single; }, [](TWidget* w, float v) { w->single = v; }, ftSingle,
             "Single")
      .String("Caption", [](TWidget* w) { return w->caption; },
              [](TWidget* w, const std::string& v) { w->caption = v; })
      .Set<TMark>("Marks", "TMarks", [](TWidget* w) { return w->marks; }, [](TWidget* w, TMarks v) { w->marks = v; },
                  {"mkBold", "mkItalic", "mkUnderline"})
      .Object<TStrings>("Lines", "TStrings", [](TWidget* w) -> TObject* { return &w->lines; }, nullptr)
      .Object<TPen2>("Pen", "TPen2", [](TWidget* w) -> TObject* { return &w->pen; }, nullptr)
      .Object<TCollection>("Columns", "TCollection", [](TWidget* w) -> TObject* { return &w->columns; }, nullptr)
      .Object<TComponent>("Partner", "TComponent", [](TWidget* w) -> TObject* { return w->partner; },
                          [](TWidget* w, TComponent* c) { w->partner = c; });
}

struct Bound {
  explicit Bound(const std::string& path) : ini(path) {
    storage.OnReadString = [this](const std::string& s, const std::string& k, const std::string& d) {
      return ini.ReadString(s, k, d);
    };
    storage.OnWriteString = [this](const std::string& s, const std::string& k, const std::string& v) {
      ini.WriteString(s, k, v);
    };
    storage.OnEraseSection = [this](const std::string& s) { ini.EraseSection(s); };
  }
  TIniFile ini;
  TPropsStorage storage;
};

class PropsStorage : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetFormatSettings();
    RegisterWidget();
  }
  void TearDown() override { platform::ResetFormatSettings(); }
};

TEST_F(PropsStorage, EveryKindRoundTripsWithExactKeysAndTexts) {
  const std::string path = testsupport::ScratchFolder() + "/props.ini";
  TComponent form(nullptr);
  form.SetName("FormX");
  auto* w = new TWidget(&form);
  w->SetName("Edit1");
  auto* other = new TWidget(&form);
  other->SetName("Other");
  w->count = -42;
  w->big = 1234567890123LL;
  w->accel = 'Q';
  w->place = plLeft;
  w->visible = false;
  DecimalSeparator = ',';  // stored with a point all the same
  w->ratio = 2.5;
  w->single = 0.1f;
  w->caption = "  padded  ";
  w->marks = {mkBold, mkUnderline};
  w->lines.Add("first");
  w->lines.Add("");
  w->pen.Color = 255;
  static_cast<TColumn*>(w->columns.Add())->Caption = "Name";
  static_cast<TColumn*>(w->columns.Add())->Width = 10;
  w->partner = other;

  TStringList stored;
  for (const char* p : {"Edit1.Count", "Edit1.Big", "Edit1.Accel", "Edit1.Place", "Edit1.Visible", "Edit1.Ratio",
                        "Edit1.Single", "Edit1.Caption", "Edit1.Marks", "Edit1.Lines", "Edit1.Pen", "Edit1.Columns",
                        "Edit1.Partner", "Edit1.NoSuchProperty"})
    stored.Add(p);
  UpdateStoredList(&form, &stored, true);
  ASSERT_EQ(stored.Count(), 14);
  {
    Bound b(path);
    b.storage.SetSection("TFormX");
    b.storage.StoreObjectsProps(&form, &stored);
  }
  EXPECT_EQ(testsupport::ReadFile(path),
            "[TFormX]\r\n"
            "Edit1_Count=-42\r\n"
            "Edit1_Big=1234567890123\r\n"
            "Edit1_Accel=Q\r\n"
            "Edit1_Place=plLeft\r\n"
            "Edit1_Visible=False\r\n"
            "Edit1_Ratio=2.5\r\n"
            "Edit1_Single=0.1\r\n"
            "Edit1_Caption=padded\r\n"
            "Edit1_Marks=[mkBold,mkUnderline]\r\n"
            "Edit1_PenColor=255\r\n"
            "Edit1_PenStyle=solid\r\n"
            "Edit1_Columns.Count=2\r\n"
            "Edit1_Partner=Other\r\n"
            "\r\n"
            "[TFormX.Edit1_Lines]\r\n"
            "Count=2\r\n"
            "Item0=first\r\n"
            "Item1=\r\n"
            "\r\n"
            "[TFormX.Edit1_Columns]\r\n"
            "Item0_Caption=Name\r\n"
            "Item0_Width=64\r\n"
            "Item1_Caption=\r\n"
            "Item1_Width=10\r\n");

  // Back into a fresh widget.
  TComponent form2(nullptr);
  form2.SetName("FormX");
  auto* r = new TWidget(&form2);
  r->SetName("Edit1");
  auto* other2 = new TWidget(&form2);
  other2->SetName("Other");
  TStringList stored2;
  stored2.Assign(&stored);
  UpdateStoredList(&form2, &stored2, true);
  {
    Bound b(path);
    b.storage.SetSection("TFormX");
    b.storage.LoadObjectsProps(&form2, &stored2);
  }
  EXPECT_EQ(r->count, -42);
  EXPECT_EQ(r->big, 1234567890123LL);
  EXPECT_EQ(r->accel, 'Q');
  EXPECT_EQ(r->place, plLeft);
  EXPECT_FALSE(r->visible);
  EXPECT_DOUBLE_EQ(r->ratio, 2.5);
  EXPECT_FLOAT_EQ(r->single, 0.1f);
  EXPECT_EQ(r->caption, "padded");
  EXPECT_EQ(r->marks, (TMarks{mkBold, mkUnderline}));
  ASSERT_EQ(r->lines.Count(), 2);
  EXPECT_EQ(r->lines.Strings(0), "first");
  EXPECT_EQ(r->lines.Strings(1), "");
  EXPECT_EQ(r->pen.Color, 255);
  ASSERT_EQ(r->columns.Count(), 2);
  EXPECT_EQ(static_cast<TColumn*>(r->columns.Items(0))->Caption, "Name");
  EXPECT_EQ(static_cast<TColumn*>(r->columns.Items(1))->Width, 10);
  EXPECT_EQ(r->partner, other2);
}

TEST_F(PropsStorage, BadStoredTextsLeaveValuesOrTakeTheDefinedFallbacks) {
  std::map<std::string, std::string> values = {
      {"S/W_Count", "12abc"},         {"S/W_Place", "plNowhere"},          {"S/W_Ratio", "two"},
      {"S/W_Marks", "[mkItalic, mkBogus]"}, {"S/W_Accel", ""},            {"S/W_Partner", "(NULL)"},
      {"S/W_Columns.Count", "-5"},    {"S.W_Lines/Count", "99999999"}};
  int reads = 0;
  TPropsStorage storage;
  storage.OnReadString = [&](const std::string& s, const std::string& k, const std::string& d) {
    ++reads;
    auto it = values.find(s + "/" + k);
    return it == values.end() ? d : it->second;
  };
  storage.SetSection("S");
  TComponent root(nullptr);
  auto* w = new TWidget(&root);
  w->SetName("W");
  w->place = plBottom;
  w->ratio = 1.5;
  w->partner = &root;
  w->lines.Add("kept");
  w->columns.Add();
  TStringList stored;
  for (const char* p : {"W.Count", "W.Place", "W.Ratio", "W.Marks", "W.Accel", "W.Partner", "W.Lines", "W.Columns"})
    stored.AddObject(p, w);
  storage.LoadObjectsProps(&root, &stored);
  EXPECT_EQ(w->count, 0) << "an integer that does not convert";
  EXPECT_EQ(w->place, plBottom) << "an unknown name leaves the enumeration";
  EXPECT_DOUBLE_EQ(w->ratio, 1.5);
  EXPECT_EQ(w->marks, TMarks{mkItalic}) << "unknown members are ignored";
  EXPECT_EQ(w->accel, 'a');
  EXPECT_EQ(w->partner, nullptr) << "(null) in any case clears the reference";
  EXPECT_EQ(w->lines.Count(), 65536) << "a damaged count is cut down";
  EXPECT_EQ(w->columns.Count(), 0) << "a count below zero is none";
  EXPECT_LT(reads, 65536 + 100);
}

TEST_F(PropsStorage, EmptyListsEraseTheirSubSectionAndLoadNothing) {
  const std::string path = testsupport::ScratchFolder() + "/lists.ini";
  testsupport::WriteFile(path, "[S.W_Lines]\r\nCount=1\r\nItem0=old\r\n[Other]\r\nx=1\r\n");
  TComponent root(nullptr);
  auto* w = new TWidget(&root);
  w->SetName("W");
  TStringList stored;
  stored.AddObject("W.Lines", w);
  Bound b(path);
  b.storage.SetSection("S");
  b.storage.StoreObjectsProps(&root, &stored);
  EXPECT_EQ(testsupport::ReadFile(path), "[Other]\r\nx=1\r\n");
  w->lines.Add("mine");
  b.storage.LoadObjectsProps(&root, &stored);
  EXPECT_EQ(w->lines.Count(), 1);
  EXPECT_EQ(w->lines.Strings(0), "mine");

  // Without a read event every read is empty; loading an integer gives 0.
  TPropsStorage bare;
  w->count = 9;
  bare.SetAObject(w);
  TStringList names;
  names.Add("count");
  names.Add("missing");
  bare.LoadProperties(&names);
  EXPECT_EQ(w->count, 0);
}

TEST_F(PropsStorage, StoredItemLinesFollowRenamedAndRemovedComponents) {
  EXPECT_EQ(CreateStoredItem("Edit1", "Text"), "Edit1.Text");
  EXPECT_EQ(CreateStoredItem("", "Text"), "");
  std::string c, p;
  EXPECT_TRUE(ParseStoredItem(" Edit1 . Text ", c, p));
  EXPECT_EQ(c, "Edit1");
  EXPECT_EQ(p, "Text");
  EXPECT_FALSE(ParseStoredItem("Edit1.", c, p));
  EXPECT_FALSE(ParseStoredItem("Edit1", c, p));
  EXPECT_FALSE(ParseStoredItem(".Text", c, p));

  const std::string path = testsupport::ScratchFolder() + "/rename.ini";
  TComponent root(nullptr);
  auto* w = new TWidget(&root);
  w->SetName("Edit1");
  TStringList stored;
  stored.Add("Edit1.Caption");
  stored.Add("Gone.Caption");
  stored.Add("junk");
  UpdateStoredList(&root, &stored, true);
  ASSERT_EQ(stored.Count(), 1) << "lines naming no component are deleted when the form loads";
  w->SetName("Edit2");
  w->caption = "x";
  Bound b(path);
  b.storage.SetSection("S");
  b.storage.StoreObjectsProps(&root, &stored);
  EXPECT_EQ(stored.Strings(0), "Edit2.Caption");
  EXPECT_EQ(testsupport::ReadFile(path), "[S]\r\nEdit2_Caption=x\r\n");

  TPropInfoList a(w, tkProperties), none(nullptr, tkProperties);
  EXPECT_EQ(none.Count(), 0);
  ASSERT_NE(a.Find("caption"), nullptr);
  TPropInfoList ints(w, TTypeKinds{tkInteger});
  a.Intersect(&ints);
  ASSERT_EQ(a.Count(), 1);
  EXPECT_EQ(a.Items(0)->Name, "Count");
}

}  // namespace
