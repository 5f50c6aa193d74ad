#include "foundation/Tbrowsepars.h"

#include "foundation/Filereplace.h"
#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Tshellregistry.h"
#include "platform/kernel/Datafolders.h"

#include <cmath>
#include <cstring>
#include <map>

namespace {

constexpr char kMagic[8] = {'Q', 'L', 'B', 'P', 'A', 'R', 'S', '1'};
constexpr uint32_t kMaxValues = 4096;
constexpr uint32_t kNoColor = 0xFFFFFF;

enum Kind : uint8_t { KindByte = 1, KindInt = 2, KindColor = 3, KindDouble = 4, KindText = 5, KindFont = 6 };

TBrowseFont Font(const char* name, int16_t size, uint8_t style = 0, uint32_t color = 0) {
  TBrowseFont f;
  f.Name = name;
  f.Size = size;
  f.Style = style;
  f.Color = color;
  return f;
}

// Every stored value: its name, the two objects' fields and the accepted range.
// Colours are 0..0xFFFFFF, flags 0..1; texts and fonts have their own checks.
template <class A, class B, class F>
void VisitFields(A& a, B& b, F&& f) {
#define QL_FIELD(name, lo, hi) f(#name, a.name, b.name, lo, hi)
#define QL_COLOR(name) f(#name, a.name, b.name, 0, kNoColor)
#define QL_FLAG(name) f(#name, a.name, b.name, 0, 1)
#define QL_TEXT(name) f(#name, a.name, b.name, 0, 0)
  QL_COLOR(LowerListColor);
  QL_COLOR(ServiceRowColor);
  QL_COLOR(ServiceRowMarkedCreatingColor);
  QL_COLOR(ServiceRowMarkedColor);
  QL_COLOR(SelectionFrameColor);
  QL_COLOR(DeletionCrossColor);
  QL_COLOR(MarkNewColor);
  QL_COLOR(MarkSignificantColor);
  QL_COLOR(MarkArguableColor);
  QL_COLOR(MarkConclusionColor);
  QL_COLOR(MarkUsedFormulaColor);
  QL_COLOR(MarkNoteColor);
  QL_COLOR(MarkReadColor);
  QL_COLOR(MarkFalseColor);
  QL_COLOR(MarkInterestingColor);
  QL_COLOR(MarkTriteColor);
  QL_COLOR(MarkUnreadColor);
  QL_COLOR(MarkCrossedColor);
  QL_COLOR(MarkUnlinkedColor);
  f("StorageTypeColor1", a.StorageTypeColors[0], b.StorageTypeColors[0], 0, kNoColor);
  f("StorageTypeColor2", a.StorageTypeColors[1], b.StorageTypeColors[1], 0, kNoColor);
  f("StorageTypeColor3", a.StorageTypeColors[2], b.StorageTypeColors[2], 0, kNoColor);
  f("StorageTypeColor4", a.StorageTypeColors[3], b.StorageTypeColors[3], 0, kNoColor);
  QL_COLOR(GradientColor1);
  QL_COLOR(GradientColor2);
  QL_COLOR(LevelNumberColor);
  QL_COLOR(SeparatorLineColor);
  QL_COLOR(HoverFontColor);
  QL_FIELD(HoverFontStyle, 0, 15);
  QL_TEXT(ServiceLineFont);
  QL_TEXT(NameFont);
  QL_TEXT(FolderFont);
  QL_TEXT(BlockTextFont);
  QL_TEXT(BlockReferenceFont);
  QL_TEXT(HeadingTextFont);
  QL_TEXT(HeadingReferenceFont);
  QL_FIELD(IndentPerLevel, 0, 200);
  QL_FLAG(LevelNumberFlag);
  QL_FIELD(GradientDepth, 1, 1000);
  QL_FIELD(ServiceLineLeftMargin, 0, 200);
  QL_FIELD(ServiceLineTopMargin, 0, 200);
  QL_FIELD(GapAfterField, 0, 200);
  QL_FIELD(GapAfterMarkBox, 0, 200);
  QL_FIELD(TextLeftMargin, 0, 500);
  QL_FIELD(TextVerticalMargin, 0, 200);
  QL_FIELD(ServiceRowHeight, 4, 200);
  QL_FIELD(NameWidthBase, 1, 200);
  QL_FIELD(NameWidthStep, 0, 50);
  QL_FIELD(KindMarkWidth, 1, 200);
  QL_FIELD(AuthorWidth, 1, 200);
  QL_FIELD(ImportanceWidth, 1, 200);
  QL_FIELD(NoveltyWidth, 1, 200);
  QL_FIELD(PossibilityWidth, 1, 200);
  QL_FIELD(CommentedStateWidth, 1, 200);
  QL_FIELD(ReaderMarkWidth, 1, 200);
  QL_FIELD(ReaderPossibilityWidth, 1, 200);
  QL_FIELD(ThemesWidth, 1, 200);
  QL_FIELD(DateWidth, 1, 200);
  QL_COLOR(UpperPanelColor);
  QL_COLOR(MarkedColor);
  QL_TEXT(UpperHeadingTextFont);
  QL_TEXT(UpperHeadingReferenceFont);
  QL_TEXT(UpperTextFont);
  QL_TEXT(UpperReferenceFont);
  QL_FIELD(UpperIndent, 0, 500);
  QL_FIELD(UpperTopMargin, 0, 500);
  QL_FIELD(TextWidthPercent, 10, 100);
  QL_FIELD(SplitDragStep, 0, 100);
  QL_TEXT(MenuFont);
  QL_COLOR(ToolBarCreatingColor);
  QL_COLOR(ToolBarColor);
  QL_COLOR(GraphPanelColor);
  QL_COLOR(GraphBackgroundColor);
  QL_COLOR(GraphPlainNodeColor);
  QL_COLOR(GraphNodeFrameColor);
  QL_COLOR(GraphLinkColor);
  QL_FIELD(GraphLinkWidth, 1, 20);
  QL_COLOR(ListHeaderColor);
  QL_COLOR(ListHeaderLineColor);
  QL_TEXT(ListHeaderFont);
  QL_FIELD(ListHeaderMarginH, 0, 100);
  QL_FIELD(ListHeaderMarginV, 0, 100);
  QL_COLOR(SelectedRowColor);
  QL_COLOR(RowColor);
  QL_TEXT(RowFont);
  QL_TEXT(HighlightRowFont);
  QL_FIELD(RowMarginH, 0, 100);
  QL_FIELD(RowMarginV, 0, 100);
  QL_FLAG(AutoSave);
  QL_FIELD(AutoSaveMinutes, 1, 1440);
  QL_FLAG(AutoBackup);
  QL_TEXT(AutoBackupFolder);
  QL_TEXT(ManualBackupFolder);
  QL_FIELD(BackupCopies, 0, 10000);
  QL_FIELD(PostPartSizeKB, 1, 1024 * 1024);
  QL_TEXT(ExternalBrowser);
  QL_FLAG(PointerEngineOn);
#undef QL_FIELD
#undef QL_COLOR
#undef QL_FLAG
#undef QL_TEXT
}

// One stored value as read, before it is matched with a field.
struct TParsValue {
  uint8_t Kind = 0;
  int64_t Number = 0;
  double Real = 0;
  TStr Text;
  TBrowseFont Font;
};

Kind KindOf(const uint8_t&) { return KindByte; }
Kind KindOf(const int32_t&) { return KindInt; }
Kind KindOf(const uint32_t&) { return KindColor; }
Kind KindOf(const double&) { return KindDouble; }
Kind KindOf(const TStr&) { return KindText; }
Kind KindOf(const TBrowseFont&) { return KindFont; }

void WriteValue(TBufWriter& w, uint8_t v) { w.WriteByte(v); }
void WriteValue(TBufWriter& w, int32_t v) { w.WriteDWord(static_cast<uint32_t>(v)); }
void WriteValue(TBufWriter& w, uint32_t v) { w.WriteDWord(v); }
void WriteValue(TBufWriter& w, double v) { w.WriteDouble(v); }
void WriteValue(TBufWriter& w, const TStr& v) { v.SaveToBufWriter(w); }
void WriteValue(TBufWriter& w, const TBrowseFont& v) {
  v.Name.SaveToBufWriter(w);
  w.WriteWord(static_cast<uint16_t>(v.Size));
  w.WriteByte(v.Style);
  w.WriteDWord(v.Color);
}

bool ReadValue(TBufReader& r, uint8_t kind, TParsValue& v) {
  v.Kind = kind;
  switch (kind) {
    case KindByte: v.Number = r.ReadByte(); return true;
    case KindInt: v.Number = static_cast<int32_t>(r.ReadDWord()); return true;
    case KindColor: v.Number = r.ReadDWord(); return true;
    case KindDouble: v.Real = r.ReadDouble(); return true;
    case KindText: v.Text.LoadFromBufReader(r); return true;
    case KindFont:
      v.Font.Name.LoadFromBufReader(r);
      v.Font.Size = static_cast<int16_t>(r.ReadWord());
      v.Font.Style = r.ReadByte();
      v.Font.Color = r.ReadDWord();
      return true;
    default: return false;  // a kind this program does not know: the rest cannot be read
  }
}

void TakeValue(const TParsValue& v, uint8_t& field) { field = static_cast<uint8_t>(v.Number); }
void TakeValue(const TParsValue& v, int32_t& field) { field = static_cast<int32_t>(v.Number); }
void TakeValue(const TParsValue& v, uint32_t& field) { field = static_cast<uint32_t>(v.Number); }
void TakeValue(const TParsValue& v, double& field) { field = v.Real; }
void TakeValue(const TParsValue& v, TStr& field) { field = v.Text; }
void TakeValue(const TParsValue& v, TBrowseFont& field) { field = v.Font; }

// True when the value is acceptable; fonts and texts by their own rules.
template <class T>
bool InRange(const T& v, double lo, double hi) {
  if constexpr (std::is_same_v<T, double>) return std::isfinite(v) && v >= lo && v <= hi;
  else return static_cast<double>(v) >= lo && static_cast<double>(v) <= hi;
}
bool InRange(const TStr& v, double, double) { return v.Length() <= 4096; }
bool InRange(const TBrowseFont& v, double, double) { return IsValidBrowseFont(v); }

}  // namespace

