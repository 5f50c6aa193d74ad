#pragma once
// Where the commands of browse windows go. The command handlers live above the browse
// windows and register themselves here when the program starts; every command of a
// window (a menu entry, a tool button, a key, a click in the upper panel) reaches them
// through TBrowse::ProcessCommand.

#include "platform/forms/Controlmessages.h"

#include <cstdint>
#include <functional>
#include <string>

class TBrowse;
class TBrowseItemIndex;
class TDiscussion;
struct TBrowseItem;

using TBrowseCommandHandler =
    std::function<void(TBrowse& browse, const TBrowseItemIndex* path, const TBrowseItem* root,
                       const std::string& text, uint8_t code, TShiftState shift, int32_t data1, int32_t data2)>;

// The handler of every window's commands; empty until the commands register.
TBrowseCommandHandler& BrowseCommandHandler();

// The discussion of the window whose command runs now (the innermost one), null while no
// command runs: an error reported meanwhile may have left it half changed.
TDiscussion* RunningCommandDiscussion();
