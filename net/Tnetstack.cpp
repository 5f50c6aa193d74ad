#include "net/Tnetstack.h"

#include "net/Enetexception.h"
#include "net/Netmessages.h"
#include "net/Nettext.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numconv.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tstringlist.h"

#include <atomic>
#include <cstring>

namespace {

TNetStack* NewStackWindows() { return new TNetStackWindows(); }

int64_t ServeFile(TNetStackSocketHandle ASocket, const std::string& AFileName)
{
    const int64_t sent = ws2::TransmitFile(ASocket, AFileName.c_str());
    return sent < 0 ? 0 : sent;
}

std::atomic<bool> GStarted{false};

// The text of each socket error code the stack reports.
struct TErrorText {
    int32_t Code;
    uint16_t Id;
};
constexpr TErrorText ErrorTexts[] = {
    {ws2::WSAEINTR, RSStackEINTR},
    {ws2::WSAEBADF, RSStackEBADF},
    {ws2::WSAEACCES, RSStackEACCES},
    {ws2::WSAEFAULT, RSStackEFAULT},
    {ws2::WSAEINVAL, RSStackEINVAL},
    {ws2::WSAEMFILE, RSStackEMFILE},
    {ws2::WSAEWOULDBLOCK, RSStackEWOULDBLOCK},
    {ws2::WSAEINPROGRESS, RSStackEINPROGRESS},
    {ws2::WSAEALREADY, RSStackEALREADY},
    {ws2::WSAENOTSOCK, RSStackENOTSOCK},
    {ws2::WSAEDESTADDRREQ, RSStackEDESTADDRREQ},
    {ws2::WSAEMSGSIZE, RSStackEMSGSIZE},
    {ws2::WSAEPROTOTYPE, RSStackEPROTOTYPE},
    {ws2::WSAENOPROTOOPT, RSStackENOPROTOOPT},
    {ws2::WSAEPROTONOSUPPORT, RSStackEPROTONOSUPPORT},
    {ws2::WSAESOCKTNOSUPPORT, RSStackESOCKTNOSUPPORT},
    {ws2::WSAEOPNOTSUPP, RSStackEOPNOTSUPP},
    {ws2::WSAEPFNOSUPPORT, RSStackEPFNOSUPPORT},
    {ws2::WSAEAFNOSUPPORT, RSStackEAFNOSUPPORT},
    {ws2::WSAEADDRINUSE, RSStackEADDRINUSE},
    {ws2::WSAEADDRNOTAVAIL, RSStackEADDRNOTAVAIL},
    {ws2::WSAENETDOWN, RSStackENETDOWN},
    {ws2::WSAENETUNREACH, RSStackENETUNREACH},
    {ws2::WSAENETRESET, RSStackENETRESET},
    {ws2::WSAECONNABORTED, RSStackECONNABORTED},
    {ws2::WSAECONNRESET, RSStackECONNRESET},
    {ws2::WSAENOBUFS, RSStackENOBUFS},
    {ws2::WSAEISCONN, RSStackEISCONN},
    {ws2::WSAENOTCONN, RSStackENOTCONN},
    {ws2::WSAESHUTDOWN, RSStackESHUTDOWN},
    {ws2::WSAETOOMANYREFS, RSStackETOOMANYREFS},
    {ws2::WSAETIMEDOUT, RSStackETIMEDOUT},
    {ws2::WSAECONNREFUSED, RSStackECONNREFUSED},
    {ws2::WSAELOOP, RSStackELOOP},
    {ws2::WSAENAMETOOLONG, RSStackENAMETOOLONG},
    {ws2::WSAEHOSTDOWN, RSStackEHOSTDOWN},
    {ws2::WSAEHOSTUNREACH, RSStackEHOSTUNREACH},
    {ws2::WSAENOTEMPTY, RSStackENOTEMPTY},
};

// Codes the socket layer raises from system errors and resolver results for which the
// string table holds no text.
struct TPlatformErrorText {
    int32_t Code;
    const char* Text;
};
constexpr TPlatformErrorText PlatformErrorTexts[] = {
    {ws2::WSAEUSERS, "Too many users."},
    {ws2::WSAEDQUOT, "Disk quota exceeded."},
    {ws2::WSAESTALE, "Stale file handle."},
    {ws2::WSAEREMOTE, "Object is remote."},
    {ws2::WSATRY_AGAIN, "Name server did not answer; try again later."},
    {ws2::WSANO_RECOVERY, "Name server failure."},
    {ws2::WSANO_DATA, "The name has no address of the requested type."},
    {ws2::WSATYPE_NOT_FOUND, "Service not found."},
};

bool IsDecimalByte(const std::string& APart)
{
    if (APart.empty() || APart.size() > 3)
        return false;
    for (char c : APart)
        if (c < '0' || c > '9')
            return false;
    return std::stoi(APart) <= 255;
}

ws2::TSockAddrIn SockAddr(const std::string& AIP, int32_t APort, TNetStack* AStack)
{
    ws2::TSockAddrIn a{};
    a.sin_family = ws2::AF_INET;
    if (!AIP.empty())
        AStack->TranslateStringToTInAddr(AIP, a.sin_addr);
    a.sin_port = ws2::htons(static_cast<uint16_t>(APort));
    return a;
}

} // namespace

