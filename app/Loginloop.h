#pragma once
// The login at start-up. With logins in the file the user names a login (when there is
// more than one) and enters its key password, which unlocks the login's secrets; a wrong
// name or password is told under "LOGIN ERROR" and asked again. Without any login the
// user creates the first one, the manager login, with its mail account. Cancelling any
// question ends the loop without a login.

class TLoginsStorage;

// True when a login became current (and the logins were saved).
bool RunLoginLoop(TLoginsStorage& logins);
