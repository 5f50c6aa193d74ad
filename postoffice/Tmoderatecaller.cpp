#include "postoffice/Tmoderatecaller.h"

#include "foundation/Fileroutines.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "foundation/Tlogin.h"
#include "foundation/Tstr.h"
#include "foundation/Tutilityglobal.h"
#include "model/Modelhooks.h"
#include "platform/forms/Tapplication.h"
#include "platform/kernel/Fileapi.h"
#include "platform/kernel/Library.h"
#include "postoffice/Libraryservices.h"
#include "postoffice/Tpost.h"

namespace {

enum Slot {
  Slot_Close,
  Slot_RegistrateModel,
  Slot_GenerateAuthorIdents,
  Slot_GetCounts,
  Slot_UpdateCounts,
  Slot_GetModerateType,
  Slot_SetModerateType,
  Slot_PrivatePublic,
  Slot_Spammers,
};

using TInit = uint8_t (*)(TUtilityGlobal*, void*, TArray<TStr>*, uint8_t);
using TClose = uint8_t (*)();
using TRegistrateModel = uint8_t (*)(const TStr*);
using TGenerateAuthorIdents = uint8_t (*)(const TStr*, uint16_t*, TStr*);
using TGetCounts = uint8_t (*)(const TStr*, int32_t*, int32_t*);
using TUpdateCounts = uint8_t (*)(const TStr*, int32_t, int32_t);
using TGetModerateType = uint8_t (*)(const TStr*, int32_t, int32_t*);
using TSetModerateType = uint8_t (*)(const TStr*, uint16_t, uint8_t);
using TPrivatePublic = uint8_t (*)(const TStr*, uint8_t, TStr*);
using TSpammers = uint8_t (*)(TStr*);

template <class F>
F As(void* entry) {
  return reinterpret_cast<F>(entry);
}

}  // namespace

bool HasUserRight(const TLogin& login, int right) {
  return login.HasRight(right) || (right == TLogin::ModerateRight && login.Ident == TLogin::ManagerIdent);
}

std::string ModerationLibraryFile() {
  // A library delivered to the suite's root folder takes the place of the one that came
  // with the program.
  const std::string& delivered = TBrowseGlobal::Paths.ModerationLibrary;
  return IsFileExists(platform::LibraryFilePath(delivered)) ? delivered : std::string("Leafguard.dll");
}

bool IsModerationInUse() { return IsFileExists(platform::LibraryFilePath(ModerationLibraryFile())); }

TModerateCaller::TModerateCaller(std::string libraryPath) : fLibraryPath(std::move(libraryPath)) {}

TModerateCaller::~TModerateCaller() { ModerateClose(); }

bool TModerateCaller::ModerateInit() {
  if (!TBrowseGlobal::Moderation) return false;
  TLoginsStorage* logins = ModelHooks().Logins;
  TLogin* login = logins ? logins->GetCurrentLogin() : nullptr;
  if (!login || !HasUserRight(*login, TLogin::ModerateRight)) return false;
  if (fModule) return true;
  if (fLoadFailed) return false;
  const std::string path = fLibraryPath.empty() ? ModerationLibraryFile() : fLibraryPath;
  fModule = LoadLibraryA(path.c_str());
  if (!fModule) {
    // Told once; moderation then stays unavailable for this run.
    fLoadFailed = true;
    const std::string text = "Can't load moderation library " + path + ".\n" + platform::ErrorText(GetLastError());
    TError::AppendToLog(text);
    ShowMessageBox("MODERATION LIBRARY", text);
    return false;
  }
  auto init = As<TInit>(GetProcAddress(fModule, "ModerateInit"));
  if (!init) return false;
  TPost* post = PostState();
  TUtilityGlobal* utility = TUtilityGlobal::Current();
  if (utility) utility->Services = &LibraryServices();
  init(utility, Application, post ? &post->IssuedNames : nullptr, TBrowseGlobal::DebugRun);
  return true;
}

void TModerateCaller::ModerateClose() {
  if (!fModule) return;
  auto close = As<TClose>(GetProcAddress(fModule, "ModerateClose"));
  if (!close) return;
  close();
  if (FreeLibrary(fModule)) {
    fModule = nullptr;
    for (int i = 0; i < 10; ++i) {
      fEntries[i] = nullptr;
      fResolved[i] = false;
    }
  }
}

void* TModerateCaller::Entry(int slot, const char* name) {
  if (!ModerateInit()) return nullptr;
  if (!fResolved[slot]) {
    fEntries[slot] = GetProcAddress(fModule, name);
    fResolved[slot] = true;
  }
  return fEntries[slot];
}