TNetStackFactory GStackClass = NewStackWindows;
TNetStack* GStack = nullptr;
TNetServeFile GServeFileProc = ServeFile;

TNetSocketList* TNetSocketList::CreateSocketList() { return new TNetSocketListWindows(); }

TNetStackSocketHandle TNetSocketListWindows::Item(int32_t AIndex)
{
    if (AIndex < 0 || AIndex >= Count())
        throw ENetStackSetSizeExceeded(NetMessageText(RSSetSizeExceeded));
    return FFDSet.fd_array[AIndex];
}

void TNetSocketListWindows::Add(TNetStackSocketHandle AHandle)
{
    if (FFDSet.fd_count >= static_cast<uint32_t>(ws2::SOCKET_SET_SIZE))
        throw ENetStackSetSizeExceeded(NetMessageText(RSSetSizeExceeded));
    FFDSet.fd_array[FFDSet.fd_count++] = AHandle;
}

void TNetSocketListWindows::Remove(TNetStackSocketHandle AHandle)
{
    for (uint32_t i = 0; i < FFDSet.fd_count; ++i)
        if (FFDSet.fd_array[i] == AHandle) {
            FFDSet.fd_array[i] = FFDSet.fd_array[--FFDSet.fd_count];
            return;
        }
}

TNetStack::~TNetStack() = default;

TNetStack* TNetStack::CreateStack() { return GStackClass(); }

bool TNetStack::CheckForSocketError(int32_t AResult, std::initializer_list<int32_t> AIgnore)
{
    if (AResult != Id_SOCKET_ERROR)
        return false;
    FLastError = WSGetLastError();
    for (int32_t code : AIgnore)
        if (code == FLastError)
            return true;
    RaiseSocketError(FLastError);
}

void TNetStack::RaiseSocketError(int32_t AErr) { throw ENetSocketError(AErr, WSTranslateSocketErrorMsg(AErr)); }

TNetStackSocketHandle TNetStack::CreateSocketHandle(int32_t ASocketType, int32_t AProtocol)
{
    TNetStackSocketHandle handle = WSSocket(Id_PF_INET, ASocketType, AProtocol);
    if (handle == Id_INVALID_SOCKET)
        throw ENetInvalidSocket(NetMessageText(RSCannotAllocateSocket));
    return handle;
}

bool TNetStack::IsIP(const std::string& AIP)
{
    std::string rest = AIP;
    for (int i = 0; i < 3; ++i) {
        const size_t dot = rest.find('.');
        if (dot == std::string::npos || !IsDecimalByte(rest.substr(0, dot)))
            return false;
        rest.erase(0, dot + 1);
    }
    return IsDecimalByte(rest);
}

std::string TNetStack::ResolveHost(const std::string& AHost)
{
    if (SameText(AHost, "LOCALHOST"))
        return "127.0.0.1";
    if (IsIP(AHost))
        return AHost;
    return WSGetHostByName(AHost);
}

