#include "postoffice/Partchoice.h"

#include "platform/cab/Cabformat.h"

#include <algorithm>
#include <cstring>
#include <utility>

using namespace platform;

// A cabinet read part after part, its data blocks checked as their bytes come: a block's
// checksum holds only with the very bytes it was written with, so a part that does not
// continue the one before it fails on the block cut between them. What the walk cannot
// follow (folders that overlap, a directory beyond the first part, a cabinet of a set) it
// leaves open: every part of the right size continues it.
class TCabinetWalk {
 public:
  // The walk after the first part of a cabinet in `count` parts; null when that part
  // begins no cabinet that could be cut so.
  static std::unique_ptr<TCabinetWalk> Start(const std::string& first, uint64_t count) {
    if (first.size() < kCabHeaderSize || std::memcmp(first.data(), "MSCF", 4) != 0) return nullptr;
    auto walk = std::make_unique<TCabinetWalk>();
    const auto* head = reinterpret_cast<const uint8_t*>(first.data());
    walk->fPart = first.size();
    walk->fCount = count;
    walk->fTotal = CabGet32(head + 8);
    // The parts of a cabinet are cut to one size, the last no larger.
    const uint64_t before = walk->fPart * (count - 1);
    if (walk->fTotal <= before || walk->fTotal - before > walk->fPart) return nullptr;
    if (head[25] != 1) return nullptr;  // a version no reader takes
    walk->ReadDirectory(first);
    return !walk->fBeyond && walk->Take(first) ? std::move(walk) : nullptr;
  }

  // The size the part after `parts` parts must have.
  uint64_t NextPartSize(size_t parts) const { return parts + 1 < fCount ? fPart : fTotal - fPart * (fCount - 1); }

  // Reads the next part; false when a block it completes fails its checksum or its sizes.
  bool Take(const std::string& part) {
    const auto* data = reinterpret_cast<const uint8_t*>(part.data());
    size_t at = 0;
    while (at < part.size() && !fOpen && fSegment < fSegments.size()) {
      if (fHead.empty() && fPos < fCursor) {
        const uint64_t skip = std::min<uint64_t>(fCursor - fPos, part.size() - at);
        at += size_t(skip);
        fPos += skip;
        continue;
      }
      const size_t head = kCabDataSize + fDataReserve;
      if (fHead.size() < head) {
        const size_t take = std::min(head - fHead.size(), part.size() - at);
        fHead.append(part, at, take);
        at += take;
        fPos += take;
        if (fHead.size() == head && !HeadHolds()) return false;
        continue;
      }
      const size_t take = size_t(std::min<uint64_t>(Compressed() - fTaken, part.size() - at));
      Fold(data + at, take);
      at += take;
      fPos += take;
      if (fTaken == Compressed()) {
        if (!BlockHolds()) return false;
        NextBlock();
      }
    }
    fPos += part.size() - at;
    return true;
  }

  // Every block of the cabinet came and held.
  bool Whole() const { return fOpen || fSegment == fSegments.size(); }

  // What decides how the walk goes on: two walks of one key accept the same parts.
  std::string Key() const {
    std::string key = std::to_string(fPart) + "/" + std::to_string(fTotal) + "/" + std::to_string(fPos);
    if (fOpen) return key + "/open";
    key += "/" + std::to_string(fSegment) + "/" + std::to_string(fLeft) + "/" + std::to_string(fCursor) + "/" +
           std::to_string(fDataReserve) + "/" + std::to_string(fTaken) + "/" + std::to_string(fFold) + "/";
    return key + fPartial + "/" + fHead;
  }

 private:
  struct TSegment {
    uint64_t Offset = 0;
    uint32_t Blocks = 0;
  };

