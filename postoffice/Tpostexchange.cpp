#include "postoffice/Tpostexchange.h"

#include "foundation/Filereplace.h"
#include "foundation/Fileroutines.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "foundation/Tlogin.h"
#include "model/Messagereceivers.h"
#include "model/Modelhooks.h"
#include "net/Enetexception.h"
#include "net/Netsystem.h"
#include "net/Tnetemailaddress.h"
#include "net/Tnetmessageparts.h"
#include "platform/kernel/Fileapi.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tdatetime.h"
#include "postoffice/Postarchives.h"
#include "postoffice/Tpost.h"
#include "postoffice/Tpostadaptor.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>

namespace {

// Blanks and control characters around.
std::string Trimmed(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return std::string(text.substr(begin, end - begin));
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && EqualNoCase(text.substr(text.size() - tail.size()), tail);
}

// A failure's text as one line of the log: the mail library's sentences, which it parts by
// CR LF, stand side by side; anything else the server's words hold is escaped.
std::string OneLine(std::string_view text) {
  return EscapeControlChars(StringReplace(text, "\r\n", " ", rfReplaceAll));
}

bool SameContents(const std::string& a, const std::string& b) {
  std::string first, second;
  return ReadWholeFile(a, first) && ReadWholeFile(b, second) && first == second;
}

// A post file whose message names no receiver (older builds composed commands to nobody)
// could never go. Its record tells it only once the message's header was read: a record
// without its command is one whose receivers are not known.
bool NamesNobody(const TPostFile& file) {
  return !file.Command.IsEmpty() && !NamesReceiver(file.Receivers.View()) && !NamesReceiver(file.Robots.View());
}

}  // namespace

std::string SafeAttachmentName(std::string_view name) {
  const size_t cut = name.find_last_of("/\\:");
  if (cut != std::string_view::npos) name.remove_prefix(cut + 1);
  std::string safe;
  for (char c : name) safe += IsControlChar(c) || std::strchr("*?\"<>|", c) ? '_' : c;
  const size_t start = safe.find_first_not_of(". ");
  safe = start == std::string::npos ? std::string() : safe.substr(start);
  while (!safe.empty() && (safe.back() == ' ' || safe.back() == '.')) safe.pop_back();
  // Saved as "." + name + ".part", perhaps kept as "name#2.1_3": it fits the file system.
  return FitFileName(safe, MaxSafeNameBytes);
}

