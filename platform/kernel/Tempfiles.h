#pragma once
// Temporary files and folders: the system's temporary folder, and new files and folders
// whose unique names are made and taken in one step, so that no other process can slip
// its own file in between. They are the user's own (files 0600, folders 0700).

#include <string>

namespace platform {

// The system's temporary folder ($TMPDIR, else /tmp), a program path without a trailing '/'.
std::string TempRoot();

// A new folder named `prefix` and six unique characters (`prefix` is a program path with
// its folder); "" with the last error set when it cannot be made.
std::string MakeUniqueFolder(const std::string& prefix);
// A new empty file named the same way.
std::string MakeUniqueFile(const std::string& prefix);

// A folder of this process's own, named `prefix`, the process's identity (its id and the
// time the system started it) and six unique characters. The process holds it while it
// runs, from before any other process can see it, so that whoever finds it can tell whether
// its process is gone, even when the system has given the id to another process since. ""
// with the last error set when it cannot be made.
std::string MakeProcessFolder(const std::string& prefix);
// Closes the holds of this process's folders that were removed (a new one is made in
// MakeProcessFolder's place of one removed by hand).
void LetGoOfRemovedProcessFolders();
// Whether a folder is named as MakeProcessFolder names them with that prefix.
bool IsProcessFolder(const std::string& folder, const std::string& prefix);
// Whether a folder named by MakeProcessFolder with that prefix is this very process's (a
// forked child's parent made its own).
bool IsOwnProcessFolder(const std::string& folder, const std::string& prefix);
// Whether such a folder was left by a process that no longer runs: a folder (no link) of
// this user, named for a process that is not running (its id free, or given to a process
// started at another time), and held by none. The three tell of the hidden name a folder
// has while it is made too ("." before the prefix's last part), which a process that died
// before naming it leaves behind.
bool IsLeftProcessFolder(const std::string& folder, const std::string& prefix);

// Test seam: the system calls that name and hold a process's folder fail with these C
// library errors (0: they run): the rename that refuses to replace a name, and the hold.
void FailProcessFolderCalls(int renameError, int lockError);
// Test seam: called with the hidden name of each process folder made and held, before it
// is given its name; null stops it.
void PauseBeforeNaming(void (*pause)(const std::string& hidden));

}  // namespace platform