  // The folders' blocks, from the directory in the first part.
  void ReadDirectory(const std::string& first) {
    const auto* head = reinterpret_cast<const uint8_t*>(first.data());
    const uint16_t flags = CabGet16(head + 30), folders = CabGet16(head + 26);
    uint64_t pos = kCabHeaderSize;
    uint8_t folderReserve = 0;
    if (flags & kCabFlagReserve) {
      if (first.size() < pos + 4) return Open();
      folderReserve = head[pos + 2];
      fDataReserve = head[pos + 3];
      pos += 4 + CabGet16(head + pos);
    }
    if (flags & (kCabFlagPrev | kCabFlagNext)) return Open();
    for (uint16_t i = 0; i < folders; ++i, pos += kCabFolderSize + folderReserve) {
      if (first.size() < pos + kCabFolderSize) return Open();
      fSegments.push_back({CabGet32(head + pos), CabGet16(head + pos + 4)});
      // The reader finds no block beyond the cabinet's end.
      if (fSegments.back().Blocks > 0 && fSegments.back().Offset + kCabDataSize > fTotal) fBeyond = true;
    }
    std::stable_sort(fSegments.begin(), fSegments.end(),
                     [](const TSegment& a, const TSegment& b) { return a.Offset < b.Offset; });
    fSegment = 0;
    fCursor = pos;
    EnterSegment();
  }

  void Open() {
    fOpen = true;
    fSegments.clear();
    fHead.clear();
  }

  // Moves to the next folder with blocks; a folder that begins before the last one ended
  // is not followed.
  void EnterSegment() {
    while (fSegment < fSegments.size() && fSegments[fSegment].Blocks == 0) ++fSegment;
    if (fSegment == fSegments.size()) return;
    if (fSegments[fSegment].Offset < fCursor) return Open();
    fCursor = fSegments[fSegment].Offset;
    fLeft = fSegments[fSegment].Blocks;
  }

  uint16_t Compressed() const { return CabGet16(reinterpret_cast<const uint8_t*>(fHead.data()) + 4); }

  // A block's sizes as the reader takes them, and within the cabinet.
  bool HeadHolds() const {
    const uint16_t compressed = Compressed(),
                   uncompressed = CabGet16(reinterpret_cast<const uint8_t*>(fHead.data()) + 6);
    return compressed > 0 && compressed <= kCabMaxCompressedBlock && uncompressed > 0 && uncompressed <= kCabMaxBlock &&
           fCursor + fHead.size() + compressed <= fTotal;
  }

  // The block's data folded into its checksum as it comes, whole words at once: a walk
  // keeps a few bytes of a block however many parts it spans.
  void Fold(const uint8_t* data, size_t size) {
    fTaken += size;
    while (size > 0 && !fPartial.empty()) {
      fPartial.push_back(char(*data++));
      --size;
      if (fPartial.size() == 4) {
        fFold ^= CabGet32(reinterpret_cast<const uint8_t*>(fPartial.data()));
        fPartial.clear();
      }
    }
    const size_t words = size / 4 * 4;
    fFold = CabChecksum(data, words, fFold);
    fPartial.append(reinterpret_cast<const char*>(data) + words, size - words);
  }

  bool BlockHolds() const {
    const auto* head = reinterpret_cast<const uint8_t*>(fHead.data());
    const uint32_t checksum = CabGet32(head);
    if (checksum == 0) return true;
    const auto* rest = reinterpret_cast<const uint8_t*>(fPartial.data());
    const uint32_t folded = fFold ^ CabChecksum(rest, fPartial.size(), 0);
    return checksum == CabChecksum(head + 4, fHead.size() - 4, folded);
  }

  void NextBlock() {
    fCursor += fHead.size() + fTaken;
    fHead.clear();
    fPartial.clear();
    fFold = 0;
    fTaken = 0;
    if (--fLeft > 0) return;
    ++fSegment;
    EnterSegment();
  }

