#pragma once
// TCriticalSection: a lock that the thread holding it may take again (each
// Enter needs its Leave).

#include "platform/rtl/Tobject.h"

#include <mutex>

class TCriticalSection : public TObject {
 public:
  void Acquire() { mutex_.lock(); }
  void Release() { mutex_.unlock(); }
  void Enter() { Acquire(); }
  void Leave() { Release(); }
  bool TryEnter() { return mutex_.try_lock(); }

 private:
  std::recursive_mutex mutex_;
};
