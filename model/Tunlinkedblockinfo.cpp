#include "model/Tunlinkedblockinfo.h"

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "model/Tdiscussion.h"

bool TUnlinkedBlockInfo::operator==(const TUnlinkedBlockInfo& o) const {
  return Code == o.Code && LostParent == o.LostParent && ParentName == o.ParentName &&
         LostConclusion == o.LostConclusion && ConclusionName == o.ConclusionName && FormulaError == o.FormulaError &&
         LostHyperRefs == o.LostHyperRefs;
}

void TUnlinkedBlockInfo::SaveToBufWriter(TBufWriter& w) const {
  Code.SaveToBufWriter(w);
  w.WriteByte(LostParent);
  ParentName.SaveToBufWriter(w);
  w.WriteByte(LostConclusion);
  ConclusionName.SaveToBufWriter(w);
  w.WriteByte(FormulaError);
  w.WriteByte(LostHyperRefs);
}

void TUnlinkedBlockInfo::LoadFromBufReader(TBufReader& r) {
  Code.LoadFromBufReader(r);
  LostParent = r.ReadByte();
  ParentName.LoadFromBufReader(r);
  LostConclusion = r.ReadByte();
  ConclusionName.LoadFromBufReader(r);
  FormulaError = r.ReadByte();
  LostHyperRefs = r.ReadByte();
}

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
