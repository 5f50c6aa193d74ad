#pragma once
// Pictures shipped with the program: each resource is a file named after it in the
// folder "resources" of the program's data folder ("NAME.ico" for an icon).

#include <memory>
#include <string>

#include "platform/forms/Ticon.h"

// The folder the resources are read from.
std::string ResourceFolder();
// Reads them from another folder instead ("" puts it back in the program's data folder).
void SetResourceFolder(const std::string& Folder);
// The icon resource of that name. A name that is missing, or that is no plain name
// (a path, a dot first), raises EResNotFound "Resource NAME not found".
std::unique_ptr<TIcon> MakeIcon(const std::string& ResName);
