#pragma once
// Browse windows whose commands write command messages: a current login that leads the
// first discussion, the post office started over the test's data root, and dialogs
// answered by a script.

#include "Commandstest.h"

#include "foundation/Tlogin.h"
#include "model/Tcommandmessage.h"
#include "platform/forms/Dialogscript.h"
#include "postoffice/Tpostoffice.h"

#include <memory>
#include <string>
#include <vector>

namespace commandstest {

class SendingTest : public CommandsTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Gives the first discussion its tree (OpenTree) and makes the current login its
  // model author.
  TFormBrowse* OpenAsLeader();
  // Appends an outside author with an address (and an ADIdent unless 0xFFFF).
  int AddSubscriber(const std::string& name, const std::string& address, uint16_t adident);
  // The file names of the Outbox, sorted.
  static std::vector<std::string> Outbox();
  // Opens an Outbox message as a handler does (seal and command checked) and reads its
  // header; the records of blocks follow in `data` when asked.
  static bool ReadMessage(const std::string& name, const std::string& command, TCommandMessageHeader& header,
                          std::vector<std::string>* blockNames = nullptr);
  // The header's field names after SENDER_LIDENT, in order.
  static std::vector<std::string> FieldNames(const TCommandMessageHeader& header);
  // The application's idle time: the queued news of changes reaches the windows, which
  // repaint.
  void Idle();

  platform::DialogScript script;
  TLoginsStorage logins;
  std::unique_ptr<TPostOffice> office;
};

}  // namespace commandstest
