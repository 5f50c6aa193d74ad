// How a browse window names what it shows: the form's caption, the one-line summary of a
// block whose columns line up like the fields of its service row, and the window's entry
// in the lists of windows.

#include "browse/Servicerowtexts.h"
#include "browse/Tbrowse.h"
#include "browse/Tformbrowse.h"
#include "browse/Workcanvas.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Terror.h"
#include "foundation/Workpaintbox.h"
#include "model/Blockretrieval.h"
#include "model/Themeoperations.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tcanvas.h"
#include "platform/forms/Tpanel.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tdatetime.h"

#include <cmath>

namespace {

const char* const kRetrievalNames[] = {
    "",        "Arguable", "Significant", "False", "Interesting",       "Trite",       "Unread",
    "Crossed", "Unlinked", "New",         "Theme", "Search text",       "Conclusions", "Erased",
    "Deleted", "Notes",    "Comments",    "",      "Moderated comments"};

// The longest entry of a list of windows.
constexpr size_t kWindowsMenuWidth = 80;

std::string BlockName(const TDiscussion* discussion, TDiscBlockIndex index) {
  if (!discussion || !discussion->Storages.IsValidIndex(index)) return "";
  const TDiscBlock* block = discussion->Storages.GetDiscBlock(index);
  return block ? block->GetBlockName(*discussion).ToString() : "";
}

std::string FolderPath(int16_t folder) {
  TDiscussionsManager* manager = DiscussionsManager();
  return manager ? manager->GetFolderPath(folder).ToString() : "";
}

// The summary's line so far and where its next column starts.
struct TSummaryColumns {
  std::string Line;
  int Position = 0;
};

TSummaryColumns& SummaryColumns() {
  static TSummaryColumns columns;
  return columns;
}

}  // namespace

std::string AddSummaryColumn(bool reset, const std::string& text, int width) {
  TSummaryColumns& columns = SummaryColumns();
  if (reset) columns = TSummaryColumns();
  std::string padded = text.substr(0, size_t(std::max(0.0, std::trunc(width * 1.85))));
  TCanvas& canvas = WorkCanvas();
  if (TFont* shared = SharedFont()) canvas.Font()->Assign(shared);
  const int target = columns.Position + width * canvas.TextWidth("A");
  const int blank = std::max(1, canvas.TextWidth(" "));
  const int blanks = (target - canvas.TextWidth(columns.Line + padded)) / blank;
  if (blanks > 0) padded.append(size_t(blanks), ' ');
  columns.Position = target;
  columns.Line += padded;
  return padded;
}

std::string TBrowse::GetFormBrowseCaption() const {
  if (Form && Form->PanelGraph->Visible()) return "Graph";
  const TBrowseState& state = CurrentBrowseState;
  const TDiscussion* discussion = GetDiscussion();
  switch (state.SpecCaptionType) {
    case SpecCaption_None: {
      // An author or a folder shown plainly is named as the central refresh names it.
      const TBrowseItem& item = state.CurrentItem;
      if (item.Kind() == BrowseItem_Folder) return FolderPath(item.Ident.Folder);
      if (item.Kind() == BrowseItem_Author) {
        if (!discussion) return "";
        return discussion->Authors.GetShownName(discussion->Authors.FindAuthorByADIdent(item.Ident.ADIdent));
      }
      return GetDiscBlockSummary(item.GetDiscBlockIndex());
    }
    case SpecCaption_Retrieval: {
      const uint8_t kind = state.RetrievalKind;
      std::string caption = "Retrieval";
      if (kind != Retrieval_Erased && kind != Retrieval_Deleted && kind != Retrieval_PostList) caption += " from " + BlockName(discussion, state.FirstBlock);
      caption += ": ";
      caption += kind < std::size(kRetrievalNames) ? kRetrievalNames[kind] : "";
      switch (kind) {
        case Retrieval_Theme:
          if (discussion && state.RetrievalData >= 0 && uint32_t(state.RetrievalData) < discussion->Themes.Count())
            caption += " " + discussion->Themes[uint32_t(state.RetrievalData)].Name.ToString();
          break;
        case Retrieval_Search: caption += " '" + state.Caption.ToString() + "'"; break;
        case Retrieval_NotesOfDay:
          caption += " composed on " + FormatDateTime("mm'/'dd'/'yyyy", TDateTime(state.RetrievalData));
          break;
        case Retrieval_CommentsOfDay:
          caption += " published on " + FormatDateTime("mm'/'dd'/'yyyy", TDateTime(state.RetrievalData));
          break;
        case Retrieval_PostList:
          // The post list is named by its number, which stays while lists come and go.
          if (discussion)
            for (const TBlocksPostListItem& list : discussion->User.PostLists.Items)
              if (list.Number == uint32_t(state.RetrievalData)) {
                // A sent list keeps no name: the window says when it went.
                if (!list.Name.IsEmpty() || list.SentDate == 0) caption += list.Name.ToString();
                else caption += "post list sent on " + FormatDateTime("mm'/'dd'/'yyyy", TDateTime(list.SentDate));
              }
          break;
        default: break;
      }
      return caption;
    }
    case SpecCaption_Experts: {
      std::string caption = discussion ? FolderPath(discussion->FolderIndex) : "";
      if (state.ModerationType != ModerateType_Undefined) caption += " " + GetModerateTypeText(state.ModerationType);
      return caption;
    }
    case SpecCaption_ThesisDisputants: return "<" + BlockName(discussion, state.SecondBlock) + "> thesis disputants";
    case SpecCaption_History: return "History";
    default:
      TError::Report("TBrowse::GetFormBrowseCaption - неизвестный CurrentBrowseState.SpecCaptionType");
      return "";
  }
}

