// Writes the first corpus of every fuzz target with the project's own writers:
//   fuzz_seeds FOLDER   ->   FOLDER/<target>/seed-<n>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "foundation/Tbufwriter.h"
#include "foundation/Commoncrypt.h"
#include "foundation/Filereplace.h"
#include "foundation/Tlogin.h"
#include "fuzz/Fuzzpostworld.h"
#include "fuzz/Fuzzsandbox.h"
#include "model/Authordata.h"
#include "model/Discussionfileset.h"
#include "model/Tcommandmessage.h"
#include "model/Tdiscussion.h"
#include "net/Netheadercoder.h"
#include "net/Tcabwriter.h"
#include "net/Tnetmessage.h"
#include "net/Tnetmessageclient.h"
#include "net/Tnetmessageparts.h"
#include "platform/kernel/Registrystore.h"
#include "platform/rtl/Tinifile.h"
#include "tests/model/Discussionfill.h"
#include "tests/net/Netstandin.h"

namespace fs = std::filesystem;

namespace {

std::string gRoot;

void Seed(const std::string& target, const std::vector<std::string>& seeds) {
  fs::create_directories(gRoot + "/" + target);
  for (size_t i = 0; i < seeds.size(); ++i)
    std::ofstream(gRoot + "/" + target + "/seed-" + std::to_string(i), std::ios::binary) << seeds[i];
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A message as the post office sends it: a text part and a cabinet attachment.
std::string MessageWire(bool attachment) {
  const std::string file = fuzzing::Sandbox() + "/post.cab";
  std::ofstream(file, std::ios::binary) << std::string(300, '\x01') << "\r\n.\r\n";
  TNetMessage msg(nullptr);
  msg.From()->SetAddress("sender@example.com");
  msg.From()->SetName("Участник обсуждения");
  msg.Recipients()->SetEMailAddresses("a@example.com, \"Last, First\" <b@example.com>");
  msg.SetSubject("Quillaran### 2026.12.07 1 тема");
  auto* text = new TNetText(msg.MessageParts());
  text->Body()->Add("A part of the post.");
  text->Body()->Add(".a line that begins with a dot");
  if (attachment) new TNetAttachment(msg.MessageParts(), file);
  TStandInIOHandler handler;
  TNetMessageClient client(nullptr);
  client.SetIOHandler(&handler);
  client.SendMsg(&msg);
  client.SetIOHandler(nullptr);
  return handler.Output + ".\r\n";
}

std::string Cabinet(TCabCompressionType kind) {
  const std::string dir = fuzzing::Sandbox();
  std::ofstream(dir + "/A-one", std::ios::binary) << std::string(5000, 'a') << "discussion text";
  std::ofstream(dir + "/B-two", std::ios::binary) << "second file";
  TCabWriter w(nullptr);
  w.SetCompressionType(kind);
  w.Open(dir + "/seed.cab");
  w.AddFile(dir + "/A-one", "A-one", false);
  w.AddFile(dir + "/B-two", "sub\\B-two", false);
  w.Close(true);
  return ReadAll(dir + "/seed.cab");
}

std::string CommandHeader() {
  TCommandMessageHeader header;
  header.AddField("COMMAND", "NEW_BLOCKS");
  header.AddField("ANNOTATION", "строка 1\r\nc:\\path\\");
  header.AddField("FROM_USER_EMAIL", "me@example.com");
  header.AddField("EMPTY", "");
  std::string bytes;
  {
    TBufWriter writer(bytes);
    header.Write(writer, "L-seed");
  }
  return bytes + "block data";
}

std::string Settings(bool registry) {
  const std::string path = fuzzing::Sandbox() + (registry ? "/registry" : "/settings.ini");
  if (registry) {
    platform::TRegistryStore store(path);
    store.WriteValue("HKEY_CURRENT_USER\\Software\\Quillaran", "Root", {platform::REG_SZ, "/home/user/Q"});
    store.WriteValue("HKEY_CURRENT_USER\\Software\\Quillaran\\Window", "Left", {platform::REG_DWORD, "\x10\0\0\0"});
  } else {
    TIniFile ini(path);
    ini.WriteString("Browse", "Name", "Обсуждение");
    ini.WriteString("Browse", "Width", "640");
    ini.WriteString("Post", "Server", "mail.example.com");
  }
  return ReadAll(path);
}

// Each file of a discussion with every field set, after the byte that picks it.
std::vector<std::string> DiscussionFiles() {
  TDiscussion d;
  modeltest::MakeRoot(d, fuzzing::Sandbox() + "/discussion");
  modeltest::FillEverything(d);
  std::vector<std::string> files;
  for (int file = 0; file < TDiscussionFileSet::Count; ++file) files.push_back(char(file) + d.ComposeFile(file));
  return files;
}

std::string Logins() {
  const std::string path = fuzzing::Sandbox() + "/Logins.cbs";
  TLoginsStorage logins;
  logins.Load(path);
  logins.SiteURL = "http://example.com";
  logins.AddLogin(TStr("Анна"), TStr("anna@example.com"));
  const int second = logins.AddLogin(TStr("Boris"), TStr("boris@example.com"));
  TLogin& login = logins.GetLogin(second);
  login.Rights = "1101";
  login.EMail.POP3Server = "pop.example.com";
  login.EMail.Password = "mail secret";
  login.Key = "private key";
  login.SetDiscussionPosition(TStr("M-1"), 1, 7);
  login.Accesses.AddItem(TLoginAccess{TStr("P-1"), 1});
  login.SetKeyPassword("key password");
  logins.FindOrAddVirtualLogin(TStr("virtual@example.com"), TStr("Virtual"));
  logins.Save();
  return ReadAll(path);
}

// The post state of an installation that sent and received a message.
std::string PostState(fuzzing::TPostWorld& world) {
  world.Post.Inbox.Refresh(world.Post);
  world.Post.Outbox.Refresh(world.Post);
  world.Post.OutboxPost.Refresh(world.Post);
  world.Post.AdvertisingList = "a@example.com\r\nb@example.com";
  world.Post.RobotEMail = "robot@example.com";
  world.Post.Save();
  return ReadAll(world.Post.CBSFileName.ToString());
}

// Messages the leader's copy composes for the participant, without their seals, and the
// post files they travel in; the post state of the installation that made them.
void Messages(std::vector<std::string>& messages, std::vector<std::string>& parts, std::string& postState) {
  fuzzing::TPostWorld world;
  TDiscussion& leader = world.Leader;
  const TDiscBlockIndex root = leader.Storages.GetRootBlockIndex();
  const TDiscBlockIndex premise = modeltest::AddBlock(leader, StorageType_Model, root, TextType_Premise, "Леса горят");
  modeltest::AddBlock(leader, StorageType_Model, premise, TextType_Conclusion, "Act now");
  modeltest::AddBlock(leader, StorageType_Comments, premise, TextType_Premise, "Комментарий", 0);
  fuzzing::AsLeader();
  const auto to = MakeRecipientsList("me@x");
  leader.SendCommand_RequestedBlocks(to, TStr("1;1.1"));
  leader.SendCommand_NewBlocks_AllComments(to);
  leader.SendCommand_ExistingBlockNames(to);
  leader.SendCommand_CreateModel(to, TStr());
  leader.SendCommand_YourCommandIgnored(to, TStr("GIVE_MODEL"), TStr(), TStr("no"));
  leader.Reply(to, -1, 0);
  fuzzing::AsParticipant();
  const std::string outbox = world.Post.Outbox.FolderPath.ToString();
  for (const auto& entry : fs::directory_iterator(outbox)) {
    const std::string sealed = ReadAll(entry.path().string());
    if (sealed.size() > SealTrailerSize) messages.push_back(sealed.substr(0, sealed.size() - SealTrailerSize));
  }
  world.HandleAll(world.Post.Outbox);
  for (const auto& entry : fs::directory_iterator(world.Post.OutboxPost.FolderPath.ToString()))
    parts.push_back(ReadAll(entry.path().string()));
  postState = PostState(world);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_seeds FOLDER\n";
    return 2;
  }
  gRoot = argv[1];
  const std::string message = MessageWire(true);
  Seed("mimemessage", {message, MessageWire(false)});
  const size_t blank = message.find("\r\n\r\n");
  Seed("pop3session", {"+OK ready\r\n+OK 1 " + std::to_string(message.size()) + "\r\n+OK 1 " +
                           std::to_string(message.size()) + "\r\n+OK\r\n" + message.substr(0, blank + 4) +
                           ".\r\n+OK\r\n" + message + "+OK deleted\r\n"});
  Seed("smtpsession", {"220 mail.example.com ESMTP\r\n250-mail.example.com\r\n250 AUTH LOGIN PLAIN\r\n"
                       "334 VXNlcm5hbWU6\r\n334 UGFzc3dvcmQ6\r\n235 ok\r\n250 ok\r\n250 ok\r\n250 ok\r\n"
                       "354 go on\r\n250 queued\r\n"});
  Seed("headerdecoders", {EncodeHeader("Quillaran### тема письма = ?вопрос_", "", 'Q', bit8, "windows-1251", 9),
                          EncodeHeader("Привет, мир", "", 'B', bit8, "windows-1251"),
                          "\"Last, First\" <b@example.com>, =?windows-1251?Q?=C8=E2=E0=ED?= <i@example.com>",
                          "=C8=E2=E0=\r\nabc=\r\n", "M86%C8F-E(&9R\n"});
  Seed("cabinet", {Cabinet(cctLzx), Cabinet(cctMsZip), Cabinet(cctNone)});
  Seed("commandheader", {CommandHeader(), JoinAuthorDataFields({"Иван", "ivan@example.com", "1", ""})});
  Seed("inifile", {Settings(false), Settings(true)});
  Seed("discussionfile", DiscussionFiles());
  Seed("logins", {Logins()});
  Seed("formula", {"<1.1>*0.5", "(<1.1> + <1.2>) / 2\x01-<1.2>*.25", "<1.2>\x01<1.1>", "1/0", "<  1 . 1 >"});
  std::vector<std::string> messages, parts;
  std::string postState;
  Messages(messages, parts, postState);
  Seed("inbox", messages);
  Seed("inboxpost", parts);
  Seed("postfiles", {postState});
  fuzzing::EmptySandbox();
  fs::remove(fuzzing::Sandbox());
  return 0;
}