bool IsPostPartName(std::string_view name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return false;
  const std::string_view tail = name.substr(dot + 1);
  const size_t underscore = tail.find('_');
  const auto digits = [](std::string_view text) {
    return !text.empty() && text.size() <= 5 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  return underscore != std::string_view::npos && digits(tail.substr(0, underscore)) &&
         digits(tail.substr(underscore + 1));
}

std::vector<std::string> PostFileReceivers(const TStr& receivers, const TStr& robots) {
  std::string text = receivers == "*" ? std::string() : receivers.ToString();
  if (!text.empty() && !robots.IsEmpty()) text += "; ";
  text += robots.ToString();
  std::vector<std::string> list;
  size_t at = 0;
  while (at < text.size()) {
    size_t next = text.find("; ", at);
    if (next == std::string::npos) next = text.size();
    std::string address = text.substr(at, next - at);
    at = next + 2;
    if (!address.empty() && std::find(list.begin(), list.end(), address) == list.end()) list.push_back(address);
  }
  return list;
}

TPostExchange::TPostExchange() : Receiver(nullptr), Sender(nullptr), Message(nullptr) {
  Message.SetEncoding(meMIME);
  Receiver.OnWork = [this](TObject*, TWorkMode mode, int32_t bytes) {
    if (mode == wmRead) HearWhileReading(bytes);
  };
}

TPostExchange::~TPostExchange() {
  try {
    if (Receiver.Connected()) Receiver.Disconnect();
    if (Sender.Connected()) Sender.Disconnect();
  } catch (const std::exception&) {
  }
}

void TPostExchange::Log(const std::string&) {}
void TPostExchange::ShowStatus(const std::string&) {}
void TPostExchange::ShowTransfer(const std::string&) {}
void TPostExchange::ProcessMessages() {}
void TPostExchange::ShowBadAddresses(const std::string&) {}

void TPostExchange::ReceiveStep() {
  Log(" *** RECEIVING POST...");
  bool tried = false;
  for (uint32_t a = 0; Accounts && a < Accounts->Count(); ++a) {
    const TEMailInfo& account = (*Accounts)[a];
    if (account.POP3Server.IsEmpty() || account.UserName.IsEmpty()) continue;
    tried = true;
    bool connected = false;
    const bool goOn = ReceiveFromAccount(account, connected);
    if (connected) {
      Log("Disconnecting...");
      try {
        Receiver.Quit();
      } catch (const std::exception& e) {
        // The server applies the deletions at QUIT: without it, the mail stays there. A
        // connection that broke before was told when it broke.
        if (!Cancel) {
          Log("Error disconnecting (" + OneLine(e.what()) + "): the server deletes no message of this run.");
          TellTimeout(e, "disconnecting");
        }
      }
    }
    if (!goOn || Cancel) break;
  }
  if (!tried) {
    const std::string why = "Nothing received: no mail account names a POP3 server and a user.";
    Log(why);
    ShowStatus(why);
  }
  Log("Finished.");
}

void SplitServerPort(const std::string& server, std::string& host, int32_t& port) {
  host = server;
  const size_t colon = server.find(':');
  if (colon == std::string::npos || colon == 0 || server.find(':', colon + 1) != std::string::npos) return;
  const std::string digits = server.substr(colon + 1);
  if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return;
  const int32_t value = std::stoi(digits);
  if (value < 1 || value > 65535) return;
  host = server.substr(0, colon);
  port = value;
}

bool TakePlainConnectionMark(std::string& server) {
  const size_t length = std::strlen(PlainConnectionMark);
  if (!EndsWithNoCase(server, PlainConnectionMark)) return false;
  server.erase(server.size() - length);
  return true;
}

void TPostExchange::Configure(TNetTCPClient& client, std::string server, int32_t port, const TEMailInfo& account) {
  std::string host;
  client.PlainConnection = TakePlainConnectionMark(server);
  SplitServerPort(server, host, port);
  client.SetHost(host);
  client.SetPort(port);
  client.Username = account.UserName.ToString();
  client.Password = account.Password.ToString();
  client.SetReadTimeout(ReadTimeout);
  fServer = server;
  Log("Connecting to " + server + " / " + account.UserName.ToString() + "...");
}

bool TPostExchange::TryServer(bool pop3, const TEMailInfo& account, std::string& told) {
  TNetTCPClient& client = pop3 ? static_cast<TNetTCPClient&>(Receiver) : Sender;
  Configure(client, (pop3 ? account.POP3Server : account.SMTPServer).ToString(), pop3 ? Pop3Port : SmtpPort, account);
  told = std::string(pop3 ? "POP3" : "SMTP") + " server " + client.Host() + ":" + std::to_string(client.Port());
  // The library's texts are sentences, a socket's error its number over the system's
  // text; here the last line's words end the line.
  const auto reason = [](std::string text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
    if (const size_t end = text.find_last_of("\r\n"); end != std::string::npos) text.erase(0, end + 1);
    while (!text.empty() && (text.back() == '.' || static_cast<unsigned char>(text.back()) <= ' ')) text.pop_back();
    if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
        !std::isupper(static_cast<unsigned char>(text[1])))
      text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
  };
  // An SMTP server is logged in to as the exchange does, when it offers the log-in.
  bool loggedIn = pop3;
  std::string encryption;
  RefusedUnencrypted = false;
  try {
    client.Connect(ConnectTimeout);
    encryption = client.TLSVersion();
    if (!pop3 && !client.Password.empty() && Sender.IsAuthProtocolAvailable(atLogin)) {
      Sender.SetAuthenticationType(atLogin);
      Sender.Authenticate();
      loggedIn = true;
    }
  } catch (const std::exception& e) {
    try {
      if (client.Connected()) client.Disconnect();
    } catch (const std::exception&) {
    }
    // A refused certificate or a refused unencrypted server is told as the exchange tells it:
    // the refusal names the server itself, but one met after the handshake does not.
    RefusedUnencrypted = dynamic_cast<const ENetUnencryptedRefused*>(&e) != nullptr;
    // The server's words are shown as one line, whatever they hold.
    const std::string what = OneLine(e.what());
    if (RefusedUnencrypted || (dynamic_cast<const ENetTLSError*>(&e) && what.rfind(told, 0) == 0)) told = what;
    else if (dynamic_cast<const ENetTLSError*>(&e)) told += ": " + what;
    else if (dynamic_cast<const ENetProtocolReplyError*>(&e))
      told += " answered but refused: " + EscapeControlChars(reason(e.what()));
    else told += " did not answer: " + EscapeControlChars(reason(e.what()));
    return false;
  }
  try {
    client.Disconnect();
  } catch (const std::exception&) {
  }
  told += encryption.empty() ? " answered, not encrypted" : " answered, encrypted (" + encryption + ")";
  if (loggedIn) told += ", login accepted";
  return true;
}

