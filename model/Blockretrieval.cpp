#include "model/Blockretrieval.h"

#include "foundation/Terror.h"
#include "model/Calculateformula.h"
#include "model/Tdiscussion.h"
#include "platform/rtl/Strutil.h"

#include <algorithm>
#include <array>

namespace {

// The reader's mark of the block, Mark_None without a property.
uint8_t ReaderMark(const TDiscussion& discussion, const TDiscBlock& block) {
  const int property = discussion.ReaderProperties.Find(block.GetDiscBlockCode());
  return property >= 0 ? discussion.ReaderProperties.Items[property].Mark : uint8_t(Mark_None);
}

bool IsRead(const TDiscussion& discussion, const TDiscBlock& block) {
  const int property = discussion.ReaderProperties.Find(block.GetDiscBlockCode());
  return property >= 0 && discussion.ReaderProperties.Items[property].Read != 0;
}

bool OnDay(const TDiscBlock& block, int32_t day) {
  return uint16_t(block.Date) == uint16_t(uint32_t(day - BlockDateOffset) & 0xFFFF);
}

}  // namespace

namespace {

// The upper case of each character of the code page, made once.
const std::array<uint8_t, 256>& UpperCaseTable() {
  static const std::array<uint8_t, 256> table = [] {
    std::array<uint8_t, 256> upper{};
    for (int c = 0; c < 256; ++c) {
      const std::string one = AnsiUpperCase(std::string(1, char(c)));
      upper[size_t(c)] = uint8_t(one.size() == 1 ? one[0] : char(c));
    }
    return upper;
  }();
  return table;
}

const std::array<uint8_t, 256>& SameCaseTable() {
  static const std::array<uint8_t, 256> table = [] {
    std::array<uint8_t, 256> same{};
    for (int c = 0; c < 256; ++c) same[size_t(c)] = uint8_t(c);
    return same;
  }();
  return table;
}

}  // namespace

TTextMatcher::TTextMatcher(std::string_view what, bool caseSensitive)
    : fFold(caseSensitive ? SameCaseTable() : UpperCaseTable()) {
  fWhat.reserve(what.size());
  for (char c : what) fWhat.push_back(char(fFold[uint8_t(c)]));
  // Skips beyond 255 are cut to 255: a shorter step is always safe.
  const auto step = [](size_t n) { return uint8_t(std::min<size_t>(n, 255)); };
  fSkip.fill(step(std::max<size_t>(fWhat.size(), 1)));
  for (size_t i = 0; i + 1 < fWhat.size(); ++i) fSkip[uint8_t(fWhat[i])] = step(fWhat.size() - 1 - i);
}

bool TTextMatcher::Holds(std::string_view text) const {
  const size_t m = fWhat.size();
  if (m == 0) return true;
  for (size_t at = 0; at + m <= text.size(); at += fSkip[fFold[uint8_t(text[at + m - 1])]]) {
    size_t k = m;
    while (k > 0 && fFold[uint8_t(text[at + k - 1])] == uint8_t(fWhat[k - 1])) --k;
    if (k == 0) return true;
  }
  return false;
}

bool TDiscBlock::IsRetrieval(TDiscussion& discussion, TDiscBlockIndex own, int kind, int32_t data, const TStr& text,
                             bool caseSensitive) const {
  const bool alive = IsAlive();
  switch (kind) {
    case Retrieval_Arguable: return alive && GetCommentedState(discussion, own) == 1;
    case Retrieval_Significant: return alive && Importance == 1;
    case Retrieval_False: return alive && ReaderMark(discussion, *this) == Mark_False;
    case Retrieval_Interesting: return alive && ReaderMark(discussion, *this) == Mark_Interesting;
    case Retrieval_Trite: return alive && ReaderMark(discussion, *this) == Mark_Trite;
    case Retrieval_Unread: return alive && StorageType != StorageType_Notes && !IsRead(discussion, *this);
    case Retrieval_Crossed: return DeleteFlag == DeleteFlag_Crossed;
    case Retrieval_Unlinked:
      return UnlinkedIndex != NoUnlinkedBlockInfo && UnlinkedIndex < discussion.UnlinkedBlockInfos.Count() &&
             DeleteFlag != DeleteFlag_Recycled;
    case Retrieval_New: return alive && Novelty == 1;
    case Retrieval_Theme:
      return alive && data >= 0 && uint32_t(data) < discussion.Themes.Count() &&
             discussion.Themes[uint32_t(data)].FindBlock(GetDiscBlockCode()) >= 0;
    case Retrieval_Search: return alive && HoldsSearchedText(discussion, own, TTextMatcher(text.View(), caseSensitive));
    case Retrieval_Conclusions: return alive && TextType == TextType_Conclusion;
    case Retrieval_Erased: return DeleteFlag == DeleteFlag_Erased;
    case Retrieval_Deleted: return DeleteFlag == DeleteFlag_Recycled;
    case Retrieval_NotesOfDay: return alive && StorageType == StorageType_Notes && OnDay(*this, data);
    case Retrieval_CommentsOfDay: return alive && StorageType == StorageType_Comments && OnDay(*this, data);
    case Retrieval_PostList: {
      if (!alive) return false;
      for (const TBlocksPostListItem& list : discussion.User.PostLists.Items)
        if (list.Number == uint32_t(data)) return list.FindBlock(GetDiscBlockCode()) >= 0;
      return false;
    }
    case Retrieval_ModeratedComments: return alive && StorageType == StorageType_ModeratedComments;
    default:
      TError::Report("TDiscBlock::IsRetrieval - неизвестный способ выборки");
      return false;
  }
}

