#include "net/Tnetheaderlist.h"
#include "net/Tnetmimeboundary.h"

#include <gtest/gtest.h>

TEST(Tnetheaderlist, ValuesUnfoldAndReplaceInPlace)
{
    TNetHeaderList h;
    h.Add("From: a@b.c");
    h.Add("Subject: first");
    h.Add("\tsecond  ");
    h.Add(" third");
    h.Add("To:x@y.z");
    EXPECT_EQ(h.Values("subject"), "first second third");
    EXPECT_EQ(h.Values("TO"), "x@y.z");
    EXPECT_EQ(h.Values("Cc"), "");
    EXPECT_EQ(h.GetNameFromLine(0), "FROM");
    h.SetValues("Subject", "new");
    ASSERT_EQ(h.Count(), 3);
    EXPECT_EQ(h[1], "Subject: new");
    h.SetValues("Cc", "c@d.e");
    EXPECT_EQ(h[3], "Cc: c@d.e");
    h.SetValues("Subject", "a\r\nBcc: evil@x.y");
    EXPECT_EQ(h[1], "Subject: a  Bcc: evil@x.y");
    EXPECT_EQ(h.IndexOfName("Bcc"), -1);
    h.SetValues("Subject", "");
    EXPECT_EQ(h.Count(), 3);
    EXPECT_EQ(h.IndexOfName("Subject"), -1);
}

TEST(Tnetheaderlist, EmptyValueRemovesContinuations)
{
    TNetHeaderList h;
    h.Add("Content-Type: multipart/mixed;");
    h.Add("\tboundary=\"x\"");
    h.Add("X: y");
    h.SetValues("Content-Type", "");
    ASSERT_EQ(h.Count(), 1);
    EXPECT_EQ(h[0], "X: y");
}

TEST(Tnetheaderlist, FoldingAtBlanksAndCommasOutsideQuotes)
{
    TNetHeaderList h;
    std::string to;
    for (int i = 0; i < 8; ++i)
        to += (i ? ", " : "") + std::string("\"Name, Number ") + std::to_string(i) + "\" <user" + std::to_string(i) +
              "@example.com>";
    h.SetValues("To", to);
    ASSERT_GT(h.Count(), 1);
    for (int i = 0; i < h.Count(); ++i) {
        EXPECT_LE(h[i].size(), 80u) << h[i];
        if (i > 0) {
            EXPECT_EQ(h[i][0], ' ');
        }
        EXPECT_NE(h[i].back(), ' ');
        // Never broken inside a quoted display name.
        size_t quotes = 0;
        for (char c : h[i])
            quotes += c == '"';
        EXPECT_EQ(quotes % 2, 0u) << h[i];
    }
    EXPECT_EQ(h.Values("To"), to);
    // A break already in the text stays where it is.
    h.Clear();
    h.SetValues("Subject", "=?x?Q?a?=\r\n\t=?x?Q?b?=");
    ASSERT_EQ(h.Count(), 2);
    EXPECT_EQ(h[0], "Subject: =?x?Q?a?=");
    EXPECT_EQ(h[1], "\t=?x?Q?b?=");
    h.SetFoldLines(false);
    h.SetValues("Subject", std::string(100, 'a') + " b");
    EXPECT_EQ(h.Count(), 2);
}

TEST(Tnetmimeboundary, FindPushAndPop)
{
    EXPECT_EQ(TNetMIMEBoundary::FindBoundary("multipart/mixed; boundary=\"abc\""), "ABC");
    EXPECT_EQ(TNetMIMEBoundary::FindBoundary("multipart/mixed; boundary=abc; charset=x"), "ABC");
    EXPECT_EQ(TNetMIMEBoundary::FindBoundary("multipart/mixed;\tBoundary=a.b c"), "A.B");
    EXPECT_EQ(TNetMIMEBoundary::FindBoundary("text/plain"), "");
    TNetMIMEBoundary b;
    EXPECT_EQ(b.Boundary(), "");
    b.Push("A");
    b.Push("B");
    EXPECT_EQ(b.Boundary(), "B");
    b.Push("b");
    EXPECT_TRUE(b.NewBoundary());
    EXPECT_EQ(b.Count(), 2);
    b.Push("");
    EXPECT_EQ(b.Count(), 2);
    b.Pop();
    EXPECT_EQ(b.Boundary(), "A");
    b.Pop();
    b.Pop();
    EXPECT_EQ(b.Boundary(), "");
    for (int i = 0; i < 1000; ++i)
        b.Push("x" + std::to_string(i));
    EXPECT_LE(b.Count(), 64);
}
