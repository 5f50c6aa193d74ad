#include "net/Tnetiohandlersocket.h"

#include "net/Enetexception.h"
#include "net/Netmessages.h"
#include "net/Tnetantifreeze.h"
#include "net/Tnetsockethandle.h"
#include "net/Tnetsocksinfo.h"
#include "net/Tnettlssession.h"

#include <algorithm>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

// A time-out in milliseconds as a point in time; -2 (no limit) as the largest.
Clock::time_point DeadlineOf(int32_t AMSec)
{
    return AMSec == -2 ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(std::max(AMSec, 0));
}

// What is left until the deadline, -2 for none.
int32_t LeftUntil(Clock::time_point ADeadline)
{
    if (ADeadline == Clock::time_point::max())
        return -2;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(ADeadline - Clock::now()).count();
    return static_cast<int32_t>(std::clamp<int64_t>(left, 0, INT32_MAX));
}

} // namespace

TNetIOHandlerSocket::TNetIOHandlerSocket(TComponent* AOwner) : TNetIOHandler(AOwner) {}

TNetIOHandlerSocket::~TNetIOHandlerSocket()
{
    Close();
    if (FOwnsSocksInfo)
        delete FSocksInfo;
}

void TNetIOHandlerSocket::Open()
{
    FTLS.reset();
    if (!FBinding)
        FBinding = std::make_unique<TNetSocketHandle>();
    else
        FBinding->Reset();
}

void TNetIOHandlerSocket::Close()
{
    if (FTLS && FBinding && FBinding->HandleAllocated())
        FTLS->Shutdown();
    FTLS.reset();
    if (FBinding)
        FBinding->CloseSocket();
}

bool TNetIOHandlerSocket::Connected() { return FBinding && FBinding->HandleAllocated(); }

bool TNetIOHandlerSocket::Readable(int32_t AMSec)
{
    if (!FBinding)
        throw ENetConnClosedGracefully(NetMessageText(RSConnectionClosedGracefully));
    if (!FTLS)
        return FBinding->Readable(AMSec);
    // Readable means decrypted bytes (or the session's end), not merely bytes on the
    // socket: a record may come in pieces, or carry no data at all.
    const Clock::time_point deadline = DeadlineOf(AMSec);
    for (;;) {
        if (FTLS->HasInput() || FTLS->PeerClosed())
            return true;
        const TNetTLSStep step = FTLS->Fill();
        if (step == TNetTLSStep::Done || step == TNetTLSStep::Closed)
            return true;
        if (!AwaitTLS(step, LeftUntil(deadline)))
            return false;
    }
}

bool TNetIOHandlerSocket::AwaitTLS(TNetTLSStep AStep, int32_t AMSec)
{
    if (AStep == TNetTLSStep::WantRead)
        return FBinding->Readable(AMSec);
    TNetSocketListWindows writeList;
    writeList.Add(FBinding->Handle());
    const int32_t result = GStack->WSSelect(nullptr, &writeList, nullptr, AMSec);
    GStack->CheckForSocketError(result);
    return result == 1;
}

void TNetIOHandlerSocket::StartTLS(const std::string& AHost, int32_t ATimeout)
{
    if (!Connected())
        throw ENetClosedSocket(NetMessageText(RSStatusDisconnected));
    FTLS = std::make_unique<TNetTLSSession>(FBinding->Handle(), AHost);
    const Clock::time_point deadline = DeadlineOf(ATimeout > 0 ? ATimeout : -2);
    try {
        for (TNetTLSStep step; (step = FTLS->Handshake()) != TNetTLSStep::Done;)
            if (!AwaitTLS(step, LeftUntil(deadline)))
                throw ENetReadTimeout(NetMessageText(RSReadTimeout));
    } catch (...) {
        FTLS.reset();
        throw;
    }
}

std::string TNetIOHandlerSocket::TLSVersion() const { return FTLS ? FTLS->Version() : std::string(); }

bool TNetIOHandlerSocket::PeerIsLocal()
{
    if (FViaSocks || !FBinding)
        return false;
    const std::string& ip = FBinding->PeerIP();
    return ip.rfind("127.", 0) == 0 || ip == "::1";
}

int32_t TNetIOHandlerSocket::Recv(void* ABuf, int32_t ALen)
{
    if (!Connected())
        throw ENetClosedSocket(NetMessageText(RSStatusDisconnected));
    if (!FTLS)
        return FBinding->Recv(ABuf, ALen);
    while (!FTLS->HasInput() && !FTLS->PeerClosed())
        Readable(-2);
    return FTLS->Take(ABuf, ALen);
}

int32_t TNetIOHandlerSocket::Send(const void* ABuf, int32_t ALen)
{
    if (!Connected())
        throw ENetClosedSocket(NetMessageText(RSStatusDisconnected));
    if (!FTLS)
        return FBinding->Send(ABuf, ALen);
    // The socket's send time-out (the connection sets it) bounds each wait.
    uint32_t sendTimeout = 0;
    int32_t length = sizeof sendTimeout;
    GStack->WSGetSockOpt(FBinding->Handle(), ws2::SOL_SOCKET, ws2::SO_SNDTIMEO, &sendTimeout, length);
    const Clock::time_point deadline = DeadlineOf(sendTimeout == 0 ? -2 : static_cast<int32_t>(sendTimeout));
    for (;;) {
        int32_t written = 0;
        const TNetTLSStep step = FTLS->Write(ABuf, ALen, written);
        if (step == TNetTLSStep::Done)
            return written;
        if (!AwaitTLS(step, LeftUntil(deadline)))
            throw ENetReadTimeout(NetMessageText(RSReadTimeout));
    }
}

