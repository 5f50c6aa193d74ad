#include "platform/rtl/Exception.h"

#include <cstring>

void Abort() { throw EAbort(); }

std::string SysErrorMessage(int ErrorCode) {
  char buf[256];
  // The GNU variant may return a static text instead of filling buf.
  const char* text = strerror_r(ErrorCode, buf, sizeof buf);
  return text ? std::string(text) : std::string();
}

void RaiseLastOSError(int ErrorCode) {
  if (ErrorCode != 0)
    throw EOSError("System Error.  Code: " + std::to_string(ErrorCode) + ".\r\n" + SysErrorMessage(ErrorCode),
                   ErrorCode);
  throw EOSError("A call to an OS function failed", 0);
}
