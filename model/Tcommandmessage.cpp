#include "model/Tcommandmessage.h"

#include "foundation/Tbufreader.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Terror.h"
#include "model/Modelhooks.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/rtl/Strutil.h"

namespace {

// Encrypted fields keep addresses from casual eyes on the way; every installation of
// the suite can read them, as the post office must before it verifies a message.
constexpr std::string_view HeaderKey = "Quillaran header fields, key 1";
constexpr std::string_view SenderField = "SENDER_LIDENT";
constexpr std::string_view DataLine = "DATA";

bool IsReservedName(std::string_view name) { return name == SenderField || name == DataLine; }

std::string EscapeValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

bool UnescapeValue(std::string_view text, std::string& value) {
  value.clear();
  value.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      value += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\': value += '\\'; break;
      case 'r': value += '\r'; break;
      case 'n': value += '\n'; break;
      default: return false;
    }
  }
  return true;
}

void WriteLine(TBufWriter& writer, std::string_view line) {
  writer.WriteAnsiString(line);
  writer.WriteAnsiString("\r\n");
}

enum class TLineResult { Line, End, Failed };

// One line up to CR LF (not included); refuses a bare CR or LF, an overlong line and
// the end of the data.
TLineResult ReadLine(TBufReader& reader, std::string& line, size_t& total) {
  line.clear();
  for (;;) {
    if (reader.IsEof()) return reader.IsFailed() ? TLineResult::Failed : TLineResult::End;
    const char c = char(reader.ReadByte());
    if (reader.IsFailed()) return TLineResult::Failed;
    if (++total > MaxHeaderSize) {
      TError::Report("TCommandMessageHeader::Read - слишком длинный заголовок");
      return TLineResult::Failed;
    }
    if (c == '\n') {
      TError::Report("TCommandMessageHeader::Read - строка заголовка без CR");
      return TLineResult::Failed;
    }
    if (c == '\r') {
      if (reader.IsEof() || char(reader.ReadByte()) != '\n') {
        TError::Report("TCommandMessageHeader::Read - строка заголовка без LF");
        return TLineResult::Failed;
      }
      ++total;
      return TLineResult::Line;
    }
    if (line.size() == MaxHeaderLineLength) {
      TError::Report("TCommandMessageHeader::Read - слишком длинная строка заголовка");
      return TLineResult::Failed;
    }
    line += c;
  }
}

}  // namespace

bool IsHeaderFieldName(std::string_view name) {
  if (name.empty() || name.size() > MaxFieldNameLength || name[0] < 'A' || name[0] > 'Z') return false;
  for (char c : name)
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
  return true;
}

const TCommandMessageHeaderField* TCommandMessageHeader::Find(std::string_view name) const {
  for (const TCommandMessageHeaderField& field : Fields)
    if (field.Name == name) return &field;
  return nullptr;
}

bool TCommandMessageHeader::Append(std::string_view name, std::string_view value, bool crypted, const char* who) {
  const std::string prefix = std::string("TCommandMessageHeader::") + who + " - ";
  if (!IsHeaderFieldName(name) || IsReservedName(name)) {
    TError::Report(prefix + "недопустимое имя поля " + std::string(name));
    return false;
  }
  if (HasField(name)) {
    TError::Report(prefix + "поле " + std::string(name) + " уже есть");
    return false;
  }
  if (Fields.Count() + 1 >= MaxHeaderFields) {
    TError::Report(prefix + "слишком много полей");
    return false;
  }
  TCommandMessageHeaderField field;
  field.Name = name;
  field.Plain = value;
  field.Crypted = crypted;
  if (crypted) {
    field.Value = PackAS(value, HeaderKey);
  } else {
    field.Value = value;
  }
  if (EscapeValue(field.Value.View()).size() + name.size() + 2 > MaxHeaderLineLength) {
    TError::Report(prefix + "слишком длинное значение поля " + std::string(name));
    return false;
  }
  return Fields.AddItem(std::move(field)) >= 0;
}

bool TCommandMessageHeader::AddField(std::string_view name, std::string_view value) {
  return Append(name, value, false, "AddField");
}

bool TCommandMessageHeader::AddCryptedField(std::string_view name, std::string_view value) {
  return Append(name, value, true, "AddCryptedField");
}

bool TCommandMessageHeader::AddRecipientsFields(const TRecipientsList& row) {
  if (!AddCryptedField("TO_USERS_EMAILS_CRYPTED", row.Users.View())) return false;
  return row.Robots.IsEmpty() || AddCryptedField("TO_ROBOTS_EMAILS_CRYPTED", row.Robots.View());
}

bool TCommandMessageHeader::Write(TBufWriter& writer, std::string_view senderLIdent) const {
  const std::string sender = senderLIdent.empty() ? CurrentModelLogin().LIdent.ToString() : std::string(senderLIdent);
  WriteLine(writer, std::string(SenderField) + "=" + EscapeValue(sender));
  for (const TCommandMessageHeaderField& field : Fields)
    if (field.Name != SenderField)  // a header read from a message holds it
      WriteLine(writer, field.Name.ToString() + (field.Crypted ? "*=" : "=") + EscapeValue(field.Value.View()));
  WriteLine(writer, DataLine);
  return !writer.IsFailed();
}

