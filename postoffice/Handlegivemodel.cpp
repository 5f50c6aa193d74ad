#include "postoffice/Commandhandlers.h"

#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "foundation/Textroutines.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussion.h"
#include "platform/rtl/Strutil.h"
#include "postoffice/Advisedlist.h"
#include "postoffice/Appliedmessages.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tpost.h"
#include "postoffice/Tpostfileshandler.h"

namespace {

constexpr const char* Command = MessageCommand::GiveModel.Name;

}  // namespace

bool HandleCommand_GiveModel(TPostFilesHandler& run, const std::string& path) {
  THandlerFrame frame("HandleCommand_GiveModel");
  if (!frame.Open(path, {Command})) return false;
  const std::string address = frame.Field("FROM_USER_EMAIL");
  const std::string dident = frame.Field("DIDENT");
  const std::string lident = frame.Field("SENDER_LIDENT");
  // Whatever is recorded must be one address and one identifier.
  if (!IsSoundAddress(address) || lident.empty()) {
    TError::Report(frame.Who + " - ошибка формата файла " + path);
    return false;
  }
  TDiscussion* discussion = FindMessageDiscussion(dident, Command);
  if (!discussion) return false;
  // A flood of requests is refused past a bound, before it fills the lists that a later
  // newcomer needs; the leader reads the refusals in the run's summary.
  TArray<TStr> pending;
  SplitToStrArray(discussion->Info.ModelRequesters.View(), "; ", pending);
  if (pending.Count() >= MaxModelRequesters && !IsListedAddress(discussion->Info.ModelRequesters.View(), address)) {
    run.RefuseMessage(std::to_string(MaxModelRequesters) + " requests for the model of " +
                      ShownText(discussion->GetName().View()) + " wait for an answer already; the request of " +
                      address + " is refused.");
    return false;
  }

  if (discussion->Authors.FindAuthorByAutomaticEMail(TStr(address)) < 0) {
    const std::optional<std::string> advised = AdvisedComment(run.Post, address);
    const std::string comment = advised.value_or("");
    // One request a key each run, and a bounded number from strangers: a flood under many
    // names or keys leaves room for the requests of the runs after it.
    const std::string what =
        "The GIVE_MODEL message of " + address + " for the model of " + ShownText(discussion->GetName().View());
    const TPublicKey& key = frame.Signer.PublicKey;
    if (!run.RequestKeys.insert(dident + std::string(key.begin(), key.end())).second)
      return RefuseReceivedMessage(what +
                                   " is signed with the key of another request taken in this run: one "
                                   "request a key each run. Nothing changed.");
    if (!advised && ++run.StrangerRequests > MaxStrangerRequestsPerRun)
      return RefuseReceivedMessage(what + " came after " + std::to_string(MaxStrangerRequestsPerRun) +
                                   " requests of people this installation does not know in this run; it is "
                                   "refused, and a request sent again is taken in a later run.");
    if (!advised) {
      const TDiscussionInfo& info = discussion->Info;
      if (info.Secret || info.SubscribersOnly) {
        if (ShowMessageBox(Command, "Non-advised person " + address + " requests the Discussion. Post it to him/her?",
                           "", "Yes|No", 0) != 0) {
          TApplyingScope::Declined();
          return discussion->SendCommand_YourCommandIgnored(MakeRecipientsList(address), TStr(Command), TStr(),
                                                            TStr());
        }
      }
      if (!AddToAdvisedList(run.Post, address)) {
        TError::Report(frame.Who + " - список адресатов переполнен");
        return false;
      }
    }
    const int author = discussion->Authors.FindAuthorByLIdent(TStr(lident));
    if (author < 0) {
      discussion->Info.AddOrUpdatePerson(TStr(lident), TStr(address), TStr(comment));
    } else {
      discussion->Authors.Author(author).AutomaticEMail = address;
      discussion->Authors.Author(author).LastName = comment;
    }
  }

  TStr& requesters = discussion->Info.ModelRequesters;
  if (!IsListedAddress(requesters.View(), address)) {
    if (requesters.Length() + address.size() + 2 > MaxListText) {
      TError::Report(frame.Who + " - список запросивших модель переполнен");
      return false;
    }
    discussion->Undo.AddStrFieldChange(UndoObject_InfoRequesters, InfoField_ModelRequesters, requesters);
    if (!requesters.IsEmpty()) requesters += "; ";
    requesters += address;
  }
  run.ModelRequests.AddItem(TStr(dident));
  return true;
}
