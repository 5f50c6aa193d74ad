// Packing and unpacking 64 MB of mixed text and random data with MSZIP:
// our cabinet components beside gcab on the same files, in one run.
#include "net/Tcabreader.h"
#include "net/Tcabwriter.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 8;
constexpr size_t kFileSize = 8 << 20;

// Text made of words and lines, with a run of random bytes now and then.
std::string Mixed(size_t size, unsigned seed) {
  static const char* words[] = {"discussion ", "moderated ", "block ", "comment ", "premise ", "conclusion ",
                                "author ", "possibility ", "\r\n", "theme ", "formula ", "2026 "};
  std::mt19937 rng(seed);
  std::string out;
  out.reserve(size);
  while (out.size() < size) {
    if (rng() % 8 == 0) {
      for (int i = 0; i < 512 && out.size() < size; ++i) out.push_back(static_cast<char>(rng()));
    } else {
      for (int i = 0; i < 64 && out.size() < size; ++i) out += words[rng() % 12];
    }
  }
  out.resize(size);
  return out;
}

const std::string& Root() {
  static const std::string root = [] {
    const char* tmp = std::getenv("TMPDIR");
    fs::path dir = fs::path(tmp && *tmp ? tmp : "/tmp") / "quillaran-bench-cab";
    fs::remove_all(dir);
    fs::create_directories(dir / "src");
    for (int i = 0; i < kFiles; ++i) {
      std::ofstream(dir / "src" / ("f" + std::to_string(i) + ".dat"), std::ios::binary) << Mixed(kFileSize, i + 1);
    }
    return dir.string();
  }();
  return root;
}

std::string SourceList() {
  std::string list;
  for (int i = 0; i < kFiles; ++i) list += " f" + std::to_string(i) + ".dat";
  return list;
}

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether a folder holds every source file, byte for byte.
bool SameAsSources(const std::string& dir) {
  for (int i = 0; i < kFiles; ++i) {
    std::string name = "f";
    name += std::to_string(i) + ".dat";
    if (!fs::exists(fs::path(dir) / name) || FileText(fs::path(dir) / name) != FileText(fs::path(Root()) / "src" / name))
      return false;
  }
  return true;
}

// A packer's figure counts only when the other side unpacks its cabinet to the sources.
void CheckUnpacked(benchmark::State& state, const std::string& dir, const char* what) {
  if (!SameAsSources(dir)) state.SkipWithError(what);
  fs::remove_all(dir);
}

void Finish(benchmark::State& state, const std::string& cab) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFiles * kFileSize);
  state.counters["archive_MB"] = static_cast<double>(fs::file_size(cab)) / (1 << 20);
}

void PackOurs(const std::string& root, const std::string& cab) {
  TCabWriter writer(nullptr);
  writer.SetCompressionType(cctMsZip);
  writer.Open(cab);
  for (int i = 0; i < kFiles; ++i) {
    std::string name = "f" + std::to_string(i) + ".dat";
    writer.AddFile(root + "/src/" + name, name, false);
  }
  writer.Close(true);
}

void BM_PackOurs(benchmark::State& state) {
  std::string root = Root(), cab = root + "/ours.cab";
  for (auto _ : state) PackOurs(root, cab);
  fs::create_directories(root + "/x-check");
  const bool read = std::system(("gcab -x -C " + root + "/x-check " + cab + " >/dev/null").c_str()) == 0;
  CheckUnpacked(state, root + "/x-check", read ? "gcab unpacks our cabinet to other bytes" : "gcab -x failed");
  Finish(state, cab);
}

void BM_PackGcab(benchmark::State& state) {
  std::string root = Root(), cab = root + "/gcab.cab";
  std::string command = "cd " + root + "/src && gcab -c -z " + cab + SourceList();
  for (auto _ : state) {
    fs::remove(cab);
    if (std::system(command.c_str()) != 0) state.SkipWithError("gcab -c -z failed");
  }
  TCabReader reader(nullptr);
  reader.Extract(cab, root + "/x-check");
  CheckUnpacked(state, root + "/x-check", "we unpack gcab's cabinet to other bytes");
  Finish(state, cab);
}

void BM_UnpackOurs(benchmark::State& state) {
  std::string root = Root(), cab = root + "/ours.cab";
  if (!fs::exists(cab)) PackOurs(root, cab);
  for (auto _ : state) {
    fs::remove_all(root + "/x-ours");
    TCabReader reader(nullptr);
    reader.Extract(cab, root + "/x-ours");
  }
  CheckUnpacked(state, root + "/x-ours", "our unpacked files differ from the sources");
  Finish(state, cab);
}

void BM_UnpackGcab(benchmark::State& state) {
  std::string root = Root(), cab = root + "/gcab.cab";
  std::string command = "gcab -x -C " + root + "/x-gcab " + cab;
  if (!fs::exists(cab)) std::system(("cd " + root + "/src && gcab -c -z " + cab + SourceList()).c_str());
  for (auto _ : state) {
    fs::remove_all(root + "/x-gcab");
    fs::create_directories(root + "/x-gcab");
    if (std::system(command.c_str()) != 0) state.SkipWithError("gcab -x failed");
  }
  CheckUnpacked(state, root + "/x-gcab", "gcab's unpacked files differ from the sources");
  Finish(state, cab);
}

}  // namespace

BENCHMARK(BM_PackOurs)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PackGcab)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_UnpackOurs)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_UnpackGcab)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
