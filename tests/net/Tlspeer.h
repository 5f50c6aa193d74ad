#pragma once
// The server's side of an encrypted scripted connection, made with the encryption
// library over memory: the test sees each record before it goes and may spoil it,
// cut it, or start a new handshake with another certificate, faults no real server
// makes on purpose.
#include "Scriptedserver.h"

#include <memory>
#include <string>

// A certificate authority of the test run and two server certificates it signed: one
// for 127.0.0.1, one for another name. Made once per process with the openssl program.
struct TTestCertificates {
    std::string Authority;           // PEM file of the authority
    std::string Cert, Key;           // for 127.0.0.1
    std::string OtherCert, OtherKey; // for other.quillaran.test
    static const TTestCertificates& Get();
};

class TTlsPeer {
public:
    // AMaxVersion: the newest protocol offered (TLS1_2_VERSION for a renegotiation), 0 for any.
    TTlsPeer(TScriptedPeer& APeer, const std::string& ACert, const std::string& AKey, int AMaxVersion = 0);
    ~TTlsPeer();
    TTlsPeer(const TTlsPeer&) = delete;
    TTlsPeer& operator=(const TTlsPeer&) = delete;

    // The handshake; false when it failed or the client went.
    bool Accept();
    // The records that carry the text, made but not sent.
    std::string Records(const std::string& APlain);
    void Send(const std::string& APlain) { FPeer.Send(Records(APlain)); }
    // The next decrypted line without CR LF; empty when the client closed or failed.
    std::string ReadLine();
    // Starts a new handshake with another certificate and carries it on as the client
    // answers; true when the client took the certificate.
    bool Renegotiate(const std::string& ACert, const std::string& AKey);

private:
    // One record from the socket into the library; false at the end of the stream.
    bool FeedRecord();
    // Sends what the library wrote.
    void Flush();

    TScriptedPeer& FPeer;
    struct TOpenSSL;
    std::unique_ptr<TOpenSSL> F;
    std::string FPlain;
};
