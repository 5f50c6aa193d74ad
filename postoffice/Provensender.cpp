#include "postoffice/Provensender.h"

#include "foundation/Commoncrypt.h"
#include "foundation/Gost28147.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "postoffice/Appliedmessages.h"

TSenderProof ProofOfSender(const THandledMessage& message) {
  if (SignedWithPinnedKey(message.Sender, message.SignerKey)) return TSenderProof::PinnedKey;
  if (TAppliedMessages::Instance().AnswersOurRequest(message)) return TSenderProof::AnswersOurRequest;
  return TSenderProof::None;
}

bool SignedWithPinnedKey(const std::string& lident, const TPublicKey& key) {
  const TLoginsStorage* logins = ModelHooks().Logins;
  TPublicKey known{};
  return logins && logins->KnownKeyOf(TStr(lident), known) && known == key;
}

namespace {

// Whether the private message at `path` opens with the Key kept for its identifier at an
// address the discussion knows for it.
bool OpensWithAKnownPersonsKey(const THandledMessage& message, const TDiscussion& d, const std::string& path) {
  const TLoginsStorage* logins = ModelHooks().Logins;
  if (!logins) return false;
  const std::string prefix = PersonOf(message.Sender, "");
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool opens = false;
  for (const std::string& person : PersonsKnownBy(d)) {
    if (opens || person.compare(0, prefix.size(), prefix) != 0) continue;
    const TStr address(person.substr(prefix.size()));
    std::string key = logins->GetKeyOf(TStr(message.Sender), address, false).ToString();
    opens = !address.IsEmpty() && !key.empty() && VerifyFileSign(file, true, key);
    WipeMemory(key.data(), key.size());
  }
  CloseHandle(file);
  return opens;
}

}  // namespace

bool MayActAsKnownPerson(const THandledMessage& message, const TDiscussion& d, const std::string& path) {
  const TModelHooks& hooks = ModelHooks();
  if (!hooks.MaySign) return true;  // no keys kept: the parts run on their own
  if (ProofOfSender(message) != TSenderProof::None) return true;
  // Another key is pinned for the identifier (or it is a login of ours without a pair).
  if (!hooks.MaySign(TStr(message.Sender), message.SignerKey)) return false;
  return !message.SealedWithKey || OpensWithAKnownPersonsKey(message, d, path);
}

std::set<std::string> PersonsKnownBy(const TDiscussion& d) {
  std::set<std::string> known;
  for (int i = 0; i < d.Authors.Count(); ++i)
    known.insert(PersonOf(d.Authors.Author(i).LIdent.View(), d.Authors.Author(i).AutomaticEMail.View()));
  for (const TPersonRow& person : d.Info.Persons) known.insert(PersonOf(person.LIdent.View(), person.Address.View()));
  TLoginsStorage* logins = ModelHooks().Logins;
  const int moderator = logins && d.Info.IsModerated() ? logins->FindLogin(d.Info.ModeratorLoginIdent) : -1;
  if (moderator >= 0) {
    const TLogin& login = logins->GetLogin(moderator);
    known.insert(PersonOf(login.LIdent.View(), login.AutomaticEMail.View()));
  }
  return known;
}
