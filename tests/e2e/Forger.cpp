#include "tests/e2e/Forger.h"

#include "foundation/Commoncrypt.h"
#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "model/Tcommandmessage.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

// Replaces the post part of a mail that carries the code by a cabinet of one file, named as the
// program names a one-part cabinet of that file.
constexpr const char* SwapScript = R"(import base64, email, subprocess, sys
work, name, code = sys.argv[1], sys.argv[2], sys.argv[3]
m = email.message_from_bytes(open(work + '/in.eml', 'rb').read())
for part in m.walk():
    if part.get_filename() and code in part.get_filename():
        subprocess.run(['gcab', '-c', '-z', work + '/out.cab', name], cwd=work + '/x', check=True)
        part.set_payload(base64.encodebytes(open(work + '/out.cab', 'rb').read()).decode())
        part.set_param('name', name + '.1_1')
        part.set_param('filename', name + '.1_1', header='Content-Disposition')
open(work + '/out.eml', 'wb').write(m.as_bytes())
)";

constexpr const char* UnpackScript = R"(import email, os, subprocess, sys
work, code = sys.argv[1], sys.argv[2]
m = email.message_from_bytes(open(work + '/in.eml', 'rb').read())
for part in m.walk():
    if part.get_filename() and code in part.get_filename():
        open(work + '/in.cab', 'wb').write(part.get_payload(decode=True))
        subprocess.run(['cabextract', '-q', '-d', work + '/x', work + '/in.cab'], check=True)
        os.rename(work + '/x/' + os.listdir(work + '/x')[0], work + '/message')
)";

}  // namespace

TDiscBlockRecord ModelBlockRecord(const std::string& name, uint16_t number, const std::string& text) {
  TDiscBlockRecord record;
  record.Name = name;
  record.UpperName = "*";
  record.StorageType = StorageType_Model;
  record.Num = number;
  record.TextType = TextType_Premise;
  record.Novelty = 1;
  record.Importance = 1;
  record.Possibility = 50;
  record.Texts.Text = text;
  record.ADIdent = 0;
  record.CheckValue = ComposeCheckValue(record);
  return record;
}

TForger::TForger(std::string folder) : fFolder(std::move(folder)) {
  testsupport::Run("mkdir -p '" + fFolder + "'");
  EXPECT_TRUE(MakeSigningKeyPair(Pair));
}

std::string TForger::Sign(const std::string& path, const std::string& bytes, const std::string& command,
                          const std::string& key) {
  std::remove(path.c_str());
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr));
  SetMessageSigner([this](TSigningKeyPair& pair) {
    pair = Pair;
    return true;
  });
  EXPECT_TRUE(SignFile(file, key, command, 0));
  SetMessageSigner(nullptr);
  CloseHandle(file);
  return path;
}

std::string TForger::Message(const std::string& name, const std::string& sender,
                             const std::vector<std::pair<std::string, std::string>>& fields,
                             const std::vector<TDiscBlockRecord>& blocks, const std::string& key) {
  TCommandMessageHeader header;
  std::string command;
  for (const auto& [field, value] : fields) {
    const bool crypted = field.back() == '*';
    EXPECT_TRUE(crypted ? header.AddCryptedField(field.substr(0, field.size() - 1), value)
                        : header.AddField(field, value));
    if (field == "COMMAND") command = value;
  }
  std::string bytes;
  {
    TBufWriter writer(bytes);
    EXPECT_TRUE(header.Write(writer, sender));
    for (const TDiscBlockRecord& record : blocks) EXPECT_TRUE(DiscBlockToBufWriter(writer, record, key));
    if (!blocks.empty()) EndBlockRecords(writer);
    writer.Flush();
  }
  return Sign(fFolder + "/" + name, bytes, command, key);
}

std::string TForger::Altered(const std::string& name, const std::string& message, size_t fromEnd) {
  std::string bytes = message.substr(0, message.size() - SealTrailerSize - SignatureBlockSize);
  bytes[bytes.size() - fromEnd] ^= 1;
  return Sign(fFolder + "/" + name, bytes, "NEW_BLOCKS");
}

std::string TForger::Copy(const std::string& name, const std::string& message,
                          const std::vector<std::pair<std::string, std::string>>& changes) {
  TCommandMessageHeader received, copy;
  TBufReader reader{std::string_view(message)};
  EXPECT_TRUE(received.Read(reader));
  std::vector<std::pair<std::string, std::string>> left = changes;
  for (size_t i = 0; i < received.FieldCount(); ++i) {
    const TCommandMessageHeaderField& field = received.Field(i);
    const std::string fieldName = field.Name.ToString();
    if (fieldName == "SENDER_LIDENT") continue;
    std::string value = field.Plain.ToString();
    for (auto it = left.begin(); it != left.end(); ++it)
      if (it->first == fieldName) {
        value = it->second;
        left.erase(it);
        break;
      }
    EXPECT_TRUE(field.Crypted ? copy.AddCryptedField(fieldName, value) : copy.AddField(fieldName, value));
  }
  for (const auto& [fieldName, value] : left) EXPECT_TRUE(copy.AddField(fieldName, value));
  std::string bytes;
  {
    TBufWriter writer(bytes);
    EXPECT_TRUE(copy.Write(writer, received.GetFieldValue("SENDER_LIDENT")));
    writer.Flush();
  }
  return Sign(fFolder + "/" + name, bytes, received.GetFieldValue("COMMAND"));
}

std::string TForger::Mail(const std::string& mail, const std::string& messagePath, const std::string& code) {
  const std::string work = fFolder + "/mail";
  const std::string name = messagePath.substr(messagePath.rfind('/') + 1);
  testsupport::Run("rm -rf '" + work + "' && mkdir -p '" + work + "/x' && cp '" + messagePath + "' '" + work + "/x/'");
  testsupport::WriteFile(work + "/in.eml", mail);
  testsupport::WriteFile(work + "/swap.py", SwapScript);
  testsupport::RunPeer("python3 '" + work + "/swap.py' '" + work + "' '" + name + "' '" + code + "'");
  return testsupport::ReadFile(work + "/out.eml");
}

std::string TForger::Unpacked(const std::string& mail, const std::string& code) {
  const std::string work = fFolder + "/unpack";
  testsupport::Run("rm -rf '" + work + "' && mkdir -p '" + work + "/x'");
  testsupport::WriteFile(work + "/in.eml", mail);
  testsupport::WriteFile(work + "/unpack.py", UnpackScript);
  testsupport::RunPeer("python3 '" + work + "/unpack.py' '" + work + "' '" + code + "'");
  return testsupport::ReadFile(work + "/message");
}

}  // namespace e2e
