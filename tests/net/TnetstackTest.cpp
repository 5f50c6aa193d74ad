#include "net/Enetexception.h"
#include "net/Tnetstack.h"
#include "net/Tnettcpconnection.h"
#include "platform/sock/Winsock.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>
#include <memory>

namespace {

// A component keeps the process's stack alive while the test runs.
struct TWithStack {
    TNetTCPConnection Holder{nullptr};
};

} // namespace

TEST(Tnetstack, ErrorTextsAndChecks)
{
    TWithStack s;
    ASSERT_NE(GStack, nullptr);
    EXPECT_EQ(GStack->WSTranslateSocketErrorMsg(11001), "Socket Error # 11001\r\nHost not found.");
    EXPECT_EQ(GStack->WSTranslateSocketErrorMsg(10061), "Socket Error # 10061\r\nConnection refused.");
    EXPECT_EQ(GStack->WSTranslateSocketErrorMsg(10035), "Socket Error # 10035\r\nOperation would block. ");
    EXPECT_EQ(GStack->WSTranslateSocketErrorMsg(12345), "Socket Error # 12345\r\n");
    // Whatever the system or the resolver reports, the user reads words after the number.
    const auto worded = [](int code) {
        const std::string message = GStack->WSTranslateSocketErrorMsg(code);
        return message.size() > message.find("\r\n") + 2;
    };
    for (int e = 1; e < 134; ++e)
        EXPECT_TRUE(worded(platform::WSAErrorFromErrno(e))) << "errno " << e;
    for (int result : {EAI_NONAME, EAI_AGAIN, EAI_FAIL, EAI_NODATA, EAI_ADDRFAMILY, EAI_SERVICE, EAI_MEMORY, EAI_FAMILY,
                       EAI_SOCKTYPE, EAI_BADFLAGS, EAI_OVERFLOW, -1000})
        EXPECT_TRUE(worded(platform::WSAErrorFromResolver(result, ECONNREFUSED))) << "resolver " << result;
    EXPECT_FALSE(GStack->CheckForSocketError(0));
    ws2::WSASetLastError(10058);
    EXPECT_TRUE(GStack->CheckForSocketError(-1, {10058, 10053}));
    EXPECT_EQ(GStack->LastError(), 10058);
    ws2::WSASetLastError(10054);
    try {
        GStack->CheckForSocketError(-1, {10058, 10053});
        FAIL();
    } catch (const ENetSocketError& e) {
        EXPECT_EQ(e.LastError(), 10054);
        EXPECT_EQ(e.Message(), "Socket Error # 10054\r\nConnection reset by peer.");
    }
}

TEST(Tnetstack, AddressesAndNames)
{
    TWithStack s;
    EXPECT_EQ(GStack->ResolveHost("LocalHost"), "127.0.0.1");
    EXPECT_EQ(GStack->ResolveHost("10.1.2.3"), "10.1.2.3");
    EXPECT_TRUE(GStack->IsIP("0.0.0.0"));
    EXPECT_TRUE(GStack->IsIP("255.255.255.255"));
    EXPECT_FALSE(GStack->IsIP("256.1.1.1"));
    EXPECT_FALSE(GStack->IsIP("1.2.3"));
    EXPECT_FALSE(GStack->IsIP("1.2.3.4.5"));
    EXPECT_FALSE(GStack->IsIP("1..3.4"));
    EXPECT_FALSE(GStack->IsIP("a.b.c.d"));
    // Not an IP text: the resolver is asked, and finds nothing.
    try {
        GStack->ResolveHost("300.1.1.1");
        FAIL();
    } catch (const ENetSocketError& e) {
        EXPECT_EQ(e.LastError(), 11001);
    }
    EXPECT_EQ(GStack->TInAddrToString(GStack->StringToTInAddr("192.168.0.7")), "192.168.0.7");
    EXPECT_EQ(GStack->WSGetServByName("1234"), 1234);
    try {
        GStack->WSGetServByName("no-such-service");
        FAIL();
    } catch (const ENetInvalidServiceName& e) {
        EXPECT_EQ(e.Message(), "no-such-service is not a valid service.");
    }
    EXPECT_FALSE(GStack->WSGetHostName().empty());
    EXPECT_EQ(TNetComponent::GetLocalName(), GStack->WSGetHostName());
    std::unique_ptr<TStrings> none(GStack->WSGetServByPort(1));
    EXPECT_NE(none, nullptr);
}

TEST(Tnetstack, SocketListsHoldSixtyFour)
{
    TWithStack s;
    TNetSocketListWindows list;
    for (int i = 0; i < 64; ++i)
        list.Add(1000 + i);
    try {
        list.Add(2000);
        FAIL();
    } catch (const ENetStackSetSizeExceeded& e) {
        EXPECT_EQ(e.Message(), "Set Size Exceeded.");
    }
    EXPECT_THROW(list.Item(64), ENetStackSetSizeExceeded);
    list.Remove(1000);
    EXPECT_EQ(list.Count(), 63);
    EXPECT_EQ(list.Item(0), 1063); // the last moved into its place
}

TEST(Tnetstack, TheStackLivesWithTheComponents)
{
    TNetStack* const before = GStack; // null unless components outlive tests in this process
    {
        TWithStack a;
        TNetStack* first = GStack;
        {
            TWithStack b;
            EXPECT_EQ(GStack, first);
        }
        EXPECT_EQ(GStack, first);
    }
    EXPECT_EQ(GStack, before);
}
