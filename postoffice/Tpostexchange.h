#pragma once
// One mail exchange of the post office: receiving post files from every mail account by
// POP3 and sending the waiting post files of OutboxPost by SMTP. Post mail carries the
// marker "Quillaran###" at the start of its subject; other mail stays on the server, mail
// of listed spammers is deleted. The "Receive/Send post" window runs the two steps and
// shows what they log.

#include "foundation/Tarray.h"
#include "foundation/Tstr.h"
#include "net/Tnetmessage.h"
#include "net/Tnetpop3.h"
#include "net/Tnetsmtp.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TPost;
struct TEMailInfo;

inline constexpr const char* PostSubjectMarker = "Quillaran###";

struct TReceivedMessage {
  int32_t Number = -1;
  int32_t Size = -1;
  TStr Subject;
  TStr Sender;
};

// A received attachment's name as a file of ours may carry it: its last path component,
// without control characters, wildcards and leading dots or blanks, at most 200 bytes on
// disk (cut before its extension, the part postfix); "" when nothing usable remains.
std::string SafeAttachmentName(std::string_view name);

// A part of a post file: a name, ".", the part number, "_" and the part count.
bool IsPostPartName(std::string_view name);

// The folder below the receive folder where cabinets that came with received post wait.
inline constexpr const char* AttachedFolderName = "Attached/";

// The addresses a post file goes to: its receivers ("*", everybody by the Web, counts as
// none) and its robots, split at "; ", without repeats.
std::vector<std::string> PostFileReceivers(const TStr& receivers, const TStr& robots);

// A mail server as an account names it: a host, or a host, ':' and a port (1 to 65535)
// for a server off its standard port. `port` keeps its value when none is given; a text
// with more than one ':' (an IPv6 address) or a bad port is taken whole as the host.
void SplitServerPort(const std::string& server, std::string& host, int32_t& port);

// Written after a server's text, the user's knowing choice to send the password to that
// server without encryption when it offers none.
inline constexpr const char* PlainConnectionMark = " (plain connection)";
// Takes the mark off the server's text; true when it was there.
bool TakePlainConnectionMark(std::string& server);

class TPostExchange {
 public:
  TPostExchange();
  virtual ~TPostExchange();
  TPostExchange(const TPostExchange&) = delete;
  TPostExchange& operator=(const TPostExchange&) = delete;

  TArray<TReceivedMessage> ReceivedMessages;
  std::string ReceiveFolderName;
  std::string ReceiveFolderPath;  // where received post files go; ends with '/'
  const TArray<TEMailInfo>* Accounts = nullptr;
  TPost* Post = nullptr;
  uint8_t Cancel = 0;
  std::string BadAddresses;
  int32_t Pop3Port = 110;
  int32_t SmtpPort = 25;
  int32_t ReadTimeout = 60000;     // milliseconds a server may keep us waiting for an answer
  int32_t ConnectTimeout = 60000;  // milliseconds a connection may take

  TNetPOP3 Receiver;
  TNetSMTP Sender;
  TNetMessage Message;

  void ReceiveStep();
  void SendStep();
  // Tries the account's POP3 server (`pop3`) or SMTP server as an exchange reaches it:
  // connects, is greeted, logs in (to SMTP when the account has a password and the server
  // offers the log-in) and says goodbye. `told` is one line, "POP3 server host:port
  // answered, encrypted (TLS 1.3), login accepted" (or "not encrypted"), "... did not
  // answer: reason", "... answered but refused: reason", or the refusal of its certificate
  // or of an unencrypted connection; true when it answered.
  bool TryServer(bool pop3, const TEMailInfo& account, std::string& told);
  // Set by TryServer when the server was refused for offering no encryption.
  bool RefusedUnencrypted = false;

 protected:
  // The window's part.
  virtual void Log(const std::string& line);
  virtual void ShowStatus(const std::string& status);
  virtual void ShowTransfer(const std::string& text);  // "" hides it
  virtual void ProcessMessages();
  virtual void ShowBadAddresses(const std::string& addresses);

 private:
  // The client set up for the account's server (its text may carry PlainConnectionMark).
  void Configure(TNetTCPClient& client, std::string server, int32_t port, const TEMailInfo& account);
  void LogConnectFailure(const std::exception& e);
  // One retrieval from the server; false when it failed: the error logged, a server that
  // stopped answering told, and the failure kept for InStep.
  bool Retrieved(const std::function<bool()>& retrieve, const std::string& step, std::exception_ptr& failure);
  // After a message failed to read: true when the conversation is in step again (the rest
  // of that message's answer dropped), false when the exchange with the server must end.
  bool InStep(const std::exception_ptr& failure);
  // While one message comes in, the window is heard every HearEveryBytes read, and Cancel
  // ends the retrieval (EAbort).
  void HearWhileReading(int32_t bytes);
  // A failure of this computer (a file, the disk, memory), not of the message or the server.
  static bool IsLocalFault(const std::exception_ptr& failure);
  // A server that stopped answering ends the exchange; the user is told which and when.
  void TellTimeout(const std::exception& e, const std::string& step);
  // False when the account's exchange must stop.
  bool ReceiveFromAccount(const TEMailInfo& account, bool& connected);
  // The phases of receiving from an account. The headers of the `count` messages on the
  // server into ReceivedMessages; false when the exchange with the server ends here.
  bool ReadHeaders(int32_t count);
  // Keeps the messages whose subject marks them as post, with their sizes.
  void KeepPostMessages();
  // Receives the kept messages, saves their attachments and deletes them on the server;
  // a spammer's message is deleted unread, one over the size limit left there.
  void ReceivePostMessages();
  // Saves the attachments of the message just received, all or none: Saved; Left when no
  // name of the receive folder takes a part now (a file system that refuses a name our
  // rules made): the mail stays on the server and the next comes in; Stopped, with Cancel
  // set, when this computer failed. A part whose name other files hold is kept under a
  // free name, never refused. `reason` tells why it was not saved.
  enum class TSaving { Saved, Left, Stopped };
  TSaving SaveAttachments(std::string& reason);
  // A message that would fail at every exchange: told in the log and in errors.log, and
  // deleted on the server so that the mail behind it comes in.
  void Refuse(const TReceivedMessage& received, const std::string& what, const std::string& reason);
  // The text of a failure ("-ERR" for a refusal of the server).
  static std::string TextOf(const std::exception_ptr& failure);
  bool SendFromAccount(const TEMailInfo& account);
  // Sends the post file to the batch of receivers; false when the exchange must stop.
  bool SendPostFile(uint32_t index, std::vector<std::string> batch);
  // One attempt; a receiver refused for good is returned in refused.
  bool SendPostFileTo(uint32_t index, const std::vector<std::string>& batch, std::string& refused);

  std::string fServer;  // the server of the present step
  static constexpr int32_t HearEveryBytes = 64 * 1024;
  bool fHearing = false;  // a message is being retrieved
  int32_t fHeardAt = 0;   // bytes read when the window was last heard
};
