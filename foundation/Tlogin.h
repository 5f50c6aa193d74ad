#pragma once
// The users' logins. A login is one user of this installation (or, virtual, a
// correspondent known only by e-mail) with the identity its contributions carry, its
// rights, its mail account and its key password.
//
// The logins file keeps secrets only enciphered: the login's key (the password of its
// private messages), its mail password and the private key that signs its messages are
// one portion enciphered under the login's key password, which is itself never stored.
// Entering the key password unlocks them for the rest of the session. The file is readable
// by its owner only and is replaced as a whole (temporary file and rename), so a crash
// never leaves it half written.

#include "foundation/Messagesignature.h"
#include "foundation/Tarray.h"
#include "foundation/Tstr.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>

// A mail account of a login.
struct TEMailInfo {
  TStr Name;  // the account's own name; not used by the post office
  TStr POP3Server;
  TStr SMTPServer;
  TStr UserName;
  TStr Password;                // kept enciphered in the file
  uint16_t MaxReceivers = 0;    // receivers per e-mail, 0 = no limit
  bool operator==(const TEMailInfo&) const = default;
};

// Where a login last stood in a discussion, keyed by the discussion's model identifier.
struct TLoginPosition {
  TStr MIdent;
  uint8_t StorageType = 0;  // the block's code: storage type and number
  uint16_t Number = 0;
  bool operator==(const TLoginPosition&) const = default;
};

// Access of a login to a private discussion, by the discussion's private identifier.
struct TLoginAccess {
  TStr PrivateIdent;
  uint8_t Level = 0;  // 0 none; 1 or more may read
  bool operator==(const TLoginAccess&) const = default;
};

// The Key a correspondent gave this login for reading its private messages, kept for the
// person the user gave it for: the identifier and the address its question showed together
// (no address: kept before the address was, it serves the identifier at any address).
struct TCorrespondentKey {
  TStr LIdent;
  TStr Key;
  TStr Address;
  bool operator==(const TCorrespondentKey&) const = default;
};

class TLogin {
 public:
  static constexpr uint16_t ManagerIdent = 0;
  static constexpr int ModerateRight = 3;

  uint16_t Ident = 0;      // 0 for the manager login
  uint8_t Virtual = 0;     // 1: a correspondent, not a user of this installation
  TStr LIdent;             // the identity of the user's contributions
  TStr Name;
  TStr DisplayName;        // the From name of post mails
  TStr AutomaticEMail;     // also the letter code of post-file names
  TStr Rights;             // one character per right, '1' granted
  TEMailInfo EMail;
  TStr Key;                // the password of its private messages, random; kept enciphered
  TPublicKey PublicKey{};  // the key its messages are signed with; zero until it has a pair
  TStr LastDiscussion;     // the identifier of the discussion shown last
  // Its correspondents' keys, kept enciphered with the other secrets.
  TArray<TCorrespondentKey> CorrespondentKeys;
  TArray<TLoginPosition> Positions;
  TArray<TLoginAccess> Accesses;

  // Not stored: this session's state.
  uint8_t KeyPasswordVerified = 0;            // the key password was entered; the post office clears it
  uint8_t KeyPasswordVerifiedForCommand = 0;  // ... during the running command; the dispatcher clears it
  uint8_t OutsideCommand = 1;                 // 0 while a command runs

  // True when right n (1-based) is granted.
  bool HasRight(int n) const;

  // Asks for the key password unless the session flag (perCommand false) or the
  // per-command flag (perCommand true) says it was verified; sets both on success.
  // A cancelled or wrong entry is a refusal: false, nothing reported.
  bool VerifyKeyPassword(bool perCommand);

  // The block the login stood on in the discussion of that model identifier.
  void SetDiscussionPosition(const TStr& mident, uint8_t storageType, uint16_t number);
  bool GetDiscussionPosition(const TStr& mident, uint8_t& storageType, uint16_t& number) const;

  // The access level to a private discussion, 0 for none.
  int AccessLevel(const TStr& privateIdent) const;
  // Access of level 1 at least to the private discussion of that identifier.
  void GrantAccess(const TStr& privateIdent);

  // True when the login has a key password (its secrets portion exists).
  bool HasKeyPassword() const { return !fSecrets.empty() || !fKeyPassword.empty(); }
  // True when the secrets are readable in this session.
  bool IsUnlocked() const { return !fKeyPassword.empty(); }
  // Checks a key password against the secrets portion and, when right, unlocks the
  // secrets and keeps the password for the session. No report on a wrong one.
  bool Unlock(const std::string& keyPassword);
  // Sets a new key password (7 to 32 characters) for a login that is unlocked or has
  // none; its secrets are enciphered under it when the logins are saved.
  bool SetKeyPassword(const std::string& keyPassword);
  // The pair that signs this login's messages; false while locked or without one.
  bool SigningPair(TSigningKeyPair& pair) const;
  // The key password of this session, "" while locked.
  const std::string& SessionKeyPassword() const { return fKeyPassword; }
  // The Key its private messages are sealed with, "" while locked.
  std::string SealingKey() const { return IsUnlocked() ? Key.ToString() : std::string(); }
  // The Key this login keeps for the correspondent of that LIdent at that address: the one
  // kept for both, else one kept for the LIdent alone, else one kept for it at another
  // address (a Key only opens seals, whoever it is tried for); "" when none.
  // `elsewhere` false: only the Key kept for both, or for the LIdent alone.
  std::string CorrespondentKey(const TStr& lident, const TStr& email = TStr(), bool elsewhere = true) const;

