#pragma once
// Received messages signed in a correspondent's name with another key than the one pinned
// for that correspondent. Either the correspondent's key changed (a new installation, a
// lost logins file) or a stranger writes in their name: only the two people can tell, by
// comparing fingerprints. Such a message is set aside in a folder of its own, the user is
// told once per key with both fingerprints, and once the user trusts the new key (the
// author dialog's "Trust this key") its messages go back to the Inbox to be handled again.

#include <string>

class TCommandMessageHeader;
struct TMessageSigner;
enum class TSealState;

// The folder inside the Inbox's "Set aside" folder that keeps messages waiting for a key.
inline constexpr const char* OtherKeysFolderName = "Other keys";

// "" when the message at `path`, screened as `state` with its header and signer (ScreenSeal),
// is not signed whole with another key than its sender's; else the text it is set aside
// with: the first message of a key tells whose name it claims, both fingerprints and what
// the user can do, later ones of the same key are short.
std::string OtherKeyRefusal(const std::string& path, TSealState state, const TCommandMessageHeader& header,
                            const TMessageSigner& signer);

// Moves the messages of the Inbox folder `inbox` (ending with '/') that wait for a key the
// user trusts now back into it; the number moved.
int ReleaseTrustedMessages(const std::string& inbox);
