#include "net/Tnetlines.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Textlines.h"

#include <algorithm>
#include <limits>

namespace {

// The bytes a line's length takes before it: seven bits a byte.
size_t LengthBytes(size_t Length)
{
    size_t bytes = 1;
    for (; Length >= 0x80; Length >>= 7)
        ++bytes;
    return bytes;
}

} // namespace

void TNetLines::CheckIndex(int Index, int Limit) const
{
    if (Index < 0 || Index > Limit)
        Error("List index out of bounds (%d)", Index);
}

void TNetLines::Append(std::string_view S)
{
    if (FCount == std::numeric_limits<int>::max())
        Error("List capacity out of bounds (%d)", FCount);
    if (FCount % MarkEvery == 0)
        FMarks.push_back(FData.size());
    // Grown by half again, not doubled: the block stays near the body's size.
    const size_t need = FData.size() + LengthBytes(S.size()) + S.size();
    if (need > FData.capacity())
        FData.reserve(std::max(need, FData.capacity() + FData.capacity() / 2));
    for (size_t n = S.size();; n >>= 7) {
        if (n < 0x80) {
            FData += static_cast<char>(n);
            break;
        }
        FData += static_cast<char>(0x80 | (n & 0x7F));
    }
    FData.append(S);
    ++FCount;
}

int TNetLines::Add(const std::string& S)
{
    Append(S);
    return FCount - 1;
}

void TNetLines::Clear()
{
    FData = std::string();
    FMarks = std::vector<uint64_t>();
    FCount = 0;
    FNextIndex = -1;
}

std::string_view TNetLines::LineAt(size_t& At) const
{
    size_t length = 0;
    for (int shift = 0;; shift += 7) {
        const auto b = static_cast<unsigned char>(FData[At++]);
        length |= static_cast<size_t>(b & 0x7F) << shift;
        if (b < 0x80)
            break;
    }
    const std::string_view line(FData.data() + At, length);
    At += length;
    return line;
}

size_t TNetLines::Place(int Index) const
{
    int from = Index - Index % MarkEvery;
    size_t at = static_cast<size_t>(FMarks[static_cast<size_t>(from / MarkEvery)]);
    if (FNextIndex > from && FNextIndex <= Index) {
        from = FNextIndex;
        at = FNextPlace;
    }
    for (; from < Index; ++from)
        LineAt(at);
    return at;
}

std::string TNetLines::Get(int Index) const
{
    CheckIndex(Index, FCount - 1);
    size_t at = Place(Index);
    const std::string_view line = LineAt(at);
    FNextIndex = Index + 1;
    FNextPlace = at;
    return std::string(line);
}

std::vector<std::string> TNetLines::Lines() const
{
    std::vector<std::string> lines;
    lines.reserve(static_cast<size_t>(FCount));
    size_t at = 0;
    for (int i = 0; i < FCount; ++i)
        lines.emplace_back(LineAt(at));
    return lines;
}

void TNetLines::Insert(int Index, const std::string& S)
{
    CheckIndex(Index, FCount);
    if (Index == FCount) {
        Append(S);
        return;
    }
    std::vector<std::string> lines = Lines();
    lines.insert(lines.begin() + Index, S);
    Clear();
    for (const std::string& line : lines)
        Append(line);
}

void TNetLines::Delete(int Index)
{
    CheckIndex(Index, FCount - 1);
    std::vector<std::string> lines = Lines();
    lines.erase(lines.begin() + Index);
    Clear();
    for (const std::string& line : lines)
        Append(line);
}

std::string TNetLines::Text() const
{
    std::string text;
    text.reserve(FData.size() + static_cast<size_t>(FCount));
    size_t at = 0;
    for (int i = 0; i < FCount; ++i)
        text.append(LineAt(at)).append("\r\n");
    return text;
}

void TNetLines::SetText(const std::string& Value) { SetLines(Value); }

void TNetLines::SetLines(std::string_view Value)
{
    BeginUpdate();
    try {
        Clear();
        // The block is taken at its size at once: no copy while it grows.
        size_t bytes = 0, count = 0;
        ForEachTextLine(Value, [&](std::string_view line) {
            bytes += LengthBytes(line.size()) + line.size();
            ++count;
        });
        FData.reserve(bytes);
        FMarks.reserve(count / MarkEvery + 1);
        ForEachTextLine(Value, [this](std::string_view line) { Append(line); });
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}
