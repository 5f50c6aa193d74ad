// Building lower lists of large discussions (10,000, 60,000 and 100,000 blocks): three tenths model
// blocks in a tree of five children each, six tenths comments of 100 authors (half of them
// answers to earlier comments), one tenth notes; the root also holds 2,000 model blocks
// directly. Measured: the children of the root with their rows (texts taken from the
// blocks' height caches, and laid out anew), the blocks of one author, the disputants of the root
// (the whole tree), a search over the whole discussion, each retrieval kind, and the erased
// blocks. Block texts are 200 characters long.

#include "browse/Lowerlistcollectors.h"
#include "browse/Retrievallists.h"
#include "browse/Tbrowse.h"
#include "foundation/Tlisteners.h"
#include "model/Blockretrieval.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/display/Headlessscreen.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct TRandom {
  uint32_t State = 12345;
  uint32_t Below(uint32_t n) {
    State = State * 1664525u + 1013904223u;
    return (State >> 8) % n;
  }
};

TDiscBlockIndex Append(TDiscussion& d, uint8_t type, TDiscBlockIndex upper, uint16_t adident, uint16_t num,
                       TRandom& random) {
  TBlocksStorage& storage = *d.Storages.GetStorage(type);
  const int index = storage.AddEmptyItem();
  const TDiscBlockIndex own{type, uint16_t(index)};
  TDiscBlock& block = storage.Block(index);
  block.BlockNum = uint16_t(storage.TakeNewBlockNum());
  block.ADIdent = adident;
  block.Upper = upper;
  block.UpperCode = d.Storages.GetDiscBlock(upper)->GetDiscBlockCode();
  block.Num = num;
  block.Date = int16_t(random.Below(400));
  block.DeleteFlag = random.Below(50) == 0 ? DeleteFlag_Erased : DeleteFlag_Alive;
  block.SetComposedBlockName(d, own);
  // Texts of 200 characters; one in twenty holds the searched word near its end.
  std::string text = random.Below(20) == 0 ? "the searched word is here" : "an ordinary text of a block";
  while (text.size() < 200) text = "Words of a block, one after another. " + text;
  storage.Texts(index).Str.Text = text.substr(text.size() - 200);
  block.Importance = random.Below(10) == 0 ? 1 : 0;
  block.Novelty = random.Below(7) == 0 ? 1 : 0;
  if (random.Below(100) == 0) block.DeleteFlag = DeleteFlag_Recycled;
  if (random.Below(30) == 0) {
    const int property = d.ReaderProperties.Add(block);
    d.ReaderProperties.Items[property].Mark = uint8_t(1 + random.Below(3));
    d.ReaderProperties.Items[property].Read = 1;
  }
  if (random.Below(50) == 0) d.Themes[0].Blocks.AddItem(block.GetDiscBlockCode());
  if (type == StorageType_Comments && random.Below(100) == 0)
    d.User.PostLists.Items[0].Blocks.AddItem(block.GetDiscBlockCode());
  return own;
}

struct TBench {
  std::string Folder;
  platform::HeadlessScreen Screen{1024, 768};
  TDiscussionsManager Manager;
  int Index = -1;
  TDiscBlockIndex Root;

  explicit TBench(int blocks) {
    TListeners::Instance();
    Folder = (std::filesystem::temp_directory_path() / ("quillaran-bench-lowerlist-" + std::to_string(blocks))).string();
    std::filesystem::remove_all(Folder);
    Manager.Init(Folder.c_str());
    Index = Manager.CreateNewDiscussion(Manager.DiscussedRoot, "Bench", true, 0);
    TDiscussion& d = Manager.GetDiscussion(Index);
    Root = d.Storages.GetRootBlockIndex();
    TRandom random;
    for (uint16_t a = 1; a <= 100; ++a) d.Authors.CreateAuthor(d, TStr(), a, 0);
    d.Themes.AddEmptyItem();
    d.Themes[0].Name = "Bench";
    d.User.PostLists.AddNewItem(d);
    std::vector<uint16_t> children(1, 0);
    std::vector<TDiscBlockIndex> model;
    for (int i = 0; i < 2000; ++i) {
      model.push_back(Append(d, StorageType_Model, Root, NoADIdent, ++children[0], random));
      children.push_back(0);
    }
    const int models = blocks * 3 / 10, comments = blocks * 6 / 10, notes = blocks - models - comments;
    for (int i = int(model.size()); i < models; ++i) {
      const TDiscBlockIndex upper = model[size_t(i - 1) / 5];
      model.push_back(Append(d, StorageType_Model, upper, NoADIdent, ++children[upper.Index], random));
      children.push_back(0);
    }
    std::vector<TDiscBlockIndex> comment;
    for (int i = 0; i < comments; ++i) {
      const bool answer = !comment.empty() && random.Below(2) == 0;
      const TDiscBlockIndex upper =
          answer ? comment[comment.size() - 1 - random.Below(std::min<uint32_t>(uint32_t(comment.size()), 50))]
                 : model[random.Below(uint32_t(model.size()))];
      comment.push_back(Append(d, StorageType_Comments, upper, uint16_t(1 + random.Below(100)), uint16_t(i + 1), random));
    }
    for (int i = 0; i < notes; ++i)
      Append(d, StorageType_Notes, model[random.Below(uint32_t(model.size()))], NoADIdent, uint16_t(i + 1), random);
    DiscussionsManager() = &Manager;
  }
  ~TBench() {
    DiscussionsManager() = nullptr;
    std::filesystem::remove_all(Folder);
  }
};

