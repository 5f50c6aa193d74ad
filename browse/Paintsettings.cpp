#include "browse/Paintsettings.h"

#include "foundation/Tbrowsepars.h"
#include "platform/forms/Tgraphicsobject.h"

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
