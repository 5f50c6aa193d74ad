// The whole exchange of a 1,000-block post between two installations through aiosmtpd and
// dovecot on 127.0.0.1 (started here from the tests' server scripts): the writer's copy of
// a discussion sends 1,000 comments to the leader's copy, each installation with its own
// data root, post folders and mail account. Each step is timed apart and reported as a
// counter in milliseconds: composing the sealed message, packing it into cabinet parts,
// sending them by SMTP, receiving them by POP3, joining and unpacking them, applying the
// blocks to the leader's copy and saving it, and beside it the raw I/O of applying (the
// message and the discussion read, the discussion's files written and flushed), both in wall
// and in CPU time of the process, and how often the message's bytes were hashed for its
// seal or its signature along an exchange. Before anything is timed one exchange is run and the
// leader's saved copy checked: the writer's 1,000 comments, texts equal.
#include "foundation/Commoncrypt.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "model/Tcommandmessage.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "net/Netlibrary.h"
#include "postoffice/Commandhandlers.h"
#include "postoffice/Tbrowsepostadaptor.h"
#include "postoffice/Tpost.h"
#include "postoffice/Tpostexchange.h"
#include "postoffice/Tpostfileshandler.h"
#include "bench/Benchinstallations.h"
#include "bench/Benchmailservers.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int Blocks = 1000;
using benchposts::Fail;
using benchposts::HandleAll;

// An installation with its mail account on the benchmark's servers.
class TInstallation : public benchposts::TInstallation {
 public:
  TInstallation(const fs::path& root, TModelLogin login, const std::string& user, const TServers& servers)
      : benchposts::TInstallation(root, std::move(login)),
        fPop3Port(std::stoi(servers.Env.at("POP3_PORT"))),
        fSmtpPort(std::stoi(servers.Env.at("SMTP_PORT"))) {
    TEMailInfo account;
    account.POP3Server = "127.0.0.1";
    account.SMTPServer = "127.0.0.1";
    account.UserName = user;
    account.Password = servers.Env.at("MAIL_PASSWORD");
    fAccounts.AddItem(account);
  }

  std::unique_ptr<TPostExchange> Exchange() {
    auto exchange = std::make_unique<TPostExchange>();
    exchange->Post = &Post;
    exchange->Accounts = &fAccounts;
    exchange->Pop3Port = fPop3Port;
    exchange->SmtpPort = fSmtpPort;
    exchange->ReadTimeout = 30000;
    exchange->ReceiveFolderName = "InboxPost";
    exchange->ReceiveFolderPath = Post.InboxPost.FolderPath.ToString();
    return exchange;
  }

 private:
  int32_t fPop3Port, fSmtpPort;
  TArray<TEMailInfo> fAccounts;
};

struct TExchangeSetup {
  TServers Servers;
  std::unique_ptr<TInstallation> Leader, Writer;
  TDiscussion* Written = nullptr;  // the writer's copy, with the comments to send
  fs::path LeaderCopy, Pristine;  // the leader's copy, and as it was before any post
  std::string TextBytes;  // the comments' texts one after another

