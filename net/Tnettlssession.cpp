#include "net/Tnettlssession.h"

#include "net/Enetexception.h"

#include <fcntl.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

struct TNetTLSSession::TOpenSSL {
    SSL_CTX* Context = nullptr;
    SSL* Session = nullptr;
    ~TOpenSSL()
    {
        if (Session)
            SSL_free(Session);
        if (Context)
            SSL_CTX_free(Context);
    }
};

namespace {

bool IsIPAddress(const std::string& AHost)
{
    ASN1_OCTET_STRING* ip = a2i_IPADDRESS(AHost.c_str());
    if (!ip)
        return false;
    ASN1_OCTET_STRING_free(ip);
    return true;
}

// The session's own way to the socket: as the library's socket transport, but a
// peer gone away is an error to report, never a signal that ends the program.
int SocketWrite(BIO* ABio, const char* AData, int ALen)
{
    BIO_clear_retry_flags(ABio);
    const int fd = static_cast<int>(reinterpret_cast<intptr_t>(BIO_get_data(ABio)));
    ssize_t sent;
    do
        sent = send(fd, AData, static_cast<size_t>(ALen), MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        BIO_set_retry_write(ABio);
    return static_cast<int>(sent);
}

int SocketRead(BIO* ABio, char* AData, int ALen)
{
    BIO_clear_retry_flags(ABio);
    const int fd = static_cast<int>(reinterpret_cast<intptr_t>(BIO_get_data(ABio)));
    ssize_t received;
    do
        received = recv(fd, AData, static_cast<size_t>(ALen), 0);
    while (received < 0 && errno == EINTR);
    if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        BIO_set_retry_read(ABio);
    return static_cast<int>(received);
}

long SocketControl(BIO*, int ACommand, long, void*) { return ACommand == BIO_CTRL_FLUSH ? 1 : 0; }

int SocketCreate(BIO* ABio)
{
    BIO_set_init(ABio, 1);
    return 1;
}

BIO* SocketBio(int AFd)
{
    static BIO_METHOD* const method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "quillaran socket");
        BIO_meth_set_write(m, SocketWrite);
        BIO_meth_set_read(m, SocketRead);
        BIO_meth_set_ctrl(m, SocketControl);
        BIO_meth_set_create(m, SocketCreate);
        return m;
    }();
    BIO* bio = BIO_new(method);
    if (bio)
        BIO_set_data(bio, reinterpret_cast<void*>(static_cast<intptr_t>(AFd)));
    return bio;
}

// The wait an unfinished call asks for; Done when it asks none (it failed or ended).
TNetTLSStep WaitAskedFor(int AError)
{
    if (AError == SSL_ERROR_WANT_READ)
        return TNetTLSStep::WantRead;
    if (AError == SSL_ERROR_WANT_WRITE)
        return TNetTLSStep::WantWrite;
    return TNetTLSStep::Done;
}

// The library's last reason, or AFallback when it kept none.
std::string LastReason(const std::string& AFallback)
{
    const unsigned long code = ERR_peek_last_error();
    ERR_clear_error();
    const char* reason = code ? ERR_reason_error_string(code) : nullptr;
    return reason ? reason : AFallback;
}

} // namespace

