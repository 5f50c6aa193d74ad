#include "browse/Lowerlistpainter.h"

#include "browse/Lowerlistcollectors.h"
#include "browse/Paintsettings.h"
#include "browse/Servicerowtexts.h"
#include "browse/Tbrowse.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Terror.h"
#include "foundation/Textroutines.h"
#include "model/Modelhooks.h"
#include "model/Tdiscblock.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "model/Themeoperations.h"
#include "model/Treaderproperty.h"
#include "platform/forms/Tcanvas.h"
#include "platform/rtl/Strutil.h"

#include <algorithm>
#include <cmath>

const TBrowsePars& BrowseParsOrDefaults(const TBrowsePars* settings) {
  static const TBrowsePars defaults;
  return settings ? *settings : defaults;
}

namespace {

TColor ColorOf(uint32_t color) { return TColor(color & 0xFFFFFF); }

// The first line of a text: up to its first CR LF.
std::string FirstLine(const std::string& text) {
  const std::string line = text + " ";
  return line.substr(0, line.find("\r\n"));
}

}  // namespace

TLowerListPainter::TLowerListPainter(TBrowse& browse, TCanvas& canvas)
    : Discussion(browse.GetDiscussion()), fBrowse(browse), fCanvas(canvas), fPars(BrowseParsOrDefaults(browse.Settings)) {}

void TLowerListPainter::UseFont(const TBrowseFont& font) { UseFont(font, ColorOf(font.Color)); }

void TLowerListPainter::UseFont(const TBrowseFont& font, TColor color) {
  AssignBrowseFont(fFont, font);
  fFont.SetColor(color);
  fCanvas.SetFont(&fFont);
}

namespace {

// A text wider than its field ends with an ellipsis rather than being cut silently; a field
// too narrow for one letter and the dots shows the letters that fit whole ("arguable" in
// the room of two letters is "ar", never a half letter that reads as another).
std::string FittedText(TCanvas& canvas, const std::string& text, int width) {
  const std::string inked = text.substr(0, text.find_last_not_of(' ') + 1);  // trailing blanks show nothing
  if (canvas.TextWidth(inked) <= width) return text;
  size_t keep = inked.size();
  while (keep > 0 && canvas.TextWidth(inked.substr(0, keep) + "...") > width) --keep;
  if (keep > 0) return inked.substr(0, keep) + "...";
  keep = inked.size();
  while (keep > 0 && canvas.TextWidth(inked.substr(0, keep)) > width) --keep;
  return inked.substr(0, keep);
}

}  // namespace

void TLowerListPainter::DrawField(int& x, int y, const std::string& text, int width, int gap) {
  const RECT clip{x, y, x + width, y + fCanvas.TextHeight(text) + 1};
  fCanvas.TextRect(clip, x, y, FittedText(fCanvas, text, width));
  x += width + gap;
}

void TLowerListPainter::DrawLevel(int level, const RECT& rect, bool withNumber) {
  if (level <= 0) return;
  if (withNumber && fPars.LevelNumberFlag) {
    const TColor keep = fCanvas.Font()->Color();
    fCanvas.Font()->SetColor(ColorOf(fPars.LevelNumberColor));
    fCanvas.TextOut(rect.left, rect.top, std::to_string(level));
    fCanvas.Font()->SetColor(keep);
    return;
  }
  const TColor background = fCanvas.Brush()->Color();
  const double depth = fPars.GradientDepth > 0 ? fPars.GradientDepth : 1.0;
  for (int i = 1; i <= level; ++i) {
    const double step = i <= depth ? double(i) : std::trunc(depth);
    fCanvas.Brush()->SetColor(ColorOf(uint32_t(MixColors(int32_t(fPars.GradientColor1), int32_t(fPars.GradientColor2),
                                                         step / depth))));
    fCanvas.FillRect(RECT{rect.left + fPars.IndentPerLevel * (i - 1), rect.top, rect.left + fPars.IndentPerLevel * i,
                          rect.bottom});
  }
  fCanvas.Brush()->SetColor(background);
}

