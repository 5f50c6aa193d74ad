#include "net/Enetexception.h"
#include "net/Tnetemailaddress.h"

#include <gtest/gtest.h>

namespace {

struct TItem {
    TNetEMailAddressList list{nullptr};
    TNetEMailAddressItem* item = list.Add();
};

} // namespace

TEST(Tnetemailaddress, ParsesAndFormsItems)
{
    TItem t;
    t.item->SetText("John Doe <john.doe@example.com>");
    EXPECT_EQ(t.item->Name(), "John Doe");
    EXPECT_EQ(t.item->Address(), "john.doe@example.com");
    EXPECT_EQ(t.item->Text(), "John Doe <john.doe@example.com>");

    t.item->SetText("\"Doe, John\" <j@x.com>");
    EXPECT_EQ(t.item->Name(), "Doe, John");
    EXPECT_EQ(t.item->Address(), "j@x.com");
    EXPECT_EQ(t.item->Text(), "\"Doe, John\" <j@x.com>");

    t.item->SetText("  plain@example.com  ");
    EXPECT_EQ(t.item->Name(), "");
    EXPECT_EQ(t.item->Address(), "plain@example.com");
    EXPECT_EQ(t.item->Text(), "plain@example.com");

    t.item->SetText("j@x.com (Comment)");
    EXPECT_EQ(t.item->Address(), "j@x.com");

    t.item->SetText("\"a \\\"q\\\" b\" <a@b.c>");
    EXPECT_EQ(t.item->Name(), "a \"q\" b");
    EXPECT_EQ(t.item->Text(), "\"a \\\"q\\\" b\" <a@b.c>");

    t.item->SetAddress("odd local@x.y");
    t.item->SetName("");
    EXPECT_EQ(t.item->Text(), "<\"odd local\"@x.y>");
    t.item->SetAddress("");
    t.item->SetName("Nobody");
    EXPECT_EQ(t.item->Text(), "Nobody <>");

    try {
        t.item->SetText("<a@b.c> x@y.z");
        FAIL();
    } catch (const ENetEmailParseError& e) {
        EXPECT_EQ(e.Message(), "@ Outside address");
    }
}

TEST(Tnetemailaddress, ParsesLists)
{
    TNetEMailAddressList list(nullptr);
    list.SetEMailAddresses("a@b.c, <>, \"Last, First\" <d@e.f>");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0)->Address(), "a@b.c");
    EXPECT_EQ(list.Items(1)->Name(), "Last, First");
    EXPECT_EQ(list.EMailAddresses(), "a@b.c, \"Last, First\" <d@e.f>");

    list.SetEMailAddresses("Team: x@y.z; Other <o@p.q>");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0)->Address(), "x@y.z");
    EXPECT_EQ(list.Items(1)->Address(), "o@p.q");

    // A bad entry is left out; the rest stays.
    list.SetEMailAddresses("<a@b.c> x@y.z, good@x.y");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0)->Address(), "good@x.y");

    std::string many;
    for (int i = 0; i < 3000; ++i)
        many += "u" + std::to_string(i) + "@x.y,";
    list.SetEMailAddresses(many);
    EXPECT_EQ(list.Count(), 1000);
}
