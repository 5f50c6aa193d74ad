#include "net/Tnettcpconnection.h"

#include "net/Enetexception.h"
#include "net/Netmessages.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Tstrings.h"

#include <cstring>
#include <vector>

TNetTCPConnection::TNetTCPConnection(TComponent* AOwner) : TNetComponent(AOwner) {}

TNetTCPConnection::~TNetTCPConnection()
{
    if (FIOHandler)
        FIOHandler->Close();
}

void TNetTCPConnection::Notification(TComponent* AComponent, TOperation Operation)
{
    TNetComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FIOHandler)
        FIOHandler = nullptr;
}

std::string TNetTCPConnection::ExtractInput(int32_t ACount)
{
    if (ACount < 0 || static_cast<size_t>(ACount) > FInputBuffer.size() - FInputConsumed)
        throw ENetNotEnoughDataInBuffer(NetMessageText(RSNotEnoughDataInBuffer));
    std::string out = FInputBuffer.substr(FInputConsumed, static_cast<size_t>(ACount));
    FInputConsumed += static_cast<size_t>(ACount);
    // Consumed bytes are dropped in bulk, not at every line.
    if (FInputConsumed == FInputBuffer.size()) {
        FInputBuffer.clear();
        FInputConsumed = 0;
    } else if (FInputConsumed >= 32768) {
        FInputBuffer.erase(0, FInputConsumed);
        FInputConsumed = 0;
    }
    DoWork(wmRead, ACount);
    return out;
}

bool TNetTCPConnection::Connected()
{
    CheckForDisconnect(false, false);
    return FIOHandler && FIOHandler->Connected();
}

void TNetTCPConnection::CheckForDisconnect(bool ARaiseExceptionIfDisconnected, bool AIgnoreBuffer)
{
    bool disconnected = false;
    if (FClosedGracefully && FIOHandler) {
        if (FIOHandler->Connected()) {
            DisconnectSocket();
            DoStatus(hsDisconnected);
            DoOnDisconnected();
        }
        disconnected = true;
    } else if (FIOHandler)
        disconnected = !FIOHandler->Connected();
    if (disconnected && ARaiseExceptionIfDisconnected && (InputBufferSize() == 0 || AIgnoreBuffer))
        throw ENetConnClosedGracefully(NetMessageText(RSConnectionClosedGracefully));
}

void TNetTCPConnection::DisconnectSocket()
{
    if (FIOHandler) {
        FClosedGracefully = true;
        FIOHandler->Close();
    }
}

void TNetTCPConnection::Disconnect()
{
    DoStatus(hsDisconnecting);
    DisconnectSocket();
    DoOnDisconnected();
    DoStatus(hsDisconnected);
}

void TNetTCPConnection::DoOnDisconnected()
{
    if (OnDisconnected)
        OnDisconnected(this);
}

int32_t TNetTCPConnection::ReadFromStack(bool ARaiseExceptionIfDisconnected, int32_t ATimeout,
                                         bool ARaiseExceptionOnTimeout)
{
    if (ATimeout == NetDefaultTimeout)
        ATimeout = FReadTimeout == 0 ? NetInfiniteTimeout : FReadTimeout;
    CheckForDisconnect(ARaiseExceptionIfDisconnected, false);
    if (!Connected()) {
        if (ARaiseExceptionIfDisconnected)
            throw ENetNotConnected(NetMessageText(RSNotConnected));
        return 0;
    }
    std::vector<char> buffer(static_cast<size_t>(std::max(FRecvBufferSize, 1)));
    while (FIOHandler && FIOHandler->Readable(ATimeout)) {
        const int32_t count = FIOHandler->Recv(buffer.data(), static_cast<int32_t>(buffer.size()));
        FClosedGracefully = count == 0;
        if (count > 0) {
            if (FASCIIFilter)
                for (int32_t i = 0; i < count; ++i)
                    buffer[static_cast<size_t>(i)] &= 0x7F;
            FInputBuffer.append(buffer.data(), static_cast<size_t>(count));
        }
        CheckForDisconnect(ARaiseExceptionIfDisconnected, false);
        if (count != 0 || !Connected())
            return count;
    }
    if (!FIOHandler) {
        if (ARaiseExceptionIfDisconnected)
            throw ENetNotConnected(NetMessageText(RSNotConnected));
        return 0;
    }
    if (ARaiseExceptionOnTimeout)
        throw ENetReadTimeout(NetMessageText(RSReadTimeout));
    return -1;
}

