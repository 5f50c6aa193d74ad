#include "Mailservers.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>

const TMailServers& TMailServers::Get()
{
    static const TMailServers servers = [] {
        // The POP3 server reads its mailboxes as a user of its own under root: what the tests
        // put there must be readable by it whatever umask they run under.
        ::umask(022);
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

bool RunOffThisMachine(std::string& AServerLog, std::string& AOutput)
{
    // Beside the test's scratch folder, which the run inside may take afresh.
    const std::string folder = testsupport::ScratchFolder() + "-off-machine";
    std::filesystem::remove_all(folder);
    const std::string server = OffMachineSmtp;
    const std::string host = server.substr(0, server.find(':')), port = server.substr(server.find(':') + 1);
    for (const char* user : {"tls", "tlsplain"})
        for (const char* sub : {"new", "tmp", "cur"})
            std::filesystem::create_directories(folder + "/mail/" + user + "/Maildir/" + sub);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string(test->test_suite_name()) + "." + test->name();
    // The server's "ready" file is its handshake: written once it answers.
    const std::string script = "set -e\n"
                               "ip link set lo up\n"
                               "ip addr add " +
        host +
        "/32 dev lo\n"
        "/usr/bin/python3 " QUILLARAN_SOURCE_DIR "/tests/net/servers/smtpserver.py --host " +
        host + " --port " + port + " --mailroot '" + folder + "/mail' --users tls,tlsplain --password '" +
        TMailServers::Get().Password + "' --ready '" + folder + "/ready' > '" + folder +
        "/smtp.log' 2>&1 &\n"
        "server=$!\n"
        "until [ -s '" +
        folder +
        "/ready' ]; do kill -0 $server; sleep 0.05; done\n"
        "set +e\n" +
        OffMachineVariable + "=" + server + " '" + self + "' --gtest_filter=" + filter +
        "\n"
        "status=$?\n"
        "kill $server; wait $server\n"
        "exit $status\n";
    testsupport::WriteFile(folder + "/inside.sh", script);
    int status = -1;
    AOutput = testsupport::Run("unshare --net sh '" + folder + "/inside.sh' 2>&1", &status);
    AServerLog = testsupport::ReadFile(folder + "/smtp.log");
    return status == 0;
}
