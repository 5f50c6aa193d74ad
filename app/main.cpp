// Program entry: prepares the data root and runs the program.

#include "platform/kernel/Datafolders.h"

#include <cstdio>

int main(int, char**) {
  const std::string root = platform::DataRoot();
  if (!platform::MakeFolders(root)) {
    std::fprintf(stderr, "quillaran: cannot create the data folder %s\n", root.c_str());
    return 1;
  }
  return 0;
}
