#include "Scriptedserver.h"

void TScriptedPeer::Send(const std::string& ABytes)
{
    for (size_t done = 0; done < ABytes.size();) {
        int n = ws2::send(FSocket, ABytes.data() + done, static_cast<int>(ABytes.size() - done), 0);
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

std::string TScriptedPeer::ReadLine()
{
    for (;;) {
        size_t end = FPending.find("\r\n");
        if (end != std::string::npos) {
            std::string line = FPending.substr(0, end);
            FPending.erase(0, end + 2);
            return line;
        }
        char buf[65536];
        int n = ws2::recv(FSocket, buf, sizeof buf, 0);
        if (n <= 0)
            return std::string();
        Received.append(buf, static_cast<size_t>(n));
        FPending.append(buf, static_cast<size_t>(n));
    }
}

std::string TScriptedPeer::ReadBytes(size_t ACount)
{
    while (FPending.size() < ACount) {
        char buf[4096];
        int n = ws2::recv(FSocket, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        Received.append(buf, static_cast<size_t>(n));
        FPending.append(buf, static_cast<size_t>(n));
    }
    std::string out = FPending.substr(0, ACount);
    FPending.erase(0, out.size());
    return out;
}

void TScriptedPeer::Close()
{
    if (FSocket != ws2::INVALID_SOCKET)
        ws2::closesocket(FSocket);
    FSocket = ws2::INVALID_SOCKET;
}

void TScriptedPeer::Reset()
{
    const ws2::TLinger abort{1, 0};
    ws2::setsockopt(FSocket, ws2::SOL_SOCKET, ws2::SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    Close();
}

ws2::SOCKET LoopbackListener(int ABacklog, int& VPort)
{
    ws2::SOCKET listener = ws2::socket(ws2::AF_INET, ws2::SOCK_STREAM, 0);
    ws2::TSockAddrIn a{};
    a.sin_family = ws2::AF_INET;
    a.sin_addr.S_addr = ws2::inet_addr("127.0.0.1");
    ws2::bind(listener, reinterpret_cast<ws2::TSockAddr*>(&a), sizeof a);
    ws2::listen(listener, ABacklog);
    int len = sizeof a;
    ws2::getsockname(listener, reinterpret_cast<ws2::TSockAddr*>(&a), &len);
    VPort = ws2::ntohs(a.sin_port);
    return listener;
}

TScriptedServer::TScriptedServer(std::function<void(TScriptedPeer&)> AScript)
{
    ws2::TWSAData data;
    ws2::WSAStartup(0x0202, &data);
    FListener = LoopbackListener(4, FPort);
    FThread = std::thread([this, AScript] {
        ws2::SOCKET client = ws2::accept(FListener, nullptr, nullptr);
        if (client == ws2::INVALID_SOCKET)
            return;
        TScriptedPeer peer(client);
        AScript(peer);
        // Whatever the client still sends until it closes belongs to the record.
        ws2::TFDSet set{1, {client}};
        ws2::TTimeVal tv{0, 300000};
        while (!peer.Closed() && ws2::select(0, &set, nullptr, nullptr, &tv) == 1) {
            char buf[4096];
            int n = ws2::recv(client, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            peer.Received.append(buf, static_cast<size_t>(n));
            set = {1, {client}};
        }
        peer.Close();
        FReceived = peer.Received;
    });
}

TScriptedServer::~TScriptedServer()
{
    ws2::shutdown(FListener, ws2::SD_BOTH);
    ws2::closesocket(FListener);
    if (FThread.joinable())
        FThread.join();
    ws2::WSACleanup();
}

std::string TScriptedServer::Finish()
{
    if (FThread.joinable())
        FThread.join();
    return FReceived;
}
