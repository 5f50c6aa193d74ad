#pragma once
// Shell links, kept as desktop entry files: a link names a program (its path,
// arguments, working folder, description and icon) and is saved to, and
// loaded from, a "[Desktop Entry]" file of type Application. Texts are in the
// program's code page; the file is UTF-8.

#include <string>

class TShellLink {
 public:
  const std::string& Path() const { return path_; }
  void SetPath(const std::string& Value) { path_ = Value; }
  const std::string& Arguments() const { return arguments_; }
  void SetArguments(const std::string& Value) { arguments_ = Value; }
  const std::string& WorkingDirectory() const { return workingDirectory_; }
  void SetWorkingDirectory(const std::string& Value) { workingDirectory_ = Value; }
  const std::string& Description() const { return description_; }
  void SetDescription(const std::string& Value) { description_ = Value; }
  const std::string& IconLocation() const { return iconLocation_; }
  void SetIconLocation(const std::string& Value) { iconLocation_ = Value; }
  // The name shown for the link; the file's name without extension when empty.
  const std::string& Name() const { return name_; }
  void SetName(const std::string& Value) { name_ = Value; }

  // Writes the entry (through a temporary file and a rename); false on failure.
  bool Save(const std::string& FileName) const;
  // Reads an entry; false when the file is missing or is not an application entry.
  bool Load(const std::string& FileName);

 private:
  std::string path_, arguments_, workingDirectory_, description_, iconLocation_, name_;
};
