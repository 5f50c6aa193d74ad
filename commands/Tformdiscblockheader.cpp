#include "commands/Tformdiscblockheader.h"

#include "browse/Paintsettings.h"
#include "browse/Tbrowse.h"
#include "commands/Tformblocktext.h"
#include "controls/Newcontrol.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowsepars.h"
#include "model/Blocklinks.h"
#include "model/Blocknames.h"
#include "model/Calculateformula.h"
#include "model/Tdiscussion.h"
#include "model/Tundo.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tpanel.h"
#include "platform/forms/Tupdown.h"
#include "platform/rtl/Strutil.h"

#include <algorithm>

// The name the block takes when it is stored as a heading or as another kind: a heading's
// name ends in ".*", another kind's does not.
std::string NameAsKind(const std::string& name, uint8_t textType) {
  if (textType == TextType_Heading && name.find(HeadingNameSuffix) == std::string::npos) return name + HeadingNameSuffix;
  if (textType != TextType_Heading && name.ends_with(HeadingNameSuffix)) return name.substr(0, name.size() - 2);
  return name;
}

uint8_t& HeaderCancelled() {
  static uint8_t cancelled = 0;
  return cancelled;
}

namespace {

// The whole number 0..100 that an edit shows: its digits, at most 100.
int PossibilityOf(const std::string& text) {
  int value = 0;
  for (const char c : text)
    if (c >= '0' && c <= '9') value = std::min(100, value * 10 + (c - '0'));
  return value;
}

// A renamed block is found no more by the references that other blocks' texts make to its
// old name: the user is told which before the change is made, and may step back.
bool RenamingAccepted(TDiscussion& discussion, TDiscBlockIndex index, const std::string& name,
                      const std::string& renamed) {
  if (renamed == name) return true;
  std::string holders;
  for (const THyperRefBlock& pair : discussion.HyperRefBlocks.Items) {
    const TDiscBlock* holder = pair.Referenced == index && !(pair.Block == index)
                                   ? discussion.Storages.GetDiscBlock(pair.Block)
                                   : nullptr;
    if (!holder) continue;
    const std::string shown = "<" + holder->GetBlockName(discussion).ToString() + ">";
    if (holders.find(shown) == std::string::npos) holders += (holders.empty() ? "" : ", ") + shown;
  }
  if (holders.empty()) return true;
  return ShowMessageBox("RENAMING", "Block <" + name + "> will be named <" + renamed + ">: the references to <" +
                                        name + "> in " + holders + " will find it no more.\nGo on?",
                        "", "Yes|No", 1) == 0;
}

}  // namespace