std::string TNetTCPConnection::ReadLn(const std::string& ATerminator, int32_t ATimeout, int32_t AMaxLineLength)
{
    const std::string terminator = ATerminator.empty() ? "\n" : ATerminator;
    const int32_t maxLength = AMaxLineLength == -1 ? FMaxLineLength : AMaxLineLength;
    FReadLnSplit = false;
    FReadLnTimedOut = false;
    size_t searched = 0;
    for (;;) {
        const size_t available = FInputBuffer.size() - FInputConsumed;
        const size_t from = searched >= terminator.size() ? searched - terminator.size() + 1 : 0;
        const size_t hit = FInputBuffer.find(terminator, FInputConsumed + from);
        searched = available;
        const size_t lineLength = hit == std::string::npos ? available : hit - FInputConsumed;
        if (maxLength != 0 && lineLength > static_cast<size_t>(maxLength)) {
            if (FMaxLineAction == maException)
                throw ENetReadLnMaxLineLengthExceeded(NetMessageText(RSReadLnMaxLineLengthExceeded));
            FReadLnSplit = true;
            return ExtractInput(maxLength);
        }
        if (hit != std::string::npos) {
            std::string line = ExtractInput(static_cast<int32_t>(lineLength + terminator.size()));
            line.resize(lineLength);
            if (terminator == "\n" && !line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        CheckForDisconnect(true, true);
        if (ReadFromStack(true, ATimeout, ATimeout == NetDefaultTimeout) == 0) {
            FReadLnTimedOut = true;
            return std::string();
        }
    }
}

void TNetTCPConnection::ReadBuffer(void* ABuffer, int32_t AByteCount)
{
    if (AByteCount <= 0 || !ABuffer)
        return;
    while (InputBufferSize() < AByteCount) {
        ReadFromStack();
        CheckForDisconnect(true, true);
    }
    const std::string bytes = ExtractInput(AByteCount);
    std::memcpy(ABuffer, bytes.data(), bytes.size());
}

template <class TSink>
void TNetTCPConnection::CaptureLines(TSink&& Sink, const std::string& ADelim, bool AIsRFCMessage)
{
    BeginWork(wmRead);
    try {
        for (;;) {
            std::string line = ReadLn();
            if (line == ADelim)
                break;
            if (AIsRFCMessage && line.compare(0, 2, "..") == 0)
                line.erase(0, 1);
            Sink(line);
        }
    } catch (...) {
        EndWork(wmRead);
        throw;
    }
    EndWork(wmRead);
}

void TNetTCPConnection::Capture(TStrings* ADest, const std::string& ADelim, bool AIsRFCMessage)
{
    CaptureLines([&](const std::string& line) { if (ADest) ADest->Add(line); }, ADelim, AIsRFCMessage);
}

void TNetTCPConnection::Capture(TStream* ADest, const std::string& ADelim, bool AIsRFCMessage)
{
    CaptureLines([&](const std::string& line) { if (ADest) WriteLnToStream(*ADest, line); }, ADelim,
                 AIsRFCMessage);
}

void TNetTCPConnection::Write(const std::string& AOut)
{
    if (!AOut.empty())
        WriteBuffer(AOut.data(), static_cast<int32_t>(AOut.size()));
}

void TNetTCPConnection::WriteLn(const std::string& AOut) { Write(AOut + "\r\n"); }

void TNetTCPConnection::WriteBuffer(const void* ABuffer, int32_t AByteCount, bool)
{
    if (AByteCount < 1 || !ABuffer)
        return;
    CheckForDisconnect(true, true);
    if (!Connected())
        throw ENetNotConnected(NetMessageText(RSNotConnected));
    const char* data = static_cast<const char*>(ABuffer);
    for (int32_t pos = 0; pos < AByteCount;) {
        const int32_t sent = FIOHandler->Send(data + pos, AByteCount - pos);
        FClosedGracefully = sent == 0;
        CheckForDisconnect(true, false);
        if (sent < 0)
            throw ENetNotConnected(NetMessageText(RSNotConnected));
        DoWork(wmWrite, sent);
        pos += sent;
    }
}

void TNetTCPConnection::WriteStrings(TStrings* AValue)
{
    for (int i = 0; i < AValue->Count(); ++i)
        WriteLn(AValue->Strings(i));
}

void TNetTCPConnection::WriteStream(TStream* AStream, bool AAll, int32_t ASize)
{
    if (AAll)
        AStream->SetPosition(0);
    const int64_t position = AStream->Position();
    const int64_t end = ASize != 0 ? position + ASize : AStream->Size();
    BeginWork(wmWrite, static_cast<int32_t>(end - position));
    try {
        std::vector<char> buffer(static_cast<size_t>(std::max(FSendBufferSize, 1)));
        for (int64_t pos = position; pos < end;) {
            const int32_t want = static_cast<int32_t>(std::min<int64_t>(end - pos, static_cast<int64_t>(buffer.size())));
            const int32_t got = AStream->Read(buffer.data(), want);
            if (got <= 0)
                throw ENetNoDataToRead(NetMessageText(RSNoDataToRead));
            WriteBuffer(buffer.data(), got);
            pos += got;
        }
    } catch (...) {
        EndWork(wmWrite);
        throw;
    }
    EndWork(wmWrite);
}

int32_t TNetTCPStream::Read(void* Buffer, int32_t Count)
{
    FConnection->ReadBuffer(Buffer, Count);
    return Count;
}

int32_t TNetTCPStream::Write(const void* Buffer, int32_t Count)
{
    FConnection->WriteBuffer(Buffer, Count);
    return Count;
}

int64_t TNetTCPStream::Seek(int64_t, TSeekOrigin) { return -1; }

std::string ReadLnFromStream(TStream& AStream, int32_t AMaxLineLength, bool ARaiseAtEnd)
{
    if (auto* tcp = dynamic_cast<TNetTCPStream*>(&AStream))
        return tcp->Connection()->ReadLn("\n", NetDefaultTimeout, AMaxLineLength);
    const int64_t maxLength = AMaxLineLength < 0 ? INT32_MAX : AMaxLineLength;
    const int64_t start = AStream.Position();
    std::string line;
    char chunk[2048];
    int64_t consumed = 0;
    bool ended = false, any = false;
    while (!ended) {
        const int32_t got = AStream.Read(chunk, sizeof chunk);
        if (got <= 0)
            break;
        any = true;
        for (int32_t i = 0; i < got; ++i) {
            const char c = chunk[i];
            if (c == '\n' || c == '\r') {
                consumed += 1;
                if (c == '\r') {
                    // A LF right after the CR belongs to the same line end.
                    if (i + 1 < got) {
                        if (chunk[i + 1] == '\n')
                            consumed += 1;
                    } else {
                        char next;
                        if (AStream.Read(&next, 1) == 1 && next == '\n')
                            consumed += 1;
                    }
                }
                ended = true;
                break;
            }
            if (static_cast<int64_t>(line.size()) >= maxLength) {
                ended = true;
                break;
            }
            line += c;
            consumed += 1;
        }
    }
    if (!any && ARaiseAtEnd)
        throw ENetEndOfStream(Format("End of stream: %s at %d", {AStream.ClassName(), static_cast<int>(start)}));
    AStream.SetPosition(start + consumed);
    return line;
}

void WriteStringToStream(TStream& AStream, const std::string& AStr)
{
    if (!AStr.empty())
        AStream.WriteBuffer(AStr.data(), static_cast<int32_t>(AStr.size()));
}

void WriteLnToStream(TStream& AStream, const std::string& AStr) { WriteStringToStream(AStream, AStr + "\r\n"); }
