#pragma once
// A stranger who never held the discussion and writes in another participant's name: its
// command messages are whole and signed, but with a key pair of its own. It delivers them
// as mail the way the program's own post looks, so that they reach the receiving program
// through the mail servers like any other post.

#include "foundation/Messagesignature.h"
#include "model/Blockrecord.h"

#include <string>
#include <utility>
#include <vector>

namespace e2e {

// A model block of the leader (author 0) under the root, as a forger writes it into new
// blocks: its name and number, its text, its check value.
TDiscBlockRecord ModelBlockRecord(const std::string& name, uint16_t number, const std::string& text);

class TForger {
 public:
  // `folder`: where it writes its files.
  explicit TForger(std::string folder);

  // A command message claiming `sender` as its SENDER_LIDENT: the fields in order (a name
  // ending in "*" is written encrypted), then the block records when there are any, sealed
  // with the public seal, or with `key` as a private message is (PRIVATE_REQ "1" among the
  // fields), and signed with the forger's own pair. Returns the file's path.
  std::string Message(const std::string& name, const std::string& sender,
                      const std::vector<std::pair<std::string, std::string>>& fields,
                      const std::vector<TDiscBlockRecord>& blocks = {}, const std::string& key = "");
  // A received message's bytes with one byte before its seal changed, sealed and signed
  // again by the forger: what one who alters mail on its way and knows the program sends.
  std::string Altered(const std::string& name, const std::string& message, size_t fromEnd);

  // A received message that has no data after its header, with fields changed (or added)
  // as given and signed again by the forger: what one who saw it makes of it.
  std::string Copy(const std::string& name, const std::string& message,
                   const std::vector<std::pair<std::string, std::string>>& changes);

  // A mail of the program (`mail`, one carrying a post part of that code, "-NB-" for new
  // blocks) with that post part replaced by a cabinet of the message file, made by an
  // independent tool.
  std::string Mail(const std::string& mail, const std::string& messagePath, const std::string& code = "-NB-");

  // The message's own file inside a mail of the program: its post part of that code unpacked.
  std::string Unpacked(const std::string& mail, const std::string& code = "-NB-");

  TSigningKeyPair Pair;

 private:
  std::string Sign(const std::string& path, const std::string& bytes, const std::string& command,
                   const std::string& key = "");
  std::string fFolder;
};

}  // namespace e2e
