// New blocks announced and a received post applied, at 1,000 to 40,000 blocks: the time a
// block must stay flat as the count grows.
//
// BM_AnnounceNewBlocks: comments appended to a discussion one by one, each announced as
// NewBlockAdded announces it (queued until the program is idle), then delivered to a
// listener as the idle step delivers them; the listener must hear each block once.
//
// BM_ApplyReceivedPost: the writer's copy of a discussion composes one NEW_BLOCKS message
// of all its comments (texts of real prose, bench/Realdata.h), which lands in the leader's
// Inbox as unpacking leaves it; applying it to the leader's copy and saving it is timed.
// Each round starts from the leader's copy before the post and with no record of messages
// applied, so that every round applies the message (one applied before would be refused and
// set aside); after each round the leader's saved copy must hold every comment with its text.

#include "bench/Benchinstallations.h"
#include "bench/Realdata.h"
#include "foundation/Commoncrypt.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "model/Blocknames.h"
#include "model/Modelhooks.h"
#include "model/Tcommandmessage.h"
#include "model/Tdiscussion.h"
#include "net/Netlibrary.h"
#include "postoffice/Appliedmessages.h"
#include "postoffice/Commandhandlers.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr size_t TextLength = 200;

using benchposts::Fail;

// The i-th comment's text: 200 characters of real prose, each comment its own.
std::string Text(int i) {
  static const std::string prose = benchdata::Make(benchdata::Kind::Text, 40000 * TextLength);
  return prose.substr(size_t(i) * TextLength % (prose.size() - TextLength + 1), TextLength);
}

// `count` comments under the discussion's root, each announced as a new block.
void AddComments(TDiscussion& d, int count, int adident) {
  const TDiscBlockIndex root = d.Storages.GetRootBlockIndex();
  TBlocksStorage& comments = d.Storages.Comments;
  for (int i = 0; i < count; ++i) {
    const int at = comments.AppendBlock(d, root);
    if (at < 0) Fail("no room for a comment");
    TDiscBlock& block = comments.Block(at);
    block.TextType = TextType_Premise;
    block.ADIdent = uint16_t(adident);
    block.Num = uint16_t(i + 1);
    block.SetComposedBlockName(d, {StorageType_Comments, uint16_t(at)});
    comments.Texts(at).Str.Text = Text(i);
    comments.NewBlockAdded(d, at, 0);
  }
}

// Hears the blocks announced as added.
class TAddedBlocks : public TListener {
 public:
  void Listen(const TListenMessage& message) override { Heard += message.Code == Notify_BlockAdded; }
  int Heard = 0;
};

