#include "postoffice/Tpostoffice.h"

#include "foundation/Tbrowseglobal.h"
#include "model/Modelhooks.h"
#include "postoffice/Commandhandlers.h"
#include "postoffice/Tbrowsepostadaptor.h"
#include "postoffice/Tmoderatecaller.h"
#include "postoffice/Tpost.h"

TPostOffice::TPostOffice() = default;

TPostOffice::~TPostOffice() { Stop(); }

bool TPostOffice::Start() {
  fAdaptor = std::make_unique<TBrowsePostAdaptor>();
  fPost = std::make_unique<TPost>();
  fModerate = std::make_unique<TModerateCaller>();
  PostState() = fPost.get();
  ModerateCaller() = fModerate.get();
  RegisterPostFileNaming(*fPost);
  ModelHooks().WaitsInInbox = [post = fPost.get()](const TStr& dident, const std::string& command) {
    return post->Inbox.HasUnhandledPostFile(dident.View(), command);
  };
  RegisterModerationHooks();
  RegisterCommandHandlers();
  fPost->Init(TStr(), fAdaptor.get());
  fPost->SetCBSFileName(TBrowseGlobal::Paths.PostFilesFile);
  return fPost->Load();
}

void TPostOffice::Stop() {
  if (!fPost) return;
  fPost->Save();
  fModerate->ModerateClose();
  UnregisterCommandHandlers();
  TModelHooks& hooks = ModelHooks();
  hooks.PostFileName = nullptr;
  hooks.GetAuthorModerateType = nullptr;
  hooks.SetModeratedCommentsCount = nullptr;
  hooks.GetModeratedCommentsCount = nullptr;
  hooks.WaitsInInbox = nullptr;
  PostState() = nullptr;
  ModerateCaller() = nullptr;
  fModerate.reset();
  fPost.reset();
  fAdaptor.reset();
}
