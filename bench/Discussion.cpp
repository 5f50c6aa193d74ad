// Creating, saving and loading a discussion of 20,000 model blocks and 20,000 comments
// with texts of 200 characters of real prose, beside a plain write and read of as many
// bytes, and beside writing and flushing, or reading, the same twelve files one by one.
// Loading is timed without the unloading that follows it (reported beside it as unload_ms).
// BM_LoadWithReferencesBesideWithout: the same discussion with a reference "<name>" to one
// to three blocks at the head of every fourth text, and with those names in round brackets
// (no reference, the same bytes stored), loaded by turns.

#include "bench/Realdata.h"
#include "foundation/Fileroutines.h"
#include "foundation/Tmemmanager.h"
#include "model/Blocknames.h"
#include "model/Discussionfileset.h"
#include "model/Tdiscussion.h"
#include "platform/kernel/Fileapi.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int BlocksPerStorage = 20000;

std::string BenchFolder() {
  const char* tmp = std::getenv("TMPDIR");
  const std::string folder = std::string(tmp ? tmp : "/tmp") + "/quillaran-bench-discussion";
  std::filesystem::create_directories(folder);
  return folder;
}

constexpr size_t TextLength = 200;

// The i-th block's text: 200 characters of real prose (Realdata.h), each block its own.
std::string Text(int i) {
  static const std::string prose = benchdata::Make(benchdata::Kind::Text, 2 * BlocksPerStorage * TextLength);
  if (prose.size() < TextLength) return std::string(TextLength, 'a' + i % 26);
  return prose.substr(size_t(i) * TextLength % (prose.size() - TextLength + 1), TextLength);
}

// Every fourth text begins with references to one to three blocks of either storage, as
// "<name>", or with the same names in round brackets: the same length either way.
std::string WithNames(std::string text, int i, bool references) {
  if (i % 4 != 0) return text;
  std::string head;
  for (int k = 0; k <= (i / 4) % 3; ++k) {
    const int named = 1 + (i * 7919 + k * 104729) % (BlocksPerStorage - 1);
    const std::string name = k % 2 ? "1-" + std::to_string(named) : std::to_string(named);
    head += (references ? "<" : "(") + name + (references ? "> " : ") ");
  }
  return head + text.substr(head.size());
}

void Fill(TDiscussion& d, bool references = false) {
  d.Loaded = 1;
  TBlocksStorage& model = d.Storages.Model;
  const int root = model.AddEmptyItem();
  model.Block(root).BlockNum = uint16_t(model.TakeNewBlockNum());
  model.Block(root).TextType = TextType_Heading;
  model.SetBlockName(root, RootBlockName);
  const TDiscBlockIndex rootIndex{StorageType_Model, uint16_t(root)};
  d.Authors.CreateAuthor(d, "L-1", 1, 0);
  for (int i = 1; i < BlocksPerStorage; ++i) {
    const int index = model.AddEmptyItem();
    TDiscBlock& block = model.Block(index);
    block.BlockNum = uint16_t(model.TakeNewBlockNum());
    block.Num = uint16_t(i);
    block.Upper = rootIndex;
    block.UpperCode = model.Block(root).GetDiscBlockCode();
    block.Name = std::to_string(i);
    model.Texts(index).Str.Text = WithNames(Text(i), i, references);
  }
  TBlocksStorage& comments = d.Storages.Comments;
  for (int i = 0; i < BlocksPerStorage; ++i) {
    const int index = comments.AddEmptyItem();
    TDiscBlock& block = comments.Block(index);
    block.BlockNum = uint16_t(comments.TakeNewBlockNum());
    block.Num = uint16_t(i + 1);
    block.ADIdent = 1;
    block.Upper = TDiscBlockIndex{StorageType_Model, uint16_t(1 + i % (BlocksPerStorage - 1))};
    block.UpperCode = model.Block(block.Upper.Index).GetDiscBlockCode();
    block.Name = "1-" + std::to_string(i + 1);
    comments.Texts(index).Str.Text = WithNames(Text(BlocksPerStorage + i), BlocksPerStorage + i, references);
  }
  model.ClearNameIndex();
  comments.ClearNameIndex();
}

// Bytes of the saved set.
int64_t SetBytes(const std::string& folder) {
  int64_t total = 0;
  for (const char* name : TDiscussionFileSet::Names) total += int64_t(std::filesystem::file_size(folder + "/" + name));
  return total;
}

void BM_CreateDiscussion(benchmark::State& state) {
  for (auto _ : state) {
    TDiscussion d;
    Fill(d);
    benchmark::DoNotOptimize(d.Storages.TotalCount());
  }
}
BENCHMARK(BM_CreateDiscussion)->Unit(benchmark::kMillisecond);

void BM_SaveDiscussion(benchmark::State& state) {
  TDiscussion d;
  d.Folder = BenchFolder() + "/save";
  std::filesystem::create_directories(d.Folder.ToString());
  Fill(d);
  for (auto _ : state) d.Save();
  state.SetBytesProcessed(state.iterations() * SetBytes(d.Folder.ToString()));
}
BENCHMARK(BM_SaveDiscussion)->Unit(benchmark::kMillisecond);

