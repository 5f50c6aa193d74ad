#include "commands/Tformfixingtrouble.h"

#include "controls/Newcontrol.h"
#include "foundation/Guihooks.h"
#include "model/Tdiscussion.h"
#include "model/Tundo.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tlabel.h"

#include <string>

namespace {

constexpr int kMargin = 12;

}  // namespace

TFormFixingTrouble::TFormFixingTrouble(TComponent* owner) : TForm(owner) {
  SetName("FormFixingTrouble");
  SetCaption("Fix trouble: block");
  SetBorderStyle(bsSingle);
  SetBorderIcons(TBorderIcons());
  SetPosition(poScreenCenter);
  const int top = kMargin + 22 * 5 + kMargin;
  const auto hidden = [](TControl& control) { control.Hide(); };
  // Button1 is "Cancel", Button2 "Delete"; LabelUnlinked1..4 show the block's troubles.
  // clang-format off
  BuildControls(*this, {
      {Into(Label2), "Label2", "", {kMargin, kMargin, 300, 16}, alNone, "The troubles are:"},
      {Into(LabelUnlinked[0], hidden), "LabelUnlinked1", "", {2 * kMargin, kMargin + 22, 300, 16}},
      {Into(LabelUnlinked[1], hidden), "LabelUnlinked2", "", {2 * kMargin, kMargin + 44, 300, 16}},
      {Into(LabelUnlinked[2], hidden), "LabelUnlinked3", "", {2 * kMargin, kMargin + 66, 300, 16}},
      {Into(LabelUnlinked[3], hidden), "LabelUnlinked4", "", {2 * kMargin, kMargin + 88, 300, 16}},
      {Into(Button1, PressedByEscape(mrCancel)), "Button1", "", {kMargin, top, 90, 25}, alNone, "Cancel"},
      {Into(Button2), "Button2", "", {kMargin + 98, top, 90, 25}, alNone, "Delete", [this] { DeleteClick(); }},
      {Into(ButtonRequest, hidden), "ButtonRequest", "", {kMargin + 196, top, 90, 25}, alNone, "Request",
       [this] { RequestClick(); }},
  });
  // clang-format on
  SetClientWidth(kMargin * 2 + 286);
  SetClientHeight(top + 25 + kMargin);
}

void TFormFixingTrouble::SetUp(TBrowse&, TDiscussion& discussion, TDiscBlockIndex block) {
  fDiscussion = &discussion;
  fBlock = block;
  const TDiscBlock* record = discussion.Storages.GetDiscBlock(block);
  if (!record) return;
  if (!discussion.IsCreating()) ButtonRequest->Show();
  SetCaption(Caption() + " " + record->Name.c_str());
  if (record->UnlinkedIndex == NoUnlinkedBlockInfo || record->UnlinkedIndex >= discussion.UnlinkedBlockInfos.Count())
    return;
  const TUnlinkedBlockInfo& info = discussion.UnlinkedBlockInfos[record->UnlinkedIndex];
  int next = 0;
  auto show = [&](const std::string& text) {
    LabelUnlinked[next]->SetCaption(text);
    LabelUnlinked[next]->Show();
    ++next;
  };
  auto named = [](const char* trouble, const TStr& name) {
    return std::string(trouble) + (name.IsEmpty() ? "" : " (" + std::string(name.c_str()) + ")");
  };
  if (info.LostParent) show(named("lost parent", info.ParentName));
  if (info.LostConclusion) show(named("lost conclusion", info.ConclusionName));
  if (info.FormulaError) show("formula error");
  if (info.LostHyperRefs) show("lost hyperrefs");
}

void TFormFixingTrouble::DeleteClick() {
  if (TDiscBlock* record = fDiscussion ? fDiscussion->Storages.GetDiscBlock(fBlock) : nullptr) {
    record->SetDeleteFlag(*fDiscussion, fBlock, DeleteFlag_Erased, 0);
    fDiscussion->Undo.AddDiscBlockFieldChange(*fDiscussion, fBlock, BlockField_UnlinkedIndex, record->UnlinkedIndex);
    record->UnlinkedIndex = NoUnlinkedBlockInfo;
  }
  SetModalResult(mrOk);
}

void TFormFixingTrouble::RequestClick() {
  if (ShowMessageBox("Request", "Request recovering command from the discussion leader?", "", "OK|Cancel", 0) != 0)
    return;
  if (fDiscussion) fDiscussion->SendCommand_GiveExistingBlockNames();
  SetModalResult(mrOk);
}
