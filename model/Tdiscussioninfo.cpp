#include "model/Tdiscussioninfo.h"

#include "foundation/Storedfields.h"
#include "foundation/Terror.h"
#include "model/Modelhooks.h"

#include <string>

namespace {
constexpr uint32_t MaxPersons = 1u << 16;
constexpr uint32_t MaxSwitches = 1u << 16;

// The record's fields up to its counted list of persons, in stored order.
template <class Info>
auto StoredFields(Info& i) {
  return std::tie(i.DIdent, i.Name, i.ModelFolderName, i.Annotation, i.MIdent, i.ModelAuthorLIdent, i.Secret,
                  i.PrivateIdent, i.ModeratorLoginIdent, i.ShareDate, i.ModelRequesters, i.BlockNamesRequesters,
                  i.ShowRecipients, i.ViaWebOnly, i.SubscribersOnly, i.Subscribed, i.RobotPattern,
                  i.RobotPatternGroupSize, i.Creating, i.Renumbering);
}
template <class Person>
auto PersonFields(Person& p) {
  return std::tie(p.LIdent, p.Address, p.Note);
}
template <class Switch>
auto SwitchFields(Switch& s) {
  return std::tie(s.Sender, s.Kind, s.Composed);
}

}  // namespace

bool TDiscussionInfo::operator==(const TDiscussionInfo& o) const {
  return StoredFields(*this) == StoredFields(o) && Persons == o.Persons && Switches == o.Switches;
}

bool TDiscussionInfo::CanCurrentLoginAccess() const {
  if (!Secret) return true;
  const TModelHooks& hooks = ModelHooks();
  return hooks.AccessLevel && hooks.AccessLevel(PrivateIdent) >= 1;
}

double TDiscussionInfo::LatestSwitch(const TStr& sender, uint8_t kind) const {
  for (const TAppliedSwitch& kept : Switches)
    if (kept.Kind == kind && kept.Sender == sender) return kept.Composed;
  return 0;
}

void TDiscussionInfo::KeepSwitch(const TStr& sender, uint8_t kind, double composed) {
  for (TAppliedSwitch& kept : Switches)
    if (kept.Kind == kind && kept.Sender == sender) {
      if (composed > kept.Composed) kept.Composed = composed;
      return;
    }
  if (Switches.Count() < MaxSwitches) Switches.AddItem(TAppliedSwitch{sender, kind, composed});
}

void TDiscussionInfo::SaveSwitches(TBufWriter& w) const {
  w.WriteDWord(Switches.Count());
  for (const TAppliedSwitch& kept : Switches) WriteFields(w, SwitchFields(kept));
}

std::string TDiscussionInfo::LoadSwitches(TBufReader& r) {
  const uint32_t count = r.ReadDWord();
  if (count > MaxSwitches) return "неверное число переключений";
  for (uint32_t i = 0; i < count && !r.IsFailed(); ++i) {
    TAppliedSwitch kept;
    ReadFields(r, SwitchFields(kept));
    Switches.AddItem(std::move(kept));
  }
  return r.IsFailed() ? "файл обрезан" : "";
}

void TDiscussionInfo::GenerateMIdent() { MIdent = MakeRandomIdent("M"); }

void TDiscussionInfo::AddOrUpdatePerson(const TStr& lident, const TStr& address, const TStr& note) {
  for (int i = 0; i < int(Persons.Count()); ++i) {
    TPersonRow& row = Persons[i];
    if (!(row.LIdent == lident)) continue;
    row.Address = address;
    if (!note.IsEmpty() && row.Note.ToString().find(note.ToString()) == std::string::npos)
      row.Note = row.Note.IsEmpty() ? note : TStr((std::string(row.Note.c_str()) + "; " + note.c_str()).c_str());
    return;
  }
  const int index = Persons.AddEmptyItem();
  if (index < 0) return;
  Persons[index].LIdent = lident;
  Persons[index].Address = address;
  Persons[index].Note = note;
}

// Information record at the start of "DiscussionInfo.cbs" (after the common header): the
// fields of StoredFields (texts as texts are stored, numbers in their own widths), then
// u32 person count, persons (texts LIdent, address, note).
void TDiscussionInfo::SaveToBufWriter(TBufWriter& w) const {
  WriteFields(w, StoredFields(*this));
  w.WriteDWord(uint32_t(Persons.Count()));
  for (const TPersonRow& person : Persons) WriteFields(w, PersonFields(person));
}

std::string TDiscussionInfo::LoadFromBufReader(TBufReader& r) {
  ReadFields(r, StoredFields(*this));
  const uint32_t persons = r.ReadDWord();
  if (r.IsFailed()) return "файл обрезан";
  if (Secret > 1 || ShowRecipients > 1 || ViaWebOnly > 1 || SubscribersOnly > 1 || Subscribed > 1 || Creating > 1 ||
      Renumbering > 1)
    return "неверный флаг";
  if (persons > MaxPersons) return "неверное число участников";
  for (uint32_t i = 0; i < persons; ++i) {
    const int index = Persons.AddEmptyItem();
    if (index < 0) return "нет памяти";
    ReadFields(r, PersonFields(Persons[index]));
    if (r.IsFailed()) return "файл обрезан";
  }
  InfoRead = 1;
  return {};
}
