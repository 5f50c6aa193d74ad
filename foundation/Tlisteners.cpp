#include "foundation/Tlisteners.h"

#include <algorithm>

TListener::TListener() { TListeners::Instance().Register(this); }
TListener::~TListener() { TListeners::Instance().Unregister(this); }

TListeners& TListeners::Instance() {
  static TListeners registry;
  return registry;
}

void TListeners::Send(uint8_t code, bool defer) { SendPair(code, 0, 0, defer); }
void TListeners::SendPtr(uint8_t code, intptr_t word1, bool defer) { SendPair(code, word1, 0, defer); }

void TListeners::SendPair(uint8_t code, intptr_t word1, intptr_t word2, bool defer) {
  TListenMessage message{code, word1, word2};
  if (defer) Instance().Queue(message);
  else Instance().Deliver(message);
}

namespace {
auto ByListener(TListener* listener) {
  return [listener](const auto& registration) { return registration.Listener == listener; };
}
}  // namespace

void TListeners::Register(TListener* listener) {
  if (std::none_of(fListeners.begin(), fListeners.end(), ByListener(listener)))
    fListeners.push_back({listener, ++fLastNumber});
}

void TListeners::Unregister(TListener* listener) {
  auto it = std::find_if(fListeners.begin(), fListeners.end(), ByListener(listener));
  if (it == fListeners.end()) return;
  fListeners.erase(it);
  ++fGeneration;
}

bool TListeners::IsRegistered(const TRegistration& registration) const {
  return std::any_of(fListeners.begin(), fListeners.end(), [&](const TRegistration& r) {
    return r.Number == registration.Number;
  });
}

void TListeners::Deliver(const TListenMessage& message) {
  // Listeners may come and go while they listen (a window closes, another
  // opens): those present at the start hear the message unless they left.
  // A newcomer never hears it, even at the address of one that left.
  std::vector<TRegistration> present = fListeners;
  uint64_t generation = fGeneration;
  for (const TRegistration& registration : present) {
    if (generation != fGeneration && !IsRegistered(registration)) continue;
    registration.Listener->Listen(message);
  }
}

void TListeners::Queue(const TListenMessage& message) {
  if (std::find(fQueue.begin(), fQueue.end(), message) == fQueue.end()) fQueue.push_back(message);
}

bool TListeners::DeliverQueued() {
  std::vector<TListenMessage> now;
  now.swap(fQueue);
  for (const TListenMessage& message : now) Deliver(message);
  return !fQueue.empty();
}
