#include "postoffice/Thandlerframe.h"

#include "foundation/Commoncrypt.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "foundation/Tlogin.h"
#include "model/Blockrecord.h"
#include "postoffice/Advisedlist.h"
#include "postoffice/Appliedmessages.h"
#include "postoffice/Postdates.h"
#include "postoffice/Provensender.h"
#include "postoffice/Tpostfile.h"
#include "model/Tdiscussion.h"
#include "model/Modelhooks.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/rtl/Strutil.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace {

// A private message whose seal no Key given here opens, or which the user set aside at its
// question: what is known of it (only what it claims: nothing proves who sealed it), and
// how the user brings it back.
std::string NoKeyRefusal(const std::string& path, const TCommandMessageHeader& header, bool setAsideByUser) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = path.substr(0, slash + 1), name = path.substr(slash + 1);
  const std::string address = header.GetFieldValue("FROM_USER_EMAIL");
  const std::string whose = ShownText(address.empty() ? header.GetFieldValue("SENDER_LIDENT") : address);
  const std::string what = "The " + ShownText(header.GetFieldValue("COMMAND")) + " message " + ShownText(name) +
                           " from " + whose + " is sealed with a Key";
  const std::string back = " move the file from " + folder + SetAsideFolderName + " back into " + folder +
                           ": the next handling asks for the Key.";
  if (setAsideByUser)
    return what + ", and you set it aside at its Key question: nothing of it was read or applied. To read it," + back;
  return what +
         " that no Key given here opens: nothing of it can be read, and nothing proves who wrote it. It is set "
         "aside and not asked about again. To read it, get the Key of whoever sealed it (the Key of " +
         whose + " if it is theirs; they find it in \"My data\"), then" + back;
}

}  // namespace

THandlerFrame::THandlerFrame(std::string who) : Who(std::move(who)) {}

THandlerFrame::~THandlerFrame() { Close(); }

void THandlerFrame::Close() {
  fReader.reset();
  if (fFile != INVALID_HANDLE_VALUE) CloseHandle(fFile);
  fFile = INVALID_HANDLE_VALUE;
}

bool THandlerFrame::Open(const std::string& path, std::initializer_list<std::string_view> commands) {
  Close();
  Path = path;
  fFile = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                      nullptr);
  if (fFile == INVALID_HANDLE_VALUE) {
    TError::Report(Who + " - ошибка открытия файла " + path);
    return false;
  }
  fReader = std::make_unique<TBufReader>(fFile);
  if (fReader->IsFailed() || !Header.Read(*fReader)) return false;
  if (!VerifyReceivedFileSign(fFile, Header, &Signer)) {
    // Whole and signed, but sealed with a Key not given here: asking again at every run
    // opens it no better.
    TMessageSigner signer;
    if (Header.IsPrivateMessage() && VerifyFileSignature(fFile, signer) && Header.AcceptsSigner(signer.PublicKey)) {
      // The run's question of its sender left it for another run (cancelled, not asked, or
      // answered for a message of another signer): it waits for the next one.
      TLoginsStorage* logins = ModelHooks().Logins;
      const TStr address(Field("FROM_USER_EMAIL"));
      const TLoginsStorage::TKeyWait wait =
          logins ? logins->KeyQuestionWait(Sender(), address, signer.PublicKey) : TLoginsStorage::TKeyWait::None;
      if (wait != TLoginsStorage::TKeyWait::None) return LeaveReceivedMessageUnasked(wait);
      return RefuseReceivedMessage(
          NoKeyRefusal(path, Header, logins && logins->KeyQuestionSetAside(Sender(), address, signer.PublicKey)));
    }
    return ShowVerifyingError();
  }
  Command = Header.GetFieldValue("COMMAND");
  if (std::find(commands.begin(), commands.end(), Command) == commands.end()) {
    TError::Report(Who + " - ошибка формата файла " + path);
    return false;
  }
  // A message applied once is never applied again, nor a state switch older than one applied.
  THandledMessage& message = Received;
  message.DIdent = Field("DIDENT");
  message.Sender = Field("SENDER_LIDENT");
  message.Kind = StateKindOfCommand(Command);
  message.Composed = ParseComposeDateTime(Field("COMPOSE_DATETIME"));
  message.Command = Command;
  message.MIdent = Field("MIDENT");
  message.Digest = Signer.Digest;
  message.Address = Field("FROM_USER_EMAIL");
  message.SignerKey = Signer.PublicKey;
  message.SealedWithKey = Header.IsPrivateMessage();
  const std::string refusal = TAppliedMessages::Instance().Refusal(message);
  if (!refusal.empty()) {
    const std::string what = "The " + ShownText(Command) + " message " + ShownText(path.substr(path.rfind('/') + 1)) +
                             " from " + ShownText(message.Address);
    return RefuseReceivedMessage(refusal == AlreadyApplied
                                     ? what + " was applied here before: a copy of it came again. Nothing changed."
                                     : what +
                                           " was composed before a later one of its kind from the same sender that "
                                           "was applied here: an old message came again. Nothing changed.");
  }
  TApplyingScope::Opened(message);
  return true;
}