 private:
  friend class TLoginsStorage;
  std::string fSecrets;      // the enciphered portion as stored
  std::string fKeyPassword;  // this session's key password, "" while locked
  TSigningKeyPair fSigning;  // read from the secrets while unlocked
  // Gives the login a signing pair when it has none yet (made, or of an older file).
  bool EnsureSigningPair();
};

// The key a correspondent's messages are signed with, pinned when a message of that LIdent
// answered a request of this installation or the user admitted its sender; also a key
// that a message offered in place of the pinned one, until the user trusts it.
struct TPinnedKey {
  TStr LIdent;
  TStr Address;  // FROM_USER_EMAIL of that message
  TPublicKey Key{};
};

// A person as the post office knows them: identifier and address (in lower case) together.
std::string PersonOf(std::string_view lident, std::string_view address);

class TLoginsStorage {
 public:
  TLoginsStorage();
  ~TLoginsStorage();
  TLoginsStorage(const TLoginsStorage&) = delete;
  TLoginsStorage& operator=(const TLoginsStorage&) = delete;

  TArray<TLogin> Logins;
  TArray<TPinnedKey> Pins;
  // Keys that messages were signed with in the name of a correspondent whose pinned key
  // differs; the user was told of each once. Bounded: the oldest give way.
  TArray<TPinnedKey> Offered;
  TStr SiteURL;                 // the address of the program's web site
  uint16_t LastLoginIdent = 0;  // who logged in last
  int Current = -1;             // index of the current login, -1 before the login

  // The file of the logins; "Logins.cbs" in the suite's root folder.
  static std::string DefaultPath();

  // Loads the file; a missing file gives no logins. A damaged file gives way to its
  // previous copy ("<path>.old"), or to no logins when that cannot be read either; the
  // damaged copies are moved aside and the user is told. True: the start goes on.
  bool Load(const std::string& path);
  // Writes the file (temporary file, owner-only, rename), the replaced contents kept as
  // the previous copy. False when reported.
  bool Save();
  const std::string& Path() const { return fPath; }

  // The current login, null before the login.
  TLogin* GetCurrentLogin();
  TLogin& GetLogin(int index) { return Logins[index]; }
  int Count() const { return static_cast<int>(Logins.Count()); }

  // Index of the login with that 16-bit identifier, -1 when there is none.
  int FindLogin(uint16_t ident) const;
  // Index of the (non-virtual) login with that LIdent, -1 when there is none.
  int FindLoginByLIdent(const TStr& lident) const;
  // Index of the first login with identifier 0, -1 when there is none.
  int GetManagerLoginIndex() const;
  // Finds the virtual login with that e-mail (updating its name when one is given) or
  // appends one with the next free identifier; -1 (reported) when none is free.
  int FindOrAddVirtualLogin(const TStr& email, const TStr& name);
  // The login of a person named in a message by LIdent and address: this installation's
  // own login of that LIdent, else the stand-in of that address, found or added and given
  // the LIdent when it has none. -1 without an address, or (reported) when none can be
  // added.
  int FindOrAddLoginOf(const TStr& lident, const TStr& email);
  // The Key that the private messages of the sender of that LIdent (at that address) are
  // sealed with: a login of this installation's own Key while it is unlocked, else the Key
  // the current login keeps for that correspondent (TLogin::CorrespondentKey); "" when none.
  TStr GetKeyOf(const TStr& lident, const TStr& email = TStr(), bool elsewhere = true) const;
  // The Key of the sender of a received private message as the user gives it, asked
  // ("Key of <address>, for <about>") when no Key kept opens the message; `about` names the
  // message (its command and discussion). Nothing is kept by asking: KeepKeyOf keeps the Key
  // once it opened the message. "" when the user gives none. Within a handling run
  // (TKeyQuestionsRun) a person claimed (the sender's LIdent and the address shown) is asked
  // once, whatever keys sign their messages: a Key given serves all of them, and what else
  // the user chose answers the messages signed with the key of the one asked about (its
  // bytes prove them of one signer); the others wait for another run (KeyQuestionWait).
  // In a run the question offers to ask no more; from then on "" comes back unasked.
  TStr AskKeyOf(const TStr& lident, const TStr& email, const TPublicKey& signer = {}, const std::string& about = "");
  static constexpr const char* AskNoMoreButton = "Ask no more";
  // Why a message of that person, signed with `signer`, that no Key opened waits for another
  // run: None when it does not (the user set it aside at its question, or the Key given
  // there does not open it, or no run asks); else the user cancelled the question or chose
  // to ask no more there, the run asked no more, or the question was answered for a message
  // of another signer.
  enum class TKeyWait { None, Cancelled, AskedNoMore, NotAsked, OtherSigner };
  TKeyWait KeyQuestionWait(const TStr& lident, const TStr& email, const TPublicKey& signer) const;
  // Whether the user set the messages of that person and signer aside at their question.
  bool KeyQuestionSetAside(const TStr& lident, const TStr& email, const TPublicKey& signer) const;
  bool AskedNoMore() const { return fAskNoMore; }
  // A Key the user gave at the question of that LIdent and address opened its message: the
  // current login keeps it for that LIdent and address together, enciphered under its own
  // key password, in place of the one kept before for both (the sender may have changed
  // their Key: the user's answer decides), and the file is saved at once. It never replaces
  // a Key kept for another LIdent or another address, nor one kept for the LIdent alone:
  // the answer was about the person the question showed, and proves nothing of any other.
  // A kept Key is never dropped because a message fails with it. False when no login is
  // open to keep it, or (reported) when the file cannot be kept.
  bool KeepKeyOf(const TStr& lident, const TStr& email, const TStr& key);
  // The Key the current login seals its private messages with, once its key password is
  // verified (asked of the user when not yet); "" when the user cancels or fails.
  TStr GetPrivateMessageKey();
  // The current login's key password when privateFlag is set: asked of the user while
  // not verified (a new one is asked for and stored when the login has none); "" when
  // the flag is clear or the user cancels or fails.
  TStr GetKeyPassword(bool privateFlag);

