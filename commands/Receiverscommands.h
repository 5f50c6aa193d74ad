#pragma once
// The receivers of command messages: the header editor lent to the model, so that every
// composer lets the user choose.

// Registers it, with the browse windows' settings for its look.
void InstallReceiversChoice();
