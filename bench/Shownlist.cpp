// Building the list of a block's children in a browse window that is shown, as the user
// sees it: the rows made, the changed part of the window invalidated and painted. One
// block with 1,333 to 33,333 children in full display, three rows each (4,000 to 100,000
// rows); the children's heights are measured once when the window opens. Linear when the
// time per row ("per_row") stays flat from the smallest list to the largest.

#include "browse/Tbrowse.h"
#include "browse/Tformbrowsemanager.h"
#include "foundation/Tbrowsepars.h"
#include "foundation/Tlisteners.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

struct TShownList {
  std::string Folder;
  platform::HeadlessScreen Screen{1024, 768};
  platform::ScreenDriver Person;
  TDiscussionsManager Discussions;
  TBrowsePars Pars;
  std::unique_ptr<TFormBrowseManager> Windows;
  TBrowse* Browse = nullptr;

  explicit TShownList(int children) {
    TListeners::Instance();
    Folder = (std::filesystem::temp_directory_path() / ("quillaran-bench-shownlist-" + std::to_string(children))).string();
    std::filesystem::remove_all(Folder);
    setenv("QUILLARAN_HOME", (Folder + "/home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (Folder + "/config").c_str(), 1);
    DiscussionsManager() = &Discussions;
    Discussions.Init(Folder + "/data");
    const int index = Discussions.CreateNewDiscussion(Discussions.DiscussedRoot, "Bench", true, 0);
    TDiscussion& d = Discussions.GetDiscussion(index);
    const TDiscBlockIndex root = d.Storages.GetRootBlockIndex();
    TBlocksStorage& model = d.Storages.Model;
    for (int i = 0; i < children; ++i) {
      const int at = model.AddEmptyItem();
      const TDiscBlockIndex own{StorageType_Model, uint16_t(at)};
      TDiscBlock& block = model.Block(at);
      block.BlockNum = uint16_t(model.TakeNewBlockNum());
      block.Upper = root;
      block.UpperCode = d.Storages.GetDiscBlock(root)->GetDiscBlockCode();
      block.Num = uint16_t(i + 1);
      block.TextType = TextType_Premise;
      block.SetComposedBlockName(d, own);
      model.Texts(at).Str.Text = "Block " + std::to_string(i) + ": words of a block, one after another, to a line.";
    }
    Windows = std::make_unique<TFormBrowseManager>();
    Windows->Settings = &Pars;
    Browse = Windows->NewFormBrowseOnBlock(index, root, nullptr, 0, true);
    if (Browse) Browse->CurrentBrowseState.DisplayMode = DisplayMode_Full;
    Rebuild();
  }
  ~TShownList() {
    Windows.reset();
    Person.Pump();
    DiscussionsManager() = nullptr;
    std::filesystem::remove_all(Folder);
  }
  void Rebuild() {
    Browse->BuildLowerList_JustLowerList(TBrowseItemIndex(), -1);
    Person.Pump();
  }
};

void BM_ChildrenListInAShownWindow(benchmark::State& state) {
  const int rows = int(state.range(0));
  TShownList list(rows / 3);
  if (!list.Browse) {
    state.SkipWithError("the browse window did not open");
    return;
  }
  for (auto _ : state) list.Rebuild();
  const double made = double(list.Browse->CurrentBrowseState.Rows.Count());
  state.counters["rows"] = made;
  state.counters["per_row"] = benchmark::Counter(made * double(state.iterations()),
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ChildrenListInAShownWindow)
    ->Arg(4000)
    ->Arg(16000)
    ->Arg(32000)
    ->Arg(64000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
