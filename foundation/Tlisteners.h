#pragma once
// Change notifications inside the process. A notification is a code and two
// words; the words are pointer-sized, so they may carry an object's address.
// Sent at once, it reaches every registered listener before the send returns;
// deferred, it is queued (an equal one already queued is not queued again) and
// delivered when the application is idle. A queued notification carries only
// its words: it must not point at anything that may be gone by then, such as a
// temporary of the sender.

#include <cstddef>
#include <cstdint>
#include <vector>

// Codes of the notifications the program's start-up driver sends to every listener; the
// model's, the browse windows' and the others' own codes are beside them.
enum : uint8_t {
  Notify_Deactivated = 1,  // the program lost the focus to another program
  Notify_Idle = 2,         // the application has nothing else to do
  Notify_Tick = 4,         // the 300 ms clock
};

struct TListenMessage {
  uint8_t Code = 0;
  intptr_t Word1 = 0;
  intptr_t Word2 = 0;
  bool operator==(const TListenMessage&) const = default;
};

class TListener {
 public:
  TListener();           // registers with the process-wide registry
  virtual ~TListener();  // unregisters
  TListener(const TListener&) = delete;
  TListener& operator=(const TListener&) = delete;
  virtual void Listen(const TListenMessage& message) = 0;
};

class TListeners {
 public:
  static TListeners& Instance();

  static void Send(uint8_t code, bool defer);
  static void SendPtr(uint8_t code, intptr_t word1, bool defer);
  static void SendPair(uint8_t code, intptr_t word1, intptr_t word2, bool defer);
  // Pointers as words.
  template <class P>
  static void SendPtr(uint8_t code, P* word1, bool defer) {
    SendPtr(code, reinterpret_cast<intptr_t>(word1), defer);
  }
  template <class P, class Q>
  static void SendPair(uint8_t code, P* word1, Q* word2, bool defer) {
    SendPair(code, reinterpret_cast<intptr_t>(word1), reinterpret_cast<intptr_t>(word2), defer);
  }

  void Register(TListener* listener);  // once; a second registration is ignored
  void Unregister(TListener* listener);
  size_t Count() const { return fListeners.size(); }

  void Deliver(const TListenMessage& message);
  void Queue(const TListenMessage& message);
  // Delivers the notifications queued so far, in order; those queued meanwhile
  // wait for the next call. True when some are waiting.
  bool DeliverQueued();
  bool HasQueued() const { return !fQueue.empty(); }
  // Forgets every queued notification (at shutdown).
  void ClearQueue();

 private:
  // A registration is known by its number, never by the listener's address:
  // an address freed during a delivery may at once belong to a newcomer.
  struct TRegistration {
    TListener* Listener;
    uint64_t Number;
  };
  bool IsRegistered(const TRegistration& registration) const;

  // Where the equal notification waits in the queue, -1 when none.
  ptrdiff_t FindQueued(const TListenMessage& message, size_t hash) const;
  void IndexQueued(size_t position, size_t hash);

  std::vector<TRegistration> fListeners;
  std::vector<TListenMessage> fQueue;  // in the order queued
  // The queue's notifications by hash (open addressing, at most half full): a slot holds
  // the position + 1 in its low half and the upper half of the hash above, 0 when free.
  // Queueing costs the same however many wait.
  std::vector<uint64_t> fQueueIndex;
  uint64_t fLastNumber = 0;
  uint64_t fGeneration = 0;  // changes whenever a listener leaves
};
