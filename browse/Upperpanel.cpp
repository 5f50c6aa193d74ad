// The upper panel of a browse window: the current item drawn in full (a block's text with
// its references and link, the discussion's title for the root block, an author's name),
// the panel sized to the text, and the presses on it.

#include "browse/Commandcodes.h"
#include "browse/Lowerlistpainter.h"
#include "browse/Paintsettings.h"
#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "model/Tdiscblock.h"
#include "model/Tdiscussion.h"
#include "platform/forms/Tcanvas.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/forms/Tpanel.h"

void TBrowse::DrawUpperBrowseItem() {
  if (!Form) return;
  TPaintBox* box = Form->PaintBoxUpperBlock;
  TCanvas& canvas = *box->Canvas();
  const TBrowsePars& pars = BrowseParsOrDefaults(Settings);
  const int width = box->Width(), height = box->Height();
  canvas.Brush()->SetStyle(bsSolid);
  canvas.Brush()->SetColor(TColor(pars.UpperPanelColor & 0xFFFFFF));
  canvas.FillRect(RECT{0, 0, width, height});

  const TBrowseItem& item = CurrentBrowseState.CurrentItem;
  TDiscussion* discussion = GetDiscussion();
  TFont textFont, referenceFont;
  // A title or a heading in the first pair of fonts, other texts in the second.
  auto drawText = [&](TDiscBlockIndex block, const std::string& text, const std::string& link, bool firstPair) {
    AssignBrowseFont(textFont, firstPair ? pars.UpperHeadingTextFont : pars.UpperTextFont);
    AssignBrowseFont(referenceFont, firstPair ? pars.UpperHeadingReferenceFont : pars.UpperReferenceFont);
    const int used = DrawBlockText(block, HyperRefOwner_Upper, canvas, &textFont, &referenceFont,
                                   RECT{0, 0, width, height}, text, link, pars.UpperIndent, pars.UpperTopMargin,
                                   0, false);
    if (used > 0) Form->PanelUpperBlockPaintBox->SetHeight(int(used + 1.5 * pars.UpperTopMargin));
  };

  switch (item.Kind()) {
    case BrowseItem_None:
    case BrowseItem_Folder:
      // Nothing is shown: no reference of an earlier item may be found here any more.
      if (HitAreas.Recording()) HitAreas.RemoveOwner(HyperRefOwner_Upper);
      return;
    case BrowseItem_Block: {
      const TDiscBlockIndex index = item.GetDiscBlockIndex();
      if (!discussion || index.IsEmpty()) return;
      if (index.StorageType < StorageType_Model || index.StorageType > StorageType_ModeratedComments) {
        TError::Report("TBrowse::DrawUpperBrowseItem - неизвестный тип блока дискуссии");
        return;
      }
      if (index == discussion->Storages.GetRootBlockIndex()) {
        drawText(index, discussion->GetName().ToString(), "", true);
        return;
      }
      const TStrHashItem* texts = GetStrHashItem(item);
      if (!texts || IsErrorReported()) return;
      const TDiscBlock& block = *discussion->Storages.GetDiscBlock(index);
      const std::string link = texts->Str.URL.ToString();
      switch (block.TextType) {
        case TextType_Heading: drawText(index, texts->Str.Text.ToString(), link, true); break;
        case TextType_Premise:
        case TextType_Conclusion:
        case TextType_Formula: {
          const std::string formula = texts->Str.FormulaText.ToString();
          std::string text = texts->Str.Text.ToString();
          if (!formula.empty())
            text = "<" + block.GetLinkText(*discussion).ToString() + "> = " + formula + "\r\n" + text;
          drawText(index, text, link, false);
          break;
        }
        default:
          TError::Report("TBrowse::DrawUpperBrowseItem - неизвестный тип текста блока дискуссии");
          return;
      }
      if (block.DeleteFlag == DeleteFlag_Crossed) {
        canvas.Pen()->SetStyle(psSolid);
        canvas.Pen()->SetColor(TColor(pars.MarkedColor & 0xFFFFFF));
        canvas.MoveTo(0, 0);
        canvas.LineTo(width - 1, height - 1);
        canvas.MoveTo(0, height - 1);
        canvas.LineTo(width - 1, 0);
      }
      return;
    }
    case BrowseItem_Author: {
      if (!discussion) return;
      const int author = discussion->Authors.FindAuthorByADIdent(*discussion, item.Ident.ADIdent, true);
      if (IsErrorReported() || author < 0) return;
      drawText(TDiscBlockIndex{}, discussion->Authors.GetShownName(author), "", true);
      return;
    }
    default: TError::Report("TBrowse::DrawUpperBrowseItem - неизвестный тип элемента просмотра");
  }
}

void TBrowse::UpperPanelMouseDown(TMouseButton button, TShiftState, POINT point) {
  TListeners::Send(Notify_MousePressed, false);
  if (HitAreas.Click(button, HyperRefOwner_Upper, point.x, point.y)) return;
  const TBrowseItem& item = CurrentBrowseState.CurrentItem;
  if (button == mbLeft) {
    // A copy: the command replaces the item it is given.
    const TBrowseItem current = item;
    const TBrowseItemIndex none;
    ProcessCommand(&none, &current, "", current.Kind() == BrowseItem_Author ? Command_Back : Command_Up,
                   TShiftState(), -1, -1);
  } else if (button == mbRight) {
    ShowItemPopup(TBrowseItemIndex(), item);
  }
}

void TBrowse::GoToReference(const std::string& name) {
  TDiscussion* discussion = GetDiscussion();
  const TDiscBlockIndex block =
      discussion ? discussion->Storages.FindDiscBlockIndexByName(name) : TDiscBlockIndex{};
  if (block.IsEmpty()) {
    ShowMessageBox("Reference error", "Reference <" + name + "> not found!");
    return;
  }
  GoToDiscBlock(block);
}
