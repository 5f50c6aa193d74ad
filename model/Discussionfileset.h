#pragma once
// The set of files of a discussion folder and how a save replaces it safely.
//
// Every file starts with the common header
//   u16 format version, u32 save generation, u8 file number (its place in the set)
// and ends with u32 CRC-32 of everything before it and the u32 end marker 0x21444E45. A save writes every file of the set
// under "<name>.tmp" with the next generation, then for each file moves the present
// one to "<name>.old" and the new one into place: the new files reach the disk before the
// first move, and the folder's entries once after the last. The set that a loader takes is the
// newest generation that every file has, either as "<name>" or as "<name>.old", and whose
// files are all sound: a save interrupted at any instant leaves either the new set or the
// previous one. Files of a newer set that could not be taken are set aside, never deleted.

#include "foundation/Tbufreader.h"
#include "foundation/Tstr.h"
#include "platform/kernel/Fileapi.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

inline constexpr uint32_t DiscussionFileEndMarker = 0x21444E45;
inline constexpr uint16_t BlockFileVersion = 7;
inline constexpr uint16_t DiscussionFileVersion = 1;

struct TDiscussionFileSet {
  static constexpr int Count = 12;
  static const char* const Names[Count];
  // The files of the reader's own state: reader properties and the user's information.
  static bool IsReaderState(int file) { return file == 9 || file == 10; }
  static uint16_t Version(int file);

  // What the header of one file of the folder says.
  struct THeader {
    bool Exists = false;
    std::string Fault;  // why the header is not of this file; empty when it is
    uint32_t Generation = 0;
    uint64_t Size = 0;
    bool Sound() const { return Exists && Fault.empty(); }
  };
  enum { Current, Previous, Temporary, Places };
  static const char* const Suffixes[Places];  // "", ".old", ".tmp"

  std::string Folder;
  THeader Headers[Count][Places];
  // The taken set: its generation and, per file, the path that holds it.
  uint32_t Generation = 0;
  std::string Paths[Count];
  // The highest generation found in any file of the folder (new, previous or temporary).
  uint32_t HighestGeneration = 0;
  // Whether any file of the set (current or previous) exists.
  bool AnyFile = false;

  std::string PathOf(int file, int place) const { return Folder + "/" + Names[file] + Suffixes[place]; }
  // Reads the headers of the folder's files.
  void Survey(const std::string& folder);
  // The generations every file has, as itself or as its previous version; newest first.
  std::vector<uint32_t> CompleteGenerations() const;
  // Takes a complete generation; a file of it is taken from its current place when that
  // holds it.
  void Take(uint32_t generation);
  // Takes the previous version of a file instead when it claims the same generation (the
  // current one's generation bytes may be damaged); false when there is none.
  bool TakePrevious(int file);
  // The bytes of a taken file.
  uint64_t TakenBytes(int file) const;
  // What keeps the newest saved set from being complete: the first file that lacks it
  // (its path, and its fault or generation), or None.
  struct TGap {
    enum TWhat { None, NoFiles, Missing, Damaged, OtherSave } What = None;
    std::string Path, Fault;
    uint32_t Generation = 0, Expected = 0;
  };
  TGap FindGap() const;
  // The gap in words, for the error report.
  std::string WhyIncomplete() const;
  // The files that are not part of the taken set and that the next save would replace or
  // delete: current files outside it, newer previous versions. With temporaries (what
  // loading passed over) only those that may hold a later save than the taken one, and the
  // temporary files of a newer, interrupted save.
  std::vector<std::string> Displaced(bool temporaries) const;
  // Surveys the folder and takes the newest complete generation; false with a reason
  // naming what keeps every set from being complete.
  bool Choose(const std::string& folder, std::string& reason);
};

// Moves files of a discussion folder into a new sub-folder "damaged-<date>_<time>" beside
// them, each move durable. False, with the last error set, when a move failed; aside names
// the sub-folder either way. Such sub-folders are never taken for discussions.
inline constexpr std::string_view SetAsideFolderPrefix = "damaged-";
bool SetAsideFiles(const std::string& folder, const std::vector<std::string>& paths, std::string& aside);

// Writes files of the set: the header, the content, then u32 CRC-32 of all bytes before it
// and the end marker. Each file starts on its way to the disk when written, and Sync waits
// for all of them together: one wait for the disk instead of one a file.
class TDiscussionFileWriter {
public:
  TDiscussionFileWriter() = default;
  TDiscussionFileWriter(const TDiscussionFileWriter&) = delete;
  TDiscussionFileWriter& operator=(const TDiscussionFileWriter&) = delete;
  ~TDiscussionFileWriter();  // closes the files not synced
  // False, with the last error set, when any step failed.
  bool Write(const std::string& path, int file, uint32_t generation, const std::string& content);
  // Every written file on the disk, and closed; false when the disk refused any.
  bool Sync();

private:
  std::vector<HANDLE> Written;  // open until synced
};

// One file written and flushed to the disk. False when any step failed.
bool WriteDiscussionFile(const std::string& path, int file, uint32_t generation, const std::string& content);
// The bytes of the file read last, kept for the next read so that reading a set allocates
// once.
class TReadBuffer {
public:
  // Room for size bytes, to be read into.
  char* Take(size_t size);
  std::string_view View() const { return {Bytes.get(), Size}; }

private:
 struct TFree {
   void operator()(char* bytes) const;
 };
 std::unique_ptr<char, TFree> Bytes;
 size_t Size = 0;
 size_t Capacity = 0;
};

// Reads a file of the set into the buffer and checks its header, check sum and end; content
// views the bytes between header and trailer. An empty text, or what is wrong.
std::string ReadDiscussionFile(const std::string& path, int file, uint32_t generation, TReadBuffer& buffer,
                               std::string_view& content);

// Reads a file of the set piece by piece through the buffer while its content is parsed,
// taking the check sum on the way: no copy of the whole file is made, and each piece is
// still in the cache when it is summed and parsed. The file's verdict is ReadDiscussionFile's,
// known once the parse is done: a damaged file is named as damaged whatever its parse met.
class TDiscussionFileReader {
 public:
  TDiscussionFileReader(const std::string& path, int file, uint32_t generation, TReadBuffer& buffer);
  ~TDiscussionFileReader();
  TDiscussionFileReader(const TDiscussionFileReader&) = delete;
  TDiscussionFileReader& operator=(const TDiscussionFileReader&) = delete;
  // The content between header and trailer, to be parsed; null when there is nothing to
  // parse (the file did not open, is too short or its header is not of this file).
  TBufReader* Content();
  // The file's fault, else the parse's; an empty text when both are sound.
  std::string Finish(const std::string& parseFault);

 private:
  HANDLE Handle = INVALID_HANDLE_VALUE;
  std::string Fault;        // found before the parse: the file's size or its opening
  std::string HeaderFault;  // told only when the check sum holds
  std::unique_ptr<TBufReader> Reader;
  uint64_t Expected = 0;  // bytes before the trailer
  uint64_t Summed = 0;
  uint32_t Sum = 0;
};
