#pragma once
// The program's help: an HTML document of our own in the program's data folder, one
// section a help context, shown in the user's Internet browser. Every window that offers
// help opens it through OpenHelp with its help context.

#include <string>

inline constexpr const char* HelpDocumentName = "Quillaran.html";

// The document's path: in the program's data folder, unless another folder was set.
std::string HelpDocumentPath();
// Where the document is looked for instead ("" puts it back in the program's data folder).
void SetHelpDocumentFolder(const std::string& folder);
// The address handed to the browser: "file://" and the document's path, with
// "#context-N" for a context above 0.
std::string HelpAddress(int context);
// Opens the document at the context's section in the browser program of the settings,
// else in "xdg-open", as one argument and never through a shell. No other local file
// is ever opened this way. False when the document is missing (told under "HELP") or
// the browser could not be started (told under "DOS COMMAND LINE ERROR").
bool OpenHelp(int context);
