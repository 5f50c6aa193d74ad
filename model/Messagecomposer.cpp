#include "model/Messagecomposer.h"

#include "foundation/Commoncrypt.h"
#include "foundation/Fileroutines.h"
#include "foundation/Guihooks.h"
#include "foundation/Postfilename.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "foundation/Textroutines.h"
#include "foundation/Tlogin.h"
#include "model/Blockrecord.h"
#include "model/Messagereceivers.h"
#include "model/Modelhooks.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussion.h"
#include "model/Tundo.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tdatetime.h"

#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace {

TComposedMessages* gJournal = nullptr;
int gFailAfter = 0;

// The test seam: true for the message that is to fail.
bool FailNextMessageWrite() {
  if (gFailAfter <= 0) return false;
  return --gFailAfter == 0;
}

// Authors' data fields in one AUTHORS_UPDATE message; more authors take more messages.
constexpr size_t AuthorsPerMessage = 4000;

// Names of new files issued per Outbox folder when the post office has not registered
// its naming; a name issued in one folder does not move the counter of another.
TArray<TStr>& FallbackIssuedNames(const std::string& folder) {
  static std::map<std::string, TArray<TStr>> names;
  return names[folder];
}

// The current login's Key, which seals its private messages and packs their texts.
TStr PrivateMessageKey() {
  const TModelHooks& hooks = ModelHooks();
  return hooks.PrivateMessageKey ? hooks.PrivateMessageKey() : TStr();
}

bool IsPrivate(const TDiscussion& discussion) { return discussion.Info.Secret != 0; }
const char* PrivateReq(const TDiscussion& discussion) { return IsPrivate(discussion) ? "1" : "0"; }

// The start of a failure's text: a routine reads "TClass::Routine - ", a command named in
// the user's words (as "Sending post" or "Reply") reads "Sending post: ".
std::string FailureLead(const std::string& who) {
  return who + (who.find("::") == std::string::npos ? ": " : " - ");
}

// The rows of receivers, each at least one address; false (reported) for none.
bool HasReceivers(const TArray<TRecipientsList>& receivers, const std::string& who) {
  if (receivers.Count() > 0) return true;
  TError::Report(who + " - нет получателей команды-сообщения");
  return false;
}

bool AddFields(TCommandMessageHeader& header, std::initializer_list<std::pair<const char*, std::string>> fields) {
  for (const auto& [name, value] : fields)
    if (!header.AddField(name, value)) return false;
  return true;
}

// Writes the records of the blocks, then the closing byte.
TMessageDataWriter BlocksWriter(TDiscussion& discussion, const std::vector<TDiscBlockIndex>& blocks) {
  return [&discussion, &blocks](TBufWriter& writer, std::string_view key) {
    for (TDiscBlockIndex block : blocks)
      if (!discussion.Storages.GetDiscBlock(block)->WriteToBufWriter(writer, discussion, block, key)) return false;
    EndBlockRecords(writer);
    return true;
  };
}

// Every model block but the root, upper blocks before the blocks beneath them (blocks no
// walk from the root reaches follow in storage order).
std::vector<TDiscBlockIndex> ModelBlocksInTreeOrder(const TDiscussion& discussion) {
  const TBlocksStorage& model = discussion.Storages.Model;
  const int count = model.Count();
  std::vector<std::vector<uint16_t>> children(size_t(count) + 1);
  for (int i = 0; i < count; ++i) {
    const TDiscBlockIndex upper = model.Block(i).Upper;
    const bool underModel = upper.StorageType == StorageType_Model && upper.Index < count && upper.Index != i;
    children[underModel ? upper.Index : size_t(count)].push_back(uint16_t(i));
  }
  std::vector<TDiscBlockIndex> order;
  std::vector<bool> seen(size_t(count), false);
  const TDiscBlockIndex root = discussion.Storages.GetRootBlockIndex();
  std::vector<uint16_t> stack;
  auto walkFrom = [&](uint16_t start) {
    stack.assign(1, start);
    while (!stack.empty()) {
      const uint16_t at = stack.back();
      stack.pop_back();
      if (seen[at]) continue;
      seen[at] = true;
      if (!(root.StorageType == StorageType_Model && root.Index == at)) order.push_back({StorageType_Model, at});
      const std::vector<uint16_t>& below = children[at];
      for (auto it = below.rbegin(); it != below.rend(); ++it) stack.push_back(*it);
    }
  };
  if (!root.IsEmpty()) walkFrom(root.Index);
  for (int i = 0; i < count; ++i)
    if (!seen[size_t(i)]) walkFrom(uint16_t(i));
  return order;
}

