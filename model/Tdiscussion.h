#pragma once
// One discussion: a folder of files holding its four block storages, authors, reader
// properties, the user's state, themes and information.

#include "foundation/Tstr.h"
#include "model/Calculateformula.h"
#include "model/Modelhooks.h"
#include "model/Tauthor.h"
#include "model/Tdiscblockstorages.h"
#include "model/Tdiscussioninfo.h"
#include "model/Thyperrefblocks.h"
#include "model/Treaderproperty.h"
#include "model/Ttheme.h"
#include "model/Tundo.h"
#include "model/Tunlinkedblockinfo.h"
#include "model/Tuser.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TDiscussionsManager;
struct TDiscussionFileSet;
class TTextPool;
struct TRecipientsList;
struct TDiscussionStatistics;

class TDiscussion {
public:
  TDiscussion();
  ~TDiscussion();
  TDiscussion(const TDiscussion&) = delete;
  TDiscussion& operator=(const TDiscussion&) = delete;

  TStr Folder;                // full path of the discussion's folder, without a trailing '/'
  int16_t FolderIndex = -1;   // its entry in the manager's folders
  TDiscussionsManager* Manager = nullptr;
  uint8_t Loaded = 0;

  TDiscussionInfo Info;
  TDiscBlockStorages Storages;
  TAuthorsStorage Authors;
  TReaderProperties ReaderProperties;
  TUser User;
  TThemes Themes;
  TUnlinkedBlockInfos UnlinkedBlockInfos;
  THyperRefBlocks HyperRefBlocks;
  double LastSaveTime = 0;  // when the set was last loaded or saved (days, as Now)
  TUndo Undo;  // not stored: an unloaded discussion forgets its steps
  std::unique_ptr<TDiscussionGraph> Graph;  // while the browse window has built it

  const TStr& GetName() const { return Info.Name; }
  uint8_t IsCreating() const { return Info.Creating; }

  // Loads the discussion's files once; with infoOnly just the information record. The
  // newest sound set is taken; when a newer one is damaged or incomplete the user is told
  // which file and why, and its files are moved aside. With no sound set the discussion is
  // refused (reported, naming the file and why) and nothing of it is kept.
  bool Load(bool infoOnly = false);
  // Loads as Load does, for a start that must go on whatever one folder holds: when no set
  // can be read, the folder's files are moved into a sub-folder beside them, the user is
  // told which folder and where its files went, and false is returned with nothing
  // reported.
  bool LoadOrSetAside(bool infoOnly);
  // Writes the complete set of files (the ordinary save and the user's "Save database"
  // alike); a failure leaves the last saved set in place.
  bool Save();
  // The generation the next save gives the discussion's files.
  uint32_t NextSaveGeneration() const;
  // Drops the loaded content, keeping the entry and its information.
  void Unload();
  // Copies the last saved set into a new sub-folder of the backup folder named after the
  // model folder and the time, keeping at most maxCopies backups of this discussion
  // (0 = no limit).
  bool Backup(const TStr& backupFolder, int maxCopies);

  bool IsModerator() const;
  bool IsModelAuthor();
  bool IsLeader();
  bool IsLeaderLIdent(const TStr& lident);
  bool HasAuthorWithLIdent(const TStr& lident) const;
  // Index of the block's reader property; with create set one is made when missing. -1
  // when absent.
  int FindReaderProperty(TDiscBlockIndex block, bool create);
  // The model folder name, first set from the folder's name when empty.
  TStr GetModelFolderName();
  TStr GetCurrentLoginEMail() const;
  // A new author identity: ADIdent one above the largest in use, AGIdent a random
  // six-digit number, the login's e-mail as an upper-case identifier and "_AGP". False
  // (reported) when the 16-bit identifiers are used up.
  bool GenerateAuthorIdent(uint16_t& adident, TStr& agident);

  // The bytes a save writes into one file of the set (between its header and trailer);
  // files are numbered as TDiscussionFileSet::Names.
  std::string ComposeFile(int file) const;
  // Whether a folder holds a discussion's files (a saved set or its previous version).
  static bool FolderHoldsDiscussion(const TStr& folder);

