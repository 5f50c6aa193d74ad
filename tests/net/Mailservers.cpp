#include "Mailservers.h"

#include <fstream>
#include <map>

const TMailServers& TMailServers::Get()
{
    static const TMailServers servers = [] {
        TMailServers s;
        s.State = std::string(QUILLARAN_BINARY_DIR) + "/mailservers";
        std::ifstream in(s.State + "/servers.env");
        std::map<std::string, std::string> values;
        for (std::string line; std::getline(in, line);) {
            auto eq = line.find('=');
            if (eq != std::string::npos)
                values[line.substr(0, eq)] = line.substr(eq + 1);
        }
        auto port = [&](const char* key) { return values.count(key) ? std::stoi(values[key]) : 0; };
        s.SmtpPort = port("SMTP_PORT");
        s.Pop3Port = port("POP3_PORT");
        s.SocksPort = port("SOCKS_PORT");
        s.SocksAuthPort = port("SOCKS_AUTH_PORT");
        s.Socks4Port = port("SOCKS4_PORT");
        s.SmtpStartTLSPort = port("SMTP_STARTTLS_PORT");
        s.Pop3STLSPort = port("POP3_STLS_PORT");
        s.TLSHost = values["TLS_HOST"];
        s.MailCA = values["MAIL_CA"];
        s.Password = values["MAIL_PASSWORD"];
        s.SocksUser = values["SOCKS_USER"];
        s.SocksPassword = values["SOCKS_PASSWORD"];
        s.MailRoot = values["MAIL_ROOT"];
        return s;
    }();
    return servers;
}