  uint64_t fPart = 0, fCount = 0, fTotal = 0;
  uint64_t fPos = 0;     // of the next byte taken, in the cabinet
  uint64_t fCursor = 0;  // where the next block begins
  std::vector<TSegment> fSegments;
  size_t fSegment = 0;
  uint32_t fLeft = 0;  // blocks of the present folder still to come
  uint8_t fDataReserve = 0;
  // The present block: its header so far, its data bytes taken, their checksum so far and
  // the bytes of a word not whole yet.
  std::string fHead, fPartial;
  uint64_t fTaken = 0;
  uint32_t fFold = 0;
  bool fOpen = false;
  bool fBeyond = false;  // a folder's blocks begin beyond the cabinet's end
};

TPartChoice::TPartChoice(const std::vector<std::vector<TFile>>& parts, TReader read) : fRead(std::move(read)) {
  for (const std::vector<TFile>& files : parts) {
    fParts.emplace_back();
    fByArrival.emplace_back();
    for (const TFile& file : files) {
      fByArrival.back().push_back(fParts.back().size());
      fParts.back().push_back({file.Name, file.Size, file.Arrival});
    }
    const std::vector<TCandidate>& added = fParts.back();
    std::stable_sort(fByArrival.back().begin(), fByArrival.back().end(),
                     [&added](size_t a, size_t b) { return added[a].Arrival < added[b].Arrival; });
    fAllowedWeighings += WeighingsPerFile * files.size();
  }
  if (!fByArrival.empty()) {
    const std::vector<TCandidate>& first = fParts[0];
    std::stable_sort(fByArrival[0].begin(), fByArrival[0].end(),
                     [&first](size_t a, size_t b) { return first[a].Arrival > first[b].Arrival; });
  }
  fStates.push_back({});
}

TPartChoice::~TPartChoice() = default;

int TPartChoice::Intern(size_t layer, std::unique_ptr<TCabinetWalk> walk) {
  const std::string key = std::to_string(layer) + ":" + walk->Key();
  const auto [at, added] = fStateOf.emplace(key, int(fStates.size()));
  if (!added) return at->second;
  TState state;
  state.Layer = layer;
  state.Walk = std::move(walk);
  fStates.push_back(std::move(state));
  return at->second;
}

int TPartChoice::Continue(int from, size_t candidate) {
  if (const auto known = fStates[size_t(from)].Edges.find(candidate); known != fStates[size_t(from)].Edges.end())
    return known->second;
  // Every file weighed against the parts before it spends one of the weighings the files brought.
  if (++fWeighings > fAllowedWeighings) {
    fGaveUp = true;
    return -1;
  }
  const size_t layer = fStates[size_t(from)].Layer;
  const TCandidate& file = fParts[layer][candidate];
  int next = -1;
  std::string bytes;
  const bool sized = layer == 0 || file.Size == fStates[size_t(from)].Walk->NextPartSize(layer);
  if (sized && (++fReads, fRead(file.Name, bytes))) {
    std::unique_ptr<TCabinetWalk> walk;
    if (layer == 0) {
      walk = TCabinetWalk::Start(bytes, fParts.size());
    } else if (bytes.size() == file.Size) {
      walk = std::make_unique<TCabinetWalk>(*fStates[size_t(from)].Walk);
      if (!walk->Take(bytes)) walk.reset();
    }
    if (walk) next = Intern(layer + 1, std::move(walk));
  }
  fStates[size_t(from)].Edges[candidate] = next;
  return next;
}

std::vector<std::string> TPartChoice::Offer(const std::vector<size_t>& picks) {
  std::vector<std::string> names;
  for (size_t i = 0; i < picks.size(); ++i) {
    fParts[i][picks[i]].Tried = true;
    names.push_back(fParts[i][picks[i]].Name);
  }
  fLast = picks;
  return names;
}

void TPartChoice::Joined() {
  for (size_t i = 0; i < fLast.size(); ++i) fParts[i][fLast[i]].Gone = true;
  fLast.clear();
}

