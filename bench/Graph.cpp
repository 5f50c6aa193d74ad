// Building the graph of a discussion, laying it out on the grid and painting it in a browse
// window, for 10,000 and 100,000 blocks: three tenths model blocks in a tree of five children each, six tenths comments
// (half of them answers to earlier comments, so threads grow deep), one tenth notes. Then
// the layout of a tree shaped to push one long thread right at every level.

#include "browse/Tformbrowse.h"
#include "browse/Tgraph.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Tlisteners.h"
#include "model/Blocknames.h"
#include "model/Tdiscussion.h"
#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/forms/Forms.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <vector>

namespace {

struct TRandom {
  uint32_t State = 12345;
  uint32_t Below(uint32_t n) {
    State = State * 1664525u + 1013904223u;
    return (State >> 8) % n;
  }
};

TDiscBlockIndex Append(TDiscussion& d, uint8_t type, TDiscBlockIndex upper, std::vector<uint16_t>& childCount) {
  TBlocksStorage& storage = *d.Storages.GetStorage(type);
  const int index = storage.AddEmptyItem();
  const TDiscBlockIndex own{type, uint16_t(index)};
  TDiscBlock& block = storage.Block(index);
  block.BlockNum = uint16_t(storage.TakeNewBlockNum());
  block.ADIdent = type == StorageType_Comments ? 1 : NoADIdent;
  block.Upper = upper;
  if (!upper.IsEmpty()) block.UpperCode = d.Storages.GetDiscBlock(upper)->GetDiscBlockCode();
  block.Num = type == StorageType_Model ? (upper.IsEmpty() ? 1 : ++childCount[upper.Index]) : block.BlockNum;
  block.SetComposedBlockName(d, own);
  if (type == StorageType_Model) childCount.push_back(0);
  return own;
}

std::unique_ptr<TDiscussion> MakeDiscussion(int blocks) {
  auto d = std::make_unique<TDiscussion>();
  d->Loaded = 1;
  TRandom random;
  std::vector<uint16_t> childCount;
  const int models = blocks * 3 / 10, comments = blocks * 6 / 10, notes = blocks - models - comments;
  std::vector<TDiscBlockIndex> model{Append(*d, StorageType_Model, {}, childCount)};
  for (int i = 1; i < models; ++i) model.push_back(Append(*d, StorageType_Model, model[size_t(i - 1) / 5], childCount));
  std::vector<TDiscBlockIndex> comment;
  for (int i = 0; i < comments; ++i) {
    const bool answer = !comment.empty() && random.Below(2) == 0;
    const TDiscBlockIndex upper =
        answer ? comment[comment.size() - 1 - random.Below(std::min<uint32_t>(uint32_t(comment.size()), 50))]
               : model[random.Below(uint32_t(model.size()))];
    comment.push_back(Append(*d, StorageType_Comments, upper, childCount));
  }
  for (int i = 0; i < notes; ++i) Append(*d, StorageType_Notes, model[random.Below(uint32_t(model.size()))], childCount);
  return d;
}

TDiscussion& DiscussionOf(int blocks) {
  // The listener registry must outlive the discussions' graphs, which unregister from it.
  TListeners::Instance();
  static std::map<int, std::unique_ptr<TDiscussion>> made;
  std::unique_ptr<TDiscussion>& d = made[blocks];
  if (!d) d = MakeDiscussion(blocks);
  return *d;
}

void BM_GraphBuild(benchmark::State& state) {
  platform::HeadlessScreen screen(1024, 768);
  TDiscussion& d = DiscussionOf(int(state.range(0)));
  TGraph& graph = DiscussionGraph(d);
  for (auto _ : state) {
    graph.Clear();
    if (!graph.Build()) state.SkipWithError("not built");
  }
  state.counters["nodes"] = graph.NodeCount();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_GraphPlace(benchmark::State& state) {
  platform::HeadlessScreen screen(1024, 768);
  TDiscussion& d = DiscussionOf(int(state.range(0)));
  TGraph& graph = DiscussionGraph(d);
  graph.Clear();
  graph.Build();
  for (auto _ : state) {
    graph.ResetPlacement();
    graph.EnsurePlaced();
  }
  state.counters["rows"] = graph.RowCount();
  state.counters["width"] = graph.GetWidth();
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_GraphBuildAndPlace(benchmark::State& state) {
  platform::HeadlessScreen screen(1024, 768);
  TDiscussion& d = DiscussionOf(int(state.range(0)));
  TGraph& graph = DiscussionGraph(d);
  for (auto _ : state) {
    graph.Clear();
    graph.Build();
    graph.EnsurePlaced();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A block appended to a built and placed graph of a large discussion, the layout computed
// again, and the block taken back.
void BM_GraphAddBlockAndPlace(benchmark::State& state) {
  platform::HeadlessScreen screen(1024, 768);
  TDiscussion& d = DiscussionOf(int(state.range(0)));
  TGraph& graph = DiscussionGraph(d);
  graph.Clear();
  graph.Build();
  graph.EnsurePlaced();
  const TDiscBlockIndex upper{StorageType_Model, 7};
  std::vector<uint16_t> childCount(size_t(d.Storages.Model.Count()), 100);
  for (auto _ : state) {
    const TDiscBlockIndex block = Append(d, StorageType_Notes, upper, childCount);
    graph.AddDiscBlock(d, block);
    graph.EnsurePlaced();
    d.Storages.Notes.DeleteLastItem(d);
    --d.Storages.Notes.LastBlockNum;
  }
}

// A thread of comments beside a comb (a spine whose every block also holds a leaf): the
// thread is pushed right at every level of its length.
void BM_GraphPlaceThreadBesideComb(benchmark::State& state) {
  platform::HeadlessScreen screen(1024, 768);
  TDiscussion d;
  d.Loaded = 1;
  std::vector<uint16_t> childCount;
  const TDiscBlockIndex root = Append(d, StorageType_Model, {}, childCount);
  TDiscBlockIndex spine = root, thread = root;
  for (int64_t i = 0; i < state.range(0); ++i) {
    spine = Append(d, StorageType_Comments, spine, childCount);
    Append(d, StorageType_Comments, spine, childCount);
  }
  for (int64_t i = 0; i < state.range(0); ++i) thread = Append(d, StorageType_Comments, thread, childCount);
  TGraph& graph = DiscussionGraph(d);
  graph.Build();
  for (auto _ : state) {
    graph.ResetPlacement();
    graph.EnsurePlaced();
  }
  state.counters["rows"] = graph.RowCount();
}

// A browse window 1280 x 1000 showing the graph of a large discussion, scrolled to the
// middle of its width.
struct TGraphWindow {
  platform::HeadlessScreen screen{1280, 1024};
  platform::ScreenDriver person;
  TBrowsePars pars;
  std::unique_ptr<TFormBrowse> form = std::make_unique<TFormBrowse>(nullptr);
  TGraph& graph;

  explicit TGraphWindow(TDiscussion& d) : graph(DiscussionGraph(d)) {
    form->SetUp();
    form->SetBrowsePars(&pars);
    form->SetBounds(0, 0, 1280, 1000);
    form->Show();
    form->PanelGraph->Show();
    form->PaintBoxGraph->OnPaint = [this](TObject*) { graph.Paint(form->Browse); };
    graph.Clear();
    graph.Build();
    graph.EnsurePlaced();
    form->ScrollBarGraphHorz->SetParams(graph.GetWidth() / 2, 0, graph.GetWidth());
    person.Pump();
  }
  ~TGraphWindow() { form->PaintBoxGraph->OnPaint = nullptr; }
};

// The whole graph panel painted again.
void BM_GraphPaint(benchmark::State& state) {
  TDiscussion& d = DiscussionOf(int(state.range(0)));
  TGraphWindow window(d);
  for (auto _ : state) {
    window.form->PaintBoxGraph->Invalidate();
    window.form->PanelGraph->Update();
  }
  state.counters["boxes"] = window.form->Browse.GraphPlaces.Count();
}

// The graph panel scrolled by one column, back and forth: the pixels move and the strip
// uncovered is painted.
void BM_GraphScrollColumn(benchmark::State& state) {
  TDiscussion& d = DiscussionOf(int(state.range(0)));
  TGraphWindow window(d);
  TScrollBar* bar = window.form->ScrollBarGraphHorz;
  int step = 1;
  for (auto _ : state) {
    bar->SetPosition(bar->Position() + step);
    step = -step;
  }
}

BENCHMARK(BM_GraphBuild)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GraphPlace)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GraphBuildAndPlace)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GraphAddBlockAndPlace)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GraphPlaceThreadBesideComb)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GraphPaint)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GraphScrollColumn)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
