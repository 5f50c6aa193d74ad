#pragma once
// The operating-system side of the mail library: the socket stack (socket
// calls, their error checks and texts, host resolution, IP address tests)
// and the socket list that select works on. One stack object, GStack, serves
// every connection of the process; the component base creates it with the
// first library component and frees it with the last.
#include "platform/rtl/Tobject.h"
#include "platform/sock/Winsock.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

class TStrings;

using TNetStackSocketHandle = ws2::SOCKET;
constexpr TNetStackSocketHandle Id_INVALID_SOCKET = ws2::INVALID_SOCKET;
constexpr int32_t Id_SOCKET_ERROR = ws2::SOCKET_ERROR;
constexpr int32_t Id_PF_INET = ws2::PF_INET;
constexpr int32_t Id_SOCK_STREAM = ws2::SOCK_STREAM;
constexpr int32_t Id_SOCK_DGRAM = ws2::SOCK_DGRAM;
constexpr int32_t Id_IPPROTO_TCP = ws2::IPPROTO_TCP;
constexpr int32_t Id_TCP_NODELAY = ws2::TCP_NODELAY;
constexpr int32_t Id_SD_Send = ws2::SD_SEND;

// A list of sockets as select takes them: at most 64.
class TNetSocketList : public TObject {
public:
    virtual TNetStackSocketHandle Item(int32_t AIndex) = 0;
    virtual void Add(TNetStackSocketHandle AHandle) = 0;
    virtual void Remove(TNetStackSocketHandle AHandle) = 0;
    virtual int32_t Count() = 0;
    static TNetSocketList* CreateSocketList();
};

class TNetSocketListWindows : public TNetSocketList {
public:
    TNetStackSocketHandle Item(int32_t AIndex) override;
    void Add(TNetStackSocketHandle AHandle) override;
    void Remove(TNetStackSocketHandle AHandle) override;
    int32_t Count() override { return static_cast<int32_t>(FFDSet.fd_count); }
    ws2::TFDSet& FDSet() { return FFDSet; }

private:
    ws2::TFDSet FFDSet{};
};

class TNetStack : public TObject {
public:
    TNetStack() = default;
    ~TNetStack() override;

    // An instance of the stack class chosen when the library starts.
    static TNetStack* CreateStack();

    // For a result of -1: keeps the stack's last error; true when it is one of
    // the ignored codes, else raises it. Other results return false.
    bool CheckForSocketError(int32_t AResult, std::initializer_list<int32_t> AIgnore = {});
    [[noreturn]] void RaiseSocketError(int32_t AErr);
    TNetStackSocketHandle CreateSocketHandle(int32_t ASocketType, int32_t AProtocol = 0);
    // True for four decimal numbers from 0 to 255 joined by dots.
    bool IsIP(const std::string& AIP);
    // "127.0.0.1" for localhost, an IP text as it is, else the resolver's first address.
    std::string ResolveHost(const std::string& AHost);
    ws2::TInAddr StringToTInAddr(const std::string& AIP);
    int32_t LastError() const { return FLastError; }
    const std::string& LocalAddress();
    TStrings* LocalAddresses();

    virtual void PopulateLocalAddresses() = 0;
    virtual std::string WSGetLocalAddress() = 0;
    virtual TStrings* WSGetLocalAddresses() = 0;
    virtual TNetStackSocketHandle WSAccept(TNetStackSocketHandle ASocket, std::string& VIP, int32_t& VPort) = 0;
    virtual int32_t WSBind(TNetStackSocketHandle ASocket, int32_t AFamily, const std::string& AIP, int32_t APort) = 0;
    virtual int32_t WSCloseSocket(TNetStackSocketHandle ASocket) = 0;
    virtual int32_t WSConnect(TNetStackSocketHandle ASocket, int32_t AFamily, const std::string& AIP,
                              int32_t APort) = 0;
    virtual std::string WSGetHostByName(const std::string& AHostName) = 0;
    virtual std::string WSGetHostName() = 0;
    virtual std::string WSGetHostByAddr(const std::string& AAddress) = 0;
    virtual int32_t WSGetServByName(const std::string& AServiceName) = 0;
    // A new list of the service's name and aliases (empty when unknown).
    virtual TStrings* WSGetServByPort(int32_t APortNumber) = 0;
    virtual uint16_t WSHToNs(uint16_t AHostShort) = 0;
    virtual int32_t WSListen(TNetStackSocketHandle ASocket, int32_t ABackLog) = 0;
    virtual uint16_t WSNToHs(uint16_t ANetShort) = 0;
    virtual uint32_t WSHToNL(uint32_t AHostLong) = 0;
    virtual uint32_t WSNToHL(uint32_t ANetLong) = 0;
    virtual int32_t WSRecv(TNetStackSocketHandle ASocket, void* ABuffer, int32_t ABufferLength, int32_t AFlags) = 0;
    virtual int32_t WSRecvFrom(TNetStackSocketHandle ASocket, void* ABuffer, int32_t ALength, int32_t AFlags,
                               std::string& VIP, int32_t& VPort) = 0;
    // Waits on the given lists (null for none); -2 waits without limit.
    virtual int32_t WSSelect(TNetSocketList* ARead, TNetSocketList* AWrite, TNetSocketList* AErrors,
                             int32_t ATimeout) = 0;
    virtual int32_t WSSend(TNetStackSocketHandle ASocket, const void* ABuffer, int32_t ABufferLength,
                           int32_t AFlags) = 0;
    virtual int32_t WSSendTo(TNetStackSocketHandle ASocket, const void* ABuffer, int32_t ABufferLength,
                             int32_t AFlags, const std::string& AIP, int32_t APort) = 0;
    virtual int32_t WSSetSockOpt(TNetStackSocketHandle ASocket, int32_t ALevel, int32_t AOptName,
                                 const void* AOptVal, int32_t AOptLen) = 0;
    virtual TNetStackSocketHandle WSSocket(int32_t AFamily, int32_t AStruct, int32_t AProtocol) = 0;
    virtual int32_t WSShutdown(TNetStackSocketHandle ASocket, int32_t AHow) = 0;
    // "Socket Error # %d\r\n%s" with the code's text (empty for codes without one).
    virtual std::string WSTranslateSocketErrorMsg(int32_t AErr);
    virtual int32_t WSGetLastError() = 0;
    virtual void WSGetPeerName(TNetStackSocketHandle ASocket, int32_t& VFamily, std::string& VIP,
                               int32_t& VPort) = 0;
    virtual void WSGetSockName(TNetStackSocketHandle ASocket, int32_t& VFamily, std::string& VIP,
                               int32_t& VPort) = 0;
    virtual int32_t WSGetSockOpt(TNetStackSocketHandle ASocket, int32_t ALevel, int32_t AOptName, void* AOptVal,
                                 int32_t& AOptLen) = 0;
    virtual std::string TInAddrToString(const ws2::TInAddr& AInAddr) = 0;
    virtual void TranslateStringToTInAddr(const std::string& AIP, ws2::TInAddr& AInAddr) = 0;

protected:
    int32_t FLastError = 0;
    std::string FLocalAddress;
    std::unique_ptr<TStrings> FLocalAddresses;
};

