#include "model/Tblocksstorage.h"

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "model/Blocklinks.h"
#include "model/Blocknames.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"

#include <algorithm>

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
  return index;
}

int TBlocksStorage::AppendBlock(const TDiscussion& discussion, TDiscBlockIndex upper) {
  const int index = AddEmptyItem();
  if (index < 0) return -1;
  const int number = TakeNewBlockNum();
  if (number < 0) {
    // Never announced: the slot goes as it came.
    Blocks.Delete(index);
    TextItems.Delete(index);
    return -1;
  }
  TDiscBlock& block = Blocks[index];
  block.BlockNum = uint16_t(number);
  if (const TDiscBlock* above = upper.IsEmpty() ? nullptr : discussion.Storages.GetDiscBlock(upper)) {
    block.Upper = upper;
    block.UpperCode = above->GetDiscBlockCode();
  }
  return index;
}

void TBlocksStorage::DeleteLastItem(TDiscussion& discussion) {
  const int last = Blocks.Count() - 1;
  if (last < 0) return;
  if (discussion.Graph) discussion.Graph->DeleteDiscBlock(discussion, TDiscBlockIndex{StorageType, uint16_t(last)});
  if (last < LowerIndexed) {
    // The last position is the newest entry of its list.
    const auto list = LowerIndex.find(PackDiscBlockIndex(Blocks[last].Upper));
    if (list != LowerIndex.end() && !list->second.empty() && list->second.back() == last) list->second.pop_back();
    LowerIndexed = last;
  }
  if (NumIndexValid && last < NumIndexed) {
    const uint16_t number = Blocks[last].BlockNum;
    if (number < NumIndex.size() && NumIndex[number] == last) NumIndex[number] = NotIndexed;
    NumIndexed = last;
  }
  Blocks.Delete(last);
  TextItems.Delete(last);
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
      if (!upper.IsEmpty())
        for (const uint16_t i : LowerBlocks(upper)) highest = std::max<int>(highest, Blocks[i].Num);
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

void TBlocksStorage::InsertChildNum(TDiscussion& discussion, TDiscBlockIndex upper, uint16_t number) {
  if (StorageType != StorageType_Model && StorageType != StorageType_Notes) {
    TError::Report("TBlocksStorage::InsertChildNum - неверный тип хранилища блоков");
    return;
  }
  for (const uint16_t i : LowerBlocks(upper)) {
    TDiscBlock& block = Blocks[i];
    if (block.Num < number) continue;
    if (block.Num == 0xFFFF) {
      TError::Report("TBlocksStorage::InsertChildNum - номера блоков исчерпаны");
      return;
    }
    const TDiscBlockIndex own{StorageType, uint16_t(i)};
    discussion.Undo.AddDiscBlockFieldChange(discussion, own, BlockField_Num, block.Num);
    ++block.Num;
    if (StorageType == StorageType_Notes && block.Num > discussion.User.NoteCounter)
      discussion.User.NoteCounter = block.Num;
    SendBlockNotification(Notify_BlockChanged, discussion, own, false);
  }
}

void TBlocksStorage::NewBlockAdded(TDiscussion& discussion, int index, int flag) {
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
    NumIndex.assign(size_t(LastBlockNum) + 1, NotIndexed);
    NumIndexed = 0;
    NumIndexValid = true;
  }
  // Blocks appended since join the index once they are numbered; the first of blocks
  // sharing a number is found, as a scan would.
  for (; NumIndexed < Count() && Blocks[NumIndexed].BlockNum != 0; ++NumIndexed) {
    const uint16_t number = Blocks[NumIndexed].BlockNum;
    if (number >= NumIndex.size()) NumIndex.resize(size_t(number) + 1, NotIndexed);
    if (NumIndex[number] == NotIndexed) NumIndex[number] = uint16_t(NumIndexed);
  }
  const uint16_t found = blockNum < NumIndex.size() ? NumIndex[blockNum] : NotIndexed;
  if (found != NotIndexed) {
    if (found < NumIndexed && Blocks[found].BlockNum == blockNum) return found;
    // A block renumbered without clearing the indices: built again.
    NumIndexValid = false;
    return FindByBlockNum(blockNum);
  }
  // Blocks appended and not numbered yet.
  for (int i = NumIndexed; i < Count(); ++i)
    if (Blocks[i].BlockNum == blockNum) return i;
  return -1;
}

