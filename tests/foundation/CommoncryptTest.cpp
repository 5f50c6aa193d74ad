#include "foundation/Commoncrypt.h"

#include "foundation/Gostpassword.h"
#include "foundation/Guihooks.h"
#include "platform/kernel/Codepage.h"
#include "Gostpeer.h"
#include "Scratchroot.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>

using namespace gostpeer;

namespace {

const std::string KeyPassword = "ключ-пароль 1";  // code-page bytes, as logins keep them

bool IsUpperHex(const std::string& s) {
  return s.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

// A command message as the composers write it: created new, write-only, through a writer.
std::string WriteMessage(const std::string& dir, const std::string& body, const std::string& keyPassword,
                         int announce = 0, bool sign = true) {
  std::string path = dir + "/message.cmd";
  std::remove(path.c_str());
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(f, INVALID_HANDLE_VALUE);
  {
    TBufWriter w(f);
    w.WriteAnsiString(body);
    EXPECT_TRUE(w.Flush());
  }
  if (sign) {
    EXPECT_TRUE(SignFile(f, keyPassword, "NEW_BLOCKS", announce));
  }
  CloseHandle(f);
  return path;
}

bool Verify(const std::string& path, bool privateMessage, const std::string& key) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  EXPECT_NE(f, INVALID_HANDLE_VALUE);
  bool good = VerifyFileSign(f, privateMessage, key);
  CloseHandle(f);
  return good;
}

std::string Utf8(const std::string& codePageText) { return platform::AnsiToUtf8(codePageText); }

std::string gCaption, gMessage;
int RecordMessageBox(const std::string& caption, const std::string& message, const std::string&, const std::string&,
                     int) {
  gCaption = caption;
  gMessage = message;
  return 0;
}

struct THeader : TSealedMessageHeader {
  bool Private;
  std::string Key;
  THeader(bool p, std::string k) : Private(p), Key(std::move(k)) {}
  bool IsPrivateMessage() const override { return Private; }
  std::string SenderKey() const override { return Key; }
};

}  // namespace

TEST(Commoncrypt, PackASRoundTripsAsFreshUpperHex) {
  TScratchRoot root;
  for (std::string text : {std::string(), std::string("Аннотация секретной дискуссии"), RandomBytes(3000, 1)}) {
    std::string a = PackAS(text, "seven77"), b = PackAS(text, "seven77");
    EXPECT_TRUE(IsUpperHex(a));
    EXPECT_EQ(a.size(), 2 * (1 + text.size() + PasswordCipherOverhead));
    EXPECT_NE(a, b) << "a fresh synchro each call";
    std::string back = "old";
    ASSERT_TRUE(UnpackAS(a, "seven77", back));
    EXPECT_EQ(back, text);
  }
  std::string longest(32, 'p');
  std::string back;
  ASSERT_TRUE(UnpackAS(PackAS("x", longest), longest, back));
  EXPECT_EQ(back, "x");
  EXPECT_FALSE(IsErrorReported());
}

TEST(Commoncrypt, PackASRefusesStrangePasswords) {
  TScratchRoot root;
  EXPECT_EQ(PackAS("text", "six666"), "");
  EXPECT_TRUE(IsErrorReported());
  EXPECT_EQ(root.Log(), Utf8("ERROR MESSAGE: PackAS - странный пароль\n"));
  TError::Instance().Reset();
  EXPECT_EQ(PackAS("text", std::string(33, 'p')), "");
  EXPECT_TRUE(IsErrorReported());
}

