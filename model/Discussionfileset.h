#pragma once
// The set of files of a discussion folder and how a save replaces it safely.
//
// Every file starts with the common header
//   u16 format version, u32 save generation, u8 file number (its place in the set)
// and ends with u32 CRC-32 of everything before it and the u32 end marker 0x21444E45. A save writes every file of the set
// under "<name>.tmp" with the next generation, then for each file moves the present
// one to "<name>.old" and the new one into place. The set that a loader takes is the
// newest generation that every file has, either as "<name>" or as "<name>.old": a
// save interrupted at any instant leaves either the new set or the previous one.

#include "foundation/Tstr.h"

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr uint32_t DiscussionFileEndMarker = 0x21444E45;
inline constexpr uint16_t BlockFileVersion = 7;
inline constexpr uint16_t DiscussionFileVersion = 1;

struct TDiscussionFileSet {
  static constexpr int Count = 12;
  static const char* const Names[Count];
  // The files of the reader's own state: reader properties and the user's information.
  static bool IsReaderState(int file) { return file == 9 || file == 10; }
  static uint16_t Version(int file);

  // The committed set of a folder: its generation and, per file, the path that holds it.
  uint32_t Generation = 0;
  std::string Paths[Count];
  // The highest generation found in any file of the folder (new, previous or temporary).
  uint32_t HighestGeneration = 0;
  // Whether any file of the set (current or previous) exists.
  bool AnyFile = false;

  // Looks at the headers of the folder's files; false with a reason when no complete set
  // exists.
  bool Choose(const std::string& folder, std::string& reason);
};

// Writes a file of the set: the header, the content, then u32 CRC-32 of all bytes before it
// and the end marker; flushed to the disk. False when any step failed.
bool WriteDiscussionFile(const std::string& path, int file, uint32_t generation, const std::string& content);
// Reads a file of the set into data and checks its header, check sum and end; content
// views the bytes between header and trailer. An empty text, or what is wrong.
std::string ReadDiscussionFile(const std::string& path, int file, uint32_t generation, std::string& data,
                               std::string_view& content);
