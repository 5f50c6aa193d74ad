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
    std::string Password; // of every mailbox
    std::string SocksUser;
    std::string SocksPassword;
    std::string MailRoot; // one Maildir per mailbox below it

    // Read once; ports stay 0 when the fixture did not run.
    static const TMailServers& Get();
};
