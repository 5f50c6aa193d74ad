#pragma once
// The commands that switch a browse window between its folder views and modes and close it.

struct TCommand;

void DiscussingCommand(TCommand& command);           // the root folder of discussed discussions
void CreatingCommand(TCommand& command);             // the root folder of created discussions
void BrowsingModeratingCommand(TCommand& command);   // moderation mode on or off, then the discussed root
void CloseWindowCommand(TCommand& command);          // this window closes (its close query applies)
void PointerEngineCommand(TCommand& command);        // the keyboard pointer engine switched on or off
