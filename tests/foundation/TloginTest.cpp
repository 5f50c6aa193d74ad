#include "foundation/Filereplace.h"
#include "foundation/Gostpassword.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Tlogin.h"
#include "platform/kernel/Filemode.h"
#include "Scratchroot.h"
#include "Scripteddialogs.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

const std::string kKeyPassword = "correct horse";

// A storage with a manager login (unlocked), a second login and a virtual one.
void Fill(TLoginsStorage& logins) {
  const int manager = logins.AddLogin("Иван Петров", "ivan@example.org");
  ASSERT_EQ(manager, 0);
  TLogin& m = logins.GetLogin(manager);
  m.EMail.POP3Server = "pop.example.org";
  m.EMail.SMTPServer = "smtp.example.org";
  m.EMail.Password = "mail-secret-1";
  m.EMail.MaxReceivers = 25;
  m.LastDiscussion = "D20261207-ABCDEF";
  m.SetDiscussionPosition("M-1", 1, 17);
  m.SetDiscussionPosition("M-2", 2, 300);
  m.SetDiscussionPosition("M-1", 3, 4);  // replaces the first
  TLoginAccess access;
  access.PrivateIdent = "P-42";
  access.Level = 2;
  m.Accesses.AddItem(access);
  ASSERT_TRUE(m.SetKeyPassword(kKeyPassword));
  ASSERT_EQ(logins.AddLogin("Second", "second@example.org"), 1);
  ASSERT_TRUE(logins.GetLogin(1).SetKeyPassword("another password"));
  ASSERT_EQ(logins.FindOrAddVirtualLogin("Far@Example.NET", "Far Away"), 2);
  logins.SiteURL = "https://quillaran.example.org/";
  logins.LastLoginIdent = 1;
}

