#include "model/Modelhooks.h"

TModelHooks& ModelHooks() {
  static TModelHooks hooks;
  return hooks;
}

TModelLogin CurrentModelLogin() {
  const TModelHooks& hooks = ModelHooks();
  return hooks.CurrentLogin ? hooks.CurrentLogin() : TModelLogin{};
}