TFormDiscBlockHeader::TFormDiscBlockHeader(TComponent* owner) : TForm(owner) {
  SetName("FormDiscBlockHeader");
  SetCaption("(параметры блока)");
  SetShowHint(true);
  // The size first: the text's memo keeps its distances to the edges from its creation on,
  // and so never reaches over the buttons below it.
  SetClientWidth(800);
  SetClientHeight(240);
  const auto kind = [this] { RefreshToggles(); };
  const auto hint = [](const char* text) { return [text](TControl& control) { control.SetHint(text); }; };
  const auto hidden = [](TControl& control) { control.Hide(); };
  const auto possibility = [](TEdit& edit) {
    edit.SetHint("credibillity");
    edit.SetMaxLength(3);
    edit.SetText("0");
  };
  const auto text = [](TMemo& memo) {
    memo.SetWordWrap(true);
    memo.SetScrollBars(ssVertical);
    memo.SetAnchors(TAnchors{akLeft, akTop, akRight, akBottom});
  };
  const auto novelty = [this] {
    fNovelty = fNovelty == 1 ? 2 : 1;
    RefreshToggles();
  };
  const auto importance = [this] {
    fImportance = fImportance == 1 ? 2 : 1;
    RefreshToggles();
  };
  const auto cancel = [this] {
    HeaderCancelled() = 1;
    SetModalResult(mrCancel);
  };
  // Button1 is "OK", Button2 "Cancel", Button3 "BackUp" (never shown).
  // clang-format off
  BuildControls(*this, {
      {Into(RadioButton_Heading), "RadioButton_Heading", "", {8, 8, 96, 21}, alNone, "heading", kind},
      {Into(RadioButton_Premise), "RadioButton_Premise", "", {108, 8, 96, 21}, alNone, "premise", kind},
      {Into(RadioButton_Conclusion), "RadioButton_Conclusion", "", {208, 8, 96, 21}, alNone, "conclusion", kind},
      {Into(RadioButton_Formula), "RadioButton_Formula", "", {308, 8, 96, 21}, alNone, "formula", kind},
      {Into(ButtonNewKnown, hint("known/new")), "ButtonNewKnown", "", {410, 6, 90, 25}, alNone, std::nullopt,
       novelty},
      {Into(ButtonImportantOrdinary, hint("significant/ordinary")), "ButtonImportantOrdinary", "", {504, 6, 90, 25},
       alNone, std::nullopt, importance},
      {Into(EditPossibility, possibility), "EditPossibility", "", {600, 8, 40, 21}},
      {Into(UpDownPossibility), "UpDownPossibility", "", {640, 8, 16, 21}},
      {Into(ButtonFind), "ButtonFind", "", {664, 6, 60, 25}, alNone, "Find", [this] { FindClick(); }},
      {Into(EditSearchPattern, hidden), "EditSearchPattern", "", {728, 8, 120, 21}},
      {Into(_CheckBoxCaseSensitiveSearch, hidden), "_CheckBoxCaseSensitiveSearch", "", {852, 8, 100, 21}, alNone,
       "_case sensitive"},
      {Into(PanelFormula), "PanelFormula", "", {0, 0, 800, 33}, alBottom, ""},
      {Into(EditFormulaTextTo, hint("conclusion name")), "EditFormulaTextTo", "PanelFormula", {8, 6, 120, 21}},
      {Into(EditFormulaOrURLText, hint("formula/URL")), "EditFormulaOrURLText", "PanelFormula", {132, 6, 460, 21}},
      {Into(Button1, PressedByEnter()), "Button1", "PanelFormula", {600, 4, 80, 25}, alNone, "OK",
       [this] { OkClick(); }},
      {Into(Button2, PressedByEscape()), "Button2", "PanelFormula", {684, 4, 80, 25}, alNone, "Cancel", cancel},
      {Into(Button3, hidden), "Button3", "PanelFormula", {768, 4, 60, 25}, alNone, "BackUp"},
      {Into(MemoText, text), "MemoText", "", {8, 36, 784, 160}},
  });
  // clang-format on
  EditPossibility->OnChange = [this](TObject*) { PossibilityChange(); };
  UpDownPossibility->SetMin(0);
  UpDownPossibility->SetWrap(false);
  UpDownPossibility->SetAssociate(EditPossibility);
  // The user writes at once, and Enter is OK wherever the focus stands.
  MemoText->SetWantReturns(false);
  SetActiveControl(MemoText);
  // Until OK says otherwise the dialog counts as cancelled, also when its frame closes it.
  OnShow = [this](TObject*) {
    HeaderCancelled() = 1;
    if (fBrowse && ShowsSearchList(*fBrowse)) {
      fSearchOnShow = true;
      FindClick();
    }
  };
}

