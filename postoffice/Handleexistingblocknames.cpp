#include "postoffice/Commandhandlers.h"

#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "foundation/Ttempcursor.h"
#include "model/Blockrecord.h"
#include "model/Messagecomposer.h"
#include "model/Postcommandnames.h"
#include "model/Tdiscussion.h"
#include "postoffice/Appliedmessages.h"
#include "postoffice/Thandlerframe.h"

#include <vector>

namespace {

constexpr const char* Command = MessageCommand::ExistingBlocksList.Name;
// More pairs than two storages hold cannot be a sound list.
constexpr size_t MaxPairs = 2 * size_t(MaxBlocksInStorage);

// Names of one kind as the question shows them: six, then "...".
struct TShownNames {
  int Count = 0;
  std::string Text;
  void Add(std::string_view name) {
    ++Count;
    if (Count <= 6) Text += (Count > 1 ? "; " : "") + ShownText(name);
    else if (Count == 7) Text += "...";
  }
};

bool IsReceivable(uint8_t storage) { return storage == StorageType_Model || storage == StorageType_Comments; }

}  // namespace

bool HandleCommand_ExistingBlockNames(TPostFilesHandler&, const std::string& path) {
  THandlerFrame frame("HandleCommand_ExistingBlockNames");
  if (!frame.Open(path, {Command})) return false;
  const std::string from = frame.Field("FROM_USER_EMAIL");
  const std::string dident = frame.Field("DIDENT");
  TDiscussion* d = FindMessageDiscussion(dident, Command);
  if (!d) return false;
  if (!IsFromLeader(frame, *d)) return RefuseSender(frame, *d, "its leader");

  std::vector<std::string> requested;
  TShownNames lost, differ;
  {
    TTempCursor hourglass;
    const unsigned before = TError::Instance().ReportCount();
    TStr name, check;
    while (DiscBlockNameAndCRCFromBufReader(frame.Reader(), name, check)) {
      if (requested.size() >= MaxPairs) {
        TError::Report(frame.Who + " - ошибка формата файла " + path);
        return false;
      }
      const TDiscBlockIndex found = d->Storages.FindDiscBlockIndexByName(name.ToString());
      if (!IsReceivable(found.StorageType)) {
        lost.Add(name.View());
        requested.push_back(name.ToString());
      } else if (!(d->Storages.GetDiscBlock(found)->ComposeTextLine(*d, found) == check)) {
        differ.Add(name.View());
        requested.push_back(name.ToString());
      }
    }
    if (TError::Instance().ReportCount() != before) return false;
  }
  frame.Close();
  if (requested.empty()) {
    ShowMessageBox(Command, "All blocks in your discussion are equal to original.");
    return true;
  }
  std::string question;
  if (lost.Count) question += std::to_string(lost.Count) + " blocks are lost (" + lost.Text + ").\n";
  if (differ.Count) question += std::to_string(differ.Count) + " blocks differ from originals (" + differ.Text + ").\n";
  question += "Request correct blocks?";
  if (ShowMessageBox(Command, question, "", "Yes|No", 0) != 0) {
    TApplyingScope::Declined();
    return true;
  }

  std::string names;
  for (const std::string& name : requested) names += (names.empty() ? "" : ";") + name;
  TRecipientsList row;
  row.Users = from;
  TCommandMessageHeader header;
  return StartCommandHeader(header, row, MessageCommand::GiveBlocks.Name) &&
         header.AddField("PRIVATE_REQ", d->Info.Secret ? "1" : "0") &&
         header.AddField("COMPOSE_DATETIME", ComposeDateTimeText()) && header.AddField("DIDENT", dident) &&
         header.AddField("BLOCK_NAMES", names) &&
         WriteCommandMessage(*d, header, MessageCommand::GiveBlocks.ShortCode, frame.Who, 1);
}
