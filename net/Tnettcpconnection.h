#pragma once
// A blocking, buffered, line-oriented connection over a transport
// (TNetIOHandler), the client that owns one, a stream view of a connection,
// and the line functions on any stream.
#include "net/Tnetiohandler.h"
#include "net/Tnetrfcreply.h"
#include "platform/rtl/Tstream.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class TStrings;
class TNetConnectionIntercept;
class TNetIOHandlerSocket;

constexpr int32_t NetDefaultTimeout = -1;
constexpr int32_t NetInfiniteTimeout = -2;

enum TNetMaxLineAction : uint8_t { maException, maSplit };

class TNetTCPConnection : public TNetComponent {
public:
    explicit TNetTCPConnection(TComponent* AOwner);
    ~TNetTCPConnection() override;

    // Receiving: bytes added to the input buffer, 0 when the connection closed,
    // -1 on a time-out that is not raised.
    virtual int32_t ReadFromStack(bool ARaiseExceptionIfDisconnected = true, int32_t ATimeout = NetDefaultTimeout,
                                  bool ARaiseExceptionOnTimeout = true);
    // The next line without its terminator (and a CR before a LF terminator).
    virtual std::string ReadLn(const std::string& ATerminator = "\n", int32_t ATimeout = NetDefaultTimeout,
                               int32_t AMaxLineLength = -1);
    // ReadLn with the defaults, trimmed, until a line is not empty or AFailCount
    // lines were read; the last trimmed line.
    std::string ReadLnWait(int32_t AFailCount = INT32_MAX);
    void ReadBuffer(void* ABuffer, int32_t AByteCount);
    // Everything received so far (reading once more when connected).
    std::string CurrentReadBuffer();
    // Everything until the peer closes.
    virtual std::string AllData();
    // Lines up to the delimiter line (not stored), into a TStrings or a TStream
    // (each with CR LF), or only counted (null); with AIsRFCMessage a leading
    // ".." loses one dot. The count of lines stored goes to VLineCount.
    void Capture(TStrings* ADest, const std::string& ADelim = ".", bool AIsRFCMessage = true);
    void Capture(TStream* ADest, const std::string& ADelim = ".", bool AIsRFCMessage = true);
    void Capture(TStrings* ADest, int32_t& VLineCount, const std::string& ADelim = ".", bool AIsRFCMessage = true);
    void Capture(TStream* ADest, int32_t& VLineCount, const std::string& ADelim = ".", bool AIsRFCMessage = true);
    bool ReadLnSplit() const { return FReadLnSplit; }
    bool ReadLnTimedOut() const { return FReadLnTimedOut; }
    int32_t InputBufferSize() const { return static_cast<int32_t>(FInputBuffer.size() - FInputConsumed); }

    virtual void Write(const std::string& AOut);
    virtual void WriteLn(const std::string& AOut = std::string());
    virtual void WriteBuffer(const void* ABuffer, int32_t AByteCount, bool AWriteNow = false);
    // Four bytes, in network byte order when AConvert.
    void WriteInteger(int32_t AValue, bool AConvert = true);
    void WriteStrings(TStrings* AValue, bool AWriteLinesCount = false);
    // From the start (AAll) or the position to the end (or ASize bytes); with
    // AWriteByteCount the count goes first as WriteInteger.
    virtual void WriteStream(TStream* AStream, bool AAll = true, bool AWriteByteCount = false, int32_t ASize = 0);
    // Sends a file; its size. ENetFileNotFound when it does not exist.
    virtual int32_t WriteFile(const std::string& AFile, bool AEnableTransferFile = false);
    // Write buffering: writes gather until the threshold (or a flush).
    void OpenWriteBuffer(int32_t AThreshold = -1);
    void CloseWriteBuffer();
    void FlushWriteBuffer(int32_t AByteCount = -1);
    void ClearWriteBuffer();

