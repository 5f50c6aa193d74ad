// The one table from system error numbers and resolver results to Winsock codes.
#include "platform/sock/Winsock.h"

#include <cerrno>
#include <netdb.h>

namespace platform {

int WSAErrorFromErrno(int errnoValue)
{
    switch (errnoValue) {
    case EINTR: return ws2::WSAEINTR;
    case EBADF: return ws2::WSAEBADF;
    case EACCES:
    case EPERM: return ws2::WSAEACCES;
    case EFAULT: return ws2::WSAEFAULT;
    case EINVAL: return ws2::WSAEINVAL;
    case EMFILE:
    case ENFILE: return ws2::WSAEMFILE;
    case EAGAIN: return ws2::WSAEWOULDBLOCK;
    case EINPROGRESS: return ws2::WSAEINPROGRESS;
    case EALREADY: return ws2::WSAEALREADY;
    case ENOTSOCK: return ws2::WSAENOTSOCK;
    case EDESTADDRREQ: return ws2::WSAEDESTADDRREQ;
    case EMSGSIZE: return ws2::WSAEMSGSIZE;
    case EPROTOTYPE: return ws2::WSAEPROTOTYPE;
    case ENOPROTOOPT: return ws2::WSAENOPROTOOPT;
    case EPROTONOSUPPORT: return ws2::WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT: return ws2::WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP: return ws2::WSAEOPNOTSUPP;
    case EPFNOSUPPORT: return ws2::WSAEPFNOSUPPORT;
    case EAFNOSUPPORT: return ws2::WSAEAFNOSUPPORT;
    case EADDRINUSE: return ws2::WSAEADDRINUSE;
    case EADDRNOTAVAIL: return ws2::WSAEADDRNOTAVAIL;
    case ENETDOWN: return ws2::WSAENETDOWN;
    case ENETUNREACH: return ws2::WSAENETUNREACH;
    case ENETRESET: return ws2::WSAENETRESET;
    case ECONNABORTED: return ws2::WSAECONNABORTED;
    case ECONNRESET: return ws2::WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM: return ws2::WSAENOBUFS;
    case EISCONN: return ws2::WSAEISCONN;
    case ENOTCONN: return ws2::WSAENOTCONN;
    // Sending after this side shut the connection down (or after it broke).
    case EPIPE:
    case ESHUTDOWN: return ws2::WSAESHUTDOWN;
    case ETOOMANYREFS: return ws2::WSAETOOMANYREFS;
    case ETIMEDOUT: return ws2::WSAETIMEDOUT;
    case ECONNREFUSED: return ws2::WSAECONNREFUSED;
    case ELOOP: return ws2::WSAELOOP;
    case ENAMETOOLONG: return ws2::WSAENAMETOOLONG;
    case EHOSTDOWN: return ws2::WSAEHOSTDOWN;
    case EHOSTUNREACH: return ws2::WSAEHOSTUNREACH;
    case ENOTEMPTY: return ws2::WSAENOTEMPTY;
    case EUSERS: return ws2::WSAEUSERS;
    case EDQUOT: return ws2::WSAEDQUOT;
    case ESTALE: return ws2::WSAESTALE;
    case EREMOTE: return ws2::WSAEREMOTE;
    default: return errnoValue == 0 ? 0 : ws2::WSAEINVAL;
    }
}

int WSAErrorFromResolver(int resolverResult, int errnoValue)
{
    switch (resolverResult) {
    case 0: return 0;
    case EAI_NONAME: return ws2::WSAHOST_NOT_FOUND;
    case EAI_AGAIN: return ws2::WSATRY_AGAIN;
    case EAI_FAIL: return ws2::WSANO_RECOVERY;
    case EAI_NODATA:
    case EAI_ADDRFAMILY: return ws2::WSANO_DATA;
    case EAI_SERVICE: return ws2::WSATYPE_NOT_FOUND;
    case EAI_MEMORY: return ws2::WSAENOBUFS;
    case EAI_FAMILY: return ws2::WSAEAFNOSUPPORT;
    case EAI_SOCKTYPE: return ws2::WSAESOCKTNOSUPPORT;
    case EAI_BADFLAGS: return ws2::WSAEINVAL;
    case EAI_OVERFLOW: return ws2::WSAEFAULT;
    case EAI_SYSTEM: return WSAErrorFromErrno(errnoValue);
    default: return ws2::WSANO_RECOVERY;
    }
}

} // namespace platform
