#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Tstr.h"
#include "Scratchroot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

HANDLE Create(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}
HANDLE Open(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

TEST(Tbufio, EveryTypeIsWrittenLittleEndianAndReadBack) {
  TScratchRoot root;
  std::string path = root.Path() + "/types.bin";
  HANDLE h = Create(path);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  {
    TBufWriter w(h, 16);  // a tiny buffer crosses its end on every type
    w.WriteByte(0x00);
    w.WriteByte(0xFF);
    w.WriteWord(0x1234);
    w.WriteWord(0xFFFF);
    w.WriteDWord(0x89ABCDEF);
    w.WriteDWord(0);
    w.WriteDouble(1.0);
    w.WriteDouble(-0.0);
    w.WriteAnsiString("ab");
    w.WritePChar("cd");
    w.WritePChar(nullptr);
    w.WriteAnsiString("");
    EXPECT_EQ(w.Position(), 2u + 4 + 8 + 16 + 4);
  }  // the destructor flushes
  CloseHandle(h);
  const std::string expected(
      "\x00\xFF" "\x34\x12" "\xFF\xFF" "\xEF\xCD\xAB\x89" "\x00\x00\x00\x00"
      "\x00\x00\x00\x00\x00\x00\xF0\x3F" "\x00\x00\x00\x00\x00\x00\x00\x80" "abcd", 34);
  EXPECT_EQ(testsupport::ReadFile(path), expected);

  h = Open(path);
  TBufReader r(h, 16);
  EXPECT_EQ(r.ReadByte(), 0x00);
  EXPECT_EQ(r.ReadByte(), 0xFF);
  EXPECT_EQ(r.ReadWord(), 0x1234);
  EXPECT_EQ(r.ReadWord(), 0xFFFF);
  EXPECT_EQ(r.ReadDWord(), 0x89ABCDEFu);
  EXPECT_EQ(r.ReadDWord(), 0u);
  EXPECT_EQ(r.ReadDouble(), 1.0);
  double negZero = r.ReadDouble();
  EXPECT_TRUE(negZero == 0.0 && std::signbit(negZero));
  EXPECT_EQ(r.ReadAnsiString(4), "abcd");
  EXPECT_TRUE(r.IsEof());
  EXPECT_FALSE(IsErrorReported());
  CloseHandle(h);
}

TEST(Tbufio, DoublesKeepEveryBit) {
  std::string bytes;
  const double values[] = {3.141592653589793, -1e-308, std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::infinity(), 38705.5};
  {
    TBufWriter w(bytes);
    for (double v : values) w.WriteDouble(v);
    w.WriteDouble(std::numeric_limits<double>::quiet_NaN());
  }
  ASSERT_EQ(bytes.size(), 48u);
  TBufReader r(bytes);
  for (double v : values) EXPECT_EQ(r.ReadDouble(), v);
  EXPECT_TRUE(std::isnan(r.ReadDouble()));
}

TEST(Tbufio, TStrIsALengthAndItsCharactersAtEveryLength) {
  TScratchRoot root;
  std::string longest(65535, 'x');
  longest[0] = 'Ж';
  longest[65534] = '\xFF';
  std::string bytes;
  {
    TBufWriter w(bytes);
    TStr().SaveToBufWriter(w);
    TStr("Ab").SaveToBufWriter(w);
    TStr(longest).SaveToBufWriter(w);
  }
  ASSERT_EQ(bytes.size(), 2u + 4 + 2 + 65535);
  EXPECT_EQ(bytes.substr(0, 6), std::string("\x00\x00\x02\x00" "Ab", 6));
  EXPECT_EQ(bytes.substr(6, 3), std::string("\xFF\xFF\xC6", 3));

  TBufReader r(bytes);
  TStr a("not empty"), b, c;
  a.LoadFromBufReader(r);
  b.LoadFromBufReader(r);
  c.LoadFromBufReader(r);
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_EQ(a.Text(), nullptr);
  EXPECT_EQ(b, "Ab");
  EXPECT_EQ(c.ToString(), longest);
  EXPECT_FALSE(IsErrorReported());
}

TEST(Tbufio, ATextTooLongToStoreIsReportedAndCut) {
  TScratchRoot root;
  std::string bytes;
  {
    TBufWriter w(bytes);
    TStr(std::string(70000, 'y')).SaveToBufWriter(w);
  }
  EXPECT_TRUE(IsErrorReported());
  EXPECT_EQ(bytes.size(), 2u + 65535);
  EXPECT_NE(root.Log().find("TStr::SaveToBufWriter - "), std::string::npos);
}

TEST(Tbufio, ReadingPastTheEndIsReportedOnceAndGivesZeros) {
  TScratchRoot root;
  std::string path = root.Path() + "/short.bin";
  HANDLE h = Create(path);
  {
    TBufWriter w(h);
    w.WriteWord(7);
    w.WriteByte(1);
  }
  CloseHandle(h);
  h = Open(path);
  TBufReader r(h);
  EXPECT_EQ(r.ReadWord(), 7);
  EXPECT_EQ(r.ReadDWord(), 0u);  // only one byte left
  EXPECT_TRUE(r.IsFailed());
  EXPECT_EQ(r.ReadByte(), 0);
  TStr s("kept?");
  s.LoadFromBufReader(r);
  EXPECT_TRUE(s.IsEmpty());
  CloseHandle(h);
  EXPECT_TRUE(IsErrorReported());
  std::string log = root.Log();
  EXPECT_EQ(log, "ERROR MESSAGE: TBufReader::Read - \xd0\xbd\xd0\xb5\xd0\xbe\xd0\xb6\xd0\xb8\xd0\xb4\xd0\xb0"
                 "\xd0\xbd\xd0\xbd\xd1\x8b\xd0\xb9 \xd0\xba\xd0\xbe\xd0\xbd\xd0\xb5\xd1\x86 "
                 "\xd1\x84\xd0\xb0\xd0\xb9\xd0\xbb\xd0\xb0\n");

  // A text whose length promises more than the file holds.
  TError::Instance().Reset();
  std::string bytes("\x05\x00" "ab", 4);
  TBufReader m(bytes);
  s.LoadFromBufReader(m);
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_TRUE(IsErrorReported());
}

TEST(Tbufio, AFailedWriteIsReportedAndLaterWritesDropped) {
  TScratchRoot root;
  std::string path = root.Path() + "/readonly.bin";
  CloseHandle(Create(path));
  HANDLE h = Open(path);  // opened for reading only
  {
    TBufWriter w(h, 16);
    w.WriteDWord(1);
    EXPECT_FALSE(w.Flush());
    EXPECT_TRUE(w.IsFailed());
    w.WriteAnsiString(std::string(100, 'z'));
  }
  CloseHandle(h);
  EXPECT_TRUE(IsErrorReported());
  std::string log = root.Log();
  EXPECT_EQ(log.rfind("ERROR MESSAGE: TBufWriter::Flush - "), 0u);
  EXPECT_EQ(log.find("ERROR MESSAGE", 1), std::string::npos);  // once
  EXPECT_EQ(testsupport::ReadFile(path), "");
}

TEST(Tbufio, LargeBlocksPassTheBuffer) {
  std::string big(1 << 20, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  std::string bytes;
  {
    TBufWriter w(bytes);
    w.WriteByte(9);
    w.WriteBytes(big.data(), big.size());
    w.WriteByte(10);
  }
  ASSERT_EQ(bytes.size(), big.size() + 2);
  TBufReader r(bytes);
  EXPECT_EQ(r.ReadByte(), 9);
  std::string back(big.size(), '\0');
  EXPECT_TRUE(r.ReadBytes(back.data(), back.size()));
  EXPECT_EQ(back, big);
  EXPECT_EQ(r.ReadByte(), 10);
  EXPECT_EQ(r.Position(), bytes.size());
}

}  // namespace

namespace {

// Little-endian bytes of a value, built by shifts: an encoding independent of the writer's.
template <class T>
void AppendLE(std::string& out, T v) {
  for (size_t i = 0; i < sizeof v; ++i) out += static_cast<char>((static_cast<uint64_t>(v) >> (8 * i)) & 0xFF);
}

TEST(Tbufio, RandomMixedRecordsAcrossBufferSizes) {
  TScratchRoot root;
  std::mt19937 gen(7);
  struct Field {
    int kind;
    uint32_t n;
    double d;
    std::string text;
  };
  std::vector<Field> fields;
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    Field f{static_cast<int>(gen() % 5), static_cast<uint32_t>(gen()), 0, ""};
    switch (f.kind) {
      case 0: f.n &= 0xFF; AppendLE(expected, static_cast<uint8_t>(f.n)); break;
      case 1: f.n &= 0xFFFF; AppendLE(expected, static_cast<uint16_t>(f.n)); break;
      case 2: AppendLE(expected, f.n); break;
      case 3: {
        f.d = std::ldexp(static_cast<double>(gen()), static_cast<int>(gen() % 200) - 100);
        uint64_t bits;
        std::memcpy(&bits, &f.d, 8);
        AppendLE(expected, bits);
        break;
      }
      default: {
        size_t len = gen() % 4 == 0 ? 0 : gen() % 300;
        for (size_t k = 0; k < len; ++k) f.text += static_cast<char>(gen() % 256);  // zero bytes too
        AppendLE(expected, static_cast<uint16_t>(len));
        expected += f.text;
      }
    }
    fields.push_back(f);
  }
  for (size_t bufferSize : {16u, 17u, 1000u, 65536u}) {
    std::string path = root.Path() + "/mixed" + std::to_string(bufferSize);
    HANDLE h = Create(path);
    {
      TBufWriter w(h, bufferSize);
      for (const Field& f : fields) {
        switch (f.kind) {
          case 0: w.WriteByte(static_cast<uint8_t>(f.n)); break;
          case 1: w.WriteWord(static_cast<uint16_t>(f.n)); break;
          case 2: w.WriteDWord(f.n); break;
          case 3: w.WriteDouble(f.d); break;
          default: TStr(f.text).SaveToBufWriter(w);
        }
      }
    }
    CloseHandle(h);
    ASSERT_EQ(testsupport::ReadFile(path), expected) << bufferSize;
    h = Open(path);
    TBufReader r(h, 4096 / (bufferSize % 7 + 1));
    for (const Field& f : fields) {
      switch (f.kind) {
        case 0: ASSERT_EQ(r.ReadByte(), f.n); break;
        case 1: ASSERT_EQ(r.ReadWord(), f.n); break;
        case 2: ASSERT_EQ(r.ReadDWord(), f.n); break;
        case 3: ASSERT_EQ(r.ReadDouble(), f.d); break;
        default: {
          TStr s;
          s.LoadFromBufReader(r);
          ASSERT_EQ(s.ToString(), f.text);
        }
      }
    }
    EXPECT_TRUE(r.IsEof());
    CloseHandle(h);
  }
  EXPECT_FALSE(IsErrorReported());
}

}  // namespace
