#pragma once
// The receivers of command messages: the header editor lent to the model, so that every
// composer lets the user choose, and the commands that edit the subscribers and the
// advertising list.

struct TCommand;

// Makes the header editor the model's choice of receivers (with the browse windows'
// settings for its look); Uninstall takes it back.
void InstallReceiversChoice();
void UninstallReceiversChoice();

void EditSubscribersCommand(TCommand& command);  // "Edit subscribers list"
void EditAdvertisingCommand(TCommand& command);  // "Edit advertising list"
