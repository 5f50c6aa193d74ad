#include "Sendingtest.h"

#include "foundation/Fileroutines.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "model/Blockrecord.h"
#include "model/Modelhooks.h"
#include "postoffice/Thandlerframe.h"
#include "postoffice/Tpost.h"

#include <algorithm>

namespace commandstest {

void SendingTest::SetUp() {
  CommandsTest::SetUp();
  script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  TBrowseGlobal::SetSuitePaths();
  logins.Current = logins.AddLogin(TStr("Lead"), TStr("lead@x.org"));
  LoginsStorage() = &logins;
  TModelHooks& hooks = ModelHooks();
  hooks.Logins = &logins;  // the post office's handle
  hooks.CurrentLogin = [this] {
    TModelLogin login;
    if (TLogin* current = logins.GetCurrentLogin()) {
      login.Ident = current->Ident;
      login.LIdent = current->LIdent;
      login.EMail = current->AutomaticEMail;
    }
    return login;
  };
  hooks.LoginLIdent = [this](uint16_t ident) {
    const int i = logins.FindLogin(ident);
    return i < 0 ? TStr() : logins.GetLogin(i).LIdent;
  };
  hooks.PrivateMessageKey = [this] { return logins.GetPrivateMessageKey(); };
  office = std::make_unique<TPostOffice>();
  ASSERT_TRUE(office->Start());
}

void SendingTest::TearDown() {
  office.reset();
  TModelHooks& hooks = ModelHooks();
  hooks.CurrentLogin = nullptr;
  hooks.LoginLIdent = nullptr;
  hooks.PrivateMessageKey = nullptr;
  hooks.ChooseReceivers = nullptr;
  hooks.Logins = nullptr;
  LoginsStorage() = nullptr;
  TBrowseGlobal::Moderation = 0;
  EXPECT_EQ(script.Pending(), 0u);
  CommandsTest::TearDown();
}

TFormBrowse* SendingTest::OpenAsLeader() {
  TFormBrowse* form = OpenTree();
  const int me = d->Authors.FindAuthorByADIdent(*d, ModelAuthorADIdent, true);
  d->Authors.Author(me).LIdent = logins.GetCurrentLogin()->LIdent;
  d->Authors.Author(me).AutomaticEMail = TStr("lead@x.org");
  d->Info.ModelAuthorLIdent = logins.GetCurrentLogin()->LIdent;
  d->Info.DIdent = TStr("D-ECOLOGY-1");
  return form;
}

void SendingTest::Idle() {
  Pump();
  TListeners::Send(Notify_Idle, false);
  TListeners::Instance().DeliverQueued();
  Pump();
}

int SendingTest::AddSubscriber(const std::string& name, const std::string& address, uint16_t adident) {
  const int index = d->Authors.CreateAuthor(*d, TStr("L-" + address), adident == 0xFFFF ? -1 : adident, 0);
  d->Authors.Author(index).LastName = TStr(name);
  d->Authors.Author(index).AutomaticEMail = TStr(address);
  d->Authors.Author(index).Subscriber = 1;
  return index;
}

std::vector<std::string> SendingTest::Outbox() {
  std::vector<std::string> names;
  TFindEntry entry;
  if (FindFirstEntry(TBrowseGlobal::Paths.Outbox + "*", entry)) {
    do names.push_back(entry.Name);
    while (FindNextEntry(entry));
    FindCloseEntry(entry);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool SendingTest::ReadMessage(const std::string& name, const std::string& command, TCommandMessageHeader& header,
                              std::vector<std::string>* blockNames) {
  THandlerFrame frame("Test");
  if (!frame.Open(TBrowseGlobal::Paths.Outbox + name, {command})) return false;
  header = frame.Header;
  if (!blockNames) return true;
  TDiscBlockRecord record;
  while (DiscBlockFromBufReader(frame.Reader(), record, "")) blockNames->push_back(record.Name.ToString());
  return !IsErrorReported();
}

std::vector<std::string> SendingTest::FieldNames(const TCommandMessageHeader& header) {
  std::vector<std::string> names;
  for (size_t i = 0; i < header.FieldCount(); ++i) names.push_back(header.Field(i).Name.ToString());
  return names;
}

}  // namespace commandstest
