// Winsock calls over POSIX sockets, poll and getaddrinfo.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

// The system's values of names that Winsock gives other values (or that the
// system defines as macros), taken before the macros are removed below.
namespace posix {
constexpr int kSolSocket = SOL_SOCKET;
constexpr int kSoDebug = SO_DEBUG;
constexpr int kSoAcceptConn = SO_ACCEPTCONN;
constexpr int kSoReuseAddr = SO_REUSEADDR;
constexpr int kSoKeepAlive = SO_KEEPALIVE;
constexpr int kSoDontRoute = SO_DONTROUTE;
constexpr int kSoBroadcast = SO_BROADCAST;
constexpr int kSoLinger = SO_LINGER;
constexpr int kSoOobInline = SO_OOBINLINE;
constexpr int kSoSndBuf = SO_SNDBUF;
constexpr int kSoRcvBuf = SO_RCVBUF;
constexpr int kSoSndTimeo = SO_SNDTIMEO;
constexpr int kSoRcvTimeo = SO_RCVTIMEO;
constexpr int kSoError = SO_ERROR;
constexpr int kSoType = SO_TYPE;
constexpr int kIpProtoTcp = IPPROTO_TCP;
constexpr int kTcpNoDelay = TCP_NODELAY;
constexpr int kAfInet = AF_INET;
constexpr int kSockStream = SOCK_STREAM;
constexpr int kSockDgram = SOCK_DGRAM;
constexpr int kMsgOob = MSG_OOB;
constexpr int kMsgPeek = MSG_PEEK;
constexpr int kSomaxconn = SOMAXCONN;
constexpr unsigned long kFionread = FIONREAD;
} // namespace posix

#undef AF_UNSPEC
#undef AF_INET
#undef PF_INET
#undef SOCK_STREAM
#undef SOCK_DGRAM
#undef IPPROTO_IP
#undef IPPROTO_TCP
#undef IPPROTO_UDP
#undef INADDR_ANY
#undef INADDR_LOOPBACK
#undef INADDR_NONE
#undef SOL_SOCKET
#undef SO_DEBUG
#undef SO_ACCEPTCONN
#undef SO_REUSEADDR
#undef SO_KEEPALIVE
#undef SO_DONTROUTE
#undef SO_BROADCAST
#undef SO_LINGER
#undef SO_OOBINLINE
#undef SO_SNDBUF
#undef SO_RCVBUF
#undef SO_SNDTIMEO
#undef SO_RCVTIMEO
#undef SO_ERROR
#undef SO_TYPE
#undef TCP_NODELAY
#undef MSG_OOB
#undef MSG_PEEK
#undef SOMAXCONN
#undef FIONREAD
#undef FIONBIO
#undef FD_SETSIZE
#undef htons
#undef ntohs
#undef htonl
#undef ntohl

#include "platform/kernel/Codepage.h"
#include "platform/sock/Winsock.h"

