#include "app/Errorsaving.h"

#include "browse/Browsecommand.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "model/Unsavedchanges.h"

#include <vector>

namespace {

// Each key or button the user presses opens a new undo step in every discussion; an action
// recorded since, or a step a command holds open, means the present work changed it.
bool ChangedByThePresentAction(const TDiscussion& discussion) {
  return discussion.Undo.PendingFirstOfStep == 0 || discussion.Undo.StepStartSwitch == 0;
}

std::string Listed(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// A discussion as the user tells it from the others: its name and its folder below the
// data folder ("Created/Rivers"), for two discussions may bear one name.
std::string Described(const TDiscussionsManager& manager, const TDiscussion& discussion) {
  std::string folder = discussion.Folder.ToString();
  const std::string root = manager.GetFolderPath(manager.RootFolder).ToString() + "/";
  if (folder.starts_with(root)) folder.erase(0, root.size());
  if (discussion.GetName().IsEmpty()) return folder;
  return "\"" + discussion.GetName().ToString() + "\" in " + folder;
}

}  // namespace

std::string SaveDiscussionsUntouchedByTheError() {
  TDiscussionsManager* manager = DiscussionsManager();
  if (!manager) return std::string();
  const TDiscussion* failing = RunningCommandDiscussion();
  std::vector<std::string> saved, kept;
  for (int i = 0; i < manager->GetDiscussionsCount(); ++i) {
    TDiscussion& discussion = manager->GetDiscussion(i);
    if (!discussion.Loaded || !HasUnsavedChanges(discussion)) continue;
    const std::string name = Described(*manager, discussion);
    const bool trusted = &discussion != failing && !ChangedByThePresentAction(discussion);
    (trusted && discussion.Save() ? saved : kept).push_back(name);
  }
  std::string lines;
  if (!saved.empty()) lines += "Saved: " + Listed(saved) + ".";
  if (!kept.empty())
    lines += std::string(lines.empty() ? "" : "\r\n") + "Not saved (kept as last saved): " + Listed(kept) + ".";
  return lines;
}
