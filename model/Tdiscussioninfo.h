#pragma once
// The information record of a discussion.

#include "foundation/Tarray.h"
#include "foundation/Textroutines.h"
#include "foundation/Tstr.h"

#include <cstdint>
#include <string>

class TBufReader;
class TBufWriter;

inline constexpr uint16_t NoModeratorLogin = 0xFFFF;

// One row of the discussion's person list.
struct TPersonRow {
  TStr LIdent;
  TStr Address;
  TStr Note;
  bool operator==(const TPersonRow& other) const = default;
};

// The compose time of the latest message of a sender that switched a state of the
// discussion (its privacy, its moderation, its authors' data), kept with the discussion so
// that an older switch is refused even when the post office's record of applied messages
// is lost.
struct TAppliedSwitch {
  TStr Sender;
  uint8_t Kind = 0;
  double Composed = 0;
  bool operator==(const TAppliedSwitch& other) const = default;
};

struct TDiscussionInfo {
  TStr DIdent;
  TStr Name;
  TStr ModelFolderName;
  TStr Annotation;
  TStr MIdent;
  TStr ModelAuthorLIdent;
  uint8_t Secret = 0;    // private discussion
  TStr PrivateIdent;     // unique among the local discussions while private
  uint16_t ModeratorLoginIdent = NoModeratorLogin;
  int32_t ShareDate = 0;  // whole days, 0 = not set
  TStr ModelRequesters;      // "; "-separated addresses
  TStr BlockNamesRequesters;  // "; "-separated addresses
  uint8_t ShowRecipients = 0;
  uint8_t ViaWebOnly = 0;
  uint8_t SubscribersOnly = 0;
  uint8_t Subscribed = 0;
  TStr RobotPattern;
  uint16_t RobotPatternGroupSize = 0;
  uint8_t Creating = 0;     // 1 while the model is being created
  uint8_t Renumbering = 0;  // the model blocks may be renumbered
  TArray<TPersonRow> Persons;
  TArray<TAppliedSwitch> Switches;  // stored after the themes, by files that have them

  uint8_t InfoRead = 0;  // set when read from the file; not stored

  // Field by field, every stored field.
  bool operator==(const TDiscussionInfo& other) const;

  bool IsModerated() const { return ModeratorLoginIdent != NoModeratorLogin; }
  // A public discussion, or a private one for which the current login holds an access
  // entry of level 1 or more.
  bool CanCurrentLoginAccess() const;
  // The compose time of the latest switch of that kind by that sender, 0 when none.
  double LatestSwitch(const TStr& sender, uint8_t kind) const;
  // Keeps a switch's compose time when it is later than the one kept.
  void KeepSwitch(const TStr& sender, uint8_t kind, double composed);
  // Stored form of the switches: u32 count, then each: text sender, u8 kind, f64 time.
  void SaveSwitches(TBufWriter& writer) const;
  std::string LoadSwitches(TBufReader& reader);
  // Sets a new model identifier.
  void GenerateMIdent();
  // Keeps the row of that LIdent: a new address, a differing note appended after "; ".
  void AddOrUpdatePerson(const TStr& lident, const TStr& address, const TStr& note);

  // Stored form: see TDiscussionInfo::SaveToBufWriter.
  void SaveToBufWriter(TBufWriter& writer) const;
  // An empty text when sound, else what is wrong.
  std::string LoadFromBufReader(TBufReader& reader);
};
