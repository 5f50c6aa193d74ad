#include "model/Tdiscblockstorages.h"

#include "foundation/Terror.h"
#include "model/Blocknames.h"

TBlocksStorage* TDiscBlockStorages::GetStorage(uint8_t storageType) {
  return const_cast<TBlocksStorage*>(static_cast<const TDiscBlockStorages*>(this)->GetStorage(storageType));
}

const TBlocksStorage* TDiscBlockStorages::GetStorage(uint8_t storageType) const {
  switch (storageType) {
    case StorageType_Model: return &Model;
    case StorageType_Comments: return &Comments;
    case StorageType_Notes: return &Notes;
    case StorageType_ModeratedComments: return &ModeratedComments;
    default:
      TError::Report("TDiscBlockStorages::GetStorage - неверный тип хранилища блоков");
      return nullptr;
  }
}

bool TDiscBlockStorages::IsValidIndex(TDiscBlockIndex index) const {
  if (!IsValidStorageType(index.StorageType)) return false;
  return index.Index < GetStorage(index.StorageType)->Count();
}

TDiscBlock* TDiscBlockStorages::GetDiscBlock(TDiscBlockIndex index) {
  return const_cast<TDiscBlock*>(static_cast<const TDiscBlockStorages*>(this)->GetDiscBlock(index));
}

const TDiscBlock* TDiscBlockStorages::GetDiscBlock(TDiscBlockIndex index) const {
  if (!IsValidIndex(index)) {
    TError::Report("TDiscBlockStorages::GetDiscBlock - неверная ссылка на блок");
    return nullptr;
  }
  return &GetStorage(index.StorageType)->Block(index.Index);
}

TStrHashItem* TDiscBlockStorages::GetStrHashItem(TDiscBlockIndex index) {
  return const_cast<TStrHashItem*>(static_cast<const TDiscBlockStorages*>(this)->GetStrHashItem(index));
}

const TStrHashItem* TDiscBlockStorages::GetStrHashItem(TDiscBlockIndex index) const {
  if (!IsValidIndex(index)) {
    TError::Report("TDiscBlockStorages::GetStrHashItem - неверная ссылка на блок");
    return nullptr;
  }
  return &GetStorage(index.StorageType)->Texts(index.Index);
}

TDiscBlockIndex TDiscBlockStorages::FindDiscBlockIndex(TDiscBlockCode code) const {
  TDiscBlockIndex index;
  if (!IsValidStorageType(code.StorageType)) return index;
  const int found = GetStorage(code.StorageType)->FindByBlockNum(code.BlockNum);
  if (found >= 0) index = TDiscBlockIndex{code.StorageType, uint16_t(found)};
  return index;
}

namespace {

// The block of that name found by `find` in a storage: the storage the name's form names
// first, then all storages in the order model blocks, moderated comments, comments, notes.
template <class Find>
TDiscBlockIndex FindByNameInOrder(const TDiscBlockStorages& storages, const std::string& name, Find find) {
  if (name.empty()) return {};
  const uint8_t first = StorageTypeOfNameForm(name);
  for (uint8_t type : {first, uint8_t(StorageType_Model), uint8_t(StorageType_ModeratedComments),
                       uint8_t(StorageType_Comments), uint8_t(StorageType_Notes)}) {
    if (type == StorageType_None) continue;
    const int found = find(*storages.GetStorage(type));
    if (found >= 0) return TDiscBlockIndex{type, uint16_t(found)};
  }
  return {};
}

}  // namespace

TDiscBlockIndex TDiscBlockStorages::FindDiscBlockIndexByName(const std::string& name) const {
  return FindByNameInOrder(*this, name, [&](const TBlocksStorage& storage) { return storage.FindByName(name); });
}

TDiscBlockIndex TDiscBlockStorages::FindLoadedDiscBlockIndexByName(const std::string& name) const {
  return FindByNameInOrder(*this, name, [&](const TBlocksStorage& storage) { return storage.FindLoadedName(name); });
}

std::vector<TDiscBlockIndex> TDiscBlockStorages::FindLoadedDiscBlockIndicesByName(
    std::span<const TNamedReference> references) const {
  // Each name is looked for first where its form says (else among the model blocks), its
  // slot asked for a few lookups ahead.
  const auto first = [&](const TBlockName& name) {
    return GetStorage(name.Form == StorageType_None ? uint8_t(StorageType_Model) : name.Form);
  };
  constexpr size_t Ahead = 16;
  for (size_t i = 0; i < std::min(Ahead, references.size()); ++i)
    first(references[i].Name)->PrefetchLoadedName(references[i].Name);
  std::vector<TDiscBlockIndex> found(references.size());
  for (size_t i = 0; i < references.size(); ++i) {
    if (i + Ahead < references.size())
      first(references[i + Ahead].Name)->PrefetchLoadedName(references[i + Ahead].Name);
    const TBlockName& name = references[i].Name;
    if (name.Name.empty()) continue;
    const TBlocksStorage* storage = first(name);
    const int index = storage->FindLoadedName(name);
    if (index >= 0) found[i] = TDiscBlockIndex{storage->StorageType, uint16_t(index)};
    else
      found[i] = FindByNameInOrder(*this, std::string(name.Name),
                                   [&](const TBlocksStorage& other) { return other.FindLoadedName(name); });
  }
  return found;
}

TDiscBlockIndex TDiscBlockStorages::GetRootBlockIndex() const {
  for (int i = 0; i < int(Model.Count()); ++i)
    if (Model.Block(i).Upper.IsEmpty() && Model.Block(i).Name == TStr(RootBlockName))
      return TDiscBlockIndex{StorageType_Model, uint16_t(i)};
  return {};
}

bool TDiscBlockStorages::IsInUpperChain(TDiscBlockIndex block, TDiscBlockIndex candidate) const {
  const int limit = TotalCount() + 1;
  for (int steps = 0; steps <= limit && IsValidIndex(block); ++steps) {
    if (block == candidate) return true;
    block = GetStorage(block.StorageType)->Block(block.Index).Upper;
  }
  return false;
}

int TDiscBlockStorages::TotalCount() const {
  return Model.Count() + Comments.Count() + Notes.Count() + ModeratedComments.Count();
}

void TDiscBlockStorages::Clear() {
  Model.Clear();
  Comments.Clear();
  Notes.Clear();
  ModeratedComments.Clear();
}
