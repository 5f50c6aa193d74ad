#pragma once
// The handlers of received command messages. Each takes the run that handles the Inbox
// and the full path of one message there, and returns whether the message counts as
// handled; a message left unhandled stays for a later run. A message from another
// participant is never trusted: it is applied whole or not at all.

#include <string>

class TPostFilesHandler;

// Registers every handler below with the command table's registry.
void RegisterCommandHandlers();

// GIVE_MODEL: the sender asks for the model; admitted senders are recorded and the
// discussion queued in the run's model requests.
bool HandleCommand_GiveModel(TPostFilesHandler& run, const std::string& path);
// NEW_BLOCKS, REQUESTED_BLOCKS (and FORM_NEW_MODEL for an existing discussion): the
// blocks of the message update or join the discussion.
bool HandleCommand_NewBlocks(TPostFilesHandler& run, const std::string& path);
// FORM_NEW_MODEL: a new discussion in a folder the user names, with the model's blocks.
bool HandleCommand_CreateModel(TPostFilesHandler& run, const std::string& path);
