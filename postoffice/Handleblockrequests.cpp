#include "postoffice/Commandhandlers.h"

#include "foundation/Terror.h"
#include "model/Postcommandnames.h"
#include "model/Tcommandmessage.h"
#include "model/Tdiscussion.h"
#include "postoffice/Advisedlist.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tpostfileshandler.h"

namespace {

// A closed discussion serves its own authors only, each known by its pinned key.
bool IsRefusedStranger(TDiscussion& d, const THandlerFrame& frame) {
  return (d.Info.Secret || d.Info.SubscribersOnly) && !IsFromAuthor(frame, d);
}

}  // namespace

bool HandleCommand_GiveBlocks(TPostFilesHandler&, const std::string& path) {
  constexpr const char* command = MessageCommand::GiveBlocks.Name;
  THandlerFrame frame("HandleCommand_GiveBlocks");
  if (!frame.Open(path, {command})) return false;
  const std::string address = frame.Field("FROM_USER_EMAIL");
  if (!IsSoundAddress(address)) {
    TError::Report(frame.Who + " - ошибка формата файла " + path);
    return false;
  }
  TDiscussion* d = FindMessageDiscussion(frame.Field("DIDENT"), command);
  if (!d) return false;
  if (IsRefusedStranger(*d, frame)) return true;
  return d->SendCommand_RequestedBlocks(MakeRecipientsList(address), TStr(frame.Field("BLOCK_NAMES")));
}

bool HandleCommand_GiveExistingBlockNames(TPostFilesHandler& run, const std::string& path) {
  constexpr const char* command = MessageCommand::GiveExistingBlocksList.Name;
  THandlerFrame frame("HandleCommand_GiveExistingBlockNames");
  if (!frame.Open(path, {command})) return false;
  const std::string address = frame.Field("FROM_USER_EMAIL");
  const std::string dident = frame.Field("DIDENT");
  if (!IsSoundAddress(address)) {
    TError::Report(frame.Who + " - ошибка формата файла " + path);
    return false;
  }
  TDiscussion* d = FindMessageDiscussion(dident, command);
  if (!d) return false;
  if (IsRefusedStranger(*d, frame)) return true;
  // An address waits once.
  if (!IsListedAddress(d->Info.BlockNamesRequesters.View(), address)) {
    if (d->Info.BlockNamesRequesters.Length() + address.size() + 2 > MaxListText) {
      TError::Report(frame.Who + " - список запросивших имена блоков переполнен");
      return false;
    }
    d->AddExistingBlockNamesRequest(TStr(address));
  }
  run.BlockNameRequests.AddItem(TStr(dident));
  return true;
}
