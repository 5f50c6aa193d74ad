#pragma once
// Winsock 2 as the mail library calls it, over POSIX sockets.
//
// Everything lives in namespace ws2, as many of the names are those of the
// system's own socket interface. The calls keep Winsock's meaning: failures
// return SOCKET_ERROR (or INVALID_SOCKET, or null) and leave a 100xx/110xx
// code for WSAGetLastError, kept per thread; send never raises SIGPIPE;
// interrupted system calls are retried; the socket set is Winsock's list of
// at most 64 sockets. There is no library to load: WSAStartup only counts.
//
// Do not include this header together with the system's socket headers: they
// define several of these names as macros.
#include <cstdint>

namespace ws2 {

using SOCKET = intptr_t;
using u_char = uint8_t;
using u_short = uint16_t;
using u_int = uint32_t;
using u_long = uint32_t;

inline constexpr SOCKET INVALID_SOCKET = -1;
inline constexpr int SOCKET_ERROR = -1;

inline constexpr int AF_UNSPEC = 0;
inline constexpr int AF_INET = 2;
inline constexpr int PF_INET = AF_INET;
inline constexpr int SOCK_STREAM = 1;
inline constexpr int SOCK_DGRAM = 2;
inline constexpr int IPPROTO_IP = 0;
inline constexpr int IPPROTO_TCP = 6;
inline constexpr int IPPROTO_UDP = 17;

inline constexpr u_long INADDR_ANY = 0x00000000;
inline constexpr u_long INADDR_LOOPBACK = 0x7f000001;
inline constexpr u_long INADDR_NONE = 0xffffffff;

inline constexpr int SOL_SOCKET = 0xffff;
inline constexpr int SO_DEBUG = 0x0001;
inline constexpr int SO_ACCEPTCONN = 0x0002;
inline constexpr int SO_REUSEADDR = 0x0004;
inline constexpr int SO_KEEPALIVE = 0x0008;
inline constexpr int SO_DONTROUTE = 0x0010;
inline constexpr int SO_BROADCAST = 0x0020;
inline constexpr int SO_LINGER = 0x0080;
inline constexpr int SO_OOBINLINE = 0x0100;
inline constexpr int SO_SNDBUF = 0x1001;
inline constexpr int SO_RCVBUF = 0x1002;
inline constexpr int SO_SNDTIMEO = 0x1005;
inline constexpr int SO_RCVTIMEO = 0x1006;
inline constexpr int SO_ERROR = 0x1007;
inline constexpr int SO_TYPE = 0x1008;
inline constexpr int TCP_NODELAY = 0x0001;

inline constexpr int MSG_OOB = 0x1;
inline constexpr int MSG_PEEK = 0x2;

inline constexpr int SD_RECEIVE = 0;
inline constexpr int SD_SEND = 1;
inline constexpr int SD_BOTH = 2;

inline constexpr int SOMAXCONN = 0x7fffffff;
inline constexpr long FIONREAD = 0x4004667f;
inline constexpr long FIONBIO = static_cast<long>(0x8004667eu);

// Winsock's FD_SETSIZE, a name the system defines as a macro.
inline constexpr int SOCKET_SET_SIZE = 64;

// Error codes left for WSAGetLastError.
enum : int {
    WSABASEERR = 10000,
    WSAEINTR = 10004,
    WSAEBADF = 10009,
    WSAEACCES = 10013,
    WSAEFAULT = 10014,
    WSAEINVAL = 10022,
    WSAEMFILE = 10024,
    WSAEWOULDBLOCK = 10035,
    WSAEINPROGRESS = 10036,
    WSAEALREADY = 10037,
    WSAENOTSOCK = 10038,
    WSAEDESTADDRREQ = 10039,
    WSAEMSGSIZE = 10040,
    WSAEPROTOTYPE = 10041,
    WSAENOPROTOOPT = 10042,
    WSAEPROTONOSUPPORT = 10043,
    WSAESOCKTNOSUPPORT = 10044,
    WSAEOPNOTSUPP = 10045,
    WSAEPFNOSUPPORT = 10046,
    WSAEAFNOSUPPORT = 10047,
    WSAEADDRINUSE = 10048,
    WSAEADDRNOTAVAIL = 10049,
    WSAENETDOWN = 10050,
    WSAENETUNREACH = 10051,
    WSAENETRESET = 10052,
    WSAECONNABORTED = 10053,
    WSAECONNRESET = 10054,
    WSAENOBUFS = 10055,
    WSAEISCONN = 10056,
    WSAENOTCONN = 10057,
    WSAESHUTDOWN = 10058,
    WSAETOOMANYREFS = 10059,
    WSAETIMEDOUT = 10060,
    WSAECONNREFUSED = 10061,
    WSAELOOP = 10062,
    WSAENAMETOOLONG = 10063,
    WSAEHOSTDOWN = 10064,
    WSAEHOSTUNREACH = 10065,
    WSAENOTEMPTY = 10066,
    WSAEPROCLIM = 10067,
    WSAEUSERS = 10068,
    WSAEDQUOT = 10069,
    WSAESTALE = 10070,
    WSAEREMOTE = 10071,
    WSASYSNOTREADY = 10091,
    WSAVERNOTSUPPORTED = 10092,
    WSANOTINITIALISED = 10093,
    WSAEDISCON = 10101,
    WSATYPE_NOT_FOUND = 10109,
    WSAHOST_NOT_FOUND = 11001,
    WSATRY_AGAIN = 11002,
    WSANO_RECOVERY = 11003,
    WSANO_DATA = 11004,
};

struct TInAddr {
    u_long S_addr; // network byte order
};

struct TSockAddr {
    u_short sa_family;
    char sa_data[14];
};

struct TSockAddrIn {
    u_short sin_family;
    u_short sin_port; // network byte order
    TInAddr sin_addr;
    char sin_zero[8];
};

// Winsock's socket set: a count and the sockets themselves.
struct TFDSet {
    u_int fd_count;
    SOCKET fd_array[SOCKET_SET_SIZE];
};

struct TTimeVal {
    int32_t tv_sec;
    int32_t tv_usec;
};

struct TLinger {
    u_short l_onoff;
    u_short l_linger;
};

struct THostEnt {
    char* h_name;
    char** h_aliases;
    int16_t h_addrtype;
    int16_t h_length;
    char** h_addr_list; // each entry h_length bytes, network byte order
};

struct TServEnt {
    char* s_name;
    char** s_aliases;
    int16_t s_port; // network byte order
    char* s_proto;
};

inline constexpr int WSADESCRIPTION_LEN = 256;
inline constexpr int WSASYS_STATUS_LEN = 128;

struct TWSAData {
    uint16_t wVersion;
    uint16_t wHighVersion;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
    uint16_t iMaxSockets;
    uint16_t iMaxUdpDg;
    char* lpVendorInfo;
};

// Start-up and clean-up count the users of the layer; until the first
// WSAStartup, calls that create sockets or resolve names fail with
// WSANOTINITIALISED. Versions below 2.0 are refused with WSAVERNOTSUPPORTED.
int WSAStartup(uint16_t wVersionRequested, TWSAData* lpWSAData);
int WSACleanup();

int WSAGetLastError();
void WSASetLastError(int iError);

SOCKET socket(int af, int type, int protocol);
int bind(SOCKET s, const TSockAddr* name, int namelen);
int connect(SOCKET s, const TSockAddr* name, int namelen);
int listen(SOCKET s, int backlog);
SOCKET accept(SOCKET s, TSockAddr* addr, int* addrlen);
int recv(SOCKET s, char* buf, int len, int flags);
int send(SOCKET s, const char* buf, int len, int flags);
int recvfrom(SOCKET s, char* buf, int len, int flags, TSockAddr* from, int* fromlen);
int sendto(SOCKET s, const char* buf, int len, int flags, const TSockAddr* to, int tolen);
int shutdown(SOCKET s, int how);
int closesocket(SOCKET s);
int ioctlsocket(SOCKET s, long cmd, u_long* argp);
int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen);
int getsockopt(SOCKET s, int level, int optname, char* optval, int* optlen);
int getpeername(SOCKET s, TSockAddr* name, int* namelen);
int getsockname(SOCKET s, TSockAddr* name, int* namelen);

