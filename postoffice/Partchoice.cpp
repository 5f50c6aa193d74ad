#include "postoffice/Partchoice.h"

#include "platform/cab/Cabformat.h"

#include <cstring>

using namespace platform;

namespace {

// Most files whose learning is kept; beyond them it starts again.
constexpr size_t MaxLearntFiles = 200000;

}  // namespace

bool ReadPostLinks(const std::string& first, uint64_t count, std::vector<TPartDigest>& links) {
  links.clear();
  const uint64_t area = PostLinkAreaSize(count);
  if (area == 0 || first.size() < PostLinkAreaOffset + area) return false;
  const auto* head = reinterpret_cast<const uint8_t*>(first.data());
  if (std::memcmp(head, "MSCF", 4) != 0 || !(CabGet16(head + 30) & kCabFlagReserve) || CabGet16(head + 36) < area)
    return false;
  const uint8_t* at = head + PostLinkAreaOffset;
  if (std::memcmp(at, PostLinkTag, sizeof PostLinkTag) != 0 || CabGet32(at + sizeof PostLinkTag) != count) return false;
  at += sizeof PostLinkTag + 4;
  for (uint64_t i = 1; i < count; ++i, at += sizeof(TPartDigest)) {
    links.emplace_back();
    std::memcpy(links.back().data(), at, sizeof(TPartDigest));
  }
  return true;
}

bool TPartChoice::TList::Whole() const {
  for (const std::string& part : Parts)
    if (part.empty()) return false;
  return true;
}

std::string TPartChoice::TList::Missing() const {
  std::string missing;
  for (size_t i = 0; i < Parts.size() && missing.size() < 60; ++i)
    if (Parts[i].empty()) missing += (missing.empty() ? "" : ",") + std::to_string(i + 1);
  return missing;
}

std::unordered_map<std::string, TPartChoice::TLearnt>& TPartChoice::Learnt() {
  static std::unordered_map<std::string, TLearnt> learnt;
  return learnt;
}

void TPartChoice::KeepLearntOf(const std::string& folder, const std::set<std::string>& names) {
  std::erase_if(Learnt(), [&](const auto& entry) {
    return entry.first.starts_with(folder) && !names.count(entry.first.substr(folder.size()));
  });
}

const TPartChoice::TLearnt& TPartChoice::Learn(const TFile& file, size_t count) {
  auto& learnt = Learnt();
  TLearnt* known = &fFresh;
  if (!fFolder.empty()) {
    if (learnt.size() >= MaxLearntFiles) learnt.clear();
    known = &learnt[fFolder + file.Name];
    if (known->Readable && known->Size == file.Size && known->Time == file.Time) {
      fKept.insert(file.Name);
      return *known;
    }
  }
  *known = TLearnt();
  known->Size = file.Size;
  known->Time = file.Time;
  std::string bytes;
  ++fReads;
  known->Readable = fRead(file.Name, bytes);
  if (known->Readable) {
    known->Digest = PostPartDigest(bytes.data(), bytes.size());
    known->List = ReadPostLinks(bytes, count, known->Links);
  }
  return *known;
}

TPartChoice::TPartChoice(const std::vector<std::vector<TFile>>& parts, const TReader& read, const std::string& folder)
    : fRead(read), fFolder(folder) {
  if (parts.size() < 2) return;
  // Every file under the first part's name is read: those that link parts are lists.
  std::vector<std::string> plainFirsts;
  std::vector<std::vector<TPartDigest>> links;
  for (const TFile& file : parts[0]) {
    const TLearnt& known = Learn(file, parts.size());
    if (known.Readable) fDigests[file.Name] = known.Digest;
    if (known.List) {
      fLists.push_back({file.Name, {file.Name}});
      links.push_back(known.Links);
      fLinked.insert(file.Name);
    } else {
      plainFirsts.push_back(file.Name);
    }
  }
  // The other files are read only when a list may name them, each once, into one map.
  std::map<TPartDigest, std::string> byDigest;
  if (!fLists.empty())
    for (size_t i = 1; i < parts.size(); ++i)
      for (const TFile& file : parts[i]) {
        const TLearnt& known = Learn(file, 0);
        if (!known.Readable) continue;
        fDigests[file.Name] = known.Digest;
        byDigest.emplace(known.Digest, file.Name);  // the file to be preferred keeps its place
      }
  for (size_t l = 0; l < fLists.size(); ++l)
    for (const TPartDigest& digest : links[l]) {
      const auto found = byDigest.find(digest);
      fLists[l].Parts.push_back(found == byDigest.end() ? std::string() : found->second);
      if (found != byDigest.end()) fLinked.insert(found->second);
    }
  // Exact copies of what a list names are its, too: they make no other post.
  std::set<TPartDigest> linked;
  for (const std::string& name : fLinked)
    if (const TPartDigest* digest = DigestOf(name)) linked.insert(*digest);
  for (const auto& [name, digest] : fDigests)
    if (linked.count(digest)) fLinked.insert(name);
  // A post without links: a part's one file that no list names, for every part.
  if (plainFirsts.size() != 1) return;
  std::vector<std::string> chosen{plainFirsts[0]};
  for (size_t i = 1; i < parts.size(); ++i) {
    std::vector<std::string> free;
    for (const TFile& file : parts[i])
      if (!Linked(file.Name)) free.push_back(file.Name);
    if (free.size() != 1) return;
    chosen.push_back(free[0]);
  }
  fUnlinked = std::move(chosen);
}

const TPartDigest* TPartChoice::DigestOf(const std::string& name) const {
  const auto found = fDigests.find(name);
  return found == fDigests.end() ? nullptr : &found->second;
}

bool TPartChoice::WholeListsAsLearnt() const {
  for (const TList& list : fLists) {
    if (!list.Whole()) continue;
    for (const std::string& name : list.Parts) {
      if (!fKept.count(name)) continue;
      std::string bytes;
      if (!fRead(name, bytes) || PostPartDigest(bytes.data(), bytes.size()) != *DigestOf(name)) return false;
    }
  }
  return true;
}

std::unordered_map<std::string, std::string>& TPartChoice::RefusedUnlinked() {
  static std::unordered_map<std::string, std::string> refused;
  return refused;
}

const std::string& TPartChoice::UnlinkedBytes() const {
  if (!fUnlinkedBytes.empty()) return fUnlinkedBytes;
  std::string key;
  for (const std::string& name : fUnlinked) {
    std::string bytes;
    if (!fRead(name, bytes)) return fUnlinkedBytes;  // unread: nothing is known of it
    const TPartDigest digest = PostPartDigest(bytes.data(), bytes.size());
    key.append(reinterpret_cast<const char*>(digest.data()), digest.size());
  }
  return fUnlinkedBytes = std::move(key);
}

const std::string* TPartChoice::UnlinkedRefusedBefore() const {
  if (fUnlinked.empty() || UnlinkedBytes().empty()) return nullptr;
  const auto found = RefusedUnlinked().find(fUnlinkedBytes);
  return found == RefusedUnlinked().end() ? nullptr : &found->second;
}

void TPartChoice::UnlinkedRefused(const std::string& reason) const {
  if (fUnlinked.empty() || UnlinkedBytes().empty()) return;
  if (RefusedUnlinked().size() >= MaxLearntFiles) RefusedUnlinked().clear();
  RefusedUnlinked()[fUnlinkedBytes] = reason;
}