namespace ws2 {
namespace {

std::atomic<int> gStartCount{0};
thread_local int tLastError = 0;

int Fail(int code)
{
    tLastError = code;
    return SOCKET_ERROR;
}

int FailErrno() { return Fail(platform::WSAErrorFromErrno(errno)); }

// A blocking socket reports a send or receive time-out (SO_SNDTIMEO,
// SO_RCVTIMEO) as EAGAIN; Winsock calls it a timed-out connection.
int FailTransfer(int fd)
{
    if (errno == EAGAIN) {
        int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0 && (flags & O_NONBLOCK) == 0)
            return Fail(ws2::WSAETIMEDOUT);
    }
    return FailErrno();
}

bool Started()
{
    if (gStartCount.load() > 0)
        return true;
    tLastError = WSANOTINITIALISED;
    return false;
}

// The descriptor of a socket; -1 (with WSAENOTSOCK) for values no descriptor has.
int Fd(SOCKET s)
{
    if (s < 0 || s > INT_MAX) {
        tLastError = WSAENOTSOCK;
        return -1;
    }
    return static_cast<int>(s);
}

bool ToPosix(const TSockAddr* name, int namelen, sockaddr_in& out)
{
    if (name == nullptr || namelen < static_cast<int>(sizeof(TSockAddrIn))) {
        tLastError = WSAEFAULT;
        return false;
    }
    TSockAddrIn in;
    std::memcpy(&in, name, sizeof in);
    if (in.sin_family != AF_INET) {
        tLastError = WSAEAFNOSUPPORT;
        return false;
    }
    std::memset(&out, 0, sizeof out);
    out.sin_family = posix::kAfInet;
    out.sin_port = in.sin_port;
    out.sin_addr.s_addr = in.sin_addr.S_addr;
    return true;
}

bool FromPosix(const sockaddr_storage& from, TSockAddr* name, int* namelen)
{
    if (name == nullptr)
        return true;
    if (namelen == nullptr || *namelen < static_cast<int>(sizeof(TSockAddrIn))) {
        tLastError = WSAEFAULT;
        return false;
    }
    TSockAddrIn out{};
    if (from.ss_family == posix::kAfInet) {
        const auto& in = reinterpret_cast<const sockaddr_in&>(from);
        out.sin_family = AF_INET;
        out.sin_port = in.sin_port;
        out.sin_addr.S_addr = in.sin_addr.s_addr;
    }
    std::memcpy(name, &out, sizeof out);
    *namelen = sizeof out;
    return true;
}

// Waits for a connect that a signal interrupted and returns its outcome.
int FinishInterruptedConnect(int fd)
{
    pollfd p{fd, POLLOUT, 0};
    while (::poll(&p, 1, -1) < 0)
        if (errno != EINTR)
            return FailErrno();
    int error = 0;
    socklen_t len = sizeof error;
    if (::getsockopt(fd, posix::kSolSocket, posix::kSoError, &error, &len) < 0)
        return FailErrno();
    if (error != 0)
        return Fail(platform::WSAErrorFromErrno(error));
    return 0;
}

// Winsock's socket-level option names in the system's numbering; 0 when unknown.
int PosixSocketOption(int optname)
{
    switch (optname) {
    case SO_DEBUG: return posix::kSoDebug;
    case SO_ACCEPTCONN: return posix::kSoAcceptConn;
    case SO_REUSEADDR: return posix::kSoReuseAddr;
    case SO_KEEPALIVE: return posix::kSoKeepAlive;
    case SO_DONTROUTE: return posix::kSoDontRoute;
    case SO_BROADCAST: return posix::kSoBroadcast;
    case SO_LINGER: return posix::kSoLinger;
    case SO_OOBINLINE: return posix::kSoOobInline;
    case SO_SNDBUF: return posix::kSoSndBuf;
    case SO_RCVBUF: return posix::kSoRcvBuf;
    case SO_SNDTIMEO: return posix::kSoSndTimeo;
    case SO_RCVTIMEO: return posix::kSoRcvTimeo;
    case SO_ERROR: return posix::kSoError;
    case SO_TYPE: return posix::kSoType;
    default: return 0;
    }
}

// The sockets whose non-blocking connect has not been seen to succeed. Winsock puts
// a failed connect in the error set only, while a connection that broke later (a
// reset) is ready to read and to write, so that the call that meets the error is
// made; the system reports both alike, so the difference is remembered here.
class TConnectsUnderWay {
public:
    void Begin(int fd)
    {
        const std::lock_guard lock(FLock);
        if (std::find(FFds.begin(), FFds.end(), fd) == FFds.end())
            FFds.push_back(fd);
    }
    // The socket connected, or its descriptor was closed or given to another socket.
    void End(int fd)
    {
        const std::lock_guard lock(FLock);
        std::erase(FFds, fd);
    }
    bool Contains(int fd)
    {
        const std::lock_guard lock(FLock);
        return std::find(FFds.begin(), FFds.end(), fd) != FFds.end();
    }

private:
    std::mutex FLock;
    std::vector<int> FFds;
};

TConnectsUnderWay gConnects;

struct HostRecord {
    std::string name;
    std::vector<std::string> aliases;
    std::vector<std::string> addresses;
    std::vector<char*> aliasList;
    std::vector<char*> addressList;
    THostEnt entry{};

