// Sending and fetching one message with a 20 MB attachment through aiosmtpd
// and dovecot on 127.0.0.1 (started here from the tests' server scripts),
// beside curl doing the same SMTP upload and POP3 download to the same
// servers in the same run; each in the clear (/0) and encrypted by STARTTLS
// and STLS (/1). Bytes per second count the attachment's bytes. The fetches are timed
// as whole processes, ours through a small driver: both include a process start, ours
// also the decoding and saving of the part (curl stores the message raw).
#include "bench/Benchmailservers.h"
#include "net/Tnettlssession.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr size_t AttachmentSize = 20u << 20;
const std::string User = "bench";

// The shared benchmark servers, with the attachment written once and the mailbox at hand.
struct TTransferServers : TServers {
  int Port(const char* AKey) { return std::stoi(Env[AKey]); }

  TTransferServers() : TServers("mail") {
    std::string data(AttachmentSize, '\0');
    std::mt19937_64 gen(2026);
    for (char& c : data) c = static_cast<char>(gen());
    std::ofstream(Work / "post.cab", std::ios::binary) << data;
  }
  fs::path Mailbox() { return fs::path(Env["MAIL_ROOT"]) / User / "Maildir"; }
  // Empties the mailbox behind the servers' back (between measurements only).
  void EmptyMailbox() {
    for (const char* sub : {"new", "cur"})
      for (auto& e : fs::directory_iterator(Mailbox() / sub)) fs::remove(e.path());
  }
};

TTransferServers& Servers() {
  static TTransferServers servers;
  return servers;
}

// The servers' ports in the clear or encrypted, the run's authority trusted.
int SmtpPort(bool ATLS) { return Servers().Port(ATLS ? "SMTP_STARTTLS_PORT" : "SMTP_PORT"); }
int Pop3Port(bool ATLS) { return Servers().Port(ATLS ? "POP3_STLS_PORT" : "POP3_PORT"); }
std::string CurlTLS(bool ATLS) { return ATLS ? " --ssl-reqd --cacert " + Servers().Env["MAIL_CA"] : ""; }
std::string CurlAuth() { return " --user " + User + ":" + Servers().Env["MAIL_PASSWORD"]; }

int Run(const std::string& ACommand) { return std::system((ACommand + " >/dev/null 2>&1").c_str()); }

// A driver's command (bench/driver/) for the server on APort, the run's authority trusted
// and the password in the environment.
std::string DriverCommand(const char* ADriver, bool ATLS, int APort, const fs::path& AFile) {
  setenv(MailCAVariable, Servers().Env["MAIL_CA"].c_str(), 1);
  setenv("QUILLARAN_BENCH_PASSWORD", Servers().Env["MAIL_PASSWORD"].c_str(), 1);
  return std::string(ADriver) + (ATLS ? " --tls" : "") + " 127.0.0.1 " + std::to_string(APort) + " " + User + " " +
         AFile.string();
}

// Our send as a whole process, as the post office sends a post (bench/driver/Smtpsend.cpp):
// connect (STARTTLS for /1), AUTH LOGIN, the message with the attachment, QUIT.
std::string OurSend(bool ATLS) {
  return DriverCommand(QUILLARAN_BENCH_SMTPSEND, ATLS, SmtpPort(ATLS), Servers().Work / "post.cab");
}

// Our fetch as a whole process, as the post office does it (bench/driver/Pop3fetch.cpp):
// connect (STLS for /1), RETR, the attachment decoded and saved, DELE, QUIT.
std::string OurFetch(bool ATLS, const fs::path& ASaved) {
  return DriverCommand(QUILLARAN_BENCH_POP3FETCH, ATLS, Pop3Port(ATLS), ASaved);
}

// The file of the message the mailbox holds.
fs::path StoredMessage() {
  for (auto& e : fs::directory_iterator(Servers().Mailbox() / "new")) return e.path();
  return {};
}

// One message in the mailbox, as our client sends it; its file (none when the send failed).
fs::path DeliverOne() {
  Servers().EmptyMailbox();
  if (Run(OurSend(false)) != 0) return {};
  return StoredMessage();
}