// Waits until a socket of the sets is ready or the time-out passes (null
// waits without limit). Readable: data, end of stream or an error; writable:
// connected and room to send; exceptional: out-of-band data or a failed
// connect. The sets are refilled with the ready sockets; returns their count.
int select(int nfds, TFDSet* readfds, TFDSet* writefds, TFDSet* exceptfds, const TTimeVal* timeout);

// Name services for IPv4. The returned records belong to the calling thread
// and stay valid until its next call of the same kind.
THostEnt* gethostbyname(const char* name);
THostEnt* gethostbyaddr(const char* addr, int len, int type);
int gethostname(char* name, int namelen);
TServEnt* getservbyname(const char* name, const char* proto);
TServEnt* getservbyport(int port, const char* proto);

u_long inet_addr(const char* cp);
char* inet_ntoa(TInAddr in);

u_short htons(u_short hostshort);
u_short ntohs(u_short netshort);
u_long htonl(u_long hostlong);
u_long ntohl(u_long netlong);

// Sends a whole file (its name in the program's code page) down a connected
// socket; returns the bytes sent, or SOCKET_ERROR with the error left as above.
int64_t TransmitFile(SOCKET s, const char* fileName);

} // namespace ws2

namespace platform {

// The Winsock code for a system error number (errno), and for a resolver
// result of getaddrinfo or getnameinfo (with errno for a system failure).
int WSAErrorFromErrno(int errnoValue);
int WSAErrorFromResolver(int resolverResult, int errnoValue);

} // namespace platform
