#pragma once
// Names of cabinet members come from whoever made the cabinet. The reader
// refuses, and the writer refuses to write, exactly the names that could leave
// the target folder or cannot name a file on the disk: everything else a Linux
// file name may hold (':', spaces, control characters, any byte but zero) is a
// name. A name is judged as the disk will hold it: in UTF-8, where a letter of
// the code page takes two or three bytes.

#include <string>

namespace platform {

// False for a name that is empty, holds a zero byte, is absolute (begins with
// '/' or '\'), has a ".." component, has a component longer than 255 bytes on
// the disk, or whose last component is empty, "." or ".." (it names a folder).
// '\' and '/' both separate components; an empty or "." component before the
// last ("a//b", ".\a") stays in the same folder. `utf8`: the name is stored in
// UTF-8 (the reader takes it into the code page first), else in the code page.
bool CabMemberNameIsSafe(const std::string& name, bool utf8 = false);

// The relative path of a safe member name: its components but the empty and
// "." ones, with one '/' between them.
std::string CabMemberPath(const std::string& name);

}  // namespace platform
