#pragma once
// Before the error window offers to end the program: the unsaved work of every discussion
// the error did not reach is saved as at a normal end, so that ending loses none of it.

#include <string>

// Saves each loaded discussion with unsaved changes that neither the running command's
// window shows nor the user's present action changed; those are kept as last saved (their
// state may be half changed). The lines that tell the user which were saved and which
// kept; empty when nothing was unsaved.
std::string SaveDiscussionsUntouchedByTheError();
