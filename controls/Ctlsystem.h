#pragma once
// System utilities: errors of system calls, libraries, the environment, blocks of
// memory, small text helpers and splitting a command line.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/Exception.h"

// A system call failed; ErrorCode is the system's error code.
class EWin32Error : public Exception {
 public:
  EWin32Error(std::string Msg, uint32_t ErrorCode) : Exception(std::move(Msg)), errorCode_(ErrorCode) {}
  uint32_t ErrorCode() const { return errorCode_; }

 private:
  uint32_t errorCode_;
};

// Raises EWin32Error "Win32 Error.  Code: %d.\n%s" for a non-zero code.
void RaiseWin32Error(uint32_t Code);
// Raises the last error when not OK.
void CheckWin32(bool OK);
std::string ResStr(const std::string& Ident);
// Loads a library; raises the last error when it cannot.
void* LoadDLL(const std::string& LibName);
// Calls the library's "DllRegisterServer" when it has one; true exactly then.
bool RegisterServer(const std::string& ModuleName);
void FreeUnusedOle();
std::string GetEnvVar(const std::string& VarName);

// Zero-filled blocks that know their size; sizes below 1 give none.
void* AllocMemo(int32_t Size);
void* ReallocMemo(void* fpBlock, int32_t Size);
void FreeMemo(void*& fpBlock);
int32_t GetMemoSize(void* fpBlock);
bool CompareMem(const void* fpBlock1, const void* fpBlock2, size_t Size);
void* HugeInc(void* HugePtr, intptr_t Amount);
void* HugeDec(void* HugePtr, intptr_t Amount);
void* HugeOffset(void* HugePtr, intptr_t Amount);
void HMemCpy(void* DstPtr, const void* SrcPtr, size_t Amount);
// Moves Size 4-byte items of Base from item Src to item Dst (the runs may overlap).
void HugeMove(void* Base, intptr_t Dst, intptr_t Src, intptr_t Size);

std::unique_ptr<char[]> StrPAlloc(const std::string& S);
const char* StringToPChar(const std::string& S);
// The text in lower case with its first character in upper case.
std::string AnsiUpperFirstChar(const std::string& S);
// A class name without its leading "T".
std::string DropT(const std::string& S);
// The program and the parameters (joined by one space, quoted when they hold a space).
void SplitCommandLine(const std::string& CmdLine, std::string& ExeName, std::string& Params);
