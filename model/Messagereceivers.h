#pragma once
// Whom a command message goes to. A message that names nobody would wait in the Outbox for
// ever, passed over by every send: it is never composed.

#include "foundation/Tarray.h"

#include <string_view>

struct TRecipientsList;
class TCommandMessageHeader;

// Whether a text of addresses joined by ";" holds one ("*", every subscriber, is one).
bool NamesReceiver(std::string_view addresses);
// Whether the row's users or robots name somebody.
bool NamesReceiver(const TRecipientsList& row);
// Whether the header's TO_USERS_EMAILS_CRYPTED or TO_ROBOTS_EMAILS_CRYPTED names somebody.
bool NamesReceiver(const TCommandMessageHeader& header);
// Whether any row names somebody.
bool NamesAnyReceiver(const TArray<TRecipientsList>& rows);
// True when some row names somebody; otherwise the user is told, under the command's name,
// that its message has no receivers and is not composed.
bool ReceiversOrSay(const TArray<TRecipientsList>& rows, std::string_view command);