void TLowerListPainter::DrawMarkBox(int& x, int y, bool holds, uint32_t color, uint32_t background) {
  const SIZE box = fCanvas.TextExtent("  ");
  fCanvas.Brush()->SetColor(ColorOf(holds ? color : background));
  fCanvas.FillRect(RECT{x, y, x + box.cx, y + box.cy});
  fCanvas.Brush()->SetColor(ColorOf(background));
  x += box.cx + fPars.GapAfterMarkBox;
}

int TLowerListPainter::ServiceRow(const TBrowseItem& item, const RECT& rect, int row) {
  int height = 0;
  switch (item.Kind()) {
    case BrowseItem_Block: height = BlockServiceRow(item, rect, row); break;
    case BrowseItem_Folder: height = FolderServiceRow(item, rect, row); break;
    case BrowseItem_Author: height = AuthorServiceRow(item, rect, row); break;
    default:
      TError::Report("TBrowse::ServeLinePaint - тип элемента просмотра не отрисовывается");
      return 0;
  }
  if (IsErrorReported()) return height;
  if (row == fBrowse.CurrentBrowseState.SelectedRow) {
    // The selection: a dotted frame along the row's edges.
    const int bottom = rect.top + (height > 0 ? height : fBrowse.LowerList.ServiceRowHeight());
    fCanvas.Pen()->SetColor(ColorOf(fPars.SelectionFrameColor));
    fCanvas.Pen()->SetStyle(psDot);
    fCanvas.Brush()->SetStyle(bsClear);
    fCanvas.Polyline({{rect.left, rect.top},
                      {rect.right - 1, rect.top},
                      {rect.right - 1, bottom - 1},
                      {rect.left, bottom - 1},
                      {rect.left, rect.top}});
    fCanvas.Pen()->SetStyle(psSolid);
    fCanvas.Brush()->SetStyle(bsSolid);
  }
  return height;
}

