#pragma once
// Cabinet archives of the post: a message packed for sending, and received parts joined
// and unpacked. What arrives is another participant's: it is unpacked into a work folder
// first and only plain files come out of it, none over a file already in the folder.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Most bytes a set of received parts may join to.
inline constexpr uint64_t MaxJoinedCabinetSize = uint64_t(1) << 30;
// Most files one received cabinet may hold.
inline constexpr size_t MaxUnpackedFiles = 1000;
// What one received post may unpack to. A post holds one command message: its header
// (within the first MaxMessageHeaderBytes), then for a message of blocks at most
// MaxBlockRecordBytes for each block its header counts (three texts of 65,535 bytes, packed
// for a private message, beside the block's fields) and MessageDataRoom besides; any other
// message MessageDataRoom of data. Never more than MaxUnpackedPostSize.
inline constexpr uint64_t MaxMessageHeaderBytes = uint64_t(1) << 20;
inline constexpr uint64_t MaxBlockRecordBytes = 6 * 65536 + 4096;
inline constexpr uint64_t MessageDataRoom = uint64_t(16) << 20;
inline constexpr uint64_t MaxUnpackedPostSize = uint64_t(256) << 20;

// Packs folder + name into a new cabinet (MSZIP) under that name, its header reserving
// `linkArea` bytes for the links of its parts (Packandsplit.h). False with the cabinet
// library's text in `error`; no cabinet is left then.
bool PackMessageCabinet(const std::string& folder, const std::string& name, const std::string& cabinet,
                        std::string& error, uint32_t linkArea = 0);

// The size of the whole cabinet that `path` begins, as its header gives it ("MSCF", four
// bytes, the size); 0 when the file begins no cabinet.
uint64_t CabinetSizeOf(const std::string& path);

// Appends the parts in order into a new file `target`. False after a report ("Can't open
// <sourceFolderName> source file - <path>" ...); no target is left then.
bool JoinPostParts(const std::vector<std::string>& parts, const std::string& target,
                   const std::string& sourceFolderName, const std::string& targetFolderName);

// Unpacks a cabinet into `folder` (ending with '/'): every member is written into the work
// folder folder + ".unpack/" first, and output beyond what its post may hold (above) is
// refused before it is written; when the whole cabinet came out, its plain files move
// into the folder, a name that is taken there getting a free one (FreeFileName).
// Refused, with a text in `error`, when the cabinet itself is refused, damaged or holds a
// file that `accept` refuses: no later run unpacks it. Unplaced when a file finds no name
// the folder takes now; Failed when this computer failed (the work folder, the disk,
// memory): another run may unpack it. Nothing comes into the folder but on Unpacked.
// `names` receives the names the files have in the folder. With `accept`, every file must
// pass it in the work folder before any moves.
enum class TUnpackOutcome { Unpacked, Refused, Unplaced, Failed };
TUnpackOutcome UnpackReceivedCabinet(const std::string& cabinet, const std::string& folder,
                                     std::vector<std::string>& names, std::string& error,
                                     const std::function<bool(const std::string& path)>& accept = nullptr);

// Names counted for one new file, the name itself, "#2", "#3" ..., before the search
// chooses marks no other file can have foretold.
inline constexpr unsigned MaxCountedNames = 16;
// Chosen marks tried after the counted names: twelve random digits each.
inline constexpr unsigned MaxChosenNameTries = 8;
// A name for a new file in `folder`: the name itself when it is free, else with "#2", "#3" ...
// up to MaxCountedNames, then with a chosen mark "#" and twelve random digits, before its
// first '.' (its last with `beforeLastDot`, which keeps a post part's postfix after it):
// however many files others made hold the counted names, a name is found. Each name tried
// fits the folder's file system: the part before the mark is cut at a character, the mark
// and what follows it kept. "" when the system cannot tell whether a name is free (its
// error in GetLastError) or every name tried is taken (ERROR_FILE_EXISTS).
std::string FreeFileName(const std::string& folder, const std::string& name, bool beforeLastDot = false);

// Deletes the plain files of a folder (not its sub-folders).
void RemoveFolderFiles(const std::string& folder);
// Moves every plain file of `from` into `to`, replacing files of the same names. False
// after a report when one cannot be moved.
bool PublishFolderFiles(const std::string& from, const std::string& to);