std::vector<TDiscBlockIndex> AllBlocksOf(const TBlocksStorage& storage) {
  std::vector<TDiscBlockIndex> blocks;
  for (int i = 0; i < storage.Count(); ++i) blocks.push_back({storage.StorageType, uint16_t(i)});
  return blocks;
}

}  // namespace

std::string SafePostNamePart(std::string_view text) {
  std::string safe;
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    safe += u < 0x20 || u == 0x7F || std::strchr("/\\:*?\"<>|. ", c) != nullptr ? '_' : c;
  }
  return safe;
}

void FailMessageWrite(int n) { gFailAfter = n; }

std::string NewOutboxFileName(std::string_view namePart, const char* shortCode) {
  const std::string folder = TBrowseGlobal::Paths.Outbox;
  const std::string partA = SafePostNamePart(namePart);
  const TModelHooks& hooks = ModelHooks();
  if (hooks.PostFileName) return hooks.PostFileName(folder, partA, shortCode);
  return MakePostFileName("", partA, folder, shortCode, FallbackIssuedNames(folder));
}

TComposedMessages::TComposedMessages() : Outer(gJournal) { gJournal = this; }

TComposedMessages::~TComposedMessages() {
  gJournal = Outer;
  if (Kept) {
    if (Outer)
      for (const std::string& path : Files) Outer->Files.push_back(path);
    return;
  }
  // A held message lies under its unfinished name; a released one under its own.
  for (const std::string& path : Files) {
    DeleteFileA(path.c_str());
    DeleteFileA((path + UnfinishedMessageSuffix).c_str());
  }
}

void TComposedMessages::Written(const std::string& path) {
  if (gJournal) gJournal->Files.push_back(path);
}

void TComposedMessages::Failed(const std::string& path, const std::string& reason) {
  for (TComposedMessages* journal = gJournal; journal; journal = journal->Outer)
    if (journal->Failure.Path.empty()) journal->Failure = {path, reason};
}

bool TComposedMessages::Held() {
  for (const TComposedMessages* journal = gJournal; journal; journal = journal->Outer)
    if (journal->Holding) return true;
  return false;
}

bool TComposedMessages::Release() {
  for (size_t i = 0; i < Files.size(); ++i) {
    // Every message of a held journal lies under its unfinished name until now; one that
    // is gone cannot go out, and neither do the others: those moved already wait again.
    const std::string& path = Files[i];
    const std::string held = path + UnfinishedMessageSuffix;
    if (!MoveFileA(held.c_str(), path.c_str())) {
      const DWORD why = GetLastError();
      for (size_t back = 0; back < i; ++back)
        MoveFileA(Files[back].c_str(), (Files[back] + UnfinishedMessageSuffix).c_str());
      Failed(path, platform::ErrorText(why));
      SetLastError(why);
      TError::Report("TComposedMessages::Release - ошибка открытия файла команды-сообщения " + path);
      return false;
    }
  }
  Holding = false;
  Keep();
  return true;
}

std::string ComposeDateTimeText() { return FormatDateTime("mm'/'dd'/'yyyy hh:nn:ss", Now()); }

bool MakeAnnotationFieldValue(TDiscussion& discussion, std::string& value) {
  value = discussion.Info.Annotation.ToString();
  if (!IsPrivate(discussion)) return true;
  const TStr key = PrivateMessageKey();
  if (key.IsEmpty()) return false;
  value = PackAS(value, key.View());
  return !value.empty();
}