// A wrong password or a damaged text is reported and never deciphered into garbage;
// the password itself never reaches the log.
TEST(Commoncrypt, UnpackASReportsWrongPasswordAndDamage) {
  TScratchRoot root;
  std::string packed = PackAS("секрет", KeyPassword);
  std::string text = "kept";
  EXPECT_FALSE(UnpackAS(packed, "ключ-пароль 2", text));
  EXPECT_TRUE(IsErrorReported());
  EXPECT_EQ(text, "kept");
  EXPECT_EQ(root.Log(), Utf8("ERROR MESSAGE: UnpackAS - неверный пароль или упакованный текст искажён\n"));
  for (std::string damaged : {packed.substr(0, packed.size() - 1), packed.substr(0, packed.size() - 2),
                              "Z" + packed.substr(1), "02" + packed.substr(2), std::string("00")}) {
    TError::Instance().Reset();
    EXPECT_FALSE(UnpackAS(damaged, KeyPassword, text));
    EXPECT_TRUE(IsErrorReported());
  }
  std::string log = root.Log();
  EXPECT_EQ(log.find(KeyPassword), std::string::npos);
  EXPECT_EQ(log.find(Utf8(KeyPassword)), std::string::npos);
  EXPECT_EQ(log.find(Utf8("ключ-пароль 2")), std::string::npos);
}

TEST(Commoncrypt, CryptedPortionsRoundTripThroughBufferedFiles) {
  TScratchRoot root;
  std::string path = root.Path() + "/portions.bin";
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  std::string big = RandomBytes(70000, 5);
  {
    TBufWriter w(f);
    w.WriteDWord(7);
    WriteCryptedPortion(w, "Секретный текст блока", KeyPassword);
    WriteCryptedPortion(w, "", KeyPassword);
    WriteCryptedPortion(w, big, KeyPassword);
    w.WriteWord(0xBEEF);
  }
  CloseHandle(f);
  std::string file = ReadFile(path);
  EXPECT_EQ(file.size(), 4 + 3 * (4 + PasswordCipherOverhead) + 21 + big.size() + 2);
  EXPECT_EQ(file.find("Секретный"), std::string::npos);

  f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  {
    TBufReader r(f);
    std::string a, b, c;
    EXPECT_EQ(r.ReadDWord(), 7u);
    EXPECT_TRUE(ReadCryptedPortion(r, KeyPassword, a));
    EXPECT_TRUE(ReadCryptedPortion(r, KeyPassword, b));
    EXPECT_TRUE(ReadCryptedPortion(r, KeyPassword, c));
    EXPECT_EQ(r.ReadWord(), 0xBEEF);
    EXPECT_EQ(a, "Секретный текст блока");
    EXPECT_EQ(b, "");
    EXPECT_TRUE(c == big);
  }
  CloseHandle(f);
  EXPECT_FALSE(IsErrorReported());

  TBufReader wrong{std::string_view(file)};
  std::string out = "kept";
  wrong.ReadDWord();
  EXPECT_FALSE(ReadCryptedPortion(wrong, "ключ-пароль 2", out));
  EXPECT_EQ(out, "kept");
  EXPECT_EQ(root.Log(), Utf8("ERROR MESSAGE: ReadCryptedPortion - неверный пароль или данные искажены\n"));
}

TEST(Commoncrypt, CryptedPortionWithAbsurdOrOverlongLengthIsRefused) {
  TScratchRoot root;
  std::string out;
  std::string absurd = "\xFF\xFF\xFF\xFF" + RandomBytes(40, 6);
  TBufReader r1{std::string_view(absurd)};
  EXPECT_FALSE(ReadCryptedPortion(r1, KeyPassword, out));
  EXPECT_EQ(root.Log(), Utf8("ERROR MESSAGE: ReadCryptedPortion - неверная длина зашифрованной порции\n"));

  TError::Instance().Reset();
  std::string memory;
  {
    TBufWriter w(memory);
    WriteCryptedPortion(w, RandomBytes(500, 7), KeyPassword);
  }
  for (size_t cut : {memory.size() - 1, memory.size() - 16, size_t{4}, size_t{2}}) {
    TError::Instance().Reset();
    std::string shorter = memory.substr(0, cut);
    TBufReader r{std::string_view(shorter)};
    EXPECT_FALSE(ReadCryptedPortion(r, KeyPassword, out)) << cut;
    EXPECT_TRUE(IsErrorReported()) << cut;
  }
}