bool TPostExchange::ReceiveFromAccount(const TEMailInfo& account, bool& connected) {
  const std::string server = account.POP3Server.ToString(), user = account.UserName.ToString();
  ShowStatus("Receiving post from " + server + " / " + user);
  ReceivedMessages.Clear();
  Configure(Receiver, server, Pop3Port, account);
  try {
    Receiver.Connect(ConnectTimeout);
  } catch (const std::exception& e) {
    LogConnectFailure(e);
    TellTimeout(e, "connecting");
    return false;  // no further account is tried
  }
  connected = true;
  Log("Connected.");
  try {
    const int32_t count = Receiver.CheckMessages();
    if (count <= 0) {
      Log("No new messages.");
      return true;
    }
    Log("There are " + std::to_string(count) + " message(s) on server.");
    if (!ReadHeaders(count)) return true;
    KeepPostMessages();
    if (ReceivedMessages.IsEmpty()) {
      Log("No new command-messages on server.");
      return true;
    }
    Log("There are " + std::to_string(ReceivedMessages.Count()) + " new command-message(s) on server.");
    ReceivePostMessages();
  } catch (const std::exception& e) {
    Log("Error receiving message (" + OneLine(e.what()) + ")");
    TellTimeout(e, "receiving messages");
    Cancel = 1;
  }
  return true;
}

bool TPostExchange::ReadHeaders(int32_t count) {
  Log("Retrieving message headers...");
  for (int32_t i = 1; i <= count; ++i) {
    ProcessMessages();
    if (Cancel) return false;
    ShowTransfer("Current transfer: " + std::to_string(i) + " of " + std::to_string(count) + " messages (" +
                 std::to_string(int64_t(i - 1) * 100 / count) + "%)");
    Message.Clear();
    std::exception_ptr failure;
    if (!Retrieved([&] { return Receiver.RetrieveHeader(i, &Message); }, "receiving message headers", failure)) {
      // A message that cannot be read is not ours to delete: it stays on the server and
      // the mailbox behind it is received.
      if (!InStep(failure)) {
        Cancel = 1;
        return false;
      }
      Log("Message #" + std::to_string(i) + " left on the server...");
      continue;
    }
    TReceivedMessage received;
    received.Number = i;
    received.Subject = std::string_view(Message.Subject()).substr(0, TStr::kMaxStoredLength);
    received.Sender = std::string_view(Message.From()->Address()).substr(0, TStr::kMaxStoredLength);
    ReceivedMessages.AddItem(std::move(received));
  }
  ShowTransfer("");
  return true;
}

void TPostExchange::KeepPostMessages() {
  for (uint32_t k = ReceivedMessages.Count(); k-- > 0;) {
    TReceivedMessage& received = ReceivedMessages[k];
    if (Trimmed(received.Subject.View()).rfind(PostSubjectMarker, 0) != 0) {
      Log("Non-quillaran message with Subject='" + EscapeControlChars(received.Subject.View()) + "' skipped...");
      ReceivedMessages.Delete(k);
    } else {
      received.Size = Receiver.RetrieveMsgSize(received.Number);
    }
  }
}

