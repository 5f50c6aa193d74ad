#include "app/Loginhooks.h"

#include "foundation/Commoncrypt.h"
#include "foundation/Postfilename.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"

namespace {

TLoginsStorage* gLogins = nullptr;

bool ManagerEMail(std::string& email) {
  if (!gLogins) return false;
  const int manager = gLogins->GetManagerLoginIndex();
  if (manager < 0) return false;
  email = gLogins->GetLogin(manager).AutomaticEMail.ToString();
  return true;
}

}  // namespace

void RegisterLoginHooks(TLoginsStorage& logins) {
  gLogins = &logins;
  TModelHooks& hooks = ModelHooks();
  hooks.CurrentLogin = [] {
    TModelLogin result;
    if (TLogin* login = gLogins ? gLogins->GetCurrentLogin() : nullptr) {
      result.Ident = login->Ident;
      result.LIdent = login->LIdent;
      result.EMail = login->AutomaticEMail;
    }
    return result;
  };
  hooks.LoginLIdent = [](uint16_t ident) {
    const int i = gLogins ? gLogins->FindLogin(ident) : -1;
    return i < 0 ? TStr() : gLogins->GetLogin(i).LIdent;
  };
  hooks.AccessLevel = [](const TStr& privateIdent) {
    TLogin* login = gLogins ? gLogins->GetCurrentLogin() : nullptr;
    return login ? login->AccessLevel(privateIdent) : 0;
  };
  hooks.GrantAccess = [](const TStr& privateIdent) {
    TLogin* login = gLogins ? gLogins->GetCurrentLogin() : nullptr;
    if (!login) return false;
    if (login->AccessLevel(privateIdent) >= 1) return true;
    login->GrantAccess(privateIdent);
    return gLogins->Save();
  };
  hooks.PrivateMessageKey = [] { return gLogins ? gLogins->GetPrivateMessageKey() : TStr(); };
  hooks.KeyOfLogin = [](const TStr& lident) { return gLogins ? gLogins->GetKeyOf(lident) : TStr(); };
  hooks.AskKeyOfLogin = [](const TStr& lident, const TStr& email) {
    return gLogins ? gLogins->AskKeyOf(lident, email) : TStr();
  };
  hooks.ForgetKeyOfLogin = [](const TStr& lident) {
    if (gLogins) gLogins->ForgetKeyOf(lident);
  };
  hooks.MaySign = [](const TStr& lident, const TPublicKey& key) { return gLogins && gLogins->MaySign(lident, key); };
  hooks.PinSignerKey = [](const TStr& lident, const TStr& email, const TPublicKey& key) {
    return gLogins && gLogins->PinSignerKey(lident, email, key);
  };
  SetMessageSigner([](TSigningKeyPair& pair) {
    const TLogin* login = gLogins ? gLogins->GetCurrentLogin() : nullptr;
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
  hooks.ForgetKeyOfLogin = nullptr;
  hooks.MaySign = nullptr;
  hooks.PinSignerKey = nullptr;
  SetMessageSigner(nullptr);
  SetManagerEMailSource(nullptr);
  gLogins = nullptr;
}
