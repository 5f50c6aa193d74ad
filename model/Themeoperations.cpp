#include "model/Themeoperations.h"

#include "model/Tdiscussion.h"

namespace {

int FindTheme(const TThemes& themes, const TStr& name) {
  for (uint32_t i = 0; i < themes.Count(); ++i)
    if (themes[i].Name == name) return int(i);
  return -1;
}

bool ValidTheme(const TThemes& themes, int theme) { return theme >= 0 && uint32_t(theme) < themes.Count(); }

// Only the discussion's own themes are recorded for undo.
bool Recorded(const TThemes& themes, const TDiscussion& discussion) { return &themes == &discussion.Themes; }

}  // namespace

void TTheme::BroadcastChanging(const TDiscussion& discussion) const {
  for (const TDiscBlockCode& code : Blocks) {
    const TDiscBlockIndex block = discussion.Storages.FindDiscBlockIndex(code);
    if (!block.IsEmpty()) SendBlockNotification(Notify_BlockChanged, discussion, block, false);
  }
}

bool AddTheme(TThemes& themes, TDiscussion& discussion, const TStr& name) {
  if (name.IsEmpty() || FindTheme(themes, name) >= 0) return false;
  const int theme = themes.AddEmptyItem();
  if (theme < 0) return false;
  themes[theme].Name = name;
  if (Recorded(themes, discussion)) discussion.Undo.AddThemeCreation(theme);
  return true;
}

void DeleteTheme(TThemes& themes, TDiscussion& discussion, int theme) {
  if (!ValidTheme(themes, theme)) return;
  const TTheme old = themes[theme];
  if (Recorded(themes, discussion)) discussion.Undo.AddThemeDeletion(theme, old);
  themes.Delete(uint32_t(theme));
  old.BroadcastChanging(discussion);
}

bool AddBlockToTheme(TThemes& themes, TDiscussion& discussion, int theme, TDiscBlockIndex block) {
  if (!ValidTheme(themes, theme) || !discussion.Storages.IsValidIndex(block)) return false;
  const TDiscBlockCode code = discussion.Storages.GetDiscBlock(block)->GetDiscBlockCode();
  TArray<TDiscBlockCode>& codes = themes[theme].Blocks;
  if (themes[theme].FindBlock(code) >= 0) return true;
  if (codes.AddItem(code) < 0) return false;
  if (Recorded(themes, discussion)) discussion.Undo.AddThemeCodeAdded(theme);
  return true;
}

bool RemoveBlockFromTheme(TThemes& themes, TDiscussion& discussion, int theme, TDiscBlockCode code) {
  if (!ValidTheme(themes, theme)) return false;
  const int position = themes[theme].FindBlock(code);
  if (position < 0) return false;
  if (Recorded(themes, discussion)) discussion.Undo.AddThemeCodeRemoved(theme, position, code);
  themes[theme].Blocks.Delete(uint32_t(position));
  return true;
}

bool RenameTheme(TThemes& themes, TDiscussion& discussion, int theme, const TStr& name) {
  if (!ValidTheme(themes, theme) || name.IsEmpty() || themes[theme].Name == name || FindTheme(themes, name) >= 0)
    return false;
  if (Recorded(themes, discussion)) discussion.Undo.AddThemeStrFieldChange(theme, ThemeField_Name, themes[theme].Name);
  themes[theme].Name = name;
  themes[theme].BroadcastChanging(discussion);
  return true;
}

std::string GetBlockThemeNames(const TThemes& themes, TDiscBlockCode code, size_t limit) {
  std::string names;
  for (const TTheme& theme : themes) {
    if (theme.FindBlock(code) < 0) continue;
    if (!names.empty()) names += ", ";
    names += theme.Name.ToString();
    if (names.size() >= limit) break;
  }
  if (names.size() > limit) names.resize(limit);
  return names;
}
