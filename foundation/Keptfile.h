#pragma once
// A small file of the program's own state (the logins, the post state) kept with its
// previous generation: a save moves the contents it replaces to "<path>.old", and a file
// found damaged is replaced by that previous copy when loading. What the user reads names
// the file and what was done with it; a damaged copy is moved aside, never written over.

#include <functional>
#include <string>
#include <string_view>

// Writes the file as ReplaceFileContents does (a crash leaves the old or the new contents),
// moving the present contents to "<path>.old" first. False (reported, naming `who`) when it
// could not be written.
bool ReplaceKeptFile(const std::string& path, std::string_view data, bool ownerOnly, std::string_view who);

struct TKeptFileTexts {
  std::string Caption;     // of the message box, "LOADING LOGINS"
  std::string What;        // the file in the user's words, "logins file"
  std::string WithoutIt;   // what the start does when no copy can be read
};

// Reads the file, or its previous generation when the file is missing or `parse` refuses
// it; `parse` reports as the program's readers do, and its reports are only logged here.
// A refused copy is moved to "<path>.damaged" (or "<path>.damaged-N") and the user is told.
// Returns the path whose contents were taken, empty when none was (no file, or none
// readable: `parse` has then left nothing behind).
std::string LoadKeptFile(const std::string& path, const std::function<bool(std::string_view data)>& parse,
                         const TKeptFileTexts& texts);