TEST(Tlogin, FileRoundTripKeepsSecretsEncipheredAndOwnerOnly) {
  TScratchRoot root;
  const std::string path = root.Path() + "/Logins.cbs";
  std::string key;
  {
    TLoginsStorage logins;
    ASSERT_TRUE(logins.Load(path));
    EXPECT_EQ(logins.Count(), 0);
    Fill(logins);
    key = logins.GetLogin(0).Key.ToString();
    EXPECT_EQ(key.size(), 24u);
    // A correspondent's Key, entered once, is kept with the current login's secrets once
    // it opened its message; asking alone keeps nothing. Another Key that opens a message
    // of theirs takes its place: one Key a correspondent.
    logins.Current = 0;
    TScriptedDialogs dialogs;
    dialogs.Answer("Key of far@example.net:", "far key 000");
    EXPECT_EQ(logins.AskKeyOf("FAR_LID", "far@example.net"), "far key 000");
    EXPECT_EQ(logins.GetKeyOf(TStr("FAR_LID")), "");
    EXPECT_TRUE(logins.KeepKeyOf(TStr("FAR_LID"), TStr("far@example.net"), TStr("far key 000")));
    EXPECT_TRUE(logins.KeepKeyOf(TStr("FAR_LID"), TStr("far@example.net"), TStr("far key 123")));
    EXPECT_EQ(logins.GetKeyOf(TStr("FAR_LID")), "far key 123");
    EXPECT_EQ(logins.GetLogin(0).CorrespondentKeys.Count(), 1u);
    ASSERT_TRUE(logins.Save());
  }
  EXPECT_EQ(platform::FilePermissions(path), 0600);
  const std::string bytes = testsupport::ReadFile(path);
  for (const std::string& secret : {kKeyPassword, key, std::string("mail-secret-1"), std::string("another password"),
                                    std::string("far key 123"), std::string("far key 000")})
    EXPECT_EQ(bytes.find(secret), std::string::npos) << secret;
  EXPECT_NE(bytes.find("pop.example.org"), std::string::npos);

  TLoginsStorage logins;
  ASSERT_TRUE(logins.Load(path));
  ASSERT_EQ(logins.Count(), 3);
  EXPECT_EQ(logins.SiteURL, "https://quillaran.example.org/");
  EXPECT_EQ(logins.LastLoginIdent, 1);
  TLogin& m = logins.GetLogin(0);
  EXPECT_EQ(m.Ident, 0);
  EXPECT_EQ(m.Name, "Иван Петров");
  EXPECT_EQ(m.AutomaticEMail, "ivan@example.org");
  EXPECT_EQ(m.Rights, "111");
  EXPECT_TRUE(m.HasRight(TLogin::ModerateRight));
  EXPECT_FALSE(logins.GetLogin(1).HasRight(TLogin::ModerateRight));
  EXPECT_EQ(m.LIdent.Pos("IVAN_EXAMPLE_ORG_"), 1u);
  EXPECT_EQ(m.EMail.POP3Server, "pop.example.org");
  EXPECT_EQ(m.EMail.MaxReceivers, 25);
  EXPECT_EQ(m.LastDiscussion, "D20261207-ABCDEF");
  uint8_t type = 0;
  uint16_t number = 0;
  ASSERT_TRUE(m.GetDiscussionPosition("M-1", type, number));
  EXPECT_EQ(type, 3);
  EXPECT_EQ(number, 4);
  ASSERT_TRUE(m.GetDiscussionPosition("M-2", type, number));
  EXPECT_EQ(number, 300);
  EXPECT_FALSE(m.GetDiscussionPosition("M-3", type, number));
  EXPECT_EQ(m.AccessLevel("P-42"), 2);
  EXPECT_EQ(m.AccessLevel("P-43"), 0);
  EXPECT_EQ(logins.GetLogin(2).Virtual, 1);

  // Locked until the key password is given; a wrong one is no error.
  EXPECT_TRUE(m.HasKeyPassword());
  EXPECT_FALSE(m.IsUnlocked());
  EXPECT_TRUE(m.Key.IsEmpty());
  EXPECT_TRUE(m.EMail.Password.IsEmpty());
  logins.Current = 0;
  EXPECT_EQ(logins.GetKeyOf(m.LIdent), "");
  EXPECT_EQ(logins.GetKeyOf(TStr("FAR_LID")), "");
  EXPECT_FALSE(m.Unlock("wrong password"));
  EXPECT_FALSE(IsErrorReported());
  ASSERT_TRUE(m.Unlock(kKeyPassword));
  EXPECT_EQ(m.Key.ToString(), key);
  EXPECT_EQ(m.EMail.Password, "mail-secret-1");
  // A login's private messages are sealed with its own Key, never with its key password;
  // the correspondent's Key is still known in a new session.
  EXPECT_EQ(logins.GetKeyOf(m.LIdent).ToString(), key);
  EXPECT_EQ(logins.GetKeyOf(TStr("NOBODY")), "");
  EXPECT_EQ(logins.GetKeyOf(TStr("FAR_LID")), "far key 123");

  // Saving with one login unlocked and another locked keeps both secrets.
  ASSERT_TRUE(logins.Save());
  TLoginsStorage again;
  ASSERT_TRUE(again.Load(path));
  ASSERT_TRUE(again.GetLogin(1).Unlock("another password"));
  ASSERT_TRUE(again.GetLogin(0).Unlock(kKeyPassword));
  EXPECT_EQ(again.GetLogin(0).EMail.Password, "mail-secret-1");
}

// A logins file of the first format, as installations before signatures wrote it: one
// manager login whose secrets (key and mail password) are enciphered under its key password.
std::string FirstFormatFile() {
  std::string data("QLLOGINS", 8);
  TBufWriter w(data);
  w.WriteWord(1);
  TStr("").SaveToBufWriter(w);
  w.WriteWord(0);
  w.WriteDWord(1);
  w.WriteWord(0);
  w.WriteByte(0);
  for (const char* text : {"OLD_EXAMPLE_ORG_123456_LID", "Old", "Old", "old@example.org", "111", "old@example.org",
                           "pop.example.org", "smtp.example.org", "old@example.org"})
    TStr(text).SaveToBufWriter(w);
  w.WriteWord(0);
  TStr("").SaveToBufWriter(w);
  w.WriteDWord(0);
  w.WriteDWord(0);
  std::string plain;
  {
    TBufWriter p(plain);
    p.WriteByte(1);
    TStr("0123456789ABCDEF01234567").SaveToBufWriter(p);
    TStr("old mail password").SaveToBufWriter(p);
  }
  std::string secrets(plain.size() + PasswordCipherOverhead, '\0');
  EncipherWithPassword(plain.data(), plain.size(), kKeyPassword.data(), kKeyPassword.size(),
                       reinterpret_cast<uint8_t*>(secrets.data()));
  w.WriteDWord(uint32_t(secrets.size()));
  w.WriteAnsiString(secrets);
  w.Flush();
  return data;
}

