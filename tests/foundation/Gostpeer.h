#pragma once
// What the GOST tests add to the shared test support: the GOST engine of openssl
// configured with the CryptoPro-A cipher parameters, the digest in a peer's output,
// and byte views of texts.

#include "tests/support/Testsupport.h"

#include <cstdint>
#include <string>

namespace gostpeer {

using namespace testsupport;

// Writes an OpenSSL configuration into the folder that loads the GOST engine with the
// CryptoPro-A cipher parameters; returns "OPENSSL_CONF=<path> " to put before a command.
std::string OpensslEnv(const std::string& folder);

// The first whitespace-delimited word of 64 hex digits in a peer's output, in lower case.
std::string DigestIn(const std::string& output);

inline const uint8_t* U(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }
inline uint8_t* U(std::string& s) { return reinterpret_cast<uint8_t*>(s.data()); }
inline std::string HexOf(const uint8_t* data, size_t size) {
  return Hex(std::string(reinterpret_cast<const char*>(data), size));
}

}  // namespace gostpeer
