#pragma once
// Verdicts of the checks of a file (a message's seal and signature) kept with a digest of
// the bytes checked (TDigestKind::Content), so that a received message is checked once
// however often it is listed, screened and handled, under whatever name and in whichever
// folder it is then: the same bytes have the same verdict. A file with any byte changed has
// another digest and is checked again.

#include "foundation/Messagesignature.h"

#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

template <class TVerdict>
class TFileVerdicts {
 public:
  explicit TFileVerdicts(size_t capacity = 512) : Capacity(capacity) {}

  // The verdict kept for the check named `name` (which check, under which key: a digest of a
  // key, never the key itself) of the bytes whose content digest is `content`, if any.
  std::optional<TVerdict> Find(const TMessageDigestValue& content, const std::string& name) {
    std::lock_guard<std::mutex> lock(Guard);
    for (const TEntry& entry : Entries)
      if (entry.Content == content && entry.Name == name) return entry.Verdict;
    return std::nullopt;
  }

  // Keeps the verdict of that check of the bytes whose content digest is `content`: the
  // digest of the very bytes the check read.
  void Keep(const TMessageDigestValue& content, const std::string& name, const TVerdict& verdict) {
    std::lock_guard<std::mutex> lock(Guard);
    if (Entries.size() >= Capacity) Entries.pop_front();
    Entries.push_back({content, name, verdict});
  }

  void Clear() {
    std::lock_guard<std::mutex> lock(Guard);
    Entries.clear();
  }

 private:
  struct TEntry {
    TMessageDigestValue Content;
    std::string Name;
    TVerdict Verdict;
  };
  std::mutex Guard;
  std::deque<TEntry> Entries;  // oldest first
  size_t Capacity;
};
