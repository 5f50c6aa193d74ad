#include "model/Tdiscussioninfo.h"

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "model/Modelhooks.h"

#include <string>

namespace {
constexpr uint32_t MaxPersons = 1u << 16;
constexpr uint32_t MaxSwitches = 1u << 16;
}  // namespace

bool TDiscussionInfo::operator==(const TDiscussionInfo& o) const {
  if (!(DIdent == o.DIdent && Name == o.Name && ModelFolderName == o.ModelFolderName && Annotation == o.Annotation &&
        MIdent == o.MIdent && ModelAuthorLIdent == o.ModelAuthorLIdent && Secret == o.Secret &&
        PrivateIdent == o.PrivateIdent && ModeratorLoginIdent == o.ModeratorLoginIdent && ShareDate == o.ShareDate &&
        ModelRequesters == o.ModelRequesters && BlockNamesRequesters == o.BlockNamesRequesters &&
        ShowRecipients == o.ShowRecipients && ViaWebOnly == o.ViaWebOnly && SubscribersOnly == o.SubscribersOnly &&
        Subscribed == o.Subscribed && RobotPattern == o.RobotPattern &&
        RobotPatternGroupSize == o.RobotPatternGroupSize && Creating == o.Creating && Renumbering == o.Renumbering &&
        Persons.Count() == o.Persons.Count() && Switches.Count() == o.Switches.Count()))
    return false;
  for (int i = 0; i < int(Switches.Count()); ++i)
    if (!(Switches[i] == o.Switches[i])) return false;
  for (int i = 0; i < int(Persons.Count()); ++i)
    if (!(Persons[i] == o.Persons[i])) return false;
  return true;
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
  for (const TAppliedSwitch& kept : Switches) {
    kept.Sender.SaveToBufWriter(w);
    w.WriteByte(kept.Kind);
    w.WriteDouble(kept.Composed);
  }
}

std::string TDiscussionInfo::LoadSwitches(TBufReader& r) {
  const uint32_t count = r.ReadDWord();
  if (count > MaxSwitches) return "неверное число переключений";
  for (uint32_t i = 0; i < count && !r.IsFailed(); ++i) {
    TAppliedSwitch kept;
    kept.Sender.LoadFromBufReader(r);
    kept.Kind = r.ReadByte();
    kept.Composed = r.ReadDouble();
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

// Information record at the start of "DiscussionInfo.cbs" (after the common header):
//   texts DIdent, name, model folder name, annotation, MIdent, model author LIdent,
//   u8 secret, text private ident, u16 moderator login ident, i32 share date,
//   texts model requesters, block-name requesters, u8 show recipients, u8 via Web only,
//   u8 subscribers only, u8 subscribed, text robot pattern, u16 robot pattern group size,
//   u8 creating, u8 renumbering, u32 person count, persons (texts LIdent, address, note).
void TDiscussionInfo::SaveToBufWriter(TBufWriter& w) const {
  for (const TStr* text : {&DIdent, &Name, &ModelFolderName, &Annotation, &MIdent, &ModelAuthorLIdent})
    text->SaveToBufWriter(w);
  w.WriteByte(Secret);
  PrivateIdent.SaveToBufWriter(w);
  w.WriteWord(ModeratorLoginIdent);
  w.WriteDWord(uint32_t(ShareDate));
  ModelRequesters.SaveToBufWriter(w);
  BlockNamesRequesters.SaveToBufWriter(w);
  w.WriteByte(ShowRecipients);
  w.WriteByte(ViaWebOnly);
  w.WriteByte(SubscribersOnly);
  w.WriteByte(Subscribed);
  RobotPattern.SaveToBufWriter(w);
  w.WriteWord(RobotPatternGroupSize);
  w.WriteByte(Creating);
  w.WriteByte(Renumbering);
  w.WriteDWord(uint32_t(Persons.Count()));
  for (int i = 0; i < int(Persons.Count()); ++i) {
    Persons[i].LIdent.SaveToBufWriter(w);
    Persons[i].Address.SaveToBufWriter(w);
    Persons[i].Note.SaveToBufWriter(w);
  }
}

std::string TDiscussionInfo::LoadFromBufReader(TBufReader& r) {
  for (TStr* text : {&DIdent, &Name, &ModelFolderName, &Annotation, &MIdent, &ModelAuthorLIdent}) text->LoadFromBufReader(r);
  Secret = r.ReadByte();
  PrivateIdent.LoadFromBufReader(r);
  ModeratorLoginIdent = r.ReadWord();
  ShareDate = int32_t(r.ReadDWord());
  ModelRequesters.LoadFromBufReader(r);
  BlockNamesRequesters.LoadFromBufReader(r);
  ShowRecipients = r.ReadByte();
  ViaWebOnly = r.ReadByte();
  SubscribersOnly = r.ReadByte();
  Subscribed = r.ReadByte();
  RobotPattern.LoadFromBufReader(r);
  RobotPatternGroupSize = r.ReadWord();
  Creating = r.ReadByte();
  Renumbering = r.ReadByte();
  const uint32_t persons = r.ReadDWord();
  if (r.IsFailed()) return "файл обрезан";
  if (Secret > 1 || ShowRecipients > 1 || ViaWebOnly > 1 || SubscribersOnly > 1 || Subscribed > 1 || Creating > 1 ||
      Renumbering > 1)
    return "неверный флаг";
  if (persons > MaxPersons) return "неверное число участников";
  for (uint32_t i = 0; i < persons; ++i) {
    const int index = Persons.AddEmptyItem();
    if (index < 0) return "нет памяти";
    Persons[index].LIdent.LoadFromBufReader(r);
    Persons[index].Address.LoadFromBufReader(r);
    Persons[index].Note.LoadFromBufReader(r);
    if (r.IsFailed()) return "файл обрезан";
  }
  InfoRead = 1;
  return {};
}
