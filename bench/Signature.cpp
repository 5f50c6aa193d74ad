// Signing and checking one NEW_BLOCKS message of 1,000 blocks (the seal and the GOST R
// 34.10-2012 signature block that SignFile appends, and the check of both in a received
// file), beside `openssl dgst -md_gost12_256 -sign` and `-verify` with the GOST engine on
// the same bytes in the same run. Before timing, openssl must accept our signature and we
// must accept openssl's. The peer's figures include its process start and key reading;
// openssl's check of an empty file gives that start, and the seal alone (the GOST R 34.11-94
// code of the same file) what the signature adds to our check.

#include "foundation/Commoncrypt.h"
#include "foundation/Gosthmac.h"
#include "foundation/Messagesignature.h"
#include "foundation/Tbufwriter.h"
#include "model/Blockrecord.h"
#include "model/Tcommandmessage.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int BlockCount = 1000;

// The message's bytes before its seal: a header and 1,000 comment records of about 300
// characters each.
std::string UnsignedMessage() {
  TCommandMessageHeader header;
  header.AddField("FROM_USER_EMAIL", "bench@quillaran.test");
  header.AddField("COMMAND", "NEW_BLOCKS");
  header.AddField("PRIVATE_REQ", "0");
  header.AddField("DIDENT", "D-BENCH");
  header.AddField("COMPOSE_DATETIME", "12/08/2026 01:00:00");
  header.AddField("BLOCKSCOUNT", std::to_string(BlockCount));
  std::string bytes;
  TBufWriter writer(bytes);
  header.Write(writer, "BENCH_QUILLARAN_TEST_123456_LID");
  for (int i = 1; i <= BlockCount; ++i) {
    TDiscBlockRecord record;
    record.Name = "1-" + std::to_string(i);
    record.UpperName = "*";
    record.StorageType = 2;
    record.Num = uint16_t(i);
    record.TextType = 2;
    record.Novelty = 1;
    record.Importance = 1;
    record.Texts.Text = std::string(300, char('a' + i % 26));
    record.ADIdent = 1;
    record.CheckValue = ComposeCheckValue(record);
    DiscBlockToBufWriter(writer, record, "");
  }
  EndBlockRecords(writer);
  writer.Flush();
  return bytes;
}