uint8_t TModerateCaller::HandleCommand_RegistrateModel(const std::string& path) {
  auto entry = As<TRegistrateModel>(Entry(Slot_RegistrateModel, "HandleCommand_RegistrateModel"));
  if (!entry) return ModerationCall_NotDone;
  const TStr file(path);
  return entry(&file);
}

uint8_t TModerateCaller::HandleCommand_GenerateAuthorIdents(const std::string& path, uint16_t& adident,
                                                            std::string& agident) {
  auto entry = As<TGenerateAuthorIdents>(Entry(Slot_GenerateAuthorIdents, "HandleCommand_GenerateAuthorIdents"));
  if (!entry) return ModerationCall_NotDone;
  const TStr file(path);
  TStr text(agident);
  const uint8_t status = entry(&file, &adident, &text);
  agident = text.ToString();
  return status;
}

uint8_t TModerateCaller::GetModeratedCommentsCountByDIdent(const std::string& dident, int32_t& trustworthy,
                                                           int32_t& doubtful) {
  auto entry = As<TGetCounts>(Entry(Slot_GetCounts, "GetModeratedCommentsCountByDIdent"));
  if (!entry) return ModerationCall_NotDone;
  const TStr ident(dident);
  return entry(&ident, &trustworthy, &doubtful);
}

uint8_t TModerateCaller::UpdateModeratedCommentsCountByDIdent(const std::string& dident, int32_t trustworthy,
                                                              int32_t doubtful) {
  auto entry = As<TUpdateCounts>(Entry(Slot_UpdateCounts, "UpdateModeratedCommentsCountByDIdent"));
  if (!entry) return ModerationCall_NotDone;
  const TStr ident(dident);
  return entry(&ident, trustworthy, doubtful);
}

uint8_t TModerateCaller::GetAuthorModerateType(const std::string& dident, uint16_t adident, int32_t& moderateType) {
  auto entry = As<TGetModerateType>(Entry(Slot_GetModerateType, "GetAuthorModerateType"));
  if (!entry) return ModerationCall_NotDone;
  const TStr ident(dident);
  return entry(&ident, adident, &moderateType);
}

uint8_t TModerateCaller::SetAuthorModerateType(const std::string& dident, uint16_t adident, uint8_t moderateType) {
  auto entry = As<TSetModerateType>(Entry(Slot_SetModerateType, "SetAuthorModerateType"));
  if (!entry) return ModerationCall_NotDone;
  const TStr ident(dident);
  return entry(&ident, adident, moderateType);
}

uint8_t TModerateCaller::MakeDiscussionPrivatePublic(const std::string& dident, bool makePrivate,
                                                     std::string& accessText) {
  auto entry = As<TPrivatePublic>(Entry(Slot_PrivatePublic, "MakeDiscussionPrivatePublic"));
  if (!entry) return ModerationCall_NotDone;
  const TStr ident(dident);
  TStr text(accessText);
  const uint8_t status = entry(&ident, makePrivate ? 1 : 0, &text);
  accessText = text.ToString();
  return status;
}

uint8_t TModerateCaller::GetEditSpammersList(std::string& spammers) {
  auto entry = As<TSpammers>(Entry(Slot_Spammers, "GetEditSpammersList"));
  if (!entry) return ModerationCall_NotDone;
  TStr text(spammers);
  const uint8_t status = entry(&text);
  spammers = text.ToString();
  return status;
}

uint8_t TModerateCaller::EditSpammersList() {
  auto entry = As<TSpammers>(Entry(Slot_Spammers, "GetEditSpammersList"));
  return entry ? entry(nullptr) : uint8_t(ModerationCall_NotDone);
}

TModerateCaller*& ModerateCaller() {
  static TModerateCaller* caller = nullptr;
  return caller;
}

void RegisterModerationHooks() {
  TModelHooks& hooks = ModelHooks();
  hooks.GetAuthorModerateType = [](const TStr& dident, uint16_t adident, int& moderateType) {
    TModerateCaller* caller = ModerateCaller();
    if (!caller) return int(ModerationCall_NotDone);
    int32_t type = moderateType;
    const uint8_t status = caller->GetAuthorModerateType(dident.ToString(), adident, type);
    if (status == ModerationCall_Done) moderateType = type;
    return int(status);
  };
  hooks.GetModeratedCommentsCount = [](const TStr& dident, int32_t& trustworthy, int32_t& doubtful) {
    TModerateCaller* caller = ModerateCaller();
    if (!caller) return int(ModerationCall_NotDone);
    return int(caller->GetModeratedCommentsCountByDIdent(dident.ToString(), trustworthy, doubtful));
  };
  hooks.SetModeratedCommentsCount = [](const TStr& dident, int trustworthy, int doubtful, int) {
    if (TModerateCaller* caller = ModerateCaller())
      caller->UpdateModeratedCommentsCountByDIdent(dident.ToString(), trustworthy, doubtful);
  };
}
