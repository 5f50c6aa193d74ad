// Packing and unpacking 64 MB of mixed text and random data with MSZIP and
// with LZX (window 2^21): our cabinet components beside gcab, cabextract and
// 7z on the same files, in one run. Every cabinet is unpacked by another
// side and compared with the sources before its figure counts.
#include "net/Tcabreader.h"
#include "net/Tcabwriter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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

std::string FileName(int i) { return "f" + std::to_string(i) + ".dat"; }

const std::string& Root() {
  static const std::string root = [] {
    const char* tmp = std::getenv("TMPDIR");
    fs::path dir = fs::path(tmp && *tmp ? tmp : "/tmp") / "quillaran-bench-cab";
    fs::remove_all(dir);
    fs::create_directories(dir / "src");
    for (int i = 0; i < kFiles; ++i) std::ofstream(dir / "src" / FileName(i), std::ios::binary) << Mixed(kFileSize, i + 1);
    return dir.string();
  }();
  return root;
}

std::string SourceList() {
  std::string list;
  for (int i = 0; i < kFiles; ++i) list += " " + FileName(i);
  return list;
}

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether a folder holds every source file, byte for byte.
bool SameAsSources(const std::string& dir) {
  for (int i = 0; i < kFiles; ++i) {
    const fs::path path = fs::path(dir) / FileName(i);
    if (!fs::exists(path) || FileText(path) != FileText(fs::path(Root()) / "src" / FileName(i))) return false;
  }
  return true;
}

bool Run(const std::string& command) { return std::system((command + " >/dev/null").c_str()) == 0; }

std::string OurCabinet(TCabCompressionType type) {
  return Root() + (type == cctLzx ? "/ours-lzx.cab" : "/ours-mszip.cab");
}

void PackOurs(TCabCompressionType type) {
  TCabWriter writer(nullptr);
  writer.SetCompressionType(type);  // LZX at its default window, 2^21
  writer.Open(OurCabinet(type));
  for (int i = 0; i < kFiles; ++i) writer.AddFile(Root() + "/src/" + FileName(i), FileName(i), false);
  writer.Close(true);
}

const std::string& GcabCabinet() {
  static const std::string cab = [] {
    const std::string path = Root() + "/gcab.cab";
    Run("cd " + Root() + "/src && gcab -c -z " + path + SourceList());
    return path;
  }();
  return cab;
}

// Peers that unpack a cabinet into a folder.
std::string CabextractInto(const std::string& dir, const std::string& cab) { return "cabextract -q -d " + dir + " " + cab; }
std::string SevenZipInto(const std::string& dir, const std::string& cab) { return "7z x -y -o" + dir + " " + cab; }
std::string GcabInto(const std::string& dir, const std::string& cab) {
  fs::create_directories(dir);
  return "gcab -x -C " + dir + " " + cab;
}
using Unpacker = std::string (*)(const std::string&, const std::string&);

// Runs one side once before timing and checks what it unpacked.
bool Checked(benchmark::State& state, const std::function<void(const std::string&)>& unpack, const std::string& what) {
  const std::string dir = Root() + "/x-check";
  fs::remove_all(dir);
  unpack(dir);
  const bool same = SameAsSources(dir);
  if (!same) state.SkipWithError((what + " gives other bytes than the sources").c_str());
  fs::remove_all(dir);
  return same;
}

std::function<void(const std::string&)> OurUnpacker(const std::string& cab) {
  return [cab](const std::string& dir) {
    TCabReader reader(nullptr);
    reader.Extract(cab, dir);
  };
}

std::function<void(const std::string&)> PeerUnpacker(const std::string& cab, Unpacker peer) {
  return [cab, peer](const std::string& dir) {
    if (!Run(peer(dir, cab))) std::fprintf(stderr, "failed: %s\n", peer(dir, cab).c_str());
  };
}