struct TFiles {
  std::string Folder, Unsigned, Signed, Conf, Key, Pub, PeerSignature;
  std::string Bytes;
  TSigningKeyPair Pair;
  bool Ready = false;
  TFiles() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp ? tmp : "/tmp") + "/signature-bench-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    Folder = mkdtemp(buf.data()) ? buf.data() : "/tmp";
    Unsigned = Folder + "/unsigned.bin";
    Signed = Folder + "/signed.bin";
    Conf = Folder + "/openssl-gost.cnf";
    Key = Folder + "/key.pem";
    Pub = Folder + "/pub.pem";
    PeerSignature = Folder + "/peer.sig";
    std::ofstream(Conf) << "openssl_conf = openssl_def\n[openssl_def]\nengines = engine_section\n"
                           "[engine_section]\ngost = gost_section\n[gost_section]\nengine_id = gost\n"
                           "default_algorithms = ALL\n";
    Bytes = UnsignedMessage();
    std::ofstream(Unsigned, std::ios::binary).write(Bytes.data(), std::streamsize(Bytes.size()));
    MakeSigningKeyPair(Pair);
    SetMessageSigner([this](TSigningKeyPair& pair) {
      pair = Pair;
      return true;
    });
    Ready = WriteSigned() && Openssl("genpkey -algorithm gost2012_256 -pkeyopt paramset:A -out '" + Key + "'") &&
            Openssl("pkey -in '" + Key + "' -pubout -out '" + Pub + "'");
  }
  ~TFiles() { std::system(("rm -rf '" + Folder + "'").c_str()); }

  bool Openssl(const std::string& arguments) const {
    return std::system(("OPENSSL_CONF='" + Conf + "' openssl " + arguments + " >/dev/null 2>&1").c_str()) == 0;
  }

  // The message sealed and signed by SignFile, written anew.
  bool WriteSigned() const {
    std::remove(Signed.c_str());
    HANDLE file = CreateFileA(Signed.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool good =
        WriteFile(file, Bytes.data(), DWORD(Bytes.size()), &written, nullptr) && SignFile(file, "", "NEW_BLOCKS", 0);
    CloseHandle(file);
    return good;
  }

  // The bytes our signature covers and the signature, as openssl reads them.
  void SplitSigned(std::string& signedPart, std::string& signature) const {
    std::ifstream f(Signed, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    signedPart = all.substr(0, all.size() - SignatureBlockSize);
    signature = all.substr(all.size() - SignatureSize);
  }
};

TFiles& Files() {
  static TFiles files;
  return files;
}

HANDLE OpenRead(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

void Sign(benchmark::State& state) {
  TFiles& files = Files();
  if (!files.Ready) return state.SkipWithError("the files or openssl's key could not be made");
  for (auto _ : state)
    if (!files.WriteSigned()) return state.SkipWithError("SignFile failed");
  state.SetBytesProcessed(int64_t(state.iterations() * files.Bytes.size()));
}

void Verify(benchmark::State& state) {
  TFiles& files = Files();
  if (!files.Ready || !files.WriteSigned()) return state.SkipWithError("the files could not be made");
  // The same bytes as openssl checks them: our signature is accepted there first.
  std::string signedPart, signature;
  files.SplitSigned(signedPart, signature);
  std::ofstream(files.Folder + "/ours.bin", std::ios::binary)
      .write(signedPart.data(), std::streamsize(signedPart.size()));
  std::ofstream(files.Folder + "/ours.sig", std::ios::binary)
      .write(signature.data(), std::streamsize(signature.size()));
  // Our key in a form openssl reads.
  const std::string spki = std::string(
                               "\x30\x66\x30\x1f\x06\x08\x2a\x85\x03\x07\x01\x01\x01\x01\x30\x13\x06\x07\x2a"
                               "\x85\x03\x02\x02\x23\x01\x06\x08\x2a\x85\x03\x07\x01\x01\x02\x02\x03\x43\x00\x04\x40",
                               40) +
                           std::string(files.Pair.Public.begin(), files.Pair.Public.end());
  std::ofstream(files.Folder + "/ours.der", std::ios::binary).write(spki.data(), std::streamsize(spki.size()));
  if (!files.Openssl("pkey -pubin -inform DER -in '" + files.Folder + "/ours.der' -out '" + files.Folder +
                     "/ours.pem'") ||
      !files.Openssl("dgst -md_gost12_256 -verify '" + files.Folder + "/ours.pem' -signature '" + files.Folder +
                     "/ours.sig' '" + files.Folder + "/ours.bin'"))
    return state.SkipWithError("openssl does not accept our signature");
  for (auto _ : state) {
    // A file written anew each time, checked as the receiving program does, which keeps no
    // verdict of it yet: a verdict kept for its bytes would answer in the check's place.
    state.PauseTiming();
    const bool written = files.WriteSigned();
    ForgetKeptVerdicts();
    state.ResumeTiming();
    if (!written) return state.SkipWithError("SignFile failed");
    HANDLE file = OpenRead(files.Signed);
    TMessageSigner signer;
    const bool good = VerifyFileSign(file, false, "", &signer);
    CloseHandle(file);
    if (!good) return state.SkipWithError("our seal and signature do not verify");
  }
  state.SetBytesProcessed(int64_t(state.iterations() * files.Bytes.size()));
}

// The seal's code alone over the signed file, read from the disk cache each time.
void SealAlone(benchmark::State& state) {
  TFiles& files = Files();
  if (!files.Ready) return state.SkipWithError("the files could not be made");
  const uint8_t key[32] = {};
  for (auto _ : state) {
    std::ifstream f(files.Signed, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    uint8_t mac[GostHashSize];
    TGostHmac::Compute(key, sizeof key, bytes.data(), bytes.size() - SealTrailerSize - SignatureBlockSize, mac);
    benchmark::DoNotOptimize(mac);
  }
  state.SetBytesProcessed(int64_t(state.iterations() * files.Bytes.size()));
}

void PeerSign(benchmark::State& state) {
  TFiles& files = Files();
  if (!files.Ready) return state.SkipWithError("the files or openssl's key could not be made");
  const std::string command =
      "dgst -md_gost12_256 -sign '" + files.Key + "' -out '" + files.PeerSignature + "' '" + files.Unsigned + "'";
  for (auto _ : state)
    if (!files.Openssl(command)) return state.SkipWithError("openssl with the GOST engine failed");
  // What openssl signed, we accept: its key's point is the last 64 bytes of its public key.
  files.Openssl("pkey -pubin -in '" + files.Pub + "' -outform DER -out '" + files.Folder + "/peer.der'");
  std::ifstream der(files.Folder + "/peer.der", std::ios::binary);
  std::string key((std::istreambuf_iterator<char>(der)), std::istreambuf_iterator<char>());
  std::ifstream sig(files.PeerSignature, std::ios::binary);
  std::string signature((std::istreambuf_iterator<char>(sig)), std::istreambuf_iterator<char>());
  TPublicKey peer{};
  if (key.size() < PublicKeySize || signature.size() != SignatureSize) return state.SkipWithError("no peer signature");
  std::copy(key.end() - PublicKeySize, key.end(), peer.begin());
  TMessageDigest digest;
  digest.Update(files.Bytes.data(), files.Bytes.size());
  if (!VerifyDigestSignature(peer, digest.Final(), reinterpret_cast<const uint8_t*>(signature.data())))
    state.SkipWithError("openssl's signature does not verify here");
  state.SetBytesProcessed(int64_t(state.iterations() * files.Bytes.size()));
}

void PeerVerify(benchmark::State& state) {
  TFiles& files = Files();
  if (!files.Ready || !files.Openssl("dgst -md_gost12_256 -sign '" + files.Key + "' -out '" + files.PeerSignature +
                                     "' '" + files.Unsigned + "'"))
    return state.SkipWithError("openssl with the GOST engine failed");
  const std::string command = "dgst -md_gost12_256 -verify '" + files.Pub + "' -signature '" + files.PeerSignature +
                              "' '" + files.Unsigned + "'";
  for (auto _ : state)
    if (!files.Openssl(command)) return state.SkipWithError("openssl does not verify its own signature");
  state.SetBytesProcessed(int64_t(state.iterations() * files.Bytes.size()));
}

// openssl's start: the same check of an empty file.
void PeerVerifyEmpty(benchmark::State& state) {
  TFiles& files = Files();
  const std::string empty = files.Folder + "/empty.bin", signature = files.Folder + "/empty.sig";
  std::ofstream(empty, std::ios::binary).flush();
  if (!files.Ready ||
      !files.Openssl("dgst -md_gost12_256 -sign '" + files.Key + "' -out '" + signature + "' '" + empty + "'"))
    return state.SkipWithError("openssl with the GOST engine failed");
  const std::string command =
      "dgst -md_gost12_256 -verify '" + files.Pub + "' -signature '" + signature + "' '" + empty + "'";
  for (auto _ : state)
    if (!files.Openssl(command)) return state.SkipWithError("openssl does not verify its own signature");
}

}  // namespace

BENCHMARK(Sign)->Name("SignFile/NEW_BLOCKS/1000 blocks")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PeerSign)->Name("Peer/openssl dgst -sign/1000 blocks")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Verify)->Name("VerifyFileSign/NEW_BLOCKS/1000 blocks")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PeerVerify)->Name("Peer/openssl dgst -verify/1000 blocks")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(SealAlone)->Name("Seal alone/1000 blocks")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PeerVerifyEmpty)->Name("Peer/openssl dgst -verify/empty file")->Unit(benchmark::kMillisecond)->UseRealTime();
