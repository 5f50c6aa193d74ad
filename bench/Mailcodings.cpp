// Throughput of the mail codings on 16 MB of each kind of real data (see Realdata.h):
// base64 in 76-character lines, quoted-printable, and MD5, beside `base64` (coreutils),
// Python's quopri and `md5sum` on the same data in the same run. The peers' figures include their process start and
// reading the file from the page cache.

#include "bench/Realdata.h"
#include "net/Netcodings.h"
#include "net/Tnethash.h"
#include "net/Tnetmessagecodermime.h"
#include "net/Tnetreadmemorystream.h"
#include "platform/rtl/Tmemorystream.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t DataSize = 16u << 20;

// The real data of a kind (see Realdata.h), the benchmark's argument.
const std::string& Data(int kind) {
  static std::string made[4];
  std::string& data = made[kind];
  if (data.empty()) data = benchdata::Make(benchdata::kKinds[kind], DataSize);
  return data;
}

const std::string& Data(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  state.SetLabel(benchdata::Name(benchdata::kKinds[kind]));
  return Data(kind);
}

void CountBytes(benchmark::State& state, const std::string& data) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}

std::string Base64Lines(const std::string& data, const char* lineEnd = "\r\n") {
  std::string out;
  Encode3to4Lines(reinterpret_cast<const uint8_t*>(data.data()), data.size(), NetBase64Table, 57, lineEnd, out);
  return out;
}

void Base64Decode(const std::string& text, std::string& out) {
  out.clear();
  for (size_t p = 0; p < text.size();) {
    size_t e = text.find("\r\n", p);
    if (e == std::string::npos) e = text.size();
    Decode4to3(text.data() + p, e - p, NetBase64Table, out);
    p = e + 2;
  }
}

// The files the peers read: each kind as it is, in base64 lines and in quoted-printable.
struct TPeerFiles {
  std::string Folder;
  TPeerFiles() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp ? tmp : "/tmp") + "/mail-bench-XXXXXX";
    Folder = mkdtemp(pattern.data()) ? pattern : "/tmp";
    for (int kind = 0; kind < 4; ++kind) {
      Write(DataFile(kind), Data(kind));
      Write(Base64File(kind), Base64Lines(Data(kind), "\n"));
      std::string qp;
      EncodeQuotedPrintable(reinterpret_cast<const uint8_t*>(Data(kind).data()), Data(kind).size(), qp);
      Write(QPFile(kind), qp);
    }
  }
  std::string Named(int kind, const char* extension) const {
    return Folder + "/" + benchdata::Name(benchdata::kKinds[kind]) + extension;
  }
  std::string DataFile(int kind) const { return Named(kind, ".bin"); }
  std::string Base64File(int kind) const { return Named(kind, ".b64"); }
  std::string QPFile(int kind) const { return Named(kind, ".qp"); }
  static void Write(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
  }
  ~TPeerFiles() {
    for (int kind = 0; kind < 4; ++kind)
      for (const std::string& f : {DataFile(kind), Base64File(kind), QPFile(kind)}) std::remove(f.c_str());
    rmdir(Folder.c_str());
  }
};

