// Throughput of the GOST R 34.11-94 digest and the GOST 28147-89 cipher (CFB with key
// meshing) on 64 MB, beside `rhash --gost94-cryptopro` and `openssl enc -gost89` with
// the GOST engine on the same data in the same run. The peers' figures include their
// process start and reading the file from the page cache.

#include "foundation/Gost28147.h"
#include "foundation/Gosthash.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t DataSize = 64u << 20;
const uint8_t BenchKey[32] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x10, 0x32, 0x54,
                              0x76, 0x98, 0xBA, 0xDC, 0xFE, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66,
                              0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x00};
const uint8_t BenchIv[8] = {0xA5, 0x5A, 0x3C, 0xC3, 0x0F, 0xF0, 0x69, 0x96};

const std::vector<uint8_t>& Data() {
  static const std::vector<uint8_t> data = [] {
    std::vector<uint8_t> d(DataSize);
    std::mt19937_64 gen(2026);
    for (size_t i = 0; i < d.size(); i += 8) {
      uint64_t v = gen();
      for (int k = 0; k < 8; ++k) d[i + k] = static_cast<uint8_t>(v >> (8 * k));
    }
    return d;
  }();
  return data;
}

std::string Hex(const uint8_t* p, size_t n) {
  std::string s;
  char buf[3];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, "%02x", p[i]);
    s += buf;
  }
  return s;
}

// The data file and the engine configuration, written once into a private folder.
struct TPeerFiles {
  std::string Folder, DataFile, OpensslConf;
  TPeerFiles() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp ? tmp : "/tmp") + "/gost-bench-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    Folder = mkdtemp(buf.data()) ? buf.data() : "/tmp";
    DataFile = Folder + "/data.bin";
    std::ofstream(DataFile, std::ios::binary)
        .write(reinterpret_cast<const char*>(Data().data()), static_cast<std::streamsize>(Data().size()));
    OpensslConf = Folder + "/openssl-gost.cnf";
    std::ofstream(OpensslConf) << "openssl_conf = openssl_def\n[openssl_def]\nengines = engine_section\n"
                                  "[engine_section]\ngost = gost_section\n[gost_section]\nengine_id = gost\n"
                                  "default_algorithms = ALL\nCRYPT_PARAMS = id-Gost28147-89-CryptoPro-A-ParamSet\n";
  }
  ~TPeerFiles() {
    std::remove(DataFile.c_str());
    std::remove(OpensslConf.c_str());
    std::remove((Folder + "/cipher.bin").c_str());
    rmdir(Folder.c_str());
  }
};

TPeerFiles& Peers() {
  static TPeerFiles files;
  return files;
}

std::string Capture(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    if (pclose(p) != 0) out.clear();
  }
  return out;
}

void GostHash(benchmark::State& state) {
  const auto& data = Data();
  uint8_t digest[GostHashSize];
  for (auto _ : state) {
    TGostHash::Compute(data.data(), data.size(), digest);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}

void GostCfbEncrypt(benchmark::State& state) {
  std::vector<uint8_t> buf = Data();
  for (auto _ : state) {
    TGostCfb cfb(TGostTables::CryptoProA(), BenchKey, BenchIv);
    cfb.Encrypt(buf.data(), buf.size());
    benchmark::DoNotOptimize(buf.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * buf.size()));
}

void PeerRhashGost94CryptoPro(benchmark::State& state) {
  auto& peers = Peers();
  std::string command = "rhash --gost94-cryptopro '" + peers.DataFile + "'";
  uint8_t ours[GostHashSize];
  TGostHash::Compute(Data().data(), Data().size(), ours);
  for (auto _ : state) {
    std::string out = Capture(command);
    if (out.compare(0, 64, Hex(ours, sizeof ours)) != 0) {
      state.SkipWithError("rhash missing or its digest differs from ours");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * DataSize));
}

void PeerOpensslGost89Enc(benchmark::State& state) {
  auto& peers = Peers();
  std::string cipherFile = peers.Folder + "/cipher.bin";
  std::string command = "OPENSSL_CONF='" + peers.OpensslConf + "' openssl enc -gost89 -K " + Hex(BenchKey, 32) +
                        " -iv " + Hex(BenchIv, 8) + " -in '" + peers.DataFile + "' -out '" + cipherFile + "'";
  std::vector<uint8_t> ours = Data();
  TGostCfb(TGostTables::CryptoProA(), BenchKey, BenchIv).Encrypt(ours.data(), ours.size());
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("openssl with the GOST engine failed");
      break;
    }
  }
  std::ifstream f(cipherFile, std::ios::binary);
  std::vector<uint8_t> theirs((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (theirs != ours) state.SkipWithError("openssl's cipher text differs from ours");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * DataSize));
}

}  // namespace

BENCHMARK(GostHash)->Name("GostHash/CryptoPro/64MB")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(PeerRhashGost94CryptoPro)
    ->Name("Peer/rhash --gost94-cryptopro/64MB")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(GostCfbEncrypt)->Name("GostCfb/CryptoProA/64MB")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(PeerOpensslGost89Enc)
    ->Name("Peer/openssl enc -gost89/64MB")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
