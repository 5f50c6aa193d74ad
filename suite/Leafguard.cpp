// Stand-in for the suite's moderation library. It keeps what the browser tells it for the
// run (moderate types of authors, counts of moderated comments), lists the spammers of
// "Spammers.txt" in the data folder, and registers every model it is sent: each model
// gets a discussion identifier and two author identifiers of its own, kept in
// "Registered models.txt" in the data folder, so that a repeated request is answered
// alike. Every reader who asks for author identifiers in a moderated discussion is given
// them: ADIdents numbered per discussion from 2 (0 is the model's author, 1 its
// moderator), never one that an author of the moderator's copy holds, kept in
// "Registered authors.txt", and answered AUTHOR_IDENTS_GENERATED only when the program
// can store them. A reader so registered, and the author of a model registered here, is a
// trustworthy expert until the moderator rates it otherwise; the ratings are kept in
// "Author ratings.txt".
//
// Nothing here may touch the thread-local state of the program's own file calls, which a
// library that is unloaded again must not own: its own files are read and written with
// the standard library, and command messages are read and written by the program's own
// services (TUtilityGlobal::Services).

#include "foundation/Tarray.h"
#include "foundation/Textroutines.h"
#include "foundation/Tlibraryservices.h"
#include "foundation/Tstr.h"
#include "foundation/Tutilityglobal.h"
#include "platform/kernel/Datafolders.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr uint8_t NotDone = 1, Done = 2, LeaveUnhandled = 3;

struct TState {
  int Inits = 0;
  TUtilityGlobal* Utility = nullptr;
  TArray<TStr>* IssuedNames = nullptr;
  std::map<std::string, std::pair<int32_t, int32_t>> Counts;
  std::map<std::pair<std::string, int32_t>, int32_t> ModerateTypes;
};

TState& State() {
  static TState state;
  return state;
}

std::string Text(const TStr* text) { return text ? text->ToString() : std::string(); }

std::string RegistryFile() { return platform::DataRoot() + "/Registered models.txt"; }
std::string AuthorsFile() { return platform::DataRoot() + "/Registered authors.txt"; }
std::string RatingsFile() { return platform::DataRoot() + "/Author ratings.txt"; }

// The identifiers given to a model: DIdent, the model author's AGIdent, the moderator's.
struct TRegistration {
  std::string DIdent, AGIdent0, AGIdent1;
};

