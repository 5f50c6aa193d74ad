#pragma once
// The browser's settings: colours, fonts, margins and field widths of the browse
// windows, the receivers grid of the post office, automatic saving and backups, the
// post part size, the external browser and the pointer-engine switch.
//
// Stored in the data root as a list of named values, so that a value the program no
// longer knows is skipped and a missing one keeps its default. Loading validates every
// value: a width, step or size that could divide by zero or never end a loop falls back
// to its default.

#include "foundation/Tstr.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// A font as the settings keep it; the windows make their fonts from it.
struct TBrowseFont {
  enum : uint8_t { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };
  TStr Name;
  int16_t Size = 10;        // points
  uint8_t Style = 0;        // the bits above
  uint32_t Color = 0;       // 0x00BBGGRR
  bool operator==(const TBrowseFont&) const = default;
};

struct TBrowsePars;

// One stored value of a settings object, as the settings dialog reaches it: its stored
// name, the field itself and the range a number or colour must keep (colours are
// 0..0xFFFFFF, flags 0..1; texts and fonts are checked by their own rules).
struct TBrowseParsField {
  const char* Name;
  std::variant<uint8_t*, int32_t*, uint32_t*, double*, TStr*, TBrowseFont*> Field;
  double Lowest, Highest;
};

// Whether a font may be kept: a face name, a size of 4 to 96 points, known style bits.
bool IsValidBrowseFont(const TBrowseFont& font);

struct TBrowsePars {
  TBrowsePars();  // the defaults

  // The lower list.
  uint32_t LowerListColor;
  uint32_t ServiceRowColor;
  uint32_t ServiceRowMarkedCreatingColor;  // marked, in a discussion in creating mode
  uint32_t ServiceRowMarkedColor;          // marked, in another discussion
  uint32_t SelectionFrameColor;
  uint32_t DeletionCrossColor;
  uint32_t MarkNewColor;
  uint32_t MarkSignificantColor;
  uint32_t MarkArguableColor;
  uint32_t MarkConclusionColor;
  uint32_t MarkUsedFormulaColor;
  uint32_t MarkNoteColor;
  uint32_t MarkReadColor;
  uint32_t MarkFalseColor;
  uint32_t MarkInterestingColor;
  uint32_t MarkTriteColor;
  uint32_t MarkUnreadColor;
  uint32_t MarkCrossedColor;
  uint32_t MarkUnlinkedColor;
  uint32_t StorageTypeColors[4];  // model blocks, comments, notes, moderated comments
  uint32_t GradientColor1;
  uint32_t GradientColor2;
  uint32_t LevelNumberColor;
  uint32_t SeparatorLineColor;
  uint32_t HoverFontColor;
  uint8_t HoverFontStyle;
  TBrowseFont ServiceLineFont;
  TBrowseFont NameFont;
  TBrowseFont FolderFont;
  TBrowseFont BlockTextFont;
  TBrowseFont BlockReferenceFont;
  TBrowseFont HeadingTextFont;
  TBrowseFont HeadingReferenceFont;
  int32_t IndentPerLevel;
  uint8_t LevelNumberFlag;  // 1: the level as a number instead of gradient bands
  double GradientDepth;     // the level at which the gradient reaches its second colour
  int32_t ServiceLineLeftMargin;
  int32_t ServiceLineTopMargin;
  int32_t GapAfterField;
  int32_t GapAfterMarkBox;
  int32_t TextLeftMargin;
  int32_t TextVerticalMargin;
  int32_t ServiceRowHeight;
  // Field widths in widths of the letter "A" of the service-line font.
  int32_t NameWidthBase;
  int32_t NameWidthStep;  // growth of the name field per level; 0 keeps it fixed
  int32_t KindMarkWidth;
  int32_t AuthorWidth;
  int32_t ImportanceWidth;
  int32_t NoveltyWidth;
  int32_t PossibilityWidth;
  int32_t CommentedStateWidth;
  int32_t ReaderMarkWidth;
  int32_t ReaderPossibilityWidth;
  int32_t ThemesWidth;
  int32_t DateWidth;

  // The upper panel, the window and the menus.
  uint32_t UpperPanelColor;
  uint32_t MarkedColor;  // the cross over a block marked for deletion
  TBrowseFont UpperHeadingTextFont;       // the first font pair: titles and headings
  TBrowseFont UpperHeadingReferenceFont;
  TBrowseFont UpperTextFont;              // the second pair: every other block
  TBrowseFont UpperReferenceFont;
  int32_t UpperIndent;
  int32_t UpperTopMargin;
  int32_t TextWidthPercent;  // widest text as a percentage of the screen width
  int32_t SplitDragStep;     // hundredths of a second between steps of the split drag
  TBrowseFont MenuFont;
  uint32_t ToolBarCreatingColor;
  uint32_t ToolBarColor;

  // The graph.
  uint32_t GraphPanelColor;
  uint32_t GraphBackgroundColor;
  uint32_t GraphPlainNodeColor;
  uint32_t GraphNodeFrameColor;
  uint32_t GraphLinkColor;
  int32_t GraphLinkWidth;

  // The receivers grid and the post office's lists.
  uint32_t ListHeaderColor;
  uint32_t ListHeaderLineColor;
  TBrowseFont ListHeaderFont;
  int32_t ListHeaderMarginH;
  int32_t ListHeaderMarginV;
  uint32_t SelectedRowColor;
  uint32_t RowColor;
  TBrowseFont RowFont;
  TBrowseFont HighlightRowFont;  // mail-service robots
  int32_t RowMarginH;
  int32_t RowMarginV;

  // Saving, backups, post, outside programs.
  uint8_t AutoSave;
  int32_t AutoSaveMinutes;
  uint8_t AutoBackup;
  TStr AutoBackupFolder;
  TStr ManualBackupFolder;
  int32_t BackupCopies;    // backups kept per discussion, 0 = no limit
  int32_t PostPartSizeKB;  // largest post part, kilobytes
  TStr ExternalBrowser;    // the program that opens addresses; also the registry value
  uint8_t PointerEngineOn;

  // The file of the settings: "BrowsePars.cbs" in the data root.
  static std::string DefaultPath();
  // Loads the settings; a missing or unreadable file leaves the defaults. Every value
  // is validated. False when the file was there but damaged (the defaults were kept for
  // what could not be read).
  bool Load(const std::string& path);
  // Writes the settings (temporary file and rename) and the registry value of the
  // external browser. False when reported.
  bool Save(const std::string& path) const;
  // Puts every value that is out of its range back to its default; the number of values
  // that were changed.
  int Validate();

  bool operator==(const TBrowsePars& other) const;

  // Every stored value of this object, in the stored order (colours are the uint32_t ones).
  std::vector<TBrowseParsField> Fields();
};
