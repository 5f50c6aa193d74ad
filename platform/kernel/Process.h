#pragma once
// Starting other programs: the program and each argument are handed to the system as
// they are, never through a shell, so no character of an argument has a meaning of its
// own. Texts are in the program's code page.

#include <string>
#include <vector>

namespace platform {

// Starts `program` (a path, or a bare name looked up along PATH) with `arguments`.
// Returns the process id, or -1 (with the kernel's last error set) when it could not be
// started. A program started with `reapInBackground` is waited for by a thread of its
// own, so that it never lingers after it ends; otherwise the caller waits with WaitProgram.
long StartProgram(const std::string& program, const std::vector<std::string>& arguments, bool reapInBackground);
// The same, started in `folder` ("" keeps the current folder).
long StartProgramIn(const std::string& program, const std::vector<std::string>& arguments, const std::string& folder,
                    bool reapInBackground);

// Waits for a program started without background reaping; its exit code, or -1 when it
// did not end normally or `process` is not a child.
int WaitProgram(long process);
// Whether a program started without background reaping has ended, without waiting;
// when it has, its exit code (-1 when it did not end normally or is not a child).
bool ProgramEnded(long process, int& exitCode);

// Whether the user may run a file (a path; never a folder).
bool MayRun(const std::string& path);
// Whether a bare program name (no '/') names a file the user may run in a folder along PATH.
bool FoundOnPath(const std::string& name);

// The path of the running program's executable file (a program path), "" when unknown.
std::string ExecutablePath();
// The folder of that file ("." when unknown); the program's own files are found from
// there (platform/kernel/Programfiles.h).
std::string ProgramFolder();

}  // namespace platform
