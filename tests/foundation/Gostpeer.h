#pragma once
// Helpers of the GOST tests: random data, hex, a private scratch folder per test,
// and the independent peers (rhash, openssl with the GOST engine) run on files.

#include <cstdint>
#include <string>
#include <vector>

namespace gostpeer {

using Bytes = std::vector<uint8_t>;

Bytes Random(size_t size, uint32_t seed);
Bytes FromText(const std::string& text);
std::string Hex(const uint8_t* data, size_t size);
inline std::string Hex(const Bytes& b) { return Hex(b.data(), b.size()); }
Bytes FromHex(const std::string& hex);

// A fresh folder under $QUILLARAN_TEST_TMP named after the running test.
std::string ScratchFolder();
void WriteFile(const std::string& path, const Bytes& data);
Bytes ReadFile(const std::string& path);

// Runs a shell command and returns its standard output; fails the test on a non-zero exit.
std::string RunPeer(const std::string& command);

// An OpenSSL configuration in the folder that loads the GOST engine with the
// CryptoPro-A cipher parameters; returns "OPENSSL_CONF=<path> " to put before a command.
std::string OpensslEnv(const std::string& folder);

// The first whitespace-separated hex word of 64 digits in a peer's output.
std::string DigestIn(const std::string& output);

}  // namespace gostpeer