int TLowerListPainter::BlockServiceRow(const TBrowseItem& item, const RECT& rect, int row) {
  TBrowseState& state = fBrowse.CurrentBrowseState;
  fBrowse.HitAreas.RemoveOwner(row);
  const uint32_t background =
      item.Marked ? (state.Creating ? fPars.ServiceRowMarkedCreatingColor : fPars.ServiceRowMarkedColor)
                  : fPars.ServiceRowColor;
  fCanvas.Brush()->SetStyle(bsSolid);
  fCanvas.Brush()->SetColor(ColorOf(background));
  fCanvas.FillRect(rect);
  UseFont(fPars.ServiceLineFont);
  DrawLevel(item.Level, rect, true);

  TDiscussion* discussion = Discussion;
  const TDiscBlockIndex index = item.GetDiscBlockIndex();
  if (!discussion || !discussion->Storages.IsValidIndex(index)) return 0;
  const TDiscBlock& block = *discussion->Storages.GetDiscBlock(index);

  int x = rect.left + item.Level * fPars.IndentPerLevel + fPars.ServiceLineLeftMargin;
  const int y = rect.top + fPars.ServiceLineTopMargin;
  const int wA = fCanvas.TextWidth("A");
  // Texts are readable only on the selected row and on the row under the pointer.
  const bool hovered = row == fBrowse.Hover.Row;
  const bool shown = hovered || row == state.SelectedRow;
  const TColor text = shown ? ColorOf(fPars.ServiceLineFont.Color) : ColorOf(background);

  UseFont(fPars.NameFont, hovered ? ColorOf(fPars.NameFont.Color) : text);
  const std::string name = block.GetBlockName(*discussion).ToString();
  const int nameWidth = fCanvas.TextWidth(name);
  int width = fPars.NameWidthBase * wA;
  // A step of 0 keeps the field at its base width (the name is cut).
  if (fPars.NameWidthStep > 0)
    while (width < nameWidth) width += fPars.NameWidthStep * wA;
  DrawField(x, y, name, width, fPars.GapAfterField);

  UseFont(fPars.ServiceLineFont, text);
  const int gap = fPars.GapAfterField;
  const bool note = block.StorageType == StorageType_Notes;
  const bool selectedFormula = block.IsUserSelectedFormula(*discussion);
  const int propertyIndex = note ? -1 : discussion->ReaderProperties.Find(block.GetDiscBlockCode());
  const TReaderProperty* property =
      propertyIndex >= 0 ? &discussion->ReaderProperties.Items[uint32_t(propertyIndex)] : nullptr;

  // 1: kind of the block.
  const bool conclusion = block.TextType == TextType_Conclusion;
  const bool usedMark = !conclusion && !discussion->IsCreating() && selectedFormula;
  DrawMarkBox(x, y, conclusion || usedMark, conclusion ? fPars.MarkConclusionColor : fPars.MarkUsedFormulaColor,
              background);
  DrawField(x, y, conclusion ? "conclusion" : selectedFormula ? "used" : "", fPars.KindMarkWidth * wA, gap);
  // 2: the author of a comment.
  DrawField(x, y, GetAuthorText(block, *discussion), fPars.AuthorWidth * wA, gap);
  // 3 and 4: importance and novelty.
  DrawMarkBox(x, y, block.Importance == 1, fPars.MarkSignificantColor, background);
  DrawField(x, y, GetImportanceText(block.Importance), fPars.ImportanceWidth * wA, gap);
  DrawMarkBox(x, y, block.Novelty == 1, fPars.MarkNewColor, background);
  DrawField(x, y, GetNoveltyText(block.Novelty), fPars.NoveltyWidth * wA, gap);
  // 5: possibility.
  DrawField(x, y, GetPossibilityText(block), fPars.PossibilityWidth * wA, gap);
  // 6: something hangs under it.
  const int commented = block.GetCommentedState(*discussion, index);
  DrawMarkBox(x, y, commented == 1, fPars.MarkArguableColor, background);
  DrawField(x, y, GetCommentedStateText(commented), fPars.CommentedStateWidth * wA, gap);
  // 7 and 8: the reader's marks.
  uint32_t markColor = 0;
  std::string markText, readerPossibility;
  if (note) {
    markColor = fPars.MarkNoteColor;
    markText = block.Posted ? "posted" : "note";
  } else if (property) {
    if (property->Mark != Mark_None) {
      markColor = property->GetMarkColor(TMarkColors{fPars.MarkInterestingColor, fPars.MarkFalseColor,
                                                     fPars.MarkTriteColor});
      markText = property->GetMarkText().ToString();
    } else if (property->Read) {
      markColor = fPars.MarkReadColor;
      markText = "read";
    }
    readerPossibility = GetReaderPossibilityText(*property);
  }
  const bool marked = note || (property && (property->Mark != Mark_None || property->Read));
  DrawMarkBox(x, y, marked, markColor, background);
  DrawField(x, y, markText, fPars.ReaderMarkWidth * wA, gap);
  DrawField(x, y, readerPossibility, fPars.ReaderPossibilityWidth * wA, gap);
  // 9 and 10: themes and date.
  DrawField(x, y, GetBlockThemeNames(discussion->Themes, block.GetDiscBlockCode(), 10), fPars.ThemesWidth * wA, gap);
  DrawField(x, y, Trim(GetShortDateText(block)), fPars.DateWidth * wA, gap);

  if (block.UnlinkedIndex != NoUnlinkedBlockInfo) {
    fCanvas.TextOut(x, y, "unlinked");
    x += fCanvas.TextWidth("unlinked") + gap;
  }
  if (item.Moderation && discussion->Storages.IsValidIndex(block.Upper)) {
    const std::string upper = " " + discussion->Storages.GetDiscBlock(block.Upper)->GetBlockName(*discussion).ToString();
    fCanvas.TextOut(rect.right - fCanvas.TextWidth(upper), y, upper);
  }
  return 0;
}

