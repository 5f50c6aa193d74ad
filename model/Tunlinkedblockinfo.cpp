#include "model/Tunlinkedblockinfo.h"

#include "foundation/Storedfields.h"
#include "foundation/Terror.h"
#include "model/Tdiscussion.h"

namespace {

// Every field of the record, in stored order: written, read and compared by this one list.
template <class Info>
auto StoredFields(Info& i) {
  return std::tie(i.Code, i.LostParent, i.ParentName, i.LostConclusion, i.ConclusionName, i.FormulaError,
                  i.LostHyperRefs);
}

}  // namespace

bool TUnlinkedBlockInfo::operator==(const TUnlinkedBlockInfo& o) const {
  return StoredFields(*this) == StoredFields(o);
}

void TUnlinkedBlockInfo::SaveToBufWriter(TBufWriter& w) const { WriteFields(w, StoredFields(*this)); }

void TUnlinkedBlockInfo::LoadFromBufReader(TBufReader& r) { ReadFields(r, StoredFields(*this)); }

int AddUnlinkedBlockInfo(TUnlinkedBlockInfos& list, TDiscussion& discussion, TDiscBlockCode code) {
  if (list.Count() >= 0xFFFF) {
    TError::Report("AddUnlinkedBlockInfo - список потерянных связей заполнен");
    return -1;
  }
  const int index = list.AddEmptyItem();
  if (index < 0) return -1;
  list[index].Code = code;
  if (&list == &discussion.UnlinkedBlockInfos) discussion.Undo.AddUnlinkedBlockInfoCreation(index);
  return index;
}
