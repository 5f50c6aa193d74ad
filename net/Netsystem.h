#pragma once
// The mail library's few system services: temporary files, copying without
// overwriting, the mail character set of the user's language, and small helpers.
// This module is the library's only edge to the operating system for them.
#include <cstdint>
#include <chrono>
#include <cstddef>
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
// of dots or leading dots, at most MaxSafeNameBytes on disk (UTF-8), leaving
// room for what is added to a name while it is saved; "attachment" when
// nothing is left.
inline constexpr size_t MaxSafeNameBytes = 200;
std::string SafeBaseName(const std::string& Name);
// The name cut to at most Bytes on disk (UTF-8) at a character, its extension
// (up to 16 characters after the last ".") kept.
std::string FitFileName(const std::string& Name, size_t Bytes);

// The path with the path delimiter appended unless it ends in one.
std::string WithTrailingBackslash(const std::string& Path);

// Attachments being received wait in a private folder of each process under the
// temporary folder, named for the process (its id and start time). Once in its life,
// before it makes its own, a process removes with the attachment files in them the folders
// of processes that no longer run (ended without removing them: killed), whatever their
// age, and folders of an older name that tells no process when they are empty or have not
// changed for Age. Never another user's, nor one of a running process.
inline constexpr std::chrono::seconds StaleMailFolderAge{24 * 60 * 60};
void ClearStaleMailFolders(const std::string& Base, std::chrono::seconds Age);

// Makes the process's private attachment folder (after clearing those left behind) when
// it has none; false when it cannot be made.
bool MakePrivateTempFolder();
// Removes the process's private attachment folder with the attachment files in it (at the
// library's shutdown, and at the process's normal end).
void RemovePrivateTempFolder();

int32_t SmallerInt(int32_t A, int32_t B);
void SleepFor(uint32_t Milliseconds);
uint32_t RotateLeft32(uint32_t Value, uint8_t Count);
bool IsMainThread();
void RecordMainThread();
