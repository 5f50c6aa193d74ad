#include "foundation/Tlogin.h"

#include "foundation/Filereplace.h"
#include "foundation/Keptfile.h"
#include "foundation/Gost28147.h"
#include "foundation/Gosthmac.h"
#include "foundation/Gostpassword.h"
#include "foundation/Guihooks.h"
#include "foundation/Storedfields.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "foundation/Textroutines.h"
#include "platform/kernel/Datafolders.h"
#include "platform/rtl/Strutil.h"

#include <algorithm>
#include <cstring>
#include <tuple>
#include <utility>

namespace {

constexpr char kMagic[8] = {'Q', 'L', 'L', 'O', 'G', 'I', 'N', 'S'};
// Version 2 adds each login's public key and the pinned keys of correspondents; the
// secrets of format 2 add the signing pair, those of format 3 the address each
// correspondent's Key was given for. Version 3 adds the keys offered in place of pinned ones.
constexpr uint16_t kVersion = 3;
constexpr uint16_t kPinsVersion = 2;
constexpr uint16_t kOldVersion = 1;
constexpr uint32_t kMaxOffered = 256;       // offered keys kept in all
constexpr uint32_t kMaxOfferedPerName = 4;  // ... and for one correspondent
constexpr uint8_t kSecretsFormat = 3;
constexpr uint8_t kPairSecretsFormat = 2;
constexpr uint32_t kMaxLogins = 65536;
constexpr uint32_t kMaxEntries = 1u << 20;
constexpr uint32_t kMaxSecrets = 1u << 20;
constexpr size_t kKeyPasswordMin = 7;
constexpr size_t kKeyPasswordMax = 32;

bool SameAddress(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::string RandomDigits(size_t count, const char* alphabet, size_t alphabetSize) {
  std::string bytes(count, '\0');
  RandomBytes(reinterpret_cast<uint8_t*>(bytes.data()), count);
  for (char& c : bytes) c = alphabet[static_cast<uint8_t>(c) % alphabetSize];
  return bytes;
}

// Each stored record's fields, listed once in stored order for the writer and the reader
// (const records for writing). A login's fields up to its counted lists: its mail account
// without the password, which is kept enciphered with the secrets.
template <class Login>
auto LoginFields(Login& l) {
  return std::tie(l.Ident, l.Virtual, l.LIdent, l.Name, l.DisplayName, l.AutomaticEMail, l.Rights, l.EMail.Name,
                  l.EMail.POP3Server, l.EMail.SMTPServer, l.EMail.UserName, l.EMail.MaxReceivers, l.LastDiscussion);
}
constexpr auto PositionFields = [](auto& p) { return std::tie(p.MIdent, p.StorageType, p.Number); };
constexpr auto AccessFields = [](auto& a) { return std::tie(a.PrivateIdent, a.Level); };
constexpr auto PinFields = [](auto& pin) { return std::tie(pin.LIdent, pin.Address, pin.Key); };

// A counted list of records: the count, then each record by its field list.
template <class T, class FieldsOf>
void WriteRecords(TBufWriter& w, const TArray<T>& records, FieldsOf fieldsOf) {
  w.WriteDWord(records.Count());
  for (const T& record : records) WriteFields(w, fieldsOf(record));
}
// The records of a counted list whose count the caller has read and bounded.
template <class T, class FieldsOf>
TArray<T> ReadRecords(TBufReader& r, uint32_t count, FieldsOf fieldsOf) {
  TArray<T> records;
  for (uint32_t k = 0; k < count && !r.IsFailed(); ++k) {
    T record;
    ReadFields(r, fieldsOf(record));
    records.AddItem(std::move(record));
  }
  return records;
}

// The plain secrets portion: the key, the mail password and the signing pair.
std::string ComposeSecrets(const TLogin& login, const TSigningKeyPair& pair) {
  std::string plain;
  {
    TBufWriter w(plain);
    w.WriteByte(kSecretsFormat);
    login.Key.SaveToBufWriter(w);
    login.EMail.Password.SaveToBufWriter(w);
    w.WriteBytes(pair.Private.data(), pair.Private.size());
    w.WriteBytes(pair.Public.data(), pair.Public.size());
    w.WriteDWord(login.CorrespondentKeys.Count());
    for (const TCorrespondentKey& entry : login.CorrespondentKeys) {
      entry.LIdent.SaveToBufWriter(w);
      entry.Key.SaveToBufWriter(w);
      entry.Address.SaveToBufWriter(w);
    }
  }
  return plain;
}

bool ReportDamaged(const std::string& path, const char* what) {
  TError::Report(std::string("TLoginsStorage::Load - файл учётных записей повреждён (") + what + "): " + path);
  return false;
}

}  // namespace

// ---- TLogin ----

bool TLogin::HasRight(int n) const { return n >= 1 && static_cast<size_t>(n) <= Rights.Length() && Rights.View()[n - 1] == '1'; }

void TLogin::SetDiscussionPosition(const TStr& mident, uint8_t storageType, uint16_t number) {
  if (mident.IsEmpty()) return;
  for (TLoginPosition& p : Positions)
    if (p.MIdent == mident) {
      p.StorageType = storageType;
      p.Number = number;
      return;
    }
  TLoginPosition p;
  p.MIdent = mident;
  p.StorageType = storageType;
  p.Number = number;
  Positions.AddItem(std::move(p));
}

bool TLogin::GetDiscussionPosition(const TStr& mident, uint8_t& storageType, uint16_t& number) const {
  for (const TLoginPosition& p : Positions)
    if (p.MIdent == mident) {
      storageType = p.StorageType;
      number = p.Number;
      return true;
    }
  return false;
}

int TLogin::AccessLevel(const TStr& privateIdent) const {
  for (const TLoginAccess& a : Accesses)
    if (a.PrivateIdent == privateIdent) return a.Level;
  return 0;
}

void TLogin::GrantAccess(const TStr& privateIdent) {
  for (uint32_t i = 0; i < Accesses.Count(); ++i)
    if (Accesses[i].PrivateIdent == privateIdent) {
      if (Accesses[i].Level < 1) Accesses[i].Level = 1;
      return;
    }
  Accesses.AddItem(TLoginAccess{privateIdent, 1});
}

bool TLogin::Unlock(const std::string& keyPassword) {
  if (keyPassword.empty()) return false;
  if (!fKeyPassword.empty())
    return keyPassword.size() == fKeyPassword.size() &&
           ConstantTimeEqual(keyPassword.data(), fKeyPassword.data(), keyPassword.size());
  if (fSecrets.size() <= PasswordCipherOverhead) return false;
  std::string plain(fSecrets.size() - PasswordCipherOverhead, '\0');
  if (!DecipherWithPassword(reinterpret_cast<const uint8_t*>(fSecrets.data()), fSecrets.size(), keyPassword.data(),
                            keyPassword.size(), reinterpret_cast<uint8_t*>(plain.data())))
    return false;
  TBufReader r(plain);
  const uint8_t format = r.ReadByte();
  if (format != 1 && format != kPairSecretsFormat && format != kSecretsFormat) return false;
  TStr key, password;
  key.LoadFromBufReader(r);
  password.LoadFromBufReader(r);
  TSigningKeyPair pair;
  TArray<TCorrespondentKey> keys;
  if (format >= kPairSecretsFormat) {
    r.ReadBytes(pair.Private.data(), pair.Private.size());
    r.ReadBytes(pair.Public.data(), pair.Public.size());
    const uint32_t count = r.ReadDWord();
    for (uint32_t i = 0; i < count && i < kMaxEntries && !r.IsFailed(); ++i) {
      TCorrespondentKey entry;
      entry.LIdent.LoadFromBufReader(r);
      entry.Key.LoadFromBufReader(r);
      if (format >= kSecretsFormat) entry.Address.LoadFromBufReader(r);
      keys.AddItem(std::move(entry));
    }
  }
  WipeMemory(plain.data(), plain.size());
  if (r.IsFailed()) return false;
  Key = key;
  EMail.Password = password;
  CorrespondentKeys = std::move(keys);
  fKeyPassword = keyPassword;
  fSigning = pair;
  pair.Wipe();
  // Logins of the older format get their pair now; the caller saves the logins.
  EnsureSigningPair();
  return true;
}

bool TLogin::EnsureSigningPair() {
  if (fSigning.IsEmpty() && !MakeSigningKeyPair(fSigning)) return false;
  PublicKey = fSigning.Public;  // the enciphered copy is the one trusted
  return true;
}

std::string TLogin::CorrespondentKey(const TStr& lident, const TStr& email, bool elsewhere) const {
  if (!IsUnlocked()) return std::string();
  const TCorrespondentKey* best = nullptr;
  int bestRank = 0;
  for (const TCorrespondentKey& entry : CorrespondentKeys) {
    if (!(entry.LIdent == lident)) continue;
    const int rank = SameAddress(entry.Address.View(), email.View()) ? 3
                     : entry.Address.IsEmpty()                       ? 2
                     : elsewhere                                     ? 1
                                                                     : 0;
    if (rank > bestRank) {
      best = &entry;
      bestRank = rank;
    }
  }
  return best ? best->Key.ToString() : std::string();
}

bool TLogin::SigningPair(TSigningKeyPair& pair) const {
  if (!IsUnlocked() || fSigning.IsEmpty()) return false;
  pair = fSigning;
  return true;
}

bool TLogin::SetKeyPassword(const std::string& keyPassword) {
  if (keyPassword.size() < kKeyPasswordMin || keyPassword.size() > kKeyPasswordMax) return false;
  if (HasKeyPassword() && !IsUnlocked()) return false;
  fKeyPassword = keyPassword;
  fSecrets.clear();
  return EnsureSigningPair();
}

bool TLogin::VerifyKeyPassword(bool perCommand) {
  if (perCommand ? KeyPasswordVerifiedForCommand : KeyPasswordVerified) return true;
  if (!HasKeyPassword()) {
    std::string fresh;
    if (!AskNewKeyPassword("KEY PASSWORD", fresh) || !SetKeyPassword(fresh)) return false;
    if (TLoginsStorage* storage = LoginsStorage()) storage->Save();
  } else {
    for (int attempt = 0;; ++attempt) {
      std::string entered;
      if (!AskKeyPassword("KEY PASSWORD", "Key password of " + Name.ToString() + ":", entered)) return false;
      if (Unlock(entered)) break;
      if (attempt == 2) {
        ShowMessageBox("KEY PASSWORD", "Incorrect key password.");
        return false;
      }
      ShowMessageBox("KEY PASSWORD", "Incorrect key password. Please, try again.");
    }
  }
  KeyPasswordVerified = 1;
  KeyPasswordVerifiedForCommand = 1;
  return true;
}

// ---- TLoginsStorage ----

TLoginsStorage::TLoginsStorage() = default;
TLoginsStorage::~TLoginsStorage() { ForgetKeyAnswers(); }

std::string TLoginsStorage::DefaultPath() {
  const std::string& root = TBrowseGlobal::Paths.Root;
  return (root.empty() ? platform::DataRoot() + "/" : root) + "Logins.cbs";
}

bool TLoginsStorage::Load(const std::string& path) {
  fPath = path;
  Logins.Clear();
  Pins.Clear();
  Offered.Clear();
  SiteURL.Clear();
  LastLoginIdent = 0;
  Current = -1;
  // No file: no logins yet. A damaged one gives way to its previous copy, else to none.
  LoadKeptFile(path, [this, &path](std::string_view data) { return Parse(path, data); },
               {"LOADING LOGINS", "logins file",
                "The program starts without the logins it held; their secrets stay in the damaged file."});
  return true;
}

bool TLoginsStorage::Parse(const std::string& path, std::string_view data) {
  if (data.size() < sizeof kMagic + 2 || std::memcmp(data.data(), kMagic, sizeof kMagic) != 0)
    return ReportDamaged(path, "нет заголовка");
  TBufReader r(data.substr(sizeof kMagic));
  const uint16_t version = r.ReadWord();
  if (version != kVersion && version != kPinsVersion && version != kOldVersion)
    return ReportDamaged(path, "неизвестная версия");
  TArray<TLogin> logins;
  TStr site;
  site.LoadFromBufReader(r);
  const uint16_t last = r.ReadWord();
  const uint32_t count = r.ReadDWord();
  if (count > kMaxLogins) return ReportDamaged(path, "число записей");
  for (uint32_t i = 0; i < count && !r.IsFailed(); ++i) {
    TLogin login;
    ReadFields(r, LoginFields(login));
    const uint32_t positions = r.ReadDWord();
    if (positions > kMaxEntries) return ReportDamaged(path, "число позиций");
    login.Positions = ReadRecords<TLoginPosition>(r, positions, PositionFields);
    const uint32_t accesses = r.ReadDWord();
    if (accesses > kMaxEntries) return ReportDamaged(path, "число доступов");
    login.Accesses = ReadRecords<TLoginAccess>(r, accesses, AccessFields);
    const uint32_t secrets = r.ReadDWord();
    if (secrets > kMaxSecrets) return ReportDamaged(path, "длина секретов");
    login.fSecrets = r.ReadAnsiString(secrets);
    if (version >= kPinsVersion) r.ReadBytes(login.PublicKey.data(), login.PublicKey.size());
    if (IsErrorReported()) return false;
    logins.AddItem(std::move(login));
  }
  const uint32_t pinCount = version >= kPinsVersion ? r.ReadDWord() : 0;
  if (pinCount > kMaxEntries) return ReportDamaged(path, "число ключей");
  TArray<TPinnedKey> pins = ReadRecords<TPinnedKey>(r, pinCount, PinFields);
  const uint32_t offeredCount = version >= kVersion ? r.ReadDWord() : 0;
  if (offeredCount > kMaxOffered) return ReportDamaged(path, "число предложенных ключей");
  TArray<TPinnedKey> offered = ReadRecords<TPinnedKey>(r, offeredCount, PinFields);
  if (r.IsFailed() || IsErrorReported()) return false;
  if (!r.IsEof()) return ReportDamaged(path, "лишние данные");
  Logins = std::move(logins);
  Pins = std::move(pins);
  Offered = std::move(offered);
  SiteURL = site;
  LastLoginIdent = last;
  return true;
}

bool TLoginsStorage::Save() {
  if (fPath.empty()) fPath = DefaultPath();
  std::string data(kMagic, sizeof kMagic);
  {
    TBufWriter w(data);
    w.WriteWord(kVersion);
    SiteURL.SaveToBufWriter(w);
    w.WriteWord(LastLoginIdent);
    w.WriteDWord(Logins.Count());
    for (TLogin& login : Logins) {
      WriteFields(w, LoginFields(std::as_const(login)));
      WriteRecords(w, login.Positions, PositionFields);
      WriteRecords(w, login.Accesses, AccessFields);
      if (login.IsUnlocked()) {
        std::string plain = ComposeSecrets(login, login.fSigning);
        login.fSecrets.assign(plain.size() + PasswordCipherOverhead, '\0');
        EncipherWithPassword(plain.data(), plain.size(), login.fKeyPassword.data(), login.fKeyPassword.size(),
                             reinterpret_cast<uint8_t*>(login.fSecrets.data()));
        WipeMemory(plain.data(), plain.size());
      }
      w.WriteDWord(static_cast<uint32_t>(login.fSecrets.size()));
      w.WriteAnsiString(login.fSecrets);
      w.WriteBytes(login.PublicKey.data(), login.PublicKey.size());
    }
    WriteRecords(w, Pins, PinFields);
    WriteRecords(w, Offered, PinFields);
  }
  if (IsErrorReported()) return false;
  return ReplaceKeptFile(fPath, data, true, "TLoginsStorage::Save");
}

TLogin* TLoginsStorage::GetCurrentLogin() {
  return Current >= 0 && static_cast<uint32_t>(Current) < Logins.Count() ? &Logins[Current] : nullptr;
}

int TLoginsStorage::FindLogin(uint16_t ident) const {
  for (uint32_t i = 0; i < Logins.Count(); ++i)
    if (Logins[i].Ident == ident) return static_cast<int>(i);
  return -1;
}

int TLoginsStorage::FindLoginByLIdent(const TStr& lident) const {
  if (lident.IsEmpty()) return -1;
  for (uint32_t i = 0; i < Logins.Count(); ++i)
    if (!Logins[i].Virtual && Logins[i].LIdent == lident) return static_cast<int>(i);
  return -1;
}

int TLoginsStorage::GetManagerLoginIndex() const { return FindLogin(TLogin::ManagerIdent); }

int TLoginsStorage::RealLoginCount() const {
  int n = 0;
  for (const TLogin& login : Logins) n += login.Virtual ? 0 : 1;
  return n;
}

namespace {

// The next identifier above every one in use, or the first gap; -1 when all are taken.
int NextFreeIdent(const TArray<TLogin>& logins) {
  int highest = -1;
  for (const TLogin& login : logins) highest = std::max<int>(highest, login.Ident);
  if (highest < 0xFFFE) return highest + 1;
  for (int candidate = 1; candidate < 0xFFFF; ++candidate) {
    bool used = false;
    for (const TLogin& login : logins) used = used || login.Ident == candidate;
    if (!used) return candidate;
  }
  return -1;
}

}  // namespace

int TLoginsStorage::FindOrAddVirtualLogin(const TStr& email, const TStr& name) {
  for (uint32_t i = 0; i < Logins.Count(); ++i) {
    TLogin& login = Logins[i];
    if (!login.Virtual || !SameAddress(login.AutomaticEMail.View(), email.View())) continue;
    if (!name.IsEmpty()) login.Name = name;
    return static_cast<int>(i);
  }
  const int ident = NextFreeIdent(Logins);
  if (ident < 0) {
    TError::Report("TLoginsStorage::FindOrAddVirtualLogin - нет свободного идентификатора учётной записи");
    return -1;
  }
  TLogin login;
  login.Ident = static_cast<uint16_t>(ident);
  login.Virtual = 1;
  login.Name = name;
  login.DisplayName = name;
  login.AutomaticEMail = email;
  return Logins.AddItem(std::move(login));
}

int TLoginsStorage::FindOrAddLoginOf(const TStr& lident, const TStr& email) {
  const int own = FindLoginByLIdent(lident);
  if (own >= 0 || email.IsEmpty()) return own;
  const int index = FindOrAddVirtualLogin(email, TStr());
  if (index >= 0 && Logins[uint32_t(index)].LIdent.IsEmpty()) Logins[uint32_t(index)].LIdent = lident;
  return index;
}

int TLoginsStorage::AddLogin(const TStr& name, const TStr& email) {
  const int ident = RealLoginCount() == 0 && FindLogin(TLogin::ManagerIdent) < 0 ? 0 : NextFreeIdent(Logins);
  if (ident < 0) {
    TError::Report("TLoginsStorage::AddLogin - нет свободного идентификатора учётной записи");
    return -1;
  }
  static const char kDigits[] = "0123456789";
  static const char kHex[] = "0123456789ABCDEF";
  TLogin login;
  login.Ident = static_cast<uint16_t>(ident);
  login.Name = name;
  login.DisplayName = name;
  login.AutomaticEMail = email;
  login.LIdent = MakeUpperIdent(email.View()) + "_" + RandomDigits(6, kDigits, 10) + "_LID";
  login.Key = RandomDigits(24, kHex, 16);
  login.Rights = ident == 0 ? "111" : "11";
  login.EMail.Name = email;
  login.EMail.UserName = email;
  return Logins.AddItem(std::move(login));
}

TStr TLoginsStorage::GetKeyOf(const TStr& lident, const TStr& email, bool elsewhere) const {
  if (lident.IsEmpty()) return TStr();
  const int own = FindLoginByLIdent(lident);
  if (own >= 0 && Logins[own].IsUnlocked()) return TStr(Logins[own].SealingKey());
  const TLogin* current = Current >= 0 && uint32_t(Current) < Logins.Count() ? &Logins[Current] : nullptr;
  return current ? TStr(current->CorrespondentKey(lident, email, elsewhere)) : TStr();
}

std::string PersonOf(std::string_view lident, std::string_view address) {
  return std::string(lident) + '\n' + LowerCase(address);
}

namespace {

// A Key question as the user reads it: whose LIdent, at which address.
std::string KeyQuestionOf(const TStr& lident, const TStr& email) { return PersonOf(lident.View(), email.View()); }

}  // namespace

TStr TLoginsStorage::AskKeyOf(const TStr& lident, const TStr& email, const TPublicKey& signer,
                              const std::string& about) {
  if (lident.IsEmpty()) return TStr();
  // Asked in this run already: one question a run for each person claimed, however many
  // messages and keys claim them; a Key given serves each of their messages.
  const std::string question = KeyQuestionOf(lident, email);
  if (const auto answered = fKeyAnswers.find(question); answered != fKeyAnswers.end())
    return TStr(answered->second.Choice == TKeyChoice::Given ? answered->second.Key : std::string());
  const bool inRun = fKeyRuns > 0;
  TLogin* current = GetCurrentLogin();
  if (!current || !current->IsUnlocked() || fAskNoMore) {
    if (inRun) fKeyAnswers[question] = TKeyAnswer{TKeyChoice::NotAsked, std::string(), signer};
    return TStr();
  }
  std::string entered;
  const std::string shown = email.IsEmpty() ? lident.ToString() : email.ToString();
  std::string prompt = "Key of " + shown + (about.empty() ? "" : ", for " + about);
  TInputAnswer answer = TInputAnswer::Cancelled;
  if (inRun) {
    prompt += ". OK with no Key sets the message aside; Cancel leaves it for the next run:";
    answer = InputStringOrButton("KEY", prompt, "", entered, true, AskNoMoreButton);
  } else if (InputString("KEY", prompt + ":", "", entered, true)) {
    answer = TInputAnswer::Ok;
  }
  TKeyAnswer chosen{TKeyChoice::Given, std::string(), signer};
  if (answer == TInputAnswer::Button) {
    // The user's choice: this message and every question after it wait for the next run.
    chosen.Choice = TKeyChoice::AskedNoMore;
    fAskNoMore = true;
  } else if (answer != TInputAnswer::Ok) {
    chosen.Choice = TKeyChoice::Cancelled;
  } else if (entered.empty()) {
    chosen.Choice = TKeyChoice::SetAside;
  } else {
    chosen.Key = entered;
  }
  WipeMemory(entered.data(), entered.size());
  if (inRun) fKeyAnswers[question] = chosen;
  const TStr given(chosen.Key);
  if (!inRun && !chosen.Key.empty()) WipeMemory(chosen.Key.data(), chosen.Key.size());
  return given;
}

TLoginsStorage::TKeyWait TLoginsStorage::KeyQuestionWait(const TStr& lident, const TStr& email,
                                                         const TPublicKey& signer) const {
  const auto answered = fKeyAnswers.find(KeyQuestionOf(lident, email));
  if (answered == fKeyAnswers.end()) return TKeyWait::None;
  switch (answered->second.Choice) {
    case TKeyChoice::Cancelled: return TKeyWait::Cancelled;
    case TKeyChoice::AskedNoMore: return answered->second.Signer == signer ? TKeyWait::AskedNoMore : TKeyWait::NotAsked;
    case TKeyChoice::NotAsked: return TKeyWait::NotAsked;
    case TKeyChoice::Given:
    case TKeyChoice::SetAside: return answered->second.Signer == signer ? TKeyWait::None : TKeyWait::OtherSigner;
  }
  return TKeyWait::None;
}

bool TLoginsStorage::KeyQuestionSetAside(const TStr& lident, const TStr& email, const TPublicKey& signer) const {
  const auto answered = fKeyAnswers.find(KeyQuestionOf(lident, email));
  return answered != fKeyAnswers.end() && answered->second.Choice == TKeyChoice::SetAside &&
         answered->second.Signer == signer;
}

bool TLoginsStorage::KeepKeyOf(const TStr& lident, const TStr& email, const TStr& key) {
  TLogin* current = GetCurrentLogin();
  // A question without an address named nobody the Key could be kept for.
  if (!current || !current->IsUnlocked() || lident.IsEmpty() || email.IsEmpty() || key.IsEmpty()) return false;
  const TStr address(LowerCase(Trim(email.View())));
  for (TCorrespondentKey& kept : current->CorrespondentKeys)
    if (kept.LIdent == lident && SameAddress(kept.Address.View(), address.View())) {
      if (kept.Key == key) return true;
      kept.Key = key;
      return Save();
    }
  current->CorrespondentKeys.AddItem(TCorrespondentKey{lident, key, address});
  return Save();
}

void TLoginsStorage::ForgetKeyAnswers() {
  for (auto& [asked, answer] : fKeyAnswers)
    if (!answer.Key.empty()) WipeMemory(answer.Key.data(), answer.Key.size());
  fKeyAnswers.clear();
  fAskNoMore = false;
}

TKeyQuestionsRun::TKeyQuestionsRun(TLoginsStorage* logins) : fLogins(logins) {
  if (fLogins && fLogins->fKeyRuns++ == 0) fLogins->ForgetKeyAnswers();
}

TKeyQuestionsRun::~TKeyQuestionsRun() {
  if (fLogins && --fLogins->fKeyRuns == 0) fLogins->ForgetKeyAnswers();
}

TStr TLoginsStorage::GetPrivateMessageKey() {
  TLogin* login = GetCurrentLogin();
  if (!login || !login->VerifyKeyPassword(false)) return TStr();
  return TStr(login->SealingKey());
}

bool TLoginsStorage::KnownKeyOf(const TStr& lident, TPublicKey& key) const {
  if (lident.IsEmpty()) return false;
  const int own = FindLoginByLIdent(lident);
  if (own >= 0) {
    key = Logins[own].PublicKey;
    return std::any_of(key.begin(), key.end(), [](uint8_t b) { return b != 0; });
  }
  for (const TPinnedKey& pin : Pins)
    if (pin.LIdent == lident) {
      key = pin.Key;
      return true;
    }
  return false;
}

bool TLoginsStorage::MaySign(const TStr& lident, const TPublicKey& key) const {
  if (lident.IsEmpty()) return false;
  TPublicKey known;
  if (KnownKeyOf(lident, known)) return known == key;
  return FindLoginByLIdent(lident) < 0;  // a login of ours without a pair signs nothing
}

bool TLoginsStorage::PinSignerKey(const TStr& lident, const TStr& email, const TPublicKey& key) {
  if (!MaySign(lident, key)) return false;
  TPublicKey known;
  if (KnownKeyOf(lident, known)) return true;
  TPinnedKey pin;
  pin.LIdent = lident;
  pin.Address = email;
  pin.Key = key;
  Pins.AddItem(std::move(pin));
  return Save();
}

bool TLoginsStorage::OfferKey(const TStr& lident, const TStr& email, const TPublicKey& key) {
  if (lident.IsEmpty() || FindLoginByLIdent(lident) >= 0) return false;
  uint32_t forName = 0;
  for (const TPinnedKey& known : Offered) {
    if (!(known.LIdent == lident)) continue;
    if (known.Key == key) return false;
    ++forName;
  }
  // A flood of keys in one name, or in many, keeps only the latest offers.
  for (uint32_t i = 0; i < Offered.Count() && forName >= kMaxOfferedPerName;)
    if (Offered[i].LIdent == lident) {
      Offered.Delete(i);
      --forName;
    } else {
      ++i;
    }
  while (Offered.Count() >= kMaxOffered) Offered.Delete(0);
  Offered.AddItem(TPinnedKey{lident, email, key});
  Save();
  return true;
}

bool TLoginsStorage::OfferedKeyOf(const TStr& lident, TPinnedKey& offered) const {
  for (uint32_t i = Offered.Count(); i-- > 0;)
    if (Offered[i].LIdent == lident) {
      offered = Offered[i];
      return true;
    }
  return false;
}

bool TLoginsStorage::TrustOfferedKey(const TStr& lident, const TPublicKey& key) {
  int found = -1;
  for (uint32_t i = 0; i < Offered.Count(); ++i)
    if (Offered[i].LIdent == lident && Offered[i].Key == key) found = int(i);
  if (found < 0 || FindLoginByLIdent(lident) >= 0) return false;
  const TPinnedKey trusted = Offered[uint32_t(found)];
  // The other offers in that name were not chosen: their messages stay set aside.
  for (uint32_t i = Offered.Count(); i-- > 0;)
    if (Offered[i].LIdent == lident) Offered.Delete(i);
  bool replaced = false;
  for (TPinnedKey& pin : Pins)
    if (pin.LIdent == lident) {
      pin = trusted;
      replaced = true;
    }
  if (!replaced) Pins.AddItem(TPinnedKey{trusted});
  return Save();
}

TStr TLoginsStorage::GetKeyPassword(bool privateFlag) {
  TLogin* login = GetCurrentLogin();
  if (!privateFlag || !login) return TStr();
  if (!login->VerifyKeyPassword(false)) return TStr();
  return TStr(login->SessionKeyPassword());
}

TLoginsStorage*& LoginsStorage() {
  static TLoginsStorage* storage = nullptr;
  return storage;
}

bool AskKeyPassword(const std::string& caption, const std::string& prompt, std::string& password) {
  password.clear();
  return InputString(caption, prompt, "", password, true);
}

bool AskNewKeyPassword(const std::string& caption, std::string& password) {
  for (;;) {
    std::string first, second;
    if (!AskKeyPassword(caption, "New key password (7 to 32 characters):", first)) return false;
    if (first.size() < kKeyPasswordMin || first.size() > kKeyPasswordMax) {
      ShowMessageBox(caption, "The key password must be 7 to 32 characters long.");
      continue;
    }
    if (!AskKeyPassword(caption, "Repeat the new key password:", second)) return false;
    if (first != second) {
      ShowMessageBox(caption, "The two key passwords differ. Please, try again.");
      continue;
    }
    password = first;
    return true;
  }
}