// An identifier of a request goes into a line of the registry as it is.
bool IsPlainIdent(const std::string& text) {
  if (text.empty() || text.size() > 255) return false;
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

// The next line of a registry file, split at its tabs; false at the end.
bool ReadFields(std::istream& in, std::vector<std::string>& fields) {
  std::string line;
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  fields.clear();
  std::istringstream split(line);
  for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
  return true;
}

// Appends one line of tab-separated fields to a registry file.
bool AppendFields(const std::string& file, std::initializer_list<std::string> fields) {
  std::ofstream out(file, std::ios::binary | std::ios::app);
  const char* separator = "";
  for (const std::string& field : fields) {
    out << separator << field;
    separator = "\t";
  }
  out << "\r\n";
  return bool(out.flush());
}

// The registration of that model identifier: the one made before, else a new one, kept.
bool Register(const std::string& mident, TRegistration& registration) {
  std::ifstream in(RegistryFile(), std::ios::binary);
  for (std::vector<std::string> f; ReadFields(in, f);)
    if (f.size() == 4 && f[0] == mident) {
      registration = {f[1], f[2], f[3]};
      return true;
    }
  in.close();
  registration = {MakeRandomIdent("D").ToString(), MakeRandomIdent("G").ToString(), MakeRandomIdent("G").ToString()};
  return AppendFields(RegistryFile(), {mident, registration.DIdent, registration.AGIdent0, registration.AGIdent1});
}

// The identifiers of a reader of a discussion: those given before, else the next ADIdent of
// the discussion and a new AGIdent, kept. The number goes out only as `fits` moves it: the
// program's copy of the discussion may have had authors numbered before it was registered
// here, and a reader it knows keeps its number. A number given here to another reader is
// never given again.
template <class TFits>
bool RegisterAuthor(const std::string& dident, const std::string& lident, TFits fits, uint16_t& adident,
                    std::string& agident) {
  const std::string file = AuthorsFile();
  std::ifstream in(file, std::ios::binary);
  int own = 0;
  std::set<int> others{1};
  for (std::vector<std::string> f; ReadFields(in, f);) {
    if (f.size() != 4 || f[0] != dident) continue;
    const int value = std::atoi(f[2].c_str());
    if (value < 2 || value > 0xFFFE) continue;
    if (f[1] == lident) {
      own = value;  // the last line of a reader holds
      agident = f[3];
    } else {
      others.insert(value);
    }
  }
  in.close();
  const int candidate = own ? own : *others.rbegin() + 1;
  if (candidate > 0xFFFE) return false;
  adident = uint16_t(candidate);
  if (!fits(adident) || (adident != candidate && others.count(adident))) return false;
  if (adident == own) return true;
  if (!own) agident = MakeRandomIdent("G").ToString();
  return AppendFields(file, {dident, lident, std::to_string(adident), agident});
}

// The moderate type of an author of a discussion: the last rating kept, else 1 for a
// reader given identifiers here and for the author of a model registered here; 0 when the
// author is not known here.
int32_t KeptModerateType(const std::string& dident, int32_t adident) {
  const std::string number = std::to_string(adident);
  int32_t type = 0;
  std::ifstream ratings(RatingsFile(), std::ios::binary);
  for (std::vector<std::string> f; ReadFields(ratings, f);)
    if (f.size() == 3 && f[0] == dident && f[1] == number) type = std::atoi(f[2].c_str());
  if (type != 0) return type;
  std::ifstream authors(AuthorsFile(), std::ios::binary);
  for (std::vector<std::string> f; ReadFields(authors, f);)
    if (f.size() == 4 && f[0] == dident && f[2] == number) return 1;
  // The model's author registered the model here.
  std::ifstream models(RegistryFile(), std::ios::binary);
  for (std::vector<std::string> f; adident == 0 && ReadFields(models, f);)
    if (f.size() == 4 && f[1] == dident) return 1;
  return 0;
}

// The value of a field among name and value pairs, "" when missing.
std::string FieldOf(const TArray<TStr>& fields, std::string_view name) {
  for (uint32_t i = 0; i + 1 < fields.Count(); i += 2)
    if (fields[i].View() == name) return fields[i + 1].ToString();
  return std::string();
}

}  // namespace

#define LEAFGUARD_ENTRY extern "C" __attribute__((visibility("default")))

LEAFGUARD_ENTRY uint8_t ModerateInit(TUtilityGlobal* utility, void*, TArray<TStr>* issuedNames, uint8_t) {
  TState& state = State();
  ++state.Inits;
  state.Utility = utility;
  state.IssuedNames = issuedNames;
  return Done;
}

LEAFGUARD_ENTRY uint8_t ModerateClose() {
  State() = TState();
  return Done;
}

// Every model is registered: the request's author is answered MODEL_REGISTRATION from the
// moderator (the current login) with the identifiers of the registration.
LEAFGUARD_ENTRY uint8_t HandleCommand_RegistrateModel(const TStr* path) {
  const TLibraryServices* services = State().Utility ? State().Utility->Services : nullptr;
  if (!services) return LeaveUnhandled;  // a program that lends no services: the request waits
  const TStr asked("REGISTRATE_MODEL");
  TArray<TStr> request;
  if (!path || !services->ReadCommandMessage(path, &asked, &request)) return NotDone;
  const std::string author = FieldOf(request, "FROM_USER_EMAIL"), mident = FieldOf(request, "MIDENT");
  const std::string nick = FieldOf(request, "MODEL_NICK");
  TRegistration registration;
  if (author.empty() || !IsPlainIdent(mident) || !Register(mident, registration)) return NotDone;
  TArray<TStr> answer;
  for (const char* text : {"MODEL_NICK", nick.c_str(), "MIDENT", mident.c_str(), "RESULT", "1", "RESULT_COMMENT", "",
                           "DIDENT", registration.DIdent.c_str(), "AGIDENT0", registration.AGIdent0.c_str(),
                           "AGIDENT1", registration.AGIdent1.c_str()})
    answer.AddItem(TStr(text));
  const TStr command("MODEL_REGISTRATION"), receiver(author), namePart(nick);
  return services->WriteCommandMessage(&command, &receiver, &namePart, &answer) ? Done : NotDone;
}

