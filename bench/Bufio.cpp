// Buffered binary files against plain writes and reads of the same bytes: a
// 256 MB file of mixed records (byte, word, double word, double, a short text
// as its length and characters) written field by field through TBufWriter and
// read back field by field through TBufReader, beside WriteFile/ReadFile of the
// identical image in 256 KB chunks, in one run. Compare the bytes_per_second
// of each Buffered* figure with its Plain* figure of the same argument:
//   /0  the page cache only: writes are not synced, reads find the file cached,
//       so the plain figures are little more than memory copies;
//   /1  the disk: each write ends with a sync, each read starts with the file's
//       pages dropped from the cache.

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Tstr.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t FileSize = 256u << 20;
constexpr size_t ChunkSize = 256u << 10;

const std::vector<TStr>& Texts() {
  static const std::vector<TStr> texts = {TStr("1.2.3"), TStr("Model block text"), TStr(),
                                          TStr("A premise with a longer text of its own, as blocks carry")};
  return texts;
}

// Writes records until `limit` bytes; the number of records.
size_t WriteRecords(TBufWriter& w, size_t limit) {
  const std::vector<TStr>& texts = Texts();
  size_t n = 0;
  while (w.Position() < limit) {
    w.WriteByte(static_cast<uint8_t>(n));
    w.WriteWord(static_cast<uint16_t>(n * 3));
    w.WriteDWord(static_cast<uint32_t>(n * 7));
    w.WriteDouble(n * 0.5);
    texts[n & 3].SaveToBufWriter(w);
    ++n;
  }
  return n;
}

// The file's image in memory, built once, and the number of records in it.
struct TImage {
  std::string Bytes;
  size_t Records = 0;
  TImage() {
    Bytes.reserve(FileSize + 128);
    TBufWriter w(Bytes);
    Records = WriteRecords(w, FileSize);
  }
};

const TImage& Image() {
  static const TImage image;
  return image;
}

std::string FilePath() {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/quillaran-bufio-" + std::to_string(getpid()) + ".bin";
}

HANDLE Create(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE Open(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

// Ends a timed write on the disk when the benchmark's argument asks for it.
void SyncWhenAsked(benchmark::State& state, HANDLE h) {
  if (state.range(0)) FlushFileBuffers(h);
}

// Drops the file's cached pages (untimed) when the benchmark's argument asks for it.
void DropCacheWhenAsked(benchmark::State& state, const std::string& path) {
  if (!state.range(0)) return;
  state.PauseTiming();
  HANDLE h = Open(path);
  posix_fadvise(platform::DescriptorOf(h), 0, 0, POSIX_FADV_DONTNEED);
  CloseHandle(h);
  state.ResumeTiming();
}

void PlainWrite(benchmark::State& state) {
  const std::string& bytes = Image().Bytes;
  std::string path = FilePath();
  for (auto _ : state) {
    HANDLE h = Create(path);
    for (size_t at = 0; at < bytes.size(); at += ChunkSize) {
      DWORD n = static_cast<DWORD>(std::min(ChunkSize, bytes.size() - at));
      WriteFile(h, bytes.data() + at, n, &n, nullptr);
    }
    SyncWhenAsked(state, h);
    CloseHandle(h);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BufferedWrite(benchmark::State& state) {
  std::string path = FilePath();
  size_t written = 0;
  for (auto _ : state) {
    HANDLE h = Create(path);
    {
      TBufWriter w(h);
      WriteRecords(w, FileSize);
      w.Flush();
      written = w.Position();
    }
    SyncWhenAsked(state, h);
    CloseHandle(h);
  }
  if (written != Image().Bytes.size()) state.SkipWithError("the buffered file differs from the image");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written));
}

void PlainRead(benchmark::State& state) {
  std::string path = FilePath();
  std::vector<char> chunk(ChunkSize);
  uint64_t total = 0;
  for (auto _ : state) {
    DropCacheWhenAsked(state, path);
    HANDLE h = Open(path);
    DWORD n = 0;
    while (ReadFile(h, chunk.data(), ChunkSize, &n, nullptr) && n > 0) {
      total += n;
      benchmark::DoNotOptimize(chunk.data());
    }
    CloseHandle(h);
  }
  state.SetBytesProcessed(static_cast<int64_t>(total));
}

void BufferedRead(benchmark::State& state) {
  std::string path = FilePath();
  size_t records = Image().Records;
  uint64_t total = 0;
  for (auto _ : state) {
    DropCacheWhenAsked(state, path);
    HANDLE h = Open(path);
    {
      TBufReader r(h);
      uint64_t sum = 0;
      TStr text;
      for (size_t i = 0; i < records; ++i) {
        sum += r.ReadByte();
        sum += r.ReadWord();
        sum += r.ReadDWord();
        sum += static_cast<uint64_t>(r.ReadDouble());
        text.LoadFromBufReader(r);
        sum += text.IsEmpty();
      }
      benchmark::DoNotOptimize(sum);
      total += r.Position();
      if (!r.IsEof() || r.IsFailed()) state.SkipWithError("the file did not read back whole");
    }
    CloseHandle(h);
  }
  state.SetBytesProcessed(static_cast<int64_t>(total));
}

// Removes the benchmark's file when the program ends, whichever benchmarks ran.
struct TRemoveAtExit {
  ~TRemoveAtExit() { DeleteFileA(FilePath().c_str()); }
} removeAtExit;

}  // namespace

// Writes and reads alternate, so that each read finds the file its writer left.
#define QUILLARAN_BUFIO(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4)
QUILLARAN_BUFIO(PlainWrite)->Arg(0);
QUILLARAN_BUFIO(BufferedWrite)->Arg(0);
QUILLARAN_BUFIO(PlainRead)->Arg(0);
QUILLARAN_BUFIO(BufferedRead)->Arg(0);
QUILLARAN_BUFIO(PlainWrite)->Arg(1);
QUILLARAN_BUFIO(BufferedWrite)->Arg(1);
QUILLARAN_BUFIO(PlainRead)->Arg(1);
QUILLARAN_BUFIO(BufferedRead)->Arg(1);