TNetTLSSession::TNetTLSSession(intptr_t ASocket, const std::string& AHost)
    : F(std::make_unique<TOpenSSL>()), FHost(AHost)
{
    ERR_clear_error();
    F->Context = SSL_CTX_new(TLS_client_method());
    if (!F->Context)
        throw ENetTLSError("the encryption library could not start (" + LastReason("no context") + ")");
    SSL_CTX_set_min_proto_version(F->Context, TLS1_2_VERSION);
    SSL_CTX_set_verify(F->Context, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_default_verify_paths(F->Context);
    // A self-hosted server's authority (or a test's) is added to the system's, never
    // put in their place.
    if (const char* extra = std::getenv(MailCAVariable); extra && *extra)
        if (SSL_CTX_load_verify_locations(F->Context, extra, nullptr) != 1)
            throw ENetTLSError(std::string("the certificate authorities of ") + MailCAVariable + " (" + extra +
                               ") could not be read (" + LastReason("no certificate") + ")");
    F->Session = SSL_new(F->Context);
    if (!F->Session)
        throw ENetTLSError("the encryption library could not start (" + LastReason("no session") + ")");
    // Renegotiation and tickets are handled inside the reading; the caller waits.
    SSL_clear_mode(F->Session, SSL_MODE_AUTO_RETRY);
    SSL_set_mode(F->Session, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    X509_VERIFY_PARAM* param = SSL_get0_param(F->Session);
    if (IsIPAddress(AHost))
        X509_VERIFY_PARAM_set1_ip_asc(param, AHost.c_str());
    else {
        X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        SSL_set1_host(F->Session, AHost.c_str());
        SSL_set_tlsext_host_name(F->Session, AHost.c_str());
    }
    const int fd = static_cast<int>(ASocket);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    BIO* bio = SocketBio(fd);
    if (!bio)
        throw ENetTLSError("the encryption library could not start (" + LastReason("no transport") + ")");
    SSL_set_bio(F->Session, bio, bio);
}

TNetTLSSession::~TNetTLSSession() = default;

void TNetTLSSession::Fail(int32_t AResult, const std::string& AWhat)
{
    const int error = SSL_get_error(F->Session, AResult);
    std::string reason;
    if (error == SSL_ERROR_SYSCALL && ERR_peek_last_error() == 0)
        reason = "the server closed the connection";
    else
        reason = LastReason("error " + std::to_string(error));
    throw ENetTLSError(AWhat + " (" + reason + ")");
}

TNetTLSStep TNetTLSSession::Handshake()
{
    ERR_clear_error();
    const int result = SSL_connect(F->Session);
    if (result == 1)
        return TNetTLSStep::Done;
    if (const TNetTLSStep wait = WaitAskedFor(SSL_get_error(F->Session, result)); wait != TNetTLSStep::Done)
        return wait;
    const long verified = SSL_get_verify_result(F->Session);
    if (verified != X509_V_OK) {
        ERR_clear_error();
        throw ENetCertificateRefused("the certificate is not valid for " + FHost + " (" +
                                     X509_verify_cert_error_string(verified) + ")");
    }
    Fail(result, "the encrypted connection to " + FHost + " failed");
}

std::string TNetTLSSession::Version() const
{
    switch (SSL_version(F->Session)) {
    case TLS1_3_VERSION:
        return "TLS 1.3";
    case TLS1_2_VERSION:
        return "TLS 1.2";
    default:
        return SSL_get_version(F->Session);
    }
}

TNetTLSStep TNetTLSSession::Fill()
{
    if (FPeerClosed)
        return TNetTLSStep::Closed;
    if (FInputTaken == FInput.size()) {
        FInput.clear();
        FInputTaken = 0;
    }
    char buffer[16384];
    ERR_clear_error();
    const int result = SSL_read(F->Session, buffer, sizeof buffer);
    if (result > 0) {
        FInput.append(buffer, static_cast<size_t>(result));
        return TNetTLSStep::Done;
    }
    const int error = SSL_get_error(F->Session, result);
    if (const TNetTLSStep wait = WaitAskedFor(error); wait != TNetTLSStep::Done)
        return wait;
    // A close without the session's own good-bye ends the reading as a close does;
    // the protocol above notices a reply cut short.
    if (error == SSL_ERROR_ZERO_RETURN || (error == SSL_ERROR_SYSCALL && ERR_peek_last_error() == 0)) {
        ERR_clear_error();
        FPeerClosed = true;
        return TNetTLSStep::Closed;
    }
    Fail(result, "the encrypted connection to " + FHost + " broke");
}

int32_t TNetTLSSession::Take(void* ABuf, int32_t ALen)
{
    const size_t count = std::min(FInput.size() - FInputTaken, static_cast<size_t>(std::max(ALen, 0)));
    FInput.copy(static_cast<char*>(ABuf), count, FInputTaken);
    FInputTaken += count;
    return static_cast<int32_t>(count);
}

TNetTLSStep TNetTLSSession::Write(const void* ABuf, int32_t ALen, int32_t& AWritten)
{
    AWritten = 0;
    ERR_clear_error();
    const int result = SSL_write(F->Session, ABuf, ALen);
    if (result > 0) {
        AWritten = result;
        return TNetTLSStep::Done;
    }
    if (const TNetTLSStep wait = WaitAskedFor(SSL_get_error(F->Session, result)); wait != TNetTLSStep::Done)
        return wait;
    Fail(result, "the encrypted connection to " + FHost + " broke");
}

void TNetTLSSession::Shutdown()
{
    if (SSL_is_init_finished(F->Session))
        SSL_shutdown(F->Session);
    ERR_clear_error();
}
