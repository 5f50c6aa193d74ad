#pragma once
// Cabinet archives of the post: a message packed for sending, and received parts joined
// and unpacked. What arrives is another participant's: it is unpacked into a work folder
// first and only plain files come out of it, none over a file already in the folder.

#include <cstdint>
#include <string>
#include <vector>

// Most bytes a set of received parts may join to.
inline constexpr uint64_t MaxJoinedCabinetSize = uint64_t(1) << 30;
// Most files one received cabinet may hold.
inline constexpr size_t MaxUnpackedFiles = 1000;

// Packs folder + name into a new cabinet (MSZIP) under that name. False with the cabinet
// library's text in `error`; no cabinet is left then.
bool PackMessageCabinet(const std::string& folder, const std::string& name, const std::string& cabinet,
                        std::string& error);

// Appends the parts in order into a new file `target`. False after a report ("Can't open
// <sourceFolderName> source file - <path>" ...); no target is left then.
bool JoinPostParts(const std::vector<std::string>& parts, const std::string& target,
                   const std::string& sourceFolderName, const std::string& targetFolderName);

// Unpacks a cabinet into `folder` (ending with '/'): every member is written into the work
// folder folder + ".unpack/" first; when the whole cabinet came out, its plain files move
// into the folder, a name that is taken there getting "#2", "#3" ... False with a text in
// `error` when the cabinet is refused or damaged; nothing comes into the folder then.
// `names` receives the names the files have in the folder.
bool UnpackReceivedCabinet(const std::string& cabinet, const std::string& folder, std::vector<std::string>& names,
                           std::string& error);

// Deletes the plain files of a folder (not its sub-folders).
void RemoveFolderFiles(const std::string& folder);
// Moves every plain file of `from` into `to`, replacing files of the same names. False
// after a report when one cannot be moved.
bool PublishFolderFiles(const std::string& from, const std::string& to);