    THostEnt* Publish()
    {
        aliasList.clear();
        for (auto& a : aliases)
            aliasList.push_back(a.data());
        aliasList.push_back(nullptr);
        addressList.clear();
        for (auto& a : addresses)
            addressList.push_back(a.data());
        addressList.push_back(nullptr);
        entry.h_name = name.data();
        entry.h_aliases = aliasList.data();
        entry.h_addrtype = AF_INET;
        entry.h_length = 4;
        entry.h_addr_list = addressList.data();
        return &entry;
    }
};

struct ServiceRecord {
    std::string name;
    std::string proto;
    std::vector<std::string> aliases;
    std::vector<char*> aliasList;
    TServEnt entry{};
};

thread_local HostRecord tHost;
thread_local ServiceRecord tService;
thread_local char tAddressText[16];

TServEnt* PublishService(const servent& found)
{
    ServiceRecord& r = tService;
    r.name = found.s_name ? found.s_name : "";
    r.proto = found.s_proto ? found.s_proto : "";
    r.aliases.clear();
    for (char** a = found.s_aliases; a != nullptr && *a != nullptr; ++a)
        r.aliases.emplace_back(*a);
    r.aliasList.clear();
    for (auto& a : r.aliases)
        r.aliasList.push_back(a.data());
    r.aliasList.push_back(nullptr);
    r.entry.s_name = r.name.data();
    r.entry.s_aliases = r.aliasList.data();
    r.entry.s_port = static_cast<int16_t>(found.s_port);
    r.entry.s_proto = r.proto.data();
    return &r.entry;
}

} // namespace

int WSAStartup(uint16_t wVersionRequested, TWSAData* lpWSAData)
{
    if ((wVersionRequested & 0xff) < 2)
        return WSAVERNOTSUPPORTED;
    if (lpWSAData == nullptr)
        return WSAEFAULT;
    std::memset(lpWSAData, 0, sizeof *lpWSAData);
    lpWSAData->wVersion = 0x0202;
    lpWSAData->wHighVersion = 0x0202;
    std::strcpy(lpWSAData->szDescription, "Sockets over POSIX");
    std::strcpy(lpWSAData->szSystemStatus, "Running");
    ++gStartCount;
    return 0;
}

int WSACleanup()
{
    int count = gStartCount.load();
    while (count > 0 && !gStartCount.compare_exchange_weak(count, count - 1)) {
    }
    if (count <= 0)
        return Fail(WSANOTINITIALISED);
    return 0;
}

int WSAGetLastError() { return tLastError; }
void WSASetLastError(int iError) { tLastError = iError; }

SOCKET socket(int af, int type, int protocol)
{
    if (!Started())
        return INVALID_SOCKET;
    if (af != AF_INET) {
        tLastError = WSAEAFNOSUPPORT;
        return INVALID_SOCKET;
    }
    int posixType;
    if (type == SOCK_STREAM)
        posixType = posix::kSockStream;
    else if (type == SOCK_DGRAM)
        posixType = posix::kSockDgram;
    else {
        tLastError = WSAESOCKTNOSUPPORT;
        return INVALID_SOCKET;
    }
    int fd = ::socket(posix::kAfInet, posixType | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        FailErrno();
        return INVALID_SOCKET;
    }
    gConnects.End(fd);
    return fd;
}

int bind(SOCKET s, const TSockAddr* name, int namelen)
{
    int fd = Fd(s);
    sockaddr_in addr;
    if (fd < 0 || !ToPosix(name, namelen, addr))
        return SOCKET_ERROR;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0)
        return FailErrno();
    return 0;
}

