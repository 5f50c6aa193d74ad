#include "model/Messagereceivers.h"

#include "foundation/Guihooks.h"
#include "model/Tcommandmessage.h"
#include "platform/rtl/Strutil.h"

#include <string>

bool NamesReceiver(std::string_view addresses) {
  size_t start = 0;
  while (start < addresses.size()) {
    size_t end = addresses.find(';', start);
    if (end == std::string_view::npos) end = addresses.size();
    if (!Trim(addresses.substr(start, end - start)).empty()) return true;
    start = end + 1;
  }
  return false;
}

bool NamesReceiver(const TRecipientsList& row) {
  return NamesReceiver(row.Users.View()) || NamesReceiver(row.Robots.View());
}

bool NamesReceiver(const TCommandMessageHeader& header) {
  return NamesReceiver(header.GetCryptedFieldValue("TO_USERS_EMAILS_CRYPTED")) ||
         NamesReceiver(header.GetCryptedFieldValue("TO_ROBOTS_EMAILS_CRYPTED"));
}

bool NamesAnyReceiver(const TArray<TRecipientsList>& rows) {
  for (const TRecipientsList& row : rows)
    if (NamesReceiver(row)) return true;
  return false;
}

bool ReceiversOrSay(const TArray<TRecipientsList>& rows, std::string_view command) {
  if (NamesAnyReceiver(rows)) return true;
  const std::string name(command);
  ShowMessageBox(name, "Command message " + name + " has no receivers: it is not composed.");
  return false;
}
