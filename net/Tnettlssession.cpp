#include "net/Tnettlssession.h"

#include "net/Enetexception.h"
#include "net/Tnetstack.h"
#include "platform/sock/Winsock.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <system_error>

struct TNetTLSSession::TOpenSSL {
    SSL* Session = nullptr;
    // The session holds its own reference to the shared context.
    ~TOpenSSL()
    {
        if (Session)
            SSL_free(Session);
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

// The session's own way to the socket, through the socket layer: a peer gone away is
// an error to report, never a signal that ends the program. It follows the records as
// they pass, so that an end of the stream inside a record is told to the library as an
// end (which it reports as an unexpected one), while a close between records ends the
// reading as a close does. The socket's own error (a reset) is kept to be told as the
// socket layer tells it.
struct TSocketTransport {
    ws2::SOCKET Socket;
    int32_t SocketError = 0; // of the last call, 0 when it failed for no error of the socket
    size_t HeaderHave = 0;   // bytes of the next record's header already passed
    uint8_t Header[5] = {};
    size_t BodyLeft = 0; // bytes of the current record still to come

    bool InsideRecord() const { return HeaderHave != 0 || BodyLeft != 0; }

    void Pass(const uint8_t* AData, size_t ALen)
    {
        while (ALen > 0) {
            if (BodyLeft > 0) {
                const size_t n = std::min(BodyLeft, ALen);
                BodyLeft -= n;
                AData += n;
                ALen -= n;
                continue;
            }
            Header[HeaderHave++] = *AData++;
            --ALen;
            if (HeaderHave == sizeof Header) {
                BodyLeft = static_cast<size_t>(Header[3]) << 8 | Header[4];
                HeaderHave = 0;
            }
        }
    }
};

TSocketTransport& TransportOf(BIO* ABio) { return *static_cast<TSocketTransport*>(BIO_get_data(ABio)); }

// A failed call asks to be retried when the socket would block, else keeps its error.
void NoteSocketError(BIO* ABio, TSocketTransport& ATransport, bool ARead)
{
    const int32_t error = ws2::WSAGetLastError();
    if (error != ws2::WSAEWOULDBLOCK)
        ATransport.SocketError = error;
    else if (ARead)
        BIO_set_retry_read(ABio);
    else
        BIO_set_retry_write(ABio);
}

int SocketWrite(BIO* ABio, const char* AData, int ALen)
{
    BIO_clear_retry_flags(ABio);
    TSocketTransport& transport = TransportOf(ABio);
    transport.SocketError = 0;
    const int sent = ws2::send(transport.Socket, AData, ALen, 0);
    if (sent == ws2::SOCKET_ERROR)
        NoteSocketError(ABio, transport, false);
    return sent;
}

int SocketRead(BIO* ABio, char* AData, int ALen)
{
    BIO_clear_retry_flags(ABio);
    TSocketTransport& transport = TransportOf(ABio);
    transport.SocketError = 0;
    const int received = ws2::recv(transport.Socket, AData, ALen, 0);
    if (received > 0)
        transport.Pass(reinterpret_cast<const uint8_t*>(AData), static_cast<size_t>(received));
    else if (received == 0 && transport.InsideRecord())
        BIO_set_flags(ABio, BIO_FLAGS_IN_EOF);
    else if (received == ws2::SOCKET_ERROR)
        NoteSocketError(ABio, transport, true);
    return received;
}

long SocketControl(BIO* ABio, int ACommand, long, void*)
{
    switch (ACommand) {
    case BIO_CTRL_FLUSH:
        return 1;
    case BIO_CTRL_EOF:
        return BIO_test_flags(ABio, BIO_FLAGS_IN_EOF) != 0;
    default:
        return 0;
    }
}

int SocketCreate(BIO* ABio)
{
    BIO_set_init(ABio, 1);
    return 1;
}

// The transport belongs to its BIO and goes with it.
int SocketDestroy(BIO* ABio)
{
    std::unique_ptr<TSocketTransport> transport(static_cast<TSocketTransport*>(BIO_get_data(ABio)));
    BIO_set_data(ABio, nullptr);
    return 1;
}

BIO* SocketBio(ws2::SOCKET ASocket)
{
    static BIO_METHOD* const method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "quillaran socket");
        BIO_meth_set_write(m, SocketWrite);
        BIO_meth_set_read(m, SocketRead);
        BIO_meth_set_ctrl(m, SocketControl);
        BIO_meth_set_create(m, SocketCreate);
        BIO_meth_set_destroy(m, SocketDestroy);
        return m;
    }();
    BIO* bio = BIO_new(method);
    if (bio)
        BIO_set_data(bio, std::make_unique<TSocketTransport>(TSocketTransport{ASocket}).release());
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

// Bytes read from the socket at once, and decrypted bytes gathered before a wait.
constexpr size_t ReadAheadBytes = 65536;
constexpr size_t FillBound = 131072;

// Why the file of further authorities gave none: the system's reason when it could
// not be opened or read, else what the library found wrong with its contents.
std::string UnreadableReason()
{
    std::string reason;
    for (unsigned long code; (code = ERR_get_error()) != 0;) {
        if (ERR_SYSTEM_ERROR(code))
            return std::generic_category().message(ERR_GET_REASON(code));
        if (ERR_GET_REASON(code) == X509_R_NO_CERTIFICATE_OR_CRL_FOUND)
            reason = "it holds no certificate";
        else if (reason.empty() && ERR_reason_error_string(code))
            reason = ERR_reason_error_string(code);
    }
    return reason.empty() ? "it holds no certificate" : reason;
}

// The context of every session: the system's certificate authorities (loading them
// takes tens of milliseconds), those of QUILLARAN_MAIL_CA and the oldest protocol
// allowed. Made on first use under a lock and kept for the process, one for each
// value the variable had when a session began (one in a program's run); a context
// that could not be made is tried again by the next session.
class TSharedContexts {
public:
    static TSharedContexts& Get()
    {
        static TSharedContexts contexts;
        return contexts;
    }

