// Writing into a large discussion through a browse window's engine: adding one block
// under the root, and pasting a subtree of 1,000 blocks, in discussions of 10,000 and
// 100,000 blocks spread over the model, comment and note storages. Each operation is
// taken back (its undo step) outside the timing, so every round meets the same sizes.

#include "browse/Tbrowse.h"
#include "foundation/Tlisteners.h"
#include "model/Blocknames.h"
#include "model/Tclip.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

constexpr int SubtreeBlocks = 1000;

struct TBench {
  TDiscussionsManager manager;
  int index = -1;
  TDiscussion* d = nullptr;
  TDiscBlockIndex root, subtree;
  TBrowse browse;

  explicit TBench(int blocks) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = std::string(tmp ? tmp : "/tmp") + "/quillaran-bench-paste-" + std::to_string(blocks);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    DiscussionsManager() = &manager;
    manager.Init(TStr(folder));
    index = manager.CreateNewDiscussion(manager.CreatedRoot, "Bench", true, 0);
    d = &manager.GetDiscussion(index);
    d->Load();
    d->Info.Creating = 1;
    root = d->Storages.GetRootBlockIndex();
    d->Authors.CreateAuthor(*d, "L-1", 1, 0);
    // A chain of 1,000 model blocks is the subtree; the rest hang under the root and its
    // children: model blocks first, then comments and notes.
    subtree = Add(StorageType_Model, root);
    TDiscBlockIndex upper = subtree;
    for (int i = 1; i < SubtreeBlocks; ++i) upper = Add(StorageType_Model, upper);
    int left = blocks - SubtreeBlocks;
    const int model = std::min(left, 60000 - SubtreeBlocks);
    for (int i = 0; i < model; ++i)
      Add(StorageType_Model, i < 100 ? root : TDiscBlockIndex{StorageType_Model, uint16_t(SubtreeBlocks + 1 + i % 100)});
    left -= model;
    for (int i = 0; i < left; ++i)
      Add(i % 2 ? StorageType_Notes : StorageType_Comments, TDiscBlockIndex{StorageType_Model, uint16_t(SubtreeBlocks + 1 + i % 1000)});
    d->Undo.Clear();
    browse.SetDiscussionIndex(index);
    browse.CurrentBrowseState.CurrentItem.Ident.SetDiscBlock(*d, root);
  }
  ~TBench() { DiscussionsManager() = nullptr; }

  TDiscBlockIndex Add(uint8_t type, TDiscBlockIndex upper) {
    TBlocksStorage& storage = *d->Storages.GetStorage(type);
    const int at = storage.AddEmptyItem();
    TDiscBlock& block = storage.Block(at);
    block.StorageType = type;
    block.BlockNum = uint16_t(storage.TakeNewBlockNum());
    block.Num = uint16_t(at + 1);
    block.Upper = upper;
    block.UpperCode = d->Storages.GetDiscBlock(upper)->GetDiscBlockCode();
    if (HasAuthorField(type)) block.ADIdent = 1;
    block.Name = std::to_string(type) + "-" + std::to_string(at + 1);
    storage.Texts(at).Str.Text = "a block text";
    storage.ClearNameIndex();
    return TDiscBlockIndex{type, uint16_t(at)};
  }
  // Back to the sizes of the start.
  void TakeBack() {
    d->Undo.UndoStep(*d);
    TListeners::Instance().DeliverQueued();
    browse.CurrentBrowseState.CurrentItem.Children.clear();
    browse.CurrentBrowseState.Rows.Clear();
  }
};

void Run(benchmark::State& state, int blocks, int pasted) {
  TBench bench(blocks);
  TClip clip;
  for (auto _ : state) {
    state.PauseTiming();
    clip.Reset(0);
    clip.Add(bench.manager, bench.index, pasted == 1 ? TDiscBlockIndex{StorageType_Model, uint16_t(SubtreeBlocks)} : bench.subtree);
    bench.d->Undo.StartStep();
    state.ResumeTiming();
    if (!bench.browse.Paste(clip, TBrowseItemIndex())) state.SkipWithError("refused");
    state.PauseTiming();
    bench.TakeBack();
    state.ResumeTiming();
  }
  state.counters["blocks"] = blocks;
}

// One block (the childless end of the chain) pasted: what adding a block costs.
void BM_AddBlock(benchmark::State& state) { Run(state, int(state.range(0)), 1); }
void BM_PasteSubtree(benchmark::State& state) { Run(state, int(state.range(0)), SubtreeBlocks); }

BENCHMARK(BM_AddBlock)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PasteSubtree)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