int TLowerListPainter::FolderServiceRow(const TBrowseItem& item, const RECT& rect, int row) {
  TDiscussionsManager* manager = DiscussionsManager();
  if (!manager) return 0;
  const int x = rect.left + fPars.ServiceLineLeftMargin;
  int y = rect.top + fPars.ServiceLineTopMargin;
  const bool hovered = row == fBrowse.Hover.Row;
  const int index = manager->FindDiscussionByFolder(item.Ident.Folder);
  TDiscussion* discussion = index >= 0 ? &manager->GetDiscussion(index) : nullptr;
  if (discussion && !discussion->Load(true)) return 0;
  const TBrowseFont& font = discussion ? fPars.BlockTextFont : fPars.FolderFont;
  if (hovered && !discussion) {
    TBrowseFont hover = font;
    hover.Style = fPars.HoverFontStyle;
    UseFont(hover, ColorOf(fPars.HoverFontColor));
  } else {
    UseFont(font);
  }
  fCanvas.Brush()->SetStyle(bsClear);

  std::string line = manager->GetFolderPath(item.Ident.Folder).ToString();
  if (discussion && item.Moderation) {
    std::string statistics;
    const TModerationSources sources = DefaultModerationSources();
    const std::string dident = discussion->Info.DIdent.ToString();
    int32_t trustworthy = 0, doubtful = 0;
    if (sources.GetModeratedCommentsCount &&
        sources.GetModeratedCommentsCount(dident, trustworthy, doubtful) == ModerationCall_Done &&
        (trustworthy != 0 || doubtful != 0))
      statistics = "Trustworthy " + std::to_string(trustworthy) + " blocks, Doubtful " + std::to_string(doubtful) +
                   " blocks";
    if (sources.NewBlocksInInbox && sources.NewBlocksInInbox(dident))
      statistics += std::string(statistics.empty() ? "" : "; ") + "new blocks in Inbox";
    if (!statistics.empty()) line += "   (" + statistics + ")";
  }
  fCanvas.TextOut(x, y, line);
  y += fCanvas.TextHeight(line) + 1;

  if (discussion) {
    if (hovered) {
      TBrowseFont hover = font;
      hover.Style = fPars.HoverFontStyle;
      UseFont(hover, ColorOf(fPars.HoverFontColor));
    }
    const std::string name = FirstLine(discussion->GetName().ToString());
    fCanvas.TextOut(x, y, name);
    y += fCanvas.TextHeight(name) + 1;
  }
  if (item.Separator) {
    fCanvas.Pen()->SetStyle(psSolid);
    fCanvas.Pen()->SetColor(ColorOf(fPars.SeparatorLineColor));
    fCanvas.MoveTo(rect.left, y);
    fCanvas.LineTo(rect.right, y);
    y += 1;
  }
  fCanvas.Brush()->SetStyle(bsSolid);
  return y - rect.top;
}

int TLowerListPainter::AuthorServiceRow(const TBrowseItem& item, const RECT& rect, int row) {
  TDiscussion* discussion = Discussion;
  if (!discussion) return 0;
  const int author = discussion->Authors.FindAuthorByADIdent(*discussion, item.Ident.ADIdent, true);
  if (IsErrorReported() || author < 0) return 0;
  const TAuthor& record = discussion->Authors.Author(author);
  const int x = rect.left + fPars.ServiceLineLeftMargin;
  int y = rect.top + fPars.ServiceLineTopMargin;
  fCanvas.Brush()->SetStyle(bsClear);
  if (item.Moderation) {
    UseFont(fPars.ServiceLineFont);
    const std::string organisation = record.Organisation.ToString() + " ";
    fCanvas.TextOut(x, y, organisation);
    y += fCanvas.TextHeight(organisation) + 1;
  }
  UseFont(row == fBrowse.Hover.Row ? fPars.NameFont : fPars.ServiceLineFont);
  std::string line;
  if (item.Moderation) {
    int type = ModerateType_Undefined;
    if (AuthorModerateType(*discussion, item.Ident.ADIdent, type) != ModerationCall_Done) type = ModerateType_Undefined;
    line = "[" + std::to_string(item.Ident.ADIdent) + "]  " + discussion->Authors.GetShownName(author) + " (" +
           GetModerateTypeText(type) + ")";
  } else {
    line = " " + discussion->Authors.GetShownName(author);
  }
  fCanvas.TextOut(x, y, line);
  y += fCanvas.TextHeight(line) + 1;
  fCanvas.Brush()->SetStyle(bsSolid);
  return y - rect.top;
}