bool StartCommandHeader(TCommandMessageHeader& header, const TRecipientsList& row, std::string_view command) {
  return header.AddField("FROM_USER_EMAIL", CurrentModelLogin().EMail.View()) && header.AddRecipientsFields(row) &&
         header.AddField("COMMAND", command);
}

bool WriteCommandMessage(TDiscussion& discussion, const TCommandMessageHeader& given, const char* shortCode,
                         const std::string& who, int announce, const TMessageDataWriter& writeData) {
  // A row that names nobody is passed over (the users' row beside a robot's row, when only
  // the robot was chosen): its message could never go.
  if (!NamesReceiver(given)) return true;
  // Every message about a secret discussion is sealed with the sender's key: the other
  // copies accept no other seal for it. A header that says "PRIVATE_REQ" itself keeps it
  // (a refusal, for someone who may not hold the key, says "0").
  TCommandMessageHeader header = given;
  if (IsPrivate(discussion) && !header.HasField("PRIVATE_REQ") && !header.AddField("PRIVATE_REQ", "1")) return false;
  const std::string path = NewOutboxFileName(discussion.GetModelFolderName().View(), shortCode);
  return WriteCommandMessageTo(path, header, who, announce, writeData);
}

namespace {

// Whom a message goes to, as its announcement tells it: "to everybody", or its first
// receivers and how many more.
std::string Addressees(const TCommandMessageHeader& header) {
  if (!header.HasField("TO_USERS_EMAILS_CRYPTED")) return std::string();
  std::string users = header.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED");
  if (header.HasField("TO_ROBOTS_EMAILS_CRYPTED")) {
    const std::string robots = header.GetCryptedFieldValue("TO_ROBOTS_EMAILS_CRYPTED");
    if (!robots.empty()) users += (users.empty() ? "" : "; ") + robots;
  }
  if (users == "*") return "to everybody";
  TArray<TStr> receivers;
  SplitToStrArray(users, "; ", receivers);
  constexpr uint32_t kNamed = 3;
  std::string text;
  for (uint32_t i = 0; i < receivers.Count() && i < kNamed; ++i)
    text += (text.empty() ? "to " : ", ") + Trim(receivers[i].ToString());
  if (receivers.Count() > kNamed) text += " and " + std::to_string(receivers.Count() - kNamed) + " more";
  return text;
}

// Why a message's file could not be made: a folder on its path that is a file says so,
// where the system only says that the path is not found.
std::string CreationFailure(const std::string& path, DWORD why) {
  if (why == ERROR_PATH_NOT_FOUND)
    for (size_t slash = path.rfind('/'); slash != std::string::npos && slash > 0; slash = path.rfind('/', slash - 1)) {
      const std::string folder = path.substr(0, slash);
      if (IsDirExists(folder)) break;
      if (PathState(folder) == TPathState::Present) return "the folder " + folder + " is a file";
    }
  return platform::ErrorText(why);
}

}  // namespace

bool WriteCommandMessageTo(const std::string& path, const TCommandMessageHeader& header, const std::string& who,
                           int announce, const TMessageDataWriter& writeData) {
  const std::string command = header.GetFieldValue("COMMAND");
  // Without the key there is nothing to seal.
  std::string key;
  if (header.IsPrivateMessage()) {
    key = PrivateMessageKey().ToString();
    if (key.empty()) return false;
  }
  // Written under a name of its own and given its Outbox name only once sealed, so that
  // the Outbox never holds half a message.
  const std::string writing = path + UnfinishedMessageSuffix;
  HANDLE file = CreateFileA(writing.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE || IsFileExists(path)) {
    const DWORD why = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_FILE_EXISTS;
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      DeleteFileA(writing.c_str());
    }
    TComposedMessages::Failed(path, CreationFailure(path, why));
    SetLastError(why);  // the report tells this computer's faults by it
    TError::Report(FailureLead(who) + "ошибка открытия файла команды-сообщения " + path);
    return false;
  }
  bool complete;
  {
    TBufWriter writer(file);
    SetLastError(ERROR_SUCCESS);
    complete = header.Write(writer, "") && (!writeData || writeData(writer, key)) && writer.Flush();
    if (!complete && GetLastError() != ERROR_SUCCESS)
      TComposedMessages::Failed(path, platform::ErrorText(GetLastError()));
  }
  complete = complete && SignFile(file, key, command, announce, Addressees(header)) && !FailNextMessageWrite();
  CloseHandle(file);
  // A held message keeps its unfinished name until its journal releases it.
  if (!complete || (!TComposedMessages::Held() && !MoveFileA(writing.c_str(), path.c_str()))) {
    const DWORD why = GetLastError();
    DeleteFileA(writing.c_str());
    if (complete) {
      TComposedMessages::Failed(path, platform::ErrorText(why));
      SetLastError(why);
      TError::Report(FailureLead(who) + "ошибка открытия файла команды-сообщения " + path);
    }
    return false;
  }
  TComposedMessages::Written(path);
  return true;
}

