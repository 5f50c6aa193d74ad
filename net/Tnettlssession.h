#pragma once
// An encrypted session (TLS) over a connected socket. The server's certificate
// chain is checked against the system's certificate authorities, plus those of
// the PEM file that QUILLARAN_MAIL_CA names, and the certificate must name the
// host the user gave. Every session of the process shares one context, so the
// authorities are loaded once. Each step never blocks: it says what it waits
// for, and the I/O handler does the waiting under its time-outs.
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

// The environment variable naming a PEM file of further certificate authorities.
inline constexpr const char* MailCAVariable = "QUILLARAN_MAIL_CA";

enum class TNetTLSStep : uint8_t { Done, WantRead, WantWrite, Closed };

class TNetTLSSession {
public:
    // The socket is switched to non-blocking use for the session's life. A file of
    // further authorities that cannot be read raises ENetTLSError naming it and why.
    TNetTLSSession(intptr_t ASocket, const std::string& AHost);
    ~TNetTLSSession();
    TNetTLSSession(const TNetTLSSession&) = delete;
    TNetTLSSession& operator=(const TNetTLSSession&) = delete;

    // One turn of the handshake. A refused certificate raises
    // ENetCertificateRefused ("the certificate is not valid for host (reason)"), a
    // reset ENetSocketError, any other failure ENetTLSError.
    TNetTLSStep Handshake();
    // "TLS 1.3" once the handshake is done.
    std::string Version() const;
    // Decrypted bytes waiting to be taken.
    bool HasInput() const { return FInputTaken < FInput.size(); }
    bool PeerClosed() const { return FPeerClosed; }
    // Decrypts what has arrived into the waiting bytes: Done when some arrived,
    // Closed when the peer ended the session, else what must come first. A failure
    // that arrived behind good bytes (a damaged record, a certificate refused in a
    // later handshake, a stream cut inside a record) is raised once they are taken,
    // and by every call after, and by the next write at once. A reset of the
    // connection raises ENetSocketError, as the socket layer raises it.
    TNetTLSStep Fill();
    // Takes up to ALen waiting bytes.
    int32_t Take(void* ABuf, int32_t ALen);
    // Encrypts and sends some of the bytes; AWritten says how many went. Its failure
    // is kept as Fill keeps one.
    TNetTLSStep Write(const void* ABuf, int32_t ALen, int32_t& AWritten);
    // Tells the peer the session ends, without waiting for its answer.
    void Shutdown();

private:
    // The failure of the last call: ENetCertificateRefused for a certificate refused
    // at any handshake, else ENetTLSError with AWhat and the library's reason.
    std::exception_ptr Failure(int32_t AResult, const std::string& AWhat);

    struct TOpenSSL;
    std::unique_ptr<TOpenSSL> F;
    std::string FHost;
    std::string FInput;
    size_t FInputTaken = 0;
    bool FPeerClosed = false;
    std::exception_ptr FFailure; // met behind the waiting bytes
};
