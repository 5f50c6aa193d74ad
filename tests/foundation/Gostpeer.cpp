#include "Gostpeer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <cctype>

namespace gostpeer {

Bytes Random(size_t size, uint32_t seed) {
  std::mt19937 gen(seed);
  Bytes b(size);
  for (auto& x : b) x = static_cast<uint8_t>(gen());
  return b;
}

Bytes FromText(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::string Hex(const uint8_t* data, size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < size; ++i) {
    s += digits[data[i] >> 4];
    s += digits[data[i] & 15];
  }
  return s;
}

Bytes FromHex(const std::string& hex) {
  Bytes b;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) b.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return b;
}

std::string ScratchFolder() {
  const char* root = std::getenv("QUILLARAN_TEST_TMP");
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::filesystem::path dir = std::filesystem::path(root ? root : "/tmp/quillaran-test") /
                              (std::string(info->test_suite_name()) + "." + info->name());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

void WriteFile(const std::string& path, const Bytes& data) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  ASSERT_TRUE(f.good()) << path;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string RunPeer(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) {
    ADD_FAILURE() << "cannot run: " << command;
    return out;
  }
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int status = pclose(p);
  EXPECT_EQ(status, 0) << "peer failed (is scripts/install-deps run?): " << command << "\n" << out;
  return out;
}

std::string OpensslEnv(const std::string& folder) {
  std::string path = folder + "/openssl-gost.cnf";
  std::ofstream f(path, std::ios::trunc);
  f << "openssl_conf = openssl_def\n"
       "[openssl_def]\n"
       "engines = engine_section\n"
       "[engine_section]\n"
       "gost = gost_section\n"
       "[gost_section]\n"
       "engine_id = gost\n"
       "default_algorithms = ALL\n"
       "CRYPT_PARAMS = id-Gost28147-89-CryptoPro-A-ParamSet\n";
  return "OPENSSL_CONF=" + path + " ";
}

std::string DigestIn(const std::string& output) {
  size_t i = 0;
  while (i < output.size()) {
    size_t j = i;
    while (j < output.size() && std::isxdigit(static_cast<unsigned char>(output[j]))) ++j;
    bool boundedLeft = i == 0 || std::isspace(static_cast<unsigned char>(output[i - 1]));
    if (j - i == 64 && boundedLeft && (j == output.size() || std::isspace(static_cast<unsigned char>(output[j])))) {
      std::string s = output.substr(i, 64);
      for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      return s;
    }
    i = j == i ? i + 1 : j;
  }
  ADD_FAILURE() << "no digest in peer output: " << output;
  return "";
}

}  // namespace gostpeer