  TExchangeSetup() {
    TError::Instance().Reset();
    benchposts::QuietWindows();
    RegisterCommandHandlers();
    Leader = std::make_unique<TInstallation>(Servers.Work / "leader", TModelLogin{1, TStr("L-lead"), TStr("posta@quillaran.test")},
                                             "posta", Servers);
    Writer = std::make_unique<TInstallation>(Servers.Work / "writer", TModelLogin{2, TStr("L-writer"), TStr("postb@quillaran.test")},
                                             "postb", Servers);

    // The leader's copy: registered, saved and let go, kept aside to start each round from.
    TDiscussion& leader = Leader->CreateDiscussion();
    if (!leader.Save()) Fail("not saved");
    leader.Unload();
    LeaderCopy = leader.Folder.ToString();
    Pristine = Servers.Work / "pristine";
    fs::copy(LeaderCopy, Pristine, fs::copy_options::recursive);

    // The writer's copy with its 1,000 comments under the root, texts of 100 to 600 bytes.
    TDiscussion& written = *(Written = &Writer->CreateDiscussion());
    std::mt19937 random(2026);
    const TDiscBlockIndex root = written.Storages.GetRootBlockIndex();
    for (int i = 0; i < Blocks; ++i) {
      TBlocksStorage& comments = written.Storages.Comments;
      const int at = comments.AddEmptyItem();
      TDiscBlock& block = comments.Block(at);
      block.BlockNum = uint16_t(comments.TakeNewBlockNum());
      block.TextType = TextType_Premise;
      block.ADIdent = 3;
      block.Upper = root;
      block.UpperCode = written.Storages.GetDiscBlock(root)->GetDiscBlockCode();
      block.Num = uint16_t(i + 1);
      block.SetComposedBlockName(written, {StorageType_Comments, uint16_t(at)});
      std::string text;
      const size_t size = 100 + random() % 500;
      while (text.size() < size) text += "word" + std::to_string(random() % 5000) + ' ';
      TextBytes += text;
      comments.Texts(at).Str.Text = text;
      comments.NewBlockAdded(written, at, 0);
    }
  }
  ~TExchangeSetup() {
    UnregisterCommandHandlers();
    DiscussionsManager() = nullptr;
    ModelHooks() = TModelHooks();
    SetGuiHooks(TGuiHooks());
  }

  // The leader's copy as before any post.
  void ResetLeader() {
    fs::remove_all(LeaderCopy);
    fs::copy(Pristine, LeaderCopy, fs::copy_options::recursive);
  }

  // The comments that the leader's saved copy holds, and their texts one after another.
  std::pair<int, std::string> LeaderComments() {
    TDiscussion saved;
    saved.Folder = LeaderCopy.string();
    if (!saved.Load()) Fail("the leader's copy does not load");
    std::string texts;
    for (int i = 0; i < saved.Storages.Comments.Count(); ++i) texts += saved.Storages.Comments.Texts(i).Str.Text.ToString();
    return {saved.Storages.Comments.Count(), texts};
  }
};

TExchangeSetup& Setup() {
  static TExchangeSetup setup;
  return setup;
}

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point from) { return std::chrono::duration<double, std::milli>(Clock::now() - from).count(); }

// The CPU time of the process (all its threads) so far, in milliseconds.
double CpuMs() {
  struct timespec t;
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

enum Step { Composing, Packing, Smtp, Pop3, Unpacking, Applying, ApplyingIo, ApplyingCpu, ApplyingIoCpu, Steps };
const char* const StepNames[Steps] = {"composing_ms",
                                      "packing_ms",
                                      "smtp_ms",
                                      "pop3_ms",
                                      "unpacking_ms",
                                      "applying_ms",
                                      "applying_raw_io_ms",
                                      "applying_cpu_ms",
                                      "applying_raw_io_cpu_ms"};

// The bytes of every file of a folder, read as plainly as the system allows.
int64_t ReadEveryFile(const fs::path& folder) {
  int64_t bytes = 0;
  std::vector<char> buffer;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    buffer.resize(size_t(entry.file_size()));
    std::ifstream(entry.path(), std::ios::binary).read(buffer.data(), std::streamsize(buffer.size()));
    bytes += int64_t(buffer.size());
  }
  return bytes;
}

// The least I/O that applying a received message can do: read the message and the
// discussion's files, write the discussion's files anew, each flushed to the disk, and its
// folder once. Milliseconds.
double RawApplyingIo(const fs::path& inbox, const fs::path& discussion, const fs::path& scratch) {
  const Clock::time_point at = Clock::now();
  ReadEveryFile(inbox);
  fs::create_directories(scratch);
  for (const auto& entry : fs::directory_iterator(discussion)) {
    if (!entry.is_regular_file() || entry.path().extension() == ".old") continue;
    std::string bytes(size_t(entry.file_size()), '\0');
    std::ifstream(entry.path(), std::ios::binary).read(bytes.data(), std::streamsize(bytes.size()));
    const int fd = ::open((scratch / entry.path().filename()).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()) || ::fsync(fd) != 0) Fail("raw write");
    ::close(fd);
  }
  const int folder = ::open(scratch.c_str(), O_RDONLY | O_DIRECTORY);
  if (folder < 0 || ::fsync(folder) != 0) Fail("raw folder sync");
  ::close(folder);
  return Ms(at);
}