int connect(SOCKET s, const TSockAddr* name, int namelen)
{
    int fd = Fd(s);
    sockaddr_in addr;
    if (fd < 0 || !ToPosix(name, namelen, addr))
        return SOCKET_ERROR;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
        return 0;
    if (errno == EINTR)
        return FinishInterruptedConnect(fd);
    if (errno == EINPROGRESS) {
        gConnects.Begin(fd);
        return Fail(WSAEWOULDBLOCK); // a non-blocking connect under way, as Winsock reports it
    }
    return FailErrno();
}

int listen(SOCKET s, int backlog)
{
    int fd = Fd(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (::listen(fd, backlog == SOMAXCONN ? posix::kSomaxconn : backlog) < 0)
        return FailErrno();
    return 0;
}

SOCKET accept(SOCKET s, TSockAddr* addr, int* addrlen)
{
    int fd = Fd(s);
    if (fd < 0)
        return INVALID_SOCKET;
    if (addr != nullptr && (addrlen == nullptr || *addrlen < static_cast<int>(sizeof(TSockAddrIn)))) {
        tLastError = WSAEFAULT;
        return INVALID_SOCKET;
    }
    sockaddr_storage peer;
    socklen_t len = sizeof peer;
    int client;
    do
        client = ::accept4(fd, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC);
    while (client < 0 && errno == EINTR);
    if (client < 0) {
        FailErrno();
        return INVALID_SOCKET;
    }
    gConnects.End(client);
    FromPosix(peer, addr, addrlen);
    return client;
}

int recv(SOCKET s, char* buf, int len, int flags)
{
    int fd = Fd(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (len < 0 || (buf == nullptr && len > 0))
        return Fail(WSAEFAULT);
    int posixFlags = ((flags & MSG_OOB) ? posix::kMsgOob : 0) | ((flags & MSG_PEEK) ? posix::kMsgPeek : 0);
    ssize_t got;
    do
        got = ::recv(fd, buf, static_cast<size_t>(len), posixFlags);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        return FailTransfer(fd);
    return static_cast<int>(got);
}

int send(SOCKET s, const char* buf, int len, int flags)
{
    int fd = Fd(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (len < 0 || (buf == nullptr && len > 0))
        return Fail(WSAEFAULT);
    int posixFlags = MSG_NOSIGNAL | ((flags & MSG_OOB) ? posix::kMsgOob : 0);
    ssize_t sent;
    do
        sent = ::send(fd, buf, static_cast<size_t>(len), posixFlags);
    while (sent < 0 && errno == EINTR);
    if (sent < 0)
        return FailTransfer(fd);
    return static_cast<int>(sent);
}

int recvfrom(SOCKET s, char* buf, int len, int flags, TSockAddr* from, int* fromlen)
{
    int fd = Fd(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (len < 0 || (buf == nullptr && len > 0))
        return Fail(WSAEFAULT);
    if (from != nullptr && (fromlen == nullptr || *fromlen < static_cast<int>(sizeof(TSockAddrIn))))
        return Fail(WSAEFAULT);
    int posixFlags = ((flags & MSG_OOB) ? posix::kMsgOob : 0) | ((flags & MSG_PEEK) ? posix::kMsgPeek : 0);
    sockaddr_storage peer{};
    socklen_t peerLen = sizeof peer;
    ssize_t got;
    do
        got = ::recvfrom(fd, buf, static_cast<size_t>(len), posixFlags, reinterpret_cast<sockaddr*>(&peer), &peerLen);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        return FailErrno();
    FromPosix(peer, from, fromlen);
    return static_cast<int>(got);
}

int sendto(SOCKET s, const char* buf, int len, int flags, const TSockAddr* to, int tolen)
{
    int fd = Fd(s);
    sockaddr_in addr;
    if (fd < 0 || !ToPosix(to, tolen, addr))
        return SOCKET_ERROR;
    if (len < 0 || (buf == nullptr && len > 0))
        return Fail(WSAEFAULT);
    int posixFlags = MSG_NOSIGNAL | ((flags & MSG_OOB) ? posix::kMsgOob : 0);
    ssize_t sent;
    do
        sent = ::sendto(fd, buf, static_cast<size_t>(len), posixFlags, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    while (sent < 0 && errno == EINTR);
    if (sent < 0)
        return FailErrno();
    return static_cast<int>(sent);
}

int shutdown(SOCKET s, int how)
{
    int fd = Fd(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (how < SD_RECEIVE || how > SD_BOTH)
        return Fail(WSAEINVAL);
    if (::shutdown(fd, how) < 0) // SD_* and SHUT_* share their values
        return FailErrno();
    return 0;
}

int closesocket(SOCKET s)
{
    int fd = Fd(s);
    if (fd < 0)
        return SOCKET_ERROR;
    gConnects.End(fd);
    // A close interrupted by a signal has released the descriptor all the same.
    if (::close(fd) < 0 && errno != EINTR)
        return FailErrno();
    return 0;
}

int ioctlsocket(SOCKET s, long cmd, u_long* argp)
{
    int fd = Fd(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (argp == nullptr)
        return Fail(WSAEFAULT);
    if (cmd == FIONBIO) {
        int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0)
            return FailErrno();
        flags = *argp ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
        if (::fcntl(fd, F_SETFL, flags) < 0)
            return FailErrno();
        return 0;
    }
    if (cmd == FIONREAD) {
        int pending = 0;
        if (::ioctl(fd, posix::kFionread, &pending) < 0)
            return FailErrno();
        *argp = static_cast<u_long>(pending);
        return 0;
    }
    return Fail(WSAEINVAL);
}

int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen)
{
    int fd = Fd(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (optval == nullptr)
        return Fail(WSAEFAULT);
    int result;
    if (level == SOL_SOCKET) {
        int option = PosixSocketOption(optname);
        if (option == 0 || optname == SO_ERROR || optname == SO_TYPE || optname == SO_ACCEPTCONN)
            return Fail(WSAENOPROTOOPT);
        if (optname == SO_LINGER) {
            if (optlen < static_cast<int>(sizeof(TLinger)))
                return Fail(WSAEFAULT);
            TLinger l;
            std::memcpy(&l, optval, sizeof l);
            linger pl{l.l_onoff != 0, l.l_linger};
            result = ::setsockopt(fd, posix::kSolSocket, option, &pl, sizeof pl);
        } else if (optname == SO_RCVTIMEO || optname == SO_SNDTIMEO) {
            if (optlen < static_cast<int>(sizeof(uint32_t)))
                return Fail(WSAEFAULT);
            uint32_t ms;
            std::memcpy(&ms, optval, sizeof ms); // Winsock's time-outs are milliseconds
            timeval tv{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>((ms % 1000) * 1000)};
            result = ::setsockopt(fd, posix::kSolSocket, option, &tv, sizeof tv);
        } else {
            if (optlen < 1)
                return Fail(WSAEFAULT);
            int value = 0;
            std::memcpy(&value, optval, std::min<size_t>(sizeof value, static_cast<size_t>(optlen)));
            result = ::setsockopt(fd, posix::kSolSocket, option, &value, sizeof value);
        }
    } else if (level == IPPROTO_TCP && optname == TCP_NODELAY) {
        if (optlen < 1)
            return Fail(WSAEFAULT);
        int value = 0;
        std::memcpy(&value, optval, std::min<size_t>(sizeof value, static_cast<size_t>(optlen)));
        result = ::setsockopt(fd, posix::kIpProtoTcp, posix::kTcpNoDelay, &value, sizeof value);
    } else {
        return Fail(WSAENOPROTOOPT);
    }
    if (result < 0)
        return FailErrno();
    return 0;
}

int getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen)
{
    int fd = Fd(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (optval == nullptr || optlen == nullptr)
        return Fail(WSAEFAULT);
    int posixLevel, option;
    if (level == SOL_SOCKET) {
        posixLevel = posix::kSolSocket;
        option = PosixSocketOption(optname);
    } else if (level == IPPROTO_TCP && optname == TCP_NODELAY) {
        posixLevel = posix::kIpProtoTcp;
        option = posix::kTcpNoDelay;
    } else {
        return Fail(WSAENOPROTOOPT);
    }
    if (option == 0)
        return Fail(WSAENOPROTOOPT);
    if (level == SOL_SOCKET && optname == SO_LINGER) {
        if (*optlen < static_cast<int>(sizeof(TLinger)))
            return Fail(WSAEFAULT);
        linger pl{};
        socklen_t len = sizeof pl;
        if (::getsockopt(fd, posixLevel, option, &pl, &len) < 0)
            return FailErrno();
        TLinger l{static_cast<u_short>(pl.l_onoff != 0), static_cast<u_short>(pl.l_linger)};
        std::memcpy(optval, &l, sizeof l);
        *optlen = sizeof l;
        return 0;
    }
    if (*optlen < static_cast<int>(sizeof(int)))
        return Fail(WSAEFAULT);
    int value = 0;
    if (level == SOL_SOCKET && (optname == SO_RCVTIMEO || optname == SO_SNDTIMEO)) {
        timeval tv{};
        socklen_t len = sizeof tv;
        if (::getsockopt(fd, posixLevel, option, &tv, &len) < 0)
            return FailErrno();
        value = static_cast<int>(tv.tv_sec * 1000 + tv.tv_usec / 1000);
    } else {
        socklen_t len = sizeof value;
        if (::getsockopt(fd, posixLevel, option, &value, &len) < 0)
            return FailErrno();
        if (level == SOL_SOCKET && optname == SO_ERROR)
            value = platform::WSAErrorFromErrno(value);
    }
    std::memcpy(optval, &value, sizeof value);
    *optlen = sizeof value;
    return 0;
}

int getpeername(SOCKET s, TSockAddr* name, int* namelen)
{
    int fd = Fd(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (name == nullptr)
        return Fail(WSAEFAULT);
    sockaddr_storage peer{};
    socklen_t len = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) < 0)
        return FailErrno();
    return FromPosix(peer, name, namelen) ? 0 : SOCKET_ERROR;
}

int getsockname(SOCKET s, TSockAddr* name, int* namelen)
{
    int fd = Fd(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (name == nullptr)
        return Fail(WSAEFAULT);
    sockaddr_storage local{};
    socklen_t len = sizeof local;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) < 0)
        return FailErrno();
    return FromPosix(local, name, namelen) ? 0 : SOCKET_ERROR;
}

int select(int, TFDSet* readfds, TFDSet* writefds, TFDSet* exceptfds, const TTimeVal* timeout)
{
    TFDSet* sets[3] = {readfds, writefds, exceptfds};
    const short events[3] = {POLLIN, POLLOUT, POLLPRI};
    std::vector<pollfd> polled;
    for (int k = 0; k < 3; ++k) {
        if (sets[k] == nullptr)
            continue;
        if (sets[k]->fd_count > static_cast<u_int>(SOCKET_SET_SIZE))
            return Fail(WSAEINVAL);
        for (u_int i = 0; i < sets[k]->fd_count; ++i) {
            int fd = Fd(sets[k]->fd_array[i]);
            if (fd < 0)
                return SOCKET_ERROR;
            auto it = std::find_if(polled.begin(), polled.end(), [fd](const pollfd& p) { return p.fd == fd; });
            if (it == polled.end())
                polled.push_back(pollfd{fd, events[k], 0});
            else
                it->events |= events[k];
        }
    }
    if (polled.empty())
        return Fail(WSAEINVAL); // Winsock refuses a wait on no socket at all
    if (timeout != nullptr && (timeout->tv_sec < 0 || timeout->tv_usec < 0))
        return Fail(WSAEINVAL);

    using Clock = std::chrono::steady_clock;
    const bool forever = timeout == nullptr;
    const auto deadline = Clock::now() + std::chrono::seconds(forever ? 0 : timeout->tv_sec) +
                          std::chrono::microseconds(forever ? 0 : timeout->tv_usec);
    int ready;
    for (;;) {
        int waitMs = -1;
        if (!forever) {
            auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
            waitMs = left <= 0 ? 0 : static_cast<int>(std::min<int64_t>((left + 999) / 1000, INT_MAX));
        }
        ready = ::poll(polled.data(), polled.size(), waitMs);
        if (ready >= 0 || errno != EINTR)
            break;
    }
    if (ready < 0)
        return FailErrno();

    for (const pollfd& p : polled)
        if (p.revents & POLLNVAL)
            return Fail(WSAENOTSOCK);
    // A connect under way ends writable (it succeeded) or in error (it failed).
    std::vector<int> failedConnects;
    for (const pollfd& p : polled)
        if ((p.revents & (POLLOUT | POLLERR)) == POLLOUT)
            gConnects.End(p.fd);
        else if ((p.revents & POLLERR) != 0 && gConnects.Contains(p.fd))
            failedConnects.push_back(p.fd);
    auto isReady = [&](int k, int fd) {
        auto it = std::find_if(polled.begin(), polled.end(), [fd](const pollfd& p) { return p.fd == fd; });
        const short r = it->revents;
        const bool failedConnect = std::find(failedConnects.begin(), failedConnects.end(), fd) != failedConnects.end();
        // A broken connection is writable too: the send tells its error.
        switch (k) {
        case 0: return (r & (POLLIN | POLLHUP | POLLERR)) != 0;
        case 1:
            return (r & (POLLOUT | POLLERR)) != 0 && !failedConnect;
        default:
            return (r & POLLPRI) != 0 || failedConnect;
        }
    };
    int count = 0;
    for (int k = 0; k < 3; ++k) {
        if (sets[k] == nullptr)
            continue;
        u_int kept = 0;
        for (u_int i = 0; i < sets[k]->fd_count; ++i)
            if (isReady(k, static_cast<int>(sets[k]->fd_array[i])))
                sets[k]->fd_array[kept++] = sets[k]->fd_array[i];
        sets[k]->fd_count = kept;
        count += static_cast<int>(kept);
    }
    return count;
}

THostEnt* gethostbyname(const char* name)
{
    if (!Started())
        return nullptr;
    if (name == nullptr) {
        tLastError = WSAEFAULT;
        return nullptr;
    }
    addrinfo hints{};
    hints.ai_family = posix::kAfInet;
    hints.ai_socktype = posix::kSockStream;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    int rc = ::getaddrinfo(name, nullptr, &hints, &found);
    if (rc != 0) {
        tLastError = platform::WSAErrorFromResolver(rc, errno);
        return nullptr;
    }
    HostRecord& r = tHost;
    r.name = (found->ai_canonname != nullptr) ? found->ai_canonname : name;
    r.aliases.clear();
    r.addresses.clear();
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (a->ai_family != posix::kAfInet)
            continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
        std::string bytes(reinterpret_cast<const char*>(&in->sin_addr.s_addr), 4);
        if (std::find(r.addresses.begin(), r.addresses.end(), bytes) == r.addresses.end())
            r.addresses.push_back(bytes);
    }
    ::freeaddrinfo(found);
    if (r.addresses.empty()) {
        tLastError = WSANO_DATA;
        return nullptr;
    }
    return r.Publish();
}

THostEnt* gethostbyaddr(const char* addr, int len, int type)
{
    if (!Started())
        return nullptr;
    if (addr == nullptr || len < 4) {
        tLastError = WSAEFAULT;
        return nullptr;
    }
    if (type != AF_INET) {
        tLastError = WSAEAFNOSUPPORT;
        return nullptr;
    }
    sockaddr_in in{};
    in.sin_family = posix::kAfInet;
    std::memcpy(&in.sin_addr.s_addr, addr, 4);
    char host[NI_MAXHOST];
    int rc = ::getnameinfo(reinterpret_cast<sockaddr*>(&in), sizeof in, host, sizeof host, nullptr, 0, NI_NAMEREQD);
    if (rc != 0) {
        tLastError = platform::WSAErrorFromResolver(rc, errno);
        return nullptr;
    }
    HostRecord& r = tHost;
    r.name = host;
    r.aliases.clear();
    r.addresses.assign(1, std::string(addr, 4));
    return r.Publish();
}

int gethostname(char* name, int namelen)
{
    if (!Started())
        return SOCKET_ERROR;
    if (name == nullptr || namelen <= 0)
        return Fail(WSAEFAULT);
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) < 0)
        return FailErrno();
    size_t n = std::strlen(host);
    if (n + 1 > static_cast<size_t>(namelen))
        return Fail(WSAEFAULT);
    std::memcpy(name, host, n + 1);
    return 0;
}

TServEnt* getservbyname(const char* name, const char* proto)
{
    if (!Started())
        return nullptr;
    if (name == nullptr) {
        tLastError = WSAEFAULT;
        return nullptr;
    }
    servent found;
    servent* result = nullptr;
    char buffer[4096];
    if (::getservbyname_r(name, proto, &found, buffer, sizeof buffer, &result) != 0 || result == nullptr) {
        tLastError = WSANO_DATA;
        return nullptr;
    }
    return PublishService(found);
}

TServEnt* getservbyport(int port, const char* proto)
{
    if (!Started())
        return nullptr;
    servent found;
    servent* result = nullptr;
    char buffer[4096];
    if (::getservbyport_r(port, proto, &found, buffer, sizeof buffer, &result) != 0 || result == nullptr) {
        tLastError = WSANO_DATA;
        return nullptr;
    }
    return PublishService(found);
}

u_long inet_addr(const char* cp)
{
    in_addr a;
    if (cp == nullptr || ::inet_aton(cp, &a) == 0)
        return INADDR_NONE;
    return a.s_addr;
}

char* inet_ntoa(TInAddr in)
{
    const auto* b = reinterpret_cast<const uint8_t*>(&in.S_addr);
    std::snprintf(tAddressText, sizeof tAddressText, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return tAddressText;
}

u_short htons(u_short hostshort)
{
    if constexpr (std::endian::native == std::endian::little)
        return static_cast<u_short>((hostshort << 8) | (hostshort >> 8));
    return hostshort;
}

u_short ntohs(u_short netshort) { return htons(netshort); }

u_long htonl(u_long hostlong)
{
    if constexpr (std::endian::native == std::endian::little)
        return __builtin_bswap32(hostlong);
    return hostlong;
}

u_long ntohl(u_long netlong) { return htonl(netlong); }

int64_t TransmitFile(SOCKET s, const char* fileName)
{
    int fd = Fd(s);
    if (fd < 0)
        return SOCKET_ERROR;
    if (fileName == nullptr)
        return Fail(WSAEFAULT);
    int file = ::open(platform::AnsiToUtf8(fileName).c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return FailErrno();
    std::vector<char> buffer(256 * 1024);
    int64_t total = 0;
    for (;;) {
        ssize_t got = ::read(file, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            FailErrno();
            ::close(file);
            return SOCKET_ERROR;
        }
        if (got == 0)
            break;
        for (ssize_t done = 0; done < got;) {
            int sent = send(s, buffer.data() + done, static_cast<int>(got - done), 0);
            if (sent == SOCKET_ERROR) {
                ::close(file);
                return SOCKET_ERROR;
            }
            done += sent;
        }
        total += got;
    }
    ::close(file);
    return total;
}

} // namespace ws2