std::string OlderSwitchRefusal(const THandlerFrame& frame, const TDiscussion& d) {
  const THandledMessage& m = frame.Received;
  if (m.Kind == TStateKind::None) return "";
  const double latest = d.Info.LatestSwitch(TStr(m.Sender), uint8_t(m.Kind));
  if (latest == 0 || double(m.Composed) >= latest) return "";
  return "The " + frame.Command + " message of " + ShownText(frame.Field("FROM_USER_EMAIL")) + " for discussion " +
         ShownText(d.GetName().View()) + " was composed " + FormatDateTime("dd.mm.yyyy hh:nn:ss", m.Composed) +
         ", before the last change of its kind applied to the discussion (" +
         FormatDateTime("dd.mm.yyyy hh:nn:ss", TDateTime(latest)) +
         "): an old message delivered again. It is refused and set aside; nothing changed.";
}

void KeepAppliedSwitch(const THandlerFrame& frame, TDiscussion& d) {
  const THandledMessage& m = frame.Received;
  if (m.Kind != TStateKind::None) d.Info.KeepSwitch(TStr(m.Sender), uint8_t(m.Kind), double(m.Composed));
}

namespace {

std::string& PendingRefusal() {
  static std::string text;
  return text;
}

}  // namespace

bool RefuseReceivedMessage(const std::string& text) {
  PendingRefusal() = text;
  return false;
}

std::string TakeReceivedMessageRefusal() { return std::exchange(PendingRefusal(), std::string()); }

namespace {

TLoginsStorage::TKeyWait& PendingUnasked() {
  static TLoginsStorage::TKeyWait unasked = TLoginsStorage::TKeyWait::None;
  return unasked;
}

}  // namespace

bool LeaveReceivedMessageUnasked(TLoginsStorage::TKeyWait why) {
  PendingUnasked() = why;
  return false;
}

TLoginsStorage::TKeyWait TakeReceivedMessageUnasked() {
  return std::exchange(PendingUnasked(), TLoginsStorage::TKeyWait::None);
}

bool RefuseSender(const THandlerFrame& frame, const TDiscussion& d, const std::string& role) {
  // An identifier the discussion knows, claimed without proof: the claim is what is refused.
  if ((d.HasAuthorWithLIdent(frame.Sender()) || d.Info.ModelAuthorLIdent == frame.Sender()) &&
      !MayActAsKnownPerson(frame.Received, d, frame.Path))
    return RefuseReceivedMessage(
        "The " + ShownText(frame.Command) + " message " + ShownText(frame.Path.substr(frame.Path.rfind('/') + 1)) +
        " from " + ShownText(frame.Field("FROM_USER_EMAIL")) + " claims an identifier that discussion " +
        ShownText(d.GetName().View()) + " knows here (" + ShownText(frame.Field("SENDER_LIDENT")) +
        "), but nothing proves it theirs: it is not signed with a key known here for them, and " +
        (frame.Header.IsPrivateMessage()
             ? std::string("the Key that opens it is none kept for them at an address the discussion knows: a Key "
                           "proves only that a message is sealed with it")
             : std::string("it does not answer a request sent from here")) +
        ". It is not taken as coming from " + role + "; nothing of it was applied.");
  return RefuseReceivedMessage("The " + ShownText(frame.Command) + " message " +
                               ShownText(frame.Path.substr(frame.Path.rfind('/') + 1)) + " claims to come from " +
                               ShownText(frame.Field("FROM_USER_EMAIL")) + " (" +
                               ShownText(frame.Field("SENDER_LIDENT")) + "), who is not " + role + " of discussion " +
                               ShownText(d.GetName().View()) + " here. Nothing of it was applied.");
}

bool IsFromLeader(const THandlerFrame& frame, TDiscussion& d) {
  return d.IsLeaderLIdent(frame.Sender()) && MayActAsKnownPerson(frame.Received, d, frame.Path);
}