// A login of the older format gets its signing pair when it is next unlocked, and keeps it;
// a correspondent's key is pinned and kept when asked to, never when only asked whether it
// may sign, and another key for it is refused.
TEST(Tlogin, OlderLoginsGetASigningPairAtUnlockAndCorrespondentsKeysArePinned) {
  TScratchRoot root;
  const std::string path = root.Path() + "/Logins.cbs";
  testsupport::WriteFile(path, FirstFormatFile());
  TPublicKey own;
  {
    TLoginsStorage logins;
    ASSERT_TRUE(logins.Load(path));
    ASSERT_EQ(logins.Count(), 1);
    TLogin& old = logins.GetLogin(0);
    TSigningKeyPair pair;
    EXPECT_FALSE(old.SigningPair(pair));
    ASSERT_TRUE(old.Unlock(kKeyPassword));
    EXPECT_EQ(old.EMail.Password, "old mail password");
    ASSERT_TRUE(old.SigningPair(pair));
    EXPECT_FALSE(pair.IsEmpty());
    own = old.PublicKey;
    EXPECT_EQ(own, pair.Public);
    ASSERT_TRUE(logins.Save());
  }
  TSigningKeyPair far, stranger;
  ASSERT_TRUE(MakeSigningKeyPair(far));
  ASSERT_TRUE(MakeSigningKeyPair(stranger));
  {
    TLoginsStorage logins;
    ASSERT_TRUE(logins.Load(path));
    EXPECT_EQ(logins.GetLogin(0).PublicKey, own);  // known before the unlock
    ASSERT_TRUE(logins.GetLogin(0).Unlock(kKeyPassword));
    EXPECT_EQ(logins.GetLogin(0).PublicKey, own);  // the same pair, not a new one
    // Our own LIdent speaks with our own key only.
    EXPECT_TRUE(logins.MaySign(TStr("OLD_EXAMPLE_ORG_123456_LID"), own));
    EXPECT_FALSE(logins.MaySign(TStr("OLD_EXAMPLE_ORG_123456_LID"), far.Public));
    EXPECT_FALSE(logins.PinSignerKey(TStr("OLD_EXAMPLE_ORG_123456_LID"), TStr("x@example.org"), far.Public));
    // A correspondent not yet known may sign with any key; asking pins nothing.
    TPublicKey known;
    EXPECT_TRUE(logins.MaySign(TStr("FAR_LID"), stranger.Public));
    EXPECT_FALSE(logins.KnownKeyOf(TStr("FAR_LID"), known));
    EXPECT_TRUE(logins.PinSignerKey(TStr("FAR_LID"), TStr("far@example.net"), far.Public));  // pinned, saved
  }
  TLoginsStorage logins;
  ASSERT_TRUE(logins.Load(path));
  TPublicKey known;
  ASSERT_TRUE(logins.KnownKeyOf(TStr("FAR_LID"), known));
  EXPECT_EQ(known, far.Public);
  EXPECT_EQ(logins.Pins[0].Address, "far@example.net");
  EXPECT_TRUE(logins.MaySign(TStr("FAR_LID"), far.Public));
  EXPECT_FALSE(logins.MaySign(TStr("FAR_LID"), stranger.Public));
  EXPECT_FALSE(logins.PinSignerKey(TStr("FAR_LID"), TStr("far@example.net"), stranger.Public));
  EXPECT_FALSE(logins.MaySign(TStr(""), stranger.Public));
  EXPECT_EQ(logins.Pins.Count(), 1u);
  EXPECT_EQ(KeyFingerprint(far.Public).size(), 24u);
  EXPECT_FALSE(IsErrorReported());
}