    SSL_CTX* Current()
    {
        const char* extra = std::getenv(MailCAVariable);
        const std::string authorities = extra ? extra : "";
        const std::lock_guard lock(FLock);
        std::unique_ptr<SSL_CTX, TFree>& context = FContexts[authorities];
        if (!context)
            context = Make(authorities);
        return context.get();
    }

private:
    struct TFree {
        void operator()(SSL_CTX* AContext) const { SSL_CTX_free(AContext); }
    };

    // The library's own clean-up at exit is registered first, so that it runs after
    // the contexts are freed.
    TSharedContexts() { OPENSSL_init_ssl(0, nullptr); }

    static std::unique_ptr<SSL_CTX, TFree> Make(const std::string& AAuthorities)
    {
        std::unique_ptr<SSL_CTX, TFree> context(SSL_CTX_new(TLS_client_method()));
        if (!context)
            throw ENetTLSError("the encryption library could not start (" + LastReason("no context") + ")");
        SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
        // The records that have arrived are read from the socket in one call, not each
        // record's header and body in two.
        SSL_CTX_set_read_ahead(context.get(), 1);
        SSL_CTX_set_default_read_buffer_len(context.get(), ReadAheadBytes);
        SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
        SSL_CTX_set_default_verify_paths(context.get());
        ERR_clear_error();
        // A self-hosted server's authority (or a test's) is added to the system's, never
        // put in their place.
        if (!AAuthorities.empty() && SSL_CTX_load_verify_locations(context.get(), AAuthorities.c_str(), nullptr) != 1)
            throw ENetTLSError(std::string(MailCAVariable) + " names " + AAuthorities + ", which could not be read (" +
                               UnreadableReason() + ")");
        return context;
    }

    std::mutex FLock;
    std::map<std::string, std::unique_ptr<SSL_CTX, TFree>> FContexts;
};

} // namespace

TNetTLSSession::TNetTLSSession(intptr_t ASocket, const std::string& AHost)
    : F(std::make_unique<TOpenSSL>()), FHost(AHost)
{
    ERR_clear_error();
    SSL_CTX* context = TSharedContexts::Get().Current();
    F->Session = SSL_new(context);
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
    ws2::u_long nonBlocking = 1;
    GStack->CheckForSocketError(ws2::ioctlsocket(ASocket, ws2::FIONBIO, &nonBlocking));
    BIO* bio = SocketBio(ASocket);
    if (!bio)
        throw ENetTLSError("the encryption library could not start (" + LastReason("no transport") + ")");
    SSL_set_bio(F->Session, bio, bio);
}

TNetTLSSession::~TNetTLSSession() = default;

