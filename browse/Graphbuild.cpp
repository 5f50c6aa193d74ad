// Graphbuild.h, and TGraph::Build.

#include "browse/Graphbuild.h"

#include "browse/Tgraph.h"
#include "dialogs/Tformprogress.h"
#include "foundation/Guihooks.h"
#include "model/Blocknames.h"
#include "model/Tdiscussion.h"

#include <algorithm>
#include <array>
#include <climits>
#include <memory>

std::string StripParenthesized(std::string_view name) {
  std::string text(name);
  for (;;) {
    const size_t close = text.find(')');
    if (close == std::string::npos) break;
    const size_t open = text.rfind('(', close);
    if (open == std::string::npos) break;
    text.erase(open, close - open + 1);
  }
  return text;
}

int GraphBuildLevel(std::string_view name) {
  std::string text = StripParenthesized(name);
  const std::string_view heading = HeadingNameSuffix;
  if (text.size() > heading.size() && std::string_view(text).substr(text.size() - heading.size()) == heading)
    text.resize(text.size() - heading.size());
  if (text.empty()) return 0;
  return int(std::count(text.begin(), text.end() - 1, '.'));
}

TGraphBuildKey GraphBuildKey(const TDiscBlock& block) { return TGraphBuildKey{GraphBuildLevel(block.Name.View()), block.Num}; }

int CompareGraphBuildOrder(const TDiscussion& discussion, TDiscBlockIndex a, TDiscBlockIndex b) {
  const TGraphBuildKey first = GraphBuildKey(*discussion.Storages.GetDiscBlock(a));
  const TGraphBuildKey second = GraphBuildKey(*discussion.Storages.GetDiscBlock(b));
  return first < second ? -1 : second < first ? 1 : 0;
}

namespace {

struct TGatherSegment {
  uint8_t StorageType;
  const char* Gathering;
  const char* Noun;
};

constexpr TGatherSegment Segments[] = {
    {StorageType_Model, "Building graph - gathering model blocks...", " model blocks..."},
    {StorageType_Comments, "Building graph - gathering comments...", " comments..."},
    {StorageType_ModeratedComments, "Building graph - gathering moderated comments...", " moderated comments..."},
    {StorageType_Notes, "Building graph - gathering notes...", " notes..."},
};

constexpr int32_t NeverAdded = INT32_MAX;

// Adding the gathered blocks in passes (each pass takes the refused blocks of the one
// before, in their order, until a pass adds none) puts a block in the pass of its upper
// block when it comes after it, else in the next one. The pass of every block is found
// here at once, so that the adding is one sorted sweep rather than a pass per level.
std::vector<int32_t> PassesOf(const TDiscussion& discussion, const std::vector<TDiscBlockIndex>& blocks) {
  std::array<std::vector<int32_t>, 5> positions;
  for (size_t i = 0; i < blocks.size(); ++i) {
    std::vector<int32_t>& table = positions[blocks[i].StorageType];
    if (blocks[i].Index >= table.size()) table.resize(size_t(blocks[i].Index) + 1, -1);
    table[blocks[i].Index] = int32_t(i);
  }
  const auto upperOf = [&](int32_t i) {
    const TDiscBlockIndex upper = discussion.Storages.GetDiscBlock(blocks[size_t(i)])->Upper;
    if (upper.IsEmpty()) return -2;  // hangs under the root
    if (!IsValidStorageType(upper.StorageType)) return -1;
    const std::vector<int32_t>& table = positions[upper.StorageType];
    return upper.Index < table.size() ? table[upper.Index] : -1;
  };
  constexpr int32_t Unknown = 0, Visiting = -1;
  std::vector<int32_t> passes(blocks.size(), Unknown);
  std::vector<int32_t> chain;
  for (int32_t start = 0; start < int32_t(blocks.size()); ++start) {
    chain.clear();
    int32_t at = start;
    bool cycle = false;
    while (passes[size_t(at)] == Unknown) {
      const int32_t upper = upperOf(at);
      if (upper == -2 || upper == -1) {
        passes[size_t(at)] = upper == -2 ? 1 : NeverAdded;
        break;
      }
      passes[size_t(at)] = Visiting;
      chain.push_back(at);
      at = upper;
    }
    if (passes[size_t(at)] == Visiting) cycle = true;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      const int32_t upper = upperOf(*it);
      const int32_t upperPass = passes[size_t(upper)];
      passes[size_t(*it)] =
          cycle || upperPass == NeverAdded ? NeverAdded : upperPass + (*it < upper ? 1 : 0);
    }
  }
  return passes;
}

}  // namespace

bool TGraph::Build() {
  if (Built) return true;
  if (Building) return false;
  Init();
  Building = 1;
  std::unique_ptr<TFormProgress> progress(new TFormProgress(nullptr));
  progress->ShowCentered();

  std::vector<TDiscBlockIndex> gathered;
  for (const TGatherSegment& segment : Segments) {
    const TBlocksStorage& storage = *Discussion.Storages.GetStorage(segment.StorageType);
    if (segment.StorageType == StorageType_ModeratedComments && storage.Count() == 0) continue;
    progress->SetStatus(segment.Gathering);
    struct TKey {
      TGraphBuildKey Order;
      TDiscBlockIndex Block;
    };
    std::vector<TKey> keys;
    for (int i = 0; i < storage.Count(); ++i) {
      const TDiscBlock& block = storage.Block(i);
      if (block.DeleteFlag == DeleteFlag_Erased || block.DeleteFlag == DeleteFlag_Recycled) continue;
      keys.push_back(TKey{GraphBuildKey(block), TDiscBlockIndex{segment.StorageType, uint16_t(i)}});
    }
    progress->SetStatus("Building graph - sorting " + std::to_string(keys.size()) + segment.Noun);
    // Stable, so that blocks of one level and number (the root and the first block under
    // it) keep their order in the storage.
    std::stable_sort(keys.begin(), keys.end(), [](const TKey& a, const TKey& b) { return a.Order < b.Order; });
    for (const TKey& key : keys) gathered.push_back(key.Block);
  }
  progress->SetStatus("Building graph - adding " + std::to_string(gathered.size()) + " blocks...");

  const std::vector<int32_t> passes = PassesOf(Discussion, gathered);
  std::vector<int32_t> order;
  order.reserve(gathered.size());
  for (size_t i = 0; i < gathered.size(); ++i)
    if (passes[i] != NeverAdded) order.push_back(int32_t(i));
  std::stable_sort(order.begin(), order.end(),
                   [&](int32_t a, int32_t b) { return passes[size_t(a)] < passes[size_t(b)]; });
  Nodes.reserve(order.size() + 1);
  size_t added = 0;
  for (const int32_t i : order) {
    const TDiscBlockIndex block = gathered[size_t(i)];
    if (AddDiscBlock(block, *Discussion.Storages.GetDiscBlock(block))) ++added;
  }
  // Numbered in the order the layout walks them.
  ArrangeInTreeOrder();

  if (added < gathered.size()) {
    const std::string question = std::to_string(gathered.size() - added) +
                                 " blocks can not be added to Graph;\nGraph builded uncompletely. Do you want to "
                                 "see uncompleted Graph?";
    if (ShowMessageBox("GRAPH", question, "", "Yes|No", 0) != 0) {
      progress.reset();
      Init();
      Building = 0;
      return false;
    }
  }
  progress.reset();
  Built = 1;
  Building = 0;
  return true;
}
