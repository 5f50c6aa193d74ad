#include "net/Enetexception.h"
#include "net/Netheadercoder.h"
#include "net/Netsystem.h"
#include "net/Tnethash.h"
#include "net/Tnetmessage.h"
#include "net/Tnetmessageclient.h"
#include "platform/kernel/Fileapi.h"

#include <gtest/gtest.h>

#include "tests/net/Netpeer.h"
#include "tests/net/Netstandin.h"

#include <cstdlib>
#include <ctime>
#include <sys/stat.h>

namespace {

struct ZoneGuard {
    explicit ZoneGuard(const char* tz) { setenv("TZ", tz, 1), tzset(); }
    ~ZoneGuard() { unsetenv("TZ"), tzset(); }
};

std::string SendWire(TNetMessage& msg)
{
    TStandInIOHandler handler;
    TNetMessageClient client(nullptr);
    client.SetIOHandler(&handler);
    client.SendMsg(&msg);
    client.SetIOHandler(nullptr);
    return handler.Output;
}

void Receive(TNetMessage& msg, const std::string& wire)
{
    TStandInIOHandler handler(wire, 333);
    TNetMessageClient client(nullptr);
    client.SetIOHandler(&handler);
    client.ReceiveHeader(&msg);
    client.ReceiveBody(&msg);
    client.SetIOHandler(nullptr);
}

std::string Md5Hex(const std::string& data)
{
    TNetHashMessageDigest5 md5;
    std::string hex = TNetHash128::AsHex(md5.HashValue(data));
    for (char& c : hex)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return hex;
}

std::string Hex(const std::string& s)
{
    static const char* d = "0123456789abcdef";
    std::string h;
    for (unsigned char c : s)
        h += std::string{d[c >> 4], d[c & 15]};
    return h;
}

TNetAttachment* AttachmentAt(TNetMessage& msg, int index)
{
    return dynamic_cast<TNetAttachment*>(msg.MessageParts()->Items(index));
}

// Python's reading of a message file: its header names, subject, sender, date
// (UTC seconds), every part's type, file name and payload digest, and the defects.
std::string PythonSummary(const std::string& file)
{
    return netpeer::Run(
        "python3 -c '\n"
        "import sys, email, hashlib\n"
        "from email import policy\n"
        "m = email.message_from_binary_file(open(sys.argv[1], \"rb\"), policy=policy.default)\n"
        "print(\"KEYS\", \",\".join(m.keys()))\n"
        "print(\"SUBJECT\", str(m[\"subject\"]).encode(\"cp1251\").hex())\n"
        "print(\"FROM\", m[\"from\"].addresses[0].display_name.encode(\"cp1251\").hex(), m[\"from\"].addresses[0].addr_spec)\n"
        "print(\"TO\", \",\".join(a.addr_spec for a in m[\"to\"].addresses))\n"
        "print(\"DATE\", int(m[\"date\"].datetime.timestamp()))\n"
        "for p in m.walk():\n"
        "    data = p.get_payload(decode=True)\n"
        "    print(\"PART\", p.get_content_type(), p.get_filename() or \"-\", hashlib.md5(data).hexdigest() if data is not None else \"-\")\n"
        "for p in m.walk():\n"
        "    for d in p.defects: print(\"DEFECT\", type(d).__name__)\n"
        "' " + file);
}

} // namespace

