#include "model/Modelhooks.h"

TModelHooks& ModelHooks() {
  static TModelHooks hooks;
  return hooks;
}

TModelLogin CurrentModelLogin() {
  const TModelHooks& hooks = ModelHooks();
  return hooks.CurrentLogin ? hooks.CurrentLogin() : TModelLogin{};
}

void NotifyModel(uint8_t code, TDiscussion* discussion, intptr_t word) {
  const TModelHooks& hooks = ModelHooks();
  if (hooks.Notify) hooks.Notify(code, discussion, word);
}