bool IsFromAuthor(const THandlerFrame& frame, const TDiscussion& d) {
  return d.HasAuthorWithLIdent(frame.Sender()) && MayActAsKnownPerson(frame.Received, d, frame.Path);
}

TDiscussion* FindMessageDiscussion(const std::string& dident, const std::string& caption, bool* loadedHere) {
  if (loadedHere) *loadedHere = false;
  TDiscussionsManager* manager = DiscussionsManager();
  if (!manager) return nullptr;
  const int index = manager->FindDiscussionByDIdent(TStr(dident), true, TStr(LeftUnhandledText), TStr(caption));
  if (index < 0) return nullptr;
  TDiscussion& discussion = manager->GetDiscussion(index);
  if (!discussion.Loaded) {
    if (!discussion.Load()) return nullptr;
    if (loadedHere) *loadedHere = true;
  }
  return &discussion;
}

TSealState ScreenSeal(const std::string& path, TCommandMessageHeader& header, TMessageSigner& signer) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return TSealState::Missing;
  TSealState state = TSealState::Unreadable;
  {
    TErrorCapture capture;
    bool read;
    {
      TBufReader reader(file);
      read = !reader.IsFailed() && header.Read(reader) && !capture.Caught();
    }
    // The signature needs no key: a message signed by another key than its sender's is
    // refused whether private or not. The seal of a private one waits for its handler.
    if (read) {
      const bool whole =
          header.IsPrivateMessage() ? VerifyFileSignature(file, signer) : VerifyFileSign(file, header, &signer);
      if (!whole || capture.Caught()) state = TSealState::Unsealed;
      else state = header.AcceptsSigner(signer.PublicKey) ? TSealState::Sealed : TSealState::OtherKey;
    }
  }
  CloseHandle(file);
  return state;
}

bool ReadMessageHeader(const std::string& path, TCommandMessageHeader& header) {
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  TErrorCapture capture;
  bool read;
  {
    TBufReader reader(file);
    read = !reader.IsFailed() && header.Read(reader) && !capture.Caught();
  }
  CloseHandle(file);
  return read;
}

std::string NotForThisLoginRefusal(const std::string& path) {
  TCommandMessageHeader header;
  TLoginsStorage* logins = ModelHooks().Logins;
  const TLogin* me = logins ? logins->GetCurrentLogin() : nullptr;
  if (!me || !ReadMessageHeader(path, header)) return "";
  const std::string receivers = header.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED");
  if (receivers.empty() || receivers == "*" || receivers[0] == '$') return "";
  // The Inbox is this installation's: a message for any of its logins belongs here. A
  // login without an address of its own cannot tell.
  for (const TLogin& login : logins->Logins) {
    if (login.Virtual) continue;
    if (login.AutomaticEMail.IsEmpty() && login.EMail.UserName.IsEmpty()) return "";
    for (const TStr* address : {&login.AutomaticEMail, &login.EMail.UserName})
      if (!address->IsEmpty() && IsListedAddress(receivers, address->View())) return "";
  }
  const std::string name = path.substr(path.find_last_of('/') + 1);
  return "The " + ShownText(header.GetFieldValue("COMMAND")) + " message " + ShownText(name) + " from " +
         ShownText(header.GetFieldValue("FROM_USER_EMAIL")) + " is addressed to " + ShownText(receivers) +
         ", not to you (" + me->AutomaticEMail.ToString() +
         "): it reached the wrong mailbox or was passed on by someone else. Nothing of it was applied.";
}

