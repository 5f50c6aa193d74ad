// Packing and unpacking real data (see Realdata.h: text, sources,
// executables, compressed data; 8 MB of each) with MSZIP and with LZX
// (window 2^21): our cabinet components beside gcab, wimlib (the LZX packer
// of wimtools at its fastest level, 2 MB chunks, one thread), cabextract and
// 7z on the same bytes, in one run. Every archive is unpacked by another side
// and compared with the source before its figure counts.
#include "bench/Realdata.h"
#include "net/Tcabreader.h"
#include "net/Tcabwriter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>

namespace fs = std::filesystem;
using benchdata::Kind;

namespace {

constexpr std::size_t kDataSize = 8 << 20;
const std::string kMember = "data.bin";

const std::string& Root() {
  static const std::string root = [] {
    const char* tmp = std::getenv("TMPDIR");
    fs::path dir = fs::path(tmp && *tmp ? tmp : "/tmp") / "quillaran-bench-cab";
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
  }();
  return root;
}

std::string KindDir(Kind kind) { return Root() + "/" + benchdata::Name(kind); }
std::string SourceDir(Kind kind) { return KindDir(kind) + "/src"; }
std::string SourcePath(Kind kind) { return SourceDir(kind) + "/" + kMember; }

// The kind's data, written once.
const std::string& Source(Kind kind) {
  static std::string made[4];
  std::string& data = made[static_cast<int>(kind)];
  if (data.empty()) {
    data = benchdata::Make(kind, kDataSize);
    fs::create_directories(SourceDir(kind));
    std::ofstream(SourcePath(kind), std::ios::binary) << data;
  }
  return data;
}

// Whether a folder holds the source, byte for byte.
bool SameAsSource(Kind kind, const std::string& dir) {
  const fs::path path = fs::path(dir) / kMember;
  return fs::exists(path) && benchdata::FileBytes(path.string()) == Source(kind);
}

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string OurCabinet(Kind kind, TCabCompressionType type) {
  return KindDir(kind) + (type == cctLzx ? "/ours-lzx.cab" : "/ours-mszip.cab");
}

void PackOurs(Kind kind, TCabCompressionType type) {
  TCabWriter writer(nullptr);
  writer.SetCompressionType(type);  // LZX at its default window, 2^21
  writer.Open(OurCabinet(kind, type));
  writer.AddFile(SourcePath(kind), kMember, false);
  writer.Close(true);
}

void PackGcab(Kind kind, const std::string& cab) {
  fs::remove(cab);
  Run("cd " + SourceDir(kind) + " && gcab -c -z " + cab + " " + kMember);
}

void PackWimlib(Kind kind, const std::string& wim) {
  fs::remove(wim);
  Run("wimcapture " + SourceDir(kind) + " " + wim + " --compress=LZX:20 --chunk-size=2M --threads=1");
}

const std::string& GcabCabinet(Kind kind) {
  static std::string made[4];
  std::string& cab = made[static_cast<int>(kind)];
  if (cab.empty()) {
    cab = KindDir(kind) + "/gcab.cab";
    PackGcab(kind, cab);
  }
  return cab;
}

const std::string& OurLzxCabinet(Kind kind) {
  static std::string made[4];
  std::string& cab = made[static_cast<int>(kind)];
  if (cab.empty()) {
    PackOurs(kind, cctLzx);
    cab = OurCabinet(kind, cctLzx);
  }
  return cab;
}

// Peers that unpack an archive into a folder.
std::string CabextractInto(const std::string& dir, const std::string& cab) { return "cabextract -q -d " + dir + " " + cab; }
std::string SevenZipInto(const std::string& dir, const std::string& cab) { return "7z x -y -o" + dir + " " + cab; }
std::string GcabInto(const std::string& dir, const std::string& cab) {
  return "mkdir -p " + dir + " && gcab -x -C " + dir + " " + cab;
}
std::string WimapplyInto(const std::string& dir, const std::string& wim) { return "wimapply " + wim + " " + dir; }
using Unpacker = std::string (*)(const std::string&, const std::string&);

std::function<void(const std::string&)> OurUnpacker(const std::string& cab) {
  return [cab](const std::string& dir) {
    TCabReader reader(nullptr);
    reader.Extract(cab, dir);
  };
}

std::function<void(const std::string&)> PeerUnpacker(const std::string& archive, Unpacker peer) {
  return [archive, peer](const std::string& dir) {
    if (!Run(peer(dir, archive))) std::fprintf(stderr, "failed: %s\n", peer(dir, archive).c_str());
  };
}

// Runs one side once and checks what it unpacked.
bool Checked(benchmark::State& state, Kind kind, const std::function<void(const std::string&)>& unpack,
             const std::string& what) {
  const std::string dir = Root() + "/x-check";
  fs::remove_all(dir);
  unpack(dir);
  const bool same = SameAsSource(kind, dir);
  if (!same) state.SkipWithError((what + " gives other bytes than the source").c_str());
  fs::remove_all(dir);
  return same;
}

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The CPU time of the finished peer processes.
double ChildrenCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
  return seconds(u.ru_utime) + seconds(u.ru_stime);
}

