#include "postoffice/Appliedmessages.h"

#include "foundation/Filereplace.h"
#include "foundation/Keptfile.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Textroutines.h"
#include "foundation/Tlogin.h"
#include "foundation/Terror.h"
#include "foundation/Tstr.h"
#include "model/Modelhooks.h"
#include "model/Postcommandnames.h"
#include "model/Tcommandmessage.h"
#include "postoffice/Provensender.h"
#include "postoffice/Thandlerframe.h"
#include "platform/rtl/Strutil.h"
#include "platform/kernel/Datafolders.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace {

constexpr char Magic[8] = {'Q', 'L', 'A', 'P', 'P', 'L', 'D', '1'};
constexpr uint32_t MaxEntries = 1u << 22;
constexpr uint32_t MaxAwaited = 1u << 16;

// The answer each request of ours is awaited in, and whether the model identifier (not the
// discussion's) names what it is about.
struct TRequestAnswer {
  std::string_view Request, Answer;
  bool ByMIdent;
};
constexpr TRequestAnswer RequestAnswers[] = {
    {MessageCommand::GiveModel.Name, MessageCommand::FormNewModel.Name, false},
    {MessageCommand::SubscribeMe.Name, MessageCommand::YouSubscribed.Name, false},
    {MessageCommand::GenerateAuthorIdents.Name, MessageCommand::AuthorIdentsGenerated.Name, false},
    {MessageCommand::RegistrateModel.Name, MessageCommand::ModelRegistration.Name, true},
    {MessageCommand::GiveBlocks.Name, MessageCommand::RequestedBlocks.Name, false},
    {MessageCommand::GiveExistingBlocksList.Name, MessageCommand::ExistingBlocksList.Name, false},
};

std::string LowerCaseAddress(std::string_view address) { return LowerCase(Trim(address)); }

// What a refusal of the command is awaited as.
std::string RefusalOf(std::string_view command) {
  return std::string(MessageCommand::YourCommandIgnored.Name) + " " + std::string(command);
}

std::unique_ptr<TAppliedMessages>& Store() {
  static std::unique_ptr<TAppliedMessages> store;
  return store;
}

TApplyingScope*& InnermostScope() {
  static TApplyingScope* scope = nullptr;
  return scope;
}

std::string StorePath() {
  const std::string& root = TBrowseGlobal::Paths.Root;
  return (root.empty() ? platform::DataRoot() + "/" : root) + "AppliedPost.cbs";
}

}  // namespace

TStateKind StateKindOfCommand(std::string_view command) {
  if (command == MessageCommand::MakeDiscussionPrivate.Name || command == MessageCommand::MakeDiscussionPublic.Name)
    return TStateKind::Privacy;
  if (command == MessageCommand::ModelRegistration.Name) return TStateKind::Moderation;
  if (command == MessageCommand::AuthorsUpdate.Name || command == MessageCommand::AuthorIdentsGenerated.Name)
    return TStateKind::AuthorData;
  return TStateKind::None;
}

TAppliedMessages& TAppliedMessages::Instance() {
  // A new data root (a test's, or after the paths were set) has a file of its own.
  if (!Store() || Store()->fPath != StorePath()) {
    Store() = std::make_unique<TAppliedMessages>();
    Store()->Load();
  }
  return *Store();
}

void TAppliedMessages::Reset() { Store().reset(); }

void TAppliedMessages::Load() {
  fPath = StorePath();
  // No file: nothing applied yet. A damaged one gives way to its previous copy; without
  // either, what the discussions keep of their last switches still refuses an old one.
  LoadKeptFile(fPath, [this](std::string_view data) { return Parse(data); },
               {"LOADING APPLIED POST", "record of applied post",
                "The program starts without it: messages applied before may be offered again; a switch older "
                "than the last one applied to its discussion is still refused."});
}

