#pragma once
// Which of the received files under one post's part names are its parts, chosen from the
// part numbers in their names and from their bytes alone. Anybody may send files under a
// post's foreseeable names, as many as they like; the choice costs work per file, never
// a bound that all senders share:
//   - a choice is offered only when it can be one whole cabinet: the first part's header
//     gives the cabinet's size, the parts are cut to one size (the last no larger), and
//     every data block of the cabinet holds its checksum, also the blocks cut between two
//     parts. A file is so checked against the parts before it, one part after another,
//     and files that continue no part are never combined;
//   - each choice offered holds a file that no choice offered before held, so that a file
//     that does not make a post costs at most one try, and a post whose parts all came is
//     among the choices offered however many other files came, as long as every part
//     ends a data block begun before it;
//   - parts that lie wholly inside one data block (parts smaller than a block) are checked
//     only together, when the block ends, so the choices of their files multiply. A post's
//     own parts come one after another: each file of the first part, the last to come
//     first, is tried first with the earliest files that came with it or after it and
//     continue it, part after part, so that files sent before the post cost a weighing or
//     two each. Beyond that, each file brings an allowance of weighings against the parts
//     before it, and a search that spent them all gives up, its set waiting, instead of
//     holding the run.
// A post of one part is each of its files alone. When each part has one file, that one
// choice is offered whatever its bytes, so that joining tells what is wrong with it.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TCabinetWalk;

class TPartChoice {
 public:
  struct TFile {
    std::string Name;
    uint64_t Size = 0;
    double Arrival = 0;  // when the file came: files of one time came together
  };
  // The bytes of a file, whole; false when it cannot be read.
  using TReader = std::function<bool(const std::string& name, std::string& bytes)>;

  // `parts[i]` holds the files that may be part i + 1, in the order they are to be tried.
  TPartChoice(const std::vector<std::vector<TFile>>& parts, TReader read);
  ~TPartChoice();
  TPartChoice(const TPartChoice&) = delete;
  TPartChoice& operator=(const TPartChoice&) = delete;

  // The next files to join, one a part in part order; empty when no choice is left.
  std::vector<std::string> Next();
  // The files of the last choice made the post: no later choice holds them.
  void Joined();
  // Files read so far, for the figures of the tests: a file is read once per part it
  // continues, never once per choice.
  uint64_t Reads() const { return fReads; }
  // The search spent the weighings its files brought and offers nothing more.
  bool GaveUp() const { return fGaveUp; }
  static constexpr uint64_t WeighingsPerFile = 256;

 private:
  struct TCandidate {
    std::string Name;
    uint64_t Size = 0;
    double Arrival = 0;
    bool Tried = false;  // held by a choice already offered
    bool Gone = false;   // joined into a post
  };
  // What the parts chosen so far leave to check: the cabinet's walk after `Layer` parts.
  struct TState {
    size_t Layer = 0;
    std::unique_ptr<TCabinetWalk> Walk;
    std::map<size_t, int> Edges;  // candidate of the next part -> state after it, -1: does not continue
    bool Dead = false;            // no choice of the parts after it makes a cabinet
    bool Exhausted = false;       // none that holds a file not tried yet
  };

  int Continue(int state, size_t candidate);
  int Intern(size_t layer, std::unique_ptr<TCabinetWalk> walk);
  std::vector<std::string> NextInArrivalOrder();
  std::vector<std::string> NextOfAll();
  std::vector<std::string> Offer(const std::vector<size_t>& picks);
  std::vector<std::string> Only();

  std::vector<std::vector<TCandidate>> fParts;
  TReader fRead;
  std::vector<TState> fStates;          // 0: before any part
  std::map<std::string, int> fStateOf;  // layer and walk -> state
  std::vector<size_t> fLast;            // the choice offered last
  uint64_t fReads = 0;
  // Each part's candidates in the order they came, and the first part's the last first.
  std::vector<std::vector<size_t>> fByArrival;
  size_t fNextFirst = 0;  // of the first part's, the next to try in arrival order
  bool fArrivalOrderDone = false;
  uint64_t fWeighings = 0, fAllowedWeighings = 0;
  bool fGaveUp = false;
};
