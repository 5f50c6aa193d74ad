#pragma once
// Folders of the discussions tree.

#include <string>
#include <vector>

// Creates a folder and its missing parents without asking; true when it exists afterwards.
bool MakeFolder(const std::string& path);
// Names of the sub-folders of a folder, in name order; symbolic links and hidden names
// (starting with ".") are passed over.
std::vector<std::string> ListSubFolders(const std::string& path);
// A name that may become one folder inside another: not empty, not "." or "..", and
// without "/", "\" or control characters.
bool IsSafeFolderName(const std::string& name);
// A name the user may give a new discussion's folder: a safe folder name without blanks.
bool IsLegalDiscussionFolderName(const std::string& name);
// The post-history folders inside every discussion's folder.
inline constexpr const char* DiscussionHistoryFolders[] = {"InboxPostHistory", "OutboxPostHistory",
                                                           "OutboxPostBroadcast"};
// The name made safe: unsafe characters become "_", and so do an empty name, "." and "..".
std::string MakeSafeFolderName(const std::string& name);