TBench& BenchOf(int blocks) {
  // Freed at exit like any static: the window system outlives the benches' screens.
  static std::map<int, std::unique_ptr<TBench>> made;
  std::unique_ptr<TBench>& bench = made[blocks];
  if (!bench) bench = std::make_unique<TBench>(blocks);
  DiscussionsManager() = &bench->Manager;
  return *bench;
}

void BM_ChildrenOfTheRoot(benchmark::State& state) {
  TBench& bench = BenchOf(int(state.range(0)));
  TBrowse browse;
  browse.SetDiscussionIndex(bench.Index);
  browse.CurrentBrowseState.CurrentItem.Ident.SetDiscBlock(bench.Manager.GetDiscussion(bench.Index), bench.Root);
  browse.CurrentBrowseState.DisplayMode = DisplayMode_Full;
  for (auto _ : state) browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  state.counters["rows"] = double(browse.CurrentBrowseState.Rows.Count());
  browse.Done();
}

// The same with every block's row heights forgotten: each text is laid out again.
void BM_ChildrenOfTheRootMeasured(benchmark::State& state) {
  TBench& bench = BenchOf(int(state.range(0)));
  TDiscussion& d = bench.Manager.GetDiscussion(bench.Index);
  TBrowse browse;
  browse.SetDiscussionIndex(bench.Index);
  browse.CurrentBrowseState.CurrentItem.Ident.SetDiscBlock(d, bench.Root);
  browse.CurrentBrowseState.DisplayMode = DisplayMode_Full;
  for (auto _ : state) {
    state.PauseTiming();
    for (TDiscBlock& block : d.Storages.Model.Blocks) block.HeightMode1 = block.HeightMode2 = UnmeasuredHeight;
    state.ResumeTiming();
    browse.BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
  }
  state.counters["rows"] = double(browse.CurrentBrowseState.Rows.Count());
  browse.Done();
}

void BM_BlocksOfAuthor(benchmark::State& state) {
  TDiscussion& d = BenchOf(int(state.range(0))).Manager.GetDiscussion(BenchOf(int(state.range(0))).Index);
  size_t found = 0;
  for (auto _ : state) {
    TArray<TDiscBlockIndex> blocks;
    CollectBlocksOfAuthor(d, 17, false, blocks);
    found = blocks.Count();
  }
  state.counters["blocks"] = double(found);
}

void BM_DisputantsOfTheRoot(benchmark::State& state) {
  TBench& bench = BenchOf(int(state.range(0)));
  TDiscussion& d = bench.Manager.GetDiscussion(bench.Index);
  for (auto _ : state) {
    TArray<TAuthorADIdent> idents;
    CollectThesisDisputants(d, bench.Root, idents);
    benchmark::DoNotOptimize(idents.Count());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SearchFromTheRoot(benchmark::State& state) {
  TBench& bench = BenchOf(int(state.range(0)));
  TDiscussion& d = bench.Manager.GetDiscussion(bench.Index);
  size_t found = 0;
  for (auto _ : state) {
    TArray<TDiscBlockIndex> blocks;
    CollectRetrieval(d, bench.Root, blocks, Retrieval_Search, -1, TStr("searched"), false, nullptr);
    found = blocks.Count();
  }
  state.counters["found"] = double(found);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Each retrieval kind from the root (the erased and deleted over every storage): its day, theme
// and post list are those the discussion was made with.
void BM_RetrievalKind(benchmark::State& state) {
  TBench& bench = BenchOf(int(state.range(0)));
  TDiscussion& d = bench.Manager.GetDiscussion(bench.Index);
  const uint8_t kind = uint8_t(state.range(1));
  int32_t data = -1;
  if (kind == Retrieval_Theme) data = 0;
  if (kind == Retrieval_NotesOfDay || kind == Retrieval_CommentsOfDay) data = BlockDateOffset + 7;
  if (kind == Retrieval_PostList) data = d.User.PostLists.Items[0].Number;
  const TStr text(kind == Retrieval_Search ? "searched" : "");
  size_t found = 0;
  for (auto _ : state) {
    TArray<TDiscBlockIndex> blocks;
    CollectRetrieval(d, bench.Root, blocks, kind, data, text, false, nullptr);
    found = blocks.Count();
  }
  state.counters["found"] = double(found);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ErasedBlocks(benchmark::State& state) {
  TBench& bench = BenchOf(int(state.range(0)));
  TDiscussion& d = bench.Manager.GetDiscussion(bench.Index);
  size_t found = 0;
  for (auto _ : state) {
    TArray<TDiscBlockIndex> blocks;
    CollectRetrieval(d, bench.Root, blocks, Retrieval_Erased, -1, TStr(), false, nullptr);
    found = blocks.Count();
  }
  state.counters["found"] = double(found);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_ChildrenOfTheRoot)->Arg(10000)->Arg(60000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChildrenOfTheRootMeasured)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlocksOfAuthor)->Arg(10000)->Arg(60000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DisputantsOfTheRoot)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchFromTheRoot)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RetrievalKind)
    ->ArgsProduct({{10000, 100000}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}})
    ->ArgNames({"blocks", "kind"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ErasedBlocks)->Arg(10000)->Arg(60000)->Unit(benchmark::kMillisecond);