// Ours and the peer by turns in every iteration, so that the load of the
// machine weighs on both alike; ratio = our throughput over the peer's, in
// wall time and (cpu_ratio) in CPU time. Before each side, untimed, clear
// runs (removing what the other side left).
void Compare(
    benchmark::State& state, const std::function<void()>& ours, const std::function<void()>& peer,
    const std::function<void()>& clear = [] {}) {
  using Clock = std::chrono::steady_clock;
  Clock::duration oursTime{}, peerTime{};
  double oursCpu = 0, peerCpu = 0;
  for (auto _ : state) {
    clear();
    const auto t0 = Clock::now();
    const double c0 = ProcessCpuSeconds();
    ours();
    const auto t1 = Clock::now();
    const double c1 = ProcessCpuSeconds();
    clear();
    const auto t2 = Clock::now();
    const double p2 = ChildrenCpuSeconds();
    peer();
    peerCpu += ChildrenCpuSeconds() - p2;
    oursCpu += c1 - c0;
    oursTime += t1 - t0;
    peerTime += Clock::now() - t2;
  }
  const double mb = static_cast<double>(kDataSize) / 1e6 * static_cast<double>(state.iterations());
  const double oursSeconds = std::chrono::duration<double>(oursTime).count();
  const double peerSeconds = std::chrono::duration<double>(peerTime).count();
  state.counters["ours_MB/s"] = mb / oursSeconds;
  state.counters["peer_MB/s"] = mb / peerSeconds;
  state.counters["ratio"] = peerSeconds / oursSeconds;
  state.counters["cpu_ratio"] = peerCpu / oursCpu;
}

Kind KindOf(benchmark::State& state) {
  const Kind kind = benchdata::kKinds[state.range(0)];
  state.SetLabel(benchdata::Name(kind));
  Source(kind);
  return kind;
}

void CompareUnpacking(benchmark::State& state, Kind kind, const std::string& cab, Unpacker peer, const char* peerName) {
  const auto ours = OurUnpacker(cab), theirs = PeerUnpacker(cab, peer);
  if (!Checked(state, kind, ours, "our reader") || !Checked(state, kind, theirs, peerName)) return;
  const std::string dir = Root() + "/x-timed";
  Compare(
      state, [&] { ours(dir); }, [&] { theirs(dir); }, [&] { fs::remove_all(dir); });
  fs::remove_all(dir);
  state.counters["archive_MB"] = static_cast<double>(fs::file_size(cab)) / 1e6;
}

void Sizes(benchmark::State& state, const std::string& ours, const std::string& peer) {
  const auto oursSize = static_cast<double>(fs::file_size(ours)), peerSize = static_cast<double>(fs::file_size(peer));
  state.counters["archive_MB"] = oursSize / 1e6;
  state.counters["peer_archive_MB"] = peerSize / 1e6;
  state.counters["size_ratio"] = oursSize / peerSize;
}

// Packing MSZIP beside gcab; each cabinet must unpack to the source by the other side.
void BM_PackMszip(benchmark::State& state) {
  const Kind kind = KindOf(state);
  const std::string gcab = KindDir(kind) + "/gcab-packed.cab";
  PackOurs(kind, cctMsZip);
  PackGcab(kind, gcab);
  if (!Checked(state, kind, PeerUnpacker(OurCabinet(kind, cctMsZip), GcabInto), "gcab on our cabinet") ||
      !Checked(state, kind, OurUnpacker(gcab), "our reader on gcab's cabinet"))
    return;
  Compare(
      state, [&] { PackOurs(kind, cctMsZip); }, [&] { PackGcab(kind, gcab); });
  Sizes(state, OurCabinet(kind, cctMsZip), gcab);
}

// Packing LZX beside wimlib at the same window; cabextract and 7z must
// unpack our cabinet to the source, wimlib its own archive.
void BM_PackLzx(benchmark::State& state) {
  const Kind kind = KindOf(state);
  const std::string wim = KindDir(kind) + "/wimlib.wim";
  PackOurs(kind, cctLzx);
  PackWimlib(kind, wim);
  if (!Checked(state, kind, PeerUnpacker(OurCabinet(kind, cctLzx), CabextractInto), "cabextract on our LZX cabinet") ||
      !Checked(state, kind, PeerUnpacker(OurCabinet(kind, cctLzx), SevenZipInto), "7z on our LZX cabinet") ||
      !Checked(state, kind, PeerUnpacker(wim, WimapplyInto), "wimapply on wimlib's archive"))
    return;
  Compare(
      state, [&] { PackOurs(kind, cctLzx); }, [&] { PackWimlib(kind, wim); });
  Sizes(state, OurCabinet(kind, cctLzx), wim);
}

// Unpacking a cabinet of the kind (MSZIP: gcab's; LZX: ours) beside a peer.
void BM_Unpack(benchmark::State& state, const std::string& (*cabinet)(Kind), Unpacker peer, const char* peerName) {
  const Kind kind = KindOf(state);
  CompareUnpacking(state, kind, cabinet(kind), peer, peerName);
}

}  // namespace

// The argument is the kind of data: 0 text, 1 sources, 2 executables, 3 compressed.
BENCHMARK(BM_PackMszip)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PackLzx)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
#define UNPACKING(name, cabinet, peer, peerName)              \
  BENCHMARK_CAPTURE(BM_Unpack, name, cabinet, peer, peerName) \
      ->DenseRange(0, 3)                                      \
      ->Unit(benchmark::kMillisecond)                         \
      ->Iterations(5)                                         \
      ->UseRealTime()
UNPACKING(MszipGcab, GcabCabinet, GcabInto, "gcab");
UNPACKING(MszipCabextract, GcabCabinet, CabextractInto, "cabextract");
UNPACKING(LzxCabextract, OurLzxCabinet, CabextractInto, "cabextract");
UNPACKING(Lzx7z, OurLzxCabinet, SevenZipInto, "7z");
