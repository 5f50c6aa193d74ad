#pragma once
// The field texts of a block's service row, which the window's caption repeats.

#include <string>

class TDiscussion;
struct TDiscBlock;
struct TReaderProperty;

std::string GetNoveltyText(int novelty);          // "new" or two blanks
std::string GetImportanceText(int importance);    // "significant" or four blanks
std::string GetCommentedStateText(int state);     // "arguable" or nothing
std::string GetPossibilityText(const TDiscBlock& block);               // "A80%"; a note without the "A"
std::string GetReaderPossibilityText(const TReaderProperty& property);  // "R80%"
// " conclusion" for a conclusion, " used" for the user's chosen formula, else nothing.
std::string GetKindMarkText(const TDiscBlock& block, const TDiscussion& discussion);
// A comment's author's family name, else nothing.
std::string GetAuthorText(const TDiscBlock& block, TDiscussion& discussion);
// " mm/dd/yy" for a dated block, else nothing.
std::string GetShortDateText(const TDiscBlock& block);
// An author's moderate type as a moderator's author row and the experts' caption name it:
// "Trustworthy", "Doubtful", "Discredited", else "Undefined".
std::string GetModerateTypeText(int type);

// A column of a line of columns: the text cut to the column (counted in widths of "A") and
// padded with blanks to where the next column starts; reset starts a new line. A text
// that needs more room than its column gets no blanks.
std::string AddSummaryColumn(bool reset, const std::string& text, int width);
