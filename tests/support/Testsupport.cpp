#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <thread>

namespace testsupport {

std::string ScratchFolder() {
  const char* root = std::getenv("QUILLARAN_TEST_TMP");
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string leaf = info ? std::string(info->test_suite_name()) + "." + info->name() : "no-test";
  std::filesystem::path dir = std::filesystem::path(root ? root : "/tmp/quillaran-test") / leaf;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  EXPECT_TRUE(out.good()) << "cannot write " << path;
}

std::string RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 gen(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  s.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    s += digits[c >> 4];
    s += digits[c & 15];
  }
  return s;
}

std::string Run(const std::string& command, int* status) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) {
    if (status) *status = -1;
    return out;
  }
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int rc = pclose(p);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

std::string RunPeer(const std::string& command) {
  int status = 0;
  std::string out = Run(command, &status);
  EXPECT_EQ(status, 0) << "peer failed (did scripts/install-deps run?): " << command << "\n" << out;
  return out;
}

bool Eventually(const std::function<bool()>& condition) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

bool WaitForChild(int child, int seconds, int& status) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    const pid_t ended = waitpid(child, &status, WNOHANG);
    if (ended == child) return true;
    if (ended < 0) return false;
    if (std::chrono::steady_clock::now() > giveUp) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(child, SIGKILL);
  waitpid(child, &status, 0);
  return false;
}

TClosedPort::TClosedPort() : fSocket(socket(AF_INET, SOCK_STREAM, 0)) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (fSocket < 0 || bind(fSocket, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      getsockname(fSocket, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    ADD_FAILURE() << "no closed port";
    return;
  }
  fPort = ntohs(address.sin_port);
}

TClosedPort::~TClosedPort() {
  if (fSocket >= 0) close(fSocket);
}

}  // namespace testsupport