TPeerFiles& Peers() {
  static TPeerFiles files;
  return files;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Times a peer only after its output was found the same as ours (a first run that also warms
// the page cache).
void RunPeer(benchmark::State& state, const std::string& command,
             const std::function<bool(const std::string&)>& sameAsOurs) {
  const std::string& data = Data(state);
  const std::string output = Peers().Folder + "/peer.out";
  const bool ran = std::system((command + " > '" + output + "'").c_str()) == 0;
  const bool same = ran && sameAsOurs(ReadFile(output));
  std::remove(output.c_str());
  if (!same) {
    state.SkipWithError(((ran ? "the peer's output differs from ours: " : "peer failed: ") + command).c_str());
    return;
  }
  for (auto _ : state)
    if (std::system((command + " > /dev/null").c_str()) != 0) {
      state.SkipWithError(("peer failed: " + command).c_str());
      break;
    }
  CountBytes(state, data);
}

void Base64Encode(benchmark::State& state) {
  const std::string& data = Data(state);
  std::string out;
  for (auto _ : state) {
    out.clear();
    Encode3to4Lines(reinterpret_cast<const uint8_t*>(data.data()), data.size(), NetBase64Table, 57, "\r\n", out);
    benchmark::DoNotOptimize(out.data());
  }
  CountBytes(state, data);
}

// The attachment encoder as messages use it: from a stream into a stream.
void MessageEncoderMIME(benchmark::State& state) {
  const std::string& data = Data(state);
  TNetReadMemoryStream source;
  TMemoryStream dest;
  TNetMessageEncoderMIME encoder(nullptr);
  for (auto _ : state) {
    source.SetMemory(data.data(), static_cast<int64_t>(data.size()));
    dest.SetPosition(0);
    encoder.Encode(source, dest);
    benchmark::DoNotOptimize(dest.Memory());
  }
  CountBytes(state, data);
}

void Base64DecodeLines(benchmark::State& state) {
  const std::string& data = Data(state);
  const std::string text = Base64Lines(data);
  std::string out;
  for (auto _ : state) {
    Base64Decode(text, out);
    benchmark::DoNotOptimize(out.data());
  }
  if (out != data) state.SkipWithError("decoded bytes differ");
  CountBytes(state, data);
}

void QuotedPrintableEncode(benchmark::State& state) {
  const std::string& data = Data(state);
  std::string out;
  for (auto _ : state) {
    out.clear();
    EncodeQuotedPrintable(reinterpret_cast<const uint8_t*>(data.data()), data.size(), out);
    benchmark::DoNotOptimize(out);
  }
  CountBytes(state, data);
}

void QuotedPrintableDecode(benchmark::State& state) {
  const std::string& data = Data(state);
  std::string qp;
  EncodeQuotedPrintable(reinterpret_cast<const uint8_t*>(data.data()), data.size(), qp);
  std::string out;
  for (auto _ : state) {
    out.clear();
    DecodeQuotedPrintable(qp, out);
    benchmark::DoNotOptimize(out);
  }
  CountBytes(state, data);
}

void Md5(benchmark::State& state) {
  TNetHashMessageDigest5 md5;
  const std::string& data = Data(state);
  for (auto _ : state) benchmark::DoNotOptimize(md5.HashValue(data));
  CountBytes(state, data);
}

int KindOf(benchmark::State& state) { return static_cast<int>(state.range(0)); }

void PeerBase64Encode(benchmark::State& state) {
  const int kind = KindOf(state);
  RunPeer(state, "base64 -w 76 '" + Peers().DataFile(kind) + "'",
          [kind](const std::string& out) { return out == Base64Lines(Data(kind), "\n"); });
}
void PeerBase64Decode(benchmark::State& state) {
  const int kind = KindOf(state);
  RunPeer(state, "base64 -d '" + Peers().Base64File(kind) + "'",
          [kind](const std::string& out) { return out == Data(kind); });
}
void PeerMd5sum(benchmark::State& state) {
  const int kind = KindOf(state);
  TNetHashMessageDigest5 md5;
  std::string ours = TNetHash128::AsHex(md5.HashValue(Data(kind)));
  for (char& c : ours) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  RunPeer(state, "md5sum '" + Peers().DataFile(kind) + "'",
          [&](const std::string& out) { return out.compare(0, ours.size(), ours) == 0; });
}
// Lines as Python's quoted-printable sees them: CRs before a line end belong to the line end.
std::string LfLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\n')
      while (!out.empty() && out.back() == '\r') out.pop_back();
    out += c;
  }
  return out;
}

// The peer's lines break elsewhere than ours: its encoding must decode by its own decoder
// to the same lines (it writes every line end as LF).
void PeerQuopriEncode(benchmark::State& state) {
  const int kind = KindOf(state);
  const std::string decode =
      "python3 -c 'import sys,quopri; quopri.decode(open(sys.argv[1],\"rb\"),sys.stdout.buffer)' ";
  RunPeer(state,
          "python3 -c 'import sys,quopri; quopri.encode(open(sys.argv[1],\"rb\"),sys.stdout.buffer,False)' '" +
              Peers().DataFile(kind) + "'",
          [&](const std::string& out) {
            const std::string encoded = Peers().Folder + "/peer.qp", decoded = Peers().Folder + "/peer.back";
            TPeerFiles::Write(encoded, out);
            const bool same = std::system((decode + "'" + encoded + "' > '" + decoded + "'").c_str()) == 0 &&
                              LfLines(ReadFile(decoded)) == LfLines(Data(kind));
            std::remove(encoded.c_str());
            std::remove(decoded.c_str());
            return same;
          });
}
void PeerQuopriDecode(benchmark::State& state) {
  const int kind = KindOf(state);
  RunPeer(state,
          "python3 -c 'import sys,quopri; quopri.decode(open(sys.argv[1],\"rb\"),sys.stdout.buffer)' '" +
              Peers().QPFile(kind) + "'",
          [kind](const std::string& out) { return out == Data(kind); });
}

}  // namespace

// The argument is the kind of data: 0 text, 1 sources, 2 executables, 3 compressed.
#define MAIL_BENCH(fn, name) \
  BENCHMARK(fn)->Name(name)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)

MAIL_BENCH(Base64Encode, "Base64Encode/76-char lines/16MB");
MAIL_BENCH(PeerBase64Encode, "Peer/base64 -w 76/16MB");
MAIL_BENCH(MessageEncoderMIME, "MessageEncoderMIME/stream to stream/16MB");
MAIL_BENCH(Base64DecodeLines, "Base64Decode/76-char lines/16MB");
MAIL_BENCH(PeerBase64Decode, "Peer/base64 -d/16MB");
MAIL_BENCH(QuotedPrintableEncode, "QuotedPrintableEncode/16MB");
MAIL_BENCH(PeerQuopriEncode, "Peer/python3 quopri.encode/16MB");
MAIL_BENCH(QuotedPrintableDecode, "QuotedPrintableDecode/16MB");
MAIL_BENCH(PeerQuopriDecode, "Peer/python3 quopri.decode/16MB");
MAIL_BENCH(Md5, "MD5/16MB");
MAIL_BENCH(PeerMd5sum, "Peer/md5sum/16MB");
