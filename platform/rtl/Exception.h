#pragma once
// Exception and its kin. Every exception of the class library (and of the
// libraries built on it) derives from Exception and carries a message text.
// A new kind is declared with RTL_EXCEPTION(EName, EBase).

#include "platform/rtl/Tobject.h"

#include <cstdint>
#include <exception>
#include <string>

class Exception : public TObject, public std::exception {
 public:
  explicit Exception(std::string Msg, int HelpContext = 0)
      : message_(std::move(Msg)), helpContext_(HelpContext) {}

  const std::string& Message() const { return message_; }
  void SetMessage(const std::string& Msg) { message_ = Msg; }
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int Context) { helpContext_ = Context; }

  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
  int helpContext_;
};

#define RTL_EXCEPTION(Name, Base)     \
  class Name : public Base {          \
   public:                            \
    using Base::Base;                 \
  }

// Silent exception: unwinds without a message to the user.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
  using Exception::Exception;
};

RTL_EXCEPTION(EConvertError, Exception);
RTL_EXCEPTION(EInvalidOperation, Exception);
RTL_EXCEPTION(EInvalidPointer, Exception);
RTL_EXCEPTION(EInvalidCast, Exception);
RTL_EXCEPTION(EOutOfMemory, Exception);
RTL_EXCEPTION(EOutOfResources, Exception);
RTL_EXCEPTION(EResNotFound, Exception);
RTL_EXCEPTION(EIntError, Exception);
RTL_EXCEPTION(ERangeError, EIntError);
RTL_EXCEPTION(EDivByZero, EIntError);
RTL_EXCEPTION(EMathError, Exception);
RTL_EXCEPTION(EOverflow, EMathError);
RTL_EXCEPTION(EZeroDivide, EMathError);
RTL_EXCEPTION(EInOutError, Exception);
RTL_EXCEPTION(EAssertionFailed, Exception);
RTL_EXCEPTION(EVariantError, Exception);
RTL_EXCEPTION(EPropertyError, Exception);
RTL_EXCEPTION(EListError, Exception);
RTL_EXCEPTION(EStringListError, EListError);
RTL_EXCEPTION(EBitsError, Exception);
RTL_EXCEPTION(EComponentError, Exception);
RTL_EXCEPTION(EClassNotFound, Exception);
RTL_EXCEPTION(EStreamError, Exception);
RTL_EXCEPTION(EFilerError, EStreamError);
RTL_EXCEPTION(EReadError, EFilerError);
RTL_EXCEPTION(EWriteError, EFilerError);
RTL_EXCEPTION(EFileStreamError, EStreamError);
RTL_EXCEPTION(EFCreateError, EFileStreamError);
RTL_EXCEPTION(EFOpenError, EFileStreamError);
RTL_EXCEPTION(EThread, Exception);
RTL_EXCEPTION(EIniFileException, Exception);
RTL_EXCEPTION(ERegistryException, Exception);

// An operating-system call failed; ErrorCode is the kernel's error code (GetLastError).
class EOSError : public Exception {
 public:
  explicit EOSError(std::string Msg, int ErrorCode = 0) : Exception(std::move(Msg)), errorCode_(ErrorCode) {}
  int ErrorCode() const { return errorCode_; }

 private:
  int errorCode_;
};

// Raises EAbort: leaves the current operation without a message.
[[noreturn]] void Abort();

// The system's text for a kernel error code.
std::string SysErrorMessage(uint32_t ErrorCode);

// Raises EOSError "System Error.  Code: N.\r\n<text>" for the kernel error
// code, by default the calling thread's last error.
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(uint32_t ErrorCode);
