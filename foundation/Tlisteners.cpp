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

void TListeners::Register(TListener* listener) {
  if (std::find(fListeners.begin(), fListeners.end(), listener) == fListeners.end())
    fListeners.push_back(listener);
}

void TListeners::Unregister(TListener* listener) {
  auto it = std::find(fListeners.begin(), fListeners.end(), listener);
  if (it == fListeners.end()) return;
  fListeners.erase(it);
  ++fGeneration;
}

void TListeners::Deliver(const TListenMessage& message) {
  // Listeners may come and go while they listen (a window closes, another
  // opens): those present at the start hear the message unless they left.
  std::vector<TListener*> present = fListeners;
  uint64_t generation = fGeneration;
  for (TListener* listener : present) {
    if (generation != fGeneration) {
      if (std::find(fListeners.begin(), fListeners.end(), listener) == fListeners.end()) continue;
    }
    listener->Listen(message);
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