bool TDiscussion::Reply(const TArray<TRecipientsList>& receivers, int author, int announce) {
  const std::string who = "TDiscussion::Reply";
  std::vector<int> chosen;
  if (author == -1 || author == -2) {
    // -1 every author known by an identifier; -2 those whose identifiers were given.
    for (int i = 0; i < Authors.Count(); ++i) {
      const TAuthor& a = Authors.Author(i);
      if (a.ADIdent != NoADIdent && a.Deleted == 0 && (author == -1 || a.IdentsGiven)) chosen.push_back(i);
    }
  } else {
    const int found = author >= 0 && author < 0xFFFF ? Authors.FindAuthorByADIdent(uint16_t(author)) : -1;
    if (found < 0) {
      TError::Report(who + " - нет автора с идентификатором " + std::to_string(author));
      return false;
    }
    chosen.push_back(found);
  }
  if (chosen.empty()) return true;  // nobody to tell about
  if (!HasReceivers(receivers, who)) return false;
  TComposedMessages journal;
  for (const TRecipientsList& row : receivers) {
    for (size_t first = 0; first < chosen.size(); first += AuthorsPerMessage) {
      const size_t count = std::min(AuthorsPerMessage, chosen.size() - first);
      TCommandMessageHeader header;
      if (!StartCommandHeader(header, row, MessageCommand::AuthorsUpdate.Name) ||
          !AddFields(header, {{"DIDENT", Info.DIdent},
                              {"COMPOSE_DATETIME", ComposeDateTimeText()},
                              {"AUTHORS_COUNT", std::to_string(count)}}))
        return false;
      for (size_t i = 0; i < count; ++i)
        if (!header.AddField("AUTHOR_DATA_" + std::to_string(i + 1),
                             Authors.Author(chosen[first + i]).EncodeAuthorDataStr().View()))
          return false;
      if (!WriteCommandMessage(*this, header, MessageCommand::AuthorsUpdate.ShortCode, who, announce)) return false;
    }
  }
  journal.Keep();
  return true;
}

bool TDiscussion::SendCommand_GiveExistingBlockNames() {
  const TModelHooks& hooks = ModelHooks();
  TArray<TRecipientsList> receivers;
  if (!hooks.ChooseReceivers || !hooks.ChooseReceivers(*this, "", 4, receivers) ||
      !ReceiversOrSay(receivers, MessageCommand::GiveExistingBlocksList.Name))
    return false;
  const std::string who = "TDiscussion::SendCommand_GiveExistingBlockNames";
  if (!HasReceivers(receivers, who)) return false;
  TComposedMessages journal;
  for (const TRecipientsList& row : receivers) {
    TCommandMessageHeader header;
    if (!StartCommandHeader(header, row, MessageCommand::GiveExistingBlocksList.Name) ||
        !AddFields(header, {{"DIDENT", Info.DIdent}, {"COMPOSE_DATETIME", ComposeDateTimeText()}}) ||
        !WriteCommandMessage(*this, header, MessageCommand::GiveExistingBlocksList.ShortCode, who, 1))
      return false;
  }
  journal.Keep();
  return true;
}