std::exception_ptr TNetTLSSession::Failure(int32_t AResult, const std::string& AWhat)
{
    const int error = SSL_get_error(F->Session, AResult);
    // A renegotiation checks the new certificate as the first handshake did.
    if (const long verified = SSL_get_verify_result(F->Session); verified != X509_V_OK) {
        ERR_clear_error();
        return std::make_exception_ptr(ENetCertificateRefused("the certificate is not valid for " + FHost + " (" +
                                                              X509_verify_cert_error_string(verified) + ")"));
    }
    // A reset is told as the socket layer tells it in the clear.
    if (const int32_t socketError = TransportOf(SSL_get_rbio(F->Session)).SocketError;
        error == SSL_ERROR_SYSCALL && socketError != 0) {
        ERR_clear_error();
        return std::make_exception_ptr(ENetSocketError(socketError, GStack->WSTranslateSocketErrorMsg(socketError)));
    }
    std::string reason;
    if (error == SSL_ERROR_SYSCALL && ERR_peek_last_error() == 0)
        reason = "the server closed the connection";
    else
        reason = LastReason("error " + std::to_string(error));
    return std::make_exception_ptr(ENetTLSError(AWhat + " (" + reason + ")"));
}

TNetTLSStep TNetTLSSession::Handshake()
{
    ERR_clear_error();
    const int result = SSL_connect(F->Session);
    if (result == 1)
        return TNetTLSStep::Done;
    if (const TNetTLSStep wait = WaitAskedFor(SSL_get_error(F->Session, result)); wait != TNetTLSStep::Done)
        return wait;
    std::rethrow_exception(Failure(result, "the encrypted connection to " + FHost + " failed"));
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
    if (FInputTaken == FInput.size()) {
        FInput.clear();
        FInputTaken = 0;
    }
    if (HasInput())
        return TNetTLSStep::Done;
    if (FFailure)
        std::rethrow_exception(FFailure);
    if (FPeerClosed)
        return TNetTLSStep::Closed;
    // Every record already received is decrypted before the next wait, up to a bound:
    // a long reply then costs one wait per socket's worth, not one per record.
    char buffer[16384];
    int result;
    do {
        ERR_clear_error();
        result = SSL_read(F->Session, buffer, sizeof buffer);
        if (result > 0)
            FInput.append(buffer, static_cast<size_t>(result));
    } while (result > 0 && FInput.size() < FillBound);
    // What came is handed on first; what ended the reading behind it is kept for when
    // it has been taken.
    const TNetTLSStep outcome = HasInput() ? TNetTLSStep::Done : TNetTLSStep::Closed;
    if (result > 0)
        return outcome;
    const int error = SSL_get_error(F->Session, result);
    if (const TNetTLSStep wait = WaitAskedFor(error); wait != TNetTLSStep::Done)
        return HasInput() ? TNetTLSStep::Done : wait;
    // A close without the session's own good-bye, between records, ends the reading as a
    // close does; the protocol above notices a reply cut short. One inside a record is a
    // failure (the transport tells the library of the end there), and so is a reset.
    if (error == SSL_ERROR_ZERO_RETURN ||
        (error == SSL_ERROR_SYSCALL && ERR_peek_last_error() == 0 &&
         TransportOf(SSL_get_rbio(F->Session)).SocketError == 0)) {
        ERR_clear_error();
        FPeerClosed = true;
        return outcome;
    }
    FFailure = Failure(result, "the encrypted connection to " + FHost + " broke");
    if (HasInput())
        return TNetTLSStep::Done;
    std::rethrow_exception(FFailure);
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
    // The session broke behind the bytes read last: nothing more goes, and the write
    // tells why as the next read would.
    if (FFailure)
        std::rethrow_exception(FFailure);
    ERR_clear_error();
    const int result = SSL_write(F->Session, ABuf, ALen);
    if (result > 0) {
        AWritten = result;
        return TNetTLSStep::Done;
    }
    if (const TNetTLSStep wait = WaitAskedFor(SSL_get_error(F->Session, result)); wait != TNetTLSStep::Done)
        return wait;
    FFailure = Failure(result, "the encrypted connection to " + FHost + " broke");
    std::rethrow_exception(FFailure);
}

void TNetTLSSession::Shutdown()
{
    if (SSL_is_init_finished(F->Session))
        SSL_shutdown(F->Session);
    ERR_clear_error();
}