void BM_AnnounceNewBlocks(benchmark::State& state) {
  const int count = int(state.range(0));
  TError::Instance().Reset();
  for (auto _ : state) {
    state.PauseTiming();
    auto d = std::make_unique<TDiscussion>();
    d->Loaded = 1;
    TBlocksStorage& model = d->Storages.Model;
    const int root = model.AppendBlock(*d, {});
    model.Block(root).TextType = TextType_Heading;
    model.SetBlockName(root, RootBlockName);
    d->Authors.CreateAuthor(*d, "L-1", 1, 0);
    TAddedBlocks listener;
    state.ResumeTiming();
    AddComments(*d, count, 1);
    TListeners::Instance().DeliverQueued();
    state.PauseTiming();
    if (listener.Heard != count)
      Fail("heard " + std::to_string(listener.Heard) + " new blocks of " + std::to_string(count));
    d.reset();
    state.ResumeTiming();
  }
  state.counters["us_per_block"] = benchmark::Counter(
      double(count) * 1e-6, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AnnounceNewBlocks)->Arg(1000)->Arg(4000)->Arg(16000)->Arg(40000)->Unit(benchmark::kMillisecond);

using benchposts::HandleAll;
using benchposts::TInstallation;

// The leader's copy as it was before any post, the writer's message of `count` comments,
// and the texts the leader must end with.
struct TApplySetup {
  fs::path Work, LeaderCopy, Pristine, Message;
  std::unique_ptr<TInstallation> Leader, Writer;
  std::string TextBytes;
  int Count;

  explicit TApplySetup(int count) : Count(count) {
    const char* tmp = std::getenv("TMPDIR");
    Work = fs::path(tmp ? tmp : "/tmp") /
           ("quillaran-bench-applying-" + std::to_string(::getpid()) + "-" + std::to_string(count));
    fs::remove_all(Work);
    TError::Instance().Reset();
    benchposts::QuietWindows();
    RegisterCommandHandlers();
    Leader =
        std::make_unique<TInstallation>(Work / "leader", TModelLogin{1, TStr("L-lead"), TStr("posta@quillaran.test")});
    Writer = std::make_unique<TInstallation>(Work / "writer",
                                             TModelLogin{2, TStr("L-writer"), TStr("postb@quillaran.test")});

    TDiscussion& leader = Leader->CreateDiscussion();
    if (!leader.Save()) Fail("not saved");
    leader.Unload();
    LeaderCopy = leader.Folder.ToString();
    Pristine = Work / "pristine";
    fs::copy(LeaderCopy, Pristine, fs::copy_options::recursive);

    TDiscussion& written = Writer->CreateDiscussion();
    AddComments(written, count, 3);
    TListeners::Instance().DeliverQueued();
    for (int i = 0; i < count; ++i) TextBytes += Text(i);
    if (!written.SendCommand_NewBlocks_AllComments(MakeRecipientsList("posta@quillaran.test"))) Fail("not composed");
    Writer->Post.Outbox.Refresh(Writer->Post);
    if (Writer->Post.Outbox.Files.Count() != 1) Fail("not one message in the Outbox");
    for (const auto& entry : fs::directory_iterator(Writer->Post.Outbox.FolderPath.ToString()))
      if (entry.is_regular_file()) Message = entry.path();
    if (Message.empty()) Fail("no message file");
  }
  ~TApplySetup() {
    UnregisterCommandHandlers();
    DiscussionsManager() = nullptr;
    ModelHooks() = TModelHooks();
    SetGuiHooks(TGuiHooks());
    fs::remove_all(Work);
  }

  // The leader's copy before any post, no message remembered as applied, and the message
  // in its Inbox.
  void Prepare() {
    fs::remove_all(LeaderCopy);
    fs::copy(Pristine, LeaderCopy, fs::copy_options::recursive);
    fs::copy_file(Message, fs::path(Leader->Post.Inbox.FolderPath.ToString()) / Message.filename(),
                  fs::copy_options::overwrite_existing);
    Leader->Enter();
    for (const char* record : {"AppliedPost.cbs", "AppliedPost.cbs.old"}) fs::remove(fs::path(Leader->Root) / record);
    TAppliedMessages::Reset();
    ForgetKeptVerdicts();  // as in the leader's own program
  }

  void Apply() { HandleAll(Leader->Post, Leader->Post.Inbox); }

  // The comments the leader's saved copy holds must be the writer's.
  void Check() {
    TDiscussion saved;
    saved.Folder = LeaderCopy.string();
    if (!saved.Load()) Fail("the leader's copy does not load");
    std::string texts;
    for (int i = 0; i < saved.Storages.Comments.Count(); ++i)
      texts += saved.Storages.Comments.Texts(i).Str.Text.ToString();
    if (saved.Storages.Comments.Count() != Count || texts != TextBytes)
      Fail("the leader holds " + std::to_string(saved.Storages.Comments.Count()) + " comments, not the writer's " +
           std::to_string(Count));
  }
};

void BM_ApplyReceivedPost(benchmark::State& state) {
  InitializeNetLibrary();
  TApplySetup setup(int(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    setup.Prepare();
    state.ResumeTiming();
    setup.Apply();
    state.PauseTiming();
    setup.Check();
    state.ResumeTiming();
  }
  state.counters["us_per_block"] = benchmark::Counter(
      double(setup.Count) * 1e-6, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ApplyReceivedPost)
    ->Arg(1000)
    ->Arg(4000)
    ->Arg(16000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
