// Sending and fetching one message with a 20 MB attachment through aiosmtpd
// and dovecot on 127.0.0.1 (started here from the tests' server scripts),
// beside curl doing the same SMTP upload and POP3 download to the same
// servers in the same run; each in the clear (/0) and encrypted by STARTTLS
// and STLS (/1). Bytes per second count the attachment's bytes. The fetches are timed
// as whole processes, ours through a small driver: both include a process start, ours
// also the decoding and saving of the part (curl stores the message raw).
#include "bench/Benchmailservers.h"
#include "net/Tnetmessage.h"
#include "net/Tnetmessageparts.h"
#include "net/Tnetsmtp.h"
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

template <class TClient>
void Configure(TClient& AClient, int APort) {
  setenv(MailCAVariable, Servers().Env["MAIL_CA"].c_str(), 1);
  AClient.SetHost("127.0.0.1");
  AClient.SetPort(APort);
  AClient.Username = User;
  AClient.Password = Servers().Env["MAIL_PASSWORD"];
  AClient.SetReadTimeout(120000);
}

void SendWithOurClient(bool ATLS = false) {
  TNetSMTP smtp(nullptr);
  Configure(smtp, SmtpPort(ATLS));
  smtp.SetAuthenticationType(atLogin);
  smtp.Connect();
  if (smtp.TLSVersion().empty() != !ATLS) {
    std::fprintf(stderr, "the SMTP connection is not as asked\n");
    std::exit(1);
  }
  TNetMessage msg(nullptr);
  msg.From()->SetAddress("sender@quillaran.test");
  msg.Recipients()->Add()->SetAddress(User + "@quillaran.test");
  msg.SetSubject("Quillaran### bench");
  new TNetAttachment(msg.MessageParts(), (Servers().Work / "post.cab").string());
  smtp.Send(&msg);
  smtp.Disconnect();
}

// The file of the message the mailbox holds.
fs::path StoredMessage() {
  for (auto& e : fs::directory_iterator(Servers().Mailbox() / "new")) return e.path();
  return {};
}

// One message in the mailbox, as our client sends it; its file for curl's upload.
fs::path DeliverOne() {
  Servers().EmptyMailbox();
  SendWithOurClient();
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

int Run(const std::string& ACommand) { return std::system((ACommand + " >/dev/null 2>&1").c_str()); }

std::string CurlAuth() { return " --user " + User + ":" + Servers().Env["MAIL_PASSWORD"]; }

void BM_SmtpSendOurs(benchmark::State& state) {
  const bool tls = state.range(0) == 1;
  // The servers start and the connection warms once outside the timing, as for curl.
  Servers().EmptyMailbox();
  DeliverOne();
  Servers().EmptyMailbox();
  for (auto _ : state) {
    SendWithOurClient(tls);
    state.PauseTiming();
    Servers().EmptyMailbox();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * AttachmentSize));
}

void BM_SmtpSendCurl(benchmark::State& state) {
  const bool tls = state.range(0) == 1;
  // The message as our client sent it, its lines ended by CR LF again for the wire.
  const fs::path message = Servers().Work / "message.eml";
  const fs::path ours = DeliverOne();
  const std::string delivered = FileText(ours);
  {
    std::ifstream in(ours, std::ios::binary);
    std::ofstream out(message, std::ios::binary);
    for (std::string line; std::getline(in, line);) out << line << "\r\n";
  }
  Servers().EmptyMailbox();
  const std::string command = "curl -sS --url smtp://127.0.0.1:" + std::to_string(SmtpPort(tls)) + CurlTLS(tls) +
                              " --mail-from sender@quillaran.test --mail-rcpt " + User +
                              "@quillaran.test --login-options AUTH=LOGIN" + CurlAuth() + " -T " + message.string();
  // curl is timed only once the server stored from it what it stored from our client.
  if (Run(command) != 0 || FileText(StoredMessage()) != delivered) {
    state.SkipWithError("curl could not send, or the server stored another message from it");
    return;
  }
  Servers().EmptyMailbox();
  for (auto _ : state) {
    if (Run(command) != 0) {
      state.SkipWithError("curl could not send");
      break;
    }
    state.PauseTiming();
    Servers().EmptyMailbox();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * AttachmentSize));
}

// Our fetch as a whole process, as the post office does it (bench/driver/Pop3fetch.cpp):
// connect (STLS for /1), RETR, the attachment decoded and saved, DELE, QUIT.
std::string OurFetch(bool ATLS, const std::string& ASaved) {
  setenv(MailCAVariable, Servers().Env["MAIL_CA"].c_str(), 1);
  setenv("QUILLARAN_BENCH_PASSWORD", Servers().Env["MAIL_PASSWORD"].c_str(), 1);
  return std::string(QUILLARAN_BENCH_POP3FETCH) + (ATLS ? " --tls" : "") + " 127.0.0.1 " +
         std::to_string(Pop3Port(ATLS)) + " " + User + " " + ASaved;
}

double MillisecondsOf(const std::function<bool()>& AWork, bool& AFailed) {
  const auto start = std::chrono::steady_clock::now();
  AFailed = !AWork() || AFailed;
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Ours and curl as whole processes by turns in every iteration, each on a fresh delivery
// of the same message, so that both meet the same load; curl at its best: one process
// fetching into a file and deleting on the same connection. Before timing, curl's file
// must equal the mailbox's message and our saved attachment the one sent. The time is
// ours; the counters give curl's, and the median of curl's time over ours pair by pair
// (above 1: ours is faster).
void BM_Pop3FetchBesideCurl(benchmark::State& state) {
  const bool tls = state.range(0) == 1;
  const std::string saved = (Servers().Work / "saved.cab").string();
  const std::string url = "pop3://127.0.0.1:" + std::to_string(Pop3Port(tls));
  const std::string fetched = (Servers().Work / "fetched.eml").string();
  const std::string curl = "curl -sS " + url + "/1" + CurlTLS(tls) + CurlAuth() + " -o " + fetched + " --next " + url +
                           CurlTLS(tls) + CurlAuth() + " -X 'DELE 1' -I";
  const std::string ours = OurFetch(tls, saved);
  bool failed = false;
  const std::string stored = FileText(DeliverOne());
  fs::remove(saved);
  failed = Run(curl) != 0 || StoredLines(FileText(fetched)) != stored;
  DeliverOne();
  failed = failed || Run(ours) != 0 || FileText(saved) != FileText(Servers().Work / "post.cab");
  if (failed) {
    state.SkipWithError("a fetch failed, or fetched another message than the mailbox held");
    return;
  }
  std::vector<double> ratios;
  double curlTotal = 0;
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
    state.SetIterationTime(mine / 1000);
    curlTotal += theirs;
    ratios.push_back(theirs / mine);
  }
  if (ratios.empty()) return;
  std::sort(ratios.begin(), ratios.end());
  state.counters["curl_ms"] = curlTotal / static_cast<double>(ratios.size());
  state.counters["curl_over_ours"] = ratios[ratios.size() / 2];
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * AttachmentSize));
}

}  // namespace

BENCHMARK(BM_SmtpSendOurs)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SmtpSendCurl)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Pop3FetchBesideCurl)->Arg(0)->Arg(1)->Iterations(15)->Unit(benchmark::kMillisecond)->UseManualTime();
