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
  // A newcomer never hears it, even at the address of one that left. The few
  // present are copied in place: a delivery takes no memory.
  constexpr size_t Few = 16;
  TRegistration few[Few];
  std::vector<TRegistration> many;
  const size_t count = fListeners.size();
  const TRegistration* present = few;
  if (count <= Few) {
    std::copy(fListeners.begin(), fListeners.end(), few);
  } else {
    many = fListeners;
    present = many.data();
  }
  uint64_t generation = fGeneration;
  for (size_t i = 0; i < count; ++i) {
    if (generation != fGeneration && !IsRegistered(present[i])) continue;
    present[i].Listener->Listen(message);
  }
}

namespace {

size_t QueueHash(const TListenMessage& message) {
  // The words are addresses and packed block positions: mixed so that neighbours spread.
  uint64_t h = uint64_t(message.Word1) * 0x9E3779B97F4A7C15ull;
  h ^= (uint64_t(message.Word2) + message.Code) * 0xC2B2AE3D27D4EB4Full;
  return size_t(h ^ (h >> 31));
}

constexpr uint64_t PositionBits = 0xFFFFFFFFull;

}  // namespace

ptrdiff_t TListeners::FindQueued(const TListenMessage& message, size_t hash) const {
  if (fQueueIndex.empty()) return -1;
  const uint64_t tag = uint64_t(hash) & ~PositionBits;
  const size_t mask = fQueueIndex.size() - 1;
  for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const uint64_t entry = fQueueIndex[slot];
    if (entry == 0) return -1;
    const size_t position = size_t(entry & PositionBits) - 1;
    if ((entry & ~PositionBits) == tag && fQueue[position] == message) return ptrdiff_t(position);
  }
}

void TListeners::IndexQueued(size_t position, size_t hash) {
  const size_t mask = fQueueIndex.size() - 1;
  size_t slot = hash & mask;
  while (fQueueIndex[slot] != 0) slot = (slot + 1) & mask;
  fQueueIndex[slot] = (uint64_t(hash) & ~PositionBits) | uint64_t(position + 1);
}

void TListeners::Queue(const TListenMessage& message) {
  const size_t hash = QueueHash(message);
  if (FindQueued(message, hash) >= 0) return;
  fQueue.push_back(message);
  if (fQueue.size() * 2 > fQueueIndex.size()) {
    // Grown: twice as large, every waiting notification indexed again.
    fQueueIndex.assign(std::max<size_t>(16, fQueueIndex.size() * 2), 0);
    for (size_t i = 0; i < fQueue.size(); ++i) IndexQueued(i, QueueHash(fQueue[i]));
  } else {
    IndexQueued(fQueue.size() - 1, hash);
  }
}

void TListeners::ClearQueue() {
  fQueue.clear();
  std::vector<uint64_t>().swap(fQueueIndex);
}

bool TListeners::DeliverQueued() {
  if (fQueue.empty()) return false;
  std::vector<TListenMessage> now;
  now.swap(fQueue);
  // Those taken now may be queued again while they are delivered, for the next call. The
  // index goes with them, so that a later idle step never clears slots of an earlier burst.
  std::vector<uint64_t>().swap(fQueueIndex);
  for (const TListenMessage& message : now) Deliver(message);
  return !fQueue.empty();
}