bool TDiscussion::SendCommand_ExistingBlockNames(const TArray<TRecipientsList>& receivers) {
  const std::string who = "TDiscussion::SendCommand_ExistingBlockNames";
  if (!HasReceivers(receivers, who)) return false;
  // The blocks the receivers may hold: model blocks and comments, in every state.
  std::vector<TDiscBlockIndex> blocks = AllBlocksOf(Storages.Model);
  for (TDiscBlockIndex comment : AllBlocksOf(Storages.Comments)) blocks.push_back(comment);
  TComposedMessages journal;
  for (const TRecipientsList& row : receivers) {
    TCommandMessageHeader header;
    if (!StartCommandHeader(header, row, MessageCommand::ExistingBlocksList.Name) ||
        !AddFields(header, {{"DIDENT", Info.DIdent},
                            {"COMPOSE_DATETIME", ComposeDateTimeText()},
                            {"BLOCKSCOUNT", std::to_string(blocks.size())}}))
      return false;
    const auto pairs = [this, &blocks](TBufWriter& writer, std::string_view) {
      for (TDiscBlockIndex block : blocks) {
        const TDiscBlock& b = *Storages.GetDiscBlock(block);
        if (!DiscBlockNameAndCRCToBufWriter(writer, b.Name, b.ComposeTextLine(*this, block))) return false;
      }
      EndBlockRecords(writer);
      return true;
    };
    if (!WriteCommandMessage(*this, header, MessageCommand::ExistingBlocksList.ShortCode, who, 1, pairs)) return false;
  }
  journal.Keep();
  return true;
}

bool TDiscussion::SendCommand_CreateModel(const TArray<TRecipientsList>& receivers, const TStr& agident) {
  const std::string who = "TDiscussion::SendCommand_CreateModel";
  if (!HasReceivers(receivers, who)) return false;
  const int modelAuthor = Authors.FindAuthorByADIdent(ModelAuthorADIdent);
  TAuthor author;
  if (modelAuthor >= 0) {
    author = Authors.Author(modelAuthor);
  } else {
    author.ADIdent = ModelAuthorADIdent;
    author.LIdent = Info.ModelAuthorLIdent;
  }
  std::string annotation;
  if (!MakeAnnotationFieldValue(*this, annotation)) return false;
  const std::string modelFolderName = GetModelFolderName().ToString();
  const std::vector<TDiscBlockIndex> blocks = ModelBlocksInTreeOrder(*this);
  const TDateTime shareDate = Info.ShareDate != 0 ? TDateTime(Info.ShareDate) : Date();
  std::string moderatorEMail, moderatorLIdent;
  if (Info.IsModerated()) {
    const TModelHooks& hooks = ModelHooks();
    // A moderator of another installation is known by the login its registration left
    // here, before it is an author of the discussion.
    const int login = hooks.Logins ? hooks.Logins->FindLogin(Info.ModeratorLoginIdent) : -1;
    const int moderatorAuthor = Authors.FindAuthorByADIdent(1);
    moderatorEMail = IsModerator() ? GetCurrentLoginEMail().ToString()
                     : login >= 0 && !hooks.Logins->GetLogin(login).AutomaticEMail.IsEmpty()
                         ? hooks.Logins->GetLogin(login).AutomaticEMail.ToString()
                     : moderatorAuthor >= 0 ? Authors.Author(moderatorAuthor).AutomaticEMail.ToString()
                                            : std::string();
    moderatorLIdent = hooks.LoginLIdent ? hooks.LoginLIdent(Info.ModeratorLoginIdent).ToString() : std::string();
  }
  TComposedMessages journal;
  for (const TRecipientsList& row : receivers) {
    TCommandMessageHeader header;
    if (!StartCommandHeader(header, row, MessageCommand::FormNewModel.Name) ||
        !AddFields(header, {{"DIDENT", Info.DIdent},
                            {"PRIVATE_REQ", PrivateReq(*this)},
                            {"COMPOSE_DATETIME", ComposeDateTimeText()},
                            {"MODEL_NAME", Info.Name},
                            {"MODEL_NICK", modelFolderName},
                            {"MODEL_AUTHOR_LIDENT", Info.ModelAuthorLIdent},
                            {"AUTHOR_DATA", author.EncodeAuthorDataStr()},
                            {"ANNOTATION", annotation},
                            {"SHARE_DATE", FormatDateTime("mm'/'dd'/'yyyy", shareDate)},
                            {"MODERATED", Info.IsModerated() ? "1" : "0"}}))
      return false;
    if (Info.IsModerated() &&
        !AddFields(header, {{"MODERATOR_EMAIL", moderatorEMail}, {"MODERATOR_LIDENT", moderatorLIdent}}))
      return false;
    if (!agident.IsEmpty() && !header.AddField("AGIDENT1", agident.View())) return false;
    if (!header.AddField("BLOCKSCOUNT", std::to_string(blocks.size())) ||
        !WriteCommandMessage(*this, header, MessageCommand::FormNewModel.ShortCode, who, 1,
                             BlocksWriter(*this, blocks)))
      return false;
  }
  journal.Keep();
  return true;
}