size_t TBlockName::HashOf(std::string_view name) {
  // Names are a few characters: a byte at a time, then mixed so that the low bits the
  // slot is taken from depend on every character.
  uint64_t h = 0xcbf29ce484222325ull;
  for (const char c : name) h = (h ^ uint8_t(c)) * 0x100000001b3ull;
  h ^= h >> 29;
  h *= 0xbf58476d1ce4e5b9ull;
  return size_t(h ^ (h >> 32));
}

TBlockName::TBlockName(std::string_view name) : Name(name), Form(StorageTypeOfNameForm(name)), Hash(HashOf(name)) {
  Key.Length = uint8_t(std::min<size_t>(name.size(), 255));
  std::memcpy(Key.Head, name.data(), std::min(name.size(), Kept));
}

void TBlocksStorage::IndexName(int index) const {
  const TBlockName name(Blocks[index].Name.View());
  const size_t mask = NameIndex.size() - 1;
  for (size_t slot = name.Hash & mask;; slot = (slot + 1) & mask) {
    TNameSlot& entry = NameIndex[slot];
    if (entry.Position == 0) {
      entry = {uint16_t(index + 1), name.Key};
      return;
    }
    // The first of several blocks with one name keeps it.
    if (entry.Key == name.Key && (name.Key.Whole() || Blocks[entry.Position - 1].Name.View() == name.Name)) return;
  }
}

void TBlocksStorage::BuildNameIndex() const {
  // At most half the slots are taken, so that a probe meets few others.
  size_t size = 16;
  while (size < size_t(Count()) * 2) size *= 2;
  NameIndex.assign(size, TNameSlot());
  for (int i = 0; i < Count(); ++i) IndexName(i);
  NameIndexed = Count();
  NameIndexValid = true;
}

int TBlocksStorage::ProbeName(const TBlockName& name, bool& stale) const {
  const size_t mask = NameIndex.size() - 1;
  for (size_t slot = name.Hash & mask;; slot = (slot + 1) & mask) {
    const TNameSlot& entry = NameIndex[slot];
    if (entry.Position == 0) return -1;
    if (!(entry.Key == name.Key)) continue;
    const int index = entry.Position - 1;
    if (name.Key.Whole()) return index;
    if (index < Count() && Blocks[index].Name.View() == name.Name) return index;
    stale = true;
  }
}

int TBlocksStorage::FindByName(const std::string& name) const {
  // Blocks appended one by one join the index, so that adding and looking up stays linear;
  // it is built again, larger, once it is half full.
  if (!NameIndexValid || NameIndexed > Count() || size_t(Count()) * 2 > NameIndex.size()) BuildNameIndex();
  for (; NameIndexed < Count(); ++NameIndexed) IndexName(NameIndexed);
  bool stale = false;
  const TBlockName asked(name);
  int found = ProbeName(asked, stale);
  // A block renamed without clearing the index: its slot names it as it was. The index is
  // built again once.
  if (found >= 0 && (found >= Count() || Blocks[found].Name.View() != name)) {
    stale = true;
    found = -1;
  }
  if (found < 0 && stale) {
    BuildNameIndex();
    found = ProbeName(asked, stale);
  }
  if (found >= 0) return found;
  // The newest block may have been named after the index was built.
  if (Count() > 0 && name == Blocks[Count() - 1].Name.View()) return Count() - 1;
  return -1;
}

int TBlocksStorage::FindLoadedName(const TBlockName& name) const {
  // As loading built it: every slot names its block as it is.
  bool stale = false;
  return NameIndex.empty() ? -1 : ProbeName(name, stale);
}

std::vector<uint16_t> TBlocksStorage::LowerBlocks(TDiscBlockIndex upper) const {
  for (; LowerIndexed < Count(); ++LowerIndexed) {
    const TDiscBlockIndex above = Blocks[LowerIndexed].Upper;
    if (above.IsEmpty()) continue;
    std::vector<uint16_t>& list = LowerIndex[PackDiscBlockIndex(above)];
    if (list.empty() || list.back() != LowerIndexed) list.push_back(uint16_t(LowerIndexed));
  }
  std::vector<uint16_t> found;
  const auto list = LowerIndex.find(PackDiscBlockIndex(upper));
  if (list != LowerIndex.end()) {
    // Positions that left the list's upper block since are dropped from it now.
    std::vector<uint16_t>& positions = list->second;
    std::erase_if(positions, [&](uint16_t i) { return i >= LowerIndexed || !(Blocks[i].Upper == upper); });
    found = positions;
  }
  return found;
}

