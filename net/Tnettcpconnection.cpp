#include "net/Tnettcpconnection.h"

#include "net/Enetexception.h"
#include "net/Netmessages.h"
#include "net/Tnetantifreeze.h"
#include "net/Tnetintercept.h"
#include "net/Tnetiohandlersocket.h"
#include "net/Tnetsockethandle.h"
#include "net/Tnetstack.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tfilestream.h"
#include "platform/rtl/Tmemorystream.h"
#include "platform/rtl/Tstrings.h"
#include "platform/kernel/Fileapi.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Socket errors that mean the connection is gone rather than a failure of the call.
constexpr std::initializer_list<int32_t> ReceiveGoneCodes = {ws2::WSAESHUTDOWN, ws2::WSAECONNABORTED};
constexpr std::initializer_list<int32_t> SendGoneCodes = {ws2::WSAESHUTDOWN, ws2::WSAECONNABORTED,
                                                          ws2::WSAECONNRESET};

// Passes a block of bytes through an intercept, which may change it.
void ThroughIntercept(std::string& ABytes, bool AReceived, TNetConnectionIntercept* AIntercept)
{
    TMemoryStream stream;
    if (!ABytes.empty())
        stream.WriteBuffer(ABytes.data(), static_cast<int32_t>(ABytes.size()));
    stream.SetPosition(0);
    if (AReceived)
        AIntercept->Receive(&stream);
    else
        AIntercept->Send(&stream);
    ABytes.assign(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

} // namespace

TNetTCPConnection::TNetTCPConnection(TComponent* AOwner) : TNetComponent(AOwner) {}

TNetTCPConnection::~TNetTCPConnection()
{
    if (FIOHandler)
        FIOHandler->Close();
    if (FFreeIOHandlerOnDisconnect)
        delete FIOHandler;
}

void TNetTCPConnection::Notification(TComponent* AComponent, TOperation Operation)
{
    TNetComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FIOHandler) {
        FIOHandler = nullptr;
        FSocket = nullptr;
        FFreeIOHandlerOnDisconnect = false;
    }
    if (Operation == opRemove && AComponent == FIntercept)
        FIntercept = nullptr;
}

void TNetTCPConnection::SetIOHandler(TNetIOHandler* AValue)
{
    if (FFreeIOHandlerOnDisconnect && FIOHandler != AValue) {
        delete FIOHandler;
        FFreeIOHandlerOnDisconnect = false;
    }
    FIOHandler = AValue;
    FSocket = dynamic_cast<TNetIOHandlerSocket*>(AValue);
    if (AValue)
        AValue->FreeNotification(this);
}

void TNetTCPConnection::SetIntercept(TNetConnectionIntercept* AValue)
{
    FIntercept = AValue;
    if (AValue)
        AValue->FreeNotification(this);
}

