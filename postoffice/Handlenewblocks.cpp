#include "postoffice/Commandhandlers.h"

#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "model/Blockrecord.h"
#include "model/Commentnames.h"
#include "model/Messagecomposer.h"
#include "model/Modelhooks.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussion.h"
#include "platform/rtl/Tdatetime.h"
#include "postoffice/Appliedmessages.h"
#include "postoffice/Replyignoredblocks.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tpostfileshandler.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

// Per-block messages about missing links shown for one message; the rest are counted only.
constexpr int MaxLinkMessages = 20;

// A received block whose upper or conclusion block is looked up after the last record.
struct TReceivedBlock {
  TDiscBlockIndex Block;
  TStr UpperName;
  TStr ConclusionName;
};

// The block of that name in the target storage; a name found only in another storage is
// no match there.
int FindInStorage(const TDiscussion& discussion, uint8_t storage, const std::string& name) {
  const TDiscBlockIndex found = discussion.Storages.FindDiscBlockIndexByName(name);
  return found.StorageType == storage ? int(found.Index) : -1;
}

// The other form of a name the lookup tries when the name itself names no block: a
// moderated comment is found by its comment's name, a comment by its moderated form's.
std::string LookupForm(uint8_t storage, const std::string& name) {
  if (storage == StorageType_ModeratedComments) return name + "M";
  if (!name.empty() && name.back() == 'M') return name.substr(0, name.size() - 1);
  return name;
}

int FindTarget(const TDiscussion& discussion, uint8_t storage, const std::string& name) {
  const int found = FindInStorage(discussion, storage, name);
  if (found >= 0) return found;
  const std::string other = LookupForm(storage, name);
  return other == name ? -1 : FindInStorage(discussion, storage, other);
}

uint8_t TargetStorage(const TDiscBlockRecord& record, bool moderator) {
  if (record.StorageType == StorageType_Model) return StorageType_Model;
  return moderator ? StorageType_ModeratedComments : StorageType_Comments;
}

bool NamesConclusion(const TDiscBlockRecord& record) {
  return record.TextType == TextType_Formula && !record.ConclusionName.IsEmpty();
}

bool IsDiscredited(const TDiscussion& discussion, uint16_t adident) {
  int type = 0;
  return AuthorModerateType(discussion, adident, type) == ModerationCall_Done && type == ModerateType_Discredited;
}

// The upper block of a received block: a model block for a model block, a model block or a
// comment for a comment, never the block itself or one beneath it.
TDiscBlockIndex ResolveUpper(const TDiscussion& discussion, TDiscBlockIndex block, const TStr& name) {
  const TDiscBlockIndex upper = discussion.Storages.FindDiscBlockIndexByName(name.ToString());
  if (upper.IsEmpty() || upper.StorageType == StorageType_Notes) return {};
  if (block.StorageType == StorageType_Model && upper.StorageType != StorageType_Model) return {};
  if (discussion.Storages.IsInUpperChain(upper, block)) return {};
  return upper;
}

TDiscBlockIndex ResolveConclusion(const TDiscussion& discussion, TDiscBlockIndex block, const TStr& name) {
  const TDiscBlockIndex conclusion = discussion.Storages.FindDiscBlockIndexByName(name.ToString());
  if (conclusion.StorageType != StorageType_Model || conclusion == block) return {};
  return conclusion;
}

// What applying a record does, decided for every record before the user is asked, so that
// the question counts what the answer then tells.
enum class TFate : uint8_t { Add, Update, Skip, Ignore };

struct TPlanned {
  TFate Fate = TFate::Add;
  uint8_t Storage = 0;
  int Index = -1;  // the block updated
};

class TNewBlocksHandler {
 public:
  TNewBlocksHandler(TPostFilesHandler& run, THandlerFrame& frame, TDiscussion& discussion)
      : fRun(run), fFrame(frame), d(discussion) {}

  bool ReadRecords(std::string_view key);
  // Decides each record's fate; false when the storages cannot take the blocks to add.
  bool Plan();
  // The question to the user, counting as the summary counts; empty when the message
  // changes no block.
  std::string Question() const;
  void Apply();
  void Link();
  bool Finish();

 private:
  int Count(TFate fate) const;
  void ApplyRecord(TDiscBlockRecord& record, const TPlanned& planned);
  void Ignore(const TDiscBlockRecord& record);

  TPostFilesHandler& fRun;
  THandlerFrame& fFrame;
  TDiscussion& d;
  std::vector<TDiscBlockRecord> fRecords;
  std::vector<TPlanned> fPlan;
  std::vector<TReceivedBlock> fReceived;
  std::vector<TYourBlocksIgnoredInfo> fIgnored;
  int fAdded = 0, fUpdated = 0, fSkipped = 0, fIgnoredCount = 0, fErased = 0;
  bool fModeratedReceived = false;
};