void TPostExchange::ReceivePostMessages() {
  TArray<TEMailComment> spammers;
  if (Post && Post->Adaptor) Post->Adaptor->GetSpammersList(spammers);
  Log("Receiving command-messages...");
  for (const TReceivedMessage& received : ReceivedMessages) {
    ProcessMessages();
    if (Cancel) {
      Log("Aborting...");
      return;
    }
    std::string sender = received.Sender.ToString();
    sender = sender.substr(0, sender.find(' '));
    const bool spammer = std::any_of(spammers.begin(), spammers.end(), [&sender](const TEMailComment& row) {
      return EqualNoCase(sender, row.Address.View());
    });
    if (spammer) {
      Log("Message from spammer " + EscapeControlChars(sender) + " deleted...");
      Receiver.Delete(received.Number);
      continue;
    }
    if (Receiver.MaxMessageSize > 0 && received.Size > Receiver.MaxMessageSize) {
      Log("Message #" + std::to_string(received.Number) + " of " + std::to_string(received.Size) +
          " bytes is larger than the limit of " + std::to_string(Receiver.MaxMessageSize) +
          " bytes: left on the server...");
      continue;
    }
    Message.Clear();
    Log("Message #" + std::to_string(received.Number) + " receiving...");
    std::exception_ptr failure;
    if (!Retrieved([&] { return Receiver.Retrieve(received.Number, &Message); }, "receiving messages", failure)) {
      const bool local = !Cancel && IsLocalFault(failure);
      if (!InStep(failure) || Cancel) {
        if (Cancel) Log("Aborting...");
        Cancel = 1;
        return;
      }
      if (local) {
        // A file, the disk or memory failed here: the message is sound and waits on the
        // server, with every one after it, for the next run.
        Log("Message #" + std::to_string(received.Number) +
            " left on the server: the fault is on this computer, not in the message. Receiving stopped; "
            "the next run receives it.");
        ShowStatus("Receiving stopped by a fault on this computer: the mail stays on the server.");
        Cancel = 1;
        return;
      }
      // Marked as post but never readable: it would fail at every exchange.
      Refuse(received, "cannot be read", TextOf(failure));
      continue;
    }
    std::string reason;
    const TSaving saving = SaveAttachments(reason);
    if (Cancel) return;
    if (saving == TSaving::Left) {
      // No name here takes its part now: the mail is sound and waits on the server, none
      // of it kept, and the mail behind it comes in.
      Log("Message #" + std::to_string(received.Number) + " left on the server: " + reason);
      TError::AppendToLog("MAIL LEFT ON THE SERVER: message #" + std::to_string(received.Number) + " from " +
                          EscapeControlChars(received.Sender.View()) + " on " + fServer + ": " + reason);
      continue;
    }
    // Only now, with every attachment saved or kept, may the message go.
    Receiver.Delete(received.Number);
  }
}

bool TPostExchange::Retrieved(const std::function<bool()>& retrieve, const std::string& step,
                              std::exception_ptr& failure) {
  std::string error = "-ERR";
  bool read = false;
  fHearing = true;
  fHeardAt = 0;
  try {
    read = retrieve();
  } catch (const EAbort&) {
    failure = std::current_exception();
    fHearing = false;
    return false;  // the user's Cancel
  } catch (const std::exception& e) {
    error = e.what();
    failure = std::current_exception();
    TellTimeout(e, step);
  }
  fHearing = false;
  if (!read) Log("Error receiving message (" + OneLine(error) + ")");
  return read;
}

void TPostExchange::HearWhileReading(int32_t bytes) {
  if (!fHearing) return;
  if (bytes >= fHeardAt && bytes - fHeardAt < HearEveryBytes) return;
  fHeardAt = bytes;
  ProcessMessages();
  if (!Cancel) return;
  fHearing = false;
  throw EAbort();
}

std::string TPostExchange::TextOf(const std::exception_ptr& failure) {
  if (!failure) return "-ERR";
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
  }
  return "unknown failure";
}

bool TPostExchange::IsLocalFault(const std::exception_ptr& failure) {
  if (!failure) return false;
  try {
    std::rethrow_exception(failure);
  } catch (const ENetException&) {
    return false;  // the mail library found the message or the conversation wrong
  } catch (...) {
  }
  return true;  // a file, the disk or memory of this computer
}

bool TPostExchange::InStep(const std::exception_ptr& failure) {
  if (!failure || !Receiver.Connected()) return false;
  try {
    std::rethrow_exception(failure);
  } catch (const ENetProtocolReplyError&) {
    return false;  // refused: no answer follows
  } catch (const ENetReadTimeout&) {
    return false;
  } catch (const ENetConnClosedGracefully&) {
    return false;
  } catch (const ENetClosedSocket&) {
    return false;
  } catch (const ENetSocketError&) {
    return false;
  } catch (const ENetTLSError&) {
    return false;  // the encrypted session broke: nothing more can be read
  } catch (const std::exception&) {
  }
  // What the message was read with failed inside its answer: the rest of the answer is
  // read in pieces and dropped up to the line that ends it.
  const TNetMaxLineAction action = Receiver.MaxLineAction();
  Receiver.SetMaxLineAction(maSplit);
  bool ended = false;
  try {
    for (bool continued = false;;) {
      const std::string line = Receiver.ReadLn();
      if (!continued && !Receiver.ReadLnSplit() && line == ".") {
        ended = true;
        break;
      }
      continued = Receiver.ReadLnSplit();
    }
  } catch (const std::exception& e) {
    Log("Error receiving message (" + OneLine(e.what()) + ")");
  }
  Receiver.SetMaxLineAction(action);
  return ended;
}

