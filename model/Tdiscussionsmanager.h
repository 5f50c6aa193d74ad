#pragma once
// The register of discussions and of the folders that hold them.
//
// Folder entries form a tree: entry 0 is the program's data folder, its children the roots
// of discussed and of created discussions ("Discussed", "Created"), and below them every
// folder found on the disk. A folder that holds a discussion's files is a discussion of
// the register; the scan does not look inside it.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "model/Tdiscussion.h"

#include <memory>
#include <string>
#include <vector>

// One folder entry.
struct TMonoGroup {
  int16_t Parent = -1;  // -1 for the root entry
  TStr Name;            // the folder's name; the full path for the root entry
};

inline constexpr const char* DiscussedFolderName = "Discussed";
inline constexpr const char* CreatedFolderName = "Created";

class TDiscussionsManager {
public:
  TDiscussionsManager();
  ~TDiscussionsManager();
  TDiscussionsManager(const TDiscussionsManager&) = delete;
  TDiscussionsManager& operator=(const TDiscussionsManager&) = delete;

  TArray<TMonoGroup> Folders;
  int16_t RootFolder = -1;
  int16_t DiscussedRoot = -1;
  int16_t CreatedRoot = -1;

  // Registers the folders and discussions under the data folder (its "Discussed" and
  // "Created" roots are created when missing). False (reported) when the roots cannot be
  // made.
  bool Init(const TStr& dataFolder);
  // Forgets every folder and discussion.
  void Clear();

  int GetDiscussionsCount() const { return int(Discussions.size()); }
  // Discussions keep their addresses while the manager lives.
  TDiscussion& GetDiscussion(int index) { return *Discussions[size_t(index)]; }

  // Adds a discussion in a new folder under a folder entry; with withRootBlock the root
  // block "*" is made and the discussion saved. -1 (reported) when the name is not a
  // plain folder name, the folder cannot be made or already holds a discussion.
  int CreateNewDiscussion(int16_t parentFolder, const TStr& folderName, bool withRootBlock, int flags);
  // Forgets the discussion just created, when it is the last one registered, with its
  // folder entry when that is the last one too (a creation that failed halfway). Its files
  // are not touched.
  void ForgetLastDiscussion(int index);
  // At start: reads the information of every discussion; a folder none of whose saves can
  // be read has its files moved aside (the user is told) and is kept as a plain folder, so
  // that the start goes on with the others.
  void SetAsideUnreadable();
  // Loads a discussion for the start, as SetAsideUnreadable treats a folder; false when it
  // was set aside and forgotten.
  bool LoadOrSetAside(int index);
  bool FolderHasDiscussion(const TStr& path) const;
  TStr GetFolderPath(int16_t folder) const;
  // The parent of a folder entry, the entry itself for the root.
  int16_t GetParentFolder(int16_t folder) const;
  int FindDiscussionByFolder(int16_t folder) const;
  // The only discussion with that model identifier; -1 when none, -2 when several.
  int FindDiscussionByMIdent(const TStr& mident);
  // The discussion with that identifier, reading only the information of each; when none
  // and showMessage is set the user is told, with the message tail, under the caption.
  int FindDiscussionByDIdent(const TStr& dident, bool showMessage, const TStr& messageTail, const TStr& caption);
  // Gives the discussion a new identifier that no other registered discussion has.
  TStr MakeUniqueDIdent(TDiscussion& discussion);
  // A new model identifier for the discussion's information.
  void GenerateMIdent(TDiscussion& discussion) { discussion.Info.GenerateMIdent(); }

private:
  std::vector<std::unique_ptr<TDiscussion>> Discussions;

  int16_t AddFolder(int16_t parent, const std::string& name);
  int AddDiscussion(int16_t folder);
  void ScanFolder(int16_t folder, int depth);
};

// The process-wide register, made by the start-up driver; null before.
TDiscussionsManager*& DiscussionsManager();
