#include "model/Tauthor.h"

#include "foundation/Storedfields.h"
#include "foundation/Terror.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"

#include <string>

namespace {

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Every field of the record, in stored order: written, read and compared by this one list.
template <class Author>
auto StoredFields(Author& a) {
  return std::tie(a.Deleted, a.ADIdent, a.AGIdent, a.FirstName, a.MiddleName, a.LastName, a.Organisation,
                  a.PrivateEMail, a.AutomaticEMail, a.WebPage, a.Address, a.Phones, a.BirthYear, a.Degree,
                  a.OtherText, a.LIdent, a.Subscriber, a.Unsubscribed, a.IdentsGiven, a.Robot, a.CommentCounter);
}

}  // namespace

bool TAuthor::operator==(const TAuthor& o) const { return StoredFields(*this) == StoredFields(o); }

TStr TAuthor::GetFullName() const {
  const std::string full =
      std::string(FirstName.c_str()) + " " + MiddleName.c_str() + " " + LastName.c_str();
  std::string joined;
  for (size_t i = 0; i < full.size(); ++i)
    if (full[i] != ' ' || (!joined.empty() && joined.back() != ' ')) joined += full[i];
  return TStr(Trimmed(joined).c_str());
}

TStr TAuthor::GetShortName() const {
  std::string name;
  if (!FirstName.IsEmpty()) name += std::string(1, FirstName.c_str()[0]) + ".";
  if (!MiddleName.IsEmpty()) name += std::string(1, MiddleName.c_str()[0]) + ".";
  name += LastName.c_str();
  return TStr(name.c_str());
}

TStr TAuthor::GetIdentText() const { return TStr(std::to_string(ADIdent).c_str()); }

std::string TAuthor::GetShownName(std::string_view otherwise) const {
  if (!LastName.IsEmpty()) return GetShortName().ToString();
  if (std::string full = GetFullName().ToString(); !full.empty()) return full;
  return AutomaticEMail.IsEmpty() ? std::string(otherwise) : AutomaticEMail.ToString();
}

int TAuthor::TakeNewCommentNumber() {
  if (CommentCounter == 0xFFFF) {
    TError::Report("TAuthor::TakeNewCommentNumber - номера комментариев исчерпаны");
    return -1;
  }
  return ++CommentCounter;
}

void TAuthor::CopyPersonalData(const TAuthor& o) {
  FirstName = o.FirstName;
  MiddleName = o.MiddleName;
  LastName = o.LastName;
  Organisation = o.Organisation;
  PrivateEMail = o.PrivateEMail;
  AutomaticEMail = o.AutomaticEMail;
  WebPage = o.WebPage;
  Address = o.Address;
  Phones = o.Phones;
  BirthYear = o.BirthYear;
  Degree = o.Degree;
  OtherText = o.OtherText;
}

void TAuthor::SaveToBufWriter(TBufWriter& w) const { WriteFields(w, StoredFields(*this)); }

void TAuthor::LoadFromBufReader(TBufReader& r) { ReadFields(r, StoredFields(*this)); }

int TAuthorsStorage::FindAuthorByLIdent(const TStr& lident) const {
  if (lident.IsEmpty()) return -1;
  for (int i = 0; i < Count(); ++i)
    if (Authors[i].LIdent == lident) return i;
  return -1;
}

int TAuthorsStorage::FindAuthorByADIdent(uint16_t adident) const {
  for (int i = 0; i < Count(); ++i)
    if (Authors[i].ADIdent == adident) return i;
  return -1;
}

int TAuthorsStorage::FindAuthorByLIdent(TDiscussion& discussion, const TStr& lident, bool create) {
  const int found = FindAuthorByLIdent(lident);
  if (found >= 0 || !create || lident.IsEmpty()) return found;
  return CreateAuthor(discussion, lident, -1, 0);
}

int TAuthorsStorage::FindAuthorByADIdent(TDiscussion& discussion, uint16_t adident, bool create) {
  const int found = FindAuthorByADIdent(adident);
  if (found >= 0 || !create || adident == 0xFFFF) return found;
  return CreateAuthor(discussion, TStr(), adident, 0);
}

int TAuthorsStorage::FindAuthorByAutomaticEMail(const TStr& address) const {
  if (address.IsEmpty()) return -1;
  for (int i = 0; i < Count(); ++i)
    if (Authors[i].AutomaticEMail == address) return i;
  return -1;
}

int TAuthorsStorage::CreateAuthor(TDiscussion& discussion, const TStr& lident, int adident, int) {
  if (adident < -1 || adident > 0xFFFE) {
    TError::Report("TAuthorsStorage::CreateAuthor - неверный идентификатор автора");
    return -1;
  }
  // Authors made from an identifier alone have no LIdent; only a real one must be unique.
  if (FindAuthorByLIdent(lident) >= 0 || (adident >= 0 && FindAuthorByADIdent(uint16_t(adident)) >= 0)) {
    TError::Report("TAuthorsStorage::CreateAuthor - такой автор уже есть");
    return -1;
  }
  if (Count() >= 0xFFFF) {
    TError::Report("TAuthorsStorage::CreateAuthor - список авторов заполнен");
    return -1;
  }
  const int index = Authors.AddEmptyItem();
  if (index < 0) return -1;
  Authors[index].LIdent = lident;
  Authors[index].ADIdent = adident < 0 ? 0xFFFF : uint16_t(adident);
  if (this == &discussion.Authors) discussion.Undo.AddAuthorCreation(index);
  return index;
}

int TAuthorsStorage::CopyAuthorDataFromModel(TDiscussionsManager& manager, TDiscussion& discussion, int authorIndex) {
  if (authorIndex < 0 || authorIndex >= Count() || Authors[authorIndex].LIdent.IsEmpty()) return -1;
  const TStr lident = Authors[authorIndex].LIdent;
  for (int d = 0; d < manager.GetDiscussionsCount(); ++d) {
    TDiscussion& other = manager.GetDiscussion(d);
    if (&other == &discussion) continue;
    const bool wasLoaded = other.Loaded;
    if (!wasLoaded && !other.Load()) return -1;
    const int found = other.Authors.FindAuthorByLIdent(lident);
    if (found >= 0) Authors[authorIndex].CopyPersonalData(other.Authors.Author(found));
    if (!wasLoaded) other.Unload();
    if (found >= 0) return d;
  }
  return -1;
}

int TAuthorsStorage::GetMaxADIdent() const {
  int highest = -1;
  for (int i = 0; i < Count(); ++i)
    if (Authors[i].ADIdent != 0xFFFF && Authors[i].ADIdent > highest) highest = Authors[i].ADIdent;
  return highest;
}

std::string TAuthorsStorage::GetShownName(int index) const {
  if (index < 0 || index >= Count()) return {};
  const TAuthor& author = Authors[index];
  const TModelLogin login = CurrentModelLogin();
  const bool mine = !author.LIdent.IsEmpty() && author.LIdent == login.LIdent;
  if (mine) return author.GetShownName(login.EMail.View());
  return author.GetShownName(author.ADIdent == 0xFFFF ? std::string() : author.GetIdentText().ToString());
}
