#pragma once
// The commands of received command messages (`model/Postcommandnames.h`), in the order the
// post office compares them, and the handlers that apply them. A handler returns whether its
// message counts as handled; a message it leaves stays in the Inbox for a later run.

#include "model/Postcommandnames.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

class TPostFilesHandler;

// The command table.
std::span<const TPostCommand> PostCommands();
// The row of a command name (exact comparison), null for a command this program does not know.
const TPostCommand* FindPostCommand(std::string_view name);

using TPostCommandHandler = std::function<bool(TPostFilesHandler& run, const std::string& path)>;
// Makes `handler` the one of that command (replacing an earlier one; an empty handler
// removes it).
void RegisterPostCommandHandler(std::string_view command, TPostCommandHandler handler);
// Null while no handler of that command is registered.
const TPostCommandHandler* FindPostCommandHandler(std::string_view command);

// Stores the author identifiers that the moderation library gave a requesting author
// (ADIdent and the AGIdent text) with the message's author data.
using TRefreshAuthorData =
    std::function<bool(TPostFilesHandler& run, const std::string& path, uint16_t adident, const std::string& agident)>;
void RegisterRefreshAuthorData(TRefreshAuthorData refresh);
const TRefreshAuthorData* FindRefreshAuthorData();
