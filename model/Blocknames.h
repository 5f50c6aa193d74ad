#pragma once
// The forms of block names.
//
//   model blocks       "*" for the root, "3" under the root, "3.1" below it; a heading
//                      ends in ".*" ("3.1.*"); a block inserted before another takes that
//                      name with ".0k" added ("3.1.01")
//   comments           author ident text "-" number: "12-7"
//   moderated comments the same with "M": "12-7M"
//   notes              "N-" number: "N-4"
// A pasted block keeps its source name in parentheses: "3.2(12-7)".
// In texts a name is written between "<" and ">".

#include "foundation/Tstr.h"

#include <string>
#include <string_view>

inline constexpr const char* NotesNamePrefix = "N";
inline constexpr const char* HeadingNameSuffix = ".*";
inline constexpr const char* RootBlockName = "*";

// The storage whose names have the form of this one (StorageType_None when the form
// belongs to none).
uint8_t StorageTypeOfNameForm(std::string_view name);

// Length of the block name that opens the text: "<", name characters (digits, ".", "*",
// "-", "M", "N") and names nested in parentheses, then ">"; 0 when the text does not
// start with a valid name.
int GetBlockNameLength(const char* text);

// A name without a trailing heading suffix, and whether it had one.
std::string StripHeadingSuffix(const std::string& name, bool* hadSuffix = nullptr);