void TFormDiscBlockHeader::SetUp(TBrowse& browse, TDiscussion& discussion, TDiscBlockIndex block) {
  fBrowse = &browse;
  fDiscussion = &discussion;
  fBlock = block;
  const TDiscBlock* record = discussion.Storages.GetDiscBlock(block);
  const TStrHashItem* texts = discussion.Storages.GetStrHashItem(block);
  if (!record || !texts) return;
  SetCaption(record->Name.c_str());
  if (browse.Settings) AssignBrowseFont(*MemoText->Font(), browse.Settings->BlockTextFont);
  UpDownPossibility->SetPosition(record->Possibility);
  EditPossibility->SetText(std::to_string(std::min<int>(100, record->Possibility)));
  if (texts->Str.Text.IsEmpty()) {
    MemoText->SetText("block text");
    MemoText->SelectAll();
  } else {
    MemoText->SetText(texts->Str.Text.c_str());
  }
  TRadioButton* radios[4] = {RadioButton_Heading, RadioButton_Premise, RadioButton_Conclusion, RadioButton_Formula};
  if (record->TextType >= TextType_Heading && record->TextType <= TextType_Formula)
    radios[record->TextType - 1]->SetChecked(true);
  if (record->TextType == TextType_Formula) {
    EditFormulaTextTo->SetText("<" + std::string(record->GetLinkText(discussion).c_str()) + ">");
    EditFormulaOrURLText->SetText(texts->Str.FormulaText.c_str());
  } else {
    EditFormulaOrURLText->SetText(texts->Str.URL.c_str());
  }
  EditSearchPattern->SetText(browse.RetrievalText.c_str());
  fNovelty = record->Novelty;
  fImportance = record->Importance;
  RefreshToggles();
}

void TFormDiscBlockHeader::SetUpRoot(TBrowse& browse, TDiscussion& discussion, TDiscBlockIndex block) {
  SetUp(browse, discussion, block);
  fRoot = true;
  MemoText->SetText(discussion.GetName().c_str());
  RadioButton_Heading->SetChecked(true);
  for (TControl* control : std::initializer_list<TControl*>{RadioButton_Heading, RadioButton_Premise,
                                                             RadioButton_Conclusion, RadioButton_Formula, ButtonNewKnown,
                                                             ButtonImportantOrdinary, EditPossibility, UpDownPossibility})
    control->SetEnabled(false);
  EditFormulaOrURLText->Hide();
  RefreshToggles();
}

std::string TFormDiscBlockHeader::MemoTextValue() const { return MemoText->Text(); }

uint8_t TFormDiscBlockHeader::CheckedTextType() const {
  if (RadioButton_Heading->Checked()) return TextType_Heading;
  if (RadioButton_Conclusion->Checked()) return TextType_Conclusion;
  if (RadioButton_Formula->Checked()) return TextType_Formula;
  return TextType_Premise;
}

void TFormDiscBlockHeader::RefreshToggles() {
  ButtonNewKnown->SetCaption(fNovelty == 1 ? "new" : "known");
  ButtonImportantOrdinary->SetCaption(fImportance == 1 ? "significant" : "ordinary");
  EditFormulaTextTo->SetVisible(RadioButton_Formula->Checked());
}

void TFormDiscBlockHeader::PossibilityChange() {
  const std::string text = EditPossibility->Text();
  std::string digits;
  for (const char c : text)
    if (c >= '0' && c <= '9') digits += c;
  if (digits.empty()) digits = "0";
  if (digits != text) EditPossibility->SetText(digits);
}

void TFormDiscBlockHeader::FindClick() {
  if (!fSearchShown) {
    fSearchShown = true;
    EditSearchPattern->Show();
    if (!fSearchOnShow) return;
  }
  FindInEdit(*MemoText, EditSearchPattern->Text(), false);
}

