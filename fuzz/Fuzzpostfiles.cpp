// The post state file: the four folder lists, the issued names, the advertising list and
// the robot's settings, of any version. A file that loads must save and load again to the
// same bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/Filereplace.h"
#include "fuzz/Fuzzsandbox.h"
#include "postoffice/Tpost.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzzing::WriteInput("PostFiles.cbs", data, size);
  TPost post;
  post.SetCBSFileName(TStr(path));
  if (post.Load()) {
    std::string saved, again;
    TPost reloaded;
    reloaded.SetCBSFileName(TStr(path));
    if (!post.Save() || !ReadWholeFile(path, saved) || !reloaded.Load() || !reloaded.Save() ||
        !ReadWholeFile(path, again) || again != saved)
      std::abort();
    for (uint8_t kind = PostKind_Inbox; kind <= PostKind_OutboxPost; ++kind)
      for (const TPostFile& file : post.Storage(kind).Files) post.Storage(kind).FindPostFile(file.Name.View());
  }
  fuzzing::EmptySandbox();
  return 0;
}
