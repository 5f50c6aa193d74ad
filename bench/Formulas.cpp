// Evaluating every formula of a discussion: chains 50 deep, each a premise and 50
// conclusions, every conclusion computed by a formula from the one before it. The
// formulas are stored last link first, so that storage order is the worst order to
// evaluate them in; each run changes the premises, so every conclusion changes. The
// figure to compare between the arguments is time_per_formula (seconds): linear work keeps it
// constant from 500 to 50,000 formulas.

#include "model/Tdiscussion.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int ChainDepth = 50;

// Appends a block of the storage under the upper block with the given name.
TDiscBlockIndex Append(TDiscussion& d, uint8_t type, TDiscBlockIndex upper, uint8_t textType, uint16_t num,
                       const std::string& name) {
  TBlocksStorage& storage = *d.Storages.GetStorage(type);
  const int index = storage.AddEmptyItem();
  TDiscBlock& block = storage.Block(index);
  block.BlockNum = uint16_t(storage.TakeNewBlockNum());
  block.Num = num;
  block.Name = name;
  block.TextType = textType;
  block.Upper = upper;
  if (!upper.IsEmpty()) block.UpperCode = d.Storages.GetDiscBlock(upper)->GetDiscBlockCode();
  return TDiscBlockIndex{type, uint16_t(index)};
}

// Conclusions and premises are model blocks under the root, formulas notes, so that
// 50,000 formulas fit in 16-bit storages.
std::unique_ptr<TDiscussion> MakeChains(int formulas, std::vector<TDiscBlockIndex>& premises) {
  auto d = std::make_unique<TDiscussion>();
  d->Loaded = 1;
  const TDiscBlockIndex root = Append(*d, StorageType_Model, {}, TextType_Heading, 0, "*");
  uint16_t number = 0;
  std::vector<std::vector<TDiscBlockIndex>> chains(size_t(formulas / ChainDepth));
  for (auto& chain : chains) {
    ++number;
    chain.push_back(Append(*d, StorageType_Model, root, TextType_Premise, number, std::to_string(number)));
    premises.push_back(chain.back());
    for (int link = 0; link < ChainDepth; ++link) {
      ++number;
      chain.push_back(Append(*d, StorageType_Model, root, TextType_Conclusion, number, std::to_string(number)));
    }
  }
  uint16_t note = 0;
  for (int link = ChainDepth; link >= 1; --link)
    for (auto& chain : chains) {
      ++note;
      const TDiscBlockIndex formula =
          Append(*d, StorageType_Notes, chain[size_t(link)], TextType_Formula, note, "N-" + std::to_string(note));
      TDiscBlock& block = *d->Storages.GetDiscBlock(formula);
      block.Conclusion = chain[size_t(link)];
      block.ConclusionCode = d->Storages.GetDiscBlock(block.Conclusion)->GetDiscBlockCode();
      d->Storages.GetStrHashItem(formula)->Str.FormulaText =
          "(<" + d->Storages.GetDiscBlock(chain[size_t(link) - 1])->Name + "> * 0.98 + 1) / 1.5 + 20";
    }
  d->Storages.Model.ClearNameIndex();
  d->Storages.Notes.ClearNameIndex();
  return d;
}

void CalculateFormulas(benchmark::State& state) {
  const int formulas = int(state.range(0));
  std::vector<TDiscBlockIndex> premises;
  auto d = MakeChains(formulas, premises);
  if (d->CalculateFormulas() != 0) state.SkipWithError("formulas failed");
  uint8_t possibility = 50;
  for (auto _ : state) {
    state.PauseTiming();
    possibility = possibility == 50 ? 90 : 50;
    for (const TDiscBlockIndex premise : premises) d->Storages.GetDiscBlock(premise)->Possibility = possibility;
    d->Undo.Clear();
    state.ResumeTiming();
    benchmark::DoNotOptimize(d->CalculateFormulas());
  }
  state.SetItemsProcessed(state.iterations() * formulas);
  state.counters["time_per_formula"] =
      benchmark::Counter(double(formulas), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(CalculateFormulas)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