bool TAppliedMessages::Parse(std::string_view data) {
  if (data.size() < sizeof Magic || std::memcmp(data.data(), Magic, sizeof Magic) != 0) {
    TError::Report("TAppliedMessages::Load - файл применённых сообщений повреждён: " + fPath);
    return false;
  }
  TBufReader r(data.substr(sizeof Magic));
  std::vector<TApplied> applied;
  std::vector<TLatest> latest;
  const uint32_t n = r.ReadDWord();
  for (uint32_t i = 0; i < n && i < MaxEntries && !r.IsFailed(); ++i) {
    TApplied entry;
    TStr dident;
    dident.LoadFromBufReader(r);
    entry.DIdent = dident.ToString();
    r.ReadBytes(entry.Digest.data(), entry.Digest.size());
    entry.When = r.ReadDouble();
    applied.push_back(entry);
  }
  const uint32_t m = r.IsFailed() ? 0 : r.ReadDWord();
  for (uint32_t i = 0; i < m && i < MaxEntries && !r.IsFailed(); ++i) {
    TLatest entry;
    TStr dident, sender;
    dident.LoadFromBufReader(r);
    sender.LoadFromBufReader(r);
    entry.DIdent = dident.ToString();
    entry.Sender = sender.ToString();
    entry.Kind = TStateKind(r.ReadByte());
    entry.Composed = r.ReadDouble();
    latest.push_back(entry);
  }
  std::vector<TAwaited> awaited;
  const uint32_t k = r.IsFailed() || r.IsEof() ? 0 : r.ReadDWord();
  for (uint32_t i = 0; i < k && i < MaxAwaited && !r.IsFailed(); ++i) {
    TStr answer, ident, address;
    answer.LoadFromBufReader(r);
    ident.LoadFromBufReader(r);
    address.LoadFromBufReader(r);
    awaited.push_back({answer.ToString(), ident.ToString(), address.ToString(), TDateTime(r.ReadDouble())});
  }
  if (r.IsFailed() || !r.IsEof() || n > MaxEntries || m > MaxEntries || k > MaxAwaited) {
    TError::Report("TAppliedMessages::Load - файл применённых сообщений повреждён: " + fPath);
    return false;
  }
  fApplied = std::move(applied);
  fLatest = std::move(latest);
  fAwaited = std::move(awaited);
  return true;
}

bool TAppliedMessages::Save(TDateTime now) {
  const TDateTime oldest = now - RememberedDays;
  std::erase_if(fApplied, [oldest](const TApplied& e) { return e.When < oldest; });
  std::erase_if(fAwaited, [oldest](const TAwaited& e) { return e.When < oldest; });
  std::string data(Magic, sizeof Magic);
  {
    TBufWriter w(data);
    w.WriteDWord(uint32_t(fApplied.size()));
    for (const TApplied& e : fApplied) {
      TStr(e.DIdent).SaveToBufWriter(w);
      w.WriteBytes(e.Digest.data(), e.Digest.size());
      w.WriteDouble(e.When);
    }
    w.WriteDWord(uint32_t(fLatest.size()));
    for (const TLatest& e : fLatest) {
      TStr(e.DIdent).SaveToBufWriter(w);
      TStr(e.Sender).SaveToBufWriter(w);
      w.WriteByte(uint8_t(e.Kind));
      w.WriteDouble(e.Composed);
    }
    w.WriteDWord(uint32_t(fAwaited.size()));
    for (const TAwaited& e : fAwaited) {
      TStr(e.Answer).SaveToBufWriter(w);
      TStr(e.Ident).SaveToBufWriter(w);
      TStr(e.Address).SaveToBufWriter(w);
      w.WriteDouble(e.When);
    }
  }
  return ReplaceKeptFile(fPath, data, true, "TAppliedMessages::Save");
}

namespace {

// Whether `message` is `applied` again, or a switch of the same state older than it.
std::string RefusalBy(const THandledMessage& applied, const THandledMessage& message) {
  if (applied.Digest == message.Digest && applied.DIdent == message.DIdent) return AlreadyApplied;
  if (message.Kind != TStateKind::None && applied.Kind == message.Kind && applied.DIdent == message.DIdent &&
      applied.Sender == message.Sender && message.Composed < applied.Composed)
    return "старше применённого";
  return "";
}

}  // namespace

std::string TAppliedMessages::Refusal(const THandledMessage& message) {
  for (TApplied& e : fApplied)
    if (e.Digest == message.Digest && e.DIdent == message.DIdent) {
      // A message seen again is remembered from now on: more copies of it may travel.
      e.When = Now();
      fRenewed = true;
      return AlreadyApplied;
    }
  for (const auto& [path, held] : fHeld)
    if (std::string refusal = RefusalBy(held, message); !refusal.empty()) return refusal;
  if (message.Kind == TStateKind::None) return "";
  for (const TLatest& e : fLatest)
    if (e.Kind == message.Kind && e.DIdent == message.DIdent && e.Sender == message.Sender &&
        message.Composed < e.Composed)
      return "старше применённого";
  return "";
}

