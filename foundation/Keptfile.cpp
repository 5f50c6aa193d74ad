#include "foundation/Keptfile.h"

#include "foundation/Filereplace.h"
#include "foundation/Fileroutines.h"
#include "foundation/Guihooks.h"
#include "foundation/Terror.h"
#include "platform/kernel/Fileapi.h"

namespace {

constexpr const char* PreviousSuffix = ".old";

// The copy's contents as `parse` takes them; false (the reason logged) when it refuses them.
bool Parsed(const std::string& path, const std::function<bool(std::string_view)>& parse) {
  std::string data;
  if (!ReadWholeFile(path, data)) return false;
  TErrorCapture capture;
  return parse(data) && !capture.Caught();
}

// Moves a refused copy out of the way under a name of its own; that name, or empty when
// it could not be moved.
std::string MoveAside(const std::string& path) {
  std::string aside = path + ".damaged";
  for (int n = 2; IsFileExists(aside); ++n) aside = path + ".damaged-" + std::to_string(n);
  return MoveFileExA(path.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH) ? aside : std::string();
}

std::string Where(const std::string& aside) {
  return aside.empty() ? "could not be moved aside and was left in place" : "was moved to " + aside;
}

}  // namespace

bool ReplaceKeptFile(const std::string& path, std::string_view data, bool ownerOnly, std::string_view who) {
  const std::string previous = path + PreviousSuffix;
  if (IsFileExists(path) && !MoveFileExA(path.c_str(), previous.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    TError::Report(std::string(who) + " - ошибка замены файла " + previous + ": " + platform::ErrorText(GetLastError()));
    return false;
  }
  return ReplaceFileContents(path, data, ownerOnly, who);
}

std::string LoadKeptFile(const std::string& path, const std::function<bool(std::string_view)>& parse,
                         const TKeptFileTexts& texts) {
  const std::string previous = path + PreviousSuffix;
  const bool current = IsFileExists(path);
  // A save stopped between its two moves leaves only the previous copy: it is the last save.
  if (current && Parsed(path, parse)) return path;
  const bool hasPrevious = IsFileExists(previous);
  if (hasPrevious && Parsed(previous, parse)) {
    if (!current) return previous;
    const std::string aside = MoveAside(path);
    ShowMessageBox(texts.Caption, "The " + texts.What + " " + path + " could not be read: it is damaged.\nIts previous copy " +
                                      previous + " was loaded instead; the damaged file " + Where(aside) + ".");
    return previous;
  }
  if (!current && !hasPrevious) return {};
  std::string told = "The " + texts.What + " " + path + " could not be read";
  told += hasPrevious ? ", nor its previous copy " + previous + ": both are damaged." : ": it is damaged.";
  if (current) told += "\nThe damaged file " + Where(MoveAside(path)) + ".";
  if (hasPrevious) told += "\nThe damaged previous copy " + Where(MoveAside(previous)) + ".";
  ShowMessageBox(texts.Caption, told + "\n" + texts.WithoutIt);
  return {};
}
