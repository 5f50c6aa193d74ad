#pragma once
// A server of one connection on 127.0.0.1 for tests: a thread listens on a
// free port, accepts one client and runs the test's script against it.
#include "platform/sock/Winsock.h"

#include <functional>
#include <string>
#include <thread>

class TScriptedPeer {
public:
    explicit TScriptedPeer(ws2::SOCKET ASocket) : FSocket(ASocket) {}
    void Send(const std::string& ABytes);
    // The next line without CR LF; empty when the client closed.
    std::string ReadLine();
    // Exactly ACount bytes (fewer when the client closed).
    std::string ReadBytes(size_t ACount);
    void Close();
    // Ends the connection with a reset, as a peer that aborts it or dies does.
    void Reset();
    bool Closed() const { return FSocket == ws2::INVALID_SOCKET; }
    // Everything the client sent, in order.
    std::string Received;

private:
    ws2::SOCKET FSocket;
    std::string FPending;
};

// A socket listening on a free port of 127.0.0.1 (the caller has started the
// socket layer); its port in VPort.
ws2::SOCKET LoopbackListener(int ABacklog, int& VPort);

// Points a client at a port of 127.0.0.1 with a read time-out of 5 s.
template <class TClient>
void PointAt(TClient& AClient, int APort)
{
    AClient.SetHost("127.0.0.1");
    AClient.SetPort(APort);
    AClient.SetReadTimeout(5000);
}

class TScriptedServer {
public:
    explicit TScriptedServer(std::function<void(TScriptedPeer&)> AScript);
    ~TScriptedServer();
    int Port() const { return FPort; }
    // Waits for the script to end; what the client sent.
    std::string Finish();

private:
    ws2::SOCKET FListener;
    int FPort = 0;
    std::thread FThread;
    std::string FReceived;
};
