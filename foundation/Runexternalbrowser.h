#pragma once
// Opening an address in the user's Internet browser.

#include <string>

// Starts the browser program named by the registry value "ExternalInternetExplorer"
// with the address as its one argument, never through a shell. Only http, https and
// mailto addresses are opened. An empty program path gives "Please, customize
// Internet-browser.", a failed start "Error executing DOS command line:\n" and the
// command, both under "DOS COMMAND LINE ERROR". True when the browser was started.
bool RunExternalBrowser(const std::string& address);

// True for an address RunExternalBrowser may hand on: "http://", "https://" (with a
// host) or "mailto:" in any case, and no control character.
bool IsOpenableAddress(const std::string& address);
