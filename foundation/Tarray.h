#pragma once
// TArray: the program's growable array. A 32-bit count, a 32-bit capacity and
// a 16-bit growth step (0 = a fixed array that never grows beyond the capacity
// it was given). Items are constructed, moved and destroyed as C++ objects;
// they may move whenever the array grows, so nothing may keep a pointer or a
// reference into an array across an add or an insert. Failures are reported
// to the error state and answered with -1 (or false); nothing is added then.

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <new>
#include <string_view>
#include <utility>

// Base of items that sort by their own order.
class TArrayItem {
 public:
  virtual ~TArrayItem() = default;
  // Negative, zero or positive as this item sorts before, with or after `other`.
  virtual int Compare(const TArrayItem& other) const = 0;
};

// The untyped part: error reports and the item blocks.
class TArrayBase {
 public:
  static void ReportError(std::string_view text);
  // Item blocks larger than this are refused as if the heap were exhausted
  // (0 = no limit); lets the refusal be exercised.
  static void SetAllocationLimit(size_t bytes);

 protected:
  static void* AllocBlock(size_t bytes);
  static void FreeBlock(void* block);
  // The capacity after growing a full array of `capacity` items by at least `extra`;
  // 0 when the count would leave the 31-bit index range.
  static uint32_t GrownCapacity(uint32_t capacity, uint16_t step, uint32_t extra);
};