ws2::TInAddr TNetStack::StringToTInAddr(const std::string& AIP)
{
    ws2::TInAddr a{};
    TranslateStringToTInAddr(AIP, a);
    return a;
}

const std::string& TNetStack::LocalAddress()
{
    FLocalAddress = WSGetLocalAddress();
    return FLocalAddress;
}

TStrings* TNetStack::LocalAddresses()
{
    if (!FLocalAddresses) {
        FLocalAddresses = std::make_unique<TStringList>();
        PopulateLocalAddresses();
    }
    return FLocalAddresses.get();
}

std::string TNetStack::WSTranslateSocketErrorMsg(int32_t AErr)
{
    std::string text;
    for (const TErrorText& e : ErrorTexts)
        if (e.Code == AErr)
            text = NetMessageText(e.Id);
    for (const TPlatformErrorText& e : PlatformErrorTexts)
        if (e.Code == AErr)
            text = e.Text;
    return Format(NetMessageText(RSStackError), {AErr, text});
}

TNetStackWindows::TNetStackWindows()
{
    // Started once per process, as the platform's socket library is.
    if (!GStarted.exchange(true)) {
        ws2::TWSAData data;
        if (ws2::WSAStartup(0x0202, &data) != 0) {
            GStarted = false;
            throw ENetStackInitializationFailed(NetMessageText(RSWinsockInitializationError));
        }
    }
}

void TNetStackWindows::PopulateLocalAddresses()
{
    if (!FLocalAddresses)
        FLocalAddresses = std::make_unique<TStringList>();
    FLocalAddresses->Clear();
    ws2::THostEnt* host = ws2::gethostbyname(WSGetHostName().c_str());
    if (host == nullptr)
        RaiseSocketError(ws2::WSAGetLastError());
    for (char** a = host->h_addr_list; *a != nullptr; ++a) {
        ws2::TInAddr in;
        std::memcpy(&in, *a, 4);
        FLocalAddresses->Add(TInAddrToString(in));
    }
}

std::string TNetStackWindows::WSGetLocalAddress()
{
    TStrings* list = WSGetLocalAddresses();
    return list->Count() > 0 ? list->Strings(0) : std::string();
}

TStrings* TNetStackWindows::WSGetLocalAddresses()
{
    PopulateLocalAddresses();
    return FLocalAddresses.get();
}

TNetStackSocketHandle TNetStackWindows::WSAccept(TNetStackSocketHandle ASocket, std::string& VIP, int32_t& VPort)
{
    ws2::TSockAddrIn a{};
    int len = sizeof a;
    TNetStackSocketHandle result = ws2::accept(ASocket, reinterpret_cast<ws2::TSockAddr*>(&a), &len);
    if (result != Id_INVALID_SOCKET) {
        VIP = TInAddrToString(a.sin_addr);
        VPort = ws2::ntohs(a.sin_port);
    }
    return result;
}

int32_t TNetStackWindows::WSBind(TNetStackSocketHandle ASocket, int32_t, const std::string& AIP, int32_t APort)
{
    ws2::TSockAddrIn a = SockAddr(AIP, APort, this);
    return ws2::bind(ASocket, reinterpret_cast<ws2::TSockAddr*>(&a), sizeof a);
}

int32_t TNetStackWindows::WSCloseSocket(TNetStackSocketHandle ASocket) { return ws2::closesocket(ASocket); }

int32_t TNetStackWindows::WSConnect(TNetStackSocketHandle ASocket, int32_t, const std::string& AIP, int32_t APort)
{
    ws2::TSockAddrIn a = SockAddr(AIP, APort, this);
    return ws2::connect(ASocket, reinterpret_cast<ws2::TSockAddr*>(&a), sizeof a);
}

std::string TNetStackWindows::WSGetHostByName(const std::string& AHostName)
{
    ws2::THostEnt* host = ws2::gethostbyname(AHostName.c_str());
    if (host == nullptr)
        RaiseSocketError(ws2::WSAGetLastError());
    ws2::TInAddr in;
    std::memcpy(&in, host->h_addr_list[0], 4);
    return TInAddrToString(in);
}

