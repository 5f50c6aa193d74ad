#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "Scratchroot.h"
#include "platform/kernel/Codepage.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Counts live items, and owns memory so that a raw copy of it would be caught.
struct Tracked : TArrayItem {
  static int live;
  std::unique_ptr<int> value;
  Tracked() : value(new int(0)) { ++live; }
  explicit Tracked(int v) : value(new int(v)) { ++live; }
  Tracked(const Tracked& o) : value(new int(*o.value)) { ++live; }
  Tracked(Tracked&& o) noexcept : value(std::move(o.value)) { ++live; }
  Tracked& operator=(const Tracked& o) {
    value.reset(new int(*o.value));
    return *this;
  }
  Tracked& operator=(Tracked&& o) noexcept = default;
  ~Tracked() override { --live; }
  bool operator==(const Tracked& o) const { return *value == *o.value; }
  int Compare(const TArrayItem& other) const override {
    return *value - *static_cast<const Tracked&>(other).value;
  }
  int V() const { return *value; }
};
int Tracked::live = 0;

std::vector<int> Values(const TArray<Tracked>& a) {
  std::vector<int> v;
  for (const Tracked& t : a) v.push_back(t.V());
  return v;
}

TEST(Tarray, GrowingArrayAddsInsertsDeletesSortsAndClears) {
  TScratchRoot root;
  {
    TArray<Tracked> a;  // step 1
    EXPECT_EQ(a.GrowStep(), 1);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(a.AddItem(Tracked(i * 37 % 100)), i);
    EXPECT_EQ(a.Count(), 100u);
    EXPECT_GE(a.Capacity(), 100u);
    EXPECT_EQ(a.AddEmptyItem(), 100);
    EXPECT_EQ(a[100].V(), 0);
    EXPECT_TRUE(a.Delete(100));
    EXPECT_EQ(a.InsertItem(0, Tracked(-1)), 0);
    EXPECT_EQ(a.InsertEmpty(a.Count()), 101);
    EXPECT_EQ(a.InsertItem(50, Tracked(500)), 50);
    EXPECT_EQ(a[0].V(), -1);
    EXPECT_EQ(a[50].V(), 500);
    EXPECT_EQ(a[51].V(), 49 * 37 % 100);
    a.Sort();
    std::vector<int> sorted = Values(a);
    EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end()));
    EXPECT_EQ(a[0].V(), -1);
    EXPECT_EQ(a[a.Count() - 1].V(), 500);
    uint32_t before = a.Count();
    EXPECT_EQ(a.AddItemNoDupes(Tracked(500)), static_cast<int32_t>(before - 1));
    EXPECT_EQ(a.AddItemNoDupes(Tracked(1000)), static_cast<int32_t>(before));
    EXPECT_EQ(Tracked::live, static_cast<int>(a.Count()));

    TArray<Tracked> copy(a);
    EXPECT_EQ(Values(copy), Values(a));
    EXPECT_TRUE(copy.AddList(a));
    EXPECT_TRUE(copy.AddList(copy));
    EXPECT_EQ(copy.Count(), 4 * a.Count());
    TArray<Tracked> moved(std::move(copy));
    EXPECT_EQ(copy.Count(), 0u);
    EXPECT_EQ(moved.Count(), 4 * a.Count());
    moved.Clear();
    EXPECT_EQ(moved.Count(), 0u);
    EXPECT_EQ(moved.Capacity(), 0u);
    EXPECT_EQ(Tracked::live, static_cast<int>(a.Count()));
    a.Sort([](const Tracked& x, const Tracked& y) { return y.V() - x.V(); });
    EXPECT_EQ(a[0].V(), 1000);
  }
  EXPECT_EQ(Tracked::live, 0);
  EXPECT_FALSE(IsErrorReported());
}

TEST(Tarray, FixedArrayRefusesToGrowWithTheTextOfEachOperation) {
  TScratchRoot root;
  TArray<TStr> a(0, 2);
  EXPECT_EQ(a.AddItem(TStr("one")), 0);
  EXPECT_EQ(a.AddEmptyItem(), 1);
  EXPECT_EQ(a.AddEmptyItem(), -1);
  EXPECT_EQ(a.AddItem(TStr("three")), -1);
  EXPECT_EQ(a.AddItemNoDupes(TStr("four")), -1);
  EXPECT_EQ(a.AddItemNoDupes(TStr("one")), 0);  // found, nothing to add
  EXPECT_FALSE(a.AddList(a));
  EXPECT_EQ(a.InsertEmpty(0), -1);
  EXPECT_EQ(a.InsertEmpty(5), -1);
  EXPECT_FALSE(a.Delete(2));
  EXPECT_EQ(a.Count(), 2u);
  a.Clear();  // a fixed array keeps its room
  EXPECT_EQ(a.AddItem(TStr("again")), 0);
  EXPECT_EQ(root.Log(), platform::AnsiToUtf8(
            "ERROR MESSAGE: TArray::AddEmptyItem - попытка расширения нерасширяемого массива\n"
            "ERROR MESSAGE: TArray::AddList - попытка расширения нерасширяемого массива\n"
            "ERROR MESSAGE: TArray::AddItemNoDupes - попытка расширения нерасширяемого массива\n"
            "ERROR MESSAGE: TArray::AddList - попытка расширения нерасширяемого массива\n"
            "ERROR MESSAGE: TArray::InsertEmpty - попытка расширения нерасширяемого массива\n"
            "ERROR MESSAGE: TArray::InsertEmpty - позиция вставки вне границ массива\n"
            "ERROR MESSAGE: TArray::Delete - индекс вне границ массива\n"));
}

TEST(Tarray, AFailedReallocationIsReportedAndAddsNothing) {
  TScratchRoot root;
  TArray<TStr> a(10);
  TArrayBase::SetAllocationLimit(64 * sizeof(TStr));
  int32_t last = 0;
  for (int i = 0; i < 100 && last >= 0; ++i) last = a.AddItem(TStr("x"));
  uint32_t full = a.Count();
  EXPECT_EQ(a.AddEmptyItem(), -1);
  EXPECT_EQ(a.AddItemNoDupes(TStr("y")), -1);
  EXPECT_EQ(a.InsertEmpty(0), -1);
  EXPECT_FALSE(a.AddList(a));
  TArrayBase::SetAllocationLimit(0);
  EXPECT_EQ(a.Count(), full);
  EXPECT_LE(full, 64u);
  for (const TStr& s : a) EXPECT_EQ(s, "x");
  EXPECT_EQ(root.Log(), platform::AnsiToUtf8(
            "ERROR MESSAGE: TArray::AddItem - ошибка перераспределения массива элементов\n"
            "ERROR MESSAGE: TArray::AddEmptyItem - ошибка перераспределения массива элементов\n"
            "ERROR MESSAGE: TArray::AddItemNoDupes - ошибка перераспределения массива элементов\n"
            "ERROR MESSAGE: TArray::InsertEmpty - ошибка перераспределения массива элементов\n"
            "ERROR MESSAGE: TArray::AddList - ошибка перераспределения массива элементов\n"));
}

}  // namespace