void TPostExchange::LogConnectFailure(const std::exception& e) {
  // A refusal for the password's sake is a line of its own that names the server.
  if (dynamic_cast<const ENetTLSError*>(&e) || dynamic_cast<const ENetUnencryptedRefused*>(&e)) Log(OneLine(e.what()));
  else Log("Error connecting (" + OneLine(e.what()) + ")");
}

void TPostExchange::TellTimeout(const std::exception& e, const std::string& step) {
  if (!dynamic_cast<const ENetReadTimeout*>(&e) && !dynamic_cast<const ENetConnectTimeout*>(&e)) return;
  const std::string text = "The server " + fServer + " did not answer in time (" + step + ").";
  Log(text);
  ShowStatus(text);
}

void TPostExchange::Refuse(const TReceivedMessage& received, const std::string& what, const std::string& reason) {
  const std::string number = std::to_string(received.Number);
  Log("Message #" + number + " " + what + " - deleted...");
  // The sender and the reason come from the mail: one line in the log whatever they hold.
  TError::AppendToLog("REFUSED MAIL: message #" + number + " from " + EscapeControlChars(received.Sender.View()) +
                      " on " + fServer + " " + what + " (" + EscapeControlChars(reason) + "), deleted from the server");
  Receiver.Delete(received.Number);
}

TPostExchange::TSaving TPostExchange::SaveAttachments(std::string& reason) {
  // A mail is saved whole or not at all: one that stays on the server leaves none of its
  // files behind, so that it brings them again, once, when it comes in.
  std::vector<std::string> placed;
  const auto leave = [&placed](TSaving saving) {
    for (const std::string& path : placed) DeleteFileA(path.c_str());
    return saving;
  };
  TNetMessageParts* parts = Message.MessageParts();
  for (int i = 0; i < parts->Count(); ++i) {
    auto* attachment = dynamic_cast<TNetAttachment*>(parts->Items(i));
    if (!attachment) continue;
    std::string name = SafeAttachmentName(attachment->FileName());
    if (name.empty()) {
      Log("Attachment without a usable name skipped...");
      continue;
    }
    // Only what the post office expects comes in, and only into its own folders: the
    // parts of post files, and cabinets that messages name, set apart from them.
    const bool cabinet = EndsWithNoCase(name, ".cab");
    if (!cabinet && !IsPostPartName(name)) {
      Log("Attachment " + name + " is no post file - skipped...");
      continue;
    }
    const std::string folder = cabinet ? ReceiveFolderPath + AttachedFolderName : ReceiveFolderPath;
    if (cabinet && !CreateFolder(folder)) {
      Log("Error saving " + name + " (cannot create " + folder + ")");
      Cancel = 1;
      return leave(TSaving::Stopped);
    }
    // Its file system may take shorter names than most: the name then fits it too, with
    // what saving adds ("." and ".part"); a name kept beside a taken one fits by itself.
    const size_t room = platform::MaxNameBytes(folder);
    if (room < MaxSafeNameBytes + 12) name = FitFileName(name, room > 24 ? room - 12 : 12);
    std::string path = folder + name;
    // A part whose name is taken by a file of other content (junk sent under a foretold
    // name, or the same post cut short) is kept beside it under a free name, which others'
    // files never all hold: joining takes the set that unpacks. A cabinet is named by its
    // message and keeps the file first there.
    const bool taken = IsFileExists(path);
    if (taken && cabinet) {
      Log("File " + path + " exists - skipping decoding...");
      continue;
    }
    if (!taken) Log("Decoding " + name + " to " + folder + "...");
    // Saved under a hidden name first: a file of that name is always complete.
    const std::string partial = folder + "." + name + ".part";
    DeleteFileA(partial.c_str());
    std::string error;
    bool nameRefused = false;
    try {
      attachment->SaveToFile(partial);
      if (taken && SameContents(partial, path)) {
        DeleteFileA(partial.c_str());
        Log("File " + path + " exists - skipping decoding...");
        continue;
      }
      const std::string kept = taken ? FreeFileName(folder, name, true) : name;
      if (kept.empty()) {
        const DWORD code = GetLastError();
        error = "no free name beside " + path + ": " + platform::SystemReason(code);
        nameRefused = code == ERROR_FILE_EXISTS || ENetAttachmentSaveError::IsNameRefusal(code);
      } else if (taken) {
        Log("File " + path + " exists with other content - kept as " + kept + "...");
        path = folder + kept;
      }
      if (error.empty() && !MoveFileA(partial.c_str(), path.c_str())) {
        const DWORD code = GetLastError();
        error = "cannot rename " + partial + ": " + platform::SystemReason(code);
        nameRefused = ENetAttachmentSaveError::IsNameRefusal(code);
      }
    } catch (const ENetAttachmentSaveError& e) {
      error = e.what();
      nameRefused = e.NameRefused();
    } catch (const std::exception& e) {
      error = e.what();
    }
    if (!error.empty()) {
      DeleteFileA(partial.c_str());
      Log("Error saving " + name + " (" + error + ")");
      reason = "Error saving " + name + " (" + error + ")";
      // No name this folder takes now, though our rules made it: a stricter file system's
      // answer, or names held by other files, never the fault of the mail.
      if (nameRefused) return leave(TSaving::Left);
      Cancel = 1;  // the message stays on the server
      return leave(TSaving::Stopped);
    }
    placed.push_back(path);
  }
  return TSaving::Saved;
}