TEST(Tnetmessageclient, WritesTheFixedMimeLayout)
{
    ZoneGuard utc("UTC0");
    const std::string dir = netpeer::TestFolder("layout");
    netpeer::WriteFile(dir + "/x.cab", "abc");
    TNetMessage msg(nullptr);
    msg.From()->SetAddress("a@b.c");
    msg.Recipients()->Add()->SetAddress("r@x.y");
    msg.SetSubject("s");
    msg.SetDate(EncodeDate(2005, 12, 5) + EncodeTime(9, 4, 5, 0));
    new TNetAttachment(msg.MessageParts(), dir + "/x.cab");
    const std::string expected =
        "From: a@b.c\r\n"
        "Subject: s\r\n"
        "To: r@x.y\r\n"
        "Content-Type: multipart/mixed; boundary=\"=_NextPart_2rfkqzlmsadvnqw3nerasdf\"\r\n"
        "MIME-Version: 1.0\r\n"
        "Date: Mon, 5 Dec 2005 09:04:05 +0000\r\n"
        "X-Priority: 3\r\n"
        "X-Library: Mail Library 1.0\r\n"
        "\r\n"
        "This is a multi-part message in MIME format\r\n"
        "\r\n"
        "--=_NextPart_2rfkqzlmsadvnqw3nerasdf\r\n"
        "Content-Type: text/plain\r\n"
        "Content-Transfer-Encoding: 7bit\r\n"
        "\r\n"
        "\r\n"
        "--=_NextPart_2rfkqzlmsadvnqw3nerasdf\r\n"
        "Content-Type: application/octet-stream;\r\n"
        "        name=\"x.cab\"\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment;\r\n"
        "        filename=\"x.cab\"\r\n"
        "\r\n"
        "YWJj\r\n"
        "\r\n"
        "--=_NextPart_2rfkqzlmsadvnqw3nerasdf--\r\n";
    const std::string wire = SendWire(msg);
    EXPECT_EQ(wire, expected);
    EXPECT_EQ(SendWire(msg), wire); // sending twice sends the same bytes
}

// An attachment of several of the encoder's blocks, with a tail shorter than a line: its body
// on the wire is coreutils' base64 in 76-character lines, byte for byte, between the part
// header and the closing boundary.
TEST(Tnetmessageclient, ALargeAttachmentGoesOutAsBase64LinesOfThePeer)
{
    const std::string dir = netpeer::TestFolder("large-attachment");
    netpeer::WriteFile(dir + "/big.cab", netpeer::RandomBytes(57 * 4096 * 2 + 57 * 3 + 20, 7));
    TNetMessage msg(nullptr);
    msg.From()->SetAddress("a@b.c");
    msg.Recipients()->Add()->SetAddress("r@x.y");
    new TNetAttachment(msg.MessageParts(), dir + "/big.cab");
    std::string expected = netpeer::Run("base64 -w 76 " + dir + "/big.cab");
    ASSERT_FALSE(expected.empty());
    for (size_t p = 0; (p = expected.find('\n', p)) != std::string::npos; p += 2)
        expected.insert(p, 1, '\r');
    const std::string wire = SendWire(msg);
    const std::string head = "        filename=\"big.cab\"\r\n\r\n";
    const size_t start = wire.find(head);
    ASSERT_NE(start, std::string::npos);
    EXPECT_EQ(wire.substr(start + head.size()),
              expected + "\r\n--=_NextPart_2rfkqzlmsadvnqw3nerasdf--\r\n");
}

TEST(Tnetmessageclient, DotStuffingOnEveryLineBothWays)
{
    TNetMessage msg(nullptr);
    msg.SetDate(EncodeDate(2005, 12, 5));
    msg.Body()->Add(".");
    msg.Body()->Add("..two");
    msg.Body()->Add("plain");
    const std::string wire = SendWire(msg);
    EXPECT_NE(wire.find("\r\n..\r\n...two\r\nplain\r\n"), std::string::npos);
    EXPECT_EQ(msg.Body()->Strings(0), "."); // the message itself is not changed

    TNetMessage back(nullptr);
    Receive(back, wire + ".\r\n");
    ASSERT_EQ(back.Body()->Count(), 3);
    EXPECT_EQ(back.Body()->Strings(0), ".");
    EXPECT_EQ(back.Body()->Strings(1), "..two");

    // Quoted-printable text parts: soft line breaks that start with a dot are stuffed too.
    TNetMessage parts(nullptr);
    parts.SetDate(EncodeDate(2005, 12, 5));
    auto* text = new TNetText(parts.MessageParts());
    text->Body()->Add(std::string(72, 'a') + "...." + std::string(80, 'b'));
    text->Body()->Add(".start");
    auto* second = new TNetText(parts.MessageParts());
    second->Body()->Add("second");
    const std::string partsWire = SendWire(parts);
    EXPECT_EQ(text->Body()->Strings(1), ".start");
    for (size_t p = 0; (p = partsWire.find("\r\n.", p)) != std::string::npos; p += 3)
        EXPECT_EQ(partsWire.compare(p + 2, 2, ".."), 0) << partsWire.substr(p, 20);
    TNetMessage partsBack(nullptr);
    Receive(partsBack, partsWire + ".\r\n");
    ASSERT_EQ(partsBack.MessageParts()->Count(), 2);
    auto* textBack = dynamic_cast<TNetText*>(partsBack.MessageParts()->Items(0));
    ASSERT_NE(textBack, nullptr);
    EXPECT_EQ(textBack->Body()->Strings(0), text->Body()->Strings(0));
    EXPECT_EQ(textBack->Body()->Strings(1), ".start");
}

