#pragma once
// The "Receive/Send post" window: one mail exchange of the post office, shown modally.
// Half a second after it appears it receives post from every mail account and then sends
// the waiting post files, logging each step; the window answers the user while a server
// is waited for. Cancel stops the exchange between messages, closing the window during it
// stops it likewise and closes the window then; Close ends the window once it is over.

#include "platform/forms/Tform.h"
#include "postoffice/Tpostexchange.h"

#include <memory>
#include <string>

class TButton;
class TLabel;
class TMemo;
class TTimer;

class TFormRetrieveSendPost : public TForm {
 public:
  explicit TFormRetrieveSendPost(TComponent* owner);
  ~TFormRetrieveSendPost() override;

  // Shows the window until the user closes it.
  void Execute(bool receive, bool send, const TArray<TEMailInfo>* accounts, TPost* post,
               const std::string& receiveFolderName, const std::string& receiveFolderPath);
  // Appends a line to the log.
  void Log(const std::string& line);

  TPostExchange& Exchange();

  TLabel* LabelStatus;
  TMemo* MemoLog;
  TLabel* LabelCurrentTransferPercentage;
  TButton* ButtonClose;
  TButton* ButtonCancel;
  TTimer* TimerStart;

 private:
  class TWindowExchange;
  class TWindowAntiFreeze;
  void StartExchange();
  // Lets the window answer the user while the exchange runs.
  void HearUser();
  void Disconnect();

  std::unique_ptr<TWindowExchange> fExchange;
  bool fReceive = false;
  bool fSend = false;
  bool fRunning = false;
  bool fClosePending = false;
};
