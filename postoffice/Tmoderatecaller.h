#pragma once
// The one gate to the suite's moderation library ("Leafguard.dll"), loaded on first need
// and only for a user who may moderate. Every call answers a status byte: 1 means not
// done, which is also the answer whenever moderation is not available; queries answer 2
// with valid out values; the two handler entries answer 3 to leave a message unhandled.
//
// Entry points of the library (C linkage, texts as pointers to TStr, status uint8_t):
//   ModerateInit(TUtilityGlobal*, application, TArray<TStr>* issued names, uint8_t debug run)
//   ModerateClose()
//   HandleCommand_RegistrateModel(const TStr* message path)
//   HandleCommand_GenerateAuthorIdents(const TStr* message path, uint16_t* ADIdent, TStr* AGIdent text)
//   GetModeratedCommentsCountByDIdent(const TStr* dident, int32_t* trustworthy, int32_t* doubtful)
//   UpdateModeratedCommentsCountByDIdent(const TStr* dident, int32_t trustworthy, int32_t doubtful)
//   GetAuthorModerateType(const TStr* dident, int32_t ADIdent, int32_t* moderate type)
//   SetAuthorModerateType(const TStr* dident, uint16_t ADIdent, uint8_t moderate type)
//   MakeDiscussionPrivatePublic(const TStr* dident, uint8_t private, TStr* access text)
//   GetEditSpammersList(TStr* spammers, one "address comment" a line)

#include <cstdint>
#include <string>

class TLogin;

// Right n of the login; the manager login always holds the moderate right (3).
bool HasUserRight(const TLogin& login, int right);

// The library loaded when the caller names none: the one delivered to the suite's root
// folder, else the one beside the program.
std::string ModerationLibraryFile();
// Moderation is in use when its library is at hand; the browser's moderation switch is
// on for a login with the moderate right while it is.
bool IsModerationInUse();

class TModerateCaller {
 public:
  // The library's file. When empty: ModerationLibraryFile().
  explicit TModerateCaller(std::string libraryPath = std::string());
  ~TModerateCaller();
  TModerateCaller(const TModerateCaller&) = delete;
  TModerateCaller& operator=(const TModerateCaller&) = delete;

  // Loads and starts the library when moderation is on and the current login may
  // moderate; false otherwise.
  bool ModerateInit();
  // Tells the library to close and frees it.
  void ModerateClose();
  bool IsLoaded() const { return fModule != nullptr; }

  uint8_t HandleCommand_RegistrateModel(const std::string& path);
  uint8_t HandleCommand_GenerateAuthorIdents(const std::string& path, uint16_t& adident, std::string& agident);
  uint8_t GetModeratedCommentsCountByDIdent(const std::string& dident, int32_t& trustworthy, int32_t& doubtful);
  uint8_t UpdateModeratedCommentsCountByDIdent(const std::string& dident, int32_t trustworthy, int32_t doubtful);
  uint8_t GetAuthorModerateType(const std::string& dident, uint16_t adident, int32_t& moderateType);
  uint8_t SetAuthorModerateType(const std::string& dident, uint16_t adident, uint8_t moderateType);
  uint8_t MakeDiscussionPrivatePublic(const std::string& dident, bool makePrivate, std::string& accessText);
  uint8_t GetEditSpammersList(std::string& spammers);
  // The same entry without a result buffer: the library shows its own editor of the list.
  uint8_t EditSpammersList();

 private:
  // The entry of that name, resolved once; null when moderation is unavailable.
  void* Entry(int slot, const char* name);

  std::string fLibraryPath;
  void* fModule = nullptr;
  bool fLoadFailed = false;  // told once; not tried again in this run
  void* fEntries[10] = {};
  bool fResolved[10] = {};
};

// The process-wide caller, made at start-up; null before.
TModerateCaller*& ModerateCaller();

// Lends the moderation library's answers to the discussion model (authors' moderate
// types, counts of moderated comments).
void RegisterModerationHooks();
