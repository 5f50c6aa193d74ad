#include "net/Enetexception.h"
#include "net/Netdate.h"
#include "net/Tnetmessage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

std::vector<std::string> Lines(TNetHeaderList* h)
{
    std::vector<std::string> out;
    for (int i = 0; i < h->Count(); ++i)
        out.push_back(h->Strings(i));
    delete h;
    return out;
}

struct UtcZone {
    UtcZone() { setenv("TZ", "UTC0", 1), tzset(); }
    ~UtcZone() { unsetenv("TZ"), tzset(); }
};

} // namespace

TEST(Tnetmessage, GeneratesHeaderLinesInOrder)
{
    UtcZone utc;
    TNetMessage msg(nullptr);
    msg.From()->SetAddress("sender@example.com");
    msg.From()->SetName("Иван");
    msg.Recipients()->Add()->SetText("a@example.com");
    msg.BccList()->Add()->SetText("hidden@example.com");
    msg.CCList()->Add()->SetText("\"Doe, John\" <c@example.com>");
    msg.SetSubject("Quillaran### тема");
    msg.SetDate(EncodeDate(2005, 12, 5) + EncodeTime(9, 4, 5, 0));
    msg.SetContentType("text/plain");
    msg.ExtraHeaders()->Add("X-Extra: 1");
    const auto lines = Lines(msg.GenerateHeader());
    const std::vector<std::string> expected = {
        "From: =?windows-1251?Q?=C8=E2=E0=ED?= <sender@example.com>",
        "Subject: Quillaran### =?windows-1251?Q?=F2=E5=EC=E0?=",
        "To: a@example.com",
        "Cc: \"Doe, John\" <c@example.com>",
        "Content-Type: text/plain",
        "Date: Mon, 5 Dec 2005 09:04:05 +0000",
        "X-Priority: 3",
        "X-Library: Mail Library 1.0",
        "X-Extra: 1"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(msg.ContentType(), "text/plain");
    msg.SetCharSet("windows-1251");
    const auto again = Lines(msg.GenerateHeader());
    EXPECT_EQ(again[4], "Content-Type: text/plain;");
    EXPECT_EQ(again[5], "\tcharset=\"windows-1251\"");
    // The character set is not added twice.
    EXPECT_EQ(Lines(msg.GenerateHeader()), again);
}

TEST(Tnetmessage, NowForDateAndUURules)
{
    TNetMessage msg(nullptr);
    EXPECT_TRUE(msg.UseNowForDate());
    const auto lines = Lines(msg.GenerateHeader());
    ASSERT_FALSE(lines.empty());
    std::string date = lines[0].substr(6);
    const TDateTime parsed = ParseMailDate(date);
    EXPECT_NEAR(parsed, Now(), 2.0 / SecsPerDay);
    EXPECT_EQ(date, FormatZoneOffset(LocalUtcOffset(), false));

    msg.SetEncoding(meUU);
    EXPECT_EQ(msg.AttachmentEncoding(), "UUE");
    new TNetText(msg.MessageParts());
    try {
        delete msg.GenerateHeader();
        FAIL();
    } catch (const ENetMessageException& e) {
        EXPECT_EQ(e.Message(), "Invalid Encoding. UU only allows Body and Attachments");
    }
    try {
        msg.MessageParts()->Add();
        FAIL();
    } catch (const ENetCanNotCreateMessagePart& e) {
        EXPECT_EQ(e.Message(), "TNetMessagePart can not be created.  Use descendant classes. ");
    }
    try {
        msg.SetAttachmentEncoding("YENC");
        FAIL();
    } catch (const ENetException& e) {
        EXPECT_EQ(e.Message(), "Message encoder not found: YENC");
    }
}

TEST(Tnetmessage, ProcessesReceivedHeaders)
{
    UtcZone utc;
    TNetMessage msg(nullptr);
    TNetHeaderList* h = msg.Headers();
    h->Add("From: =?windows-1251?Q?=C8=E2=E0=ED=2C_=CF?= <ivan@example.com>");
    h->Add("To: a@b.c, \"Last, First\" <d@e.f>");
    h->Add("Cc: <broken> x@y.z, ok@x.y");
    h->Add("Subject: =?ISO-8859-1?Q?caf=E9?=");
    h->Add("Content-Type: multipart/mixed;");
    h->Add("\tboundary=\"abc\"; charset=\"koi8-r\"");
    h->Add("Date: Mon, 19 Dec 2005 14:03:07 +0100");
    h->Add("X-Priority: 1 (Highest)");
    h->Add("Message-Id: <id@host>");
    msg.ProcessHeaders();
    EXPECT_EQ(msg.From()->Name(), "Иван, П");
    EXPECT_EQ(msg.From()->Address(), "ivan@example.com");
    ASSERT_EQ(msg.Recipients()->Count(), 2);
    EXPECT_EQ(msg.Recipients()->Items(1)->Name(), "Last, First");
    ASSERT_EQ(msg.CCList()->Count(), 1);
    EXPECT_EQ(msg.Subject(), "caf\xe9");
    EXPECT_EQ(msg.CharSet(), "KOI8-R");
    EXPECT_EQ(msg.MIMEBoundary()->Boundary(), "ABC");
    EXPECT_NEAR(msg.Date(), EncodeDate(2005, 12, 19) + EncodeTime(13, 3, 7, 0), 1.0 / SecsPerDay);
    EXPECT_EQ(msg.Priority(), mpHighest);
    EXPECT_EQ(msg.MsgId(), "<id@host>");

    const std::pair<const char*, TNetMessagePriority> priorities[] = {
        {"Priority: urgent", mpHigh}, {"Priority: non-priority", mpLow}, {"X-Priority: high", mpNormal},
        {"X-Priority: 9", mpLowest},  {"X-Priority: 0", mpHighest}};
    for (const auto& [line, priority] : priorities) {
        msg.Clear();
        msg.Headers()->Add(line);
        msg.ProcessHeaders();
        EXPECT_EQ(msg.Priority(), priority) << line;
    }
    msg.Clear();
    msg.Headers()->Add("Date: not a date");
    msg.ProcessHeaders();
    EXPECT_EQ(msg.Date(), 0);
}

TEST(Tnetmessage, EncodedSubjectStartsOnItsOwnLineAndFoldsOnlyPast76)
{
    TNetMessage msg(nullptr);
    msg.SetSubject("Итоги обсуждения");
    std::vector<std::string> lines = Lines(msg.GenerateHeader());
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Subject: =?windows-1251?Q?=C8=F2=EE=E3=E8_=EE=E1=F1=F3=E6=E4=E5=ED=E8=FF?=");
    EXPECT_EQ(lines[1].rfind("Date: ", 0), 0u);

    const std::string longer = "Quillaran### Итоги обсуждения за декабрь и новые правила модерации";
    msg.SetSubject(longer);
    lines = Lines(msg.GenerateHeader());
    EXPECT_EQ(lines[0].rfind("Subject: Quillaran### =?windows-1251?Q?=C8=F2=EE", 0), 0u) << lines[0];
    size_t folds = 0;
    for (size_t i = 0; i < lines.size() && (i == 0 || lines[i][0] == '\t'); ++i) {
        EXPECT_LE(lines[i].size(), 76u) << lines[i];
        EXPECT_EQ(lines[i].substr(lines[i].size() - 2), "?=") << lines[i];
        folds += i > 0;
    }
    EXPECT_GE(folds, 2u);
    // Read back as a received header.
    TNetMessage back(nullptr);
    for (const std::string& l : lines)
        back.Headers()->Add(l);
    back.ProcessHeaders();
    EXPECT_EQ(back.Subject(), longer);
}
