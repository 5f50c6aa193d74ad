#include "app/Loginloop.h"

#include "foundation/Guihooks.h"
#include "foundation/Tlogin.h"
#include "net/Netsystem.h"
#include "net/Tnetantifreeze.h"
#include "platform/forms/Tapplication.h"
#include "postoffice/Tpostexchange.h"

#include <vector>

namespace {

const char* const kLoginError = "LOGIN ERROR";
const char* const kCreating = "CREATING LOGIN";
const char* const kAccount = "MAIL ACCOUNT";
const char* const kAccountButton = "Mail account...";
// Milliseconds a server may take to answer the trial.
constexpr int32_t kTrialPatience = 15000;

// While a server is waited for, the windows go on answering and painting.
class TWindowsKeptAlive : public TNetAntiFreezeBase {
 public:
  TWindowsKeptAlive() : TNetAntiFreezeBase(nullptr) {
    RecordMainThread();  // the trial runs on this thread
    IdleTimeOut = 100;
  }
  void Process() override { Application->ProcessMessages(); }
};

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsPlausibleAddress(const std::string& email) {
  const size_t at = email.find('@');
  if (at == std::string::npos || at == 0 || at + 1 >= email.size() || email.find('@', at + 1) != std::string::npos)
    return false;
  for (unsigned char c : email)
    if (c <= ' ' || c == ',' || c == ';' || c == '<' || c == '>' || c == '"') return false;
  return true;
}

// Asks until the answer is not empty (or `allowEmpty`); false when cancelled.
bool AskText(const char* caption, const std::string& prompt, const std::string& proposal, std::string& answer,
             bool allowEmpty, bool hidden = false) {
  for (;;) {
    std::string text;
    if (!InputString(caption, prompt, proposal, text, hidden)) return false;
    answer = hidden ? text : Trimmed(text);
    if (allowEmpty || !answer.empty()) return true;
    ShowMessageBox(kLoginError, "Please, fill in: " + prompt);
  }
}

// Tries the servers the account names and tells how they answered; true when the user
// keeps the account, false when he gives it again. A server that offers no encryption
// may be given a plain connection, knowingly, and is tried again so.
bool TellHowServersAnswer(TEMailInfo& account) {
  for (;;) {
    TPostExchange exchange;
    exchange.ConnectTimeout = exchange.ReadTimeout = kTrialPatience;
    std::string lines;
    bool answered = true;
    std::vector<TStr*> unencrypted;
    {
      // A trial takes seconds where a server is slow or silent: the user sees what is
      // tried, and the windows stay painted meanwhile.
      TWaitingNotice waiting(kAccount, "Trying the servers...");
      TWindowsKeptAlive alive;
      for (const bool pop3 : {true, false}) {
        TStr& server = pop3 ? account.POP3Server : account.SMTPServer;
        if (server.IsEmpty()) continue;
        waiting.Tell(std::string("Trying the ") + (pop3 ? "POP3" : "SMTP") + " server " + server.ToString() + "...");
        std::string told;
        answered = exchange.TryServer(pop3, account, told) && answered;
        if (exchange.RefusedUnencrypted) unencrypted.push_back(&server);
        lines += (lines.empty() ? "" : "\n") + told;
      }
    }
    if (lines.empty()) return true;
    if (answered) {
      ShowMessageBox(kAccount, lines);
      return true;
    }
    if (unencrypted.empty()) return ShowMessageBox(kAccount, lines, "", "Keep|Change", 0) == 0;
    const int button = ShowMessageBox(
        kAccount, lines, "A plain connection sends the password and the mail readable by anyone on the path.",
        "Keep|Change|Plain connection", 0);
    if (button != 2) return button == 0;
    for (TStr* server : unencrypted) *server = server->ToString() + PlainConnectionMark;
  }
}

// The account's questions, each proposing what the account holds, until the user keeps
// what the servers answered; false when cancelled, the account unchanged.
bool AskMailAccount(TEMailInfo& account) {
  TEMailInfo asked = account;
  for (;;) {
    std::string pop3, smtp, user, password;
    if (!AskText(kAccount, "POP3 server:", asked.POP3Server.ToString(), pop3, true)) return false;
    if (!AskText(kAccount, "SMTP server:", asked.SMTPServer.ToString(), smtp, true)) return false;
    if (!AskText(kAccount, "User name:", asked.UserName.ToString(), user, true)) return false;
    if (!AskText(kAccount, "Mail password:", asked.Password.ToString(), password, true, true)) return false;
    asked.POP3Server = pop3;
    asked.SMTPServer = smtp;
    asked.UserName = user;
    asked.Password = password;
    if (TellHowServersAnswer(asked)) break;
  }
  account = asked;
  return true;
}

bool CreateFirstLogin(TLoginsStorage& logins) {
  ShowMessageBox(kCreating,
                 "There is no login yet.\nPlease, create yours: it becomes the manager login of this installation.");
  std::string name, email, password;
  if (!AskText(kCreating, "Your name:", "", name, false)) return false;
  for (;;) {
    if (!AskText(kCreating, "Your e-mail address:", "", email, false)) return false;
    if (IsPlausibleAddress(email)) break;
    ShowMessageBox(kLoginError, "Incorrect e-mail address: " + email);
  }
  if (!AskNewKeyPassword(kCreating, password)) return false;
  TEMailInfo account;
  account.UserName = email;
  if (!AskMailAccount(account)) return false;

  const int index = logins.AddLogin(name, email);
  if (index < 0) return false;
  TLogin& login = logins.GetLogin(index);
  login.EMail = account;
  login.SetKeyPassword(password);
  login.KeyPasswordVerified = 1;
  logins.Current = index;
  logins.LastLoginIdent = login.Ident;
  return logins.Save();
}

// The login the user names; -1 when cancelled.
int ChooseLogin(TLoginsStorage& logins) {
  int only = -1;
  for (int i = 0; i < logins.Count(); ++i)
    if (!logins.GetLogin(i).Virtual) only = only < 0 ? i : -2;
  if (only >= 0) return only;
  const int last = logins.FindLogin(logins.LastLoginIdent);
  const std::string proposal = last >= 0 && !logins.GetLogin(last).Virtual ? logins.GetLogin(last).Name.ToString() : "";
  for (;;) {
    std::string name;
    if (!AskText("LOGIN", "Login name:", proposal, name, false)) return -1;
    for (int i = 0; i < logins.Count(); ++i) {
      const TLogin& login = logins.GetLogin(i);
      if (!login.Virtual && (login.Name.View() == name || login.LIdent.View() == name)) return i;
    }
    ShowMessageBox(kLoginError, "There is no login named '" + name + "'.");
  }
}

}  // namespace

bool RunLoginLoop(TLoginsStorage& logins) {
  if (logins.RealLoginCount() == 0) return CreateFirstLogin(logins);
  for (;;) {
    const int index = ChooseLogin(logins);
    if (index < 0) return false;
    TLogin& login = logins.GetLogin(index);
    if (!login.HasKeyPassword()) {
      std::string fresh;
      if (!AskNewKeyPassword("LOGIN", fresh)) return false;
      login.SetKeyPassword(fresh);
    } else {
      // The mail account is changed once the key password unlocked the login's secrets.
      std::string entered;
      const TInputAnswer answer = InputStringOrButton("LOGIN", "Key password of " + login.Name.ToString() + ":", "",
                                                      entered, true, kAccountButton);
      if (answer == TInputAnswer::Cancelled) return false;
      if (!login.Unlock(entered)) {
        ShowMessageBox(kLoginError, "Incorrect key password of '" + login.Name.ToString() + "'.");
        continue;
      }
      if (answer == TInputAnswer::Button) AskMailAccount(login.EMail);  // cancelled: the account stays
    }
    login.KeyPasswordVerified = 1;
    login.OutsideCommand = 1;
    logins.Current = index;
    logins.LastLoginIdent = login.Ident;
    return logins.Save();
  }
}
