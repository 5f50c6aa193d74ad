// One stored file of a discussion, read back with the rest of its set: the first byte
// picks the file (Model.cbs ... DiscussionInfo.cbs), the rest is its content. The target
// writes the header and check sum around it, so that what is fuzzed is the reading of the
// content itself; the other files are those of a discussion with every field set. A file
// that loads must save and load again to the same bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/Fuzzsandbox.h"
#include "model/Discussionfileset.h"
#include "model/Tdiscussion.h"
#include "tests/model/Discussionfill.h"

namespace {

constexpr uint32_t kGeneration = 1;

struct TTemplateSet {
  std::string Folder;
  std::string Contents[TDiscussionFileSet::Count];

  TTemplateSet() : Folder(fuzzing::Sandbox() + "/discussion") {
    TDiscussion filled;
    modeltest::MakeRoot(filled, Folder);
    modeltest::FillEverything(filled);
    std::filesystem::create_directories(Folder);
    for (int file = 0; file < TDiscussionFileSet::Count; ++file) {
      Contents[file] = filled.ComposeFile(file);
      Write(file, Contents[file]);
    }
  }
  void Write(int file, const std::string& content) const {
    if (!WriteDiscussionFile(Folder + "/" + TDiscussionFileSet::Names[file], file, kGeneration, content)) std::abort();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TTemplateSet set;
  if (size == 0) return 0;
  const int file = data[0] % TDiscussionFileSet::Count;
  set.Write(file, std::string(fuzzing::Bytes(data + 1, size - 1)));
  {
    TDiscussion loaded;
    loaded.Folder = set.Folder;
    if (loaded.Load()) {
      const std::string composed = loaded.ComposeFile(file);
      set.Write(file, composed);
      TDiscussion again;
      again.Folder = set.Folder;
      // What was loaded once is saved so that it loads again, unchanged.
      if (!again.Load() || again.ComposeFile(file) != composed) std::abort();
    }
  }
  set.Write(file, set.Contents[file]);
  fuzzing::ForgetErrors();
  return 0;
}
