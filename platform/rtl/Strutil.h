#pragma once
// Text functions of the class library on byte strings in the program's code
// page. Positions are 1-based and 0 means "not found". The "Ansi" functions
// know the code page's letters (Latin and Cyrillic); the others only ASCII.
//
// Order of texts (AnsiCompareStr, AnsiCompareText and the sorted string lists):
// characters rank as punctuation and symbols (by code), then digits, then
// Latin letters, then Cyrillic letters in alphabet order (with Ё after Е);
// texts compare by these ranks ignoring case first, and only the case-sensitive
// comparison then puts a lower-case letter before its upper-case form.

#include <string>
#include <string_view>

std::string UpperCase(std::string_view S);
std::string LowerCase(std::string_view S);
std::string AnsiUpperCase(std::string_view S);
std::string AnsiLowerCase(std::string_view S);

// Byte-wise comparison (<0, 0, >0); CompareText ignores ASCII case.
int CompareStr(std::string_view S1, std::string_view S2);
int CompareText(std::string_view S1, std::string_view S2);
bool SameText(std::string_view S1, std::string_view S2);
// Comparison in the alphabet order described above.
int AnsiCompareStr(std::string_view S1, std::string_view S2);
int AnsiCompareText(std::string_view S1, std::string_view S2);
bool AnsiSameText(std::string_view S1, std::string_view S2);
bool AnsiSameStr(std::string_view S1, std::string_view S2);

// Characters up to and including the blank (codes 0 to 32) are trimmed.
std::string Trim(std::string_view S);
std::string TrimLeft(std::string_view S);
std::string TrimRight(std::string_view S);

// 1-based position of Substr in S, 0 when absent (also for an empty Substr).
int Pos(std::string_view Substr, std::string_view S);
int AnsiPos(std::string_view Substr, std::string_view S);
// Count characters from the 1-based Index; out-of-range parts are cut off.
std::string Copy(std::string_view S, int Index, int Count);

// 'abc' with inner quotes doubled; AnsiQuotedStr takes the quote character.
std::string QuotedStr(std::string_view S);
std::string AnsiQuotedStr(std::string_view S, char Quote);
// Reads a quoted text at S[pos] (which must be the quote): doubled quotes give
// one, the text ends after the closing quote (or at the end of S); pos then
// points after it. Empty when S[pos] is not the quote.
std::string AnsiExtractQuotedStr(std::string_view S, size_t& pos, char Quote);
// The quoted text of S without its quotes; S itself when it does not start with Quote.
std::string AnsiDequotedStr(std::string_view S, char Quote);

enum TReplaceFlag { rfReplaceAll = 1, rfIgnoreCase = 2 };
std::string StringReplace(std::string_view S, std::string_view OldPattern, std::string_view NewPattern, int Flags);

std::string StringOfChar(char Ch, int Count);

// A control character of the code page: codes 0 to 31, 127, and 0x98, the code page's one
// unassigned byte, which becomes a C1 control in UTF-8.
bool IsControlChar(char C);

// What becomes of a text's line ends: escaped for one line of a log, kept where a text of
// several lines is shown (a box, the terminal), a CR LF there becoming one line end.
enum class LineEnds { Escaped, Kept };
// A text that came from outside (a mail, a cabinet) as it may be shown in a box, on the
// terminal or in a log: every control character is written as "\t", "\n", "\r" or "\xHH",
// so that the text stays one line and cannot steer a terminal. Letters, Cyrillic ones too,
// stay as they are.
std::string EscapeControlChars(std::string_view S, LineEnds Ends = LineEnds::Escaped);

bool IsDelimiter(std::string_view Delimiters, std::string_view S, int Index);
int LastDelimiter(std::string_view Delimiters, std::string_view S);

// File names use '/'; a ':' counts as a drive separator as well.
std::string ExtractFilePath(std::string_view FileName);  // with the trailing '/'
std::string ExtractFileDir(std::string_view FileName);   // without it
std::string ExtractFileName(std::string_view FileName);
std::string ExtractFileExt(std::string_view FileName);   // with the '.'
std::string ChangeFileExt(std::string_view FileName, std::string_view Extension);
std::string IncludeTrailingPathDelimiter(std::string_view S);
std::string ExcludeTrailingPathDelimiter(std::string_view S);

// The system's line break of the program's texts and files.
inline constexpr const char* sLineBreak = "\r\n";
