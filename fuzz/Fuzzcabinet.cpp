// A received cabinet unpacked into a folder of the sandbox: every file must land
// below that folder, whatever names and sizes the cabinet claims.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include "fuzz/Fuzzsandbox.h"
#include "net/Tcabreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fs = std::filesystem;
  const std::string cabinet = fuzzing::WriteInput("input.cab", data, size);
  const std::string dest = fuzzing::Sandbox() + "/out";
  fs::create_directories(dest);
  {
    TCabReader reader(nullptr);
    reader.SetOutputLimit(64u << 20);
    try {
      reader.Extract(cabinet, dest);
    } catch (const std::exception&) {
      // a damaged cabinet is refused: not a finding
    }
  }
  // The write guard: nothing but the input and the destination folder.
  for (const auto& entry : fs::directory_iterator(fuzzing::Sandbox())) {
    const std::string name = entry.path().filename().string();
    if (name != "input.cab" && name != "out") std::abort();
  }
  fuzzing::EmptySandbox();
  return 0;
}
