#pragma once
// References to blocks: the in-memory index and the persistent block code.

#include <cstdint>

class TBufReader;
class TBufWriter;

// Storage types of the four block storages (0 marks an empty reference).
enum : uint8_t {
  StorageType_None = 0,
  StorageType_Model = 1,
  StorageType_Comments = 2,
  StorageType_Notes = 3,
  StorageType_ModeratedComments = 4,
};

// Kinds of block text (TDiscBlock::TextType).
enum : uint8_t {
  TextType_Heading = 1,
  TextType_Premise = 2,
  TextType_Conclusion = 3,
  TextType_Formula = 4,
};

// States of a block (TDiscBlock::DeleteFlag); blocks are never removed from their storage.
enum : uint8_t {
  DeleteFlag_Alive = 0,
  DeleteFlag_Crossed = 1,
  DeleteFlag_Erased = 2,
  DeleteFlag_Recycled = 3,
};

inline bool IsValidStorageType(unsigned type) { return type >= StorageType_Model && type <= StorageType_ModeratedComments; }

#pragma pack(push, 1)

// Where a block lies in memory: its storage and its position there. Positions change
// between runs; what is stored is the block code.
struct TDiscBlockIndex {
  uint8_t StorageType = StorageType_None;
  uint16_t Index = 0;

  bool IsEmpty() const { return StorageType == StorageType_None; }
  void Clear() { StorageType = StorageType_None; Index = 0; }
  bool operator==(const TDiscBlockIndex& other) const = default;
};

// The persistent name of a block: its storage and its block number, unique in that storage.
struct TDiscBlockCode {
  uint8_t StorageType = StorageType_None;
  uint16_t BlockNum = 0;

  bool IsEmpty() const { return StorageType == StorageType_None; }
  void Clear() { StorageType = StorageType_None; BlockNum = 0; }
  bool operator==(const TDiscBlockCode& other) const = default;

  // Stored form: u8 storage type, u16 block number.
  void SaveToBufWriter(TBufWriter& writer) const;
  void LoadFromBufReader(TBufReader& reader);
};

#pragma pack(pop)

static_assert(sizeof(TDiscBlockIndex) == 3);
static_assert(sizeof(TDiscBlockCode) == 3);

// A block reference carried in a word of a listener message: storage type in bits 16..23,
// index in bits 0..15; the empty reference is 0.
inline intptr_t PackDiscBlockIndex(TDiscBlockIndex index) {
  return index.IsEmpty() ? 0 : (intptr_t(index.StorageType) << 16) | index.Index;
}
inline TDiscBlockIndex UnpackDiscBlockIndex(intptr_t word) {
  TDiscBlockIndex index;
  index.StorageType = uint8_t((word >> 16) & 0xFF);
  index.Index = uint16_t(word & 0xFFFF);
  if (!IsValidStorageType(index.StorageType)) index.Clear();
  return index;
}