// A damaged file is never taken in part: its previous copy is loaded in its place, or no
// logins when that is damaged too, and the user is told which file and where it went.
TEST(Tlogin, ADamagedFileGivesWayToItsPreviousCopyAndIsKeptAside) {
  TScratchRoot root;
  const std::string path = root.Path() + "/Logins.cbs";
  {
    TLoginsStorage logins;
    logins.Load(path);
    Fill(logins);
    ASSERT_TRUE(logins.Save());
    logins.AddLogin("Third", "third@example.org");
    ASSERT_TRUE(logins.Save());
  }
  EXPECT_EQ(platform::FilePermissions(path + ".old"), 0600);
  const std::string good = testsupport::ReadFile(path);
  const std::string previous = testsupport::ReadFile(path + ".old");
  // A crash during a later save leaves only a temporary file beside the good one.
  testsupport::WriteFile(path + ".tmp", good.substr(0, good.size() / 2));
  {
    TScriptedDialogs dialogs;
    TLoginsStorage logins;
    ASSERT_TRUE(logins.Load(path));
    EXPECT_EQ(logins.Count(), 4);
    EXPECT_TRUE(dialogs.Boxes.empty());
  }
  for (const std::string& damaged : {good.substr(0, good.size() - 3), std::string("NOTLOGIN") + good.substr(8),
                                     good + "x"}) {
    testsupport::WriteFile(path, damaged);
    TScriptedDialogs dialogs;
    TLoginsStorage logins;
    ASSERT_TRUE(logins.Load(path));
    EXPECT_EQ(logins.Count(), 3);
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Caption, "LOADING LOGINS");
    EXPECT_EQ(dialogs.Boxes[0].Message, "The logins file " + path + " could not be read: it is damaged.\nIts previous copy " +
                                            path + ".old was loaded instead; the damaged file was moved to " + path +
                                            ".damaged.");
    EXPECT_EQ(testsupport::ReadFile(path + ".damaged"), damaged);
    EXPECT_FALSE(IsErrorReported());
    testsupport::Run("rm '" + path + ".damaged'");
  }
  // Both copies damaged: no logins, and both are kept for whoever can mend them.
  testsupport::WriteFile(path, good.substr(0, 20));
  testsupport::WriteFile(path + ".old", previous.substr(0, 30));
  TScriptedDialogs dialogs;
  TLoginsStorage logins;
  ASSERT_TRUE(logins.Load(path));
  EXPECT_EQ(logins.Count(), 0);
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Message, "The logins file " + path + " could not be read, nor its previous copy " + path +
                                          ".old: both are damaged.\nThe damaged file was moved to " + path +
                                          ".damaged.\nThe damaged previous copy was moved to " + path +
                                          ".old.damaged.\nThe program starts without the logins it held; their secrets "
                                          "stay in the damaged file.");
  EXPECT_EQ(testsupport::ReadFile(path + ".old.damaged"), previous.substr(0, 30));
  EXPECT_FALSE(IsErrorReported());
  EXPECT_NE(root.Log().find("TLoginsStorage::Load - "), std::string::npos);
}

