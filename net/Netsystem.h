#pragma once
// The mail library's few system services: temporary files, copying without
// overwriting, the mail character set of the user's language, and small helpers.
// This module is the library's only edge to the operating system for them.
#include <cstdint>
#include <chrono>
#include <string>

enum TNetMailCharSet : uint8_t { mcsGB2312, mcsBig5, mcsIso2022Jp, mcsEucKr, mcsIso88591 };

// The system's temporary folder with a trailing "/", recorded when the library
// starts. Received attachments go to a private folder (mode 0700) of this
// process under it, created on first use.
extern std::string TempFolder;

TNetMailCharSet SystemMailCharSet();
std::string SystemTempFolder();

// A new empty file (mode 0600) named "Mail" and a unique tail in Folder, or in
// the private attachment folder when Folder is empty; empty text on failure.
std::string CreateTempFile(const std::string& Folder = std::string());

// Copies Source to Dest; false when Dest exists or the copy failed (a partial
// copy is removed).
bool CopyFileNoOverwrite(const std::string& Source, const std::string& Dest);

// A file name from outside (a message, an archive) reduced to a safe base
// name: the part after the last "/" or "\", without control characters, runs
// of dots or leading dots, at most 200 bytes; "attachment" when nothing is left.
std::string SafeBaseName(const std::string& Name);

// The path with the path delimiter appended unless it ends in one.
std::string WithTrailingBackslash(const std::string& Path);

// Attachments being received wait in a private folder of each process under the
// temporary folder. Folders that a process left behind (it ended without removing
// them) and that have not changed for Age are removed with the attachment files in
// them; each process does so when it makes its own folder.
inline constexpr std::chrono::seconds StaleMailFolderAge{24 * 60 * 60};
void ClearStaleMailFolders(const std::string& Base, std::chrono::seconds Age);

// Removes the private attachment folder when it is empty (library shutdown).
void RemovePrivateTempFolder();

int32_t SmallerInt(int32_t A, int32_t B);
void SleepFor(uint32_t Milliseconds);
uint32_t RotateLeft32(uint32_t Value, uint8_t Count);
bool IsMainThread();
void RecordMainThread();