// The stack over the Winsock calls of platform/sock.
class TNetStackWindows : public TNetStack {
public:
    TNetStackWindows();

    void PopulateLocalAddresses() override;
    std::string WSGetLocalAddress() override;
    TStrings* WSGetLocalAddresses() override;
    TNetStackSocketHandle WSAccept(TNetStackSocketHandle ASocket, std::string& VIP, int32_t& VPort) override;
    int32_t WSBind(TNetStackSocketHandle ASocket, int32_t AFamily, const std::string& AIP, int32_t APort) override;
    int32_t WSCloseSocket(TNetStackSocketHandle ASocket) override;
    int32_t WSConnect(TNetStackSocketHandle ASocket, int32_t AFamily, const std::string& AIP, int32_t APort) override;
    std::string WSGetHostByName(const std::string& AHostName) override;
    std::string WSGetHostName() override;
    std::string WSGetHostByAddr(const std::string& AAddress) override;
    int32_t WSGetServByName(const std::string& AServiceName) override;
    TStrings* WSGetServByPort(int32_t APortNumber) override;
    uint16_t WSHToNs(uint16_t AHostShort) override { return ws2::htons(AHostShort); }
    int32_t WSListen(TNetStackSocketHandle ASocket, int32_t ABackLog) override;
    uint16_t WSNToHs(uint16_t ANetShort) override { return ws2::ntohs(ANetShort); }
    uint32_t WSHToNL(uint32_t AHostLong) override { return ws2::htonl(AHostLong); }
    uint32_t WSNToHL(uint32_t ANetLong) override { return ws2::ntohl(ANetLong); }
    int32_t WSRecv(TNetStackSocketHandle ASocket, void* ABuffer, int32_t ABufferLength, int32_t AFlags) override;
    int32_t WSRecvFrom(TNetStackSocketHandle ASocket, void* ABuffer, int32_t ALength, int32_t AFlags,
                       std::string& VIP, int32_t& VPort) override;
    int32_t WSSelect(TNetSocketList* ARead, TNetSocketList* AWrite, TNetSocketList* AErrors,
                     int32_t ATimeout) override;
    int32_t WSSend(TNetStackSocketHandle ASocket, const void* ABuffer, int32_t ABufferLength,
                   int32_t AFlags) override;
    int32_t WSSendTo(TNetStackSocketHandle ASocket, const void* ABuffer, int32_t ABufferLength, int32_t AFlags,
                     const std::string& AIP, int32_t APort) override;
    int32_t WSSetSockOpt(TNetStackSocketHandle ASocket, int32_t ALevel, int32_t AOptName, const void* AOptVal,
                         int32_t AOptLen) override;
    TNetStackSocketHandle WSSocket(int32_t AFamily, int32_t AStruct, int32_t AProtocol) override;
    int32_t WSShutdown(TNetStackSocketHandle ASocket, int32_t AHow) override;
    std::string WSTranslateSocketErrorMsg(int32_t AErr) override;
    int32_t WSGetLastError() override { return ws2::WSAGetLastError(); }
    void WSGetPeerName(TNetStackSocketHandle ASocket, int32_t& VFamily, std::string& VIP, int32_t& VPort) override;
    void WSGetSockName(TNetStackSocketHandle ASocket, int32_t& VFamily, std::string& VIP, int32_t& VPort) override;
    int32_t WSGetSockOpt(TNetStackSocketHandle ASocket, int32_t ALevel, int32_t AOptName, void* AOptVal,
                         int32_t& AOptLen) override;
    std::string TInAddrToString(const ws2::TInAddr& AInAddr) override;
    void TranslateStringToTInAddr(const std::string& AIP, ws2::TInAddr& AInAddr) override;
};

using TNetStackFactory = TNetStack* (*)();

// The stack class of the process (TNetStackWindows unless the library's
// start chose another) and the one stack object, while components exist.
extern TNetStackFactory GStackClass;
extern TNetStack* GStack;

// The file-transmit service: sends a whole file down a socket and returns
// its size, or 0 on failure. Null when the platform has none.
using TNetServeFile = int64_t (*)(TNetStackSocketHandle ASocket, const std::string& AFileName);
extern TNetServeFile GServeFileProc;
