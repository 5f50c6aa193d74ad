#pragma once
// Names of new post files: the letter code of the manager login's automatic
// e-mail, the model folder name, today's date "YYMMDD", the command's short
// code and a counter, joined by "-" (QKCM-Ecology-051219-NB-001). Names issued
// today are remembered by the caller's list, so that two requests never get
// the same name even when the first file was never written.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"

#include <string>
#include <string_view>

// One letter per character of `text`, the last character's letter first.
// Letters that would be unsafe in a file name are written as 'Z'.
std::string MakeLetterCode(std::string_view text);

// The first name base + counter ("001".."099", then "100", "1000" ...) that is
// neither in `issued` nor a file in `folder`. Every candidate that was not yet
// issued is added to `issued`.
std::string MakeUniquePostFileName(const std::string& folder, const std::string& base, TArray<TStr>& issued);

// folder + the new name. The first text is not used.
std::string MakePostFileName(const std::string& unused, const std::string& partA, const std::string& folder,
                             const std::string& partB, TArray<TStr>& issued);

// Where MakePostFileName finds the manager login's automatic e-mail: the logins
// register their source at start-up. It answers false when there is no manager
// login; the letter code is then "X".
using TManagerEMailSource = bool (*)(std::string& email);
void SetManagerEMailSource(TManagerEMailSource source);
