#include "platform/kernel/Programparams.h"

#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>

#include "platform/kernel/Codepage.h"

namespace {

std::mutex paramsLock;
std::optional<std::vector<std::string>> params;

std::vector<std::string> SystemParams() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> out;
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    out.push_back(platform::Utf8ToAnsi(std::string_view(all).substr(start, end - start)));
    start = end + 1;
  }
  return out;
}

const std::vector<std::string>& Params() {
  if (!params) params = SystemParams();
  return *params;
}

}  // namespace

int ParamCount() {
  std::lock_guard<std::mutex> hold(paramsLock);
  return Params().empty() ? 0 : static_cast<int>(Params().size()) - 1;
}

std::string ParamStr(int Index) {
  std::lock_guard<std::mutex> hold(paramsLock);
  const auto& p = Params();
  return Index >= 0 && static_cast<size_t>(Index) < p.size() ? p[Index] : std::string();
}

namespace platform {

void SetProgramParams(std::vector<std::string> newParams) {
  std::lock_guard<std::mutex> hold(paramsLock);
  params = std::move(newParams);
}

}  // namespace platform