void TAppliedMessages::Add(const THandledMessage& message, TDateTime now) {
  const bool known = std::any_of(fApplied.begin(), fApplied.end(), [&](const TApplied& e) {
    return e.Digest == message.Digest && e.DIdent == message.DIdent;
  });
  if (!known) fApplied.push_back({message.DIdent, message.Digest, now});
  // A message shown to be theirs taken: a later refusal in their name is told again. One
  // a stranger can write in their name (a request the user declined, one signed with any
  // key) buys no more mail to them.
  if (message.Proven)
    std::erase_if(fLatest, [&](const TLatest& e) {
      return e.Kind == TStateKind::RefusalTold && e.DIdent == message.DIdent && e.Sender == message.Sender;
    });
  if (message.Kind == TStateKind::None) return;
  auto it = std::find_if(fLatest.begin(), fLatest.end(), [&](const TLatest& e) {
    return e.Kind == message.Kind && e.DIdent == message.DIdent && e.Sender == message.Sender;
  });
  if (it == fLatest.end()) fLatest.push_back({message.DIdent, message.Sender, message.Kind, message.Composed});
  else it->Composed = std::max(it->Composed, message.Composed);
}

void TAppliedMessages::AwaitAnswer(const std::string& path, TDateTime now) {
  TCommandMessageHeader header;
  if (!ReadMessageHeader(path, header)) return;
  const std::string command = header.GetFieldValue("COMMAND");
  // A refusal is refused by nobody.
  if (command.empty() || command == MessageCommand::YourCommandIgnored.Name) return;
  const auto request = std::find_if(std::begin(RequestAnswers), std::end(RequestAnswers),
                                    [&](const TRequestAnswer& r) { return r.Request == command; });
  const std::string dident = header.GetFieldValue("DIDENT");
  const bool asks = request != std::end(RequestAnswers);
  const std::string ident = !asks ? "" : header.GetFieldValue(request->ByMIdent ? "MIDENT" : "DIDENT");
  bool added = false;
  // The receivers, as the composer joins them: addresses separated by "; ".
  TArray<TStr> receivers;
  SplitToStrArray(header.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED"), "; ", receivers);
  for (const TStr& receiver : receivers) {
    const std::string address = LowerCaseAddress(receiver.View());
    if (address.empty() || address == "*") continue;
    if (!dident.empty()) Await(RefusalOf(command), dident, address, now);
    if (asks) Await(request->Answer, ident, address, now);
    added = true;
  }
  if (added) Save(now);
}

void TAppliedMessages::Await(std::string_view answer, const std::string& ident, const std::string& address,
                             TDateTime now) {
  auto it = std::find_if(fAwaited.begin(), fAwaited.end(), [&](const TAwaited& e) {
    return e.Answer == answer && e.Ident == ident && e.Address == address;
  });
  if (it != fAwaited.end()) {
    it->When = now;
    return;
  }
  const TAwaited entry{std::string(answer), ident, address, now};
  if (fAwaited.size() < MaxAwaited) {
    fAwaited.push_back(entry);
    return;
  }
  // Full: what was sent last is the likelier to be answered.
  *std::min_element(fAwaited.begin(), fAwaited.end(),
                    [](const TAwaited& a, const TAwaited& b) { return a.When < b.When; }) = entry;
}

bool TAppliedMessages::Awaits(std::string_view answer, bool byMIdent, const THandledMessage& message) const {
  const std::string& ident = byMIdent ? message.MIdent : message.DIdent;
  const std::string address = LowerCaseAddress(message.Address);
  return !ident.empty() && std::any_of(fAwaited.begin(), fAwaited.end(), [&](const TAwaited& e) {
    return e.Answer == answer && e.Ident == ident && e.Address == address;
  });
}

bool TAppliedMessages::AnswersOurRequest(const THandledMessage& message) const {
  const auto request = std::find_if(std::begin(RequestAnswers), std::end(RequestAnswers),
                                    [&](const TRequestAnswer& r) { return r.Answer == message.Command; });
  return request != std::end(RequestAnswers) && Awaits(request->Answer, request->ByMIdent, message);
}

bool TAppliedMessages::RefusesOurCommand(const THandledMessage& refusal, std::string_view ignored) const {
  if (Awaits(RefusalOf(ignored), false, refusal)) return true;
  // A request sent before refusals were awaited is known by the answer it awaits.
  const auto request = std::find_if(std::begin(RequestAnswers), std::end(RequestAnswers),
                                    [&](const TRequestAnswer& r) { return r.Request == ignored; });
  return request != std::end(RequestAnswers) && Awaits(request->Answer, request->ByMIdent, refusal);
}

bool TAppliedMessages::RefusesOurRequest(const THandledMessage& refusal, std::string_view ignored) const {
  const bool request = std::any_of(std::begin(RequestAnswers), std::end(RequestAnswers),
                                   [&](const TRequestAnswer& r) { return r.Request == ignored; });
  return request && RefusesOurCommand(refusal, ignored);
}

bool TAppliedMessages::MayTellOfRefusal(const std::string& dident, const std::string& author) const {
  return std::none_of(fLatest.begin(), fLatest.end(), [&](const TLatest& e) {
    return e.Kind == TStateKind::RefusalTold && e.DIdent == dident && e.Sender == author;
  });
}

void TAppliedMessages::ToldOfRefusal(const std::string& dident, const std::string& author, TDateTime now) {
  if (!MayTellOfRefusal(dident, author) || fLatest.size() >= MaxEntries) return;
  fLatest.push_back({dident, author, TStateKind::RefusalTold, now});
  Save(now);
}

bool TAppliedMessages::Remember(const THandledMessage& message, TDateTime now) { return AddAndSave({&message}, now); }

bool TAppliedMessages::AddAndSave(const std::vector<const THandledMessage*>& messages, TDateTime now) {
  std::vector<TApplied> applied = fApplied;
  std::vector<TLatest> latest = fLatest;
  for (const THandledMessage* message : messages) Add(*message, now);
  if (Save(now)) return true;
  // Not on the disk, not remembered: handled again, the message is applied and answered
  // again instead of refused as applied before.
  fApplied = std::move(applied);
  fLatest = std::move(latest);
  return false;
}

void TAppliedMessages::Hold(const std::string& path, const THandledMessage& message) {
  fHeld.emplace_back(path, message);
}

bool TAppliedMessages::Settle(const std::function<bool(const std::string& path)>& saved, TDateTime now) {
  const bool renewed = std::exchange(fRenewed, false);
  std::vector<const THandledMessage*> settled;
  for (const auto& [path, message] : fHeld)
    if (saved(path)) settled.push_back(&message);
  const bool kept = (settled.empty() && !renewed) || AddAndSave(settled, now);
  fHeld.clear();
  return kept;
}

TApplyingScope::TApplyingScope(std::string path) : fOuter(InnermostScope()), fPath(std::move(path)) {
  InnermostScope() = this;
}

TApplyingScope::~TApplyingScope() { InnermostScope() = fOuter; }

void TApplyingScope::Opened(const THandledMessage& message) {
  if (TApplyingScope* scope = InnermostScope()) scope->fMessages.push_back(message);
}

void TApplyingScope::Commit() {
  if (!IsErrorReported()) Apply(false);
}

bool TApplyingScope::EffectSaved() {
  TApplyingScope* scope = InnermostScope();
  return !scope || scope->Apply(true);
}

void TApplyingScope::Declined() {
  if (TApplyingScope* scope = InnermostScope()) scope->fDeclined = true;
}

void TApplyingScope::Vouch() {
  if (TApplyingScope* scope = InnermostScope()) scope->fVouched = true;
}

bool TApplyingScope::Apply(bool now) {
  const TModelHooks& hooks = ModelHooks();
  TAppliedMessages& applied = TAppliedMessages::Instance();
  bool kept = true;
  for (THandledMessage& message : fMessages) {
    const TSenderProof proof = ProofOfSender(message);
    const bool answers = proof == TSenderProof::AnswersOurRequest;
    message.Proven = !fDeclined && proof != TSenderProof::None;
    if (now) kept = applied.Remember(message, Now()) && kept;
    else applied.Hold(fPath, message);
    const bool vouched = !fDeclined && (fVouched || answers);
    if (vouched && hooks.PinSignerKey &&
        !hooks.PinSignerKey(TStr(message.Sender), TStr(message.Address), message.SignerKey)) {
      TError::Report("TApplyingScope - ключ подписи отправителя не закреплён: " + fPath);
      kept = false;
    }
  }
  fMessages.clear();
  return kept;
}