template <class T>
class TArray : public TArrayBase {
  static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "over-aligned items");

 public:
  explicit TArray(uint16_t growStep = 1, uint32_t capacity = 0) : fGrowStep(growStep) {
    if (capacity) SetCapacity(capacity);
  }
  TArray(const TArray& other) : fGrowStep(other.fGrowStep) { CopyFrom(other); }
  TArray(TArray&& other) noexcept
      : fItems(other.fItems), fCount(other.fCount), fCapacity(other.fCapacity), fGrowStep(other.fGrowStep) {
    other.fItems = nullptr;
    other.fCount = other.fCapacity = 0;
  }
  ~TArray() { Release(); }

  TArray& operator=(const TArray& other) {
    if (this != &other) {
      Release();
      fGrowStep = other.fGrowStep;
      CopyFrom(other);
    }
    return *this;
  }
  TArray& operator=(TArray&& other) noexcept {
    if (this != &other) {
      Release();
      fItems = other.fItems;
      fCount = other.fCount;
      fCapacity = other.fCapacity;
      fGrowStep = other.fGrowStep;
      other.fItems = nullptr;
      other.fCount = other.fCapacity = 0;
    }
    return *this;
  }

  uint32_t Count() const { return fCount; }
  uint32_t Capacity() const { return fCapacity; }
  uint16_t GrowStep() const { return fGrowStep; }
  void SetGrowStep(uint16_t step) { fGrowStep = step; }
  bool IsEmpty() const { return fCount == 0; }

  T& operator[](uint32_t i) {
    assert(i < fCount);
    return fItems[i];
  }
  const T& operator[](uint32_t i) const {
    assert(i < fCount);
    return fItems[i];
  }
  T& GetItem(uint32_t i) { return (*this)[i]; }
  const T& GetItem(uint32_t i) const { return (*this)[i]; }
  T* begin() { return fItems; }
  T* end() { return fItems + fCount; }
  const T* begin() const { return fItems; }
  const T* end() const { return fItems + fCount; }

  // Appends a default item; its index, or -1.
  int32_t AddEmptyItem() {
    if (!Room(1, "TArray::AddEmptyItem - попытка расширения нерасширяемого массива",
              "TArray::AddEmptyItem - ошибка перераспределения массива элементов"))
      return -1;
    new (fItems + fCount) T();
    return static_cast<int32_t>(fCount++);
  }

  // Appends a copy (or the moved item); its index, or -1.
  int32_t AddItem(const T& item) { return Append(T(item)); }
  int32_t AddItem(T&& item) { return Append(std::move(item)); }

  // The index of an equal item when there is one; else appends a copy.
  int32_t AddItemNoDupes(const T& item) {
    int32_t found = IndexOf(item);
    if (found >= 0) return found;
    if (!Room(1, "TArray::AddItemNoDupes - попытка расширения нерасширяемого массива",
              "TArray::AddItemNoDupes - ошибка перераспределения массива элементов"))
      return -1;
    new (fItems + fCount) T(item);
    return static_cast<int32_t>(fCount++);
  }

  // Appends copies of every item of `other`; all or nothing.
  bool AddList(const TArray& other) {
    if (other.fCount == 0) return true;
    if (&other == this) {
      TArray copy(*this);
      return AddList(copy);
    }
    if (!Room(other.fCount, "TArray::AddList - попытка расширения нерасширяемого массива",
              "TArray::AddList - ошибка перераспределения массива элементов"))
      return false;
    for (const T& item : other) new (fItems + fCount++) T(item);
    return true;
  }

  // Inserts a default item before `pos` (pos == Count appends); its index, or -1.
  int32_t InsertEmpty(uint32_t pos) { return Insert(pos, T()); }
  int32_t InsertItem(uint32_t pos, const T& item) { return Insert(pos, T(item)); }

  // Removes an item, shifting the rest down.
  bool Delete(uint32_t index) {
    if (index >= fCount) {
      ReportError("TArray::Delete - индекс вне границ массива");
      return false;
    }
    std::move(fItems + index + 1, fItems + fCount, fItems + index);
    fItems[--fCount].~T();
    return true;
  }

  // Destroys every item and keeps the block for the items to come.
  void RemoveAll() { DestroyItems(); }

  // Destroys every item and frees the block; a fixed array keeps its capacity.
  void Clear() {
    if (fGrowStep == 0) {
      DestroyItems();
    } else {
      Release();
    }
  }

  // Makes room for `capacity` items without adding any; false after a report when it cannot.
  bool SetCapacity(uint32_t capacity) {
    if (capacity <= fCapacity) return true;
    if (!Reallocate(capacity)) {
      ReportError("TArray::SetCapacity - ошибка перераспределения массива элементов");
      return false;
    }
    return true;
  }

  // Sorts by the items' own Compare; equal items keep their order.
  void Sort() {
    std::stable_sort(begin(), end(), [](const T& a, const T& b) { return a.Compare(b) < 0; });
  }
  // Sorts by a function answering negative, zero or positive.
  template <class Compare>
  void Sort(Compare compare) {
    std::stable_sort(begin(), end(), [&](const T& a, const T& b) { return compare(a, b) < 0; });
  }

  int32_t IndexOf(const T& item) const {
    for (uint32_t i = 0; i < fCount; ++i)
      if (fItems[i] == item) return static_cast<int32_t>(i);
    return -1;
  }

 private:
  int32_t Append(T&& item) {
    if (!Room(1, "TArray::AddList - попытка расширения нерасширяемого массива",
              "TArray::AddItem - ошибка перераспределения массива элементов"))
      return -1;
    new (fItems + fCount) T(std::move(item));
    return static_cast<int32_t>(fCount++);
  }

  int32_t Insert(uint32_t pos, T&& item) {
    if (pos > fCount) {
      ReportError("TArray::InsertEmpty - позиция вставки вне границ массива");
      return -1;
    }
    if (!Room(1, "TArray::InsertEmpty - попытка расширения нерасширяемого массива",
              "TArray::InsertEmpty - ошибка перераспределения массива элементов"))
      return -1;
    if (pos == fCount) {
      new (fItems + fCount) T(std::move(item));
    } else {
      new (fItems + fCount) T(std::move(fItems[fCount - 1]));
      std::move_backward(fItems + pos, fItems + fCount - 1, fItems + fCount);
      fItems[pos] = std::move(item);
    }
    ++fCount;
    return static_cast<int32_t>(pos);
  }

  // Ensures room for `extra` more items, reporting the fixed or the reallocation text.
  bool Room(uint32_t extra, std::string_view fixedText, std::string_view reallocText) {
    if (fCapacity - fCount >= extra) return true;
    if (fGrowStep == 0) {
      ReportError(fixedText);
      return false;
    }
    uint32_t capacity = GrownCapacity(fCapacity, fGrowStep, extra - (fCapacity - fCount));
    if (capacity == 0 || !Reallocate(capacity)) {
      ReportError(reallocText);
      return false;
    }
    return true;
  }

  bool Reallocate(uint32_t capacity) {
    if (static_cast<uint64_t>(capacity) * sizeof(T) > SIZE_MAX / 2) return false;
    T* fresh = static_cast<T*>(AllocBlock(static_cast<size_t>(capacity) * sizeof(T)));
    if (!fresh) return false;
    for (uint32_t i = 0; i < fCount; ++i) {
      new (fresh + i) T(std::move_if_noexcept(fItems[i]));
      fItems[i].~T();
    }
    FreeBlock(fItems);
    fItems = fresh;
    fCapacity = capacity;
    return true;
  }

  void CopyFrom(const TArray& other) {
    uint32_t capacity = fGrowStep == 0 ? other.fCapacity : other.fCount;
    if (capacity && !Reallocate(capacity)) {
      ReportError("TArray::operator= - ошибка перераспределения массива элементов");
      return;
    }
    for (const T& item : other) new (fItems + fCount++) T(item);
  }

  void DestroyItems() {
    for (uint32_t i = 0; i < fCount; ++i) fItems[i].~T();
    fCount = 0;
  }

  void Release() {
    DestroyItems();
    FreeBlock(fItems);
    fItems = nullptr;
    fCapacity = 0;
  }

  T* fItems = nullptr;
  uint32_t fCount = 0;
  uint32_t fCapacity = 0;
  uint16_t fGrowStep = 1;
};