bool IsValidBrowseFont(const TBrowseFont& v) {
  return !v.Name.IsEmpty() && v.Name.Length() <= 64 && v.Size >= 4 && v.Size <= 96 && v.Style <= 15 &&
         v.Color <= kNoColor;
}

TBrowsePars::TBrowsePars() {
  const char* face = "DejaVu Sans";
  LowerListColor = 0xFFFFFF;
  ServiceRowColor = 0xF0F0F0;
  ServiceRowMarkedCreatingColor = 0xC0E0C0;
  ServiceRowMarkedColor = 0xC0E0FF;
  SelectionFrameColor = 0x0000C0;
  DeletionCrossColor = 0x0000FF;
  MarkNewColor = 0x00C0FF;
  MarkSignificantColor = 0x0000FF;
  MarkArguableColor = 0xFF8000;
  MarkConclusionColor = 0x00A000;
  MarkUsedFormulaColor = 0x808000;
  MarkNoteColor = 0x80FFFF;
  MarkReadColor = 0xC0C0C0;
  MarkFalseColor = 0x404040;
  MarkInterestingColor = 0x00FF00;
  MarkTriteColor = 0xA0A0A0;
  MarkUnreadColor = 0xFFFF00;
  MarkCrossedColor = 0x8080FF;
  MarkUnlinkedColor = 0xFF00FF;
  StorageTypeColors[0] = 0xFFE0C0;
  StorageTypeColors[1] = 0xC0FFC0;
  StorageTypeColors[2] = 0xC0FFFF;
  StorageTypeColors[3] = 0xFFC0FF;
  GradientColor1 = 0xF0E0D0;
  GradientColor2 = 0x906040;
  LevelNumberColor = 0x800000;
  SeparatorLineColor = 0xC0C0C0;
  HoverFontColor = 0x0000FF;
  HoverFontStyle = TBrowseFont::Underline;
  ServiceLineFont = Font(face, 8);
  NameFont = Font(face, 8, TBrowseFont::Bold);
  FolderFont = Font(face, 10, TBrowseFont::Bold);
  BlockTextFont = Font(face, 10);
  BlockReferenceFont = Font(face, 10, TBrowseFont::Underline, 0x800000);
  HeadingTextFont = Font(face, 10, TBrowseFont::Bold);
  HeadingReferenceFont = Font(face, 10, TBrowseFont::Bold | TBrowseFont::Underline, 0x800000);
  IndentPerLevel = 12;
  LevelNumberFlag = 0;
  GradientDepth = 10.0;
  ServiceLineLeftMargin = 4;
  ServiceLineTopMargin = 2;
  GapAfterField = 6;
  GapAfterMarkBox = 4;
  TextLeftMargin = 8;
  TextVerticalMargin = 2;
  ServiceRowHeight = 16;
  NameWidthBase = 6;
  NameWidthStep = 2;
  KindMarkWidth = 11;  // holds " conclusion" of a summary
  AuthorWidth = 12;
  ImportanceWidth = 2;
  NoveltyWidth = 2;
  PossibilityWidth = 6;  // holds "A100%"
  CommentedStateWidth = 2;
  ReaderMarkWidth = 8;
  ReaderPossibilityWidth = 4;
  ThemesWidth = 12;
  DateWidth = 10;
  UpperPanelColor = 0xE0FFFF;
  MarkedColor = 0x0000FF;
  UpperHeadingTextFont = Font(face, 12, TBrowseFont::Bold);
  UpperHeadingReferenceFont = Font(face, 12, TBrowseFont::Bold | TBrowseFont::Underline, 0x800000);
  UpperTextFont = Font(face, 11);
  UpperReferenceFont = Font(face, 11, TBrowseFont::Underline, 0x800000);
  UpperIndent = 8;
  UpperTopMargin = 6;
  TextWidthPercent = 100;
  SplitDragStep = 5;
  MenuFont = Font(face, 9);
  ToolBarCreatingColor = 0xC0E0C0;
  ToolBarColor = 0xE0E0E0;
  GraphPanelColor = 0xFFFFFF;
  GraphBackgroundColor = 0xFFFFFF;
  GraphPlainNodeColor = 0xFFFFFF;
  GraphNodeFrameColor = 0x000000;
  GraphLinkColor = 0x808080;
  GraphLinkWidth = 1;
  ListHeaderColor = 0xC0C0C0;
  ListHeaderLineColor = 0x808080;
  ListHeaderFont = Font(face, 9, TBrowseFont::Bold);
  ListHeaderMarginH = 4;
  ListHeaderMarginV = 2;
  SelectedRowColor = 0xFFE0C0;
  RowColor = 0xFFFFFF;
  RowFont = Font(face, 9);
  HighlightRowFont = Font(face, 9, TBrowseFont::Bold, 0x800000);
  RowMarginH = 4;
  RowMarginV = 2;
  AutoSave = 1;
  AutoSaveMinutes = 5;
  AutoBackup = 0;
  BackupCopies = 10;
  PostPartSizeKB = 512;
  PointerEngineOn = 0;
}

