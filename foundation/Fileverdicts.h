#pragma once
// Verdicts of the checks of a file (a message's seal and signature) kept with the file's
// identity, so that a received message is checked once however often it is listed,
// screened and handled. A file that changed in any way (another size, modification or
// change time, or another file under its name) has another identity and is checked again;
// a file changed so lately that a further change could keep its times is checked each time.

#include "platform/kernel/Fileapi.h"

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>

template <class TVerdict>
class TFileVerdicts {
 public:
  explicit TFileVerdicts(size_t capacity = 512) : Capacity(capacity) {}

  // The verdict of the check named by `name` (which check, under which key: a digest of a
  // key, never the key itself) on the open file: the one kept for the file as it is now,
  // else made by `check`, and kept when it is Complete (the check read what it needed).
  template <class TCheck>
  TVerdict Check(HANDLE file, const std::string& name, TCheck check) {
    platform::FileIdentity identity;
    if (!platform::SettledIdentityOf(file, identity)) return check();
    {
      std::lock_guard<std::mutex> lock(Guard);
      for (const TEntry& entry : Entries)
        if (entry.Identity == identity && entry.Name == name) return entry.Verdict;
    }
    TVerdict verdict = check();
    if (!verdict.Complete) return verdict;
    std::lock_guard<std::mutex> lock(Guard);
    if (Entries.size() >= Capacity) Entries.pop_front();
    Entries.push_back({identity, name, verdict});
    return verdict;
  }

 private:
  struct TEntry {
    platform::FileIdentity Identity;
    std::string Name;
    TVerdict Verdict;
  };
  std::mutex Guard;
  std::deque<TEntry> Entries;  // oldest first
  size_t Capacity;
};
