#pragma once
// The commands that switch a browse window between its folder views and modes, close
// windows, discussions and the program, and open the settings, the help and the editors
// of the post office's lists.

struct TCommand;

void DiscussingCommand(TCommand& command);           // the root folder of discussed discussions
void CreatingCommand(TCommand& command);             // the root folder of created discussions
void BrowsingModeratingCommand(TCommand& command);   // moderation mode on or off, then the discussed root
void CloseWindowCommand(TCommand& command);          // this window closes (its close query applies)
void PointerEngineCommand(TCommand& command);        // the keyboard pointer engine switched on or off
void HelpCommand(TCommand& command);                 // the help at the window's help context
void CustomizeCommand(TCommand& command);            // the settings dialog; every window takes the result
void CloseDiscussionCommand(TCommand& command);      // the windows of the discussion close
void CloseProgramCommand(TCommand& command);         // every window closes, the program ends
void EditSubscribersCommand(TCommand& command);      // the discussion's subscribers through the post office
void EditSpammersCommand(TCommand& command);         // the moderation library's list editor
void EditAdvertisingCommand(TCommand& command);      // the post office's advertising list