bool TCommandMessageHeader::Read(TBufReader& reader) {
  Clear();
  std::string line, value;
  size_t total = 0;
  for (;;) {
    const TLineResult got = ReadLine(reader, line, total);
    if (got == TLineResult::End) {
      TError::Report("TCommandMessageHeader::Read - заголовок команды-сообщения не закончен полем DATA");
      Clear();
      return false;
    }
    if (got == TLineResult::Failed) {
      Clear();
      return false;
    }
    if (line == DataLine) {
      if (Fields.IsEmpty()) {
        TError::Report("TCommandMessageHeader::Read - заголовок без поля SENDER_LIDENT");
        return false;
      }
      return true;
    }
    const size_t eq = line.find('=');
    bool crypted = eq != std::string::npos && eq > 0 && line[eq - 1] == '*';
    const std::string name = eq == std::string::npos ? line : line.substr(0, crypted ? eq - 1 : eq);
    const char* wrong = nullptr;
    if (eq == std::string::npos || !IsHeaderFieldName(name) || name == DataLine)
      wrong = "недопустимая строка заголовка ";
    else if (Fields.IsEmpty() != (name == SenderField) || (crypted && name == SenderField))
      wrong = "первым полем заголовка должно быть SENDER_LIDENT, а не ";
    else if (HasField(name))
      wrong = "повторное поле ";
    else if (Fields.Count() + 1 >= MaxHeaderFields)
      wrong = "слишком много полей, начиная с ";
    else if (!UnescapeValue(std::string_view(line).substr(eq + 1), value))
      wrong = "искажённое значение поля ";
    if (wrong != nullptr) {
      TError::Report("TCommandMessageHeader::Read - " + std::string(wrong) + line.substr(0, MaxFieldNameLength + 1));
      Clear();
      return false;
    }
    TCommandMessageHeaderField field;
    field.Name = name;
    field.Value = value;
    field.Crypted = crypted;
    if (crypted) {
      std::string plain;
      if (!UnpackAS(value, HeaderKey, plain)) {
        TError::Report("TCommandMessageHeader::Read - искажённое зашифрованное поле " + name);
        Clear();
        return false;
      }
      field.Plain = plain;
    } else {
      field.Plain = value;
    }
    if (Fields.AddItem(std::move(field)) < 0) {
      Clear();
      return false;
    }
  }
}

std::string TCommandMessageHeader::GetFieldValue(std::string_view name) const {
  const TCommandMessageHeaderField* field = Find(name);
  return field ? field->Value.ToString() : std::string();
}

std::string TCommandMessageHeader::GetCryptedFieldValue(std::string_view name) const {
  const TCommandMessageHeaderField* field = Find(name);
  return field ? field->Plain.ToString() : std::string();
}

std::string TCommandMessageHeader::GetAnnotationField() const {
  const std::string annotation = GetFieldValue("ANNOTATION");
  if (!IsPrivateMessage() || annotation.empty()) return annotation;
  const std::string key = SenderKey();
  if (key.size() < PackPasswordMin || key.size() > PackPasswordMax) return std::string();
  std::string plain;
  return UnpackAS(annotation, key, plain) ? plain : std::string();
}

bool TCommandMessageHeader::IsPrivateMessage() const {
  const TCommandMessageHeaderField* field = Find("PRIVATE_REQ");
  return field != nullptr && field->Value != "0";
}

std::string TCommandMessageHeader::SenderKey() const {
  const TModelHooks& hooks = ModelHooks();
  return hooks.KeyOfLogin
             ? hooks.KeyOfLogin(TStr(GetFieldValue(SenderField)), TStr(GetFieldValue("FROM_USER_EMAIL"))).ToString()
             : std::string();
}

std::string TCommandMessageHeader::AskSenderKey(const TPublicKey& signer) const {
  const TModelHooks& hooks = ModelHooks();
  if (!hooks.AskKeyOfLogin) return std::string();
  // The question names the message: its command, and its discussion as it is called here.
  std::string about = "the " + EscapeControlChars(GetFieldValue("COMMAND").substr(0, 40)) + " message";
  TDiscussionsManager* manager = DiscussionsManager();
  const int found =
      manager ? manager->FindDiscussionByDIdent(TStr(GetFieldValue("DIDENT")), false, TStr(), TStr()) : -1;
  if (found >= 0) about += " of discussion " + manager->GetDiscussion(found).GetName().ToString();
  return hooks.AskKeyOfLogin(TStr(GetFieldValue(SenderField)), TStr(GetFieldValue("FROM_USER_EMAIL")), signer, about)
      .ToString();
}

void TCommandMessageHeader::KeepSenderKey(const std::string& key) const {
  const TModelHooks& hooks = ModelHooks();
  if (hooks.KeepKeyOfLogin)
    hooks.KeepKeyOfLogin(TStr(GetFieldValue(SenderField)), TStr(GetFieldValue("FROM_USER_EMAIL")), TStr(key));
}

bool TCommandMessageHeader::AcceptsSigner(const TPublicKey& key) const {
  const TModelHooks& hooks = ModelHooks();
  return !hooks.MaySign || hooks.MaySign(TStr(GetFieldValue(SenderField)), key);
}

TArray<TRecipientsList> MakeRecipientsList(std::string_view addresses) {
  std::string users, address;
  auto flush = [&] {
    if (address.empty()) return;
    if (!users.empty()) users += "; ";
    users += address;
    address.clear();
  };
  for (char c : addresses) {
    if (c == ';' || c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n')
      flush();
    else
      address += c;
  }
  flush();
  TArray<TRecipientsList> rows;
  if (!users.empty()) {
    TRecipientsList row;
    row.Users = users;
    rows.AddItem(std::move(row));
  }
  return rows;
}