bool TNewBlocksHandler::ReadRecords(std::string_view key) {
  const unsigned before = TError::Instance().ReportCount();
  TDiscBlockRecord record;
  while (DiscBlockFromBufReader(fFrame.Reader(), record, key)) {
    if (record.StorageType != StorageType_Model && record.StorageType != StorageType_Comments) {
      TError::Report(fFrame.Who + " - обнаружен не блок монографии или комментария");
      return false;
    }
    // More records than two storages can hold cannot be a sound message.
    if (fRecords.size() >= 2 * size_t(MaxBlocksInStorage)) {
      TError::Report(fFrame.Who + " - слишком много блоков в команде-сообщении " + fFrame.Path);
      return false;
    }
    fRecords.push_back(std::move(record));
    record = TDiscBlockRecord();
  }
  return TError::Instance().ReportCount() == before;
}

// The name a block added by the record gets: a comment's is composed of its author and
// number, a model block keeps the record's.
std::string AddedName(const TDiscussion& discussion, uint8_t storage, const TDiscBlockRecord& record) {
  return HasAuthorField(storage)
             ? ComposedCommentName(discussion, record.ADIdent, record.Num, storage == StorageType_ModeratedComments)
             : record.Name.ToString();
}

bool TNewBlocksHandler::Plan() {
  const bool moderator = d.IsModerator();
  // Records that name one block, as the lookup finds it when the records are applied one
  // by one (a block held, or one an earlier record adds, under the name it then has), are
  // taken once, in the place of the first, as the last of them has it: each later record
  // would update the block.
  std::map<std::pair<uint8_t, int>, size_t> held;
  std::map<std::pair<uint8_t, std::string>, size_t> added;
  const auto addedBy = [&](uint8_t storage, const std::string& name) {
    for (const std::string& form : {name, LookupForm(storage, name)})
      if (const auto it = added.find({storage, form}); it != added.end()) return it;
    return added.end();
  };
  std::vector<TDiscBlockRecord> kept;
  for (TDiscBlockRecord& record : fRecords) {
    const uint8_t storage = TargetStorage(record, moderator);
    const std::string name = record.Name.ToString();
    if (const int index = FindTarget(d, storage, name); index >= 0) {
      const auto [it, first] = held.try_emplace({storage, index}, kept.size());
      if (first) kept.push_back(std::move(record));
      else kept[it->second] = std::move(record);
    } else if (const auto it = addedBy(storage, name); it != added.end()) {
      const size_t at = it->second;
      added.erase(it);
      kept[at] = std::move(record);
      added.try_emplace({storage, AddedName(d, storage, kept[at])}, at);
    } else {
      added.try_emplace({storage, AddedName(d, storage, record)}, kept.size());
      kept.push_back(std::move(record));
    }
  }
  fRecords = std::move(kept);
  int fresh[StorageType_ModeratedComments + 1] = {};
  for (const TDiscBlockRecord& record : fRecords) {
    TPlanned planned;
    planned.Storage = TargetStorage(record, moderator);
    if (planned.Storage == StorageType_ModeratedComments && IsDiscredited(d, record.ADIdent)) {
      planned.Fate = TFate::Ignore;
    } else if ((planned.Index = FindTarget(d, planned.Storage, record.Name.ToString())) >= 0) {
      const TDiscBlockIndex found{planned.Storage, uint16_t(planned.Index)};
      planned.Fate =
          d.Storages.GetDiscBlock(found)->ComposeTextLine(d, found) == record.CheckValue ? TFate::Skip : TFate::Update;
    } else {
      ++fresh[planned.Storage];
    }
    fPlan.push_back(planned);
  }
  // Applying cannot stop half-way for want of room.
  for (uint8_t type : {StorageType_Model, StorageType_Comments, StorageType_ModeratedComments}) {
    const TBlocksStorage& storage = *d.Storages.GetStorage(type);
    if (size_t(storage.Count()) + size_t(fresh[type]) > size_t(MaxBlocksInStorage) ||
        size_t(storage.LastBlockNum) + size_t(fresh[type]) > 0xFFFF) {
      TError::Report(fFrame.Who + " - хранилище блоков переполнено; команда-сообщение " + fFrame.Path +
                     " не применена");
      return false;
    }
  }
  return true;
}

int TNewBlocksHandler::Count(TFate fate) const {
  return int(std::count_if(fPlan.begin(), fPlan.end(), [fate](const TPlanned& p) { return p.Fate == fate; }));
}