  // Whether `key` may sign for the sender of that LIdent: a login of this installation by
  // its own public key, a correspondent by the key pinned for it, and any key while none is
  // pinned (the first-use trust). Asking pins nothing: a message that is then refused must
  // not lock its sender out.
  bool MaySign(const TStr& lident, const TPublicKey& key) const;
  // A message signed with `key` was accepted from the sender of that LIdent: the key is
  // pinned when none is known for it, and kept in the file at once. False when another key
  // is known, or (reported) when the pin cannot be kept.
  bool PinSignerKey(const TStr& lident, const TStr& email, const TPublicKey& key);
  // The key a sender of that LIdent signs with as far as this installation knows it; false
  // when none is known yet.
  bool KnownKeyOf(const TStr& lident, TPublicKey& key) const;
  // A message in the name of that correspondent came signed with `key`, not the pinned one:
  // the key is kept as offered. True when it was not offered before (the user is to be told
  // now), false when it was, or for a login of this installation.
  bool OfferKey(const TStr& lident, const TStr& email, const TPublicKey& key);
  // The latest key offered for that LIdent; false when none is.
  bool OfferedKeyOf(const TStr& lident, TPinnedKey& offered) const;
  // The user compared fingerprints and trusts the offered `key` for that correspondent: it
  // replaces the pinned one, and is kept in the file at once. False (reported when the file
  // cannot be kept) when that key is not offered.
  bool TrustOfferedKey(const TStr& lident, const TPublicKey& key);

  // Appends a login of this installation and returns its index; the first gets
  // identifier 0 (the manager), the others the next free identifier.
  int AddLogin(const TStr& name, const TStr& email);
  // Real (non-virtual) logins.
  int RealLoginCount() const;

 private:
  // Takes the logins of the file's contents; false (reported) when they are damaged, and
  // nothing is taken then.
  bool Parse(const std::string& path, std::string_view data);
  // Forgets the answers of a run, wiping the Keys among them.
  void ForgetKeyAnswers();
  std::string fPath;
  friend class TKeyQuestionsRun;
  int fKeyRuns = 0;  // handling runs going on: they nest
  // What the user chose at a Key question of the run.
  enum class TKeyChoice { Given, SetAside, Cancelled, AskedNoMore, NotAsked };
  struct TKeyAnswer {
    TKeyChoice Choice = TKeyChoice::NotAsked;
    std::string Key;      // given
    TPublicKey Signer{};  // of the message asked about
  };
  // The Key questions of the run, by LIdent and address shown.
  std::map<std::string, TKeyAnswer> fKeyAnswers;
  bool fAskNoMore = false;  // the user chose to ask no more in the run
};

// One handling run of received messages, as far as the Key questions go: while it lasts
// (the outermost one, when runs nest) each question is asked at most once, and what was
// answered, or left unasked, is forgotten when it ends, never carried into another run.
class TKeyQuestionsRun {
 public:
  explicit TKeyQuestionsRun(TLoginsStorage* logins);
  ~TKeyQuestionsRun();
  TKeyQuestionsRun(const TKeyQuestionsRun&) = delete;
  TKeyQuestionsRun& operator=(const TKeyQuestionsRun&) = delete;

 private:
  TLoginsStorage* fLogins;
};

// The process-wide logins, made by the start-up driver; null before.
TLoginsStorage*& LoginsStorage();

// The key-password prompt: asks the user for a key password (hidden input); false when
// the user cancels. `caption` and `prompt` are the dialog's texts.
bool AskKeyPassword(const std::string& caption, const std::string& prompt, std::string& password);
// Asks for a new key password twice until both agree and it is 7 to 32 characters long;
// false when the user cancels.
bool AskNewKeyPassword(const std::string& caption, std::string& password);