std::string TBrowsePars::DefaultPath() { return platform::DataRoot() + "/BrowsePars.cbs"; }

bool TBrowsePars::Load(const std::string& path) {
  std::string data;
  if (!ReadWholeFile(path, data)) return true;
  bool damaged = data.size() < sizeof kMagic || std::memcmp(data.data(), kMagic, sizeof kMagic) != 0;
  std::map<std::string, TParsValue, std::less<>> values;
  if (!damaged) {
    // Read by hand: a damaged settings file is no error of the program, only a loss of
    // some values, so nothing here may reach the error state.
    const std::string_view body = std::string_view(data).substr(sizeof kMagic);
    size_t pos = 0;
    auto need = [&](size_t n) { return body.size() - pos >= n; };
    auto u8 = [&] { return static_cast<uint8_t>(body[pos++]); };
    auto u16 = [&] {
      uint16_t v = static_cast<uint16_t>(static_cast<uint8_t>(body[pos]) | static_cast<uint8_t>(body[pos + 1]) << 8);
      pos += 2;
      return v;
    };
    uint32_t count = 0;
    if (!need(4)) damaged = true;
    else {
      std::memcpy(&count, body.data(), 4);
      pos = 4;
      if (count > kMaxValues) damaged = true;
    }
    for (uint32_t i = 0; i < count && !damaged; ++i) {
      if (!need(2)) { damaged = true; break; }
      const uint16_t nameLength = u16();
      if (!need(nameLength + 1u)) { damaged = true; break; }
      std::string name(body.substr(pos, nameLength));
      pos += nameLength;
      const uint8_t kind = u8();
      // The value's length in front lets a reader skip what it cannot use.
      if (!need(4)) { damaged = true; break; }
      uint32_t length = 0;
      std::memcpy(&length, body.data() + pos, 4);
      pos += 4;
      if (!need(length)) { damaged = true; break; }
      const std::string_view bytes = body.substr(pos, length);
      pos += length;
      TBufReader r(bytes);
      TParsValue v;
      if (!ReadValue(r, kind, v)) continue;
      if (r.Position() != length) continue;
      values[name] = std::move(v);
    }
  }
  const TBrowsePars defaults;
  VisitFields(*this, defaults, [&](const char* name, auto& field, const auto&, double, double) {
    auto it = values.find(name);
    if (it != values.end() && it->second.Kind == KindOf(field)) TakeValue(it->second, field);
  });
  if (TShellRegistry::ValueExists("ExternalInternetExplorer"))
    ExternalBrowser = TShellRegistry::ReadString("ExternalInternetExplorer");
  Validate();
  return !damaged;
}