// The blocks of a message of new blocks: header fields as the posting command writes them.
static bool WriteNewBlocks(TDiscussion& discussion, const TArray<TRecipientsList>& receivers, const char* command,
                           const char* shortCode, const std::vector<TDiscBlockIndex>& blocks, const std::string& who) {
  if (!HasReceivers(receivers, who)) return false;
  TComposedMessages journal;
  for (const TRecipientsList& row : receivers) {
    TCommandMessageHeader header;
    if (!StartCommandHeader(header, row, command) ||
        !AddFields(header, {{"DIDENT", discussion.Info.DIdent},
                            {"PRIVATE_REQ", PrivateReq(discussion)},
                            {"COMPOSE_DATETIME", ComposeDateTimeText()},
                            {"BLOCKSCOUNT", std::to_string(blocks.size())}}) ||
        !WriteCommandMessage(discussion, header, shortCode, who, 1, BlocksWriter(discussion, blocks)))
      return false;
  }
  journal.Keep();
  return true;
}

bool TDiscussion::SendCommand_NewBlocks_AllComments(const TArray<TRecipientsList>& receivers) {
  const std::vector<TDiscBlockIndex> comments = AllBlocksOf(Storages.Comments);
  if (comments.empty()) return true;  // nothing to send
  return WriteNewBlocks(*this, receivers, MessageCommand::NewBlocks.Name, MessageCommand::NewBlocks.ShortCode, comments,
                        "TDiscussion::SendCommand_NewBlocks_AllComments");
}

bool TDiscussion::SendCommand_RequestedBlocks(const TArray<TRecipientsList>& receivers, const TStr& blockNames) {
  // Names joined by ";"; each is sent once, and only what the receivers may hold: model
  // blocks and comments.
  std::vector<TDiscBlockIndex> found;
  std::set<std::string> asked;
  int missing = 0;
  const std::string names = blockNames.ToString();
  for (size_t start = 0; start <= names.size();) {
    size_t end = names.find(';', start);
    if (end == std::string::npos) end = names.size();
    const std::string name = Trim(std::string_view(names).substr(start, end - start));
    start = end + 1;
    if (name.empty() || !asked.insert(name).second) continue;
    const TDiscBlockIndex block = Storages.FindDiscBlockIndexByName(name);
    if (block.StorageType == StorageType_Model || block.StorageType == StorageType_Comments)
      found.push_back(block);
    else
      ++missing;
  }
  if (found.empty()) {
    ShowMessageBox(MessageCommand::GiveBlocks.Name,
                   "None of " + std::to_string(missing) + " requested blocks is found.");
    return true;
  }
  std::string question;
  if (missing > 0) question = std::to_string(missing) + " requested blocks are not found.\n";
  question += "Send " + std::to_string(found.size()) + " requested blocks?";
  if (ShowMessageBox(MessageCommand::GiveBlocks.Name, question, "", "Yes|No", 0) != 0) return false;
  return WriteNewBlocks(*this, receivers, MessageCommand::RequestedBlocks.Name,
                        MessageCommand::RequestedBlocks.ShortCode, found, "TDiscussion::SendCommand_RequestedBlocks");
}

