#pragma once
// Private discussions here: each has a private identifier of its own, and a login reads a
// private discussion only with an access entry for that identifier.

#include "foundation/Tstr.h"

class TDiscussion;

// A private key text no other discussion of the manager has: six random digits from the
// system's secure source, the current login's e-mail as an upper-case identifier, "_PDK".
TStr MakePrivateKeyText(TDiscussion& discussion);

// The discussion is private here: it takes a private key text when it has no private
// identifier, and the current login may read it from now on. Whoever makes a discussion
// private, or takes the privacy from its leader, keeps reading it. False when the access
// cannot be kept (reported).
bool KeepPrivateAccess(TDiscussion& discussion);
