#include "net/Nettext.h"

#include "platform/rtl/Tstrings.h"

#include <cstring>

TTextPosFunc TextPos = BytePos;

const char* const DayNames[8] = {"", "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const MonthNames[13] = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char HexDigits[16] = {'0', '1', '2', '3', '4', '5', '6', '7',
                            '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};

int32_t BytePos(const std::string& Substr, const std::string& Text)
{
    if (Substr.empty() || Substr.size() > Text.size())
        return 0;
    const size_t p = Text.find(Substr);
    return p == std::string::npos ? 0 : static_cast<int32_t>(p + 1);
}

std::string CutToken(std::string& Text, const std::string& Delim, bool Remove, bool CaseSensitive)
{
    const bool nulDelim = Delim.size() == 1 && Delim[0] == '\0';
    int32_t p;
    if (nulDelim)
        p = BytePos(Delim, Text);
    else if (CaseSensitive)
        p = TextPos(Delim, Text);
    else
        p = TextPos(UpperCase(Delim), UpperCase(Text));
    if (p == 0) {
        std::string result = Text;
        if (Remove)
            Text.clear();
        return result;
    }
    std::string result = Text.substr(0, static_cast<size_t>(p - 1));
    if (Remove)
        Text.erase(0, static_cast<size_t>(p - 1) + Delim.size());
    return result;
}

int32_t IndexInTexts(const std::string& Text, const std::vector<std::string>& Texts, bool CaseSensitive)
{
    for (size_t i = 0; i < Texts.size(); ++i)
        if (CaseSensitive ? Texts[i] == Text : AnsiSameText(Texts[i], Text))
            return static_cast<int32_t>(i);
    return -1;
}

static int NameNumber(const std::string& Text, const char* const* Names, int Count)
{
    const std::string upper = UpperCase(Text);
    for (int i = 1; i <= Count; ++i)
        if (upper == UpperCase(Names[i]))
            return i;
    return 0;
}

int DayNameNumber(const std::string& Text) { return NameNumber(Text, DayNames, 7); }
int MonthNameNumber(const std::string& Text) { return NameNumber(Text, MonthNames, 12); }

std::vector<std::string> SplitCommaTexts(const std::string& Text)
{
    std::vector<std::string> result;
    size_t pos = 0;
    while (pos <= Text.size()) {
        int quotes = 0;
        size_t end = pos;
        while (end < Text.size() && !(Text[end] == ',' && quotes != 1)) {
            if (Text[end] == '"')
                ++quotes;
            ++end;
        }
        std::string piece = Trim(Text.substr(pos, end - pos));
        if (!piece.empty())
            result.push_back(piece);
        pos = end + 1;
    }
    return result;
}

void SplitCommaList(TStrings* List, const std::string& Text)
{
    List->Clear();
    for (const std::string& piece : SplitCommaTexts(Text))
        List->Add(piece);
}

int32_t FindInBuffer(const std::string& Substr, const void* Buffer, int32_t Size)
{
    const size_t len = Substr.size();
    if (len == 0 || Size < 0 || len > static_cast<size_t>(Size))
        return 0;
    const char* data = static_cast<const char*>(Buffer);
    if (len == 1) {
        const void* hit = std::memchr(data, Substr[0], static_cast<size_t>(Size));
        return hit ? static_cast<int32_t>(static_cast<const char*>(hit) - data + 1) : 0;
    }
    const size_t last = static_cast<size_t>(Size) - len;
    for (size_t i = 0; i <= last; ++i) {
        const void* hit = std::memchr(data + i, Substr[0], last - i + 1);
        if (!hit)
            return 0;
        i = static_cast<size_t>(static_cast<const char*>(hit) - data);
        if (std::memcmp(data + i + 1, Substr.data() + 1, len - 1) == 0)
            return static_cast<int32_t>(i + 1);
    }
    return 0;
}
