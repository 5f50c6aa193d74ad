#include "browse/Paintsettings.h"

#include "foundation/Tbrowsepars.h"
#include "platform/forms/Tgraphicsobject.h"

void AssignBrowseFont(TFont& font, const TBrowseFont& record) {
  if (!record.Name.IsEmpty()) font.SetName(record.Name.ToString());
  font.SetSize(record.Size);
  TFontStyles style;
  if (record.Style & TBrowseFont::Bold) style.Include(fsBold);
  if (record.Style & TBrowseFont::Italic) style.Include(fsItalic);
  if (record.Style & TBrowseFont::Underline) style.Include(fsUnderline);
  if (record.Style & TBrowseFont::StrikeOut) style.Include(fsStrikeOut);
  font.SetStyle(style);
  font.SetColor(TColor(record.Color & 0xFFFFFF));
}

TRetrievalColors RetrievalColorsOf(const TBrowsePars& settings) {
  TRetrievalColors colors;
  colors.False = settings.MarkFalseColor;
  colors.Interesting = settings.MarkInterestingColor;
  colors.Trite = settings.MarkTriteColor;
  colors.Significant = settings.MarkSignificantColor;
  colors.New = settings.MarkNewColor;
  colors.Arguable = settings.MarkArguableColor;
  colors.Conclusion = settings.MarkConclusionColor;
  colors.Unread = settings.MarkUnreadColor;
  colors.Crossed = settings.MarkCrossedColor;
  colors.Unlinked = settings.MarkUnlinkedColor;
  colors.Plain = 0xFFFFFF;
  for (int i = 0; i < 4; ++i) colors.Storage[i] = settings.StorageTypeColors[i];
  return colors;
}
