#include "browse/Retrievallists.h"

#include "browse/Lowerlistcollectors.h"
#include "browse/Tbrowse.h"
#include "dialogs/Tformprogress.h"
#include "foundation/Terror.h"
#include "model/Blockretrieval.h"
#include "model/Tdiscussion.h"
#include "platform/rtl/Tdatetime.h"

#include <algorithm>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Takes the run of digits at the start of the text off and compares the numbers they
// write, however long they are.
int CompareLeadingNumbers(std::string_view& a, std::string_view& b) {
  const auto take = [](std::string_view& text) {
    size_t n = 0;
    while (n < text.size() && IsDigit(text[n])) ++n;
    std::string_view digits = text.substr(0, n);
    text.remove_prefix(n);
    while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
    return digits;
  };
  const std::string_view x = take(a), y = take(b);
  if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
  const int c = x.compare(y);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

int NaturalCompare(std::string_view a, std::string_view b) {
  for (;;) {
    while (!a.empty() && !b.empty() && a.front() == b.front()) {
      a.remove_prefix(1);
      b.remove_prefix(1);
    }
    if (a.empty() || b.empty() || !IsDigit(a.front()) || !IsDigit(b.front())) break;
    if (const int c = CompareLeadingNumbers(a, b)) return c;
  }
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareBlocksByName(const TDiscussion& discussion, TDiscBlockIndex a, TDiscBlockIndex b) {
  const TDiscBlock* x = discussion.Storages.GetDiscBlock(a);
  const TDiscBlock* y = discussion.Storages.GetDiscBlock(b);
  if (!x || !y) return 0;
  return NaturalCompare(x->Name.View(), y->Name.View());
}

namespace {

constexpr uint8_t StorageOrder[] = {StorageType_Model, StorageType_Comments, StorageType_ModeratedComments,
                                    StorageType_Notes};

// One retrieval: the blocks to test are marked first, then tested once each.
class TRetrieval {
 public:
  TRetrieval(TDiscussion& discussion, TArray<TDiscBlockIndex>& result, uint8_t kind, int32_t data, const TStr& text,
             bool caseSensitive, TFormProgress* progress)
      : fDiscussion(discussion), fLower(discussion), fResult(result), fKind(kind), fData(data), fText(text),
        fCaseSensitive(caseSensitive), fProgress(progress) {
    if (kind == Retrieval_Theme && data >= 0 && uint32_t(data) < discussion.Themes.Count())
      for (const TDiscBlockCode& code : discussion.Themes[uint32_t(data)].Blocks) fThemeCodes.insert(CodeKey(code));
    if (kind == Retrieval_Search) fMatcher = std::make_unique<TTextMatcher>(text.View(), caseSensitive);
  }

  // Tests a block once; false when the walk must stop (an error, a full array).
  bool Test(TDiscBlockIndex block) {
    const TDiscBlock* record = fDiscussion.Storages.GetDiscBlock(block);
    if (!record) return false;
    // Whether a block is commented is read from the index of lower blocks at hand, and whether
    // it is in a theme from the theme's codes read once, instead of a scan for each block.
    bool found;
    if (fKind == Retrieval_Arguable) found = record->IsAlive() && IsCommented(block);
    else if (fKind == Retrieval_Theme) found = record->IsAlive() && fThemeCodes.contains(CodeKey(record->GetDiscBlockCode()));
    else if (fMatcher) found = record->HoldsSearchedText(fDiscussion, block, *fMatcher);
    else found = record->IsRetrieval(fDiscussion, block, fKind, fData, fText, fCaseSensitive);
    if (found && fResult.AddItem(block) < 0) return false;
    return !IsErrorReported();
  }
  // Marks a block and every block below it, each once whatever cycles damaged data holds.
  void MarkBelow(TDiscBlockIndex start) {
    fLower.FirstVisit(start);
    std::vector<TDiscBlockIndex> pending{start};
    ShowWalkStatus(start);
    while (!pending.empty()) {
      const TDiscBlockIndex block = pending.back();
      pending.pop_back();
      for (const TDiscBlockIndex child : fLower.Lower(block))
        if (IsWalked(block, child) && fLower.FirstVisit(child)) {
          ShowWalkStatus(child);
          pending.push_back(child);
        }
    }
  }
  void Mark(TDiscBlockIndex block) { fLower.FirstVisit(block); }
  // Tests every marked block, storage by storage in index order, so that the blocks and their
  // texts are read in the order they lie in memory (the list is sorted afterwards); false
  // when stopped by an error or a full array.
  bool TestMarked() {
    for (uint8_t type : StorageOrder) {
      const int count = fDiscussion.Storages.GetStorage(type)->Count();
      for (int i = 0; i < count; ++i)
        if (fLower.Visited({type, uint16_t(i)}) && !Test({type, uint16_t(i)})) return false;
    }
    return true;
  }

  void ShowStatus(const std::string& text) {
    if (fProgress) fProgress->SetStatus(text);
  }

 private:
  static uint32_t CodeKey(TDiscBlockCode code) { return (uint32_t(code.StorageType) << 16) | code.BlockNum; }
  // A note, a comment or a moderated comment hangs under the block.
  bool IsCommented(TDiscBlockIndex block) const {
    for (const TDiscBlockIndex lower : fLower.Lower(block))
      if (lower.StorageType != StorageType_Model) return true;
    return false;
  }
  bool IsWalked(TDiscBlockIndex parent, TDiscBlockIndex child) const {
    if (child.StorageType == StorageType_Notes && fKind == Retrieval_Unread) return false;
    return IsListedChildStorage(parent.StorageType, child.StorageType);
  }
  // At most once a second, so that deep trees do not spend their time repainting.
  void ShowWalkStatus(TDiscBlockIndex block) {
    if (!fProgress) return;
    const double now = Now();
    if (now - fLastStatus <= 1.0 / 86400) return;
    fLastStatus = now;
    fProgress->SetStatus(fDiscussion.Storages.GetDiscBlock(block)->Name.ToString() + " lowers...");
  }

  TDiscussion& fDiscussion;
  TLowerBlocks fLower;
  TArray<TDiscBlockIndex>& fResult;
  uint8_t fKind;
  int32_t fData;
  const TStr& fText;
  bool fCaseSensitive;
  TFormProgress* fProgress;
  double fLastStatus = 0;
  std::unordered_set<uint32_t> fThemeCodes;
  std::unique_ptr<TTextMatcher> fMatcher;  // a search's, made once for every block it tests
};


void CollectPostList(const TDiscussion& discussion, int32_t number, TArray<TDiscBlockIndex>& result) {
  for (const TBlocksPostListItem& list : discussion.User.PostLists.Items) {
    if (list.Number != number) continue;
    for (const TDiscBlockCode& code : list.Blocks) {
      const TDiscBlockIndex index = discussion.Storages.FindDiscBlockIndex(code);
      if (!index.IsEmpty() && discussion.Storages.GetDiscBlock(index)->IsAlive()) result.AddItemNoDupes(index);
    }
    return;
  }
}

}  // namespace

void CollectRetrieval(TDiscussion& discussion, TDiscBlockIndex start, TArray<TDiscBlockIndex>& result, uint8_t kind,
                      int32_t data, const TStr& text, bool caseSensitive, TFormProgress* progress) {
  TRetrieval retrieval(discussion, result, kind, data, text, caseSensitive, progress);
  if (kind == Retrieval_PostList) {
    CollectPostList(discussion, data, result);
  } else if (kind == Retrieval_Erased || kind == Retrieval_Deleted) {
    for (uint8_t type : StorageOrder)
      for (int i = 0; i < discussion.Storages.GetStorage(type)->Count(); ++i)
        if (!retrieval.Test({type, uint16_t(i)})) return;
  } else {
    if (!discussion.Storages.IsValidIndex(start)) return;
    retrieval.MarkBelow(start);
    retrieval.ShowStatus("Unlinked from parent blocks...");
    // Blocks cut off from their upper blocks cannot be reached from any block.
    for (uint8_t type : StorageOrder) {
      if (type == StorageType_Notes && kind == Retrieval_Unread) continue;
      const TBlocksStorage& storage = *discussion.Storages.GetStorage(type);
      for (int i = 0; i < storage.Count(); ++i) {
        const uint16_t record = storage.Block(i).UnlinkedIndex;
        if (record == NoUnlinkedBlockInfo || record >= discussion.UnlinkedBlockInfos.Count() ||
            !discussion.UnlinkedBlockInfos[record].LostParent)
          continue;
        retrieval.Mark({type, uint16_t(i)});
      }
    }
    if (!retrieval.TestMarked()) return;
  }
  retrieval.ShowStatus("Sorting " + std::to_string(result.Count()) + " blocks...");
  // The names are looked up once, not at every comparison.
  std::vector<std::pair<std::string_view, TDiscBlockIndex>> named;
  named.reserve(result.Count());
  for (const TDiscBlockIndex block : result) named.emplace_back(discussion.Storages.GetDiscBlock(block)->Name.View(), block);
  std::stable_sort(named.begin(), named.end(), [](const auto& a, const auto& b) { return NaturalCompare(a.first, b.first) < 0; });
  for (uint32_t i = 0; i < result.Count(); ++i) result[i] = named[i].second;
}

void TBrowse::BuildLowerList_Retrieval(uint8_t kind, int32_t data, const std::string& text, bool caseSensitive,
                                       TFormProgress* progress) {
  RetrievalText = text;
  TBrowseItem* listed =
      BeginBlockList(ListKind_Retrieval, "TBrowse::BuildLowerList_Retrieval - тип элемента просмотра неверен");
  if (!listed) return;
  TDiscussion* discussion = GetDiscussion();
  TArray<TDiscBlockIndex> blocks;
  CollectRetrieval(*discussion, listed->Ident.Index, blocks, kind, data, TStr(text), caseSensitive, progress);
  if (IsErrorReported()) return;
  TBrowseState& state = CurrentBrowseState;
  state.SpecCaptionType = SpecCaption_Retrieval;
  state.RetrievalKind = kind;
  state.FirstBlock = listed->Ident.Index;
  state.Caption = text;
  state.RetrievalData = data;
  state.RetrievalCaseSensitive = caseSensitive ? 1 : 0;
  FillBriefBlockList(*discussion, *listed, blocks);
}
