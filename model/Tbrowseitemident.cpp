#include "model/Tbrowseitemident.h"

#include "foundation/Storedfields.h"
#include "model/Tdiscussion.h"

namespace {

// The stored fields, in stored order: written, read and compared whole by this one list.
template <class Ident>
auto StoredFields(Ident& i) {
  return std::tie(i.Kind, i.Code, i.ADIdent, i.Folder, i.Text);
}

}  // namespace

bool TBrowseItemIdent::operator==(const TBrowseItemIdent& o) const {
  if (Kind != o.Kind) return false;
  switch (Kind) {
    case BrowseItem_Block: return Code == o.Code;
    case BrowseItem_Author: return ADIdent == o.ADIdent;
    case BrowseItem_Folder: return Folder == o.Folder;
    default: return Text == o.Text;
  }
}

bool TBrowseItemIdent::SameStoredFields(const TBrowseItemIdent& o) const {
  return StoredFields(*this) == StoredFields(o);
}

void TBrowseItemIdent::SaveToBufWriter(TBufWriter& w) const { WriteFields(w, StoredFields(*this)); }

void TBrowseItemIdent::LoadFromBufReader(TBufReader& r) { ReadFields(r, StoredFields(*this)); }

void TBrowseItemIdent::ResolveIndex(const TDiscBlockStorages& storages) {
  Index = Kind == BrowseItem_Block ? storages.FindDiscBlockIndex(Code) : TDiscBlockIndex{};
}

TDiscBlock* TBrowseItemIdent::SetDiscBlock(TDiscussion& discussion, TDiscBlockIndex block) {
  *this = TBrowseItemIdent{};
  Kind = BrowseItem_Block;
  if (block.IsEmpty()) return nullptr;
  TDiscBlock* record = discussion.Storages.GetDiscBlock(block);
  if (record == nullptr) return nullptr;
  Index = block;
  Code = record->GetDiscBlockCode();
  return record;
}

void TBrowseItemIdent::BroadcastChanging(const TDiscussion& discussion) const {
  if (Kind == BrowseItem_Block && !Index.IsEmpty()) SendBlockNotification(Notify_BlockChanged, discussion, Index, false);
}