std::string TNetStackWindows::WSGetHostName()
{
    char name[250] = {};
    ws2::gethostname(name, sizeof name);
    return name;
}

std::string TNetStackWindows::WSGetHostByAddr(const std::string& AAddress)
{
    ws2::u_long addr = ws2::inet_addr(AAddress.c_str());
    ws2::THostEnt* host = ws2::gethostbyaddr(reinterpret_cast<const char*>(&addr), 4, ws2::AF_INET);
    if (host == nullptr)
        RaiseSocketError(ws2::WSAGetLastError());
    return host->h_name;
}

int32_t TNetStackWindows::WSGetServByName(const std::string& AServiceName)
{
    if (ws2::TServEnt* s = ws2::getservbyname(AServiceName.c_str(), nullptr))
        return ws2::ntohs(static_cast<uint16_t>(s->s_port));
    int port;
    if (TryStrToInt(AServiceName, port))
        return port;
    throw ENetInvalidServiceName(Format(NetMessageText(RSInvalidServiceName), {AServiceName}));
}

TStrings* TNetStackWindows::WSGetServByPort(int32_t APortNumber)
{
    auto* list = new TStringList();
    if (ws2::TServEnt* s = ws2::getservbyport(ws2::htons(static_cast<uint16_t>(APortNumber)), nullptr)) {
        list->Add(s->s_name);
        for (char** a = s->s_aliases; *a != nullptr; ++a)
            list->Add(*a);
    }
    return list;
}

int32_t TNetStackWindows::WSListen(TNetStackSocketHandle ASocket, int32_t ABackLog)
{
    return ws2::listen(ASocket, ABackLog);
}

int32_t TNetStackWindows::WSRecv(TNetStackSocketHandle ASocket, void* ABuffer, int32_t ABufferLength, int32_t AFlags)
{
    return ws2::recv(ASocket, static_cast<char*>(ABuffer), ABufferLength, AFlags);
}

int32_t TNetStackWindows::WSRecvFrom(TNetStackSocketHandle ASocket, void* ABuffer, int32_t ALength, int32_t AFlags,
                                     std::string& VIP, int32_t& VPort)
{
    ws2::TSockAddrIn a{};
    int len = sizeof a;
    int32_t result =
        ws2::recvfrom(ASocket, static_cast<char*>(ABuffer), ALength, AFlags, reinterpret_cast<ws2::TSockAddr*>(&a), &len);
    VIP = TInAddrToString(a.sin_addr);
    VPort = ws2::ntohs(a.sin_port);
    return result;
}

int32_t TNetStackWindows::WSSelect(TNetSocketList* ARead, TNetSocketList* AWrite, TNetSocketList* AErrors,
                                   int32_t ATimeout)
{
    TNetSocketList* lists[3] = {ARead, AWrite, AErrors};
    ws2::TFDSet sets[3]{};
    for (int k = 0; k < 3; ++k) {
        if (lists[k] == nullptr)
            continue;
        if (lists[k]->Count() > ws2::SOCKET_SET_SIZE)
            throw ENetStackSetSizeExceeded(NetMessageText(RSSetSizeExceeded));
        for (int32_t i = 0; i < lists[k]->Count(); ++i)
            sets[k].fd_array[sets[k].fd_count++] = lists[k]->Item(i);
    }
    ws2::TTimeVal tv{ATimeout / 1000, (ATimeout % 1000) * 1000};
    const int32_t result = ws2::select(0, ARead ? &sets[0] : nullptr, AWrite ? &sets[1] : nullptr,
                                       AErrors ? &sets[2] : nullptr, ATimeout == -2 ? nullptr : &tv);
    for (int k = 0; k < 3; ++k) {
        if (lists[k] == nullptr)
            continue;
        while (lists[k]->Count() > 0)
            lists[k]->Remove(lists[k]->Item(0));
        for (uint32_t i = 0; i < sets[k].fd_count; ++i)
            lists[k]->Add(sets[k].fd_array[i]);
    }
    return result;
}

