#include "platform/rtl/Exception.h"

#include "platform/kernel/Fileapi.h"

void Abort() { throw EAbort(); }

std::string SysErrorMessage(uint32_t ErrorCode) { return platform::ErrorText(ErrorCode); }

void RaiseLastOSError() { RaiseLastOSError(GetLastError()); }

void RaiseLastOSError(uint32_t ErrorCode) {
  if (ErrorCode != 0)
    throw EOSError("System Error.  Code: " + std::to_string(ErrorCode) + ".\r\n" + SysErrorMessage(ErrorCode),
                   static_cast<int>(ErrorCode));
  throw EOSError("A call to an OS function failed", 0);
}
