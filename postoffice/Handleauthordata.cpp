#include "postoffice/Commandhandlers.h"

#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussion.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tpostfileshandler.h"

#include <algorithm>
#include <vector>

namespace {

// Stores decoded data into the author, with the change recorded; whether it changed.
bool StoreAuthor(TDiscussion& d, int index, const std::string& data) {
  TAuthor& author = d.Authors.Author(index);
  const TAuthor old = author;
  author.DecodeAuthorDataStr(data);
  if (author == old) return false;
  author.IdentsGiven = 1;
  d.Undo.AddAuthorChanges(d, index, old);
  return true;
}

}  // namespace

bool HandleCommand_AuthorsUpdate(TPostFilesHandler& run, const std::string& path) {
  constexpr const char* command = MessageCommand::AuthorsUpdate.Name;
  THandlerFrame frame("HandleCommand_AuthorsUpdate");
  if (!frame.Open(path, {command})) return false;
  const TStr sender(frame.Field("SENDER_LIDENT"));
  const std::string countText = frame.Field("AUTHORS_COUNT");
  int count = 0;
  if (!ParseDecimal(countText, count, 0x7FFFFFFF)) {
    TError::Report(frame.Who + " - ошибка целого числа (" + ShownText(countText) + ")");
    return false;
  }
  TDiscussion* d = FindMessageDiscussion(frame.Field("DIDENT"), command);
  if (!d) return false;
  const bool leader = d->IsLeader();
  if (leader ? !IsFromAuthor(frame, *d) : !IsFromLeader(frame, *d))
    return RefuseSender(frame, *d, leader ? "one of its authors" : "its leader");
  if (const std::string refusal = OlderSwitchRefusal(frame, *d); !refusal.empty()) {
    run.RefuseMessage(refusal);
    return false;
  }

  // Every item is decoded and checked before any author changes.
  std::vector<std::string> items;
  for (int i = 1; i <= count && size_t(i) <= MaxHeaderFields; ++i) {
    const std::string data = frame.Field("AUTHOR_DATA_" + std::to_string(i));
    if (data.empty()) break;
    TAuthor scratch;
    if (!scratch.DecodeAuthorDataStr(data) || scratch.ADIdent == NoADIdent) {
      TError::Report(frame.Who + " - ошибка формата файла " + path);
      return false;
    }
    // Another LIdent may not be taken over: an author keeps the identity it has.
    const int byADIdent = d->Authors.FindAuthorByADIdent(scratch.ADIdent);
    const int byLIdent = d->Authors.FindAuthorByLIdent(scratch.LIdent);
    const bool stranger = byLIdent >= 0 && byLIdent != byADIdent;
    const bool renamed = byADIdent >= 0 && !d->Authors.Author(byADIdent).LIdent.IsEmpty() &&
                         !(d->Authors.Author(byADIdent).LIdent == scratch.LIdent);
    // The leader takes from an author that author's own data only.
    if (stranger || renamed || (leader && !(scratch.LIdent == sender)))
      return RefuseSender(frame, *d, "the author whose data it changes");
    items.push_back(data);
  }
  for (const std::string& data : items) {
    TAuthor scratch;
    scratch.DecodeAuthorDataStr(data);
    const int index = d->Authors.FindAuthorByADIdent(*d, scratch.ADIdent, true);
    if (index < 0) return false;
    StoreAuthor(*d, index, data);
  }
  KeepAppliedSwitch(frame, *d);
  return true;
}

namespace {

// What a GENERATE_AUTHOR_IDENTS message asks of this installation's copy of its discussion:
// the requesting author's data and the record that takes it (-1: a new one).
struct TIdentsRequest {
  TDiscussion* Discussion = nullptr;
  std::string Data;
  TStr LIdent;  // the author's, from its data
  int Index = -1;
};

bool ReadIdentsRequest(THandlerFrame& frame, const std::string& path, TIdentsRequest& request) {
  if (!frame.Open(path, {MessageCommand::GenerateAuthorIdents.Name})) return false;
  request.Discussion = FindMessageDiscussion(frame.Field("DIDENT"), MessageCommand::AuthorsUpdate.Name);
  if (!request.Discussion) return false;
  request.Data = frame.Field("AUTHOR_DATA");
  TAuthor scratch;
  if (!scratch.DecodeAuthorDataStr(request.Data)) {
    TError::Report(frame.Who + " - ошибка формата файла " + path);
    return false;
  }
  request.LIdent = scratch.LIdent;
  const TAuthorsStorage& authors = request.Discussion->Authors;
  request.Index = authors.FindAuthorByLIdent(scratch.LIdent);
  if (request.Index < 0) {
    request.Index = authors.FindAuthorByAutomaticEMail(scratch.AutomaticEMail);
    if (request.Index >= 0 && !authors.Author(request.Index).LIdent.IsEmpty() &&
        !(authors.Author(request.Index).LIdent == scratch.LIdent))
      request.Index = -1;
  }
  return true;
}

// No other author of the discussion holds that identifier.
bool IsFreeFor(const TIdentsRequest& request, uint16_t adident) {
  const int holder = request.Discussion->Authors.FindAuthorByADIdent(adident);
  return adident != NoADIdent && (holder < 0 || holder == request.Index);
}

}  // namespace

bool FreeAuthorIdent(const std::string& path, uint16_t& adident) {
  THandlerFrame frame("FreeAuthorIdent");
  TIdentsRequest request;
  if (!ReadIdentsRequest(frame, path, request)) return false;
  const TAuthorsStorage& authors = request.Discussion->Authors;
  // An author keeps the number its comments carry.
  if (request.Index >= 0 && authors.Author(request.Index).ADIdent != NoADIdent) {
    adident = authors.Author(request.Index).ADIdent;
    return true;
  }
  if (IsFreeFor(request, adident)) return true;
  const int highest = std::max(0, authors.GetMaxADIdent());
  if (highest + 1 >= NoADIdent) {
    TError::Report(frame.Who + " - список авторов заполнен");
    return false;
  }
  adident = uint16_t(highest + 1);
  return true;
}

bool RefreshAuthorData(TPostFilesHandler&, const std::string& path, uint16_t adident, const std::string& agident) {
  THandlerFrame frame("RefreshAuthorData");
  TIdentsRequest request;
  if (!ReadIdentsRequest(frame, path, request)) return false;
  if (adident == NoADIdent) {
    TError::Report(frame.Who + " - ошибка формата файла " + path);
    return false;
  }
  // The identifier the library gave must not be another author's.
  if (!IsFreeFor(request, adident)) {
    TError::Report(frame.Who + " - идентификатор автора " + std::to_string(adident) + " уже занят");
    return false;
  }
  TDiscussion* d = request.Discussion;
  int index = request.Index;
  if (index < 0) index = d->Authors.CreateAuthor(*d, request.LIdent, -1, 1);
  if (index < 0) return false;
  TAuthor& author = d->Authors.Author(index);
  const TAuthor old = author;
  author.DecodeAuthorDataStr(request.Data);
  author.AGIdent = agident;
  author.ADIdent = adident;
  author.IdentsGiven = 1;
  author.Subscriber = 1;
  d->Undo.AddAuthorChanges(*d, index, old);
  return true;
}
