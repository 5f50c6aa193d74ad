// Throughput of the mail codings on 64 MB: base64 in 76-character lines, quoted-printable,
// and MD5, beside `base64` (coreutils), Python's quopri and `md5sum` on the same data in
// the same run. The peers' figures include their process start and reading the file
// from the page cache.

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
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t DataSize = 64u << 20;

const std::string& Binary()
{
    static const std::string data = [] {
        std::string d(DataSize, '\0');
        std::mt19937_64 gen(2026);
        for (size_t i = 0; i < d.size(); i += 8) {
            const uint64_t v = gen();
            for (int k = 0; k < 8; ++k)
                d[i + k] = static_cast<char>(v >> (8 * k));
        }
        return d;
    }();
    return data;
}

// Text as the post office mails it: lines of Latin and Cyrillic letters, blanks and signs.
const std::string& Text()
{
    static const std::string data = [] {
        const std::string alphabet = "abcdefghijklmnopqrstuvwxyz ABCDEF 0123456789 .,;=?-\xe0\xe1\xe2\xe3\xe4\xc0\xc1";
        std::string d;
        d.reserve(DataSize);
        std::mt19937 gen(2026);
        while (d.size() < DataSize) {
            const size_t len = 20 + gen() % 100;
            for (size_t i = 0; i < len; ++i)
                d += alphabet[gen() % alphabet.size()];
            d += "\r\n";
        }
        d.resize(DataSize);
        return d;
    }();
    return data;
}

std::string Base64Lines(const std::string& data, const char* lineEnd = "\r\n")
{
    std::string out;
    Encode3to4Lines(reinterpret_cast<const uint8_t*>(data.data()), data.size(), NetBase64Table, 57, lineEnd, out);
    return out;
}

void Base64Decode(const std::string& text, std::string& out)
{
    out.clear();
    for (size_t p = 0; p < text.size();) {
        size_t e = text.find("\r\n", p);
        if (e == std::string::npos)
            e = text.size();
        Decode4to3(text.data() + p, e - p, NetBase64Table, out);
        p = e + 2;
    }
}

struct TPeerFiles {
    std::string Folder, BinaryFile, Base64File, TextFile, QPFile;
    TPeerFiles()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp ? tmp : "/tmp") + "/mail-bench-XXXXXX";
        Folder = mkdtemp(pattern.data()) ? pattern : "/tmp";
        BinaryFile = Write("data.bin", Binary());
        Base64File = Write("data.b64", Base64Lines(Binary(), "\n"));
        TextFile = Write("text.txt", Text());
        std::string qp;
        EncodeQuotedPrintable(reinterpret_cast<const uint8_t*>(Text().data()), Text().size(), qp);
        QPFile = Write("text.qp", qp);
    }
    std::string Write(const std::string& name, const std::string& data)
    {
        const std::string path = Folder + "/" + name;
        std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
        return path;
    }
    ~TPeerFiles()
    {
        for (const std::string* f : {&BinaryFile, &Base64File, &TextFile, &QPFile})
            std::remove(f->c_str());
        rmdir(Folder.c_str());
    }
};

TPeerFiles& Peers()
{
    static TPeerFiles files;
    return files;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Times a peer only after its output was found the same as ours (a first run that also warms
// the page cache).
void RunPeer(benchmark::State& state, const std::string& command,
             const std::function<bool(const std::string&)>& sameAsOurs)
{
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
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * DataSize));
}

void Base64Encode(benchmark::State& state)
{
    const std::string& data = Binary();
    std::string out;
    for (auto _ : state) {
        out.clear();
        Encode3to4Lines(reinterpret_cast<const uint8_t*>(data.data()), data.size(), NetBase64Table, 57, "\r\n", out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * DataSize));
}

// The attachment encoder as messages use it: from a stream into a stream.
void MessageEncoderMIME(benchmark::State& state)
{
    const std::string& data = Binary();
    TNetReadMemoryStream source;
    TMemoryStream dest;
    TNetMessageEncoderMIME encoder(nullptr);
    for (auto _ : state) {
        source.SetMemory(data.data(), static_cast<int64_t>(data.size()));
        dest.SetPosition(0);
        encoder.Encode(source, dest);
        benchmark::DoNotOptimize(dest.Memory());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * DataSize));
}