TEST(Tlogin, IdentifiersVirtualLoginsAndTheManager) {
  TScratchRoot root;
  TLoginsStorage logins;
  EXPECT_EQ(logins.GetManagerLoginIndex(), -1);
  EXPECT_EQ(logins.GetCurrentLogin(), nullptr);
  Fill(logins);
  EXPECT_EQ(logins.GetManagerLoginIndex(), 0);
  EXPECT_EQ(logins.FindLogin(1), 1);
  EXPECT_EQ(logins.FindLogin(77), -1);
  // Found again by its address in any case; a given name replaces the old one.
  EXPECT_EQ(logins.FindOrAddVirtualLogin("far@example.net", ""), 2);
  EXPECT_EQ(logins.GetLogin(2).Name, "Far Away");
  EXPECT_EQ(logins.FindOrAddVirtualLogin("FAR@example.net", "Renamed"), 2);
  EXPECT_EQ(logins.GetLogin(2).Name, "Renamed");
  const int next = logins.FindOrAddVirtualLogin("new@example.net", "New");
  EXPECT_EQ(next, 3);
  EXPECT_EQ(logins.GetLogin(next).Ident, 3);
  EXPECT_EQ(logins.RealLoginCount(), 2);
  // A real login with a taken address is not a virtual one.
  EXPECT_EQ(logins.FindOrAddVirtualLogin("ivan@example.org", "x"), 4);
  // Identifiers wrap into the first gap when the top is used.
  logins.GetLogin(4).Ident = 0xFFFE;
  EXPECT_EQ(logins.GetLogin(logins.FindOrAddVirtualLogin("gap@example.net", "")).Ident, 4);
  logins.Current = 1;
  ASSERT_NE(logins.GetCurrentLogin(), nullptr);
  EXPECT_EQ(logins.GetCurrentLogin()->Name, "Second");
}

TEST(Tlogin, KeyPasswordPromptsVerifyAndRefuseWithoutAnError) {
  TScratchRoot root;
  TLoginsStorage logins;
  logins.Load(root.Path() + "/Logins.cbs");
  Fill(logins);
  ASSERT_TRUE(logins.Save());
  TLoginsStorage stored;
  ASSERT_TRUE(stored.Load(root.Path() + "/Logins.cbs"));
  stored.Current = 0;
  TScriptedDialogs dialogs;
  const std::string prompt = "Key password of Иван Петров:";

  EXPECT_EQ(stored.GetKeyPassword(false), "");  // not asked at all
  dialogs.Cancel(prompt);
  EXPECT_EQ(stored.GetKeyPassword(true), "");
  EXPECT_FALSE(IsErrorReported());
  EXPECT_EQ(stored.GetCurrentLogin()->KeyPasswordVerified, 0);

  // Three wrong entries refuse; the user is told each time.
  for (int i = 0; i < 3; ++i) dialogs.Answer(prompt, "wrong one " + std::to_string(i));
  EXPECT_EQ(stored.GetKeyPassword(true), "");
  EXPECT_TRUE(dialogs.Showed("KEY PASSWORD", "Incorrect key password."));
  EXPECT_FALSE(IsErrorReported());

  dialogs.Answer(prompt, "wrong again");
  dialogs.Answer(prompt, kKeyPassword);
  EXPECT_EQ(stored.GetKeyPassword(true).ToString(), kKeyPassword);
  TLogin& login = *stored.GetCurrentLogin();
  EXPECT_EQ(login.KeyPasswordVerified, 1);
  EXPECT_EQ(login.KeyPasswordVerifiedForCommand, 1);
  EXPECT_EQ(stored.GetKeyPassword(true).ToString(), kKeyPassword);  // not asked again
  EXPECT_TRUE(login.VerifyKeyPassword(true));

  // The dispatcher clears the per-command flag: the next command asks once more.
  login.KeyPasswordVerifiedForCommand = 0;
  dialogs.Answer(prompt, kKeyPassword);
  EXPECT_TRUE(login.VerifyKeyPassword(true));
  EXPECT_TRUE(login.VerifyKeyPassword(false));
  EXPECT_EQ(dialogs.Unused(), 0u);

  // A login without a key password gets a new one, checked for length and agreement.
  TLoginsStorage fresh;
  fresh.Load(root.Path() + "/Fresh.cbs");
  fresh.AddLogin("Nobody", "nobody@example.org");
  fresh.Current = 0;
  dialogs.Answer("New key password (7 to 32 characters):", "short");
  dialogs.Answer("New key password (7 to 32 characters):", "long enough");
  dialogs.Answer("Repeat the new key password:", "long enougH");
  dialogs.Answer("New key password (7 to 32 characters):", "long enough");
  dialogs.Answer("Repeat the new key password:", "long enough");
  EXPECT_EQ(fresh.GetKeyPassword(true), "long enough");
  EXPECT_TRUE(dialogs.Showed("KEY PASSWORD", "7 to 32 characters long"));
  EXPECT_TRUE(dialogs.Showed("KEY PASSWORD", "differ"));
  EXPECT_FALSE(IsErrorReported());
}