bool TDiscBlock::HoldsSearchedText(TDiscussion& discussion, TDiscBlockIndex own, const TTextMatcher& matcher) const {
  if (!IsAlive()) return false;
  const TStrHashItem* texts = discussion.Storages.IsValidIndex(own) ? discussion.Storages.GetStrHashItem(own) : nullptr;
  if (texts == nullptr) return false;
  return matcher.Holds(texts->Str.Text.View()) || matcher.Holds(texts->Str.URL.View()) ||
         matcher.Holds(texts->Str.FormulaText.View());
}

bool TDiscBlock::IsUserSelectedFormula(const TDiscussion& discussion) const {
  if (TextType != TextType_Formula || !discussion.Storages.IsValidIndex(Conclusion)) return false;
  TBrowseItemIdent conclusion;
  conclusion.Kind = BrowseItem_Block;
  conclusion.Code = discussion.Storages.GetDiscBlock(Conclusion)->GetDiscBlockCode();
  const TBrowseItemIdent* chosen = discussion.User.GetSecondBrowseItemIdent(conclusion, UserRelation_SelectedFormula);
  return chosen != nullptr && chosen->Kind == BrowseItem_Block && chosen->Code == GetDiscBlockCode();
}

// Lists: the reader's marks first, then the block's own marks.
uint32_t TDiscBlock::GetRetrievalColor(TDiscussion& discussion, TDiscBlockIndex own, const TRetrievalColors& colors) const {
  switch (ReaderMark(discussion, *this)) {
    case Mark_False: return colors.False;
    case Mark_Interesting: return colors.Interesting;
    case Mark_Trite: return colors.Trite;
    default: break;
  }
  if (DeleteFlag == DeleteFlag_Crossed) return colors.Crossed;
  if (Importance == 1) return colors.Significant;
  if (Novelty == 1) return colors.New;
  if (TextType == TextType_Conclusion) return colors.Conclusion;
  if (IsAlive() && GetCommentedState(discussion, own) == 1) return colors.Arguable;
  return colors.Plain;
}

// The left half of a graph node: the block's own marks.
uint32_t TDiscBlock::GetGraphRetrievalColorA(TDiscussion& discussion, TDiscBlockIndex own,
                                             const TRetrievalColors& colors) const {
  if (IsRetrieval(discussion, own, Retrieval_Unlinked, -1, TStr(), false)) return colors.Unlinked;
  if (DeleteFlag == DeleteFlag_Crossed) return colors.Crossed;
  if (IsRetrieval(discussion, own, Retrieval_Significant, -1, TStr(), false)) return colors.Significant;
  if (IsRetrieval(discussion, own, Retrieval_New, -1, TStr(), false)) return colors.New;
  if (IsRetrieval(discussion, own, Retrieval_Conclusions, -1, TStr(), false)) return colors.Conclusion;
  return colors.Plain;
}

// The right half: what the reader made of it.
uint32_t TDiscBlock::GetGraphRetrievalColorB(TDiscussion& discussion, TDiscBlockIndex own,
                                             const TRetrievalColors& colors) const {
  if (IsRetrieval(discussion, own, Retrieval_False, -1, TStr(), false)) return colors.False;
  if (IsRetrieval(discussion, own, Retrieval_Interesting, -1, TStr(), false)) return colors.Interesting;
  if (IsRetrieval(discussion, own, Retrieval_Trite, -1, TStr(), false)) return colors.Trite;
  if (IsRetrieval(discussion, own, Retrieval_Unread, -1, TStr(), false)) return colors.Unread;
  if (IsRetrieval(discussion, own, Retrieval_Arguable, -1, TStr(), false)) return colors.Arguable;
  return colors.Plain;
}

uint32_t TDiscBlock::GetStorageTypeColor(const TRetrievalColors& colors) const {
  return IsValidStorageType(StorageType) ? colors.Storage[StorageType - 1] : 0;
}
