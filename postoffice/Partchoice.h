#pragma once
// Which of the received files under one post's part names are the parts of which post.
// A post of several parts links its own (Packandsplit.h): every file under the first
// part's name that holds links is one list, and its parts are the files whose digests it
// names, whatever their names, marks or times. Each file is read once, and each list
// finds its parts in a map of digests: the cost grows with the files, never with their
// combinations, and a file one list names is never spent on another.
// Files that no list names may be a post of a sender that writes no links: when each part
// has exactly one such file, they are that post; junk under its names keeps it waiting.
// What was learnt of a file is kept while the program runs, so that files that wait cost a
// later run nothing but their listing; the files of a list about to be joined are read
// again, so that what was kept never decides a join.

#include "postoffice/Packandsplit.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

// The digests a first part links, in part order from part 2; false when the bytes begin
// no cabinet that links `count` parts.
bool ReadPostLinks(const std::string& first, uint64_t count, std::vector<TPartDigest>& links);

class TPartChoice {
 public:
  struct TFile {
    std::string Name;
    uint64_t Size = 0;
    double Time = 0;  // when it was last written
  };
  // The bytes of a file, whole; false when it cannot be read.
  using TReader = std::function<bool(const std::string& name, std::string& bytes)>;
  struct TList {
    std::string First;               // the file that holds the links: part 1
    std::vector<std::string> Parts;  // the file of each part, part 1 first; "" where none came
    bool Whole() const;
    std::string Missing() const;  // the numbers of the parts that did not come: "2,4"
  };

  // `parts[i]` holds the files under part i + 1's name, those to be preferred first. With
  // `folder`, what is learnt of its files is kept and used again for a file of the same
  // name, size and time: received files are never written again under their names.
  TPartChoice(const std::vector<std::vector<TFile>>& parts, const TReader& read, const std::string& folder = "");

  const std::vector<TList>& Lists() const { return fLists; }
  // A file some list names, its own first part included.
  bool Linked(const std::string& name) const { return fLinked.count(name) > 0; }
  // The files of a post without links, one a part, when each part has exactly one file
  // that is no list and that no list names; empty otherwise.
  const std::vector<std::string>& Unlinked() const { return fUnlinked; }
  // Bytes refused once are refused again: the reason an earlier run refused a post without
  // links whose files, read now, are byte for byte those of Unlinked(); null otherwise.
  const std::string* UnlinkedRefusedBefore() const;
  // The post without links could not be unpacked, for `reason`, which its bytes decide.
  void UnlinkedRefused(const std::string& reason) const;
  // The digest of a file read after the first part; null when it was not read.
  const TPartDigest* DigestOf(const std::string& name) const;
  // Files read, for the figures of the tests: each at most once.
  uint64_t Reads() const { return fReads; }
  // Whether the files of the lists that are whole, as read now, are what an earlier run
  // learnt of them: what was kept only saves reading, and a join rests on the bytes.
  bool WholeListsAsLearnt() const;
  // Forgets what was learnt of the files of `folder` not among `names`: a name that a
  // file left may come again with another file.
  static void KeepLearntOf(const std::string& folder, const std::set<std::string>& names);

 private:
  // What one reading of a file told: its digest and, of a first part, its links.
  struct TLearnt {
    uint64_t Size = 0;
    double Time = 0;
    bool Readable = false, List = false;
    TPartDigest Digest{};
    std::vector<TPartDigest> Links;
  };
  const TLearnt& Learn(const TFile& file, size_t count);
  static std::unordered_map<std::string, TLearnt>& Learnt();

  TReader fRead;
  std::string fFolder;
  TLearnt fFresh;  // what was learnt when nothing is kept
  std::vector<TList> fLists;
  std::set<std::string> fLinked;
  std::vector<std::string> fUnlinked;
  mutable std::string fUnlinkedBytes;  // the digests of the files of Unlinked(), read afresh
  const std::string& UnlinkedBytes() const;
  static std::unordered_map<std::string, std::string>& RefusedUnlinked();
  std::map<std::string, TPartDigest> fDigests;
  std::set<std::string> fKept;  // files whose digest an earlier run learnt
  uint64_t fReads = 0;
};