// Ours and the peer by turns in every iteration, so that the load of the
// machine weighs on both alike; the ratio is our throughput over the peer's.
void Compare(benchmark::State& state, const std::function<void()>& ours, const std::function<void()>& peer) {
  using Clock = std::chrono::steady_clock;
  Clock::duration oursTime{}, peerTime{};
  for (auto _ : state) {
    const auto t0 = Clock::now();
    ours();
    const auto t1 = Clock::now();
    peer();
    oursTime += t1 - t0;
    peerTime += Clock::now() - t1;
  }
  const double mb = static_cast<double>(kFiles * kFileSize) / 1e6 * static_cast<double>(state.iterations());
  const double oursSeconds = std::chrono::duration<double>(oursTime).count();
  const double peerSeconds = std::chrono::duration<double>(peerTime).count();
  state.counters["ours_MB/s"] = mb / oursSeconds;
  state.counters["peer_MB/s"] = mb / peerSeconds;
  state.counters["ratio"] = peerSeconds / oursSeconds;
}

void CompareUnpacking(benchmark::State& state, const std::string& cab, Unpacker peer, const char* peerName) {
  const auto ours = OurUnpacker(cab), theirs = PeerUnpacker(cab, peer);
  if (!Checked(state, ours, "our reader") || !Checked(state, theirs, peerName)) return;
  const std::string dir = Root() + "/x-timed";
  Compare(
      state, [&] { fs::remove_all(dir); ours(dir); }, [&] { fs::remove_all(dir); theirs(dir); });
  fs::remove_all(dir);
  state.counters["archive_MB"] = static_cast<double>(fs::file_size(cab)) / 1e6;
}

const std::string& OurCabinetOnce(TCabCompressionType type) {
  static std::string made[3];
  if (made[type].empty()) {
    PackOurs(type);
    made[type] = OurCabinet(type);
  }
  return made[type];
}

// Packing MSZIP beside gcab; each cabinet must unpack to the sources by the other side.
void BM_PackMszip(benchmark::State& state) {
  const std::string gcab = Root() + "/gcab-packed.cab";
  auto packGcab = [&] {
    fs::remove(gcab);
    Run("cd " + Root() + "/src && gcab -c -z " + gcab + SourceList());
  };
  PackOurs(cctMsZip);
  packGcab();
  if (!Checked(state, PeerUnpacker(OurCabinet(cctMsZip), GcabInto), "gcab on our cabinet") ||
      !Checked(state, OurUnpacker(gcab), "our reader on gcab's cabinet"))
    return;
  Compare(state, [] { PackOurs(cctMsZip); }, packGcab);
  state.counters["archive_MB"] = static_cast<double>(fs::file_size(OurCabinet(cctMsZip))) / 1e6;
  state.counters["peer_archive_MB"] = static_cast<double>(fs::file_size(gcab)) / 1e6;
}

// Packing LZX, which no peer writes: beside our own MSZIP, in speed and in
// size; cabextract and 7z must unpack it to the sources.
void BM_PackLzx(benchmark::State& state) {
  PackOurs(cctLzx);
  PackOurs(cctMsZip);
  if (!Checked(state, PeerUnpacker(OurCabinet(cctLzx), CabextractInto), "cabextract on our LZX cabinet") ||
      !Checked(state, PeerUnpacker(OurCabinet(cctLzx), SevenZipInto), "7z on our LZX cabinet"))
    return;
  Compare(state, [] { PackOurs(cctLzx); }, [] { PackOurs(cctMsZip); });
  state.counters["archive_MB"] = static_cast<double>(fs::file_size(OurCabinet(cctLzx))) / 1e6;
  state.counters["mszip_archive_MB"] = static_cast<double>(fs::file_size(OurCabinet(cctMsZip))) / 1e6;
}

// MSZIP: gcab's cabinet; LZX: ours (no peer writes LZX).
void BM_UnpackMszipGcab(benchmark::State& state) { CompareUnpacking(state, GcabCabinet(), GcabInto, "gcab"); }
void BM_UnpackMszipCabextract(benchmark::State& state) { CompareUnpacking(state, GcabCabinet(), CabextractInto, "cabextract"); }
void BM_UnpackLzxCabextract(benchmark::State& state) { CompareUnpacking(state, OurCabinetOnce(cctLzx), CabextractInto, "cabextract"); }
void BM_UnpackLzx7z(benchmark::State& state) { CompareUnpacking(state, OurCabinetOnce(cctLzx), SevenZipInto, "7z"); }

}  // namespace

BENCHMARK(BM_PackMszip)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PackLzx)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_UnpackMszipGcab)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_UnpackMszipCabextract)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_UnpackLzxCabextract)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_UnpackLzx7z)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
