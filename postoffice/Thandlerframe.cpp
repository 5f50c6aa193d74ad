#include "postoffice/Thandlerframe.h"

#include "foundation/Commoncrypt.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "model/Blockrecord.h"
#include "postoffice/Appliedmessages.h"
#include "postoffice/Postdates.h"
#include "model/Tdiscussion.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussionsmanager.h"

#include <algorithm>
#include <charconv>

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
  if (!VerifyReceivedFileSign(fFile, Header, &Signer)) return ShowVerifyingError();
  Command = Header.GetFieldValue("COMMAND");
  if (std::find(commands.begin(), commands.end(), Command) == commands.end()) {
    TError::Report(Who + " - ошибка формата файла " + path);
    return false;
  }
  // A message applied once is never applied again, nor a state switch older than one applied.
  TReceivedMessage message;
  message.DIdent = Field("DIDENT");
  message.Sender = Field("SENDER_LIDENT");
  message.Kind = StateKindOfCommand(Command);
  message.Composed = ParseComposeDateTime(Field("COMPOSE_DATETIME"));
  message.Digest = Signer.Digest;
  message.Address = Field("FROM_USER_EMAIL");
  message.SignerKey = Signer.PublicKey;
  const std::string refusal = TAppliedMessages::Instance().Refusal(message);
  if (!refusal.empty()) {
    TError::Report(Who + " - повторное сообщение (" + refusal + ") " + path);
    return false;
  }
  TApplyingScope::Opened(message);
  return true;
}

bool THandlerFrame::SignedBySender() const {
  const TModelHooks& hooks = ModelHooks();
  if (!hooks.MaySign) return true;  // no keys kept: the parts run on their own
  return hooks.MaySign(Sender(), Signer.PublicKey);
}

bool IsFromLeader(const THandlerFrame& frame, TDiscussion& d) {
  return d.IsLeaderLIdent(frame.Sender()) && frame.SignedBySender();
}

bool IsFromAuthor(const THandlerFrame& frame, const TDiscussion& d) {
  return d.HasAuthorWithLIdent(frame.Sender()) && frame.SignedBySender();
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

namespace {

enum class TMessageState { Missing, Unreadable, Sealed, Unsealed };

// Reads a message file's header and checks its seal.
TMessageState ReadMessage(const std::string& path, TCommandMessageHeader& header) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return TMessageState::Missing;
  TMessageState state = TMessageState::Unreadable;
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
      TMessageSigner signer;
      const bool whole =
          header.IsPrivateMessage() ? VerifyFileSignature(file, signer) : VerifyFileSign(file, header, &signer);
      state = whole && header.AcceptsSigner(signer.PublicKey) && !capture.Caught() ? TMessageState::Sealed
                                                                                   : TMessageState::Unsealed;
    }
  }
  CloseHandle(file);
  return state;
}

}  // namespace

bool IsSealedForItsDiscussion(const std::string& path) {
  TCommandMessageHeader header;
  const TMessageState state = ReadMessage(path, header);
  if (state == TMessageState::Missing || state == TMessageState::Unreadable) return true;
  const std::string dident = header.GetFieldValue("DIDENT");
  TDiscussionsManager* manager = DiscussionsManager();
  if (dident.empty() || !manager) return true;
  for (int i = 0; i < manager->GetDiscussionsCount(); ++i) {
    TDiscussion& discussion = manager->GetDiscussion(i);
    if (discussion.Load(true) && discussion.Info.DIdent.View() == dident)
      return !discussion.Info.Secret || header.IsPrivateMessage();
  }
  return true;
}

bool HoldsItsSeal(const std::string& path) {
  TCommandMessageHeader header;
  const TMessageState state = ReadMessage(path, header);
  return state == TMessageState::Missing || state == TMessageState::Sealed;
}

std::string ShownText(std::string_view text) {
  constexpr size_t limit = 80;
  return text.size() <= limit ? std::string(text) : std::string(text.substr(0, limit)) + "...";
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
  if (!IsFromLeader(frame, *d)) return ShowVerifyingError();
  const std::string text = frame.Field("YOUR_ADIDENT");
  int adident = -1;
  if (!ParseDecimal(text, adident, 0xFFFE)) {
    ShowMessageBox(command, "Integer error (" + ShownText(text) + ")");
    return false;
  }
  author = d->Authors.FindAuthorByADIdent(*d, uint16_t(adident), true);
  return author >= 0;
}
