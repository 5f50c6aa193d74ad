#include "Tlspeer.h"

#include "Netpeer.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <filesystem>
#include <stdexcept>

#include <unistd.h>

const TTestCertificates& TTestCertificates::Get()
{
    // Tests run as processes side by side, so each makes its certificates in a folder of its
    // own, and removes it at its end (a forked child leaves its parent's alone).
    struct TProcessFolder {
        pid_t Maker = getpid();
        std::string Path = netpeer::TestFolder("tls-certificates-" + std::to_string(getpid()));
        ~TProcessFolder()
        {
            std::error_code ignored;
            if (getpid() == Maker)
                std::filesystem::remove_all(Path, ignored);
        }
    };
    static const TProcessFolder folder;
    static const TTestCertificates certificates = [] {
        const std::string& dir = folder.Path;
        const std::string ec = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes ";
        const auto sign = [&](const std::string& AName, const std::string& AAltName) {
            return "openssl req" + ec + "-subj /CN=" + AName + " -keyout " + AName + ".key -out " + AName +
                ".csr && printf 'subjectAltName=" + AAltName + "\\n' > " + AName + ".ext && openssl x509 -req -in " +
                AName + ".csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile " + AName + ".ext -out " +
                AName + ".pem";
        };
        int status = 0;
        const std::string output =
            netpeer::Run("cd " + dir + " && (openssl req -x509" + ec +
                             "-days 2 -subj '/CN=Scripted test authority' -keyout ca.key -out ca.pem && " +
                             sign("127.0.0.1", "IP:127.0.0.1") + " && " +
                             sign("other.quillaran.test", "DNS:other.quillaran.test") + ") 2>&1",
                         &status);
        if (status != 0)
            throw std::runtime_error("openssl could not make the test certificates: " + output);
        return TTestCertificates{dir + "/ca.pem", dir + "/127.0.0.1.pem", dir + "/127.0.0.1.key",
                                 dir + "/other.quillaran.test.pem", dir + "/other.quillaran.test.key"};
    }();
    return certificates;
}

struct TTlsPeer::TOpenSSL {
    SSL_CTX* Context = nullptr;
    SSL* Session = nullptr;
    BIO* In = nullptr;  // owned by the session
    BIO* Out = nullptr; // owned by the session
    ~TOpenSSL()
    {
        SSL_free(Session);
        SSL_CTX_free(Context);
    }
};

TTlsPeer::TTlsPeer(TScriptedPeer& APeer, const std::string& ACert, const std::string& AKey, int AMaxVersion)
    : FPeer(APeer), F(std::make_unique<TOpenSSL>())
{
    F->Context = SSL_CTX_new(TLS_server_method());
    SSL_CTX_set_num_tickets(F->Context, 0);
    if (AMaxVersion)
        SSL_CTX_set_max_proto_version(F->Context, AMaxVersion);
    if (SSL_CTX_use_certificate_chain_file(F->Context, ACert.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(F->Context, AKey.c_str(), SSL_FILETYPE_PEM) != 1)
        throw std::runtime_error("the scripted server cannot use " + ACert);
    F->Session = SSL_new(F->Context);
    F->In = BIO_new(BIO_s_mem());
    F->Out = BIO_new(BIO_s_mem());
    SSL_set_bio(F->Session, F->In, F->Out);
    SSL_set_accept_state(F->Session);
}

TTlsPeer::~TTlsPeer() = default;

bool TTlsPeer::FeedRecord()
{
    const std::string header = FPeer.ReadBytes(5);
    if (header.size() < 5)
        return false;
    const size_t length = static_cast<size_t>(static_cast<uint8_t>(header[3])) << 8 | static_cast<uint8_t>(header[4]);
    const std::string body = FPeer.ReadBytes(length);
    if (body.size() < length)
        return false;
    const std::string record = header + body;
    BIO_write(F->In, record.data(), static_cast<int>(record.size()));
    return true;
}

void TTlsPeer::Flush()
{
    char buffer[16384];
    for (int n; (n = BIO_read(F->Out, buffer, sizeof buffer)) > 0;)
        FPeer.Send(std::string(buffer, static_cast<size_t>(n)));
}

bool TTlsPeer::Accept()
{
    for (;;) {
        const int result = SSL_do_handshake(F->Session);
        Flush();
        if (result == 1)
            return true;
        if (SSL_get_error(F->Session, result) != SSL_ERROR_WANT_READ || !FeedRecord())
            return false;
    }
}

std::string TTlsPeer::Records(const std::string& APlain)
{
    SSL_write(F->Session, APlain.data(), static_cast<int>(APlain.size()));
    std::string records;
    char buffer[16384];
    for (int n; (n = BIO_read(F->Out, buffer, sizeof buffer)) > 0;)
        records.append(buffer, static_cast<size_t>(n));
    return records;
}

std::string TTlsPeer::ReadLine()
{
    for (;;) {
        if (const size_t end = FPlain.find("\r\n"); end != std::string::npos) {
            std::string line = FPlain.substr(0, end);
            FPlain.erase(0, end + 2);
            return line;
        }
        char buffer[16384];
        const int n = SSL_read(F->Session, buffer, sizeof buffer);
        Flush();
        if (n > 0)
            FPlain.append(buffer, static_cast<size_t>(n));
        else if (SSL_get_error(F->Session, n) != SSL_ERROR_WANT_READ || !FeedRecord())
            return std::string();
    }
}

bool TTlsPeer::Renegotiate(const std::string& ACert, const std::string& AKey)
{
    if (SSL_use_certificate_chain_file(F->Session, ACert.c_str()) != 1 ||
        SSL_use_PrivateKey_file(F->Session, AKey.c_str(), SSL_FILETYPE_PEM) != 1 || SSL_renegotiate(F->Session) != 1)
        throw std::runtime_error("the scripted server cannot renegotiate with " + ACert);
    // A full handshake, not the session resumed: the client is shown the certificate.
    SSL_set_options(F->Session, SSL_OP_NO_SESSION_RESUMPTION_ON_RENEGOTIATION);
    SSL_do_handshake(F->Session);
    Flush();
    // The client's answer is read as data is: the library carries the new handshake on,
    // which has ended once it was seen under way and no longer is.
    for (bool begun = SSL_in_init(F->Session) != 0;;) {
        char buffer[256];
        const int n = SSL_read(F->Session, buffer, sizeof buffer);
        Flush();
        if (n > 0)
            FPlain.append(buffer, static_cast<size_t>(n));
        if (SSL_in_init(F->Session))
            begun = true;
        else if (begun)
            return true;
        if (n <= 0 && (SSL_get_error(F->Session, n) != SSL_ERROR_WANT_READ || !FeedRecord())) {
            ERR_clear_error();
            return false;
        }
    }
}
