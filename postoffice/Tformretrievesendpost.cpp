#include "postoffice/Tformretrievesendpost.h"

#include "controls/Newcontrol.h"
#include "net/Netsystem.h"
#include "net/Tnetantifreeze.h"
#include "platform/forms/Tapplication.h"
#include "platform/forms/Tbutton.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tlabel.h"
#include "platform/forms/Ttimer.h"
#include "postoffice/Tformbadrecipientaddresses.h"

// While the exchange waits for a server, the window keeps answering the user.
class TFormRetrieveSendPost::TWindowAntiFreeze : public TNetAntiFreezeBase {
 public:
  explicit TWindowAntiFreeze(TFormRetrieveSendPost& form) : TNetAntiFreezeBase(nullptr), fForm(form) {
    RecordMainThread();  // the window runs the exchange on this thread
    IdleTimeOut = 100;
  }
  void Process() override { fForm.HearUser(); }

 private:
  TFormRetrieveSendPost& fForm;
};

// The exchange as the window shows it.
class TFormRetrieveSendPost::TWindowExchange : public TPostExchange {
 public:
  explicit TWindowExchange(TFormRetrieveSendPost& form) : fForm(form) {}

 protected:
  void Log(const std::string& line) override { fForm.Log(line); }
  void ShowStatus(const std::string& status) override {
    fForm.LabelStatus->SetCaption(status);
    fForm.LabelStatus->Repaint();
  }
  void ShowTransfer(const std::string& text) override {
    fForm.LabelCurrentTransferPercentage->SetCaption(text);
    fForm.LabelCurrentTransferPercentage->SetVisible(!text.empty());
  }
  void ProcessMessages() override { fForm.HearUser(); }
  void ShowBadAddresses(const std::string& addresses) override {
    ShowBadRecipientAddresses(addresses);
  }

 private:
  TFormRetrieveSendPost& fForm;
};

TFormRetrieveSendPost::TFormRetrieveSendPost(TComponent* owner)
    : TForm(owner), fExchange(std::make_unique<TWindowExchange>(*this)) {
  SetName("FormRetrieveSendPost");
  SetCaption("Receive/Send post");
  SetBorderIcons({});
  SetPosition(poScreenCenter);
  SetClientWidth(480);
  SetClientHeight(340);
  const auto readOnly = [](TMemo& memo) {
    memo.SetReadOnly(true);
    memo.SetScrollBars(ssVertical);
  };
  const auto hidden = [](TControl& control) { control.SetVisible(false); };
  // Close takes Cancel's place when the exchange has ended.
  // clang-format off
  BuildControls(*this, {
      {Into(LabelStatus), "LabelStatus", "", {8, 8, 464, 16}, alNone, "Initializing..."},
      {Into(MemoLog, readOnly), "MemoLog", "", {8, 30, 464, 260}},
      {Into(LabelCurrentTransferPercentage, hidden), "LabelCurrentTransferPercentage", "", {8, 300, 300, 16}},
      {Into(ButtonClose, hidden), "ButtonClose", "", {382, 306, 90, 25}, alNone, "Close", [this] { SetModalResult(mrOk); }},
      {Into(ButtonCancel), "ButtonCancel", "", {382, 306, 90, 25}, alNone, "Cancel", [this] { fExchange->Cancel = 1; }},
  });
  // clang-format on
  // Escape cancels the exchange while it runs; once it has ended, Enter and Escape close.
  ButtonCancel->SetCancel(true);
  ButtonClose->SetDefault(true);
  ButtonClose->SetCancel(true);
  TimerStart = NewComponent<TTimer>(this, "TimerStart");
  TimerStart->SetEnabled(false);
  TimerStart->SetInterval(500);
  TimerStart->OnTimer = [this](TObject*) { StartExchange(); };
  OnCloseQuery = [this](TObject*, bool& canClose) {
    if (!fRunning) return;
    // The exchange stops at its next step; the window closes then.
    fExchange->Cancel = 1;
    fClosePending = true;
    canClose = false;
  };
  OnClose = [this](TObject*, TCloseAction&) { Disconnect(); };
}

TFormRetrieveSendPost::~TFormRetrieveSendPost() { Disconnect(); }

TPostExchange& TFormRetrieveSendPost::Exchange() { return *fExchange; }

void TFormRetrieveSendPost::Execute(bool receive, bool send, const TArray<TEMailInfo>* accounts, TPost* post,
                                    const std::string& receiveFolderName, const std::string& receiveFolderPath) {
  fReceive = receive;
  fSend = send;
  fExchange->Accounts = accounts;
  fExchange->Post = post;
  fExchange->ReceiveFolderName = receiveFolderName;
  fExchange->ReceiveFolderPath = receiveFolderPath;
  TimerStart->SetEnabled(true);
  ShowModal();
}

void TFormRetrieveSendPost::Log(const std::string& line) {
  LabelCurrentTransferPercentage->SetVisible(false);
  MemoLog->Lines()->Add(line);
}

void TFormRetrieveSendPost::StartExchange() {
  TimerStart->SetEnabled(false);
  fRunning = true;
  {
    TWindowAntiFreeze antiFreeze(*this);
    if (fReceive) fExchange->ReceiveStep();
    if (fSend && !fExchange->Cancel) fExchange->SendStep();
  }
  fRunning = false;
  ButtonCancel->SetVisible(false);
  ButtonClose->SetVisible(true);
  if (ButtonClose->CanFocus()) ButtonClose->SetFocus();
  if (fClosePending) SetModalResult(mrCancel);
}

void TFormRetrieveSendPost::HearUser() {
  Application->ProcessMessages();
  // A modal window that was asked to close gets a result: the exchange stops at its next
  // step and the window closes then.
  if (fRunning && ModalResult() != mrNone) {
    fExchange->Cancel = 1;
    fClosePending = true;
  }
}

void TFormRetrieveSendPost::Disconnect() {
  try {
    if (fExchange->Receiver.Connected()) fExchange->Receiver.Disconnect();
    if (fExchange->Sender.Connected()) fExchange->Sender.Disconnect();
  } catch (const std::exception&) {
  }
}
