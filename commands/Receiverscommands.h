#pragma once
// The receivers of command messages and the post office's list editors: the header editor
// lent to the model, so that every composer (and "Edit subscribers list") lets the user
// choose, and the advertising-list window lent to "Edit advertising list".

// Registers both (the header editor with the browse windows' settings for its look);
// Uninstall takes them back.
void InstallReceiversChoice();
void UninstallReceiversChoice();
