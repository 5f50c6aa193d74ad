// Pooled texts as a discussion's load makes them: they outlive their pool, are freed on
// any thread, and their chunk goes with the last of them, to be taken again by the next
// pool of its size; pools filled on several threads at once, past what they expected.

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Tmemmanager.h"
#include "foundation/Tstr.h"
#include "foundation/Ttextpool.h"
#include "platform/rtl/Ttaskgroup.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// The i-th text: 1 to 300 characters, each its own.
std::string Text(int i) { return std::to_string(i) + std::string(size_t(i * 7919 % 300), char('a' + i % 26)); }

// The stored form of texts first to first + count - 1: a length and the characters each.
std::string Stored(int first, int count) {
  std::string bytes;
  {
    TBufWriter writer(bytes);
    for (int i = first; i < first + count; ++i) TStr(Text(i)).SaveToBufWriter(writer);
  }
  return bytes;
}

std::vector<TStr> Load(const std::string& stored, int count, TTextPool& pool) {
  TBufReader reader(stored);
  std::vector<TStr> texts;
  texts.resize(size_t(count));
  for (TStr& text : texts) text.LoadFromBufReader(reader, &pool);
  return texts;
}

TEST(TextPool, TextsOutliveThePoolAndTheirChunkGoesWithTheLastOfThemOnAnyThread) {
  TMemManager::ReleaseKept();
  constexpr int Count = 12000;  // about 1.9 MB: one chunk of large pages, kept when freed
  const std::string stored = Stored(0, Count);
  std::vector<TStr> texts;
  const char* first = nullptr;
  {
    TTextPool pool(stored.size() / 4 * 5);
    texts = Load(stored, Count, pool);
    first = texts[0].c_str();
  }
  for (int i = 0; i < Count; ++i) ASSERT_EQ(texts[size_t(i)].View(), Text(i)) << i;

  // Copies are texts of their own; moves carry the pooled text.
  TStr copy = texts[1];
  TStr moved = std::move(texts[2]);
  EXPECT_NE(copy.c_str(), texts[1].c_str());
  EXPECT_EQ(moved.View(), Text(2));

  // Half freed here, half on another thread, one kept.
  TStr last = std::move(texts[Count - 1]);
  std::vector<TStr> elsewhere(std::make_move_iterator(texts.begin() + Count / 2), std::make_move_iterator(texts.end()));
  texts.clear();
  std::thread([&] { elsewhere.clear(); }).join();
  EXPECT_EQ(moved.View(), Text(2));
  moved.Clear();

  // The chunk lives on for its last text: the next pool of its size takes other memory.
  TTextPool other(stored.size() / 4 * 5);
  const std::vector<TStr> others = Load(stored, 1, other);
  EXPECT_NE(others[0].c_str(), first);
  EXPECT_EQ(last.View(), Text(Count - 1));
  EXPECT_EQ(copy.View(), Text(1));

  // Its last text freed on another thread, the chunk is kept for the next pool of its size.
  std::thread([&] { last.Clear(); }).join();
  TTextPool again(stored.size() / 4 * 5);
  const std::vector<TStr> reused = Load(stored, Count, again);
  EXPECT_EQ(reused[0].c_str(), first);
  EXPECT_EQ(reused[Count - 1].View(), Text(Count - 1));
}

TEST(TextPool, PoolsFilledOnSeveralThreadsAtOncePastTheirGuess) {
  constexpr int Pools = 16, Count = 3000;
  std::vector<std::string> stored;
  for (int p = 0; p < Pools; ++p) stored.push_back(Stored(p * Count, Count));
  std::vector<std::vector<TStr>> texts(Pools);
  {
    TTaskGroup tasks;
    for (int p = 0; p < Pools; ++p)
      tasks.Run([&, p] {
        // A guess far short of the texts: one chunk after another.
        TTextPool pool(4096);
        texts[size_t(p)] = Load(stored[size_t(p)], Count, pool);
      });
    tasks.Wait();
  }
  for (int p = 0; p < Pools; ++p)
    for (int i = 0; i < Count; ++i) ASSERT_EQ(texts[size_t(p)][size_t(i)].View(), Text(p * Count + i));
  // Half of each pool's texts freed here, the rest by tasks, each the next pool's.
  for (std::vector<TStr>& pool : texts)
    for (size_t i = 0; i < pool.size(); i += 2) pool[i].Clear();
  TTaskGroup tasks;
  for (int p = 0; p < Pools; ++p) tasks.Run([&, p] { texts[size_t((p + 1) % Pools)].clear(); });
  tasks.Wait();
}

}  // namespace
