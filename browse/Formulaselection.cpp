// Choosing a formula to compute its conclusion: the chosen formula is evaluated, its value
// becomes the conclusion's possibility in force, and the choice is remembered for the user.

#include "browse/Tbrowse.h"
#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "model/Calculateformula.h"
#include "model/Tdiscussion.h"
#include "platform/gui/Gui.h"

namespace {

void AnnounceBlock(const TDiscussion& discussion, TDiscBlockCode code) {
  const TDiscBlockIndex block = discussion.Storages.FindDiscBlockIndex(code);
  if (!block.IsEmpty()) SendBlockNotification(Notify_BlockChanged, discussion, block, false);
}

}  // namespace

void TBrowse::EvaluateBlockFormula(TDiscBlockIndex formula) {
  TDiscussion* discussion = GetDiscussion();
  const TDiscBlock* block = discussion ? discussion->Storages.GetDiscBlock(formula) : nullptr;
  if (!block || !discussion->Storages.IsValidIndex(block->Conclusion)) {
    MessageBeep(1);
    return;
  }
  // A formula cut off from its conclusion, or whose references are lost, cannot be chosen.
  if (block->UnlinkedIndex != NoUnlinkedBlockInfo && block->UnlinkedIndex < discussion->UnlinkedBlockInfos.Count()) {
    const TUnlinkedBlockInfo& info = discussion->UnlinkedBlockInfos[block->UnlinkedIndex];
    if (info.LostConclusion || info.LostHyperRefs) {
      MessageBeep(1);
      return;
    }
  }
  const TDiscBlockIndex conclusion = block->Conclusion;
  TBrowseItemIdent k, f;
  k.SetDiscBlock(*discussion, conclusion);
  f.SetDiscBlock(*discussion, formula);
  const TBrowseItemIdent* chosen = discussion->User.GetSecondBrowseItemIdent(k, UserRelation_SelectedFormula);
  if (chosen && chosen->Kind == BrowseItem_Block && chosen->Code == f.Code) return;
  // Both formulas repaint their "used" marks.
  if (chosen && chosen->Kind == BrowseItem_Block) AnnounceBlock(*discussion, chosen->Code);
  AnnounceBlock(*discussion, f.Code);

  const TStrHashItem* texts = discussion->Storages.GetStrHashItem(formula);
  if (!texts) return;
  const TStr formulaText = texts->Str.FormulaText;
  TStr error;
  double value = 0;
  CalculateFormula(*discussion, conclusion, formula, formulaText, error, value, 0);
  if (IsErrorReported()) return;
  if (!error.IsEmpty()) {
    ShowMessageBox("FORMULA ERROR", "There is incorrect formula " + formulaText.ToString() + ":\n" + error.ToString());
    return;
  }
  discussion->User.SetBrowseItemIdentsPair(*discussion, k, f, UserRelation_SelectedFormula);
  // The value becomes the conclusion's possibility in force, and every formula that reads it
  // follows.
  CalculateFormula(*discussion, conclusion, formula, formulaText, error, value, 1);
  discussion->CalculateFormulas();
  SendBlockNotification(Notify_BlockChanged, *discussion, conclusion, false);
}
