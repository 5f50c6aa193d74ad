#include "foundation/Browsefont.h"

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