  // Evaluates every formula again, conclusions fed by other conclusions after those (in
  // dependency order); the formula that computes a conclusion is the one the user chose
  // for it, else the first found. Changes are recorded for undo. Returns how many
  // formulas could not be evaluated, with their errors when asked.
  int CalculateFormulas(std::vector<TFormulaError>* errors = nullptr);
  // Counts the moderated comments by their authors' moderate types and tells the
  // moderation library.
  void UpdateModeratedCommentsCount();
  void CollectStatistics(TDiscussionStatistics& statistics) const;
  // Creates the current login's author record when missing and fills it from the same
  // author in another discussion.
  void AutoFillMyData();
  // Appends an address to the requesters of the block names (with an undo record).
  void AddExistingBlockNamesRequest(const TStr& address);
  // Re-checks the user's relations between blocks: relations to blocks that no longer
  // exist are dropped, the others find their blocks again.
  void RepairUserBlockRelations();

  // Composers of command messages into the Outbox (Messagecomposer.h): one sealed message
  // per receivers row. False (reported) when a message cannot be completed; the composer
  // then leaves no message behind.
  // AUTHORS_UPDATE with the data of one author (its ADIdent), of every author known by an
  // identifier (-1) or of those whose identifiers were given (-2); nothing when none.
  bool Reply(const TArray<TRecipientsList>& receivers, int author, int announce);
  // GIVE_EXISTING_BLOCKS_LIST to receivers the user chooses; false when cancelled.
  bool SendCommand_GiveExistingBlockNames();
  bool SendCommand_ExistingBlockNames(const TArray<TRecipientsList>& receivers);
  // FORM_NEW_MODEL with every model block; AGIDENT1 carries the text when it is not empty.
  bool SendCommand_CreateModel(const TArray<TRecipientsList>& receivers, const TStr& agident);
  // NEW_BLOCKS with every comment; nothing when there is none.
  bool SendCommand_NewBlocks_AllComments(const TArray<TRecipientsList>& receivers);
  // REQUESTED_BLOCKS with the named blocks (names joined by ";"), after the user agrees.
  bool SendCommand_RequestedBlocks(const TArray<TRecipientsList>& receivers, const TStr& blockNames);
  bool SendCommand_YourCommandIgnored(const TArray<TRecipientsList>& receivers, const TStr& ignoredCommand,
                                      const TStr& auxInfo, const TStr& comment);
  // The model, its authors and its comments to the persons who asked for the model.
  bool SendCommandsForNewModel();
  // The list of block names to the addresses waiting for it, which are then cleared.
  bool SendPendingExistingBlockNames();

  // Test seam: the save stops dead before its n-th file operation (1-based) as a crash
  // would, leaving whatever is on disk; 0 = off.
  static int CrashBeforeSaveStep;

private:
  uint32_t Generation = 0;  // of the set last saved, or the highest found when loading
  // Above every generation the folder's files hold and the one last saved here.
  uint32_t NextGeneration(const TDiscussionFileSet& set) const;
  // While loading: the references the blocks' texts hold, as read.
  std::vector<TNamedReference> Referring;

  void ClearContent();
  // Reads one complete generation of the set into a new discussion; null when a file of it
  // is damaged, the first such file and why then in path and fault.
  static std::unique_ptr<TDiscussion> ReadGeneration(TDiscussionFileSet& set, uint32_t generation, bool infoOnly,
                                                     std::string& path, std::string& fault);
  // Moves the files of a newer set that loading passed over aside and tells the user why
  // (the damaged file that stopped it, when one did), what was loaded instead and where
  // the files are; the errors log keeps the full reason `why`.
  static void SetAsideNewerFiles(const TDiscussionFileSet& set, const std::string& damaged, const std::string& why);
  // Moves every file of an unreadable folder aside and tells the user.
  static void SetAsideUnreadable(const TDiscussionFileSet& set, const std::string& damaged, const std::string& why);
  bool LoadSet(bool infoOnly, bool setAside);
  // Reads the files of the taken set into `into`, all at once: the first damaged file in
  // the set's order and why, or -1 when every file is sound and the links are found.
  static int ReadFiles(const TDiscussionFileSet& set, uint32_t generation, bool infoOnly, TDiscussion& into,
                       std::string& why);
  static std::string ParseFile(int file, TBufReader& r, TDiscussion& into, bool infoOnly, TTextPool& pool,
                               TReadTexts& texts);
  std::string ResolveLinks(uint8_t type);
  bool SaveFailed(const std::string& path);
  void CheckDuplicatedMIdent();
};
