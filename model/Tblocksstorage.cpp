#include "model/Tblocksstorage.h"

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "model/Tdiscussion.h"

#include <algorithm>
#include <unordered_set>

int TBlocksStorage::AddEmptyItem() {
  if (Blocks.Count() >= MaxBlocksInStorage) {
    TError::Report("TBlocksStorage::AddEmptyItem - хранилище блоков заполнено");
    return -1;
  }
  const int index = Blocks.AddEmptyItem();
  if (index < 0) return -1;
  if (TextItems.AddEmptyItem() < 0) {
    Blocks.Delete(index);
    return -1;
  }
  Blocks[index].StorageType = StorageType;
  NumIndexValid = false;
  NameIndexValid = false;
  return index;
}

void TBlocksStorage::DeleteLastItem(TDiscussion& discussion) {
  const int last = Blocks.Count() - 1;
  if (last < 0) return;
  if (discussion.Graph) discussion.Graph->DeleteDiscBlock(discussion, TDiscBlockIndex{StorageType, uint16_t(last)});
  Blocks.Delete(last);
  TextItems.Delete(last);
  NumIndexValid = false;
  NameIndexValid = false;
}

int TBlocksStorage::TakeNewBlockNum() {
  if (LastBlockNum == 0xFFFF) {
    TError::Report("TBlocksStorage::TakeNewBlockNum - номера блоков исчерпаны");
    return -1;
  }
  return ++LastBlockNum;
}

int TBlocksStorage::GetNewBlockNumber(TDiscussion& discussion, TDiscBlockIndex upper) {
  int highest = 0;
  switch (StorageType) {
    case StorageType_Model:
      for (int i = 0; i < Count(); ++i)
        if (Blocks[i].Upper == upper && !upper.IsEmpty()) highest = std::max<int>(highest, Blocks[i].Num);
      break;
    case StorageType_Notes:
      return discussion.User.TakeNewNoteNumber();
    default:
      for (int i = 0; i < Count(); ++i) highest = std::max<int>(highest, Blocks[i].Num);
      break;
  }
  if (highest >= 0xFFFF) {
    TError::Report("TBlocksStorage::GetNewBlockNumber - номера блоков исчерпаны");
    return -1;
  }
  return highest + 1;
}

void TBlocksStorage::NewBlockAdded(TDiscussion& discussion, int index, int flag) {
  NumIndexValid = false;
  // The name joins a built index rather than making it be built again, so that announcing
  // blocks one by one stays linear; an entry that went stale is caught by FindByName.
  if (NameIndexValid) NameIndex.emplace(Blocks[index].Name.c_str(), uint16_t(index));
  const TDiscBlockIndex block{StorageType, uint16_t(index)};
  // The block's references become hyper-references; a received block (flag 1) also gets
  // its troubles recorded.
  CheckReferences(discussion, index, flag, 1);
  if (flag) CheckFormula(discussion, index, 1);
  if (discussion.Graph) discussion.Graph->AddDiscBlock(discussion, block);
  TListeners::SendPair(Notify_BlockAdded, reinterpret_cast<intptr_t>(&discussion), PackDiscBlockIndex(block), true);
}

int TBlocksStorage::FindByBlockNum(uint16_t blockNum) const {
  if (!NumIndexValid) {
    NumIndex.clear();
    for (int i = 0; i < Count(); ++i) NumIndex.emplace(Blocks[i].BlockNum, uint16_t(i));
    NumIndexValid = true;
  }
  const auto found = NumIndex.find(blockNum);
  if (found != NumIndex.end() && found->second < Count() && Blocks[found->second].BlockNum == blockNum)
    return found->second;
  if (found != NumIndex.end()) {
    NumIndexValid = false;
    return FindByBlockNum(blockNum);
  }
  // The newest block may have been numbered after the index was built.
  if (Count() > 0 && Blocks[Count() - 1].BlockNum == blockNum) return Count() - 1;
  return -1;
}

