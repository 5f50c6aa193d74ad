#include "model/Modelhooks.h"

#include "foundation/Tlisteners.h"
#include "model/Tdiscussion.h"

TModelHooks& ModelHooks() {
  static TModelHooks hooks;
  return hooks;
}

TModelLogin CurrentModelLogin() {
  const TModelHooks& hooks = ModelHooks();
  return hooks.CurrentLogin ? hooks.CurrentLogin() : TModelLogin{};
}

bool EditAuthorInDialog(TDiscussion& discussion, int author, bool editing) {
  const TModelHooks& hooks = ModelHooks();
  return hooks.EditAuthor && hooks.EditAuthor(discussion, author, editing);
}

bool EditReaderPropertyInDialog(TDiscussion& discussion, int property) {
  const TModelHooks& hooks = ModelHooks();
  return hooks.EditReaderProperty && hooks.EditReaderProperty(discussion, property);
}

bool AskReaderPropertyInDialog(TReaderProperty& values, int left, int top) {
  const TModelHooks& hooks = ModelHooks();
  return hooks.AskReaderProperty && hooks.AskReaderProperty(values, left, top);
}

int AuthorModerateType(const TDiscussion& discussion, uint16_t adident, int& type) {
  const TModelHooks& hooks = ModelHooks();
  type = 0;
  return hooks.GetAuthorModerateType ? hooks.GetAuthorModerateType(discussion.Info.DIdent, adident, type)
                                     : ModerationCall_NotDone;
}

void ModelBeep() {
  const TModelHooks& hooks = ModelHooks();
  if (hooks.MessageBeep) hooks.MessageBeep();
}

void SendBlockNotification(uint8_t code, const TDiscussion& discussion, TDiscBlockIndex block, bool defer) {
  TListeners::SendPair(code, reinterpret_cast<intptr_t>(&discussion), PackDiscBlockIndex(block), defer);
}