    virtual bool Connected();
    virtual void CheckForDisconnect(bool ARaiseExceptionIfDisconnected = true, bool AIgnoreBuffer = false);
    void CheckForGracefulDisconnect(bool ARaiseExceptionIfDisconnected = true);
    virtual void Disconnect();
    virtual void DisconnectSocket();
    virtual void ResetConnection();

    // Replies of text protocols: one reply read into LastCmdResult and its
    // code checked against the allowed codes (none: any code).
    virtual int16_t GetResponse(std::initializer_list<int16_t> AAllowedResponses);
    int16_t GetResponse(int16_t AAllowedResponse);
    virtual int16_t CheckResponse(int16_t AResponse, std::initializer_list<int16_t> AAllowedResponses);
    // Writes the command line and reads its reply; -1 allows any code.
    virtual int16_t SendCmd(const std::string& AOut, std::initializer_list<int16_t> AResponses);
    int16_t SendCmd(const std::string& AOut, int16_t AResponse = -1);
    [[noreturn]] virtual void RaiseExceptionForLastCmdResult();
    TNetRFCReply* Greeting() { return &FGreeting; }
    TNetRFCReply* LastCmdResult() { return &FLastCmdResult; }

    TNetIOHandler* IOHandler() const { return FIOHandler; }
    // Frees a handler that Connect made, then keeps the new one.
    void SetIOHandler(TNetIOHandler* AValue);
    TNetConnectionIntercept* Intercept() const { return FIntercept; }
    void SetIntercept(TNetConnectionIntercept* AValue);
    bool ASCIIFilter() const { return FASCIIFilter; }
    void SetASCIIFilter(bool AValue) { FASCIIFilter = AValue; }
    TNetMaxLineAction MaxLineAction() const { return FMaxLineAction; }
    void SetMaxLineAction(TNetMaxLineAction AValue) { FMaxLineAction = AValue; }
    int32_t MaxLineLength() const { return FMaxLineLength; }
    void SetMaxLineLength(int32_t AValue) { FMaxLineLength = AValue; }
    int32_t ReadTimeout() const { return FReadTimeout; }
    void SetReadTimeout(int32_t AValue) { FReadTimeout = AValue; }
    int32_t RecvBufferSize() const { return FRecvBufferSize; }
    void SetRecvBufferSize(int32_t AValue) { FRecvBufferSize = AValue; }
    int32_t SendBufferSize() const { return FSendBufferSize; }
    void SetSendBufferSize(int32_t AValue) { FSendBufferSize = AValue; }
    // Bounds what may still be received (-1: no bound); receiving more raises
    // ENetMessageTooLarge with AWhat in its text.
    void LimitReading(int64_t AByteCount, const std::string& AWhat = std::string());

    TNotifyEvent OnDisconnected;

protected:
    virtual void DoOnDisconnected();
    void GetInternalResponse();
    // A last line (a protocol's good-bye) when still connected; a connection
    // that broke meanwhile is left to be closed, and the failure that broke
    // it stays the one reported.
    void WriteLnIfConnected(const std::string& AOut);
    void SendNow(const char* AData, int32_t AByteCount);
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Takes the first ACount bytes out of the input buffer.
    std::string ExtractInput(int32_t ACount);
    template <class TSink>
    void CaptureLines(TSink&& Sink, const std::string& ADelim, bool AIsRFCMessage);

    TNetIOHandler* FIOHandler = nullptr;
    TNetIOHandlerSocket* FSocket = nullptr;
    TNetConnectionIntercept* FIntercept = nullptr;
    bool FFreeIOHandlerOnDisconnect = false;
    TNetRFCReply FGreeting;
    TNetRFCReply FLastCmdResult;
    int32_t FSendTimeoutApplied = 0;
    std::unique_ptr<std::string> FWriteBuffer;
    int32_t FWriteBufferThreshold = 0;
    std::string FInputBuffer;
    size_t FInputConsumed = 0;
    bool FClosedGracefully = false;
    bool FReadLnSplit = false;
    bool FReadLnTimedOut = false;
    bool FASCIIFilter = false;
    TNetMaxLineAction FMaxLineAction = maException;
    int32_t FMaxLineLength = 16384;
    int32_t FReadTimeout = 0;
    int32_t FRecvBufferSize = 32768;
    int32_t FSendBufferSize = 32768;
    int64_t FReadAllowance = -1;
    std::string FReadLimitWhat;
};

