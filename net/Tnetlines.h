#pragma once
// The lines of a message body or a text part, kept in one block: each line's length
// (one byte below 128) then its bytes, with the place of every 64th line. A body of
// millions of short or empty lines costs about its size, not a string object a line.
// Lines are appended and read in order as a rule; changing one inside rebuilds the block.
// A read keeps its place for the next one: one thread reads a list at a time.
#include "platform/rtl/Tstrings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TNetLines : public TStrings {
public:
    TNetLines() = default;
    ~TNetLines() override = default;

    int Add(const std::string& S) override;
    void Clear() override;
    void Delete(int Index) override;
    void Insert(int Index, const std::string& S) override;
    std::string Text() const override;
    void SetText(const std::string& Value) override;
    // Splits the text at CR LF, LF or CR, as SetText does, straight from where it lies.
    void SetLines(std::string_view Value);
    // Bytes held, for a bound on what a message may take.
    size_t ByteSize() const { return FData.size() + FMarks.size() * sizeof(uint64_t); }

protected:
    std::string Get(int Index) const override;
    int GetCount() const override { return FCount; }

private:
    static constexpr int MarkEvery = 64;
    void Append(std::string_view S);
    // The place of line Index's length in FData.
    size_t Place(int Index) const;
    // Reads the line at a place; the place moves past it.
    std::string_view LineAt(size_t& At) const;
    std::vector<std::string> Lines() const;
    void CheckIndex(int Index, int Limit) const;

    std::string FData;
    std::vector<uint64_t> FMarks; // the place of lines 0, 64, 128 ...
    int FCount = 0;
    // The last line read and the place behind it: reading in order costs one step a line.
    mutable int FNextIndex = -1;
    mutable size_t FNextPlace = 0;
};
