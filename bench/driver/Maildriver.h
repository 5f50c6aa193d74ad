#pragma once
// What the mail drivers share: their arguments, [--tls] HOST PORT USER FILE with the
// password from the environment (so that it is not on the command line), the connection
// as asked, and the exit: 0 done, 1 a fault (said on stderr), 2 wrong arguments.
#include "net/Netlibrary.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

struct TDriverArgs {
  bool TLS = false;
  std::string Host, User, File, Password;
  int Port = 0;
};

// Runs AWork on the arguments with the net library up; AName and AFile name the driver and
// its FILE in the usage and fault texts.
inline int RunMailDriver(int argc, char** argv, const char* AName, const char* AFile,
                         const std::function<void(const TDriverArgs&)>& AWork) {
  TDriverArgs args;
  int first = 1;
  args.TLS = argc > 1 && std::string(argv[1]) == "--tls";
  if (args.TLS) ++first;
  const char* password = std::getenv("QUILLARAN_BENCH_PASSWORD");
  if (argc - first != 4 || !password) {
    std::fprintf(stderr, "usage: %s [--tls] HOST PORT USER %s (QUILLARAN_BENCH_PASSWORD set)\n", AName, AFile);
    return 2;
  }
  args.Host = argv[first];
  args.Port = std::atoi(argv[first + 1]);
  args.User = argv[first + 2];
  args.File = argv[first + 3];
  args.Password = password;
  InitializeNetLibrary();
  int status = 0;
  try {
    AWork(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", AName, e.what());
    status = 1;
  }
  FinalizeNetLibrary();
  return status;
}

// Connects AClient as the arguments ask, encrypted or not, or throws.
template <class TClient>
void ConnectAsAsked(TClient& AClient, const TDriverArgs& AArgs) {
  AClient.SetHost(AArgs.Host);
  AClient.SetPort(AArgs.Port);
  AClient.Username = AArgs.User;
  AClient.Password = AArgs.Password;
  AClient.SetReadTimeout(120000);
  AClient.Connect();
  if (AClient.TLSVersion().empty() == AArgs.TLS) throw std::runtime_error("the connection is not as asked");
}