int TLowerListPainter::BlockLines(int row, const TBrowseItem& item, const RECT& rect, int mode) {
  TDiscussion* discussion = Discussion;
  const TDiscBlockIndex index = item.GetDiscBlockIndex();
  if (!discussion) return -1;
  if (index.StorageType > StorageType_ModeratedComments) {
    TError::Report("TBrowse::FirstSecondLinesPaint - неизвестный тип блока дискуссии");
    return -1;
  }
  const TStrHashItem* texts = fBrowse.GetStrHashItem(item, discussion);
  if (!texts || IsErrorReported()) return -1;
  const TDiscBlock& block = *discussion->Storages.GetDiscBlock(index);

  fCanvas.Brush()->SetStyle(bsSolid);
  fCanvas.Brush()->SetColor(ColorOf(block.GetStorageTypeColor(RetrievalColorsOf(fPars))));
  fCanvas.FillRect(rect);
  DrawLevel(item.Level, rect, false);

  const bool heading = block.TextType == TextType_Heading;
  const bool full = item.DisplayMode == DisplayMode_Full;
  std::string text = texts->Str.Text.ToString();
  // The root's text is the discussion's name, as the upper panel shows it (History lists it).
  if (text.empty() && index == discussion->Storages.GetRootBlockIndex()) text = discussion->GetName().ToString();
  std::string link = texts->Str.URL.ToString();
  // In full display the link belongs to the text row.
  if (!full || (mode == 1 && !heading)) link.clear();
  const std::string formula = texts->Str.FormulaText.ToString();
  if (!formula.empty()) text = "<" + block.GetLinkText(*discussion).ToString() + "> = " + formula + "\r\n" + text;
  const bool compact = !full && !formula.empty();

  const int indent = item.Level * fPars.IndentPerLevel + fPars.TextLeftMargin;
  const int owner = row == -2 ? HyperRefOwner_None : row;
  TFont textFont, referenceFont;
  int height = 0;
  if (heading) {
    if (mode == 1) {
      AssignBrowseFont(textFont, fPars.HeadingTextFont);
      AssignBrowseFont(referenceFont, fPars.HeadingReferenceFont);
      height = fBrowse.DrawBlockText(index, owner, fCanvas, &textFont, &referenceFont, rect, text, link, indent,
                                     fPars.TextVerticalMargin, full ? 0 : 1, false);
    }
  } else if (block.TextType >= TextType_Premise && block.TextType <= TextType_Formula) {
    AssignBrowseFont(textFont, fPars.BlockTextFont);
    AssignBrowseFont(referenceFont, fPars.BlockReferenceFont);
    height = fBrowse.DrawBlockText(index, owner, fCanvas, &textFont, &referenceFont, rect, text, link, indent,
                                   fPars.TextVerticalMargin, mode, compact);
  } else {
    TError::Report("TBrowse::FirstSecondLinesPaint - неизвестный тип блока дискуссии");
    return -1;
  }
  if (block.DeleteFlag == DeleteFlag_Crossed) {
    const int left = rect.left + item.Level * fPars.IndentPerLevel;
    fCanvas.Pen()->SetStyle(psSolid);
    fCanvas.Pen()->SetColor(ColorOf(fPars.DeletionCrossColor));
    fCanvas.MoveTo(left, rect.top);
    fCanvas.LineTo(rect.right - 1, rect.bottom - 1);
    fCanvas.MoveTo(left, rect.bottom - 1);
    fCanvas.LineTo(rect.right - 1, rect.top);
  }
  return height != 0 ? fPars.TextVerticalMargin + height : -1;
}
