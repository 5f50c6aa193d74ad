#pragma once
// A reader's own marks of a block.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "model/Tdiscblockindex.h"

#include <cstdint>
#include <unordered_map>

struct TDiscBlock;

enum : uint8_t { Mark_None = 0, Mark_Interesting = 1, Mark_False = 2, Mark_Trite = 3 };

// The colours the settings give the marks.
struct TMarkColors {
  uint32_t Interesting = 0;
  uint32_t False = 0;
  uint32_t Trite = 0;
};

struct TReaderProperty {
  TDiscBlockCode Code;
  uint8_t Mark = Mark_None;
  uint8_t Read = 0;  // 0 unread, 1 read
  uint8_t Possibility = 100;

  bool operator==(const TReaderProperty& other) const = default;

  TStr GetMarkText() const;
  uint32_t GetMarkColor(const TMarkColors& colors) const;
  int GetPossibility() const { return Possibility; }
  void SetFromDiscBlock(const TDiscBlock& block);
  // The reader's values of another property (its block stays).
  void CopyValuesFrom(const TReaderProperty& other);

  // Stored form: code, u8 mark, u8 read, u8 possibility.
  void SaveToBufWriter(TBufWriter& writer) const;
  void LoadFromBufReader(TBufReader& reader);
};

class TReaderProperties {
public:
  TArray<TReaderProperty> Items;

  int Count() const { return Items.Count(); }
  // Index of the property of a block, -1 when absent.
  int Find(TDiscBlockCode code) const;
  // Appends a property for the block; -1 (reported) when the list cannot grow.
  int Add(const TDiscBlock& block);
  void Clear();

private:
  mutable std::unordered_map<uint32_t, int> CodeIndex;
  mutable int IndexedCount = 0;
};
