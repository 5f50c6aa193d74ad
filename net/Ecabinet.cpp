#include "net/Ecabinet.h"

#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Numconv.h"
#include "platform/rtl/Strutil.h"

namespace {

const char* const kFciTexts[] = {
    "No error",
    "Failure opening file to be stored in cabinet",
    "Failure reading file to be stored in cabinet",
    "Out of memory in FCI",
    "Could not create a temporary file",
    "Unknown compression type",
    "Could not create cabinet file",
    "Client requested abort",
    "Failure compressing data",
    "Cabinet member name is unsafe",
    "FCI error",
};

const char* const kFdiTexts[] = {
    "No error",
    "Cabinet not found",
    "Cabinet file does not have the correct format",
    "Cabinet file has an unknown version number",
    "Cabinet file is corrupt",
    "Could not allocate enough memory",
    "Unknown compression type in a cabinet folder",
    "Failure decompressing data from a cabinet file",
    "Failure writing to target file",
    "Cabinets in a set do not have the same RESERVE sizes",
    "Cabinet returned on fdintNEXT_CABINET is incorrect",
    "FDI aborted",
    "Cabinet member name is unsafe",
    "FDI error",
};

template <size_t N>
std::string TextOf(const char* const (&table)[N], int Code) {
    return table[Code >= 0 && Code < static_cast<int>(N) ? Code : N - 1];
}

}  // namespace

std::string ECabinet::ErrorText(int Code, bool IsCompression) {
    return IsCompression ? TextOf(kFciTexts, Code) : TextOf(kFdiTexts, Code);
}

std::string ECabinet::MessageOf(const ERF& Erf, bool IsCompression, const std::string& MemberName)
{
    if (!Erf.fError) return IsCompression ? TextOf(kFciTexts, 99) : TextOf(kFdiTexts, 99);
    std::string text = ErrorText(Erf.erfOper, IsCompression);
    if (!MemberName.empty())
        text += ": \"" + EscapeControlChars(MemberName) + "\"";
    text += " [0x" + IntToHex(Erf.erfOper, 4) + "]";
    if (Erf.erfType != 0)
        text += ".\r\n" + platform::ErrorText(static_cast<DWORD>(Erf.erfType)) + " [0x" + IntToHex(Erf.erfType, 4) + "].";
    return text;
}

ECabinet::ECabinet(const ERF& Erf, bool IsCompression, const std::string& MemberName)
    : Exception(MessageOf(Erf, IsCompression, MemberName)), FErrorCode(Erf.erfOper), FSystemErrorCode(Erf.erfType),
      FErrorPresent(Erf.fError != 0), FIsCompression(IsCompression)
{
}
