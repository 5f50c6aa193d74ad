#include "postoffice/Signerkeys.h"

#include "foundation/Commoncrypt.h"
#include "foundation/Fileroutines.h"
#include "foundation/Terror.h"
#include "foundation/Tlogin.h"
#include "model/Modelhooks.h"
#include "model/Tcommandmessage.h"
#include "platform/kernel/Fileapi.h"
#include "postoffice/Postarchives.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tpostfile.h"

#include <vector>

std::string OtherKeyRefusal(const std::string& path, TSealState state, const TCommandMessageHeader& header,
                            const TMessageSigner& signer) {
  if (state != TSealState::OtherKey) return "";
  const TStr lident(header.GetFieldValue("SENDER_LIDENT"));
  const std::string claimed = ShownText(header.GetFieldValue("FROM_USER_EMAIL"));
  std::string name = ShownText(path.substr(path.find_last_of('/') + 1));
  TLoginsStorage* logins = ModelHooks().Logins;
  TPublicKey known{};
  if (!logins || !logins->KnownKeyOf(lident, known)) return "";
  const std::string fingerprint = KeyFingerprint(signer.PublicKey);
  if (logins->FindLoginByLIdent(lident) >= 0)
    return "The message " + name + " claims to come from your own login " + claimed +
           ", but is not signed with its key (" + fingerprint + "): someone else wrote it. Nothing of it was applied.";
  std::string whose = claimed;
  for (const TPinnedKey& pin : logins->Pins)
    if (pin.LIdent == lident && !pin.Address.IsEmpty() && !(pin.Address.ToString() == claimed))
      whose += " (known as " + ShownText(pin.Address.View()) + ")";
  if (!logins->OfferKey(lident, TStr(header.GetFieldValue("FROM_USER_EMAIL")), signer.PublicKey))
    return "The message " + name + " in the name of " + whose + " is signed with the other key told of before (" +
           fingerprint + "); it waits until that key is trusted.";
  return "The message " + name + " claims to come from " + whose +
         ", but is signed with another key than the one known for them.\nKnown key: " + KeyFingerprint(known) +
         "\nIts key:   " + fingerprint + "\nCompare fingerprints with " + claimed +
         " by phone. If the new key is theirs, choose \"Trust this key\" in their author data: the messages "
         "set aside for it are then handled in the next run. If it is not, a stranger wrote in their name; "
         "nothing of it was applied.";
}

int ReleaseTrustedMessages(const std::string& inbox) {
  const std::string waiting = inbox + SetAsideFolderName + "/" + OtherKeysFolderName + "/";
  std::vector<std::string> names;
  TFindEntry entry;
  if (!FindFirstEntry(waiting + "*.*", entry)) return 0;
  do names.push_back(entry.Name);
  while (FindNextEntry(entry));
  FindCloseEntry(entry);
  int moved = 0;
  for (const std::string& name : names) {
    TCommandMessageHeader header;
    TMessageSigner signer;
    if (ScreenSeal(waiting + name, header, signer) != TSealState::Sealed) continue;
    const std::string target = FreeFileName(inbox, name);
    if (!MoveFileA((waiting + name).c_str(), (inbox + target).c_str())) continue;
    TError::AppendToLog("TRUSTED KEY: " + waiting + name + " goes back to the Inbox as " + target +
                        ": its sender's key is trusted now");
    ++moved;
  }
  return moved;
}
