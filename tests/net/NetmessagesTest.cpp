#include "net/Netmessages.h"

#include <gtest/gtest.h>

TEST(Netmessages, TextsKeepTheirExactBytes)
{
    EXPECT_EQ(NetMessageText(RSMessagePartCannotBeCreated),
              "TNetMessagePart can not be created.  Use descendant classes. ");
    EXPECT_EQ(NetMessageText(RSStackEWOULDBLOCK), "Operation would block. ");
    EXPECT_EQ(NetMessageText(RSPOP3UnrecognizedPOP3ResponseHeader), "Unrecognized POP3 Response Header:\n\"%s\"");
    EXPECT_EQ(NetMessageText(RSStackError), "Socket Error # %d\r\n%s");
    EXPECT_EQ(NetMessageText(RSFileNotFound), "File \"%s\" not found");
    EXPECT_EQ(NetMessageText(RSEMailSymbolOutsideAddress), "@ Outside address");
    EXPECT_EQ(NetMessageText(RSConnectionClosedGracefully), "Connection Closed Gracefully.");
    EXPECT_EQ(NetMessageText(65168), "General SOCKS server failure.");
    EXPECT_EQ(NetMessageText(65180), "");
    EXPECT_EQ(NetMessageText(65264), "");
}
