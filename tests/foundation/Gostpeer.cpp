#include "Gostpeer.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>

namespace gostpeer {

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
  auto isSpace = [&](size_t k) { return std::isspace(static_cast<unsigned char>(output[k])) != 0; };
  size_t i = 0;
  while (i < output.size()) {
    size_t j = i;
    while (j < output.size() && std::isxdigit(static_cast<unsigned char>(output[j]))) ++j;
    if (j - i == 64 && (i == 0 || isSpace(i - 1)) && (j == output.size() || isSpace(j))) {
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