std::string FileText(const fs::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines of a message as the mailbox stores them (ended by LF only).
std::string StoredLines(std::string AText) {
  std::string out;
  out.reserve(AText.size());
  for (size_t i = 0; i < AText.size(); ++i)
    if (!(AText[i] == '\r' && i + 1 < AText.size() && AText[i + 1] == '\n')) out += AText[i];
  return out;
}

// A stored message without its Date line: our client dates every message it sends.
std::string Undated(std::string AText) {
  const size_t end = AText.find("\n\n");
  const size_t date = AText.starts_with("Date: ") ? 0 : AText.find("\nDate: ");
  if (date == std::string::npos || date > end) return AText;
  const size_t from = date == 0 ? 0 : date + 1;
  return AText.erase(from, AText.find('\n', from) + 1 - from);
}

double MillisecondsOf(const std::function<bool()>& AWork, bool& AFailed) {
  const auto start = std::chrono::steady_clock::now();
  AFailed = !AWork() || AFailed;
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The pairs of a run by turns: the time is ours; the counters give curl's, and the median
// of curl's time over ours pair by pair (above 1: ours is faster).
struct TPairs {
  std::vector<double> Ratios;
  double CurlTotal = 0;

  void Add(benchmark::State& AState, double AOurs, double ACurl) {
    AState.SetIterationTime(AOurs / 1000);
    CurlTotal += ACurl;
    Ratios.push_back(ACurl / AOurs);
  }
  void Report(benchmark::State& AState) {
    if (Ratios.empty()) return;
    std::sort(Ratios.begin(), Ratios.end());
    AState.counters["curl_ms"] = CurlTotal / static_cast<double>(Ratios.size());
    AState.counters["curl_over_ours"] = Ratios[Ratios.size() / 2];
    AState.SetBytesProcessed(static_cast<int64_t>(AState.iterations() * AttachmentSize));
  }
};

// Ours and curl as whole processes by turns in every iteration, each into an empty
// mailbox, so that both meet the same load; curl uploads the message as our client sent
// it (its lines ended by CR LF again for the wire). Before timing, the server must store
// from curl what it stored from ours, and after every send the message sent: from ours
// equal to the first but for its date, from curl equal byte for byte.
void BM_SmtpSendBesideCurl(benchmark::State& state) {
  const bool tls = state.range(0) == 1;
  const fs::path message = Servers().Work / "message.eml";
  const std::string ours = OurSend(tls);
  Servers().EmptyMailbox();
  bool failed = Run(ours) != 0;
  const std::string delivered = failed ? std::string() : FileText(StoredMessage());
  {
    std::istringstream in(delivered);
    std::ofstream out(message, std::ios::binary);
    for (std::string line; std::getline(in, line);) out << line << "\r\n";
  }
  const std::string curl = "curl -sS --url smtp://127.0.0.1:" + std::to_string(SmtpPort(tls)) + CurlTLS(tls) +
                           " --mail-from sender@quillaran.test --mail-rcpt " + User +
                           "@quillaran.test --login-options AUTH=LOGIN" + CurlAuth() + " -T " + message.string();
  const std::string undated = Undated(delivered);
  const auto storedFromOurs = [&] { return Undated(FileText(StoredMessage())) == undated; };
  const auto storedFromCurl = [&] { return FileText(StoredMessage()) == delivered; };
  Servers().EmptyMailbox();
  if (failed || delivered.empty() || Run(curl) != 0 || !storedFromCurl()) {
    state.SkipWithError("a send failed, or the server stored another message from curl than from ours");
    return;
  }
  TPairs pairs;
  for (auto _ : state) {
    Servers().EmptyMailbox();
    const double mine = MillisecondsOf([&] { return Run(ours) == 0; }, failed);
    failed = failed || !storedFromOurs();
    Servers().EmptyMailbox();
    const double theirs = MillisecondsOf([&] { return Run(curl) == 0; }, failed);
    if (failed || !storedFromCurl()) {
      state.SkipWithError("a send failed, or the server did not store the message sent");
      break;
    }
    pairs.Add(state, mine, theirs);
  }
  pairs.Report(state);
}

// Ours and curl as whole processes by turns in every iteration, each on a fresh delivery
// of the same message, so that both meet the same load; curl at its best: one process
// fetching into a file and deleting on the same connection. Before timing, curl's file
// must equal the mailbox's message and our saved attachment the one sent.
void BM_Pop3FetchBesideCurl(benchmark::State& state) {
  const bool tls = state.range(0) == 1;
  const fs::path saved = Servers().Work / "saved.cab";
  const std::string url = "pop3://127.0.0.1:" + std::to_string(Pop3Port(tls));
  const std::string fetched = (Servers().Work / "fetched.eml").string();
  const std::string curl = "curl -sS " + url + "/1" + CurlTLS(tls) + CurlAuth() + " -o " + fetched + " --next " + url +
                           CurlTLS(tls) + CurlAuth() + " -X 'DELE 1' -I";
  const std::string ours = OurFetch(tls, saved);
  bool failed = false;
  const std::string stored = FileText(DeliverOne());
  fs::remove(saved);
  failed = stored.empty() || Run(curl) != 0 || StoredLines(FileText(fetched)) != stored;
  DeliverOne();
  failed = failed || Run(ours) != 0 || FileText(saved) != FileText(Servers().Work / "post.cab");
  if (failed) {
    state.SkipWithError("a fetch failed, or fetched another message than the mailbox held");
    return;
  }
  TPairs pairs;
  for (auto _ : state) {
    DeliverOne();
    fs::remove(saved);
    const double mine = MillisecondsOf([&] { return Run(ours) == 0; }, failed);
    DeliverOne();
    const double theirs = MillisecondsOf([&] { return Run(curl) == 0; }, failed);
    if (failed) {
      state.SkipWithError("a fetch failed");
      break;
    }
    pairs.Add(state, mine, theirs);
  }
  pairs.Report(state);
}

}  // namespace

BENCHMARK(BM_SmtpSendBesideCurl)->Arg(0)->Arg(1)->Iterations(9)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_Pop3FetchBesideCurl)->Arg(0)->Arg(1)->Iterations(15)->Unit(benchmark::kMillisecond)->UseManualTime();
