// The logins file: read back whatever it holds; a file that loads must save and load
// again to the same bytes, and its enciphered secrets are checked against a password.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "foundation/Filereplace.h"
#include "foundation/Tlogin.h"
#include "fuzz/Fuzzsandbox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = fuzzing::WriteInput("Logins.cbs", data, size);
  TLoginsStorage logins;
  if (logins.Load(path)) {
    std::string saved, again;
    TLoginsStorage reloaded;
    if (!logins.Save() || !ReadWholeFile(path, saved) || !reloaded.Load(path) || !reloaded.Save() ||
        !ReadWholeFile(path, again) || again != saved)
      std::abort();
    logins.GetManagerLoginIndex();
    for (int i = 0; i < logins.Count(); ++i) {
      TLogin& login = logins.GetLogin(i);
      logins.FindLogin(login.Ident);
      logins.FindLoginByLIdent(login.LIdent);
      login.HasRight(3);
      login.AccessLevel(TStr("P-1"));
      login.Unlock("key password");
    }
  }
  fuzzing::EmptySandbox();
  return 0;
}
