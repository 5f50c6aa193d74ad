// Forms: showing, modal loops answered by script, closing and freeing.

#include "Formstest.h"

namespace {

class Forms : public formstest::Screen {};

// A small dialog as the program would write one.
class TSettingsForm : public TForm {
 public:
  explicit TSettingsForm(TComponent* AOwner) : TForm(AOwner) {
    SetCaption("Settings");
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(240);
    SetClientHeight(120);
    Name = new TEdit(this);
    Name->SetName("Name");
    Name->SetParent(this);
    Name->SetBounds(8, 8, 200, 21);
    Flag = new TCheckBox(this);
    Flag->SetName("Flag");
    Flag->SetParent(this);
    Flag->SetBounds(8, 40, 120, 17);
    Flag->SetCaption("&Flag");
    Ok = new TButton(this);
    Ok->SetName("OK");
    Ok->SetCaption("OK");
    Ok->SetDefault(true);
    Ok->SetModalResult(mrOk);
    Ok->SetParent(this);
    Ok->SetBounds(80, 88, 75, 23);
    Cancel = new TButton(this);
    Cancel->SetName("Cancel");
    Cancel->SetCaption("Cancel");
    Cancel->SetCancel(true);
    Cancel->SetModalResult(mrCancel);
    Cancel->SetParent(this);
    Cancel->SetBounds(160, 88, 75, 23);
    Ok->OnClick = [this](TObject*) { okText = Name->Text(); };
    OnCloseQuery = [this](TObject*, bool& can) {
      ++queries;
      can = ModalResult() != mrOk || !Name->Text().empty();
    };
    OnShow = [this](TObject*) { ++shows; };
  }
  TEdit* Name;
  TCheckBox* Flag;
  TButton* Ok;
  TButton* Cancel;
  std::string okText;
  int queries = 0;
  int shows = 0;
};

TEST_F(Forms, ModalDialogAnsweredByScriptRunsItsHandlers) {
  TSettingsForm form(nullptr);
  EXPECT_FALSE(form.HandleAllocated()) << "no window until the form is needed on the screen";
  EXPECT_EQ(platform::WindowCount(), 0u);
  platform::DialogScript script;
  script.Press("Settings", "OK", {{"Name", "Вася"}, {"Flag", "1"}});
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(form.okText, "Вася");
  EXPECT_TRUE(form.Flag->Checked());
  EXPECT_EQ(form.queries, 1);
  EXPECT_EQ(form.shows, 1);
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(script.Pending(), 0u);
  EXPECT_EQ(script.Seen(), std::vector<std::string>{"Settings"});

  // OnCloseQuery refuses an empty name: the script's answer leaves the form open.
  script.Press("TSettingsForm", "OK", {{"Name", ""}});
  std::vector<std::string> failures;
  script.OnFailure = [&](const std::string& what) { failures.push_back(what); };
  EXPECT_EQ(form.ShowModal(), mrCancel);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("left the modal form \"Settings\" open"), std::string::npos);
}

TEST_F(Forms, UnansweredModalFailsAtOnce) {
  TSettingsForm form(nullptr);
  platform::DialogScript script;
  std::vector<std::string> failures;
  script.OnFailure = [&](const std::string& what) { failures.push_back(what); };
  EXPECT_EQ(form.ShowModal(), mrCancel);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0], "no scripted answer for the modal form \"Settings\" (TSettingsForm)");
}

TEST_F(Forms, NestedModalsAndMessageBoxes) {
  TSettingsForm form(nullptr);
  platform::DialogScript script;
  int answer = 0;
  form.Ok->OnClick = [&](TObject*) {
    answer = Application->MessageBox("Сохранить?", "Вопрос", MB_YESNOCANCEL | MB_ICONQUESTION);
  };
  script.Answer("Settings", [](TCustomForm& f) {
    EXPECT_TRUE(IsWindowEnabled(f.Handle()));
    platform::SetControlValue(f, "Name", "x");
    platform::PressControl(f, "OK");
  });
  script.Press("Сохранить?", "No");
  int beeps = screen.Beeps();
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(answer, IDNO);
  EXPECT_EQ(screen.Beeps(), beeps + 1);
  EXPECT_EQ(script.Seen(), (std::vector<std::string>{"Settings", "Вопрос"}));

  std::string value = "old";
  script.Press("Имя", "OK", {{"Value", "new"}});
  EXPECT_TRUE(InputQuery("Имя", "Введите имя:", value));
  EXPECT_EQ(value, "new");
  script.Press("Имя", "Cancel", {{"Value", "newer"}});
  EXPECT_FALSE(InputQuery("Имя", "Введите имя:", value));
  EXPECT_EQ(value, "new");
  script.Press("Error", "OK");
  EXPECT_EQ(MessageDlg("Плохо", mtError, {mbOK}, 0), mrOk);
}

TEST_F(Forms, ModalLoopWithRealInput) {
  // Without a script the loop takes real input: the person presses Escape.
  TSettingsForm form(nullptr);
  form.OnActivate = [&](TObject*) { person.PressKey(VK_ESCAPE); };
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_EQ(form.queries, 1);
}