bool TBrowsePars::Save(const std::string& path) const {
  std::string data(kMagic, sizeof kMagic);
  {
    uint32_t count = 0;
    VisitFields(*this, *this, [&](const char*, const auto&, const auto&, double, double) { ++count; });
    TBufWriter w(data);
    w.WriteDWord(count);
    VisitFields(*this, *this, [&](const char* name, const auto& field, const auto&, double, double) {
      w.WriteWord(static_cast<uint16_t>(std::strlen(name)));
      w.WriteAnsiString(name);
      w.WriteByte(KindOf(field));
      std::string value;
      {
        TBufWriter vw(value);
        WriteValue(vw, field);
      }
      w.WriteDWord(static_cast<uint32_t>(value.size()));
      w.WriteAnsiString(value);
    });
  }
  if (!ReplaceFileContents(path, data, false, "TBrowsePars::Save")) return false;
  return TShellRegistry::WriteString("ExternalInternetExplorer", ExternalBrowser.ToString());
}

int TBrowsePars::Validate() {
  const TBrowsePars defaults;
  int changed = 0;
  VisitFields(*this, defaults, [&](const char*, auto& field, const auto& fallback, double lo, double hi) {
    if (!InRange(field, lo, hi)) {
      field = fallback;
      ++changed;
    }
  });
  return changed;
}

bool TBrowsePars::operator==(const TBrowsePars& other) const {
  bool same = true;
  VisitFields(*this, other, [&](const char*, const auto& a, const auto& b, double, double) {
    if constexpr (std::is_same_v<std::decay_t<decltype(a)>, double>) same = same && std::memcmp(&a, &b, sizeof a) == 0;
    else same = same && a == b;
  });
  return same;
}

std::vector<TBrowseParsField> TBrowsePars::Fields() {
  std::vector<TBrowseParsField> fields;
  VisitFields(*this, *this, [&](const char* name, auto& field, const auto&, double lo, double hi) {
    fields.push_back(TBrowseParsField{name, &field, lo, hi});
  });
  return fields;
}