void TBlocksStorage::ClearLowerIndex() const {
  if (LowerIndexed == 0 && LowerIndex.empty()) return;
  LowerIndex.clear();
  LowerIndexed = 0;
}

void TBlocksStorage::SetBlockName(int index, const TStr& name) {
  Blocks[index].Name = name;
  NameChanged(index);
}

void TBlocksStorage::Clear() {
  Blocks.Clear();
  TextItems.Clear();
  ClearLowerIndex();
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

std::string TBlocksStorage::LoadBlocks(TBufReader& reader, TTextPool& pool) {
  if (reader.ReadByte() != StorageType) return "неверный тип хранилища";
  LastBlockNum = reader.ReadWord();
  const uint32_t count = reader.ReadDWord();
  if (reader.IsFailed()) return "файл обрезан";
  if (count > uint32_t(MaxBlocksInStorage)) return "неверное число блоков";
  if (!Blocks.SetCapacity(Blocks.Count() + count)) return "нет памяти";
  // The numbers met are the index by number as well, ready before the links are found.
  NumIndex.assign(size_t(LastBlockNum) + 1, NotIndexed);
  NumIndexValid = true;
  NumIndexed = 0;
  for (uint32_t i = 0; i < count; ++i) {
    // The texts come from their own file, read at the same time: only the block here.
    const int index = Blocks.AddEmptyItem();
    if (index < 0) return "нет памяти";
    TDiscBlock& block = Blocks[index];
    block.LoadFromBufReader(reader, StorageType, &pool);
    if (reader.IsFailed()) return "файл обрезан";
    const char* fault = block.Validate(StorageType);
    if (*fault) return std::string(fault) + " (блок " + std::to_string(i) + ")";
    if (block.BlockNum == 0 || block.BlockNum > LastBlockNum) return "неверный номер блока " + std::to_string(i);
    if (NumIndex[block.BlockNum] != NotIndexed) return "повторный номер блока " + std::to_string(i);
    NumIndex[block.BlockNum] = uint16_t(index);
    NumIndexed = index + 1;
  }
  // The names too, on the thread that read them: the references in the texts are looked
  // up right after loading.
  BuildNameIndex();
  return {};
}

std::string TBlocksStorage::ReadTexts(TBufReader& reader, TTextPool& pool, TReadTexts& texts) const {
  if (reader.ReadByte() != StorageType) return "неверный тип хранилища";
  texts.Count = reader.ReadDWord();
  if (reader.IsFailed()) return "файл обрезан";
  texts.Counted = true;
  // More texts than a storage may hold blocks can never match its blocks.
  if (texts.Count > uint32_t(MaxBlocksInStorage)) return TReadTexts::CountMismatch;
  if (!texts.Items.SetCapacity(texts.Count)) return "нет памяти";
  std::vector<std::string_view> names;
  for (uint32_t i = 0; i < texts.Count; ++i) {
    const int index = texts.Items.AddEmptyItem();
    if (index < 0) return "нет памяти";
    TStrHashItem& item = texts.Items[index];
    TDiscBlockStr& str = item.Str;
    item.Place = uint32_t(reader.Position());
    // The references "<name>" a text holds are looked for in the copy while that is still
    // in the cache; they are looked up once every storage is read.
    str.Text.LoadFromBufReader(reader, &pool);
    CollectTextReferences(str.Text.View(), names);
    const size_t inText = names.size();
    str.URL.LoadFromBufReader(reader, &pool);
    str.FormulaText.LoadFromBufReader(reader, &pool);
    CollectTextReferences(str.FormulaText.View(), names);
    if (reader.IsFailed()) return "файл обрезан";
    for (size_t k = 0; k < names.size(); ++k) texts.Naming.push_back({uint16_t(i), k >= inText, TBlockName(names[k])});
    names.clear();
  }
  return {};
}

std::string TBlocksStorage::TakeTexts(TReadTexts& texts, std::vector<TNamedReference>& references) {
  if (texts.Counted && texts.Count != uint32_t(Count())) return TReadTexts::CountMismatch;
  // The texts keep their place in the pool: the names stay views into them.
  TextItems = std::move(texts.Items);
  // A formula's text names blocks only in a formula block.
  for (const TReadTexts::TNaming& named : texts.Naming)
    if (!named.InFormula || Blocks[named.Position].TextType == TextType_Formula)
      references.push_back({TDiscBlockIndex{StorageType, named.Position}, named.Name});
  return {};
}