std::vector<std::string> TPartChoice::Only() {
  std::vector<size_t> picks;
  bool fresh = false;
  for (const std::vector<TCandidate>& files : fParts) {
    size_t left = 0, pick = 0;
    for (size_t j = 0; j < files.size(); ++j)
      if (!files[j].Gone) {
        ++left;
        pick = j;
      }
    if (left != 1) return {};
    picks.push_back(pick);
    fresh = fresh || !files[pick].Tried;
  }
  return fresh ? Offer(picks) : std::vector<std::string>();
}

std::vector<std::string> TPartChoice::Next() {
  fLast.clear();
  if (fParts.empty() || fGaveUp) return {};
  if (fParts.size() == 1) {
    for (size_t j = 0; j < fParts[0].size(); ++j)
      if (!fParts[0][j].Gone && !fParts[0][j].Tried) return Offer({j});
    return {};
  }
  if (!fArrivalOrderDone) {
    std::vector<std::string> chosen = NextInArrivalOrder();
    if (!chosen.empty()) return chosen;
    // The search of all choices has the weighings of its own.
    fArrivalOrderDone = true;
    fGaveUp = false;
    fWeighings = 0;
  }
  return NextOfAll();
}

std::vector<std::string> TPartChoice::NextInArrivalOrder() {
  while (fNextFirst < fByArrival[0].size() && !fGaveUp) {
    const size_t first = fByArrival[0][fNextFirst++];
    if (fParts[0][first].Gone || fParts[0][first].Tried) continue;
    std::vector<size_t> picks{first};
    int state = Continue(0, first);
    for (size_t layer = 1; state >= 0 && !fGaveUp && layer < fParts.size(); ++layer) {
      // The earliest of the files that came with the part before or after it.
      const double after = fParts[layer - 1][picks.back()].Arrival;
      const std::vector<size_t>& order = fByArrival[layer];
      auto at = std::lower_bound(order.begin(), order.end(), after,
                                 [this, layer](size_t j, double time) { return fParts[layer][j].Arrival < time; });
      int next = -1;
      for (; at != order.end() && next < 0 && !fGaveUp; ++at) {
        if (fParts[layer][*at].Gone) continue;
        next = Continue(state, *at);
        if (next >= 0 && fStates[size_t(next)].Dead) next = -1;
        if (next >= 0) picks.push_back(*at);
      }
      state = next;
    }
    if (state >= 0 && !fGaveUp && fStates[size_t(state)].Walk->Whole()) return Offer(picks);
  }
  return {};
}

std::vector<std::string> TPartChoice::NextOfAll() {
  // Depth first through the parts, a state a step; a state found to lead nowhere (or to no
  // file not tried yet) is marked so and never walked again.
  struct TStep {
    int State;
    size_t Next = 0;     // the next candidate of the part after it
    bool Fresh = false;  // the files chosen up to it hold one not tried yet
  };
  std::vector<TStep> path{{0, 0, false}};
  std::vector<size_t> picks;
  while (!path.empty()) {
    TStep& step = path.back();
    TState& state = fStates[size_t(step.State)];
    const size_t layer = state.Layer;
    if (layer == fParts.size()) {
      if (!state.Walk->Whole()) state.Dead = true;
      else if (step.Fresh) return Offer(picks);
      else state.Exhausted = true;
    } else if (step.Next < fParts[layer].size()) {
      const size_t candidate = step.Next++;
      const TCandidate& file = fParts[layer][candidate];
      if (file.Gone) continue;
      const bool fresh = step.Fresh || !file.Tried;
      const int next = Continue(step.State, candidate);
      if (fGaveUp) return {};
      if (next < 0 || fStates[size_t(next)].Dead || (!fresh && fStates[size_t(next)].Exhausted)) continue;
      picks.push_back(candidate);
      path.push_back({next, 0, fresh});
      continue;
    } else if (step.Fresh) {
      state.Dead = true;
    } else {
      state.Exhausted = true;
    }
    path.pop_back();
    if (!picks.empty()) picks.pop_back();
  }
  return Only();
}
