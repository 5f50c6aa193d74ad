#include "model/Privateaccess.h"

#include "foundation/Gostpassword.h"
#include "foundation/Textroutines.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"

#include <cstdio>

namespace {

// A number below 1000000 from the secure source, without bias.
uint32_t SecureSixDigits() {
  constexpr uint32_t limit = 4294000000u;  // a multiple of 1000000
  uint32_t value;
  do RandomBytes(reinterpret_cast<uint8_t*>(&value), sizeof value);
  while (value >= limit);
  return value % 1000000u;
}

bool PrivateKeyTextTaken(TDiscussion& discussion, const TStr& text) {
  TDiscussionsManager* manager = discussion.Manager ? discussion.Manager : DiscussionsManager();
  if (!manager) return false;
  for (int i = 0; i < manager->GetDiscussionsCount(); ++i)
    if (manager->GetDiscussion(i).Info.PrivateIdent == text) return true;
  return false;
}

}  // namespace

TStr MakePrivateKeyText(TDiscussion& discussion) {
  const std::string ident = MakeUpperIdent(CurrentModelLogin().EMail.View());
  TStr text;
  do {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%06u", unsigned(SecureSixDigits()));
    text = TStr(std::string(digits) + ident + "_PDK");
  } while (PrivateKeyTextTaken(discussion, text));
  return text;
}

bool KeepPrivateAccess(TDiscussion& discussion) {
  if (discussion.Info.PrivateIdent.IsEmpty()) discussion.Info.PrivateIdent = MakePrivateKeyText(discussion);
  const TModelHooks& hooks = ModelHooks();
  return !hooks.GrantAccess || hooks.GrantAccess(discussion.Info.PrivateIdent);
}