// One exchange, each step's milliseconds added to `times`.
void ExchangeOnce(TExchangeSetup& s, double* times) {
  Clock::time_point at = Clock::now();
  s.Writer->Enter();
  if (!s.Written->SendCommand_NewBlocks_AllComments(MakeRecipientsList("posta@quillaran.test"))) Fail("not composed");
  times[Composing] += Ms(at);

  at = Clock::now();
  HandleAll(s.Writer->Post, s.Writer->Post.Outbox);
  times[Packing] += Ms(at);

  at = Clock::now();
  s.Writer->Post.OutboxPost.Refresh(s.Writer->Post);
  if (s.Writer->Post.OutboxPost.Files.Count() == 0) Fail("nothing packed");
  s.Writer->Exchange()->SendStep();
  s.Writer->Post.OutboxPost.MoveProcessedToHistory(s.Writer->Post);
  if (s.Writer->Post.OutboxPost.Files.Count() != 0) Fail("parts left unsent");
  times[Smtp] += Ms(at);

  at = Clock::now();
  s.Leader->Enter();
  ForgetKeptVerdicts();  // the leader's program knows nothing of what the writer's checked
  s.Leader->Exchange()->ReceiveStep();
  times[Pop3] += Ms(at);

  at = Clock::now();
  HandleAll(s.Leader->Post, s.Leader->Post.InboxPost);
  times[Unpacking] += Ms(at);

  // The raw I/O first, on the message and the discussion as applying finds them.
  double cpu = CpuMs();
  times[ApplyingIo] += RawApplyingIo(s.Leader->Post.Inbox.FolderPath.ToString(), s.LeaderCopy, s.Servers.Work / "raw");
  times[ApplyingIoCpu] += CpuMs() - cpu;

  at = Clock::now();
  cpu = CpuMs();
  HandleAll(s.Leader->Post, s.Leader->Post.Inbox);
  times[Applying] += Ms(at);
  times[ApplyingCpu] += CpuMs() - cpu;
}

void BM_ExchangeOfAThousandBlockPost(benchmark::State& state) {
  TExchangeSetup& s = Setup();
  // Checked first: every block arrives whole.
  {
    double ignored[Steps] = {};
    s.ResetLeader();
    ExchangeOnce(s, ignored);
    const auto [count, texts] = s.LeaderComments();
    if (count != Blocks || texts != s.TextBytes)
      Fail("the leader holds " + std::to_string(count) + " comments of " + std::to_string(texts.size()) +
           " bytes, not the writer's " + std::to_string(Blocks) + " of " + std::to_string(s.TextBytes.size()));
  }
  double times[Steps] = {};
  const uint64_t checksBefore = MessageHashings();
  for (auto _ : state) {
    state.PauseTiming();
    s.ResetLeader();
    state.ResumeTiming();
    ExchangeOnce(s, times);
  }
  for (int i = 0; i < Steps; ++i) state.counters[StepNames[i]] = benchmark::Counter(times[i], benchmark::Counter::kAvgIterations);
  state.counters["applying_per_raw_io"] = times[Applying] / times[ApplyingIo];
  state.counters["applying_per_raw_io_cpu"] = times[ApplyingCpu] / times[ApplyingIoCpu];
  state.counters["blocks"] = Blocks;
  // The message's bytes hashed for its seal or its signature (a full check is two), by the
  // writer and the leader together.
  state.counters["message_hashings"] =
      benchmark::Counter(double(MessageHashings() - checksBefore), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ExchangeOfAThousandBlockPost)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace
