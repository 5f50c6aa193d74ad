#include "commands/Tformblocktext.h"

#include "browse/Paintsettings.h"
#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "controls/Newcontrol.h"
#include "foundation/Tbrowsepars.h"
#include "model/Blockretrieval.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"
#include "platform/forms/Tscreen.h"
#include "platform/gui/Sysmetrics.h"
#include "platform/rtl/Strutil.h"

bool FindInEdit(TCustomEdit& edit, const std::string& pattern, bool wrap) {
  const std::string text = AnsiUpperCase(edit.Text());
  const std::string wanted = AnsiUpperCase(pattern);
  const size_t from = size_t(edit.SelStart()) + (edit.SelLength() > 0 ? 2 : 1);
  size_t found = wanted.empty() || from > text.size() ? std::string::npos : text.find(wanted, from);
  if (found == std::string::npos && wrap && from > 1 && !wanted.empty()) found = text.find(wanted);
  if (found == std::string::npos) {
    edit.SetSelLength(0);
    MessageBeep(0);
    return false;
  }
  edit.SetSelStart(int(found));
  edit.SetSelLength(int(wanted.size()));
  if (edit.CanFocus()) edit.SetFocus();
  return true;
}

bool ShowsSearchList(const TBrowse& browse) {
  const TBrowseState& state = browse.CurrentBrowseState;
  return state.SpecCaptionType == SpecCaption_Retrieval && state.RetrievalKind == Retrieval_Search;
}

TFormBlockText::TFormBlockText(TComponent* owner) : TForm(owner) {
  SetName("FormBlockText");
  SetCaption("Block text");
  const auto text = [](TMemo& memo) {
    memo.SetReadOnly(true);
    memo.SetScrollBars(ssVertical);
    memo.SetWordWrap(true);
    memo.SetAnchors(TAnchors{akLeft, akTop, akRight, akBottom});
  };
  const auto hidden = [](TCheckBox& box) { box.Hide(); };
  // clang-format off
  BuildControls(*this, {
      {Into(Label1), "Label1", "", {8, 12}, alNone, "Find pattern:"},  // as large as its text
      {Into(EditModel), "EditModel", "", {100, 8, 200, 21}},
      {Into(ButtonFindNext, PressedByEnter()), "ButtonFindNext", "", {308, 6, 90, 25}, alNone, "Find next",
       [this] { FindInEdit(*MemoBlockText, EditModel->Text(), true); }},
      {Into(ButtonClose), "ButtonClose", "", {406, 6, 90, 25}, alNone, "Close", [this] { Close(); }},
      {Into(_CheckBoxCaseSensitiveSearch, hidden), "_CheckBoxCaseSensitiveSearch", "", {0, 0, 100, 21}, alNone,
       "_case sensitive"},
      {Into(MemoBlockText, text), "MemoBlockText", "", {8, 38, 584, 250}},
  });
  // clang-format on
  SetClientWidth(600);
  SetClientHeight(296);
  OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  OnShow = [this](TObject*) {
    if (fSearchOnShow) FindInEdit(*MemoBlockText, EditModel->Text(), true);
  };
}

void TFormBlockText::SetUp(int discussionIndex, TDiscBlockIndex block, TBrowse& browse) {
  TDiscussionsManager* manager = DiscussionsManager();
  if (!manager || discussionIndex < 0 || discussionIndex >= manager->GetDiscussionsCount()) return;
  TDiscussion& discussion = manager->GetDiscussion(discussionIndex);
  const TDiscBlock* record = discussion.Storages.GetDiscBlock(block);
  const TStrHashItem* texts = discussion.Storages.GetStrHashItem(block);
  if (!record || !texts) return;
  if (browse.Settings) AssignBrowseFont(*MemoBlockText->Font(), browse.Settings->BlockTextFont);
  SetCaption(Caption() + " <" + record->Name.c_str() + ">");
  std::string text;
  if (!texts->Str.URL.IsEmpty()) text += std::string(texts->Str.URL.c_str()) + "\r\n";
  if (record->TextType == TextType_Formula)
    text += "<" + std::string(record->GetLinkText(discussion).c_str()) + "> = " + texts->Str.FormulaText.c_str() + "\r\n";
  text += texts->Str.Text.c_str();
  MemoBlockText->SetText(text);
  EditModel->SetText(browse.RetrievalText.c_str());
  fSearchOnShow = ShowsSearchList(browse);
}