TEST_F(Forms, OtherFormsAreDisabledWhileModal) {
  auto* main = new TForm(nullptr);
  main->SetCaption("Main");
  main->Show();
  TSettingsForm dialog(nullptr);
  platform::DialogScript script;
  bool disabled = false;
  script.Answer("Settings", [&](TCustomForm& f) {
    disabled = !IsWindowEnabled(main->Handle());
    EXPECT_EQ(::Screen->ActiveForm(), &f);
    f.SetModalResult(mrIgnore);
  });
  EXPECT_EQ(dialog.ShowModal(), mrIgnore);
  EXPECT_TRUE(disabled);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  EXPECT_EQ(GetActiveWindow(), main->Handle()) << "the form that was active comes back";
  EXPECT_THROW({ dialog.Show(); dialog.ShowModal(); }, EInvalidOperation);
  delete main;
}

TEST_F(Forms, FormFreesItselfOnClose) {
  bool destroyed = false;
  auto* form = new TSettingsForm(nullptr);
  form->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  form->OnDestroy = [&](TObject*) { destroyed = true; };
  form->Cancel->OnClick = [form](TObject*) { form->Close(); };
  form->Show();
  person.Pump();
  ClickAt(form->Cancel, 10, 10);
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(::Screen->FormCount(), 0);
  EXPECT_EQ(platform::WindowCount(), 0u);
}

TEST_F(Forms, CloseActionsAndQueries) {
  TSettingsForm form(nullptr);
  TCloseAction next = caNone;
  form.OnClose = [&](TObject*, TCloseAction& action) { action = next; };
  form.Show();
  form.Close();
  EXPECT_TRUE(form.Visible()) << "caNone keeps it";
  next = caHide;
  SendMessage(form.Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(form.Visible());
  form.Show();
  next = caMinimize;
  form.Close();
  EXPECT_EQ(form.WindowState(), wsMinimized);
}

TEST_F(Forms, MainFormClosingEndsTheProgram) {
  auto* main = new TForm(nullptr);
  Application->SetMainForm(main);
  main->Show();
  PostMessage(main->Handle(), WM_CLOSE, 0, 0);
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  delete main;
  EXPECT_EQ(Application->MainForm(), nullptr);
}

// The program's forms belong to the application object, which goes at the very end; the
// forms are freed while it is still whole, since each asks it whether it was the main one.
TEST_F(Forms, TheApplicationFreesItsFormsWhileStillWhole) {
  TApplication* global = Application;
  auto* application = new TApplication(nullptr);
  Application = application;
  TForm* main = nullptr;
  application->CreateForm(main);
  EXPECT_EQ(application->MainForm(), main);
  bool destroyed = false;
  main->OnDestroy = [&](TObject*) { destroyed = application->MainForm() == main; };
  delete application;
  Application = global;
  EXPECT_TRUE(destroyed);
}

TEST_F(Forms, AFormThatFreesItselfAndEndsTheProgramIsGoneWhenTheLoopEnds) {
  auto* main = new TForm(nullptr);
  Application->SetMainForm(main);
  main->Show();
  auto* window = new TForm(Application);
  bool destroyed = false;
  window->OnDestroy = [&](TObject*) { destroyed = true; };
  window->OnClose = [](TObject*, TCloseAction& action) {
    action = caFree;
    Application->Terminate();
  };
  window->Show();
  PostMessage(window->Handle(), WM_CLOSE, 0, 0);
  Application->Run();
  EXPECT_TRUE(destroyed);
  delete main;
}

TEST_F(Forms, ButtonFreedByItsOwnClick) {
  auto* form = new TForm(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 200, 100);
  auto* button = new TButton(form);
  button->SetParent(form);
  int clicks = 0;
  button->OnClick = [&](TObject* sender) {
    ++clicks;
    delete static_cast<TButton*>(sender);
  };
  auto* deferred = new TButton(form);
  deferred->SetParent(form);
  deferred->SetLeft(100);
  deferred->OnClick = [&](TObject* sender) {
    ++clicks;
    static_cast<TButton*>(sender)->FreeDeferred();
    EXPECT_EQ(form->ControlCount(), 1) << "still there until the click returns";
  };
  form->Show();
  person.Pump();
  person.Click(10, 10);
  person.Pump();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(form->ControlCount(), 1);
  person.Click(110, 10);
  person.Pump();
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(form->ControlCount(), 0);
  delete form;
}

TEST_F(Forms, PositionsAndExceptionsInEvents) {
  TSettingsForm form(nullptr);
  form.Show();
  RECT wr{};
  GetWindowRect(form.Handle(), &wr);
  EXPECT_EQ(wr.left, (800 - (wr.right - wr.left)) / 2);
  // An exception escaping an event reaches Application->OnException.
  std::string caught;
  TObject* sender = nullptr;
  Application->OnException = [&](TObject* s, Exception& e) {
    caught = e.Message();
    sender = s;
  };
  form.Flag->OnClick = [](TObject*) { throw EConvertError("bad value"); };
  ClickAt(form.Flag, 5, 5);
  EXPECT_EQ(caught, "bad value");
  EXPECT_EQ(sender, form.Flag) << "the control whose message raised it";
  form.Flag->OnClick = [](TObject*) { throw std::runtime_error("plain"); };
  ClickAt(form.Flag, 5, 5);
  EXPECT_EQ(caught, "plain");
  form.Flag->OnClick = [](TObject*) { throw EConvertError("bad value"); };
  Application->OnException = nullptr;
  platform::DialogScript script;
  script.Press("TMessageForm", "OK");
  ClickAt(form.Flag, 5, 5);
  EXPECT_EQ(script.Pending(), 0u) << "shown in a message box";
}

}  // namespace