void TPostExchange::SendStep() {
  if (!Post) return;
  // A marked file to nobody leaves the waiting post as handled, to go to history unsent.
  bool told = false;
  for (TPostFile& file : Post->OutboxPost.Files)
    if (!file.Processed && file.Sendable && NamesNobody(file)) {
      file.Processed = 1;
      if (!told) Log("");
      told = true;
      Log(file.Name.ToString() + " names no receiver: it is not sent, and goes to history.");
    }
  uint32_t waiting = 0, marked = 0;
  for (const TPostFile& file : Post->OutboxPost.Files)
    if (!file.Processed) {
      ++waiting;
      if (file.Sendable) ++marked;
    }
  if (marked == 0) {
    // A press of "Send" that sends nothing says why.
    const std::string folder = Post->OutboxPost.FolderName.ToString();
    const std::string why = waiting == 0 ? "Nothing to send: no post file waits in " + folder + "."
                                         : "Nothing to send: " + std::to_string(waiting) + " post file(s) wait in " +
                                               folder + " but none is marked (+).";
    Log("");
    Log(why);
    ShowStatus(why);
    return;
  }
  BadAddresses.clear();
  Log("");
  Log(" *** SENDING POST...");
  bool tried = false;
  for (uint32_t a = 0; Accounts && a < Accounts->Count(); ++a) {
    const TEMailInfo& account = (*Accounts)[a];
    if (account.SMTPServer.IsEmpty() || account.UserName.IsEmpty()) continue;
    tried = true;
    if (!SendFromAccount(account)) break;
    if (Cancel) break;
  }
  if (!tried) {
    const std::string why = "Nothing sent: no mail account names an SMTP server and a user.";
    Log(why);
    ShowStatus(why);
  }
  Log("Finished.");
  if (!BadAddresses.empty()) ShowBadAddresses(BadAddresses);
}

