#pragma once
// The mail servers that the test fixture started on 127.0.0.1: their ports
// and accounts, read from the fixture's state file in the build tree.
#include <string>

struct TMailServers {
    int SmtpPort = 0;
    int Pop3Port = 0;
    int SocksPort = 0;
    int SocksAuthPort = 0;
    int Socks4Port = 0;
    // Encrypted: STARTTLS and STLS ports on 127.0.0.1, and (under root) a loopback
    // address of its own whose 465 and 995 are encrypted from the start ("" when none).
    int SmtpStartTLSPort = 0;
    int Pop3STLSPort = 0;
    std::string TLSHost;
    std::string MailCA;   // the PEM file of the run's certificate authority
    std::string State;    // the fixture's folder: the servers' logs (smtp.log, dovecot-tls.log)
    std::string Password; // of every mailbox
    std::string SocksUser;
    std::string SocksPassword;
    std::string MailRoot; // one Maildir per mailbox below it

    // Read once; ports stay 0 when the fixture did not run.
    static const TMailServers& Get();
};

// A server off this machine, for a test: the running test is run again, in a network of
// its own (root only), where the fixture's SMTP server in the clear listens on
// OffMachineSmtp, an address that is not this machine's loopback, with the mailboxes
// "tls" and "tlsplain" of its own. That run finds the
// server's text in the environment variable OffMachineVariable. `AServerLog` gets the
// server's log (a line for every AUTH attempt); false with `AOutput` when the run failed.
inline constexpr const char* OffMachineSmtp = "198.18.0.1:2525";
inline constexpr const char* OffMachineVariable = "QUILLARAN_OFF_MACHINE_SMTP";
bool RunOffThisMachine(std::string& AServerLog, std::string& AOutput);
