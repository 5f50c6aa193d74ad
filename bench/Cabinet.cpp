// Packing and unpacking real data (see Realdata.h: text, sources,
// executables, compressed data, shared libraries; 8 MB of each) with MSZIP
// and with LZX (window 2^21): our cabinet components beside gcab, wimlib (the
// LZX packer of wimtools at its fastest level, 2 MB chunks, one thread),
// cabextract and 7z on the same bytes, in one run. Every archive is unpacked
// by another side and compared with the source before its figure counts.
// BM_UnpackProcess times LZX unpacking as whole processes, as a user runs it:
// this program started again to unpack with TCabReader, beside the peer's
// process, by turns.
#include "bench/Realdata.h"
#include "net/Tcabreader.h"
#include "net/Tcabwriter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <algorithm>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using benchdata::Kind;

namespace {

// The cabinets' kinds: the codecs' four and shared libraries.
constexpr Kind kCabinetKinds[] = {Kind::Text, Kind::Sources, Kind::Executables, Kind::Compressed, Kind::Libraries};
constexpr std::size_t kKindCount = std::size(kCabinetKinds);

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
  static std::string made[kKindCount];
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
  static std::string made[kKindCount];
  std::string& cab = made[static_cast<int>(kind)];
  if (cab.empty()) {
    cab = KindDir(kind) + "/gcab.cab";
    PackGcab(kind, cab);
  }
  return cab;
}

const std::string& OurLzxCabinet(Kind kind) {
  static std::string made[kKindCount];
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
  const Kind kind = kCabinetKinds[state.range(0)];
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

// One finished process: its wall time and the CPU time the system counted for it.
struct ProcessTimes {
  double wall = 0, cpu = 0;
};

// Runs argv as a process of its own, its output thrown away; false when it
// cannot start or fails.
bool RunProcess(const std::vector<std::string>& argv, ProcessTimes& times) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto t0 = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return false;
  times.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
  times.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

const char* kUnpackFlag = "--unpack-cabinet";

// This program, started again to unpack a cabinet with TCabReader (see main).
std::vector<std::string> OurProcess(const std::string& cab, const std::string& dir) {
  return {fs::read_symlink("/proc/self/exe").string(), kUnpackFlag, cab, dir};
}

// LZX unpacking of our cabinet of the kind as whole processes: ours and the
// peer by turns, each into a fresh folder, both outputs first checked equal
// to the source. ratio = the median over the pairs of the peer's time over
// ours (above 1: ours is faster), in wall time and in CPU time.
void BM_UnpackProcess(benchmark::State& state, const char* peerName) {
  const Kind kind = KindOf(state);
  const std::string& cab = OurLzxCabinet(kind);
  const std::string dir = Root() + "/x-process";
  const std::vector<std::string> ours = OurProcess(cab, dir);
  const std::vector<std::string> peer = std::string(peerName) == "7z"
                                            ? std::vector<std::string>{"7z", "x", "-y", "-o" + dir, cab}
                                            : std::vector<std::string>{"cabextract", "-q", "-d", dir, cab};
  for (const auto* side : {&ours, &peer}) {
    fs::remove_all(dir);
    ProcessTimes t;
    if (!RunProcess(*side, t) || !SameAsSource(kind, dir)) {
      state.SkipWithError(((*side)[0] + " does not unpack the source").c_str());
      return;
    }
  }
  std::vector<double> oursWall, peerWall, wallRatio, cpuRatio;
  for (auto _ : state) {
    ProcessTimes o, p;
    fs::remove_all(dir);
    const bool ranOurs = RunProcess(ours, o);
    fs::remove_all(dir);
    const bool ranPeer = RunProcess(peer, p);
    if (!ranOurs || !ranPeer) {
      state.SkipWithError("a process failed");
      return;
    }
    oursWall.push_back(o.wall);
    peerWall.push_back(p.wall);
    wallRatio.push_back(p.wall / o.wall);
    cpuRatio.push_back(p.cpu / std::max(o.cpu, 1e-6));
  }
  fs::remove_all(dir);
  state.counters["ours_ms"] = Median(oursWall) * 1e3;
  state.counters["peer_ms"] = Median(peerWall) * 1e3;
  state.counters["ratio"] = Median(wallRatio);
  state.counters["cpu_ratio"] = Median(cpuRatio);
  state.counters["min_ratio"] = *std::min_element(wallRatio.begin(), wallRatio.end());
}

}  // namespace

// The argument is the kind of data: 0 text, 1 sources, 2 executables, 3 compressed, 4 shared libraries.
BENCHMARK(BM_PackMszip)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PackLzx)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
#define UNPACKING(name, cabinet, peer, peerName)              \
  BENCHMARK_CAPTURE(BM_Unpack, name, cabinet, peer, peerName) \
      ->DenseRange(0, 4)                                      \
      ->Unit(benchmark::kMillisecond)                         \
      ->Iterations(5)                                         \
      ->UseRealTime()
UNPACKING(MszipGcab, GcabCabinet, GcabInto, "gcab");
UNPACKING(MszipCabextract, GcabCabinet, CabextractInto, "cabextract");
UNPACKING(LzxCabextract, OurLzxCabinet, CabextractInto, "cabextract");
UNPACKING(Lzx7z, OurLzxCabinet, SevenZipInto, "7z");
#define UNPACKING_PROCESS(peerName)                        \
  BENCHMARK_CAPTURE(BM_UnpackProcess, peerName, #peerName) \
      ->DenseRange(0, 4)                                   \
      ->Unit(benchmark::kMillisecond)                      \
      ->Iterations(25)                                     \
      ->UseRealTime()
UNPACKING_PROCESS(7z);
UNPACKING_PROCESS(cabextract);

// Started with kUnpackFlag, the program unpacks one cabinet and ends: the
// whole process a user's unpacking is. Otherwise it runs the benchmarks.
int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == kUnpackFlag) {
    try {
      TCabReader reader(nullptr);
      reader.Extract(argv[2], argv[3]);
      return 0;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", e.what());
      return 1;
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
