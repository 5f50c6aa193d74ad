#include "commands/Tformfixingtrouble.h"

#include "foundation/Guihooks.h"
#include "model/Tdiscussion.h"
#include "model/Tundo.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tlabel.h"

#include <string>

namespace {

constexpr int kMargin = 12;

TButton* MakeButton(TForm* form, const char* name, const char* caption, int left, int top) {
  auto* button = new TButton(form);
  button->SetName(name);
  button->SetCaption(caption);
  button->SetParent(form);
  button->SetBounds(left, top, 90, 25);
  return button;
}

}  // namespace

TFormFixingTrouble::TFormFixingTrouble(TComponent* owner) : TForm(owner) {
  SetName("FormFixingTrouble");
  SetCaption("Fix trouble: block");
  SetBorderStyle(bsSingle);
  SetBorderIcons(TBorderIcons());
  SetPosition(poScreenCenter);
  Label2 = new TLabel(this);
  Label2->SetName("Label2");
  Label2->SetCaption("The troubles are:");
  Label2->SetParent(this);
  Label2->SetBounds(kMargin, kMargin, 300, 16);
  for (int i = 0; i < 4; ++i) {
    LabelUnlinked[i] = new TLabel(this);
    LabelUnlinked[i]->SetName("LabelUnlinked" + std::to_string(i + 1));
    LabelUnlinked[i]->SetParent(this);
    LabelUnlinked[i]->SetBounds(2 * kMargin, kMargin + 22 * (i + 1), 300, 16);
    LabelUnlinked[i]->Hide();
  }
  const int top = kMargin + 22 * 5 + kMargin;
  Button1 = MakeButton(this, "Button1", "Cancel", kMargin, top);
  Button1->SetCancel(true);
  Button1->SetModalResult(mrCancel);
  Button2 = MakeButton(this, "Button2", "Delete", kMargin + 98, top);
  Button2->OnClick = [this](TObject*) { DeleteClick(); };
  ButtonRequest = MakeButton(this, "ButtonRequest", "Request", kMargin + 196, top);
  ButtonRequest->OnClick = [this](TObject*) { RequestClick(); };
  ButtonRequest->Hide();
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
