#include "net/Nettext.h"
#include "net/Netsystem.h"
#include "net/Tnetlines.h"
#include "platform/kernel/Tempfiles.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Tstringlist.h"

#include <gtest/gtest.h>

#include "tests/net/Netpeer.h"

#include <sys/stat.h>
#include <sys/time.h>

#include <ctime>
#include <filesystem>

TEST(Nettext, CutTokenTakesOneDelimiter)
{
    std::string t = "abc";
    EXPECT_EQ(CutToken(t, " "), "abc");
    EXPECT_EQ(t, "");
    t = "a  b";
    EXPECT_EQ(CutToken(t, " "), "a");
    EXPECT_EQ(t, " b");
    t = "a--b";
    EXPECT_EQ(CutToken(t, "--"), "a");
    EXPECT_EQ(t, "b");
    t = "a b";
    EXPECT_EQ(CutToken(t, " ", false), "a");
    EXPECT_EQ(t, "a b");
    t = "xBOUNDARY=y";
    EXPECT_EQ(CutToken(t, "boundary=", true, false), "x");
    EXPECT_EQ(t, "y");
    t = std::string("a\0b", 3);
    EXPECT_EQ(CutToken(t, std::string(1, '\0')), "a");
    EXPECT_EQ(t, "b");
}

TEST(Nettext, SearchesAndLookups)
{
    EXPECT_EQ(BytePos("", "abc"), 0);
    EXPECT_EQ(BytePos("abcd", "abc"), 0);
    EXPECT_EQ(BytePos("bc", "abc"), 2);
    EXPECT_EQ(TextPos("c", "abc"), 3);
    EXPECT_EQ(IndexInTexts("a", {}, true), -1);
    EXPECT_EQ(IndexInTexts("B", {"a", "b"}, false), 1);
    EXPECT_EQ(IndexInTexts("B", {"a", "b"}, true), -1);
    EXPECT_EQ(IndexInTexts("ТЕМА", {"тема"}, false), 0);
    EXPECT_EQ(MonthNameNumber("dec"), 12);
    EXPECT_EQ(MonthNameNumber("December"), 0);
    EXPECT_EQ(DayNameNumber("sun"), 1);
    EXPECT_EQ(DayNameNumber("Sunday"), 0);
    EXPECT_EQ(DayNameNumber("Sat"), 7);
    const char buf[] = {'a', 'b', 'c', 'a', 'b'};
    EXPECT_EQ(FindInBuffer("abcab", buf, 5), 1);
    EXPECT_EQ(FindInBuffer("abcabx", buf, 5), 0);
    EXPECT_EQ(FindInBuffer("ab", buf + 1, 4), 3);
    EXPECT_EQ(FindInBuffer("b", buf, 5), 2);
    EXPECT_EQ(FindInBuffer("", buf, 5), 0);
    EXPECT_EQ(FindInBuffer("cb", buf, 5), 0);
}

TEST(Nettext, SplitCommaTexts)
{
    auto l = SplitCommaTexts("one, \"two, half\", three");
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[1], "\"two, half\"");
    EXPECT_TRUE(SplitCommaTexts(",,").empty());
    TStringList list;
    list.Add("old");
    SplitCommaList(&list, "alt.test, comp.lang");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[1], "comp.lang");
    l = SplitCommaTexts("\"a,b\" \"c,d\"");
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0], "\"a,b\" \"c");
    EXPECT_EQ(l[1], "d\"");
}

TEST(Netsystem, SmallServices)
{
    EXPECT_EQ(RotateLeft32(0x80000001u, 32), 0x80000001u);
    EXPECT_EQ(RotateLeft32(0x80000000u, 1), 1u);
    EXPECT_EQ(SmallerInt(3, -2), -2);
    EXPECT_EQ(WithTrailingBackslash(""), "/");
    EXPECT_EQ(WithTrailingBackslash("/a"), "/a/");
    EXPECT_EQ(WithTrailingBackslash("/a/"), "/a/");
    EXPECT_TRUE(IsMainThread());
}

TEST(Netsystem, TempFilesArePrivateAndCopiesNeverOverwrite)
{
    const std::string dir = netpeer::TestFolder("tempfiles");
    const std::string name = CreateTempFile(dir);
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name.rfind(dir + "/Mail", 0), 0u);
    struct stat st{};
    ASSERT_EQ(stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_size, 0);

    const std::string own = CreateTempFile();
    ASSERT_FALSE(own.empty());
    const std::string folder = own.substr(0, own.rfind('/'));
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    remove(own.c_str());

    netpeer::WriteFile(name, "data");
    EXPECT_TRUE(CopyFileNoOverwrite(name, dir + "/copy"));
    EXPECT_EQ(netpeer::ReadFile(dir + "/copy"), "data");
    netpeer::WriteFile(name, "other");
    EXPECT_FALSE(CopyFileNoOverwrite(name, dir + "/copy"));
    EXPECT_EQ(netpeer::ReadFile(dir + "/copy"), "data");
    EXPECT_FALSE(CopyFileNoOverwrite(name, dir + "/missing/copy"));
    EXPECT_FALSE(CopyFileNoOverwrite(dir + "/none", dir + "/copy2"));
}