TEST(Commoncrypt, SignedFileVerifiesUnderTheRightKeyOnly) {
  TScratchRoot root;
  std::string body = "COMMAND=NEW_BLOCKS\r\nPRIVATE_REQ=0\r\nDATA\r\n-";
  std::string path = WriteMessage(root.Path(), body, "");
  std::string file = ReadFile(path);
  ASSERT_EQ(file.size(), body.size() + SealTrailerSize + SignatureBlockSize);
  EXPECT_EQ(file.substr(0, body.size()), body);
  EXPECT_EQ(file.substr(body.size(), 8), std::string("QLSEAL\x01\x00", 8));
  EXPECT_EQ(file.substr(body.size() + SealTrailerSize, 8), std::string("QLSIGN\x01\x00", 8));
  EXPECT_EQ(file.substr(body.size() + 8, 8), std::string(1, static_cast<char>(body.size())) + std::string(7, '\0'));
  EXPECT_TRUE(Verify(path, false, ""));
  EXPECT_FALSE(Verify(path, true, KeyPassword));

  path = WriteMessage(root.Path(), body, KeyPassword);
  EXPECT_TRUE(Verify(path, true, KeyPassword));
  EXPECT_FALSE(Verify(path, true, "ключ-пароль 2"));
  EXPECT_FALSE(Verify(path, true, ""));
  EXPECT_FALSE(Verify(path, false, ""));

  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  EXPECT_TRUE(VerifyFileSign(f, THeader(true, KeyPassword)));
  EXPECT_FALSE(VerifyFileSign(f, THeader(false, KeyPassword)));
  CloseHandle(f);
  EXPECT_FALSE(IsErrorReported());
}

// The seal is a standard HMAC over the data and the trailer's first 16 bytes. A message of
// several pieces: its seal is computed beside the signature's digest, piece by piece.
constexpr size_t LargeMessage = 600000;

TEST(Commoncrypt, SealEqualsOpensslHmacOverTheSealedBytes) {
  TScratchRoot root;
  std::string path = WriteMessage(root.Path(), RandomBytes(LargeMessage, 8), KeyPassword);
  std::string file = ReadFile(path);
  const size_t seal = file.size() - SignatureBlockSize - 32;
  WriteFile(root.Path() + "/sealed.bin", file.substr(0, seal));
  uint8_t key[32];
  DeriveGostKey(KeyPassword.data(), KeyPassword.size(), "seal", key);
  std::string peer = RunPeer(OpensslEnv(root.Path()) + "openssl dgst -md_gost94 -mac hmac -macopt hexkey:" +
                             HexOf(key, 32) + " '" + root.Path() + "/sealed.bin'");
  EXPECT_EQ(DigestIn(peer), Hex(file.substr(seal, 32)));
}

