// The whole library through its one header.
#include "platform/rtl/Rtl.h"
#include "platform/rtl/Tbits.h"
#include "platform/rtl/Tclassregistry.h"
#include "platform/rtl/Tcomponent.h"
#include "platform/rtl/Tpropinfo.h"
#include "platform/rtl/Tstringlist.h"

#include <gtest/gtest.h>

namespace {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

class TSample : public TComponent {
 public:
  using TComponent::TComponent;
  int Width() const { return width_; }
  void SetWidth(int v) { width_ = v; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v) { alignment_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles v) { style_ = v; }
  double Value() const { return value_; }
  void SetValue(double v) { value_ = v; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  char Accel() const { return accel_; }
  void SetAccel(char c) { accel_ = c; }
  TStringList* Lines() { return &lines_; }
  TComponent* Partner() const { return partner_; }
  void SetPartner(TComponent* c) { partner_ = c; }

 private:
  int width_ = 10;
  TAlignment alignment_ = taLeftJustify;
  bool visible_ = true;
  TFontStyles style_;
  double value_ = 0;
  std::string caption_;
  char accel_ = 'a';
  TStringList lines_;
  TComponent* partner_ = nullptr;
};

class TSampleChild : public TSample {
 public:
  using TSample::TSample;
  int Extra() const { return extra_; }
  void SetExtra(int v) { extra_ = v; }

