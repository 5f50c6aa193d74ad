#pragma once
// The advised-persons list of the post state (rows "address comment") as the handlers of
// requests read and extend it, and the sender addresses they accept.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class TPost;

// Lists kept as one stored text must stay within its 16-bit length.
inline constexpr size_t MaxListText = 0xFFFF;
// Most model requests of one discussion waiting for the leader's answer; with the longest
// addresses they fill half of their list, and the advertising list keeps room for others.
inline constexpr uint32_t MaxModelRequesters = 100;
// Model requests of people this installation does not know (neither authors nor advised)
// taken in one run: a flood fills at most this share of the list, and the next run's
// newcomers still find room.
inline constexpr int MaxStrangerRequestsPerRun = 20;

// One address of a message's sender: not empty, at most 320 characters, no blanks,
// controls or list separators.
bool IsSoundAddress(std::string_view address);
// Whether the address is advised, and what the list says of it: the comments of its rows
// (addresses compared in upper case) joined by "; ", empty when its rows hold the address
// alone; none when it has no row. A comment is optional: a bare address is advised.
std::optional<std::string> AdvisedComment(const TPost& post, std::string_view address);
// Appends the address as a row of its own; false when the list would grow too long.
bool AddToAdvisedList(TPost& post, std::string_view address);
// Whether a list of addresses joined by "; " holds the address (compared ignoring case).
bool IsListedAddress(std::string_view list, std::string_view address);

// One mailbox as a user types it: a sound address with one "@" between a local part and a
// domain, and no "<" or ">".
bool IsSingleMailbox(std::string_view address);
// A typed address that is not one mailbox is named in a message under the caption; false then.
bool CheckTypedMailbox(std::string_view address, const std::string& caption);