// The Key questions of one handling run, with the button to ask no more: the prompts asked,
// the Keys given by the person the prompt shows ("" gives none, setting the message aside;
// a person not listed is cancelled) and the person whose button is pressed.
std::vector<std::string> gKeyPrompts;
std::map<std::string, std::string> gKeysGiven;
std::string gAskNoMoreAt;

// "Key of x@x" of a question's prompt.
std::string PersonAsked(const std::string& prompt) {
  for (const char* end : {", for ", ". OK with", ":"})
    if (const size_t at = prompt.find(end); at != std::string::npos) return prompt.substr(0, at);
  return prompt;
}

TInputAnswer AnswerKeyQuestion(const std::string& caption, const std::string& prompt, const std::string&,
                               std::string& result, bool hidden, const std::string& button) {
  gKeyPrompts.push_back(caption + "|" + prompt + "|" + button + (hidden ? "|hidden" : ""));
  if (PersonAsked(prompt) == gAskNoMoreAt) return TInputAnswer::Button;
  const auto given = gKeysGiven.find(PersonAsked(prompt));
  if (given == gKeysGiven.end()) return TInputAnswer::Cancelled;
  result = given->second;
  return TInputAnswer::Ok;
}

// One question a run for each person claimed (an identifier at an address), whatever keys
// sign their messages, naming the message it is asked for and what each answer does. A Key
// given serves every message of that person; the user's other choices answer the messages
// of the signer asked about, and leave the others waiting: "Cancel" leaves them all for
// another run, no Key sets the messages of that signer aside. The user may stop the
// questions of a run: that question and every later one wait, each told why. Nothing of a
// run stays for the next, and asking keeps no Key.
TEST(Tlogin, AKeyQuestionIsAskedOnceARunForEachPersonClaimedAndCancelLeavesTheirMessagesWaiting) {
  TScratchRoot root;
  TLoginsStorage logins;
  ASSERT_TRUE(logins.Load(root.Path() + "/Logins.cbs"));
  logins.Current = logins.AddLogin("Me", "me@x");
  ASSERT_TRUE(logins.GetLogin(logins.Current).SetKeyPassword(kKeyPassword));
  TGuiHooks hooks;
  hooks.InputStringOrButton = &AnswerKeyQuestion;
  SetGuiHooks(hooks);
  gKeyPrompts.clear();
  gKeysGiven = {{"Key of lead@x", "lead key 77"}, {"Key of x@x", ""}};
  gAskNoMoreAt = "Key of s2@x";
  using TKeyWait = TLoginsStorage::TKeyWait;
  const auto key = [](uint8_t n) {
    TPublicKey k{};
    k[0] = n;
    return k;
  };
  const std::string about = "the NEW_BLOCKS message of discussion Ecology";
  {
    const TKeyQuestionsRun run(&logins);
    for (uint8_t i = 1; i <= 20; ++i) EXPECT_EQ(logins.AskKeyOf("L-LEAD", "lead@x", key(i), about), "lead key 77");
    EXPECT_EQ(gKeyPrompts, std::vector<std::string>{"KEY|Key of lead@x, for the NEW_BLOCKS message of discussion "
                                                    "Ecology. OK with no Key sets the message aside; Cancel leaves "
                                                    "it for the next run:|Ask no more|hidden"});
    EXPECT_EQ(logins.KeyQuestionWait("L-LEAD", "Lead@X", key(1)), TKeyWait::None);
    EXPECT_EQ(logins.KeyQuestionWait("L-LEAD", "lead@x", key(7)), TKeyWait::OtherSigner);
    // Another address in the leader's name is a person of its own: cancelled, every message
    // of it waits, and it is not asked again.
    EXPECT_EQ(logins.AskKeyOf("L-LEAD", "nobody@spam", key(1), about), "");
    EXPECT_EQ(logins.AskKeyOf("L-LEAD", "nobody@spam", key(2), about), "");
    EXPECT_EQ(logins.KeyQuestionWait("L-LEAD", "nobody@spam", key(2)), TKeyWait::Cancelled);
    EXPECT_FALSE(logins.KeyQuestionSetAside("L-LEAD", "nobody@spam", key(1)));
    // No Key given: the messages of that signer go aside, the others of the person wait.
    EXPECT_EQ(logins.AskKeyOf("L-X", "x@x", key(1), about), "");
    EXPECT_TRUE(logins.KeyQuestionSetAside("L-X", "x@x", key(1)));
    EXPECT_EQ(logins.KeyQuestionWait("L-X", "x@x", key(1)), TKeyWait::None);
    EXPECT_FALSE(logins.KeyQuestionSetAside("L-X", "x@x", key(2)));
    EXPECT_EQ(logins.KeyQuestionWait("L-X", "x@x", key(2)), TKeyWait::OtherSigner);
    EXPECT_EQ(gKeyPrompts.size(), 3u);

    EXPECT_EQ(logins.AskKeyOf("L-S1", "s1@x", key(1)), "");
    EXPECT_FALSE(logins.AskedNoMore());
    EXPECT_EQ(logins.AskKeyOf("L-S2", "s2@x", key(1)), "");
    EXPECT_TRUE(logins.AskedNoMore());
    EXPECT_EQ(logins.AskKeyOf("L-S3", "s3@x", key(1)), "");
    EXPECT_EQ(gKeyPrompts.size(), 5u);
    EXPECT_EQ(gKeyPrompts.back(),
              "KEY|Key of s2@x. OK with no Key sets the message aside; Cancel leaves it for the next run:|Ask no "
              "more|hidden");
    EXPECT_EQ(logins.KeyQuestionWait("L-S1", "s1@x", key(1)), TKeyWait::Cancelled);
    EXPECT_EQ(logins.KeyQuestionWait("L-S2", "s2@x", key(1)), TKeyWait::AskedNoMore);
    EXPECT_EQ(logins.KeyQuestionWait("L-S2", "s2@x", key(2)), TKeyWait::NotAsked);
    EXPECT_EQ(logins.KeyQuestionWait("L-S3", "s3@x", key(1)), TKeyWait::NotAsked);
    EXPECT_EQ(logins.AskKeyOf("L-LEAD", "lead@x", key(3)), "lead key 77");  // answered: no question
  }
  EXPECT_EQ(logins.GetKeyOf(TStr("L-LEAD"), TStr("lead@x")), "");  // asking keeps nothing
  gKeyPrompts.clear();
  gAskNoMoreAt.clear();
  {
    const TKeyQuestionsRun run(&logins);
    EXPECT_FALSE(logins.AskedNoMore());
    EXPECT_EQ(logins.KeyQuestionWait("L-S3", "s3@x", key(1)), TKeyWait::None);
    EXPECT_EQ(logins.AskKeyOf("L-S3", "s3@x", key(1)), "");
    EXPECT_EQ(logins.AskKeyOf("L-LEAD", "lead@x", key(1)), "lead key 77");
  }
  EXPECT_EQ(gKeyPrompts.size(), 2u);
  // Outside a run the plain question is asked, and nothing is remembered.
  TScriptedDialogs dialogs;
  dialogs.Answer("Key of far@x, for the GIVE_MODEL message:", "far key 000");
  EXPECT_EQ(logins.AskKeyOf("L-FAR", "far@x", key(1), "the GIVE_MODEL message"), "far key 000");
  EXPECT_EQ(logins.KeyQuestionWait("L-FAR", "far@x", key(1)), TKeyWait::None);
  SetGuiHooks(TGuiHooks());
}

