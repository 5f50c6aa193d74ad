#include "foundation/Postfilename.h"

#include "foundation/Fileroutines.h"
#include "platform/rtl/Tdatetime.h"

#include <cstdio>
#include <cstring>

namespace {

TManagerEMailSource gEMailSource = nullptr;

// The formula can give the codes 41..89; of these, the ones file names may not hold.
bool IsUnsafeInFileName(char c) { return c == '/' || std::strchr("*:<>?\\|\"", c) != nullptr; }

}  // namespace

void SetManagerEMailSource(TManagerEMailSource source) { gEMailSource = source; }

std::string MakeLetterCode(std::string_view text) {
  std::string code;
  int s = 123;
  for (char ch : text) {
    int k = static_cast<signed char>(ch);
    s = (s + k) % 25;  // keeps the sign of the dividend
    char letter = static_cast<char>((s + 65) & 0xFF);
    if (IsUnsafeInFileName(letter) || static_cast<unsigned char>(letter) < 0x20) letter = 'Z';
    code.insert(code.begin(), letter);
  }
  return code;
}

std::string MakeUniquePostFileName(const std::string& folder, const std::string& base, TArray<TStr>& issued) {
  for (unsigned i = 1;; ++i) {
    char counter[16];
    std::snprintf(counter, sizeof counter, i < 100 ? "%03u" : "%u", i);
    std::string candidate = base + counter;
    if (issued.IndexOf(TStr(candidate)) >= 0) continue;
    issued.AddItem(TStr(candidate));
    if (!IsFileExists(folder + candidate)) return candidate;
  }
}

std::string MakePostFileName(const std::string&, const std::string& partA, const std::string& folder,
                             const std::string& partB, TArray<TStr>& issued) {
  std::string email;
  std::string letters = gEMailSource && gEMailSource(email) ? MakeLetterCode(email) : "X";
  std::string base = letters + "-" + partA + "-" + FormatDateTime("yymmdd", Now()) + "-" + partB + "-";
  return folder + MakeUniquePostFileName(folder, base, issued);
}
