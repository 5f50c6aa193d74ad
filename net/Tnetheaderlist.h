#pragma once
// The header lines of a message or a part: "Name: value" lines with folded
// continuation lines (lines that begin with a blank or a TAB).
#include "platform/rtl/Tstringlist.h"

#include <string>

class TNetHeaderList : public TStringList {
public:
    // The name of line Index, upper-cased unless names are case-sensitive.
    std::string GetNameFromLine(int Index) const;
    // The first line whose name equals Name ignoring case; -1 when none.
    int IndexOfName(const std::string& Name) const override;

    // The value of the named line, joined with its continuation lines when
    // unfolding; empty when absent.
    std::string Values(const std::string& Name) const;
    // Replaces the named line (appends it when absent), folded when folding;
    // an empty value removes the line and its continuation lines. A CR or LF
    // that is not part of a fold becomes a blank: no value can start a line.
    void SetValues(const std::string& Name, const std::string& Value);

    // Text wrapped at FoldLength at blanks, TABs and commas outside double
    // quotes, continuation lines beginning with a blank.
    static std::vector<std::string> FoldLine(const std::string& Line, int FoldLength);

    bool CaseSensitiveNames() const { return FCaseSensitiveNames; }
    void SetCaseSensitiveNames(bool Value) { FCaseSensitiveNames = Value; }
    bool UnfoldLines() const { return FUnfoldLines; }
    void SetUnfoldLines(bool Value) { FUnfoldLines = Value; }
    bool FoldLines() const { return FFoldLines; }
    void SetFoldLines(bool Value) { FFoldLines = Value; }
    int FoldLength() const { return FFoldLength; }
    void SetFoldLength(int Value) { FFoldLength = Value; }

private:
    bool IsContinuation(int Index) const;
    void DeleteContinuations(int Index);

    bool FCaseSensitiveNames = false;
    bool FUnfoldLines = true;
    bool FFoldLines = true;
    int FFoldLength = 78;
};