 private:
  int extra_ = 0;
};

void RegisterSamples() {
  TPublished<TComponent>("TComponent")
      .String("Name", &TComponent::Name, &TComponent::SetName, "TComponentName")
      .Integer("Tag", &TComponent::Tag, &TComponent::SetTag);
  TPublished<TSample>("TSample")
      .Inherits<TComponent>()
      .Integer("Width", &TSample::Width, &TSample::SetWidth)
      .Enum<TAlignment>("Alignment", "TAlignment", &TSample::Alignment, &TSample::SetAlignment,
                        {"taLeftJustify", "taRightJustify", "taCenter"})
      .Bool("Visible", &TSample::Visible, &TSample::SetVisible)
      .Set<TFontStyle>("Style", "TFontStyles", &TSample::Style, &TSample::SetStyle,
                       {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"})
      .Float("Value", &TSample::Value, &TSample::SetValue)
      .String("Caption", &TSample::Caption, &TSample::SetCaption)
      .Char("Accel", &TSample::Accel, &TSample::SetAccel)
      .Object<TStrings>("Lines", "TStrings", &TSample::Lines, nullptr)
      .Object<TComponent>("Partner", "TComponent", &TSample::Partner, &TSample::SetPartner);
  TPublished<TSampleChild>("TSampleChild").Inherits<TSample>().Integer("Extra", &TSampleChild::Extra,
                                                                       &TSampleChild::SetExtra);
}

TEST(Tpropinfo, PropertiesInDeclarationOrderWithAccessors) {
  RegisterSamples();
  TSampleChild s(nullptr);
  std::vector<std::string> names;
  for (const TPropInfo* p : GetPropList(&s)) names.push_back(p->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Name", "Tag", "Width", "Alignment", "Visible", "Style", "Value",
                                             "Caption", "Accel", "Lines", "Partner", "Extra"}));
  // A class that did not register itself gets its nearest registered ancestor's list.
  struct TUnregistered : TSample {
    using TSample::TSample;
  } u(nullptr);
  EXPECT_EQ(GetPropList(&u).size(), 11u);
  EXPECT_TRUE(GetPropList(nullptr).empty());
  TObject plain;
  EXPECT_TRUE(GetPropList(&plain).empty());
  EXPECT_EQ(GetPropList(&s, {tkClass}).size(), 2u);

  const TPropInfo* width = GetPropInfo(&s, "WIDTH");
  ASSERT_TRUE(width);
  EXPECT_EQ(width->Kind, tkInteger);
  SetOrdProp(&s, width, 42);
  EXPECT_EQ(s.Width(), 42);
  EXPECT_EQ(GetOrdProp(&s, width), 42);

  const TPropInfo* align = GetPropInfo(&s, "Alignment");
  EXPECT_EQ(align->Kind, tkEnumeration);
  EXPECT_EQ(GetEnumValue(align, "TACENTER"), 2);
  SetOrdProp(&s, align, GetEnumValue(align, "taCenter"));
  EXPECT_EQ(s.Alignment(), taCenter);
  EXPECT_EQ(GetEnumName(align, GetOrdProp(&s, align)), "taCenter");
  EXPECT_EQ(GetEnumName(align, 7), "");
  EXPECT_EQ(GetEnumValue(align, "taNone"), -1);
  EXPECT_EQ(GetEnumName(GetPropInfo(&s, "Visible"), 1), "True");

  const TPropInfo* style = GetPropInfo(&s, "Style");
  EXPECT_EQ(style->Kind, tkSet);
  EXPECT_EQ(style->EnumNames[3], "fsStrikeOut");
  SetOrdProp(&s, style, (1 << fsBold) | (1 << fsUnderline));
  EXPECT_EQ(s.Style(), (TFontStyles{fsBold, fsUnderline}));

  const TPropInfo* value = GetPropInfo(&s, "value");
  EXPECT_EQ(value->Kind, tkFloat);
  SetFloatProp(&s, value, 2.5);
  EXPECT_EQ(GetFloatProp(&s, value), 2.5);

  const TPropInfo* caption = GetPropInfo(&s, "Caption");
  SetStrProp(&s, caption, "Текст");
  EXPECT_EQ(s.Caption(), "Текст");
  const TPropInfo* accel = GetPropInfo(&s, "Accel");
  SetStrProp(&s, accel, "xyz");
  EXPECT_EQ(s.Accel(), 'x');
  EXPECT_EQ(GetStrProp(&s, accel), "x");

  const TPropInfo* lines = GetPropInfo(&s, "Lines");
  EXPECT_EQ(GetObjectProp(&s, lines), s.Lines());
  EXPECT_FALSE(lines->HasSetter());
  EXPECT_THROW(SetObjectProp(&s, lines, nullptr), EPropertyError);
  TComponent other(nullptr);
  SetObjectProp(&s, GetPropInfo(&s, "Partner"), &other);
  EXPECT_EQ(s.Partner(), &other);
  EXPECT_THROW(GetStrProp(&s, width), EPropertyError);
  EXPECT_EQ(GetPropInfo(&s, "Nothing"), nullptr);
  EXPECT_TRUE(IsPublishedProp(&s, "extra"));
}

TEST(Tclassregistry, ClassesByName) {
  RegisterClass<TSample>();
  RegisterClass<TSample>();  // again: nothing happens
  RegisterClass<TStringList>();
  const TPersistentClass* c = GetClass("tsample");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->ClassName, "TSample");
  TComponent owner(nullptr);
  TPersistent* made = c->Create(&owner);
  ASSERT_TRUE(dynamic_cast<TSample*>(made));
  EXPECT_EQ(static_cast<TSample*>(made)->Owner(), &owner);
  TSampleChild child(nullptr);
  EXPECT_TRUE(c->InheritsFrom(&child));
  EXPECT_FALSE(FindClass("TStringList").InheritsFrom(&child));
  delete FindClass("TStringList").Create(nullptr);
  EXPECT_EQ(GetClass("TMissing"), nullptr);
  try {
    FindClass("TMissing");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "Class TMissing not found");
  }
  UnRegisterClass("TStringList");
  EXPECT_EQ(GetClass("TStringList"), nullptr);
}

TEST(Tbits, GrowsAndFindsTheOpenBit) {
  TBits b;
  EXPECT_EQ(b.OpenBit(), 0);
  b.SetBits(0, true);
  b.SetBits(1, true);
  b.SetBits(69, false);
  EXPECT_EQ(b.Size(), 70);
  EXPECT_EQ(b.OpenBit(), 2);
  for (int i = 2; i < 70; ++i) b.SetBits(i, true);
  EXPECT_EQ(b.OpenBit(), 70);
  EXPECT_TRUE(b[69]);
  b.SetSize(3);
  EXPECT_EQ(b.Size(), 3);
  try {
    b.Bits(3);
    FAIL();
  } catch (const EBitsError& e) {
    EXPECT_EQ(e.Message(), "Bits index out of range");
  }
  EXPECT_THROW(b.SetBits(-1, true), EBitsError);
  EXPECT_THROW(b.SetSize(-1), EBitsError);
}

}  // namespace
