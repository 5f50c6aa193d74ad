#pragma once
// The text form of an author's public data that command messages carry (AUTHOR_DATA):
// fields joined by "|", in this order: ADIdent (decimal, -1 for none), LIdent, first,
// middle and last name, organisation, private e-mail, automatic e-mail, Web page,
// address, phones, year of birth (decimal), degree, other text. In a field a backslash,
// "|", CR and LF are written "\\", "\|", "\r" and "\n", so that any text comes back as it
// was. A reader takes the first fields and ignores any that a later version appends.

#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t AuthorDataFieldCount = 14;

std::string JoinAuthorDataFields(const std::vector<std::string>& fields);
// False for a dangling or unknown escape.
bool SplitAuthorDataFields(std::string_view text, std::vector<std::string>& fields);