std::string TBrowse::GetDiscBlockSummary(TDiscBlockIndex index) const {
  if (index.IsEmpty()) return "empty block";
  TDiscussion* discussion = GetDiscussion();
  if (!discussion) return "empty block";
  if (index == discussion->Storages.GetRootBlockIndex()) return FolderPath(discussion->FolderIndex);
  const TDiscBlock* block =
      discussion->Storages.IsValidIndex(index) ? discussion->Storages.GetDiscBlock(index) : nullptr;
  if (!block) return "";
  const TBrowsePars defaults;
  const TBrowsePars& settings = Settings ? *Settings : defaults;

  std::string mark, possibility;
  const int property = discussion->ReaderProperties.Find(block->GetDiscBlockCode());
  if (property >= 0) {
    const TReaderProperty& reader = discussion->ReaderProperties.Items[uint32_t(property)];
    mark = reader.GetMarkText().ToString();
    possibility = GetReaderPossibilityText(reader);
  } else if (block->StorageType == StorageType_Notes && block->Posted) {
    possibility = "posted";
  }
  const std::pair<std::string, int> fields[] = {
      {GetKindMarkText(*block, *discussion), settings.KindMarkWidth},
      {GetAuthorText(*block, *discussion), settings.AuthorWidth},
      {GetImportanceText(block->Importance), settings.ImportanceWidth},
      {GetNoveltyText(block->Novelty), settings.NoveltyWidth},
      {GetPossibilityText(*block), settings.PossibilityWidth},
      {GetCommentedStateText(block->GetCommentedState(*discussion, index)), settings.CommentedStateWidth},
      {mark, settings.ReaderMarkWidth},
      {possibility, settings.ReaderPossibilityWidth},
      {GetBlockThemeNames(discussion->Themes, block->GetDiscBlockCode(), 10), settings.ThemesWidth},
      {GetShortDateText(*block), settings.DateWidth},
  };

  // The name column widens in steps until the name ends in a blank (a step of at least one
  // letter, so that the loop ends whatever the settings say).
  const std::string name = block->GetBlockName(*discussion).ToString();
  const int step = std::max(1, settings.NameWidthStep);
  int width = settings.NameWidthBase;
  std::string summary = AddSummaryColumn(true, name, width);
  while (summary.empty() || summary.back() != ' ') {
    width += step;
    summary = AddSummaryColumn(true, name, width);
  }
  for (const auto& [text, fieldWidth] : fields) summary += " " + AddSummaryColumn(false, text, fieldWidth);
  summary += " ";
  if (block->UnlinkedIndex != NoUnlinkedBlockInfo) summary += "unlinked";
  return Trim(summary);
}

std::string TBrowse::GetStringForWindowsMenu() const {
  if (CurrentBrowseState.SpecCaptionType != SpecCaption_None) return GetFormBrowseCaption();
  if (Form && Form->PanelGraph->Visible()) return "Graph";
  const TBrowseItem& item = CurrentBrowseState.CurrentItem;
  TDiscussion* discussion = GetDiscussion();
  std::string text;
  switch (item.Kind()) {
    case BrowseItem_None: break;
    case BrowseItem_Block: {
      if (!discussion) break;
      const TDiscBlockIndex index = item.Ident.Index;
      if (index.StorageType > StorageType_ModeratedComments) {
        TError::Report("TBrowse::GetStringForWindowsMenu - неизвестный тип блока дискуссии");
        return "";
      }
      if (index == discussion->Storages.GetRootBlockIndex()) {
        text = discussion->GetName().ToString();
        break;
      }
      const TDiscBlock* block =
          discussion->Storages.IsValidIndex(index) ? discussion->Storages.GetDiscBlock(index) : nullptr;
      const TStrHashItem* texts = block ? discussion->Storages.GetStrHashItem(index) : nullptr;
      if (!texts) break;
      std::string formula;
      if (block->TextType == TextType_Formula)
        formula = "<" + block->GetLinkText(*discussion).ToString() + "> = " + texts->Str.FormulaText.ToString();
      text = Trim(texts->Str.URL.ToString() + " " + formula + " " + texts->Str.Text.ToString());
      break;
    }
    case BrowseItem_Author:
      if (discussion) {
        text = discussion->Authors.GetShownName(discussion->Authors.FindAuthorByADIdent(item.Ident.ADIdent));
      }
      break;
    case BrowseItem_Folder: text = FolderPath(item.Ident.Folder); break;
    default:
      TError::Report("TBrowse::GetStringForWindowsMenu - неизвестный тип элемента просмотра");
      return "";
  }
  text = text.substr(0, text.find('\r'));
  text = text.substr(0, text.find('\n'));
  if (text.size() > kWindowsMenuWidth) text = text.substr(0, kWindowsMenuWidth - 3) + "...";
  return text;
}
