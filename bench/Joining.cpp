// A handling run of the InboxPost folder that joins a post of 4 linked parts of 1,000
// bytes, alone and with 4,000 junk files waiting under the post's names (1,000 sets of
// random files of a part's size, kept beside its parts as copies are): the waiting files
// cost a run what reading them costs, never their combinations, and what was learnt of
// them is kept, so that a later run reads only the post. Each run over the listed folder is
// timed up to the post unpacked into the Inbox; its milliseconds are reported as "run_ms". Before anything is timed one
// run is checked: the message joined equals the message sent.
#include "foundation/Commoncrypt.h"
#include "foundation/Filereplace.h"
#include "foundation/Tbufwriter.h"
#include "model/Tcommandmessage.h"
#include "platform/kernel/Fileapi.h"
#include "bench/Benchinstallations.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using benchposts::Fail;

constexpr const char* Name = "QB-Ecology-051219-NB-001";

std::string RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = char(random());
  return bytes;
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

// A sealed NEW_BLOCKS message of random data, as a composer writes it.
void WriteMessage(const std::string& path) {
  TCommandMessageHeader header;
  if (!header.AddField("FROM_USER_EMAIL", "a@x") || !header.AddField("COMMAND", "NEW_BLOCKS") ||
      !header.AddField("COMPOSE_DATETIME", "12/19/2005 14:05:09"))
    Fail("no header");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("no message file");
  {
    TBufWriter writer(file);
    if (!header.Write(writer, "L-sender")) Fail("no message written");
    writer.WriteAnsiString(RandomBytes(3000, 1));
    if (!writer.Flush()) Fail("no message flushed");
  }
  if (!SignFile(file, "", "NEW_BLOCKS", 0)) Fail("no seal");
  CloseHandle(file);
}

// An installation whose Outbox cut the message into linked parts, kept aside; each run
// finds them in its InboxPost beside the waiting junk.
class TJoining {
 public:
  // `ownNames`: each junk set under names of its own instead of the post's.
  TJoining(int junkSets, bool ownNames)
      : fWork(fs::temp_directory_path() /
              ("quillaran-bench-joining-" + std::to_string(junkSets) + (ownNames ? "-own" : ""))),
        fInstallation((fs::remove_all(fWork), fWork / "root"), TModelLogin{1, TStr("L-lead"), TStr("a@x")}) {
    benchposts::QuietWindows();
    fInstallation.Enter();
    TPost& post = fInstallation.Post;
    WriteMessage(post.Outbox.FolderPath.ToString() + Name);
    std::string message;
    ReadWholeFile(post.Outbox.FolderPath.ToString() + Name, message);
    fMessage = message;
    post.Outbox.Refresh(post);
    TArray<int32_t> indices;
    indices.AddItem(0);
    benchposts::TQuietRun packer(post);
    packer.PostPartSizeKB = 1;
    if (!packer.HandlePostFiles(post.Outbox, indices, false, nullptr, "Auto-handling")) Fail("not packed");
    for (const fs::directory_entry& entry : fs::directory_iterator(post.OutboxPost.FolderPath.ToString()))
      if (entry.is_regular_file()) fParts.push_back(entry.path());
    if (fParts.size() != 4) Fail("the post is not in 4 parts");
    const fs::path inboxPost = post.InboxPost.FolderPath.ToString();
    for (int set = 0; set < junkSets; ++set)
      for (const fs::path& part : fParts) {
        std::string name = part.filename().string();
        if (ownNames) name.insert(0, "J" + std::to_string(set) + "-");
        else name.insert(name.rfind('.'), "#" + std::to_string(set + 2));
        WriteBytes(inboxPost / name, RandomBytes(fs::file_size(part), uint32_t(set * 8 + name.size())));
      }
  }
  ~TJoining() { fs::remove_all(fWork); }

  // Puts the genuine parts in InboxPost and clears the Inbox: untimed.
  void Prepare() {
    TPost& post = fInstallation.Post;
    fs::remove_all(post.Inbox.FolderPath.ToString());
    fs::create_directories(post.Inbox.FolderPath.ToString());
    post.Inbox.Files.Clear();
    for (const fs::path& part : fParts) {
      const fs::path to = fs::path(post.InboxPost.FolderPath.ToString()) / part.filename();
      fs::remove(to);
      fs::copy_file(part, to);
    }
    for (uint32_t i = post.InboxPost.Files.Count(); i-- > 0;)
      if (post.InboxPost.Files[i].Processed) post.InboxPost.Files.Delete(i);
    // The folder is listed as the receive step leaves it.
    post.InboxPost.Refresh(post);
  }

  // The run over every file of the folder that waits.
  void Run() {
    TPostFilesStorage& folder = fInstallation.Post.InboxPost;
    TArray<int32_t> indices;
    for (uint32_t i = 0; i < folder.Files.Count(); ++i)
      if (!folder.Files[i].Processed) indices.AddItem(int32_t(i));
    benchposts::TQuietRun run(fInstallation.Post);
    if (!run.HandlePostFiles(folder, indices, false, nullptr, "Auto-handling")) Fail("not handled");
  }

  void Check() {
    std::string joined;
    if (!ReadWholeFile(fInstallation.Post.Inbox.FolderPath.ToString() + Name, joined) || joined != fMessage)
      Fail("the post was not joined");
  }

 private:
  fs::path fWork;
  benchposts::TInstallation fInstallation;
  std::vector<fs::path> fParts;
  std::string fMessage;
};

void Join(benchmark::State& state) {
  TJoining joining(int(state.range(0)), state.range(1) != 0);
  joining.Prepare();
  joining.Run();
  joining.Check();
  double total = 0;
  for (auto _ : state) {
    state.PauseTiming();
    joining.Prepare();
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    joining.Run();
    total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["run_ms"] = total / double(state.iterations());
}

}  // namespace

BENCHMARK(Join)
    ->Args({0, 0})
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->ArgNames({"junk_sets", "own_names"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
