#include "postoffice/Commandhandlers.h"

#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "model/Tdiscussion.h"
#include "postoffice/Thandlerframe.h"

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

bool HandleCommand_AuthorsUpdate(TPostFilesHandler&, const std::string& path) {
  constexpr const char* command = "AUTHORS_UPDATE";
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
  if (leader ? !d->HasAuthorWithLIdent(sender) : !d->IsLeaderLIdent(sender)) return ShowVerifyingError();

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
    if (stranger || renamed || (leader && !(scratch.LIdent == sender))) return ShowVerifyingError();
    items.push_back(data);
  }
  for (const std::string& data : items) {
    TAuthor scratch;
    scratch.DecodeAuthorDataStr(data);
    const int index = d->Authors.FindAuthorByADIdent(*d, scratch.ADIdent, true);
    if (index < 0) return false;
    StoreAuthor(*d, index, data);
  }
  return true;
}

bool RefreshAuthorData(TPostFilesHandler&, const std::string& path, uint16_t adident, const std::string& agident) {
  THandlerFrame frame("RefreshAuthorData");
  if (!frame.Open(path, {"GENERATE_AUTHOR_IDENTS"})) return false;
  TDiscussion* d = FindMessageDiscussion(frame.Field("DIDENT"), "AUTHORS_UPDATE");
  if (!d) return false;
  const std::string data = frame.Field("AUTHOR_DATA");
  TAuthor scratch;
  if (!scratch.DecodeAuthorDataStr(data) || adident == NoADIdent) {
    TError::Report(frame.Who + " - ошибка формата файла " + path);
    return false;
  }
  int index = d->Authors.FindAuthorByLIdent(scratch.LIdent);
  if (index < 0) {
    index = d->Authors.FindAuthorByAutomaticEMail(scratch.AutomaticEMail);
    if (index >= 0 && !d->Authors.Author(index).LIdent.IsEmpty() &&
        !(d->Authors.Author(index).LIdent == scratch.LIdent))
      index = -1;
  }
  // The identifier the library gave must not be another author's.
  const int holder = d->Authors.FindAuthorByADIdent(adident);
  if (holder >= 0 && holder != index) {
    TError::Report(frame.Who + " - идентификатор автора " + std::to_string(adident) + " уже занят");
    return false;
  }
  if (index < 0) index = d->Authors.CreateAuthor(*d, scratch.LIdent, -1, 1);
  if (index < 0) return false;
  TAuthor& author = d->Authors.Author(index);
  const TAuthor old = author;
  author.DecodeAuthorDataStr(data);
  author.AGIdent = agident;
  author.ADIdent = adident;
  author.IdentsGiven = 1;
  author.Subscriber = 1;
  d->Undo.AddAuthorChanges(*d, index, old);
  return true;
}
