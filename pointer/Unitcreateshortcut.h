#pragma once
// Places a link to a program into one of the user's shell folders (desktop, programs
// menu, start menu, start-up folder), tests for it, or takes it away again. A link is
// a desktop entry file named after the link with the ".desktop" ending.

#include <cstdint>

inline constexpr int32_t kShortcutDesktop = 1;
inline constexpr int32_t kShortcutPrograms = 2;
inline constexpr int32_t kShortcutStartMenu = 3;
inline constexpr int32_t kShortcutStartup = 4;

inline constexpr int32_t kLinkCreate = 1;
inline constexpr int32_t kLinkDelete = 2;

// LinkAction 1 creates the link when it is absent, 2 deletes it when present, other
// values only test. Returns whether a link file (not a folder) stood there before.
// A folder kind outside 1..4, or a shell folder with no path, acts on nothing.
bool Pascal_CreateShortcut(const char* TargetPath, const char* LinkName, int32_t FolderKind, const char* SubFolder,
                           int32_t LinkAction);
