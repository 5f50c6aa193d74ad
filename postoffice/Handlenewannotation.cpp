#include "postoffice/Commandhandlers.h"

#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tlogin.h"
#include "model/Messagecomposer.h"
#include "model/Modelhooks.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussionsmanager.h"
#include "postoffice/Advisedlist.h"
#include "postoffice/Tformnewannotation.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tpost.h"
#include "postoffice/Tpostadaptor.h"
#include "postoffice/Tpostfileshandler.h"

namespace {

std::string ManagerEMail() {
  TLoginsStorage* logins = ModelHooks().Logins;
  const int manager = logins ? logins->GetManagerLoginIndex() : -1;
  return manager < 0 ? std::string() : logins->GetLogin(manager).AutomaticEMail.ToString();
}

// Every GIVE_MODEL message waiting in the Outbox is packed for sending at once.
void PackModelRequests(TPostFilesHandler& run) {
  TPost& post = run.Post;
  post.Outbox.Refresh(post);
  TArray<int32_t> indices;
  for (uint32_t i = 0; i < post.Outbox.Files.Count(); ++i)
    if (post.Outbox.Files[i].Command == MessageCommand::GiveModel.Name && !post.Outbox.Files[i].Processed)
      indices.AddItem(int32_t(i));
  TPostFilesHandler packer(post);
  packer.PostPartSizeKB = run.PostPartSizeKB;
  packer.HandlePostFiles(post.Outbox, indices, true, nullptr,
                         "Handling " + post.Outbox.FolderName.ToString() + " GIVE_MODEL's");
}

}  // namespace

bool HandleCommand_NewAnnotation(TPostFilesHandler& run, const std::string& path) {
  constexpr const char* command = MessageCommand::NewAnnotation.Name;
  THandlerFrame frame("HandleCommand_NewAnnotation");
  if (!frame.Open(path, {command})) return false;
  const std::string dident = frame.Field("DIDENT");
  TDiscussionsManager* manager = DiscussionsManager();
  if (manager && manager->FindDiscussionByDIdent(TStr(dident), false, TStr(), TStr()) >= 0 &&
      ShowMessageBox(command, "The discussion with the same ident already exists.\nDo you want to continue anyway?", "",
                     "Yes|No", 0) != 0)
    return false;
  const std::string announcer = frame.Field("FROM_USER_EMAIL");
  const std::string privateReq = frame.Field("PRIVATE_REQ");
  const bool moderated = frame.Field("MODERATED") != "0";
  const std::string receiver = moderated ? frame.Field("MODERATOR_EMAIL") : announcer;

  bool request = false;
  {
    TFormNewAnnotation window(nullptr);
    if (!window.Execute(frame.Header, request)) return false;
  }
  if (!request) return true;
  // The request goes to one address of the announcement, or nowhere.
  if (!IsSingleMailbox(receiver)) {
    ShowMessageBox(command, "The announcement names no address to ask for the discussion (\"" + ShownText(receiver) +
                                "\").");
    return false;
  }
  TCommandMessageHeader header;
  if (!header.AddField("FROM_USER_EMAIL", ManagerEMail()) ||
      !header.AddCryptedField("TO_USERS_EMAILS_CRYPTED", receiver) ||
      !header.AddField("COMMAND", MessageCommand::GiveModel.Name) || !header.AddField("PRIVATE_REQ", privateReq) ||
      !header.AddField("COMPOSE_DATETIME", ComposeDateTimeText()) || !header.AddField("DIDENT", dident))
    return false;
  TPost& post = run.Post;
  const std::string name = post.Adaptor ? post.Adaptor->MakePostFileName(post, post.Outbox.FolderPath.ToString(),
                                                                         SafePostNamePart(frame.Field("MODEL_NICK")),
                                                                         MessageCommand::GiveModel.ShortCode)
                                        : std::string();
  frame.Close();
  if (name.empty() || !WriteCommandMessageTo(name, header, "Reply", 1)) return false;
  PackModelRequests(run);
  return true;
}