std::string TNewBlocksHandler::Question() const {
  const int added = Count(TFate::Add), updated = Count(TFate::Update);
  const std::string model = "model '" + d.GetName().ToString() + "'";
  if (updated == 0) return added == 0 ? std::string() : "Add " + std::to_string(added) + " blocks to " + model + "?";
  if (added == 0) return "Update " + std::to_string(updated) + " blocks of " + model + "?";
  return "Add " + std::to_string(added) + " blocks to " + model + " and update " + std::to_string(updated) + " blocks?";
}

void TNewBlocksHandler::Ignore(const TDiscBlockRecord& record) {
  auto it = std::find_if(fIgnored.begin(), fIgnored.end(),
                         [&record](const TYourBlocksIgnoredInfo& info) { return info.ADIdent == record.ADIdent; });
  if (it == fIgnored.end()) {
    fIgnored.push_back({});
    it = fIgnored.end() - 1;
    it->ADIdent = record.ADIdent;
  }
  if (!it->BlockNames.IsEmpty()) it->BlockNames += "; ";
  it->BlockNames += record.Name;
  ++fIgnoredCount;
}

void TNewBlocksHandler::Apply() {
  for (size_t i = 0; i < fRecords.size(); ++i) ApplyRecord(fRecords[i], fPlan[i]);
}

void TNewBlocksHandler::ApplyRecord(TDiscBlockRecord& record, const TPlanned& planned) {
  const bool leader = d.IsLeader();
  if (record.StorageType == StorageType_Comments && leader) {
    TDiscBlock today;
    today.SetDate(Date());
    record.Date = today.Date;
  }
  const uint8_t target = planned.Storage;
  if (target == StorageType_ModeratedComments) fModeratedReceived = true;
  if (planned.Fate == TFate::Ignore) return Ignore(record);
  if (planned.Fate == TFate::Skip) {
    ++fSkipped;
    return;
  }
  TBlocksStorage& storage = *d.Storages.GetStorage(target);
  int index = planned.Index;
  if (planned.Fate == TFate::Update) {
    ++fUpdated;
    storage.Block(index).UnlinkedIndex = NoUnlinkedBlockInfo;
  } else {
    // Room was checked before anything was applied; the upper block is linked by its name
    // once every received block is in.
    index = storage.AppendBlock(d, TDiscBlockIndex());
    if (index < 0) return;
    ++fAdded;
  }
  const TDiscBlockIndex own{target, uint16_t(index)};
  TDiscBlock& block = storage.Block(index);
  block.StorageType = target;
  CopyReceivedValues(block, record);
  if (HasAuthorField(target)) {
    if (record.Date != 0) block.Date = record.Date;
    block.ADIdent = record.ADIdent;
    block.SetComposedBlockName(d, own);
  } else if (!(block.Name == record.Name)) {
    if (block.Name.IsEmpty()) block.Name = record.Name;  // a new block: announced below
    else storage.SetBlockName(index, record.Name);
  }
  const bool conclusion = NamesConclusion(record);
  if (!record.UpperName.IsEmpty() || conclusion)
    fReceived.push_back({own, record.UpperName, conclusion ? record.ConclusionName : TStr()});
  TStrHashItem& texts = storage.Texts(index);
  texts.Str = record.Texts;
  texts.Save(block);
  storage.NewBlockAdded(d, index, 1);
}

void TNewBlocksHandler::Link() {
  bool progress = true;
  while (!fReceived.empty() && progress) {
    progress = false;
    for (size_t i = fReceived.size(); i-- > 0;) {
      TReceivedBlock& item = fReceived[i];
      TDiscBlock& block = *d.Storages.GetDiscBlock(item.Block);
      if (!item.UpperName.IsEmpty()) {
        block.Upper = ResolveUpper(d, item.Block, item.UpperName);
        d.Storages.GetStorage(item.Block.StorageType)->ClearLowerIndex();
        if (!block.Upper.IsEmpty()) {
          block.UpperCode = d.Storages.GetDiscBlock(block.Upper)->GetDiscBlockCode();
          item.UpperName.Clear();
          progress = true;
        }
      }
      if (!item.ConclusionName.IsEmpty()) {
        block.Conclusion = ResolveConclusion(d, item.Block, item.ConclusionName);
        if (!block.Conclusion.IsEmpty()) {
          block.ConclusionCode = d.Storages.GetDiscBlock(block.Conclusion)->GetDiscBlockCode();
          item.ConclusionName.Clear();
          progress = true;
        }
      }
      if (item.UpperName.IsEmpty() && item.ConclusionName.IsEmpty()) fReceived.erase(fReceived.begin() + long(i));
    }
  }
  int shown = 0;
  for (const TReceivedBlock& item : fReceived) {
    const std::string name = ShownText(d.Storages.GetDiscBlock(item.Block)->Name.View());
    if (!item.UpperName.IsEmpty() && shown++ < MaxLinkMessages)
      ShowMessageBox(fFrame.Command,
                     "Upper block (" + ShownText(item.UpperName.View()) + ") not found -\n" + name + " will be erased.");
    if (!item.ConclusionName.IsEmpty() && shown++ < MaxLinkMessages)
      ShowMessageBox(fFrame.Command, "Formula conclusion block (" + ShownText(item.ConclusionName.View()) +
                                         ") not found -\n" + name + " will be erased.");
    d.Storages.GetDiscBlock(item.Block)->SetDeleteFlag(d, item.Block, DeleteFlag_Erased, 1);
    ++fErased;
  }
}

