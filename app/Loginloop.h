#pragma once
// The login at start-up. With logins in the file the user names a login (when there is
// more than one) and enters its key password, which unlocks the login's secrets; a wrong
// name or password is told under "LOGIN ERROR" and asked again. Without any login the
// user creates the first one, the manager login, with its mail account. The key password
// question also offers "Mail account...": the same questions as at the first start, once
// the password is right. Whenever the account is given, both its servers are tried and the
// user told how each answered, and may give the account again. Cancelling any question
// ends the loop without a login.

class TLoginsStorage;

// True when a login became current (and the logins were saved).
bool RunLoginLoop(TLoginsStorage& logins);