// A Key the user gives is kept for the person its question showed: the identifier and the
// address together. A Key given at another address in the same identifier (a correspondent
// who claims the leader's) is kept beside it and never replaces it, nor does one given for
// another identifier at the same address; a question without an address keeps nothing. Each
// is found by the identifier and address of the message that needs it, and kept in the
// file; a Key kept before addresses were still serves its identifier at any address.
TEST(Tlogin, AKeyIsKeptOnlyForTheIdentifierAndAddressItWasGivenFor) {
  TScratchRoot root;
  const std::string path = root.Path() + "/Logins.cbs";
  TLoginsStorage logins;
  ASSERT_TRUE(logins.Load(path));
  Fill(logins);
  logins.Current = 0;
  TLogin& me = logins.GetLogin(0);
  me.CorrespondentKeys.AddItem(TCorrespondentKey{TStr("L-OLD"), TStr("old key 1234"), TStr()});
  EXPECT_TRUE(logins.KeepKeyOf(TStr("L-LEAD"), TStr("lead@x"), TStr("lead key 77")));
  EXPECT_TRUE(logins.KeepKeyOf(TStr("L-LEAD"), TStr("x@x"), TStr("x's key 4242")));
  EXPECT_TRUE(logins.KeepKeyOf(TStr("L-X"), TStr("lead@x"), TStr("x's key 4242")));
  EXPECT_FALSE(logins.KeepKeyOf(TStr("L-LEAD"), TStr(), TStr("nobody's key 1")));
  EXPECT_EQ(logins.GetKeyOf(TStr("L-LEAD"), TStr("Lead@X")), "lead key 77");
  EXPECT_EQ(logins.GetKeyOf(TStr("L-LEAD"), TStr("x@x")), "x's key 4242");
  EXPECT_EQ(logins.GetKeyOf(TStr("L-LEAD"), TStr("new@x")), "lead key 77");  // tried first, decides nothing
  EXPECT_EQ(logins.GetKeyOf(TStr("L-OLD"), TStr("any@x")), "old key 1234");
  // The leader changed their Key: given at the leader's own question, it replaces theirs only.
  EXPECT_TRUE(logins.KeepKeyOf(TStr("L-LEAD"), TStr("LEAD@x"), TStr("lead key 78")));
  EXPECT_EQ(me.CorrespondentKeys.Count(), 4u);
  ASSERT_TRUE(logins.Save());

  TLoginsStorage again;
  ASSERT_TRUE(again.Load(path));
  again.Current = 0;
  ASSERT_TRUE(again.GetLogin(0).Unlock(kKeyPassword));
  EXPECT_EQ(again.GetKeyOf(TStr("L-LEAD"), TStr("lead@x")), "lead key 78");
  EXPECT_EQ(again.GetKeyOf(TStr("L-LEAD"), TStr("x@x")), "x's key 4242");
  EXPECT_EQ(again.GetKeyOf(TStr("L-X"), TStr("lead@x")), "x's key 4242");
  EXPECT_EQ(again.GetKeyOf(TStr("L-OLD"), TStr("any@x")), "old key 1234");
  EXPECT_EQ(again.GetLogin(0).CorrespondentKeys.Count(), 4u);
}

TEST(Tlogin, ReplacingAFileIsAtomicAndReportsFailures) {
  TScratchRoot root;
  const std::string path = root.Path() + "/file.bin";
  ASSERT_TRUE(ReplaceFileContents(path, "first", true, "Test::Write"));
  ASSERT_TRUE(ReplaceFileContents(path, "second", true, "Test::Write"));
  EXPECT_EQ(testsupport::ReadFile(path), "second");
  EXPECT_EQ(platform::FilePermissions(path), 0600);
  EXPECT_EQ(platform::FilePermissions(path + ".tmp"), -1);
  EXPECT_FALSE(ReplaceFileContents(root.Path() + "/missing/folder/file", "x", false, "Test::Write"));
  EXPECT_TRUE(IsErrorReported());
  EXPECT_NE(root.Log().find("Test::Write - "), std::string::npos);
}

}  // namespace