// The signature block names the signer's key and signs every byte before it, seal included,
// as openssl's GOST engine checks a GOST R 34.10-2012 signature: the peer verifies it from
// the bytes we wrote, and refuses it once a byte of the seal is changed.
TEST(Commoncrypt, OpensslVerifiesTheSignatureOverTheSealedMessage) {
  TScratchRoot root;
  TSigningKeyPair pair;
  ASSERT_TRUE(MakeSigningKeyPair(pair));
  SetMessageSigner([&pair](TSigningKeyPair& out) {
    out = pair;
    return true;
  });
  const std::string path = WriteMessage(root.Path(), RandomBytes(LargeMessage, 9), KeyPassword);
  SetMessageSigner(nullptr);
  const std::string file = ReadFile(path);
  const std::string block = file.substr(file.size() - SignatureBlockSize);
  EXPECT_EQ(block.substr(8, PublicKeySize), std::string(pair.Public.begin(), pair.Public.end()));
  // The key as openssl reads it: the algorithm GOST R 34.10-2012 (256), the CryptoPro-A
  // curve and the GOST R 34.11-2012 (256) digest, then the point's 64 bytes.
  const std::string spki = std::string(
                               "\x30\x66\x30\x1f\x06\x08\x2a\x85\x03\x07\x01\x01\x01\x01\x30\x13\x06\x07\x2a"
                               "\x85\x03\x02\x02\x23\x01\x06\x08\x2a\x85\x03\x07\x01\x01\x02\x02\x03\x43"
                               "\x00\x04\x40",
                               40) +
                           block.substr(8, PublicKeySize);
  const std::string dir = root.Path();
  WriteFile(dir + "/key.der", spki);
  WriteFile(dir + "/signature.bin", block.substr(8 + PublicKeySize));
  WriteFile(dir + "/signed.bin", file.substr(0, file.size() - SignatureBlockSize));
  const std::string env = OpensslEnv(dir);
  RunPeer(env + "openssl pkey -pubin -inform DER -in '" + dir + "/key.der' -out '" + dir + "/key.pem'");
  const std::string verify = env + "openssl dgst -md_gost12_256 -verify '" + dir + "/key.pem' -signature '" + dir +
                             "/signature.bin' '" + dir + "/signed.bin' 2>&1";
  EXPECT_EQ(testsupport::Run(verify), "Verified OK\n");
  std::string altered = file.substr(0, file.size() - SignatureBlockSize);
  altered[altered.size() - 1] ^= 1;  // the seal's last byte
  WriteFile(dir + "/signed.bin", altered);
  EXPECT_NE(testsupport::Run(verify), "Verified OK\n");
  EXPECT_TRUE(Verify(path, true, KeyPassword));
  WriteFile(path, altered + block);
  EXPECT_FALSE(Verify(path, true, KeyPassword));
  EXPECT_FALSE(IsErrorReported());
}

TEST(Commoncrypt, AnyAlteredTruncatedOrPaddedFileFails) {
  TScratchRoot root;
  std::string path = WriteMessage(root.Path(), "COMMAND=GIVE_MODEL\r\nDATA\r\n", KeyPassword);
  std::string good = ReadFile(path);
  std::string probe = root.Path() + "/probe.cmd";
  auto verifies = [&](const std::string& content) {
    WriteFile(probe, content);
    return Verify(probe, true, KeyPassword);
  };
  ASSERT_TRUE(verifies(good));
  for (size_t i = 0; i < good.size(); ++i) {
    std::string altered = good;
    altered[i] = static_cast<char>(altered[i] ^ 0x20);
    EXPECT_FALSE(verifies(altered)) << "byte " << i;
  }
  for (size_t cut = 0; cut < good.size(); ++cut) EXPECT_FALSE(verifies(good.substr(0, cut))) << "cut to " << cut;
  EXPECT_FALSE(verifies(good + '\0'));
  EXPECT_FALSE(verifies(good + good.substr(good.size() - SealTrailerSize)));
  EXPECT_FALSE(verifies(std::string(100, '\0') + good));
  EXPECT_FALSE(IsErrorReported());
}

TEST(Commoncrypt, TrailerWithAbsurdLengthIsRefusedAndPositionKept) {
  TScratchRoot root;
  std::string path = WriteMessage(root.Path(), "COMMAND=X\r\nDATA\r\n", "");
  std::string file = ReadFile(path);
  size_t lengthAt = file.size() - SignatureBlockSize - SealTrailerSize + 8;
  for (std::string length : {std::string(8, '\xFF'), std::string("\x00\x00\x00\x00\x00\x00\x00\x80", 8),
                             std::string(8, '\0')}) {
    std::string bad = file;
    bad.replace(lengthAt, 8, length);
    WriteFile(path, bad);
    EXPECT_FALSE(Verify(path, false, ""));
  }
  WriteFile(path, file);
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  TBufReader reader(f);
  EXPECT_EQ(reader.ReadAnsiString(11), "COMMAND=X\r\n");
  EXPECT_TRUE(VerifyFileSign(f, false, ""));
  EXPECT_EQ(reader.ReadAnsiString(6), "DATA\r\n");
  LONG high = 0;
  SetFilePointer(f, 3, &high, FILE_BEGIN);
  EXPECT_TRUE(VerifyFileSign(f, false, ""));
  high = 0;
  EXPECT_EQ(SetFilePointer(f, 0, &high, FILE_CURRENT), 3u);
  CloseHandle(f);
}

