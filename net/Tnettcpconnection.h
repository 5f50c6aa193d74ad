#pragma once
// A blocking, buffered, line-oriented connection over a transport
// (TNetIOHandler), the client that owns one, a stream view of a connection,
// and the line functions on any stream.
#include "net/Tnetiohandler.h"
#include "platform/rtl/Tstream.h"

#include <cstdint>
#include <string>

class TStrings;

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
    void ReadBuffer(void* ABuffer, int32_t AByteCount);
    // Lines up to the delimiter line (not stored), into a TStrings or a TStream
    // (each with CR LF); with AIsRFCMessage a leading ".." loses one dot.
    void Capture(TStrings* ADest, const std::string& ADelim = ".", bool AIsRFCMessage = true);
    void Capture(TStream* ADest, const std::string& ADelim = ".", bool AIsRFCMessage = true);
    bool ReadLnSplit() const { return FReadLnSplit; }
    bool ReadLnTimedOut() const { return FReadLnTimedOut; }
    int32_t InputBufferSize() const { return static_cast<int32_t>(FInputBuffer.size() - FInputConsumed); }

    virtual void Write(const std::string& AOut);
    virtual void WriteLn(const std::string& AOut = std::string());
    virtual void WriteBuffer(const void* ABuffer, int32_t AByteCount, bool AWriteNow = false);
    void WriteStrings(TStrings* AValue);
    // From the start (AAll) or the position to the end (or ASize bytes).
    virtual void WriteStream(TStream* AStream, bool AAll = true, int32_t ASize = 0);

    virtual bool Connected();
    virtual void CheckForDisconnect(bool ARaiseExceptionIfDisconnected = true, bool AIgnoreBuffer = false);
    virtual void Disconnect();
    virtual void DisconnectSocket();

    TNetIOHandler* IOHandler() const { return FIOHandler; }
    void SetIOHandler(TNetIOHandler* AValue) { FIOHandler = AValue; }
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

    TNotifyEvent OnDisconnected;

protected:
    virtual void DoOnDisconnected();
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Takes the first ACount bytes out of the input buffer.
    std::string ExtractInput(int32_t ACount);
    template <class TSink>
    void CaptureLines(TSink&& Sink, const std::string& ADelim, bool AIsRFCMessage);

    TNetIOHandler* FIOHandler = nullptr;
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
};

class TNetTCPClient : public TNetTCPConnection {
public:
    explicit TNetTCPClient(TComponent* AOwner) : TNetTCPConnection(AOwner) {}

    const std::string& Host() const { return FHost; }
    virtual void SetHost(const std::string& AValue) { FHost = AValue; }
    int32_t Port() const { return FPort; }
    virtual void SetPort(int32_t AValue) { FPort = AValue; }

protected:
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
void WriteLnToStream(TStream& AStream, const std::string& AStr);