void Base64DecodeLines(benchmark::State& state)
{
    const std::string text = Base64Lines(Binary());
    std::string out;
    for (auto _ : state) {
        Base64Decode(text, out);
        benchmark::DoNotOptimize(out.data());
    }
    if (out != Binary())
        state.SkipWithError("decoded bytes differ");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * DataSize));
}

void QuotedPrintableEncode(benchmark::State& state)
{
    Text();
    std::string out;
    for (auto _ : state) {
        out.clear();
        EncodeQuotedPrintable(reinterpret_cast<const uint8_t*>(Text().data()), Text().size(), out);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * DataSize));
}

void QuotedPrintableDecode(benchmark::State& state)
{
    std::string qp;
    EncodeQuotedPrintable(reinterpret_cast<const uint8_t*>(Text().data()), Text().size(), qp);
    std::string out;
    for (auto _ : state) {
        out.clear();
        DecodeQuotedPrintable(qp, out);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * DataSize));
}

void Md5(benchmark::State& state)
{
    TNetHashMessageDigest5 md5;
    Binary();
    for (auto _ : state)
        benchmark::DoNotOptimize(md5.HashValue(Binary()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * DataSize));
}

void PeerBase64Encode(benchmark::State& state)
{
    RunPeer(state, "base64 -w 76 '" + Peers().BinaryFile + "'",
            [](const std::string& out) { return out == Base64Lines(Binary(), "\n"); });
}
void PeerBase64Decode(benchmark::State& state)
{
    RunPeer(state, "base64 -d '" + Peers().Base64File + "'", [](const std::string& out) { return out == Binary(); });
}
void PeerMd5sum(benchmark::State& state)
{
    TNetHashMessageDigest5 md5;
    std::string ours = TNetHash128::AsHex(md5.HashValue(Binary()));
    for (char& c : ours)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    RunPeer(state, "md5sum '" + Peers().BinaryFile + "'",
            [&](const std::string& out) { return out.compare(0, ours.size(), ours) == 0; });
}
// The peer's lines break elsewhere than ours: its encoding must decode to the same text.
void PeerQuopriEncode(benchmark::State& state)
{
    RunPeer(state,
            "python3 -c 'import sys,quopri; quopri.encode(open(sys.argv[1],\"rb\"),sys.stdout.buffer,False)' '" +
                Peers().TextFile + "'",
            [](const std::string& out) {
                std::string decoded;
                DecodeQuotedPrintable(out, decoded);
                return decoded == Text();
            });
}
void PeerQuopriDecode(benchmark::State& state)
{
    RunPeer(state, "python3 -c 'import sys,quopri; quopri.decode(open(sys.argv[1],\"rb\"),sys.stdout.buffer)' '" +
                       Peers().QPFile + "'",
            [](const std::string& out) { return out == Text(); });
}

} // namespace

#define MAIL_BENCH(fn, name) \
    BENCHMARK(fn)->Name(name)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)

MAIL_BENCH(Base64Encode, "Base64Encode/76-char lines/64MB");
MAIL_BENCH(PeerBase64Encode, "Peer/base64 -w 76/64MB");
MAIL_BENCH(MessageEncoderMIME, "MessageEncoderMIME/stream to stream/64MB");
MAIL_BENCH(Base64DecodeLines, "Base64Decode/76-char lines/64MB");
MAIL_BENCH(PeerBase64Decode, "Peer/base64 -d/64MB");
MAIL_BENCH(QuotedPrintableEncode, "QuotedPrintableEncode/text/64MB");
MAIL_BENCH(PeerQuopriEncode, "Peer/python3 quopri.encode/64MB");
MAIL_BENCH(QuotedPrintableDecode, "QuotedPrintableDecode/text/64MB");
MAIL_BENCH(PeerQuopriDecode, "Peer/python3 quopri.decode/64MB");
MAIL_BENCH(Md5, "MD5/64MB");
MAIL_BENCH(PeerMd5sum, "Peer/md5sum/64MB");