bool TNewBlocksHandler::Finish() {
  if (TBrowseGlobal::Moderation) d.UpdateModeratedCommentsCount();
  if (!d.Save()) return false;
  // The replies wait under their unfinished names until the message is written down as
  // applied: a crash before that leaves leftovers that the post office removes, and the
  // message, handled again, writes them once more; never twice into the Outbox.
  TComposedMessages replies;
  replies.Hold();
  for (const TYourBlocksIgnoredInfo& info : fIgnored)
    if (!ReplyBlocksIgnored(info, d)) return false;
  const int relinked = d.Storages.RelinkUnlinkedBlocks(d);
  if (relinked != 0 && !d.Save()) return false;
  // All of it is on the disk before the user is told: a crash from now on leaves the
  // message applied once.
  if (!TApplyingScope::EffectSaved() || !replies.Release()) return false;
  const std::string& command = fFrame.Command;
  // Blocks sent again under a later reply are skipped quietly: only a change is told.
  if (command != MessageCommand::NewBlocks.Name || fUpdated != 0 || fIgnoredCount != 0) {
    std::string summary;
    if (fAdded) summary += std::to_string(fAdded) + " blocks added\n";
    if (fUpdated) summary += std::to_string(fUpdated) + " blocks updated\n";
    if (fSkipped) summary += std::to_string(fSkipped) + " blocks skipped\n";
    if (fIgnoredCount) summary += std::to_string(fIgnoredCount) + " comments of discredited authors ignored.\n";
    if (fErased) summary += std::to_string(fErased) + " blocks erased because of absent parent or conclusion.\n";
    ShowMessageBox(command, summary);
  }
  fRun.AddedBlocks += fAdded;
  if (relinked != 0)
    ShowMessageBox("RETEST LINKS", "There are " + std::to_string(relinked) + " unlinked blocks relinked.");
  if (fModeratedReceived) TListeners::SendPair(Notify_FoldersChanged, 0, 0, false);
  return true;
}

}  // namespace

bool HandleCommand_NewBlocks(TPostFilesHandler& run, const std::string& path) {
  THandlerFrame frame("HandleCommand_NewBlocks");
  if (!frame.Open(path, {MessageCommand::NewBlocks.Name, MessageCommand::RequestedBlocks.Name,
                         MessageCommand::FormNewModel.Name}))
    return false;
  const std::string& command = frame.Command;
  const std::string dident = frame.Field("DIDENT");
  bool loadedHere = false;
  TDiscussion* discussion = FindMessageDiscussion(dident, command, &loadedHere);
  if (!discussion) return false;
  // A discussion loaded for the message is let go again on every path.
  struct TUnloader {
    TDiscussion& discussion;
    bool active;
    ~TUnloader() {
      if (active) discussion.Unload();
    }
  } unloader{*discussion, loadedHere};

  const bool sender = discussion->IsLeader() ? IsFromAuthor(frame, *discussion) : IsFromLeader(frame, *discussion);
  if (!sender) return RefuseSender(frame, *discussion, discussion->IsLeader() ? "one of its authors" : "its leader");
  const std::string key = frame.Header.IsPrivateMessage() ? frame.Header.SenderKey() : std::string();

  TNewBlocksHandler handler(run, frame, *discussion);
  // Every record is read and checked before the user is asked and the discussion touched.
  if (!handler.ReadRecords(key) || !handler.Plan()) return false;
  frame.Close();
  if (const std::string question = handler.Question();
      !question.empty() && ShowMessageBox(command, question, "", "OK|Cancel", 0) != 0)
    return false;
  handler.Apply();
  handler.Link();
  return handler.Finish();
}
