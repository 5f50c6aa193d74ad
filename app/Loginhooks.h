#pragma once
// The logins lend the model and the foundation what they ask of the current user: the
// current login, the LIdent of a login, the access to private discussions, the key
// password and the keys of logins, and the manager login's e-mail for post-file names.

class TLoginsStorage;

void RegisterLoginHooks(TLoginsStorage& logins);
// Puts the hooks back to "nobody is logged in".
void UnregisterLoginHooks();