TEST(Netsystem, AttachmentFoldersOfTheOlderNameAreClearedEmptyOrAfterTheirAge)
{
    const std::string base = netpeer::TestFolder("stale-mail");
    const std::string stale = base + "/quillaran-mail-old123", fresh = base + "/quillaran-mail-new123",
                      other = base + "/kept-old", empty = base + "/quillaran-mail-emp123";
    for (const std::string& f : {stale, fresh, other}) {
        mkdir(f.c_str(), 0700);
        netpeer::WriteFile(f + "/MailAbc123", "part of an attachment");
    }
    mkdir(empty.c_str(), 0700);
    const timeval twoDaysAgo[2] = {{time(nullptr) - 2 * 86400, 0}, {time(nullptr) - 2 * 86400, 0}};
    ASSERT_EQ(utimes(stale.c_str(), twoDaysAgo), 0);
    ASSERT_EQ(utimes(other.c_str(), twoDaysAgo), 0);
    ClearStaleMailFolders(base, StaleMailFolderAge);
    struct stat st{};
    EXPECT_NE(stat(stale.c_str(), &st), 0);
    EXPECT_EQ(stat((fresh + "/MailAbc123").c_str(), &st), 0);
    EXPECT_EQ(stat((other + "/MailAbc123").c_str(), &st), 0);
    EXPECT_NE(stat(empty.c_str(), &st), 0) << "an empty folder of the older name goes however new";
}

namespace {

int OpenDescriptors()
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        (void)entry;
        ++count;
    }
    return count;
}

} // namespace

TEST(Netsystem, PrivateFoldersMadeAndRemovedAgainAndAgainKeepNoDescriptor)
{
    RemovePrivateTempFolder(); // an earlier test's
    const int before = OpenDescriptors();
    for (int i = 0; i < 40; ++i) {
        const std::string file = CreateTempFile();
        ASSERT_FALSE(file.empty());
        const std::string folder = file.substr(0, file.rfind('/'));
        if (i % 2 == 0) {
            // Removed by hand while the process runs: the next attachment makes it again.
            ASSERT_EQ(remove(file.c_str()), 0);
            ASSERT_EQ(rmdir(folder.c_str()), 0);
            const std::string again = CreateTempFile();
            ASSERT_FALSE(again.empty());
            EXPECT_NE(again.substr(0, again.rfind('/')), folder);
        }
        RemovePrivateTempFolder();
        struct stat st { };
        EXPECT_NE(stat(folder.c_str(), &st), 0);
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(Netsystem, AFolderNamedWithoutAStartTimeIsStillItsProcesssAndGoesWhenItsProcessIsGone)
{
    // A process that cannot read its start time names its folder "<id>--XXXXXX".
    const std::string base = netpeer::TestFolder("no-start-time") + "/";
    const std::string prefix = base + "quillaran-mail-";
    // No process has an id above the largest the system gives.
    const std::string gone = prefix + "4194305--AbC123";
    ASSERT_EQ(mkdir(gone.c_str(), 0700), 0);
    netpeer::WriteFile(gone + "/MailAbc123", "part of an attachment");
    EXPECT_TRUE(platform::IsProcessFolder(gone, prefix));
    EXPECT_FALSE(platform::IsOwnProcessFolder(gone, prefix));
    EXPECT_TRUE(platform::IsLeftProcessFolder(gone, prefix));
    // Its process died before it gave its folder that name.
    const std::string hidden = base + ".quillaran-mail-4194305--XyZ789";
    ASSERT_EQ(mkdir(hidden.c_str(), 0700), 0);
    ClearStaleMailFolders(base, StaleMailFolderAge);
    struct stat st { };
    EXPECT_NE(stat(gone.c_str(), &st), 0);
    EXPECT_NE(stat(hidden.c_str(), &st), 0);
}

TEST(Netlines, ABodyKeptInOneBlockReadsAsTheListOfItsLines)
{
    // Empty lines, a line longer than one length byte tells, a line that holds a line feed,
    // and lines enough for several marks, read in order and at random.
    TNetLines lines;
    TStringList expected;
    for (int i = 0; i < 300; ++i) {
        const std::string line = i % 3 == 0 ? ""
            : i == 100                      ? std::string(70000, 'x')
            : i == 7                        ? "a\nb"
                                            : std::to_string(i);
        lines.Add(line);
        expected.Add(line);
    }
    ASSERT_EQ(lines.Count(), 300);
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(lines.Strings(i), expected.Strings(i)) << i;
    for (int i : {299, 0, 100, 65, 64, 63, 7, 128})
        EXPECT_EQ(lines.Strings(i), expected.Strings(i)) << i;
    EXPECT_EQ(lines.Text(), expected.Text());
    lines.Insert(64, "inserted");
    expected.Insert(64, "inserted");
    lines.Delete(0);
    expected.Delete(0);
    lines.SetStrings(5, "changed");
    expected.SetStrings(5, "changed");
    EXPECT_EQ(lines.Text(), expected.Text());
    EXPECT_THROW(lines.Strings(300), EStringListError);

    // Split at CR LF, LF or CR as any list of lines is; 3 million empty lines take about
    // a byte each.
    lines.SetText("one\r\ntwo\rthree\n\nfour");
    EXPECT_EQ(lines.Count(), 5);
    EXPECT_EQ(lines.Text(), "one\r\ntwo\r\nthree\r\n\r\nfour\r\n");
    lines.SetText(std::string(3'000'000, '\n'));
    EXPECT_EQ(lines.Count(), 3'000'000);
    EXPECT_EQ(lines.Strings(2'999'999), "");
    EXPECT_LE(lines.ByteSize(), 3'400'000u);
}
