// The "Receive/Send post" window receiving many small post files from dovecot on
// 127.0.0.1: 500, 2,000 and 10,000 mails of one small part each, put straight into the
// mailbox before each round. Every message logs lines into the window's log box, so this
// measures what a log line costs as the log grows. Compared with Python's poplib and email
// package fetching, saving and deleting the same mails; before timing both must have saved
// the same files with the same bytes. The aim: 10,000 parts in less than 10 s.
#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "foundation/Tlogin.h"
#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Forms.h"
#include "postoffice/Tformretrievesendpost.h"
#include "postoffice/Tpost.h"
#include "bench/Benchmailservers.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const char* const User = "bench";

void Fail(const std::string& what) {
  std::fprintf(stderr, "receive window benchmark: %s\n", what.c_str());
  std::exit(1);
}

TServers& Servers() {
  static TServers servers("receivewindow");
  return servers;
}

// The part file of mail i: a name and some bytes that tell which it is.
std::string PartName(int i) { return "QB-Bench-051219-NB-" + std::to_string(100000 + i) + ".1_1"; }
std::string PartBytes(int i) { return "part " + std::to_string(i) + std::string(48, char('a' + i % 26)); }

std::string Base64(const std::string& bytes) {
  static const char* const digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
    if (i + 1 < bytes.size()) v |= uint32_t(uint8_t(bytes[i + 1])) << 8;
    if (i + 2 < bytes.size()) v |= uint8_t(bytes[i + 2]);
    out += digits[(v >> 18) & 63];
    out += digits[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? digits[(v >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? digits[v & 63] : '=';
  }
  return out;
}

// Puts `count` mails straight into the mailbox, as the server keeps what it was given;
// each round under names of its own, as the server never takes a name back.
void Deliver(int count) {
  static int round = 0;
  ++round;
  const fs::path box = fs::path(Servers().Env.at("MAIL_ROOT")) / User / "Maildir";
  for (const char* sub : {"new", "cur"})
    for (const auto& entry : fs::directory_iterator(box / sub)) fs::remove(entry.path());
  for (int i = 0; i < count; ++i) {
    const std::string name = PartName(i);
    std::ofstream out(box / "tmp" / std::to_string(i), std::ios::binary);
    out << "From: a@x.org\r\nTo: bench@quillaran.test\r\nSubject: Quillaran### " << name
        << " 2005.12.19 14:05:09 #" << i
        << "\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
           "Content-Type: text/plain\r\n\r\nQuillaran###\r\n--b\r\nContent-Type: application/octet-stream\r\n"
           "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\""
        << name << "\"\r\n\r\n" << Base64(PartBytes(i)) << "\r\n--b--\r\n";
    out.close();
    fs::rename(box / "tmp" / std::to_string(i),
               box / "new" / (std::to_string(round) + "." + std::to_string(100000 + i) + ".bench"));
  }
}

void Empty(const fs::path& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
}

// The window run as a user runs it: shown, the exchange started by its timer, closed.
void ReceiveInWindow(const fs::path& folder) {
  platform::HeadlessScreen screen(800, 600);
  platform::DialogScript script;
  script.OnFailure = [](const std::string& what) { Fail(what); };
  script.Answer("Receive/Send post", [](TCustomForm& shown) {
    platform::ScreenDriver().Advance(600);
    platform::PressControl(shown, "ButtonClose");
  });
  TArray<TEMailInfo> accounts;
  TEMailInfo account;
  account.POP3Server = "127.0.0.1";
  account.UserName = User;
  account.Password = Servers().Env.at("MAIL_PASSWORD");
  accounts.AddItem(account);
  TPost post;
  TFormRetrieveSendPost window(nullptr);
  window.Exchange().Pop3Port = std::stoi(Servers().Env.at("POP3_PORT"));
  window.Execute(true, false, &accounts, &post, "InboxPost", folder.string() + "/");
  if (window.Exchange().Cancel) Fail("the exchange was cancelled");
}

void ReceiveInPython(const fs::path& folder) {
  const fs::path script = Servers().Work / "receive.py";
  if (!fs::exists(script)) {
    std::ofstream(script) << R"(import email, os, poplib, sys
from email import policy
p = poplib.POP3('127.0.0.1', int(sys.argv[1]))
p.user(sys.argv[2]); p.pass_(sys.argv[3])
for i in range(1, len(p.list()[1]) + 1):
    m = email.message_from_bytes(b'\r\n'.join(p.retr(i)[1]), policy=policy.default)
    for part in m.iter_attachments():
        open(os.path.join(sys.argv[4], part.get_filename()), 'wb').write(part.get_payload(decode=True))
    p.dele(i)
p.quit()
)";
  }
  const std::string command = "python3 " + script.string() + " " + Servers().Env.at("POP3_PORT") + " " + User + " " +
                              Servers().Env.at("MAIL_PASSWORD") + " " + folder.string();
  if (std::system(command.c_str()) != 0) Fail("python did not receive");
}

// Every part saved, with its bytes.
void Check(const fs::path& folder, int count) {
  for (int i = 0; i < count; ++i) {
    std::ifstream in(folder / PartName(i), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes != PartBytes(i)) Fail("part " + PartName(i) + " not received whole in " + folder.string());
  }
}

void Setup() {
  TError::Instance().Reset();
  TGuiHooks hooks;
  hooks.ShowErrorWindow = [](const std::string& text) { Fail("reported: " + text); };
  SetGuiHooks(hooks);
}

void BM_ReceiveWindow(benchmark::State& state) {
  Setup();
  const int count = int(state.range(0));
  const fs::path ours = Servers().Work / "ours", theirs = Servers().Work / "python";
  Empty(ours);
  Empty(theirs);
  Deliver(count);
  ReceiveInWindow(ours);
  Deliver(count);
  ReceiveInPython(theirs);
  Check(ours, count);
  Check(theirs, count);
  for (auto _ : state) {
    state.PauseTiming();
    Empty(ours);
    Deliver(count);
    state.ResumeTiming();
    ReceiveInWindow(ours);
    state.PauseTiming();
    Check(ours, count);
    state.ResumeTiming();
  }
  state.counters["parts"] = count;
}

void BM_ReceivePython(benchmark::State& state) {
  Setup();
  const int count = int(state.range(0));
  const fs::path theirs = Servers().Work / "python";
  for (auto _ : state) {
    state.PauseTiming();
    Empty(theirs);
    Deliver(count);
    state.ResumeTiming();
    ReceiveInPython(theirs);
    state.PauseTiming();
    Check(theirs, count);
    state.ResumeTiming();
  }
  state.counters["parts"] = count;
}

BENCHMARK(BM_ReceiveWindow)->Arg(500)->Arg(2000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReceivePython)->Arg(500)->Arg(2000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