// The same number of bytes written to one file and flushed to the disk, as a save does.
void BM_PlainWrite(benchmark::State& state) {
  const std::string folder = BenchFolder() + "/save";
  const int64_t bytes = SetBytes(folder);
  const std::string data(size_t(bytes), 'x');
  const std::string path = BenchFolder() + "/plain";
  for (auto _ : state) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, data.data(), DWORD(data.size()), &written, nullptr);
    FlushFileBuffers(file);
    CloseHandle(file);
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond);

// The files of the saved set, each written under its own name and flushed to the disk:
// the least any safe save of these files can do.
void BM_PlainWriteOfTheSameFiles(benchmark::State& state) {
  const std::string folder = BenchFolder() + "/save";
  std::vector<std::string> contents;
  int64_t bytes = 0;
  for (const char* name : TDiscussionFileSet::Names) {
    contents.emplace_back(std::filesystem::file_size(folder + "/" + name), 'x');
    bytes += int64_t(contents.back().size());
  }
  for (auto _ : state) {
    for (size_t file = 0; file < contents.size(); ++file) {
      const std::string path = BenchFolder() + "/plain" + std::to_string(file);
      HANDLE handle =
          CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      DWORD written = 0;
      WriteFile(handle, contents[file].data(), DWORD(contents[file].size()), &written, nullptr);
      FlushFileBuffers(handle);
      CloseHandle(handle);
    }
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_PlainWriteOfTheSameFiles)->Unit(benchmark::kMillisecond);

// Loads the saved discussion again and again, unloading each untimed. Into fresh memory
// each load takes memory the system has to clear first, as the first load of a process
// does: the large blocks of the previous load are not kept for the next.
void LoadRepeatedly(benchmark::State& state, bool freshMemory) {
  const std::string folder = BenchFolder() + "/save";
  const int64_t bytes = SetBytes(folder);
  double unloading = 0;
  for (auto _ : state) {
    auto d = std::make_unique<TDiscussion>();
    d->Folder = folder;
    if (!d->Load()) state.SkipWithError("the discussion did not load");
    benchmark::DoNotOptimize(d->Storages.TotalCount());
    state.PauseTiming();
    const auto start = std::chrono::steady_clock::now();
    d.reset();
    unloading += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (freshMemory) TMemManager::ReleaseKept();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["file_bytes"] = double(bytes);
  state.counters["unload_ms"] = unloading / double(state.iterations());
}

void BM_LoadDiscussion(benchmark::State& state) { LoadRepeatedly(state, false); }
// The files are read on several threads: wall time, and the CPU time of every thread.
BENCHMARK(BM_LoadDiscussion)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_LoadDiscussionIntoFreshMemory(benchmark::State& state) { LoadRepeatedly(state, true); }
BENCHMARK(BM_LoadDiscussionIntoFreshMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_PlainRead(benchmark::State& state) {
  const std::string path = BenchFolder() + "/plain";
  const int64_t bytes = int64_t(std::filesystem::file_size(path));
  std::string data(size_t(bytes), '\0');
  for (auto _ : state) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD read = 0;
    ReadFile(file, data.data(), DWORD(data.size()), &read, nullptr);
    CloseHandle(file);
    benchmark::DoNotOptimize(data.data());
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);

// The twelve files of the saved set read one by one into one buffer: what loading must
// read at the least.
class TPlainSetRead {
 public:
  explicit TPlainSetRead(const std::string& folder) : Data(size_t(SetBytes(folder)), '\0') {
    for (const char* name : TDiscussionFileSet::Names) Paths.push_back(folder + "/" + name);
  }
  void Read() {
    size_t at = 0;
    for (const std::string& path : Paths) {
      HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      DWORD high = 0;
      const DWORD size = GetFileSize(file, &high);
      DWORD read = 0;
      ReadFile(file, Data.data() + at, size, &read, nullptr);
      CloseHandle(file);
      at += read;
    }
    benchmark::DoNotOptimize(Data.data());
  }

 private:
  std::vector<std::string> Paths;
  std::string Data;
};

void BM_PlainReadOfTheSameFiles(benchmark::State& state) {
  const std::string folder = BenchFolder() + "/save";
  TPlainSetRead plain(folder);
  for (auto _ : state) plain.Read();
  state.SetBytesProcessed(state.iterations() * SetBytes(folder));
}
BENCHMARK(BM_PlainReadOfTheSameFiles)->Unit(benchmark::kMillisecond);

double Percentile(std::vector<double> values, int percent) {
  if (values.empty()) return 0;
  const auto at = values.begin() + std::ptrdiff_t(values.size() * size_t(percent) / 100);
  std::nth_element(values.begin(), at, values.end());
  return *at;
}

// A load and a plain read of the same files in each iteration, each after other work has
// taken the processor's caches (as a user's load meets them; a read repeated in a loop
// finds its buffer still in the cache), in turns first: both meet the machine in the same
// state. The time is the load's; `ratio` is the median of each load's time over the plain
// read's beside it, with the medians of both and the load's 99th percentile. /1: each load
// into fresh memory.
void BM_LoadBesidePlainRead(benchmark::State& state) {
  const bool freshMemory = state.range(0) != 0;
  const std::string folder = BenchFolder() + "/save";
  TPlainSetRead plain(folder);
  std::vector<double> loads, reads, ratios;
  std::vector<char> otherWork(size_t(64) << 20, 1);
  using TClock = std::chrono::steady_clock;
  const auto timed = [&](const auto& step) {
    // Read, not written: no dirty line of it is left for the step to write back.
    unsigned sum = 0;
    for (size_t i = 0; i < otherWork.size(); i += 64) sum += unsigned(otherWork[i]);
    benchmark::DoNotOptimize(sum);
    const auto start = TClock::now();
    step();
    return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
  };
  for (auto _ : state) {
    std::unique_ptr<TDiscussion> d;
    const auto load = [&] {
      d = std::make_unique<TDiscussion>();
      d->Folder = folder;
      if (!d->Load() || d->Storages.TotalCount() != 2 * BlocksPerStorage)
        state.SkipWithError("the discussion did not load whole");
    };
    const bool readFirst = loads.size() % 2 == 0;
    const double read = readFirst ? timed([&] { plain.Read(); }) : 0;
    loads.push_back(timed(load));
    reads.push_back(readFirst ? read : timed([&] { plain.Read(); }));
    ratios.push_back(loads.back() / reads.back());
    d.reset();
    if (freshMemory) TMemManager::ReleaseKept();
    state.SetIterationTime(loads.back() / 1000);
  }
  state.counters["ratio"] = Percentile(ratios, 50);
  state.counters["load_ms"] = Percentile(loads, 50);
  state.counters["load_p99_ms"] = Percentile(loads, 99);
  state.counters["plain_read_ms"] = Percentile(reads, 50);
}
BENCHMARK(BM_LoadBesidePlainRead)->Unit(benchmark::kMillisecond)->UseManualTime()->Arg(0)->Arg(1);

}  // namespace

namespace {

// The references named in the texts: blocks of one to three names in every fourth text.
size_t NamedReferences() {
  size_t pairs = 0;
  for (int i = 0; i < 2 * BlocksPerStorage; i += 4) pairs += size_t(1 + (i / 4) % 3);
  return pairs;
}

// The discussion with references, and without, saved once each.
std::string SavedWithReferences(bool references) {
  const std::string folder = BenchFolder() + (references ? "/references" : "/names");
  static bool saved[2] = {};
  if (!saved[references]) {
    std::filesystem::create_directories(folder);
    TDiscussion d;
    d.Folder = folder;
    Fill(d, references);
    d.Save();
    saved[references] = true;
  }
  return folder;
}

// Loads of the discussion with references and without, by turns first, each after other
// work has taken the processor's caches; the time is the load with references, `ratio` the
// median of each such load over the load without beside it. Before timing, the stored bytes
// must be as many either way and the load with references must find every pair.
void BM_LoadWithReferencesBesideWithout(benchmark::State& state) {
  const std::string withFolder = SavedWithReferences(true), withoutFolder = SavedWithReferences(false);
  if (SetBytes(withFolder) != SetBytes(withoutFolder)) state.SkipWithError("the two discussions differ in size");
  {
    TDiscussion d;
    d.Folder = withFolder;
    if (!d.Load() || size_t(d.HyperRefBlocks.Items.Count()) < NamedReferences() * 9 / 10)
      state.SkipWithError("the references were not found");
  }
  std::vector<double> with, without, ratios;
  std::vector<char> otherWork(size_t(64) << 20, 1);
  using TClock = std::chrono::steady_clock;
  const auto timedLoad = [&](const std::string& folder) {
    unsigned sum = 0;
    for (size_t i = 0; i < otherWork.size(); i += 64) sum += unsigned(otherWork[i]);
    benchmark::DoNotOptimize(sum);
    auto d = std::make_unique<TDiscussion>();
    d->Folder = folder;
    const auto start = TClock::now();
    if (!d->Load() || d->Storages.TotalCount() != 2 * BlocksPerStorage)
      state.SkipWithError("the discussion did not load whole");
    const double ms = std::chrono::duration<double, std::milli>(TClock::now() - start).count();
    d.reset();
    return ms;
  };
  for (auto _ : state) {
    const bool withFirst = with.size() % 2 == 0;
    const double first = timedLoad(withFirst ? withFolder : withoutFolder);
    const double second = timedLoad(withFirst ? withoutFolder : withFolder);
    with.push_back(withFirst ? first : second);
    without.push_back(withFirst ? second : first);
    ratios.push_back(with.back() / without.back());
    state.SetIterationTime(with.back() / 1000);
  }
  state.counters["ratio"] = Percentile(ratios, 50);
  state.counters["with_ms"] = Percentile(with, 50);
  state.counters["without_ms"] = Percentile(without, 50);
  state.counters["references"] = double(NamedReferences());
}
BENCHMARK(BM_LoadWithReferencesBesideWithout)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
