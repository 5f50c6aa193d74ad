// Connections to a POP3 server over TLS (dovecot on 127.0.0.1: greeting, CAPA, STLS,
// the handshake with the certificate checked against the system's authorities and the
// run's, USER, PASS, QUIT), per second: the first connection of a process and its
// tenth, each timed inside a process forked for it before any encryption was set up,
// beside curl making the same connection as a whole process (its start included).
#include "bench/Benchmailservers.h"
#include "net/Tnetpop3.h"
#include "net/Tnettlssession.h"

#include <benchmark/benchmark.h>

#include <sys/wait.h>

#include <chrono>
#include <string>

namespace {

TServers& Servers() {
  static TServers servers("tls");
  return servers;
}

int Pop3Port() { return std::stoi(Servers().Env["POP3_STLS_PORT"]); }

// One connection of our client; false when it was not encrypted.
bool ConnectOnce() {
  TNetPOP3 pop(nullptr);
  pop.SetHost("127.0.0.1");
  pop.SetPort(Pop3Port());
  pop.Username = "bench";
  pop.Password = Servers().Env["MAIL_PASSWORD"];
  pop.SetReadTimeout(20000);
  pop.Connect();
  const bool encrypted = !pop.TLSVersion().empty();
  pop.Disconnect();
  return encrypted;
}

// Seconds the ACount-th connection of a fresh process took (negative on a failure),
// measured in a child, so that every measurement starts without a context.
double NthConnectionInFreshProcess(int ACount) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    double seconds = -1;
    try {
      bool encrypted = true;
      for (int i = 1; i < ACount; ++i) encrypted = ConnectOnce() && encrypted;
      const auto start = std::chrono::steady_clock::now();
      encrypted = ConnectOnce() && encrypted;
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      if (encrypted) seconds = took.count();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", e.what());
    }
    const ssize_t written = write(pipeEnds[1], &seconds, sizeof seconds);
    _exit(written == sizeof seconds ? 0 : 1);  // the parent's servers and exit handlers stay its own
  }
  close(pipeEnds[1]);
  double seconds = -1;
  if (child < 0 || read(pipeEnds[0], &seconds, sizeof seconds) != sizeof seconds) seconds = -1;
  close(pipeEnds[0]);
  if (child > 0) waitpid(child, nullptr, 0);
  return seconds;
}

void BM_TlsConnectionOurs(benchmark::State& state) {
  setenv(MailCAVariable, Servers().Env["MAIL_CA"].c_str(), 1);
  const int nth = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const double seconds = NthConnectionInFreshProcess(nth);
    if (seconds < 0) {
      state.SkipWithError("the connection failed or was not encrypted");
      break;
    }
    state.SetIterationTime(seconds);
  }
  state.counters["connections_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_TlsConnectionCurl(benchmark::State& state) {
  const std::string command = "curl -sS pop3://127.0.0.1:" + std::to_string(Pop3Port()) + "/ --ssl-reqd --cacert " +
                              Servers().Env["MAIL_CA"] + " --user bench:" + Servers().Env["MAIL_PASSWORD"] +
                              " -X NOOP -I >/dev/null 2>&1";
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (status != 0) {
      state.SkipWithError("curl could not connect");
      break;
    }
    state.SetIterationTime(took.count());
  }
  state.counters["connections_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

// /1: the first connection of a process; /10: its tenth.
BENCHMARK(BM_TlsConnectionOurs)->Arg(1)->Arg(10)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TlsConnectionCurl)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);
