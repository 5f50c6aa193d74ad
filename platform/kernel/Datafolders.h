#pragma once
// Where the program keeps its data and its settings on this system.

#include <string>

namespace platform {

// The program's folder: $QUILLARAN_HOME, else $XDG_DATA_HOME/quillaran,
// else ~/.local/share/quillaran. Ends without '/'.
std::string DataRoot();

// The folder of the settings store: $XDG_CONFIG_HOME/quillaran, else ~/.config/quillaran.
std::string ConfigRoot();

// Creates a folder and its missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);

// The data folder is its user's alone: made (with its missing parents) 0700, and one of
// this user's that others may enter or read is tightened to 0700; true when it exists
// afterwards.
bool MakePrivateFolder(const std::string& path);
// The same for a folder that exists, which it does not make; false when there is none.
bool KeepFolderPrivate(const std::string& path);

}  // namespace platform
