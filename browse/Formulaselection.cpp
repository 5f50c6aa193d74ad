// The reader's choice of the formula that computes a conclusion.

#include "browse/Tbrowse.h"

#include "foundation/Guihooks.h"
#include "model/Calculateformula.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "platform/gui/Sysmetrics.h"

void TBrowse::EvaluateBlockFormula(const TBrowseItemIdent& formula) {
  TDiscussion* discussion = GetDiscussion();
  const TDiscBlock* block = discussion && formula.Kind == BrowseItem_Block && !formula.Index.IsEmpty()
                                ? discussion->Storages.GetDiscBlock(formula.Index)
                                : nullptr;
  if (!block) return;
  const uint16_t unlinked = block->UnlinkedIndex;
  const bool lost = unlinked != NoUnlinkedBlockInfo && unlinked < discussion->UnlinkedBlockInfos.Count() &&
                    (discussion->UnlinkedBlockInfos[unlinked].LostConclusion ||
                     discussion->UnlinkedBlockInfos[unlinked].LostHyperRefs);
  if (block->Conclusion.IsEmpty() || !discussion->Storages.IsValidIndex(block->Conclusion) || lost) {
    MessageBeep(1);
    return;
  }
  TBrowseItemIdent conclusion;
  conclusion.SetDiscBlock(*discussion, block->Conclusion);
  const TBrowseItemIdent* chosen = discussion->User.GetSecondBrowseItemIdent(conclusion, UserRelation_SelectedFormula);
  if (chosen && *chosen == formula) return;
  // Both formulas repaint their marks of use.
  formula.BroadcastChanging(*discussion);
  if (chosen) chosen->BroadcastChanging(*discussion);
  const TStr formulaText = discussion->Storages.GetStrHashItem(formula.Index)->Str.FormulaText;
  TStr error;
  double value = 0;
  if (!CalculateFormula(*discussion, block->Conclusion, formula.Index, formulaText, error, value, 0) ||
      !error.IsEmpty()) {
    ShowMessageBox("FORMULA ERROR", "There is incorrect formula " + std::string(block->Name.c_str()) + ":\n" +
                                        error.c_str());
    return;
  }
  const TDiscBlockIndex target = block->Conclusion;
  discussion->User.SetBrowseItemIdentsPair(*discussion, conclusion, formula, UserRelation_SelectedFormula);
  // The value goes through the model's conversion into a possibility, and the formulas
  // fed by the conclusion follow.
  CalculateFormula(*discussion, target, formula.Index, formulaText, error, value, 1);
  discussion->CalculateFormulas();
  SendBlockNotification(Notify_BlockChanged, *discussion, target, false);
}
