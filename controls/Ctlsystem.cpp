#include "controls/Ctlsystem.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/kernel/Library.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strutil.h"

namespace {

// A memo block is preceded by its size.
struct MemoHeader {
  int32_t size;
  int32_t pad[3];
};

MemoHeader* HeaderOf(void* block) { return static_cast<MemoHeader*>(block) - 1; }

uint32_t LastError() { return static_cast<uint32_t>(errno); }

}  // namespace

void RaiseWin32Error(uint32_t Code) {
  if (Code == 0) return;
  throw EWin32Error(Format("Win32 Error.  Code: %d.\n%s", {static_cast<int64_t>(Code), SysErrorMessage(Code)}), Code);
}

void CheckWin32(bool OK) {
  if (!OK) RaiseWin32Error(LastError());
}

std::string ResStr(const std::string& Ident) { return Ident; }

void* LoadDLL(const std::string& LibName) {
  errno = 0;
  void* module = LoadLibraryA(LibName.c_str());
  if (!module) RaiseWin32Error(LastError() ? LastError() : ENOENT);
  return module;
}

bool RegisterServer(const std::string& ModuleName) {
  void* module = LoadLibraryA(ModuleName.c_str());
  if (!module) return false;
  auto entry = reinterpret_cast<int (*)()>(GetProcAddress(module, "DllRegisterServer"));
  if (entry) entry();
  FreeLibrary(module);
  return entry != nullptr;
}

void FreeUnusedOle() {}

std::string GetEnvVar(const std::string& VarName) {
  const char* value = std::getenv(VarName.c_str());
  return value ? std::string(value).substr(0, 2048) : std::string();
}

void* AllocMemo(int32_t Size) {
  if (Size < 1) return nullptr;
  auto* h = static_cast<MemoHeader*>(std::calloc(1, sizeof(MemoHeader) + static_cast<size_t>(Size)));
  if (!h) throw EOutOfMemory("Out of memory");
  h->size = Size;
  return h + 1;
}

void* ReallocMemo(void* fpBlock, int32_t Size) {
  if (!fpBlock) return AllocMemo(Size);
  if (Size < 1) {
    FreeMemo(fpBlock);
    return nullptr;
  }
  void* fresh = AllocMemo(Size);
  std::memcpy(fresh, fpBlock, static_cast<size_t>(std::min(Size, GetMemoSize(fpBlock))));
  FreeMemo(fpBlock);
  return fresh;
}

void FreeMemo(void*& fpBlock) {
  if (fpBlock) std::free(HeaderOf(fpBlock));
  fpBlock = nullptr;
}

int32_t GetMemoSize(void* fpBlock) { return fpBlock ? HeaderOf(fpBlock)->size : 0; }

bool CompareMem(const void* fpBlock1, const void* fpBlock2, size_t Size) {
  return Size == 0 || std::memcmp(fpBlock1, fpBlock2, Size) == 0;
}

void* HugeInc(void* HugePtr, intptr_t Amount) { return static_cast<char*>(HugePtr) + Amount; }
void* HugeDec(void* HugePtr, intptr_t Amount) { return static_cast<char*>(HugePtr) - Amount; }
void* HugeOffset(void* HugePtr, intptr_t Amount) { return HugeInc(HugePtr, Amount); }
void HMemCpy(void* DstPtr, const void* SrcPtr, size_t Amount) { std::memmove(DstPtr, SrcPtr, Amount); }

void HugeMove(void* Base, intptr_t Dst, intptr_t Src, intptr_t Size) {
  if (Size <= 0) return;
  auto* items = static_cast<char*>(Base);
  std::memmove(items + Dst * 4, items + Src * 4, static_cast<size_t>(Size) * 4);
}

std::unique_ptr<char[]> StrPAlloc(const std::string& S) {
  auto copy = std::make_unique<char[]>(S.size() + 1);
  std::memcpy(copy.get(), S.c_str(), S.size() + 1);
  return copy;
}

const char* StringToPChar(const std::string& S) { return S.c_str(); }

std::string AnsiUpperFirstChar(const std::string& S) {
  std::string result = AnsiLowerCase(S);
  if (!result.empty()) result[0] = AnsiUpperCase(result.substr(0, 1))[0];
  return result;
}

std::string DropT(const std::string& S) {
  if (S.size() > 1 && (S[0] == 'T' || S[0] == 't')) return S.substr(1);
  return S;
}

void SplitCommandLine(const std::string& CmdLine, std::string& ExeName, std::string& Params) {
  std::vector<std::string> parts;
  size_t i = 0, n = CmdLine.size();
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (i < n) {
    while (i < n && blank(CmdLine[i])) ++i;
    if (i >= n) break;
    std::string part;
    bool quoted = false, hadQuotes = false;
    while (i < n && (quoted || !blank(CmdLine[i]))) {
      if (CmdLine[i] == '"') {
        quoted = !quoted;
        hadQuotes = true;
      } else {
        part += CmdLine[i];
      }
      ++i;
    }
    if (!part.empty() || !hadQuotes) parts.push_back(part);
  }
  ExeName.clear();
  Params.clear();
  if (parts.empty()) return;
  ExeName = parts[0];
  for (size_t k = 1; k < parts.size(); ++k) {
    if (!Params.empty()) Params += ' ';
    Params += parts[k].find(' ') != std::string::npos ? '"' + parts[k] + '"' : parts[k];
  }
}