int TBlocksStorage::FindByName(const std::string& name) const {
  if (!NameIndexValid) {
    NameIndex.clear();
    for (int i = 0; i < Count(); ++i) NameIndex.emplace(Blocks[i].Name.c_str(), uint16_t(i));
    NameIndexValid = true;
  }
  const auto found = NameIndex.find(name);
  if (found != NameIndex.end() && found->second < Count() && name == Blocks[found->second].Name.c_str())
    return found->second;
  if (found != NameIndex.end()) {
    NameIndexValid = false;
    return FindByName(name);
  }
  // The newest block may have been named after the index was built.
  if (Count() > 0 && name == Blocks[Count() - 1].Name.c_str()) return Count() - 1;
  return -1;
}

void TBlocksStorage::SetBlockName(int index, const TStr& name) {
  Blocks[index].Name = name;
  NameIndexValid = false;
}

void TBlocksStorage::Clear() {
  Blocks.Clear();
  TextItems.Clear();
  LastBlockNum = 0;
  NumIndexValid = false;
  NameIndexValid = false;
}

// Block file (after the common header of TDiscussion's files):
//   u8 storage type, u16 last block number, u32 block count, the block records
//   (TDiscBlock::SaveToBufWriter).
void TBlocksStorage::SaveBlocks(TBufWriter& writer) const {
  writer.WriteByte(StorageType);
  writer.WriteWord(LastBlockNum);
  writer.WriteDWord(uint32_t(Count()));
  for (int i = 0; i < Count(); ++i) Blocks[i].SaveToBufWriter(writer);
}

// Block text file (after the common header): u8 storage type, u32 block count, then per
// block its text, URL and formula text.
void TBlocksStorage::SaveTexts(TBufWriter& writer) const {
  writer.WriteByte(StorageType);
  writer.WriteDWord(uint32_t(Count()));
  for (int i = 0; i < Count(); ++i) {
    const TDiscBlockStr& str = TextItems[i].Str;
    str.Text.SaveToBufWriter(writer);
    str.URL.SaveToBufWriter(writer);
    str.FormulaText.SaveToBufWriter(writer);
  }
}

std::string TBlocksStorage::LoadBlocks(TBufReader& reader) {
  if (reader.ReadByte() != StorageType) return "неверный тип хранилища";
  LastBlockNum = reader.ReadWord();
  const uint32_t count = reader.ReadDWord();
  if (reader.IsFailed()) return "файл обрезан";
  if (count > uint32_t(MaxBlocksInStorage)) return "неверное число блоков";
  std::unordered_set<uint16_t> numbers;
  for (uint32_t i = 0; i < count; ++i) {
    if (AddEmptyItem() < 0) return "нет памяти";
    TDiscBlock& block = Blocks[int(i)];
    block.LoadFromBufReader(reader, StorageType);
    if (reader.IsFailed()) return "файл обрезан";
    const char* fault = block.Validate(StorageType);
    if (*fault) return std::string(fault) + " (блок " + std::to_string(i) + ")";
    if (block.BlockNum == 0 || block.BlockNum > LastBlockNum) return "неверный номер блока " + std::to_string(i);
    if (!numbers.insert(block.BlockNum).second) return "повторный номер блока " + std::to_string(i);
  }
  return {};
}

std::string TBlocksStorage::LoadTexts(TBufReader& reader) {
  if (reader.ReadByte() != StorageType) return "неверный тип хранилища";
  const uint32_t count = reader.ReadDWord();
  if (reader.IsFailed()) return "файл обрезан";
  if (count != uint32_t(Count())) return "число текстов не равно числу блоков";
  for (uint32_t i = 0; i < count; ++i) {
    TStrHashItem& item = TextItems[int(i)];
    TDiscBlockStr& str = item.Str;
    item.Place = uint32_t(reader.Position());
    str.Text.LoadFromBufReader(reader);
    str.URL.LoadFromBufReader(reader);
    str.FormulaText.LoadFromBufReader(reader);
    if (reader.IsFailed()) return "файл обрезан";
  }
  return {};
}