TEST(Tnetmessageclient, PythonReadsOurMessages)
{
    ZoneGuard moscow("XXX-3");
    const std::string dir = netpeer::TestFolder("python-reads");
    const std::string cab = netpeer::RandomBytes(100000, 5), small = netpeer::RandomBytes(14, 6);
    netpeer::WriteFile(dir + "/post.cab", cab);
    netpeer::WriteFile(dir + "/small.bin", small);
    TNetMessage msg(nullptr);
    msg.From()->SetAddress("ivan@example.com");
    msg.From()->SetName("Иван Петров");
    msg.Recipients()->Add()->SetText("first@example.com");
    msg.Recipients()->Add()->SetText("\"Doe, John\" <second@example.com>");
    msg.BccList()->Add()->SetText("hidden@example.com");
    msg.SetSubject("Quillaran### 2005 12 19 1 часть первая, очень длинная тема письма, чтобы её пришлось разбить");
    msg.SetDate(EncodeDate(2005, 12, 19) + EncodeTime(14, 3, 7, 0));
    auto* text = new TNetText(msg.MessageParts());
    text->Body()->Add("Текст письма");
    text->SetContentType("text/plain; charset=windows-1251");
    new TNetAttachment(msg.MessageParts(), dir + "/post.cab");
    auto* other = new TNetAttachment(msg.MessageParts(), dir + "/small.bin");
    other->SetFileName("../../evil/small.bin");
    netpeer::WriteFile(dir + "/message.eml", Unstuffed(SendWire(msg) + ".\r\n"));

    const std::string summary = PythonSummary(dir + "/message.eml");
    EXPECT_NE(summary.find("KEYS From,Subject,To,Content-Type,MIME-Version,Date,X-Priority,X-Library\n"),
              std::string::npos) << summary;
    EXPECT_NE(summary.find("SUBJECT " + Hex(msg.Subject()) + "\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("FROM " + Hex("Иван Петров") + " ivan@example.com\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("TO first@example.com,second@example.com\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("DATE 1134990187\n"), std::string::npos) << summary; // 11:03:07 UTC
    EXPECT_NE(summary.find("PART multipart/mixed - -\n"), std::string::npos) << summary;
    // The text part is followed by an empty line of the fixed layout.
    EXPECT_NE(summary.find("PART text/plain - " + Md5Hex("\xd2\xe5\xea\xf1\xf2 \xef\xe8\xf1\xfc\xec\xe0\n\n")),
              std::string::npos) << summary;
    EXPECT_NE(summary.find("PART application/octet-stream post.cab " + Md5Hex(cab) + "\n"), std::string::npos)
        << summary;
    EXPECT_NE(summary.find("PART application/octet-stream small.bin " + Md5Hex(small) + "\n"), std::string::npos)
        << summary;
    EXPECT_EQ(summary.find("DEFECT"), std::string::npos) << summary;
    EXPECT_EQ(summary.find("hidden"), std::string::npos);
}

TEST(Tnetmessageclient, WeReadPythonMessages)
{
    const std::string dir = netpeer::TestFolder("we-read");
    const std::string script =
        "import sys, os, hashlib\n"
        "from email.mime.multipart import MIMEMultipart\n"
        "from email.mime.text import MIMEText\n"
        "from email.mime.application import MIMEApplication\n"
        "from email.header import Header\n"
        "from email import policy\n"
        "m = MIMEMultipart()\n"
        "m[\"From\"] = Header(\"\\u0418\\u0432\\u0430\\u043d\", \"windows-1251\").encode() + \" <ivan@example.com>\"\n"
        "m[\"To\"] = \"a@example.com, \\\"Last, First\\\" <b@example.com>\"\n"
        "m[\"Subject\"] = Header(\"Quillaran### \\u0442\\u0435\\u043c\\u0430\", \"windows-1251\")\n"
        "m[\"Date\"] = \"Mon, 19 Dec 2005 14:03:07 +0100\"\n"
        "alt = MIMEMultipart(\"alternative\")\n"
        "alt.attach(MIMEText(\".dot line\\n\\u0442\\u0435\\u043a\\u0441\\u0442 \\u043f\\u0438\\u0441\\u044c\\u043c\\u0430\\n\", \"plain\", \"windows-1251\"))\n"
        "alt.attach(MIMEText(\"<p>html</p>\", \"html\"))\n"
        "m.attach(alt)\n"
        "out = open(sys.argv[2], \"w\")\n"
        "for i, size in enumerate([0, 1, 57, 1000, 65537]):\n"
        "    data = os.urandom(size)\n"
        "    a = MIMEApplication(data, Name=\"part%d.cab\" % i)\n"
        "    a[\"Content-Disposition\"] = \"attachment; filename=\\\"part%d.cab\\\"\" % i\n"
        "    m.attach(a)\n"
        "    out.write(\"part%d.cab %s\\n\" % (i, hashlib.md5(data).hexdigest()))\n"
        "a = MIMEApplication(b\"evil\")\n"
        "a[\"Content-Disposition\"] = \"attachment; filename=\\\"=?windows-1251?Q?=2E=2E/=2E=2E/=F4=E0=E9=EB.cab?=\\\"\"\n"
        "m.attach(a)\n"
        "open(sys.argv[1], \"wb\").write(m.as_bytes(policy=policy.compat32.clone(linesep=\"\\r\\n\")))\n";
    netpeer::WriteFile(dir + "/make.py", script);
    int status = 0;
    netpeer::Run("python3 " + dir + "/make.py " + dir + "/message.eml " + dir + "/digests", &status);
    ASSERT_EQ(status, 0);
    const std::string wire = Stuffed(netpeer::ReadFile(dir + "/message.eml"));

    TNetMessage msg(nullptr);
    Receive(msg, wire);
    EXPECT_EQ(msg.Subject(), "Quillaran### тема");
    EXPECT_EQ(msg.From()->Name(), "Иван");
    EXPECT_EQ(msg.From()->Address(), "ivan@example.com");
    ASSERT_EQ(msg.Recipients()->Count(), 2);
    EXPECT_EQ(msg.Recipients()->Items(1)->Name(), "Last, First");

    std::vector<std::string> attachments, texts, textTypes;
    for (int i = 0; i < msg.MessageParts()->Count(); ++i) {
        if (TNetAttachment* a = AttachmentAt(msg, i))
            attachments.push_back(a->FileName() + " " + Md5Hex(netpeer::ReadFile(a->StoredPathName())));
        else if (auto* t = dynamic_cast<TNetText*>(msg.MessageParts()->Items(i))) {
            texts.push_back(t->Body()->Text());
            textTypes.push_back(t->ContentType().substr(0, t->ContentType().find(';')));
        }
    }
    // The nested alternative container is no text of its own: its two texts are.
    EXPECT_EQ(textTypes, (std::vector<std::string>{"text/plain", "text/html"}));
    const std::string digests = netpeer::ReadFile(dir + "/digests");
    std::vector<std::string> expected;
    for (size_t p = 0, e; (e = digests.find('\n', p)) != std::string::npos; p = e + 1)
        expected.push_back(digests.substr(p, e - p));
    expected.push_back("файл.cab " + Md5Hex("evil"));
    EXPECT_EQ(attachments, expected);
    bool plain = false;
    for (const std::string& t : texts)
        plain = plain || t.find(".dot line\r\nтекст письма\r\n") != std::string::npos;
    EXPECT_TRUE(plain);
}

TEST(Tnetmessageclient, RoundTripOfOurOwnMessages)
{
    const std::string dir = netpeer::TestFolder("round-trip");
    TNetMessage msg(nullptr);
    msg.SetSubject("Quillaran### тема");
    msg.From()->SetText("Sender <s@example.com>");
    msg.Recipients()->Add()->SetText("r@example.com");
    std::vector<std::string> contents;
    for (size_t size : {0u, 1u, 56u, 57u, 58u, 4096u, 200001u}) {
        contents.push_back(netpeer::RandomBytes(size, static_cast<uint32_t>(size) + 99));
        const std::string path = dir + "/file" + std::to_string(size) + ".cab";
        netpeer::WriteFile(path, contents.back());
        new TNetAttachment(msg.MessageParts(), path);
    }
    msg.Body()->Add("body");
    TNetMessage back(nullptr);
    Receive(back, SendWire(msg) + ".\r\n");
    EXPECT_EQ(back.Subject(), msg.Subject());
    EXPECT_EQ(back.From()->Text(), "Sender <s@example.com>");
    std::vector<std::string> received;
    std::vector<std::string> stored;
    for (int i = 0; i < back.MessageParts()->Count(); ++i)
        if (TNetAttachment* a = AttachmentAt(back, i)) {
            received.push_back(netpeer::ReadFile(a->StoredPathName()));
            stored.push_back(a->StoredPathName());
            struct stat st{};
            ASSERT_EQ(stat(a->StoredPathName().c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0600u);
        }
    EXPECT_EQ(received, contents);
    ASSERT_FALSE(stored.empty());
    TNetAttachment* first = AttachmentAt(back, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->FileName(), "file0.cab");
    first->SaveToFile(dir + "/saved.cab");
    EXPECT_EQ(netpeer::ReadFile(dir + "/saved.cab"), contents[0]);
    try {
        first->SaveToFile(dir + "/saved.cab");
        FAIL();
    } catch (const ENetException& e) {
        EXPECT_EQ(e.Message(), "Error saving attachment. (The file exists)");
    }
    // The system's reason travels with the failure.
    try {
        first->SaveToFile(dir + "/" + std::string(130, '\xFF') + ".cab");
        FAIL();
    } catch (const ENetAttachmentSaveError& e) {
        EXPECT_EQ(e.Message(), "Error saving attachment. (File name too long)");
        EXPECT_EQ(e.SystemError(), ERROR_FILENAME_EXCED_RANGE);
    }
    // The temporary files go with the message's parts; the saved file (the first
    // part's temporary file moved there) stays.
    back.Clear();
    for (const std::string& path : stored)
        EXPECT_NE(access(path.c_str(), F_OK), 0) << path;
    EXPECT_EQ(netpeer::ReadFile(dir + "/saved.cab"), contents[0]);
}

TEST(Tnetmessageclient, UUMessagesAgreeWithUudecode)
{
    const std::string dir = netpeer::TestFolder("uu-message");
    // 45 + 14 bytes: the last line's length character is a dot.
    const std::string data = netpeer::RandomBytes(59, 3);
    netpeer::WriteFile(dir + "/data.bin", data);
    TNetMessage msg(nullptr);
    msg.SetEncoding(meUU);
    msg.Body()->Add("Text before");
    new TNetAttachment(msg.MessageParts(), dir + "/data.bin");
    const std::string wire = SendWire(msg);
    const std::string body = Unstuffed(wire + ".\r\n");
    EXPECT_NE(body.find("\r\nbegin 660 data.bin\r\nM"), std::string::npos) << body;
    EXPECT_NE(wire.find("\r\n..") , std::string::npos);
    netpeer::WriteFile(dir + "/message.txt", body);
    netpeer::Run("cd " + dir + " && mkdir -p out && cd out && uudecode ../message.txt");
    EXPECT_EQ(netpeer::ReadFile(dir + "/out/data.bin"), data);

    TNetMessage back(nullptr);
    Receive(back, wire + ".\r\n");
    ASSERT_EQ(back.MessageParts()->Count(), 1);
    TNetAttachment* a = AttachmentAt(back, 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->FileName(), "data.bin");
    EXPECT_EQ(netpeer::ReadFile(a->StoredPathName()), data);
    EXPECT_EQ(back.Body()->Strings(0), "Text before");

    // XX and a short file (no full line to tell the scheme by).
    netpeer::WriteFile(dir + "/abc", "abc");
    TNetMessage xx(nullptr);
    xx.SetEncoding(meUU);
    xx.SetAttachmentEncoding("XXE");
    new TNetAttachment(xx.MessageParts(), dir + "/abc");
    const std::string xxWire = SendWire(xx);
    EXPECT_NE(xxWire.find("begin 660 abc\r\n1MK7X\r\n+\r\nend\r\n"), std::string::npos) << xxWire;
    TNetMessage xxBack(nullptr);
    Receive(xxBack, xxWire + ".\r\n");
    ASSERT_EQ(xxBack.MessageParts()->Count(), 1);
    EXPECT_EQ(netpeer::ReadFile(AttachmentAt(xxBack, 0)->StoredPathName()), "abc");
}

TEST(Tnetmessageclient, MalformedMessagesStayReadable)
{
    const std::string head = "From: a@b.c\r\nSubject: s\r\nContent-Type: multipart/mixed; boundary=B\r\n\r\n";
    const std::string cases[] = {
        // The message ends inside a part's header.
        head + "--B\r\nContent-Type: text/plain\r\n.\r\n",
        // No closing boundary, a broken base64 body with stray characters.
        head + "--B\r\nContent-Type: application/octet-stream; name=x.cab\r\nContent-Transfer-Encoding: base64\r\n\r\n"
               "YWJ\r\nj!!*\r\n=\r\n.\r\n",
        // A header line without a blank after the colon, a name that climbs folders.
        head + "--B\r\nContent-Disposition:attachment; filename=\"../../etc/passwd\"\r\n\r\nroot\r\n--B--\r\n.\r\n",
        // Boundaries nested far too deep.
        [&] {
            std::string s = head;
            for (int i = 0; i < 200; ++i)
                s += "--" + std::string(i == 0 ? "B" : "N" + std::to_string(i - 1)) +
                     "\r\nContent-Type: multipart/mixed; boundary=N" + std::to_string(i) + "\r\n\r\n";
            return s + ".\r\n";
        }(),
        // A UU attachment without its end, and a hostile name.
        std::string("Subject: uu\r\n\r\nbegin 644 ../../x\r\n#86)C\r\n.\r\n"),
        // Garbage header fields.
        std::string("From: <a@b.c> x@y.z\r\nDate: 99 Foo 99999 99:99\r\nX-Priority: 77\r\n"
                    "Subject: =?windows-1251?Q?=ZZ?= =?ISO-8859-1?B?\r\n\r\n.\r\n"),
        // A single-part base64 body.
        std::string("Content-Transfer-Encoding: base64\r\nContent-Type: application/octet-stream; name=\"a.bin\"\r\n\r\n"
                    "YWJj\r\nZGVm\r\n.\r\n"),
    };
    for (const std::string& wire : cases) {
        TNetMessage msg(nullptr);
        EXPECT_NO_THROW(Receive(msg, wire)) << wire.substr(0, 200);
        for (int i = 0; i < msg.MessageParts()->Count(); ++i)
            if (TNetAttachment* a = AttachmentAt(msg, i)) {
                EXPECT_EQ(a->FileName().find('/'), std::string::npos);
                EXPECT_EQ(a->FileName().find(".."), std::string::npos);
            }
    }
    TNetMessage msg(nullptr);
    Receive(msg, cases[2]);
    ASSERT_EQ(msg.MessageParts()->Count(), 1);
    EXPECT_EQ(AttachmentAt(msg, 0)->FileName(), "passwd");
    TNetMessage uu(nullptr);
    Receive(uu, cases[4]);
    ASSERT_EQ(uu.MessageParts()->Count(), 1);
    EXPECT_EQ(AttachmentAt(uu, 0)->FileName(), "x");
    EXPECT_EQ(netpeer::ReadFile(AttachmentAt(uu, 0)->StoredPathName()), "abc");
    TNetMessage single(nullptr);
    Receive(single, cases[6]);
    ASSERT_EQ(single.MessageParts()->Count(), 1);
    EXPECT_EQ(AttachmentAt(single, 0)->FileName(), "a.bin");
    EXPECT_EQ(netpeer::ReadFile(AttachmentAt(single, 0)->StoredPathName()), "abcdef");
}

TEST(Tnetmessageclient, HeaderValuesCannotInjectLines)
{
    TNetMessage msg(nullptr);
    msg.SetSubject("hi\r\nBcc: victim@example.com");
    msg.Recipients()->Add()->SetAddress("a@b.c\r\nX-Evil: 1");
    const std::string wire = SendWire(msg);
    EXPECT_EQ(wire.find("\r\nBcc:"), std::string::npos);
    EXPECT_EQ(wire.find("\r\nX-Evil"), std::string::npos);
}

TEST(Tnetmessageclient, UndecodedBodiesEventsAndTerminators)
{
    const std::string wire = "Subject: raw\r\nContent-Transfer-Encoding: base64\r\n\r\nYWJj\r\n..dot\r\n.\r\n";
    TNetMessage raw(nullptr);
    raw.SetNoDecode(true);
    Receive(raw, wire);
    ASSERT_EQ(raw.Body()->Count(), 2);
    EXPECT_EQ(raw.Body()->Strings(0), "YWJj");
    EXPECT_EQ(raw.Body()->Strings(1), ".dot");
    EXPECT_EQ(raw.MessageParts()->Count(), 0);

    // A header that ends in another terminator (a POP3 TOP reply ends in ".").
    TStandInIOHandler handler("Subject: top\r\nFrom: a@b.c\r\n.\r\n");
    TNetMessageClient client(nullptr);
    client.SetIOHandler(&handler);
    TNetMessage top(nullptr);
    client.ReceiveHeader(&top, ".");
    EXPECT_EQ(top.Subject(), "top");
    EXPECT_EQ(top.From()->Address(), "a@b.c");

    // Status and work events of a send; the header coding chosen by the event.
    const std::string dir = netpeer::TestFolder("events");
    netpeer::WriteFile(dir + "/a.cab", "abc");
    TNetMessage msg(nullptr);
    msg.SetSubject("тема");
    msg.OnInitializeISO = [](uint8_t&, char& encoding, std::string& charSet) {
        encoding = 'B';
        charSet = "KOI8-R";
    };
    new TNetAttachment(msg.MessageParts(), dir + "/a.cab");
    std::vector<std::string> statuses;
    int begins = 0, ends = 0;
    int32_t written = 0;
    client.OnStatus = [&](TObject*, TNetStatus, const std::string& text) { statuses.push_back(text); };
    client.OnWorkBegin = [&](TObject*, TWorkMode mode, int32_t) { begins += mode == wmWrite; };
    client.OnWork = [&](TObject*, TWorkMode mode, int32_t count) {
        if (mode == wmWrite)
            written = count;
    };
    client.OnWorkEnd = [&](TObject*, TWorkMode mode) { ends += mode == wmWrite; };
    handler.Output.clear();
    client.SendMsg(&msg);
    client.SetIOHandler(nullptr);
    EXPECT_EQ(statuses, std::vector<std::string>{"Encoding attachment"});
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(written, static_cast<int32_t>(handler.Output.size()));
    EXPECT_NE(handler.Output.find("Subject: =?KOI8-R?B?8uXs4A==?=\r\n"), std::string::npos) << handler.Output;
}

TEST(Tnetmessageclient, JapaneseSystemsSendISO2022JP)
{
    const char* old = std::getenv("LC_ALL");
    const std::string saved = old ? old : "";
    setenv("LC_ALL", "ja_JP.SJIS", 1);
    TNetMessage msg(nullptr);
    msg.SetSubject("\x83\x65\x83\x58\x83\x67"); // "test" in katakana, Shift-JIS
    msg.Body()->Add("\x83\x65\x83\x58\x83\x67 abc");
    const std::string wire = SendWire(msg);
    if (old)
        setenv("LC_ALL", saved.c_str(), 1);
    else
        unsetenv("LC_ALL");
    EXPECT_NE(wire.find("Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=\r\n"), std::string::npos) << wire;
    EXPECT_NE(wire.find("\r\n\r\n\x1b$B%F%9%H\x1b(B abc\r\n"), std::string::npos) << wire;
    EXPECT_EQ(DecodeHeader("=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?="), "\x83\x65\x83\x58\x83\x67");
}

TEST(Tnetmessageclient, DamagedMessagesNeverCrashTheReader)
{
    const std::string dir = netpeer::TestFolder("damaged");
    netpeer::WriteFile(dir + "/a.cab", netpeer::RandomBytes(3000, 1));
    netpeer::WriteFile(dir + "/b.uue", netpeer::RandomBytes(100, 2));
    TNetMessage msg(nullptr);
    msg.SetSubject("Quillaran### =?x?= тема");
    msg.From()->SetText("\"A, B\" <a@b.c>");
    new TNetAttachment(msg.MessageParts(), dir + "/a.cab");
    auto* text = new TNetText(msg.MessageParts());
    text->Body()->Add("text = with soft breaks " + std::string(100, 'x'));
    auto* text2 = new TNetText(msg.MessageParts());
    text2->Body()->Add("begin 644 b.uue");
    const std::string wire = SendWire(msg);
    const std::string pieces[] = {"\r\n", "--", "=_NextPart_2rfkqzlmsadvnqw3nerasdf", "=?ISO-8859-1?Q?", "?=", "\"", "=",
                                  "begin 644 x\r\n", "\r\n\r\n", "Content-Type: multipart/mixed; boundary=Z\r\n", ":"};
    std::mt19937 gen(2026);
    int failures = 0;
    for (int round = 0; round < 400; ++round) {
        std::string damaged = wire;
        for (int k = 0, n = 1 + static_cast<int>(gen() % 8); k < n; ++k) {
            const size_t at = gen() % damaged.size();
            switch (gen() % 4) {
            case 0: damaged[at] = static_cast<char>(gen()); break;
            case 1: damaged.erase(at, gen() % 200); break;
            case 2: damaged.insert(at, pieces[gen() % std::size(pieces)]); break;
            case 3: damaged.resize(at); break;
            }
            if (damaged.empty())
                damaged = "x";
        }
        TNetMessage back(nullptr);
        try {
            Receive(back, Stuffed(Unstuffed(damaged + "\r\n.\r\n")));
        } catch (const ENetException&) {
            ++failures; // a refusal with the library's text is fine; a crash is not
        }
        for (int i = 0; i < back.MessageParts()->Count(); ++i)
            if (TNetAttachment* a = AttachmentAt(back, i)) {
                EXPECT_EQ(a->FileName().find('/'), std::string::npos);
            }
    }
    EXPECT_LT(failures, 400);
}
