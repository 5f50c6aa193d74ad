#include "net/Tnetheaderlist.h"

#include "net/Netheadercoder.h"
#include "platform/rtl/Strutil.h"

namespace {

const char* const HeaderSeparator = ": ";

bool IsBreakChar(char c) { return c == '\t' || c == ' ' || c == ','; }

} // namespace

std::string TNetHeaderList::GetNameFromLine(int Index) const
{
    const std::string line = Strings(Index);
    const std::string name = line.substr(0, line.find(':'));
    return FCaseSensitiveNames ? name : UpperCase(name);
}

int TNetHeaderList::IndexOfName(const std::string& Name) const
{
    for (int i = 0; i < Count(); ++i)
        if (SameText(GetNameFromLine(i), Name))
            return i;
    return -1;
}

bool TNetHeaderList::IsContinuation(int Index) const
{
    if (Index >= Count())
        return false;
    const std::string line = Strings(Index);
    return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

void TNetHeaderList::DeleteContinuations(int Index)
{
    while (IsContinuation(Index + 1))
        Delete(Index + 1);
}

std::string TNetHeaderList::Values(const std::string& Name) const
{
    const int index = IndexOfName(Name);
    if (index < 0)
        return std::string();
    const std::string line = Strings(index);
    const size_t colon = line.find(':');
    std::string value = Trim(colon == std::string::npos ? std::string() : line.substr(colon + 1));
    // Each folded line is appended, never the whole value copied again: the work grows
    // with the bytes of the field.
    if (FUnfoldLines)
        for (int i = index + 1; IsContinuation(i); ++i) {
            const std::string piece = Trim(Strings(i));
            if (!value.empty())
                value += ' ';
            value += piece;
            while (!value.empty() && static_cast<unsigned char>(value.back()) <= ' ')
                value.pop_back();
        }
    return Trim(value);
}

void TNetHeaderList::SetValues(const std::string& Name, const std::string& Value)
{
    int index = IndexOfName(Name);
    if (Value.empty()) {
        if (index >= 0) {
            if (FFoldLines)
                DeleteContinuations(index);
            Delete(index);
        }
        return;
    }
    const std::string line = Name + HeaderSeparator + HeaderSafe(Value);
    if (index < 0) {
        index = Count();
        Add(std::string());
    } else if (FFoldLines)
        DeleteContinuations(index);
    if (!FFoldLines) {
        SetStrings(index, line);
        return;
    }
    const std::vector<std::string> pieces = FoldLine(line, FFoldLength);
    SetStrings(index, pieces.empty() ? line : pieces[0]);
    for (size_t i = 1; i < pieces.size(); ++i)
        Insert(index + static_cast<int>(i), pieces[i]);
}

std::vector<std::string> TNetHeaderList::FoldLine(const std::string& Line, int FoldLength)
{
    // Wrap into one text with CR LF + blank breaks, then split at CR LF.
    std::string wrapped;
    size_t lineStart = 0, breakAfter = std::string::npos;
    bool quoted = false;
    // The value starts on the name's line: no break before its first character.
    size_t i = Line.find(':');
    i = i == std::string::npos ? 0 : i + 1;
    while (i < Line.size() && IsBreakChar(Line[i]))
        ++i;
    while (i < Line.size()) {
        const char c = Line[i];
        if (c == '\r' && i + 1 < Line.size() && Line[i + 1] == '\n') {
            wrapped.append(Line, lineStart, i + 2 - lineStart); // a break already in the text
            lineStart = i += 2;
            breakAfter = std::string::npos;
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && IsBreakChar(c))
            breakAfter = i;
        ++i;
        if (i - lineStart > static_cast<size_t>(FoldLength) && breakAfter != std::string::npos &&
            breakAfter + 1 > lineStart && breakAfter + 1 < Line.size()) {
            wrapped.append(Line, lineStart, breakAfter + 1 - lineStart);
            wrapped += "\r\n ";
            lineStart = breakAfter + 1;
            while (lineStart < Line.size() &&
                   (IsBreakChar(Line[lineStart]) || Line[lineStart] == '\r' || Line[lineStart] == '\n'))
                ++lineStart;
            if (lineStart > i)
                i = lineStart;
            breakAfter = std::string::npos;
            for (size_t k = lineStart; k < i; ++k)
                if (!quoted && IsBreakChar(Line[k]))
                    breakAfter = k;
        }
    }
    wrapped.append(Line, std::min(lineStart, Line.size()), std::string::npos);

    std::vector<std::string> pieces;
    for (size_t p = 0;;) {
        const size_t e = wrapped.find("\r\n", p);
        std::string piece = TrimRight(wrapped.substr(p, e == std::string::npos ? std::string::npos : e - p));
        if (pieces.empty() || !piece.empty()) // a blank continuation would end the header
            pieces.push_back(piece);
        if (e == std::string::npos)
            break;
        p = e + 2;
    }
    return pieces;
}
