#pragma once
// Where the program finds the files it comes with. In a build folder they lie beside the
// executable; installed under a prefix (PREFIX/bin/quillaran), the data files lie in
// PREFIX/share/quillaran and the libraries it loads at run time in the architecture's
// PREFIX/lib/TRIPLET/quillaran, both found relative to the executable, so that the
// installed tree may be moved.
// Paths are program paths.

#include <string>

namespace platform {

// The help page, the read-me and the images.
std::string ProgramDataFolder();
// The libraries loaded by LoadLibraryA.
std::string ProgramLibraryFolder();

}  // namespace platform