int32_t TNetStackWindows::WSSend(TNetStackSocketHandle ASocket, const void* ABuffer, int32_t ABufferLength,
                                 int32_t AFlags)
{
    return ws2::send(ASocket, static_cast<const char*>(ABuffer), ABufferLength, AFlags);
}

int32_t TNetStackWindows::WSSendTo(TNetStackSocketHandle ASocket, const void* ABuffer, int32_t ABufferLength,
                                   int32_t AFlags, const std::string& AIP, int32_t APort)
{
    ws2::TSockAddrIn a = SockAddr(AIP, APort, this);
    return ws2::sendto(ASocket, static_cast<const char*>(ABuffer), ABufferLength, AFlags,
                       reinterpret_cast<ws2::TSockAddr*>(&a), sizeof a);
}

int32_t TNetStackWindows::WSSetSockOpt(TNetStackSocketHandle ASocket, int32_t ALevel, int32_t AOptName,
                                       const void* AOptVal, int32_t AOptLen)
{
    return ws2::setsockopt(ASocket, ALevel, AOptName, static_cast<const char*>(AOptVal), AOptLen);
}

TNetStackSocketHandle TNetStackWindows::WSSocket(int32_t AFamily, int32_t AStruct, int32_t AProtocol)
{
    return ws2::socket(AFamily, AStruct, AProtocol);
}

int32_t TNetStackWindows::WSShutdown(TNetStackSocketHandle ASocket, int32_t AHow)
{
    return ws2::shutdown(ASocket, AHow);
}

std::string TNetStackWindows::WSTranslateSocketErrorMsg(int32_t AErr)
{
    if (AErr == ws2::WSAHOST_NOT_FOUND)
        return Format(NetMessageText(RSStackError), {AErr, NetMessageText(RSStackHOST_NOT_FOUND)});
    return TNetStack::WSTranslateSocketErrorMsg(AErr);
}

void TNetStackWindows::WSGetPeerName(TNetStackSocketHandle ASocket, int32_t& VFamily, std::string& VIP,
                                     int32_t& VPort)
{
    ws2::TSockAddrIn a{};
    int len = sizeof a;
    CheckForSocketError(ws2::getpeername(ASocket, reinterpret_cast<ws2::TSockAddr*>(&a), &len));
    VFamily = a.sin_family;
    VIP = TInAddrToString(a.sin_addr);
    VPort = ws2::ntohs(a.sin_port);
}

void TNetStackWindows::WSGetSockName(TNetStackSocketHandle ASocket, int32_t& VFamily, std::string& VIP,
                                     int32_t& VPort)
{
    ws2::TSockAddrIn a{};
    int len = sizeof a;
    CheckForSocketError(ws2::getsockname(ASocket, reinterpret_cast<ws2::TSockAddr*>(&a), &len));
    VFamily = a.sin_family;
    VIP = TInAddrToString(a.sin_addr);
    VPort = ws2::ntohs(a.sin_port);
}

int32_t TNetStackWindows::WSGetSockOpt(TNetStackSocketHandle ASocket, int32_t ALevel, int32_t AOptName,
                                       void* AOptVal, int32_t& AOptLen)
{
    int len = AOptLen;
    int32_t result = ws2::getsockopt(ASocket, ALevel, AOptName, static_cast<char*>(AOptVal), &len);
    AOptLen = len;
    return result;
}

std::string TNetStackWindows::TInAddrToString(const ws2::TInAddr& AInAddr)
{
    const auto* b = reinterpret_cast<const uint8_t*>(&AInAddr.S_addr);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]);
}

void TNetStackWindows::TranslateStringToTInAddr(const std::string& AIP, ws2::TInAddr& AInAddr)
{
    uint8_t bytes[4] = {};
    std::string rest = AIP;
    for (int i = 0; i < 4; ++i) {
        std::string part = CutToken(rest, ".");
        int value = 0;
        TryStrToInt(Trim(part), value);
        bytes[i] = static_cast<uint8_t>(value);
    }
    std::memcpy(&AInAddr.S_addr, bytes, 4);
}