void TNetTCPConnection::ResetConnection()
{
    FInputBuffer.clear();
    FInputConsumed = 0;
    FClosedGracefully = false;
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

void TNetTCPConnection::CheckForGracefulDisconnect(bool ARaiseExceptionIfDisconnected)
{
    ReadFromStack(ARaiseExceptionIfDisconnected, 1, false);
}

void TNetTCPConnection::DisconnectSocket()
{
    if (FIOHandler) {
        FClosedGracefully = true;
        if (!ComponentState().Contains(csDesigning)) {
            if (FIntercept)
                FIntercept->Disconnect();
            FIOHandler->Close();
        }
    }
}

void TNetTCPConnection::Disconnect()
{
    DoStatus(hsDisconnecting);
    DisconnectSocket();
    if (FFreeIOHandlerOnDisconnect) {
        TNetIOHandler* handler = FIOHandler;
        FIOHandler = nullptr;
        FSocket = nullptr;
        FFreeIOHandlerOnDisconnect = false;
        delete handler;
    }
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
    std::string buffer;
    while (FIOHandler && FIOHandler->Readable(ATimeout)) {
        int32_t count = 0;
        if (!FIOHandler) {
            if (ARaiseExceptionIfDisconnected)
                throw ENetNotConnected(NetMessageText(RSNotConnected));
        } else {
            buffer.resize(static_cast<size_t>(std::max(FRecvBufferSize, 1)));
            count = FIOHandler->Recv(buffer.data(), static_cast<int32_t>(buffer.size()));
        }
        FClosedGracefully = count == 0;
        if (count != 0 && GStack && GStack->CheckForSocketError(count, ReceiveGoneCodes)) {
            count = 0;
            if (FIOHandler)
                DisconnectSocket();
            if (InputBufferSize() == 0)
                GStack->RaiseSocketError(GStack->LastError());
        }
        if (count > 0) {
            buffer.resize(static_cast<size_t>(count));
            if (FIntercept) {
                ThroughIntercept(buffer, true, FIntercept);
                count = static_cast<int32_t>(buffer.size());
            }
            if (FASCIIFilter)
                for (char& c : buffer)
                    c &= 0x7F;
            if (FReadAllowance >= 0) {
                FReadAllowance -= count;
                if (FReadAllowance < 0)
                    throw ENetMessageTooLarge(FReadLimitWhat);
            }
            FInputBuffer.append(buffer);
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

void TNetTCPConnection::LimitReading(int64_t AByteCount, const std::string& AWhat)
{
    FReadAllowance = AByteCount;
    FReadLimitWhat = AWhat;
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
        // An explicit wait that ran out ends the line read too, rather than
        // starting another wait.
        if (ReadFromStack(true, ATimeout, ATimeout == NetDefaultTimeout) <= 0) {
            FReadLnTimedOut = true;
            return std::string();
        }
    }
}

std::string TNetTCPConnection::ReadLnWait(int32_t AFailCount)
{
    std::string line;
    for (int32_t count = 0; line.empty() && count < AFailCount; ++count)
        line = Trim(ReadLn());
    return line;
}

std::string TNetTCPConnection::CurrentReadBuffer()
{
    if (Connected())
        ReadFromStack(false);
    return ExtractInput(InputBufferSize());
}

std::string TNetTCPConnection::AllData()
{
    BeginWork(wmRead);
    std::string data;
    try {
        while (Connected())
            data += CurrentReadBuffer();
        data += ExtractInput(InputBufferSize());
    } catch (...) {
        EndWork(wmRead);
        throw;
    }
    EndWork(wmRead);
    return data;
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
    int32_t count;
    Capture(ADest, count, ADelim, AIsRFCMessage);
}

void TNetTCPConnection::Capture(TStream* ADest, const std::string& ADelim, bool AIsRFCMessage)
{
    int32_t count;
    Capture(ADest, count, ADelim, AIsRFCMessage);
}

void TNetTCPConnection::Capture(TStrings* ADest, int32_t& VLineCount, const std::string& ADelim,
                                bool AIsRFCMessage)
{
    VLineCount = 0;
    CaptureLines(
        [&](const std::string& line) {
            ++VLineCount;
            if (ADest)
                ADest->Add(line);
        },
        ADelim, AIsRFCMessage);
}

void TNetTCPConnection::Capture(TStream* ADest, int32_t& VLineCount, const std::string& ADelim, bool AIsRFCMessage)
{
    VLineCount = 0;
    CaptureLines(
        [&](const std::string& line) {
            ++VLineCount;
            if (ADest)
                WriteLnToStream(*ADest, line);
        },
        ADelim, AIsRFCMessage);
}

void TNetTCPConnection::Write(const std::string& AOut)
{
    if (!AOut.empty())
        WriteBuffer(AOut.data(), static_cast<int32_t>(AOut.size()));
}

void TNetTCPConnection::WriteLn(const std::string& AOut) { Write(AOut + "\r\n"); }

void TNetTCPConnection::WriteBuffer(const void* ABuffer, int32_t AByteCount, bool AWriteNow)
{
    if (AByteCount < 1 || !ABuffer)
        return;
    CheckForDisconnect(true, true);
    if (!Connected())
        throw ENetNotConnected(NetMessageText(RSNotConnected));
    if (FWriteBuffer && !AWriteNow) {
        FWriteBuffer->append(static_cast<const char*>(ABuffer), static_cast<size_t>(AByteCount));
        if (FWriteBufferThreshold >= 1 && FWriteBuffer->size() >= static_cast<size_t>(FWriteBufferThreshold))
            FlushWriteBuffer(FWriteBufferThreshold);
        return;
    }
    SendNow(static_cast<const char*>(ABuffer), AByteCount);
}

void TNetTCPConnection::SendNow(const char* AData, int32_t AByteCount)
{
    std::string intercepted;
    if (FIntercept) {
        intercepted.assign(AData, static_cast<size_t>(AByteCount));
        ThroughIntercept(intercepted, false, FIntercept);
        AData = intercepted.data();
        AByteCount = static_cast<int32_t>(intercepted.size());
    }
    // A peer that stops reading ends in the caller's time-out too, never in a
    // send blocked for good: the socket gets the read time-out as its send time-out.
    if (FSocket && FSocket->Binding() && FSendTimeoutApplied != FReadTimeout) {
        const uint32_t ms = static_cast<uint32_t>(std::max(FReadTimeout, 0));
        FSocket->Binding()->SetSockOpt(ws2::SOL_SOCKET, ws2::SO_SNDTIMEO, &ms, sizeof ms);
        FSendTimeoutApplied = FReadTimeout;
    }
    for (int32_t pos = 0; pos < AByteCount;) {
        const int32_t sent = FIOHandler->Send(AData + pos, AByteCount - pos);
        TNetAntiFreezeBase::DoProcess(false);
        FClosedGracefully = sent == 0;
        CheckForDisconnect(true, false);
        if (GStack && GStack->CheckForSocketError(sent, SendGoneCodes)) {
            DisconnectSocket();
            GStack->RaiseSocketError(GStack->LastError());
        }
        if (sent < 0)
            throw ENetNotConnected(NetMessageText(RSNotConnected));
        DoWork(wmWrite, sent);
        pos += sent;
    }
}

void TNetTCPConnection::OpenWriteBuffer(int32_t AThreshold)
{
    FWriteBuffer = std::make_unique<std::string>();
    FWriteBufferThreshold = AThreshold;
}

void TNetTCPConnection::CloseWriteBuffer()
{
    FlushWriteBuffer();
    FWriteBuffer.reset();
}

void TNetTCPConnection::FlushWriteBuffer(int32_t AByteCount)
{
    if (!FWriteBuffer || FWriteBuffer->empty())
        return;
    if (AByteCount == -1 || static_cast<size_t>(AByteCount) > FWriteBuffer->size()) {
        const std::string all = std::move(*FWriteBuffer);
        FWriteBuffer->clear();
        SendNow(all.data(), static_cast<int32_t>(all.size()));
    } else {
        const std::string first = FWriteBuffer->substr(0, static_cast<size_t>(AByteCount));
        FWriteBuffer->erase(0, static_cast<size_t>(AByteCount));
        SendNow(first.data(), AByteCount);
    }
}

void TNetTCPConnection::ClearWriteBuffer()
{
    if (FWriteBuffer)
        FWriteBuffer->clear();
}

void TNetTCPConnection::WriteInteger(int32_t AValue, bool AConvert)
{
    uint32_t value = static_cast<uint32_t>(AValue);
    if (AConvert)
        value = GStack->WSHToNL(value);
    WriteBuffer(&value, sizeof value);
}

void TNetTCPConnection::WriteStrings(TStrings* AValue, bool AWriteLinesCount)
{
    if (AWriteLinesCount)
        WriteInteger(AValue->Count());
    for (int i = 0; i < AValue->Count(); ++i)
        WriteLn(AValue->Strings(i));
}

int32_t TNetTCPConnection::WriteFile(const std::string& AFile, bool AEnableTransferFile)
{
    if (!platform::IsPlainFile(AFile))
        throw ENetFileNotFound(Format(NetMessageText(RSFileNotFound), {AFile}));
    if (GServeFileProc && !FIntercept && AEnableTransferFile && FSocket && FSocket->Binding())
        return static_cast<int32_t>(GServeFileProc(FSocket->Binding()->Handle(), AFile));
    TFileStream file(AFile, fmOpenRead | fmShareDenyWrite);
    WriteStream(&file, true, false, 0);
    return static_cast<int32_t>(file.Size());
}

void TNetTCPConnection::WriteStream(TStream* AStream, bool AAll, bool AWriteByteCount, int32_t ASize)
{
    if (AAll)
        AStream->SetPosition(0);
    const int64_t position = AStream->Position();
    const int64_t end = ASize != 0 ? position + ASize : AStream->Size();
    if (AWriteByteCount)
        WriteInteger(static_cast<int32_t>(end - position));
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

int32_t ReadUpToFromStream(TStream& AStream, char* ABuffer, int32_t ASize)
{
    int32_t got = 0;
    while (got < ASize) {
        const int32_t n = AStream.Read(ABuffer + got, ASize - got);
        if (n <= 0)
            break;
        got += n;
    }
    return got;
}

void WriteLnToStream(TStream& AStream, const std::string& AStr) { WriteStringToStream(AStream, AStr + "\r\n"); }

void TNetTCPConnection::WriteLnIfConnected(const std::string& AOut)
{
    try {
        if (Connected())
            WriteLn(AOut);
    } catch (const ENetException&) {
    }
}

void TNetTCPConnection::GetInternalResponse()
{
    std::vector<std::string> lines;
    lines.push_back(ReadLnWait());
    const std::string& first = lines.front();
    if (first.size() >= 4 && first[3] == '-') {
        const std::string term = first.substr(0, 3) + " ";
        for (;;) {
            lines.push_back(ReadLnWait());
            const std::string& line = lines.back();
            if (line.size() < 4 || SameText(line.substr(0, 4), term))
                break;
        }
    }
    FLastCmdResult.ParseResponse(lines);
}

int16_t TNetTCPConnection::GetResponse(std::initializer_list<int16_t> AAllowedResponses)
{
    GetInternalResponse();
    return CheckResponse(static_cast<int16_t>(FLastCmdResult.NumericCode()), AAllowedResponses);
}

int16_t TNetTCPConnection::GetResponse(int16_t AAllowedResponse)
{
    if (AAllowedResponse == -1)
        return GetResponse(std::initializer_list<int16_t>{});
    return GetResponse({AAllowedResponse});
}

int16_t TNetTCPConnection::CheckResponse(int16_t AResponse, std::initializer_list<int16_t> AAllowedResponses)
{
    if (AAllowedResponses.size() > 0 &&
        std::find(AAllowedResponses.begin(), AAllowedResponses.end(), AResponse) == AAllowedResponses.end())
        RaiseExceptionForLastCmdResult();
    return AResponse;
}

int16_t TNetTCPConnection::SendCmd(const std::string& AOut, std::initializer_list<int16_t> AResponses)
{
    WriteLn(AOut);
    return GetResponse(AResponses);
}

int16_t TNetTCPConnection::SendCmd(const std::string& AOut, int16_t AResponse)
{
    WriteLn(AOut);
    return GetResponse(AResponse);
}

void TNetTCPConnection::RaiseExceptionForLastCmdResult()
{
    std::string message;
    TStrings* text = FLastCmdResult.Text();
    for (int i = 0; i < text->Count(); ++i)
        message += text->Strings(i) + "\r\n";
    throw ENetProtocolReplyError(FLastCmdResult.NumericCode(), message);
}

void TNetTCPClient::Connect(int32_t ATimeout)
{
    if (FIOHandler && FIOHandler->Connected())
        throw ENetAlreadyConnected(NetMessageText(RSAlreadyConnected));
    if (!FIOHandler) {
        auto* handler = new TNetIOHandlerSocket(this);
        SetIOHandler(handler);
        handler->OnStatus = OnStatus;
        FFreeIOHandlerOnDisconnect = true;
    }
    try {
        FIOHandler->Open();
        ResetConnection();
        FSendTimeoutApplied = 0;
        FIOHandler->ConnectClient(FHost, FPort, BoundIP, BoundPort, BoundPortMin, BoundPortMax, ATimeout);
        if (ImplicitTLSPort != 0 && FPort == ImplicitTLSPort)
            StartTLS(ATimeout);
        if (FIntercept)
            FIntercept->Connect(this);
        DoStatus(hsConnected, {FHost});
        DoOnConnected();
    } catch (...) {
        DisconnectSocket();
        throw;
    }
}

void TNetTCPClient::StartTLS(int32_t ATimeout)
{
    if (ATimeout == NetDefaultTimeout)
        ATimeout = FReadTimeout;
    try {
        FIOHandler->StartTLS(FHost, ATimeout);
    } catch (const ENetCertificateRefused& e) {
        DisconnectSocket();
        throw ENetCertificateRefused(ServerText() + ": " + e.what());
    } catch (const ENetTLSError& e) {
        DisconnectSocket();
        throw ENetTLSError(ServerText() + ": " + e.what());
    } catch (...) {
        DisconnectSocket();
        throw;
    }
}

void TNetTCPClient::StartTLSByCommand(const std::string& ACommand, int16_t AAccepted)
{
    if (SendCmd(ACommand) != AAccepted) {
        std::string answer;
        TStrings* text = FLastCmdResult.Text();
        for (int i = 0; i < text->Count(); ++i)
            answer += (answer.empty() ? "" : " ") + Trim(text->Strings(i));
        while (!answer.empty() && answer.back() == '.')
            answer.pop_back();
        throw ENetTLSError(ServerText() + " refused encryption" + (answer.empty() ? "" : " (" + answer + ")"));
    }
    // Whatever came with the answer was sent before the encryption and could have
    // been put there by anyone on the path.
    if (InputBufferSize() != 0)
        throw ENetTLSError(ServerText() + " sent more than its answer to " + ACommand);
    StartTLS(NetDefaultTimeout);
}

void TNetTCPClient::CheckEncryptedOrLocal()
{
    if (PlainConnection || !TLSVersion().empty() || !FIOHandler || FIOHandler->PeerIsLocal())
        return;
    DisconnectSocket();
    throw ENetUnencryptedRefused(ServerText() + " offers no encryption, so the password was not sent");
}

std::string TNetTCPClient::ConnectAndGetAll()
{
    Connect();
    std::string data = AllData();
    Disconnect();
    return data;
}

void TNetTCPClient::DoOnConnected()
{
    if (OnConnected)
        OnConnected(this);
}
