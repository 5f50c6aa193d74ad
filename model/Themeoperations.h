#pragma once
// Operations on the themes of a discussion, each recorded in the undo list.

#include "foundation/Tstr.h"
#include "model/Tdiscblockindex.h"
#include "model/Ttheme.h"

#include <string>

class TDiscussion;

// Appends a theme of that name; false (nothing changed) when a theme has the name.
bool AddTheme(TThemes& themes, TDiscussion& discussion, const TStr& name);
// Removes a theme; its blocks are announced as changed.
void DeleteTheme(TThemes& themes, TDiscussion& discussion, int theme);
// Adds a block to a theme once; false when the theme or the block is not there.
bool AddBlockToTheme(TThemes& themes, TDiscussion& discussion, int theme, TDiscBlockIndex block);
// Removes a block code from a theme; false when it was not there.
bool RemoveBlockFromTheme(TThemes& themes, TDiscussion& discussion, int theme, TDiscBlockCode code);
// Renames a theme; false when the name is empty, unchanged or taken by another theme.
bool RenameTheme(TThemes& themes, TDiscussion& discussion, int theme, const TStr& name);
// The names of the themes holding the block, joined by ", " and cut to `limit` characters.
std::string GetBlockThemeNames(const TThemes& themes, TDiscBlockCode code, size_t limit);