class TNetTCPClient : public TNetTCPConnection {
public:
    explicit TNetTCPClient(TComponent* AOwner) : TNetTCPConnection(AOwner) {}

    // Connects to Host and Port through the IOHandler (a socket handler made
    // here when none is set); time-outs as the socket handler takes them.
    virtual void Connect(int32_t ATimeout = NetDefaultTimeout);
    std::string ConnectAndGetAll();

    const std::string& Host() const { return FHost; }
    virtual void SetHost(const std::string& AValue) { FHost = AValue; }
    int32_t Port() const { return FPort; }
    virtual void SetPort(int32_t AValue) { FPort = AValue; }

    std::string BoundIP;
    int32_t BoundPort = 0;
    int32_t BoundPortMin = 0;
    int32_t BoundPortMax = 0;
    std::string Username;
    std::string Password;
    TNotifyEvent OnConnected;
    // Encryption: a connection to ImplicitTLSPort (0: none) is encrypted from its
    // start. PlainConnection lets a server off this machine be spoken to without
    // encryption, the password included.
    int32_t ImplicitTLSPort = 0;
    bool PlainConnection = false;
    // "TLS 1.3" while the connection is encrypted, else empty.
    std::string TLSVersion() const { return FIOHandler ? FIOHandler->TLSVersion() : std::string(); }

protected:
    virtual void DoOnConnected();
    // The protocol's name in what the user is told ("SMTP").
    virtual std::string ProtocolName() const { return "TCP"; }
    // "SMTP server host:port"
    std::string ServerText() const { return ProtocolName() + " server " + FHost + ":" + std::to_string(FPort); }
    // Encrypts the connection (ATimeout as Connect takes it); a failure closes the
    // connection and is raised again with the server named before its text.
    void StartTLS(int32_t ATimeout);
    // Asks the server to encrypt with ACommand (STARTTLS, STLS), which AAccepted
    // answers, and encrypts. Any other answer is raised as ENetTLSError, "<server>
    // refused encryption (its answer)", never as a refused command; so is anything
    // the server sent after its answer before the encryption began.
    void StartTLSByCommand(const std::string& ACommand, int16_t AAccepted);
    // Before anything secret is sent: an unencrypted connection to a server off this
    // machine is closed and refused with ENetUnencryptedRefused unless PlainConnection.
    void CheckEncryptedOrLocal();

    std::string FHost;
    int32_t FPort = 0;
};

// A stream view of a connection: reads and writes go to the connection.
class TNetTCPStream : public TStream {
public:
    explicit TNetTCPStream(TNetTCPConnection* AConnection) : FConnection(AConnection) {}
    int32_t Read(void* Buffer, int32_t Count) override;
    int32_t Write(const void* Buffer, int32_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    TNetTCPConnection* Connection() const { return FConnection; }

private:
    TNetTCPConnection* FConnection;
};

// The next line of a stream (a LF, a CR, or CR LF ends it); for a connection's
// stream the connection's ReadLn. At the end: empty, or ENetEndOfStream with ARaiseAtEnd.
std::string ReadLnFromStream(TStream& AStream, int32_t AMaxLineLength = -1, bool ARaiseAtEnd = false);
void WriteStringToStream(TStream& AStream, const std::string& AStr);
// Reads until the buffer is full or the stream ends; the count read.
int32_t ReadUpToFromStream(TStream& AStream, char* ABuffer, int32_t ASize);
void WriteLnToStream(TStream& AStream, const std::string& AStr);
