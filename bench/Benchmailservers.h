#pragma once
// The mail benchmarks' own servers: aiosmtpd and dovecot on 127.0.0.1, started from the
// tests' server scripts into a work folder of the process and stopped with it.

#include "net/Netlibrary.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <unistd.h>

struct TServers {
  std::filesystem::path Work, State, Scripts;
  std::map<std::string, std::string> Env;

  explicit TServers(const std::string& name = "exchange") {
    namespace fs = std::filesystem;
    InitializeNetLibrary();
    Work = fs::temp_directory_path() / ("quillaran-bench-" + name + "-" + std::to_string(::getpid()));
    fs::create_directories(Work);
    State = Work / "servers";
    Scripts = fs::path(QUILLARAN_SOURCE_DIR) / "tests" / "net" / "servers";
    if (std::system(((Scripts / "start.sh").string() + " " + State.string() + " >/dev/null").c_str()) != 0) {
      std::fprintf(stderr, "the mail servers did not start\n");
      std::exit(1);
    }
    std::ifstream in(State / "servers.env");
    for (std::string line; std::getline(in, line);)
      if (auto eq = line.find('='); eq != std::string::npos) Env[line.substr(0, eq)] = line.substr(eq + 1);
  }
  ~TServers() {
    std::system(((Scripts / "stop.sh").string() + " " + State.string()).c_str());
    std::filesystem::remove_all(Work);
  }
  TServers(const TServers&) = delete;
  TServers& operator=(const TServers&) = delete;
};