TNetSocksInfo* TNetIOHandlerSocket::SocksInfo()
{
    if (!FSocksInfo && !ComponentState().Contains(csDesigning)) {
        FSocksInfo = new TNetSocksInfo(nullptr);
        FOwnsSocksInfo = true;
        FSocksInfo->SetIOHandler(this);
    }
    return FSocksInfo;
}

void TNetIOHandlerSocket::SetSocksInfo(TNetSocksInfo* AValue)
{
    if (AValue == nullptr) {
        if (FOwnsSocksInfo)
            delete FSocksInfo;
        FSocksInfo = nullptr;
        FOwnsSocksInfo = false;
        return;
    }
    if (AValue->Owner() != nullptr) {
        if (FOwnsSocksInfo)
            delete FSocksInfo;
        FSocksInfo = AValue;
        FOwnsSocksInfo = false;
        AValue->FreeNotification(this);
    } else {
        if (!FOwnsSocksInfo)
            FSocksInfo = nullptr; // a previously set owned one is dropped
        AValue->AssignTo(SocksInfo());
    }
    FSocksInfo->SetIOHandler(this);
}

void TNetIOHandlerSocket::Notification(TComponent* AComponent, TOperation Operation)
{
    TNetIOHandler::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FSocksInfo && !FOwnsSocksInfo)
        FSocksInfo = nullptr;
}

void TNetIOHandlerSocket::ConnectClient(const std::string& AHost, int32_t APort, const std::string& ABoundIP,
                                        int32_t ABoundPort, int32_t ABoundPortMin, int32_t ABoundPortMax,
                                        int32_t ATimeout)
{
    TNetSocksInfo* socks = SocksInfo();
    const bool viaSocks = socks && socks->Version != svNoSocks;
    FViaSocks = viaSocks;
    const std::string host = viaSocks ? socks->Host : AHost;
    const int32_t port = viaSocks ? socks->Port : APort;

    FBinding->AllocateSocket();
    FBinding->SetIP(ABoundIP);
    FBinding->SetPort(ABoundPort);
    FBinding->SetClientPortMin(ABoundPortMin);
    FBinding->SetClientPortMax(ABoundPortMax);
    FBinding->Bind();

    if (!GStack->IsIP(host))
        DoStatus(hsResolving, {host});
    FBinding->SetPeer(GStack->ResolveHost(host), port);
    if (!UseNagle) {
        const int32_t on = 1;
        FBinding->SetSockOpt(Id_IPPROTO_TCP, Id_TCP_NODELAY, &on, sizeof on);
    }
    DoStatus(hsConnecting, {FBinding->PeerIP()});

    if (ATimeout != -1 && ATimeout != 0)
        ConnectWithTimeout(ATimeout);
    else if (TNetAntiFreezeBase::ShouldUse())
        ConnectWithTimeout(120000);
    else
        GStack->CheckForSocketError(FBinding->Connect(Id_PF_INET));

    if (socks)
        socks->MakeSocksConnection(AHost, APort, ATimeout > 0 ? ATimeout : 0);
}

// The socket connects without blocking while this thread waits for it in
// slices of 125 ms (or the anti-freeze's idle time), giving the anti-freeze a
// turn after each; a time-out closes the socket.
void TNetIOHandlerSocket::ConnectWithTimeout(int32_t ATimeout)
{
    const TNetStackSocketHandle socket = FBinding->Handle();
    ws2::u_long on = 1, off = 0;
    ws2::ioctlsocket(socket, ws2::FIONBIO, &on);
    int32_t result = FBinding->Connect(Id_PF_INET);
    int32_t error = 0;
    if (result == Id_SOCKET_ERROR) {
        error = GStack->WSGetLastError();
        if (error == ws2::WSAEWOULDBLOCK) {
            error = 0;
            const int32_t slice =
                TNetAntiFreezeBase::ShouldUse() ? std::min<int32_t>(GAntiFreeze->IdleTimeOut, 125) : 125;
            const auto deadline = Clock::now() + std::chrono::milliseconds(ATimeout > 0 ? ATimeout : 0);
            bool done = false;
            while (!done) {
                int32_t wait = slice;
                if (ATimeout != -2) {
                    const auto left =
                        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
                    if (left <= 0)
                        break;
                    wait = static_cast<int32_t>(std::min<int64_t>(left, slice));
                }
                TNetSocketListWindows writeList, errorList;
                writeList.Add(socket);
                errorList.Add(socket);
                GStack->CheckForSocketError(GStack->WSSelect(nullptr, &writeList, &errorList, wait));
                done = writeList.Count() > 0 || errorList.Count() > 0;
                TNetAntiFreezeBase::DoProcess(true);
            }
            if (!done) {
                Close();
                throw ENetConnectTimeout(NetMessageText(RSConnectTimeout));
            }
            int32_t len = sizeof error;
            GStack->WSGetSockOpt(socket, ws2::SOL_SOCKET, ws2::SO_ERROR, &error, len);
        }
    }
    if (error != 0)
        throw ENetConnectException(GStack->WSTranslateSocketErrorMsg(error));
    ws2::ioctlsocket(socket, ws2::FIONBIO, &off);
    FBinding->UpdateBindingLocal();
    FBinding->UpdateBindingPeer();
}