void TFormDiscBlockHeader::OkClick() {
  if (!fDiscussion) return;
  TDiscussion& discussion = *fDiscussion;
  TDiscBlock* block = discussion.Storages.GetDiscBlock(fBlock);
  TStrHashItem* texts = discussion.Storages.GetStrHashItem(fBlock);
  if (!block || !texts) return;
  const bool formula = CheckedTextType() == TextType_Formula;
  const std::string formulaText = EditFormulaOrURLText->Text();
  if (formula && formulaText.empty()) {
    ShowMessageBox("FORMULA ERROR", "Empty formula text!");
    return;
  }
  if (formula && formulaText.find(',') != std::string::npos) {
    ShowMessageBox("FORMULA ERROR", "Formula text contain ','; decimal separator - '.'.\nPlease correct formula text!");
    return;
  }
  const TStr text(fRoot ? texts->Str.Text.c_str() : MemoText->Text().c_str());
  TStr error;
  if (!TestTextReferences(discussion, fBlock, text, error, false)) {
    ShowMessageBox("REFERENCE ERROR", "Testing references:\n" + std::string(error.c_str()));
    return;
  }
  TDiscBlockIndex conclusion;
  double value = 0;
  if (formula) {
    std::string name = Trim(EditFormulaTextTo->Text());
    if (name.empty()) {
      ShowMessageBox("CONCLUSION NOT ENTERED", "Conclusion block for formula block not entered!");
      if (EditFormulaTextTo->CanFocus()) EditFormulaTextTo->SetFocus();
      return;
    }
    if (name.size() >= 2 && name.front() == '<' && name.back() == '>') name = name.substr(1, name.size() - 2);
    conclusion = discussion.Storages.FindDiscBlockIndexByName(name);
    if (conclusion.IsEmpty()) {
      ShowMessageBox("CONCLUSION NOT FOUND", "Please correct conclusion block name");
      return;
    }
    if (discussion.Storages.GetDiscBlock(conclusion)->TextType != TextType_Conclusion) {
      ShowMessageBox("CONCLUSION NOT FOUND", "Block in the conclusion field is no conclusion");
      return;
    }
    const bool ownConclusion = AnsiUpperCase(formulaText).find("<" + AnsiUpperCase(name) + ">") != std::string::npos;
    if (ownConclusion) {
      ShowMessageBox("FORMULA ERROR", "Formula can not contain its conclusion as argument!");
      return;
    }
    if (!CalculateFormula(discussion, conclusion, fBlock, TStr(formulaText.c_str()), error, value, 0) ||
        !error.IsEmpty()) {
      ShowMessageBox("FORMULA ERROR", error.c_str());
      return;
    }
  }

  if (!fRoot &&
      !RenamingAccepted(discussion, fBlock, block->Name.ToString(), NameAsKind(block->Name.ToString(), CheckedTextType())))
    return;
  block->TextType = CheckedTextType();
  if (!fRoot) {
    block->Novelty = fNovelty;
    block->Importance = fImportance;
    block->Possibility = uint8_t(PossibilityOf(EditPossibility->Text()));
  }
  texts->Str.Text = text;
  if (formula) {
    texts->Str.URL.Clear();
    texts->Str.FormulaText = TStr(formulaText.c_str());
    block->Conclusion = conclusion;
    block->ConclusionCode = discussion.Storages.GetDiscBlock(conclusion)->GetDiscBlockCode();
    block->FormulaValue = value != 0 ? 1 : 0;
  } else {
    if (!fRoot) texts->Str.URL = TStr(Trim(EditFormulaOrURLText->Text()).c_str());
    block->Conclusion.Clear();
    block->ConclusionCode = TDiscBlockCode{};
    texts->Str.FormulaText.Clear();
  }
  discussion.HyperRefBlocks.RemoveBlock(fBlock);
  TestTextReferences(discussion, fBlock, texts->Str.Text, error, true);
  if (formula) TestTextReferences(discussion, fBlock, texts->Str.FormulaText, error, true);
  // The checks just passed: the troubles they stand for are over.
  if (block->UnlinkedIndex != NoUnlinkedBlockInfo && block->UnlinkedIndex < discussion.UnlinkedBlockInfos.Count()) {
    TUnlinkedBlockInfo& info = discussion.UnlinkedBlockInfos[block->UnlinkedIndex];
    const TUnlinkedBlockInfo old = info;
    info.LostHyperRefs = 0;
    if (formula) {
      info.LostConclusion = 0;
      info.ConclusionName.Clear();
      info.FormulaError = 0;
    }
    discussion.Undo.AddUnlinkedBlockInfoChanges(discussion, block->UnlinkedIndex, old);
    if (info.IsEmpty()) block->UnlinkedIndex = NoUnlinkedBlockInfo;
  }
  HeaderCancelled() = 0;
  SetModalResult(mrOk);
}
