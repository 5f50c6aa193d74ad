#pragma once
// The mail library's exceptions: every failure of the library reaches its
// callers as one of these, each with its message text.
#include "platform/rtl/Exception.h"

#include <cstdint>
#include <string>

RTL_EXCEPTION(ENetException, Exception);

RTL_EXCEPTION(ENetSilentException, ENetException);
RTL_EXCEPTION(ENetConnClosedGracefully, ENetSilentException);

RTL_EXCEPTION(ENetAlreadyConnected, ENetException);
RTL_EXCEPTION(ENetClosedSocket, ENetException);
RTL_EXCEPTION(ENetReadTimeout, ENetException);
RTL_EXCEPTION(ENetReadLnMaxLineLengthExceeded, ENetException);
RTL_EXCEPTION(ENetInvalidServiceName, ENetException);
RTL_EXCEPTION(ENetConnectTimeout, ENetException);
RTL_EXCEPTION(ENetConnectException, ENetException);
RTL_EXCEPTION(ENetInvalidSocket, ENetException);
RTL_EXCEPTION(ENetEndOfStream, ENetException);
RTL_EXCEPTION(ENetFailedToRetreiveTimeZoneInfo, ENetException);
RTL_EXCEPTION(ENetEmailParseError, ENetException);
RTL_EXCEPTION(ENetMessageTooLarge, ENetException);
// The encryption of a connection failed, or its certificate was refused; either
// ends the connection before any password is sent.
RTL_EXCEPTION(ENetTLSError, ENetException);
RTL_EXCEPTION(ENetCertificateRefused, ENetTLSError);
// A server off this machine offers no encryption and the account did not allow
// an unencrypted connection: nothing secret was sent.
RTL_EXCEPTION(ENetUnencryptedRefused, ENetException);

// A protocol reply that reports failure; the reply's numeric code.
class ENetProtocolReplyError : public ENetException {
public:
    ENetProtocolReplyError(int32_t Code, std::string Msg) : ENetException(std::move(Msg)), FReplyErrorCode(Code) {}
    int32_t ReplyErrorCode() const { return FReplyErrorCode; }

private:
    int32_t FReplyErrorCode;
};

// An attachment could not be saved: the message names the system's reason; the system's
// error code tells a name the file system refuses (not valid there, or too long) from a
// fault of this computer (its disk full or failing, a folder that may not be written).
class ENetAttachmentSaveError : public ENetException {
public:
    ENetAttachmentSaveError(std::string Msg, uint32_t Code) : ENetException(std::move(Msg)), FSystemError(Code) { }
    uint32_t SystemError() const { return FSystemError; }
    bool NameRefused() const { return IsNameRefusal(FSystemError); }
    // A system error code that refuses a file's name: not valid there, or too long.
    static bool IsNameRefusal(uint32_t Code);

private:
    uint32_t FSystemError;
};

// A socket call failed; the stack's error code.
class ENetSocketError : public ENetException {
public:
    ENetSocketError(int32_t Code, std::string Msg) : ENetException(std::move(Msg)), FLastError(Code) {}
    int32_t LastError() const { return FLastError; }

private:
    int32_t FLastError;
};

// The socket library or one of its functions could not be reached. The
// message is the title, followed by ": " and the system's text when the code is not 0.
class ENetWS2StubError : public ENetException {
public:
    ENetWS2StubError(const std::string& ATitle, int32_t AWin32Error);
    int32_t Win32Error() const { return FWin32Error; }
    const std::string& Win32ErrorMessage() const { return FWin32ErrorMessage; }
    const std::string& Title() const { return FTitle; }

private:
    int32_t FWin32Error;
    std::string FWin32ErrorMessage;
    std::string FTitle;
};

RTL_EXCEPTION(ENetTCPConnectionError, ENetException);
RTL_EXCEPTION(ENetObjectTypeNotSupported, ENetTCPConnectionError);
RTL_EXCEPTION(ENetNotEnoughDataInBuffer, ENetTCPConnectionError);
RTL_EXCEPTION(ENetNoDataToRead, ENetTCPConnectionError);
RTL_EXCEPTION(ENetNotConnected, ENetTCPConnectionError);
RTL_EXCEPTION(ENetFileNotFound, ENetTCPConnectionError);

RTL_EXCEPTION(ENetStackError, ENetException);
RTL_EXCEPTION(ENetStackInitializationFailed, ENetStackError);
RTL_EXCEPTION(ENetStackSetSizeExceeded, ENetStackError);

RTL_EXCEPTION(ENetSocketHandleError, ENetException);
RTL_EXCEPTION(ENetCouldNotBindSocket, ENetSocketHandleError);
RTL_EXCEPTION(ENetCanNotBindPortInRange, ENetSocketHandleError);
RTL_EXCEPTION(ENetInvalidPortRange, ENetSocketHandleError);

RTL_EXCEPTION(ENetSocksError, ENetException);
RTL_EXCEPTION(ENetSocksRequestFailed, ENetSocksError);
RTL_EXCEPTION(ENetSocksRequestServerFailed, ENetSocksError);
RTL_EXCEPTION(ENetSocksRequestIdentFailed, ENetSocksError);
RTL_EXCEPTION(ENetSocksUnknownError, ENetSocksError);
RTL_EXCEPTION(ENetSocksServerRespondError, ENetSocksError);
RTL_EXCEPTION(ENetSocksAuthMethodError, ENetSocksError);
RTL_EXCEPTION(ENetSocksAuthError, ENetSocksError);
RTL_EXCEPTION(ENetSocksServerGeneralError, ENetSocksError);
RTL_EXCEPTION(ENetSocksServerPermissionError, ENetSocksError);
RTL_EXCEPTION(ENetSocksServerNetUnreachableError, ENetSocksError);
RTL_EXCEPTION(ENetSocksServerHostUnreachableError, ENetSocksError);
RTL_EXCEPTION(ENetSocksServerConnectionRefusedError, ENetSocksError);
RTL_EXCEPTION(ENetSocksServerTTLExpiredError, ENetSocksError);
RTL_EXCEPTION(ENetSocksServerCommandError, ENetSocksError);
RTL_EXCEPTION(ENetSocksServerAddressError, ENetSocksError);

RTL_EXCEPTION(ENetMessageException, ENetException);
RTL_EXCEPTION(ENetCanNotCreateMessagePart, ENetMessageException);
