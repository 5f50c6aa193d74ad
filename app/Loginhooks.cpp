#include "app/Loginhooks.h"

#include "foundation/Commoncrypt.h"
#include "foundation/Postfilename.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"

namespace {

// The one handle on the logins: the hooks' own.
TLoginsStorage* Logins() { return ModelHooks().Logins; }

bool ManagerEMail(std::string& email) {
  TLoginsStorage* logins = Logins();
  if (!logins) return false;
  const int manager = logins->GetManagerLoginIndex();
  if (manager < 0) return false;
  email = logins->GetLogin(manager).AutomaticEMail.ToString();
  return true;
}

}  // namespace

void RegisterLoginHooks(TLoginsStorage& logins) {
  TModelHooks& hooks = ModelHooks();
  hooks.Logins = &logins;
  hooks.CurrentLogin = [] {
    TModelLogin result;
    if (TLogin* login = Logins() ? Logins()->GetCurrentLogin() : nullptr) {
      result.Ident = login->Ident;
      result.LIdent = login->LIdent;
      result.EMail = login->AutomaticEMail;
    }
    return result;
  };
  hooks.LoginLIdent = [](uint16_t ident) {
    const int i = Logins() ? Logins()->FindLogin(ident) : -1;
    return i < 0 ? TStr() : Logins()->GetLogin(i).LIdent;
  };
  hooks.AccessLevel = [](const TStr& privateIdent) {
    TLogin* login = Logins() ? Logins()->GetCurrentLogin() : nullptr;
    return login ? login->AccessLevel(privateIdent) : 0;
  };
  hooks.GrantAccess = [](const TStr& privateIdent) {
    TLogin* login = Logins() ? Logins()->GetCurrentLogin() : nullptr;
    if (!login) return false;
    if (login->AccessLevel(privateIdent) >= 1) return true;
    login->GrantAccess(privateIdent);
    return Logins()->Save();
  };
  hooks.PrivateMessageKey = [] { return Logins() ? Logins()->GetPrivateMessageKey() : TStr(); };
  hooks.KeyOfLogin = [](const TStr& lident, const TStr& email) {
    return Logins() ? Logins()->GetKeyOf(lident, email) : TStr();
  };
  hooks.AskKeyOfLogin = [](const TStr& lident, const TStr& email, const TPublicKey& signer, const std::string& about) {
    return Logins() ? Logins()->AskKeyOf(lident, email, signer, about) : TStr();
  };
  hooks.KeepKeyOfLogin = [](const TStr& lident, const TStr& email, const TStr& key) {
    if (TLoginsStorage* storage = Logins()) storage->KeepKeyOf(lident, email, key);
  };
  hooks.MaySign = [](const TStr& lident, const TPublicKey& key) { return Logins() && Logins()->MaySign(lident, key); };
  hooks.PinSignerKey = [](const TStr& lident, const TStr& email, const TPublicKey& key) {
    return Logins() && Logins()->PinSignerKey(lident, email, key);
  };
  SetMessageSigner([](TSigningKeyPair& pair) {
    const TLogin* login = Logins() ? Logins()->GetCurrentLogin() : nullptr;
    return login && login->SigningPair(pair);
  });
  SetManagerEMailSource(ManagerEMail);
}

void UnregisterLoginHooks() {
  TModelHooks& hooks = ModelHooks();
  hooks.CurrentLogin = nullptr;
  hooks.LoginLIdent = nullptr;
  hooks.AccessLevel = nullptr;
  hooks.GrantAccess = nullptr;
  hooks.PrivateMessageKey = nullptr;
  hooks.KeyOfLogin = nullptr;
  hooks.AskKeyOfLogin = nullptr;
  hooks.KeepKeyOfLogin = nullptr;
  hooks.MaySign = nullptr;
  hooks.PinSignerKey = nullptr;
  SetMessageSigner(nullptr);
  SetManagerEMailSource(nullptr);
  hooks.Logins = nullptr;
}