// Every reader is given identifiers; the program stores them in the reader's author record,
// the answer tells the reader.
LEAFGUARD_ENTRY uint8_t HandleCommand_GenerateAuthorIdents(const TStr* path, uint16_t* adident, TStr* agident) {
  const TLibraryServices* services = State().Utility ? State().Utility->Services : nullptr;
  if (!services) return LeaveUnhandled;
  const TStr asked("GENERATE_AUTHOR_IDENTS");
  TArray<TStr> request;
  if (!path || !adident || !agident || !services->ReadCommandMessage(path, &asked, &request)) return NotDone;
  const std::string reader = FieldOf(request, "FROM_USER_EMAIL"), lident = FieldOf(request, "SENDER_LIDENT");
  const std::string dident = FieldOf(request, "DIDENT"), nick = FieldOf(request, "MODEL_NICK");
  const std::string privately = FieldOf(request, "PRIVATE_REQ") == "1" ? "1" : "0";
  uint16_t given = 0;
  std::string text;
  const auto fits = [&](uint16_t& number) {
    return services->FreeAuthorIdent && services->FreeAuthorIdent(path, &number);
  };
  if (reader.empty() || !IsPlainIdent(lident) || !IsPlainIdent(dident) ||
      !RegisterAuthor(dident, lident, fits, given, text))
    return NotDone;
  const std::string number = std::to_string(given);
  TArray<TStr> answer;
  for (const char* field : {"PRIVATE_REQ", privately.c_str(), "RESULT", "1", "AUTHOR_LIDENT", lident.c_str(), "DIDENT",
                            dident.c_str(), "YOUR_AGIDENT", text.c_str(), "YOUR_ADIDENT", number.c_str()})
    answer.AddItem(TStr(field));
  const TStr command("AUTHOR_IDENTS_GENERATED"), receiver(reader), namePart(nick);
  if (!services->WriteCommandMessage(&command, &receiver, &namePart, &answer)) return NotDone;
  *adident = given;
  *agident = text;
  return Done;
}

LEAFGUARD_ENTRY uint8_t GetModeratedCommentsCountByDIdent(const TStr* dident, int32_t* trustworthy,
                                                          int32_t* doubtful) {
  if (!trustworthy || !doubtful) return NotDone;
  auto it = State().Counts.find(Text(dident));
  *trustworthy = it == State().Counts.end() ? 0 : it->second.first;
  *doubtful = it == State().Counts.end() ? 0 : it->second.second;
  return Done;
}

LEAFGUARD_ENTRY uint8_t UpdateModeratedCommentsCountByDIdent(const TStr* dident, int32_t trustworthy,
                                                             int32_t doubtful) {
  State().Counts[Text(dident)] = {trustworthy, doubtful};
  return Done;
}

LEAFGUARD_ENTRY uint8_t GetAuthorModerateType(const TStr* dident, int32_t adident, int32_t* moderateType) {
  if (!moderateType) return NotDone;
  auto it = State().ModerateTypes.find({Text(dident), adident});
  const int32_t type = it != State().ModerateTypes.end() ? it->second : KeptModerateType(Text(dident), adident);
  if (type == 0) return NotDone;
  *moderateType = type;
  return Done;
}

LEAFGUARD_ENTRY uint8_t SetAuthorModerateType(const TStr* dident, uint16_t adident, uint8_t moderateType) {
  if (moderateType < 1 || moderateType > 3 || !IsPlainIdent(Text(dident))) return NotDone;
  State().ModerateTypes[{Text(dident), adident}] = moderateType;
  // Kept for later runs where the data folder takes the file; this run has it either way.
  AppendFields(RatingsFile(), {Text(dident), std::to_string(adident), std::to_string(moderateType)});
  return Done;
}

LEAFGUARD_ENTRY uint8_t MakeDiscussionPrivatePublic(const TStr* dident, uint8_t makePrivate, TStr* accessText) {
  if (!accessText) return NotDone;
  *accessText = makePrivate ? "PRIVATE-" + Text(dident) : std::string();
  return Done;
}

LEAFGUARD_ENTRY uint8_t GetEditSpammersList(TStr* spammers) {
  if (!spammers) return NotDone;
  // Read with the standard library: nothing here may touch the thread-local state of the
  // program's own file calls, which a library that is unloaded again must not own.
  std::ifstream in(platform::DataRoot() + "/Spammers.txt", std::ios::binary);
  if (in) {
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    *spammers = text.substr(0, TStr::kMaxStoredLength);
  }
  return Done;
}

// For tests: how many times the library was started since it was loaded or closed.
LEAFGUARD_ENTRY int LeafguardInitCount() { return State().Inits; }
