#pragma once
// The shell's special folders of the current user, by their folder ids. They
// answer from this system's places (the XDG desktop, the folder of desktop
// entries, the autostart folder), as the registry's "Shell Folders" key does.

#include <string>

inline constexpr int CSIDL_DESKTOP = 0x0000;
inline constexpr int CSIDL_PROGRAMS = 0x0002;
inline constexpr int CSIDL_PERSONAL = 0x0005;  // the user's documents
inline constexpr int CSIDL_STARTUP = 0x0007;
inline constexpr int CSIDL_STARTMENU = 0x000B;
inline constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;

// The folder's path (code page, '/'); false for an id this system has no
// folder for. With Create the folder is made when missing.
bool SHGetSpecialFolderPath(int Folder, std::string& Path, bool Create);