bool TPostExchange::SendFromAccount(const TEMailInfo& account) {
  const std::string server = account.SMTPServer.ToString(), user = account.UserName.ToString();
  ShowStatus("Sending post to " + server + " / " + user);
  Configure(Sender, server, SmtpPort, account);
  try {
    Sender.SetAuthenticationType(atNone);
    Sender.Connect(ConnectTimeout);
    if (Sender.AuthSchemesSupported()->IndexOf("LOGIN") >= 0) {
      Sender.SetAuthenticationType(atLogin);
      Sender.Authenticate();
    }
  } catch (const std::exception& e) {
    LogConnectFailure(e);
    TellTimeout(e, "connecting");
    try {
      if (Sender.Connected()) Sender.Disconnect();
    } catch (const std::exception&) {
    }
    return false;  // ends the whole send step
  }
  Log("Connected.");
  const uint16_t limit = account.MaxReceivers;
  for (uint32_t r = 0; r < Post->OutboxPost.Files.Count() && !Cancel; ++r) {
    TPostFile& file = Post->OutboxPost.Files[r];
    if (file.Processed || !file.Sendable) continue;
    std::vector<std::string> receivers = PostFileReceivers(file.Receivers, file.Robots);
    if (receivers.empty()) continue;
    while (!receivers.empty()) {
      ProcessMessages();
      if (Cancel) {
        Log("Aborting...");
        break;
      }
      const size_t count = limit != 0 && limit < receivers.size() ? limit : receivers.size();
      std::vector<std::string> batch(receivers.begin(), receivers.begin() + long(count));
      receivers.erase(receivers.begin(), receivers.begin() + long(count));
      if (!SendPostFile(r, batch)) break;
    }
    if (receivers.empty() && !Cancel) file.Processed = 1;
  }
  Log("Disconnecting...");
  try {
    Sender.Disconnect();
  } catch (const std::exception&) {
  }
  return true;
}

// The receiver of the batch that a refusal names; "" when it names none of them.
static std::string RefusedReceiver(const std::string& reply, const std::vector<std::string>& batch) {
  for (const std::string& address : batch)
    if (LowerCase(reply).find(LowerCase("<" + address + ">")) != std::string::npos) return address;
  return {};
}

bool TPostExchange::SendPostFile(uint32_t index, std::vector<std::string> batch) {
  // A receiver the server refuses for good is listed as a bad address and the e-mail goes
  // to the others of the batch.
  while (!batch.empty()) {
    std::string refused;
    if (!SendPostFileTo(index, batch, refused)) return false;
    if (refused.empty()) return true;
    if (!BadAddresses.empty()) BadAddresses += "\r\n";
    BadAddresses += refused;
    batch.erase(std::find(batch.begin(), batch.end(), refused));
  }
  return true;
}

bool TPostExchange::SendPostFileTo(uint32_t index, const std::vector<std::string>& batch, std::string& refused) {
  const TPostFile& file = Post->OutboxPost.Files[index];
  const std::string name = file.Name.ToString();
  Message.Clear();
  Message.Recipients()->Add()->SetAddress(batch[0]);
  for (size_t i = 1; i < batch.size(); ++i) Message.BccList()->Add()->SetAddress(batch[i]);
  TLoginsStorage* logins = ModelHooks().Logins;
  const TLogin* login = logins ? logins->GetCurrentLogin() : nullptr;
  Message.From()->SetAddress(file.Sender.ToString());
  Message.From()->SetName((login ? login->DisplayName.ToString() : std::string()) + " " + "Quillaran");
  Message.Body()->Add(std::string(PostSubjectMarker) + name);
  new TNetAttachment(Message.MessageParts(), Post->OutboxPost.FilePath(index));
  if (!file.AttachedFileName.IsEmpty()) {
    // Only a file of the root folder itself goes along.
    const std::string attached = SafeAttachmentName(file.AttachedFileName.View());
    if (!attached.empty()) new TNetAttachment(Message.MessageParts(), TBrowseGlobal::Paths.Root + attached);
  }
  Message.SetSubject(std::string(PostSubjectMarker) + " " + name + " " + FormatDateTime("yyyy.mm.dd hh:nn:ss", Now()) +
                     " #" + std::to_string(index));
  Message.ReplyTo()->Add()->SetAddress(file.Sender.ToString());
  Log("Sending " + name + "...");
  try {
    Sender.Send(&Message);
  } catch (const ENetProtocolReplyError& e) {
    const int32_t code = e.ReplyErrorCode();
    refused = code >= 550 && code <= 553 ? RefusedReceiver(e.what(), batch) : std::string();
    if (!refused.empty()) {
      Log("Receiver " + refused + " refused (" + OneLine(e.what()) + ")");
      return true;
    }
    Log("Error sending " + name + " (" + OneLine(e.what()) + ")");
    Cancel = 1;
    return false;
  } catch (const std::exception& e) {
    Log("Error sending " + name + " (" + OneLine(e.what()) + ")");
    TellTimeout(e, "sending " + name);
    Cancel = 1;
    return false;
  }
  return true;
}