std::string SecretDiscussionRefusal(const std::string& path, const TMessageSigner& signer) {
  TCommandMessageHeader header;
  if (!ReadMessageHeader(path, header) || header.IsPrivateMessage()) return "";
  const std::string dident = header.GetFieldValue("DIDENT");
  const std::string command = header.GetFieldValue("COMMAND");
  TDiscussionsManager* manager = DiscussionsManager();
  if (dident.empty() || !manager) return "";
  TDiscussion* discussion = nullptr;
  for (int i = 0; i < manager->GetDiscussionsCount() && !discussion; ++i) {
    TDiscussion& candidate = manager->GetDiscussion(i);
    if (candidate.Load(true) && candidate.Info.DIdent.View() == dident) discussion = &candidate;
  }
  if (!discussion || !discussion->Info.Secret) return "";
  // Sealed as its sender's copy was when it was written, before the discussion was made
  // private there. A request for the model is the handler's to admit, and the model goes
  // out private; anything else needs the key its sender is already known by here, since
  // the seal of a public discussion is one every copy of the program can make.
  if (command == MessageCommand::GiveModel.Name) return "";
  const TStr lident(header.GetFieldValue("SENDER_LIDENT"));
  if (SignedWithPinnedKey(lident.ToString(), signer.PublicKey)) return "";
  const std::string address = header.GetFieldValue("FROM_USER_EMAIL");
  const std::string name = discussion->GetName().ToString();
  // The leader tells an author of the discussion, at the address known for them (a
  // stranger's name may be anybody's), once until a message of theirs is taken: each
  // forged message would mail them again.
  const bool wasLoaded = discussion->Loaded;
  std::string told;
  if (command != MessageCommand::YourCommandIgnored.Name && discussion->Load() && discussion->IsLeader()) {
    const int author = discussion->Authors.FindAuthorByLIdent(lident);
    const std::string known = author < 0 ? "" : discussion->Authors.Author(author).AutomaticEMail.ToString();
    TAppliedMessages& applied = TAppliedMessages::Instance();
    if (!known.empty() && !applied.MayTellOfRefusal(dident, lident.ToString())) {
      told = "; the author of that name was told at the address known for them, " + ShownText(known) +
             ", of an earlier one, and is told again only after a message of theirs is taken";
    } else if (!known.empty() &&
               discussion->SendCommand_YourCommandIgnored(
                   MakeRecipientsList(known), TStr(command), TStr(),
                   TStr("Discussion " + name +
                        " is private now. A message in your name was sealed as for a public discussion, and no key "
                        "of yours is known here yet. If you sent it, pass your Key (\"My data\") to the leader, then "
                        "send it again."))) {
      applied.ToldOfRefusal(dident, lident.ToString(), Now());
      told = ", and the author of that name is told at the address known for them, " + ShownText(known) +
             " (YOUR_COMMAND_IGNORED)";
    }
    if (!wasLoaded) discussion->Unload();
  }
  return "The " + ShownText(command) + " message " + ShownText(path.substr(path.find_last_of('/') + 1)) + " from " +
         ShownText(address) + " is about the secret discussion " + ShownText(name) +
         ", but is sealed as for a public discussion, and no key is known here yet for its sender: nobody can tell "
         "who wrote it. It is set aside" +
         told + ". If " + ShownText(address) +
         " takes part, ask them for their Key (\"My data\") and give them yours; "
         "then they send it again.";
}

bool HoldsItsSeal(const std::string& path) {
  TCommandMessageHeader header;
  TMessageSigner signer;
  return HoldsItsSeal(ScreenSeal(path, header, signer));
}

bool HoldsItsSeal(TSealState screened) {
  return screened == TSealState::Missing || screened == TSealState::Sealed || screened == TSealState::OtherKey;
}

std::string ShownText(std::string_view text) {
  constexpr size_t limit = 80;
  return text.size() <= limit ? EscapeControlChars(text) : EscapeControlChars(text.substr(0, limit)) + "...";
}

std::string ShownComment(std::string_view text) {
  constexpr size_t longest = 4000;
  return EscapeControlChars(text.substr(0, longest), LineEnds::Kept);
}

void CopyReceivedValues(TDiscBlock& block, const TDiscBlockRecord& record) {
  block.Num = record.Num;
  block.TextType = record.TextType;
  block.Novelty = record.Novelty;
  block.Importance = record.Importance;
  block.Possibility = uint8_t(std::min<unsigned>(record.Possibility, 100));
  block.DeleteFlag = record.DeleteFlag;
}

bool ParseDecimal(std::string_view text, int& value, int max) {
  int parsed = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || parsed < 0 || parsed > max)
    return false;
  value = parsed;
  return true;
}

bool OpenLeaderNoticeOnAuthor(THandlerFrame& frame, const std::string& path, const char* command, TDiscussion*& d,
                              int& author) {
  if (!frame.Open(path, {command})) return false;
  d = FindMessageDiscussion(frame.Field("DIDENT"), command);
  if (!d) return false;
  if (!IsFromLeader(frame, *d)) return RefuseSender(frame, *d, "its leader");
  const std::string text = frame.Field("YOUR_ADIDENT");
  int adident = -1;
  if (!ParseDecimal(text, adident, 0xFFFE)) {
    ShowMessageBox(command, "Integer error (" + ShownText(text) + ")");
    return false;
  }
  author = d->Authors.FindAuthorByADIdent(*d, uint16_t(adident), true);
  return author >= 0;
}
