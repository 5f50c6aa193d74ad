#include "postoffice/Advisedlist.h"

#include "foundation/Guihooks.h"
#include "platform/rtl/Strutil.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tpost.h"
#include "postoffice/Tpostadaptor.h"

namespace {

// Longest sender address taken from a message.
constexpr size_t MaxAddressLength = 320;

}  // namespace

bool IsSoundAddress(std::string_view address) {
  if (address.empty() || address.size() > MaxAddressLength) return false;
  for (char c : address)
    if (static_cast<unsigned char>(c) <= ' ' || c == ';' || c == ',') return false;
  return true;
}

std::optional<std::string> AdvisedComment(const TPost& post, std::string_view address) {
  TArray<TEMailComment> rows;
  ParseEMailComments(post.AdvertisingList.View(), rows);
  const std::string wanted = AnsiUpperCase(address);
  std::optional<std::string> comment;
  for (const TEMailComment& row : rows) {
    if (AnsiUpperCase(row.Address.View()) != wanted) continue;
    if (!comment) comment.emplace();
    if (row.Comment.IsEmpty()) continue;
    if (!comment->empty()) *comment += "; ";
    *comment += row.Comment.View();
  }
  return comment;
}

bool AddToAdvisedList(TPost& post, std::string_view address) {
  std::string list = post.AdvertisingList.ToString();
  if (!list.empty() && list.back() != '\n') list += "\r\n";
  list += address;
  list += "\r\n";
  if (list.size() > MaxListText) return false;
  post.AdvertisingList = list;
  return true;
}

bool IsListedAddress(std::string_view list, std::string_view address) {
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string_view::npos) end = list.size();
    if (SameText(Trim(list.substr(start, end - start)), address)) return true;
    start = end + 1;
  }
  return false;
}

bool IsSingleMailbox(std::string_view address) {
  if (!IsSoundAddress(address) || address.find_first_of("<>\"") != std::string_view::npos) return false;
  const size_t at = address.find('@');
  return at != std::string_view::npos && at > 0 && at + 1 < address.size() &&
         address.find('@', at + 1) == std::string_view::npos;
}

bool CheckTypedMailbox(std::string_view address, const std::string& caption) {
  if (IsSingleMailbox(address)) return true;
  ShowMessageBox(caption, "\"" + ShownText(address) + "\" is not one e-mail address.");
  return false;
}
