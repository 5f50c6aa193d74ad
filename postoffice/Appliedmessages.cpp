#include "postoffice/Appliedmessages.h"

#include "foundation/Filereplace.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "foundation/Tstr.h"
#include "model/Modelhooks.h"
#include "platform/kernel/Datafolders.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr char Magic[8] = {'Q', 'L', 'A', 'P', 'P', 'L', 'D', '1'};
constexpr uint32_t MaxEntries = 1u << 22;

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
  if (command == "MAKE_DISCUSSION_PRIVATE" || command == "MAKE_DISCUSSION_PUBLIC") return TStateKind::Privacy;
  if (command == "MODEL_REGISTRATION") return TStateKind::Moderation;
  if (command == "AUTHORS_UPDATE" || command == "AUTHOR_IDENTS_GENERATED") return TStateKind::AuthorData;
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
  std::string data;
  if (!ReadWholeFile(fPath, data)) return;  // nothing applied yet
  if (data.size() < sizeof Magic || std::memcmp(data.data(), Magic, sizeof Magic) != 0) {
    TError::Report("TAppliedMessages::Load - файл применённых сообщений повреждён: " + fPath);
    return;
  }
  TBufReader r(std::string_view(data).substr(sizeof Magic));
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
  if (r.IsFailed() || n > MaxEntries || m > MaxEntries) {
    TError::Report("TAppliedMessages::Load - файл применённых сообщений повреждён: " + fPath);
    return;
  }
  fApplied = std::move(applied);
  fLatest = std::move(latest);
}

bool TAppliedMessages::Save(TDateTime now) {
  const TDateTime oldest = now - RememberedDays;
  std::erase_if(fApplied, [oldest](const TApplied& e) { return e.When < oldest; });
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
  }
  return ReplaceFileContents(fPath, data, true, "TAppliedMessages::Save");
}

namespace {

// Whether `message` is `applied` again, or a switch of the same state older than it.
std::string RefusalBy(const TReceivedMessage& applied, const TReceivedMessage& message) {
  if (applied.Digest == message.Digest && applied.DIdent == message.DIdent) return "уже применено";
  if (message.Kind != TStateKind::None && applied.Kind == message.Kind && applied.DIdent == message.DIdent &&
      applied.Sender == message.Sender && message.Composed < applied.Composed)
    return "старше применённого";
  return "";
}

}  // namespace

std::string TAppliedMessages::Refusal(const TReceivedMessage& message) const {
  for (const TApplied& e : fApplied)
    if (e.Digest == message.Digest && e.DIdent == message.DIdent) return "уже применено";
  for (const auto& [path, held] : fHeld)
    if (std::string refusal = RefusalBy(held, message); !refusal.empty()) return refusal;
  if (message.Kind == TStateKind::None) return "";
  for (const TLatest& e : fLatest)
    if (e.Kind == message.Kind && e.DIdent == message.DIdent && e.Sender == message.Sender &&
        message.Composed < e.Composed)
      return "старше применённого";
  return "";
}

void TAppliedMessages::Add(const TReceivedMessage& message, TDateTime now) {
  const bool known = std::any_of(fApplied.begin(), fApplied.end(), [&](const TApplied& e) {
    return e.Digest == message.Digest && e.DIdent == message.DIdent;
  });
  if (!known) fApplied.push_back({message.DIdent, message.Digest, now});
  if (message.Kind == TStateKind::None) return;
  auto it = std::find_if(fLatest.begin(), fLatest.end(), [&](const TLatest& e) {
    return e.Kind == message.Kind && e.DIdent == message.DIdent && e.Sender == message.Sender;
  });
  if (it == fLatest.end()) fLatest.push_back({message.DIdent, message.Sender, message.Kind, message.Composed});
  else it->Composed = std::max(it->Composed, message.Composed);
}

bool TAppliedMessages::Remember(const TReceivedMessage& message, TDateTime now) {
  Add(message, now);
  return Save(now);
}

void TAppliedMessages::Hold(const std::string& path, const TReceivedMessage& message) {
  fHeld.emplace_back(path, message);
}

bool TAppliedMessages::Settle(const std::function<bool(const std::string& path)>& saved, TDateTime now) {
  if (fHeld.empty()) return true;
  bool added = false;
  for (const auto& [path, message] : fHeld)
    if (saved(path)) {
      Add(message, now);
      added = true;
    }
  fHeld.clear();
  return !added || Save(now);
}

TApplyingScope::TApplyingScope(std::string path) : fOuter(InnermostScope()), fPath(std::move(path)) {
  InnermostScope() = this;
}

TApplyingScope::~TApplyingScope() { InnermostScope() = fOuter; }

void TApplyingScope::Opened(const TReceivedMessage& message) {
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

bool TApplyingScope::Apply(bool now) {
  const TModelHooks& hooks = ModelHooks();
  TAppliedMessages& applied = TAppliedMessages::Instance();
  bool kept = true;
  for (const TReceivedMessage& message : fMessages) {
    if (now) kept = applied.Remember(message, Now()) && kept;
    else applied.Hold(fPath, message);
    if (!fDeclined && hooks.PinSignerKey &&
        !hooks.PinSignerKey(TStr(message.Sender), TStr(message.Address), message.SignerKey)) {
      TError::Report("TApplyingScope - ключ подписи отправителя не закреплён: " + fPath);
      kept = false;
    }
  }
  fMessages.clear();
  return kept;
}