bool TDiscussion::SendCommand_YourCommandIgnored(const TArray<TRecipientsList>& receivers,
                                                 const TStr& ignoredCommand, const TStr& auxInfo,
                                                 const TStr& comment) {
  const std::string who = "TDiscussion::SendCommand_YourCommandIgnored";
  if (!HasReceivers(receivers, who)) return false;
  TComposedMessages journal;
  for (const TRecipientsList& row : receivers) {
    TCommandMessageHeader header;
    // A refusal goes to someone who is not, or not known as, a participant: sealed with the
    // leader's Key it could not be read by the person it is for.
    if (!StartCommandHeader(header, row, MessageCommand::YourCommandIgnored.Name) ||
        !header.AddField("DIDENT", Info.DIdent.View()) || (IsPrivate(*this) && !header.AddField("PRIVATE_REQ", "0")) ||
        !AddFields(header, {{"COMPOSE_DATETIME", ComposeDateTimeText()}, {"IGNORED_COMMAND", ignoredCommand}}) ||
        (!auxInfo.IsEmpty() && !header.AddField("AUX_INFO", auxInfo.View())) ||
        (!comment.IsEmpty() && !header.AddField("RESULT_COMMENT", comment.View())) ||
        !header.AddField("MODEL_NAME", Info.Name.View()) ||
        !WriteCommandMessage(*this, header, MessageCommand::YourCommandIgnored.ShortCode, who, 1))
      return false;
  }
  journal.Keep();
  return true;
}

bool TDiscussion::SendCommandsForNewModel() {
  // The persons who asked for the model become authors, so that the receivers can be
  // chosen among them; when the model does not go out they are taken back.
  const TAuthorsStorage before = Authors;
  std::vector<int> created, changed;
  for (const TPersonRow& person : Info.Persons) {
    int index = Authors.FindAuthorByLIdent(person.LIdent);
    if (index < 0) {
      index = Authors.Authors.AddEmptyItem();
      if (index < 0) {
        Authors = before;
        return false;
      }
      Authors.Author(index).LIdent = person.LIdent;
      created.push_back(index);
    } else if (index < before.Count()) {
      changed.push_back(index);
    }
    Authors.Author(index).AutomaticEMail = person.Address;
    Authors.Author(index).LastName = person.Note;
  }
  TArray<TRecipientsList> receivers;
  const TModelHooks& hooks = ModelHooks();
  bool sent = false;
  if (hooks.ChooseReceivers && hooks.ChooseReceivers(*this, "", 3, receivers)) {
    if (!NamesAnyReceiver(receivers)) {
      ShowMessageBox("Send FORM_NEW_MODEL", "There are no FORM_NEW_MODEL requesters!");
    } else {
      TComposedMessages journal;
      sent = SendCommand_CreateModel(receivers, TStr()) && Reply(receivers, -1, 0) &&
             SendCommand_NewBlocks_AllComments(receivers);
      if (sent) journal.Keep();
    }
  }
  if (!sent) {
    Authors = before;
    return false;
  }
  for (int index : created) Undo.AddAuthorCreation(index);
  for (int index : changed) Undo.AddAuthorChanges(*this, index, before.Author(index));
  const TDiscussionInfo old = Info;
  Info.ModelRequesters.Clear();
  Info.Persons.Clear();
  Undo.AddDiscussionInfoChanges(*this, old);
  return true;
}

bool TDiscussion::SendPendingExistingBlockNames() {
  const TArray<TRecipientsList> receivers = MakeRecipientsList(Info.BlockNamesRequesters.View());
  if (receivers.Count() == 0) return true;
  if (!SendCommand_ExistingBlockNames(receivers)) return false;
  Undo.AddStrFieldChange(UndoObject_InfoRequesters, InfoField_BlockNamesRequesters, Info.BlockNamesRequesters);
  Info.BlockNamesRequesters.Clear();
  return true;
}
