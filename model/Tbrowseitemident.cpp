#include "model/Tbrowseitemident.h"

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "model/Tdiscussion.h"

bool TBrowseItemIdent::operator==(const TBrowseItemIdent& o) const {
  if (Kind != o.Kind) return false;
  switch (Kind) {
    case BrowseItem_Block: return Code == o.Code;
    case BrowseItem_Author: return ADIdent == o.ADIdent;
    case BrowseItem_Folder: return Folder == o.Folder;
    default: return Text == o.Text;
  }
}

void TBrowseItemIdent::SaveToBufWriter(TBufWriter& w) const {
  w.WriteByte(Kind);
  Code.SaveToBufWriter(w);
  w.WriteWord(ADIdent);
  w.WriteWord(uint16_t(Folder));
  Text.SaveToBufWriter(w);
}

void TBrowseItemIdent::LoadFromBufReader(TBufReader& r) {
  Kind = r.ReadByte();
  Code.LoadFromBufReader(r);
  ADIdent = r.ReadWord();
  Folder = int16_t(r.ReadWord());
  Text.LoadFromBufReader(r);
}

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