TEST(Commoncrypt, SignFileAnnouncesTheComposedMessageVerifyingErrorIsShownAndFailureReported) {
  TScratchRoot root;
  TGuiHooks hooks;
  hooks.ShowMessageBox = RecordMessageBox;
  SetGuiHooks(hooks);
  gCaption = gMessage = "";
  WriteMessage(root.Path(), "COMMAND=NEW_BLOCKS\r\n", "", 0);
  EXPECT_EQ(gMessage, "");
  WriteMessage(root.Path(), "COMMAND=NEW_BLOCKS\r\n", "", 1);
  EXPECT_EQ(gCaption, "NEW_BLOCKS");
  EXPECT_EQ(gMessage, "Command message NEW_BLOCKS composed and signed.");
  EXPECT_FALSE(ShowVerifyingError());
  EXPECT_EQ(gCaption, "VERIFYING ERROR");
  EXPECT_EQ(gMessage, "Incorrect command-message sign or verifying error!");
  SetGuiHooks(TGuiHooks());

  EXPECT_FALSE(SignFile(INVALID_HANDLE_VALUE, KeyPassword, "NEW_BLOCKS", 1));
  EXPECT_TRUE(IsErrorReported());
  EXPECT_EQ(root.Log(), Utf8("ERROR MESSAGE: SignFile - ошибка чтения файла команды-сообщения\n"));
}

namespace {

// New bytes written over the old in the same file: same inode, same size.
void Overwrite(const std::string& path, const std::string& bytes) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr));
  CloseHandle(f);
}

}  // namespace

TEST(Commoncrypt, AVerdictKeptWithAMessageNeverOutlivesAChangeOrAnswersForAnotherKey) {
  TScratchRoot root;
  const std::string path = WriteMessage(root.Path(), "COMMAND=GIVE_MODEL\r\nDATA\r\n", KeyPassword);
  const std::string good = ReadFile(path);
  // The writer sealed these very bytes: listing its message hashes nothing again.
  uint64_t hashings = MessageHashings();
  ASSERT_TRUE(Verify(path, true, KeyPassword));
  EXPECT_EQ(MessageHashings(), hashings);
  // Another program receives it, screens its signature, then checks it whole: each hash runs
  // once, however often it is asked and under whatever name the file is then.
  ForgetKeptVerdicts();
  {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    TMessageSigner signer;
    EXPECT_TRUE(VerifyFileSignature(f, signer));
    CloseHandle(f);
  }
  EXPECT_EQ(MessageHashings(), ++hashings);
  ASSERT_TRUE(Verify(path, true, KeyPassword));
  EXPECT_EQ(MessageHashings(), ++hashings);  // the seal alone
  ASSERT_EQ(std::rename(path.c_str(), (path + ".moved").c_str()), 0);
  WriteFile(path, good);
  EXPECT_TRUE(Verify(path + ".moved", true, KeyPassword));
  EXPECT_TRUE(Verify(path, true, KeyPassword));
  EXPECT_EQ(MessageHashings(), hashings);
  // Altered in place after its verdict was kept, its size and times as they were: refused.
  struct stat before;
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  std::string altered = good;
  altered[3] = static_cast<char>(altered[3] ^ 0x20);
  Overwrite(path, altered);
  const struct timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  EXPECT_FALSE(Verify(path, true, KeyPassword));
  EXPECT_FALSE(Verify(path, true, KeyPassword));
  // The good bytes back: sound again from the verdict kept for them, and only under the key
  // that sealed it.
  Overwrite(path, good);
  hashings = MessageHashings();
  EXPECT_TRUE(Verify(path, true, KeyPassword));
  EXPECT_EQ(MessageHashings(), hashings);
  EXPECT_FALSE(Verify(path, true, "another key password"));
  EXPECT_FALSE(Verify(path, false, ""));
  EXPECT_TRUE(Verify(path, true, KeyPassword));
  // Another file put in its place under the same name.
  WriteFile(path + ".new", altered);
  ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
  EXPECT_FALSE(Verify(path, true, KeyPassword));
}
