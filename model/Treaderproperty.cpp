#include "model/Treaderproperty.h"

#include "foundation/Storedfields.h"
#include "model/Tdiscblock.h"

namespace {

// Every stored field, in stored order: written and read by this one list.
template <class Property>
auto StoredFields(Property& p) {
  return std::tie(p.Code, p.Mark, p.Read, p.Possibility);
}

}  // namespace

TStr TReaderProperty::GetMarkText() const {
  switch (Mark) {
    case Mark_Interesting: return TStr("interesting");
    case Mark_False: return TStr("false");
    case Mark_Trite: return TStr("trite");
    default: return TStr(" ");
  }
}

uint32_t TReaderProperty::GetMarkColor(const TMarkColors& colors) const {
  switch (Mark) {
    case Mark_Interesting: return colors.Interesting;
    case Mark_False: return colors.False;
    case Mark_Trite: return colors.Trite;
    default: return 0;
  }
}

void TReaderProperty::SetFromDiscBlock(const TDiscBlock& block) {
  Code = block.GetDiscBlockCode();
  Possibility = block.Possibility;
}

void TReaderProperty::CopyValuesFrom(const TReaderProperty& other) {
  Mark = other.Mark;
  Read = other.Read;
  Possibility = other.Possibility;
}

void TReaderProperty::SaveToBufWriter(TBufWriter& w) const { WriteFields(w, StoredFields(*this)); }

void TReaderProperty::LoadFromBufReader(TBufReader& r) { ReadFields(r, StoredFields(*this)); }

namespace {
uint32_t CodeKey(TDiscBlockCode code) { return (uint32_t(code.StorageType) << 16) | code.BlockNum; }
}  // namespace

int TReaderProperties::Find(TDiscBlockCode code) const {
  if (IndexedCount > Count()) {
    CodeIndex.clear();
    IndexedCount = 0;
  }
  for (; IndexedCount < Count(); ++IndexedCount) CodeIndex.emplace(CodeKey(Items[IndexedCount].Code), IndexedCount);
  const auto found = CodeIndex.find(CodeKey(code));
  if (found == CodeIndex.end()) return -1;
  if (found->second < Count() && Items[found->second].Code == code) return found->second;
  IndexedCount = Count() + 1;  // stale: rebuilt on the next call
  return Find(code);
}

int TReaderProperties::Add(const TDiscBlock& block) {
  const int index = Items.AddEmptyItem();
  if (index >= 0) Items[index].SetFromDiscBlock(block);
  return index;
}

void TReaderProperties::Clear() {
  Items.Clear();
  CodeIndex.clear();
  IndexedCount = 0;
}
