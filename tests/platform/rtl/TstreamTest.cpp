#include "platform/rtl/Exception.h"
#include "platform/rtl/Tfilestream.h"
#include "platform/rtl/Tmemorystream.h"
#include "platform/rtl/Tstringstream.h"
#include "tests/platform/rtl/TestTmp.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(Tstream, MemoryStreamGrowsSeeksAndCopies) {
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  EXPECT_EQ(m.Size(), 5);
  EXPECT_EQ(m.Position(), 5);
  EXPECT_EQ(m.Seek(-2, soEnd), 3);
  m.WriteBuffer("p!", 2);
  m.SetPosition(0);
  char buf[16] = {};
  EXPECT_EQ(m.Read(buf, sizeof buf), 5);
  EXPECT_EQ(std::string(buf, 5), "help!");
  EXPECT_EQ(m.Read(buf, 1), 0);
  EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);
  try {
    m.ReadBuffer(buf, 1);
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
  // Writing past the end leaves the gap inside the stream.
  m.SetPosition(8);
  m.WriteBuffer("x", 1);
  EXPECT_EQ(m.Size(), 9);
  m.SetSize(2);
  EXPECT_EQ(m.Position(), 2);
  EXPECT_EQ(std::string(static_cast<char*>(m.Memory()), 2), "he");
  m.Clear();
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Memory(), nullptr);

  // A megabyte through CopyFrom, whole and in part.
  TMemoryStream big;
  std::string data(1 << 20, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  big.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
  TMemoryStream copy;
  EXPECT_EQ(copy.CopyFrom(&big, 0), static_cast<int64_t>(data.size()));
  EXPECT_EQ(std::string(static_cast<char*>(copy.Memory()), data.size()), data);
  big.SetPosition(100);
  TMemoryStream part;
  EXPECT_EQ(part.CopyFrom(&big, 1000), 1000);
  EXPECT_EQ(std::string(static_cast<char*>(part.Memory()), 1000), data.substr(100, 1000));
  EXPECT_THROW(part.CopyFrom(&big, static_cast<int64_t>(data.size())), EReadError);
}

TEST(Tstream, StringStream) {
  TStringStream s("abcdef");
  EXPECT_EQ(s.ReadString(2), "ab");
  s.WriteString("XY");  // cuts the text at the position
  EXPECT_EQ(s.DataString(), "abXY");
  EXPECT_EQ(s.Seek(10, soBeginning), 4);
  EXPECT_EQ(s.Seek(-10, soCurrent), 0);
  EXPECT_EQ(s.ReadString(100), "abXY");
  s.SetSize(1);
  EXPECT_EQ(s.Position(), 1);
  EXPECT_EQ(s.DataString(), "a");
}

TEST(Tstream, FileStreamModesAndRefusals) {
  std::string dir = RtlTestFolder("filestream");
  std::string name = dir + "/data.bin";
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("0123456789", 10);
    EXPECT_EQ(f.Size(), 10);
    f.SetSize(4);
  }
  EXPECT_EQ(ReadWholeFile(name), "0123");
  {
    TFileStream f(name, fmOpenReadWrite);
    f.Seek(0, soEnd);
    f.WriteBuffer("ab", 2);
    f.SetPosition(1);
    char c[3] = {};
    f.ReadBuffer(c, 3);
    EXPECT_EQ(std::string(c, 3), "123");
  }
  EXPECT_EQ(ReadWholeFile(name), "0123ab");
  {
    TFileStream f(name, fmCreate);  // creating empties an existing file
  }
  EXPECT_EQ(ReadWholeFile(name), "");

  // A Cyrillic name reaches the file system as UTF-8.
  { TFileStream f(dir + "/\xEF\xF0\xE8\xE2\xE5\xF2.txt", fmCreate); }
  struct stat st;
  EXPECT_EQ(stat((dir + "/\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.txt").c_str(), &st), 0);

  try {
    TFileStream f(dir + "/missing.bin", fmOpenRead);
    FAIL() << "opened a missing file";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file \"" + dir + "/missing.bin\". The system cannot find the file specified.");
  }
  try {
    TFileStream f(dir + "/no/such/folder.bin", fmCreate);
    FAIL() << "created a file in a missing folder";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"" + dir + "/no/such/folder.bin\". The system cannot find the path specified.");
  }
  try {
    TFileStream f(dir, fmOpenRead);
    FAIL() << "opened a folder";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file \"" + dir + "\". Access is denied.");
  }
  // EFOpenError and EFCreateError are stream errors and exceptions.
  EXPECT_THROW(TFileStream(dir + "/missing.bin", fmOpenRead), EFileStreamError);

  // Share modes: an exclusive holder refuses everyone; readers that deny writing share.
  {
    TFileStream holder(name, fmOpenReadWrite | fmShareExclusive);
    EXPECT_THROW(TFileStream(name, fmOpenRead | fmShareDenyWrite), EFOpenError);
    EXPECT_THROW(TFileStream(name, fmCreate | fmShareExclusive), EFCreateError);
  }
  {
    TFileStream r1(name, fmOpenRead | fmShareDenyWrite);
    TFileStream r2(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_THROW(TFileStream(name, fmOpenWrite | fmShareExclusive), EFOpenError);
    TFileStream free(name, fmOpenRead | fmShareDenyNone);
  }
  TFileStream again(name, fmOpenWrite | fmShareExclusive);
}

}  // namespace
