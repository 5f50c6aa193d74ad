// Creating discussions from the browse window: an empty model, a model from a file of
// model blocks the model's own composer wrote, and the published copy of a discussion.

#include "Commandstest.h"

#include "app/Loginhooks.h"
#include "browse/Commandcodes.h"
#include "foundation/Commoncrypt.h"
#include "foundation/Fileroutines.h"
#include "foundation/Guihooks.h"
#include "foundation/Tbrowseglobal.h"
#include "foundation/Tbufwriter.h"
#include "foundation/Tlogin.h"
#include "model/Blockrecord.h"
#include "model/Discussionfileset.h"
#include "model/Unsavedchanges.h"
#include "model/Foldertree.h"
#include "model/Modelhooks.h"
#include "model/Tcommandmessage.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Forms.h"
#include "platform/kernel/Datafolders.h"
#include "tests/model/Modeltesthelpers.h"
#include "tests/support/Testsupport.h"

#include <algorithm>
#include <filesystem>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <deque>
#include <set>

namespace commandstest {
namespace {

// The names of the files of a folder, in name order.
std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> names;
  TFindEntry entry;
  for (bool found = FindFirstEntry(folder + "/*", entry); found; found = FindNextEntry(entry))
    names.push_back(entry.Name);
  if (!names.empty()) FindCloseEntry(entry);
  std::sort(names.begin(), names.end());
  return names;
}

// Chooses the entry of that caption in a submenu of the window's menu, as a click on it
// in the menu does.
bool ChooseMenuEntry(TBrowse& browse, const std::string& submenu, const std::string& caption) {
  std::vector<TSmartMenuItem*> open{&browse.Menu.Root};
  while (!open.empty()) {
    TSmartMenuItem* item = open.back();
    open.pop_back();
    if (item->Caption.ToString() == submenu) {
      TMenuItem shown(nullptr);
      browse.Menu.FillMenuItems(*item, &shown);
      for (int i = 0; i < shown.Count(); ++i)
        if (shown.Items(i)->Caption() == caption) {
          shown.Items(i)->Click();
          return true;
        }
      return false;
    }
    for (int i = 0; i < item->Count(); ++i) open.push_back(&item->Item(i));
  }
  return false;
}

// Seals a block file written by hand, as every copy of the program seals a public message.
bool SealFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool sealed = SignFile(file, "", "FORM_NEW_MODEL", 0);
  CloseHandle(file);
  return sealed;
}

std::deque<std::string>& Typed() {  // answers of the input box; "\x1b" cancels
  static std::deque<std::string> typed;
  return typed;
}

class CreationCommands : public CommandsTest {
 protected:
  void SetUp() override {
    CommandsTest::SetUp();
    savedHooks = ModelHooks();
    savedPaths = TBrowseGlobal::Paths;
    TGuiHooks gui = GuiHooks();
    gui.InputString = [](const std::string& caption, const std::string& prompt, const std::string& proposal,
                         std::string& result, bool) {
      Inputs.push_back(caption + "|" + prompt + "|" + proposal);
      if (Typed().empty() || Typed().front() == "\x1b") {
        if (!Typed().empty()) Typed().pop_front();
        return false;
      }
      result = Typed().front();
      Typed().pop_front();
      return true;
    };
    SetGuiHooks(gui);
    ModelHooks().CurrentLogin = [] { return TModelLogin{0, "L-me", "me@example.org"}; };
    ModelHooks().PrivateMessageKey = [] { return TStr("my key 1234"); };
    ModelHooks().KeyOfLogin = [](const TStr&, const TStr&) { return TStr("my key 1234"); };
    script.OnFailure = [](const std::string& what) { ADD_FAILURE() << what; };
  }
  void TearDown() override {
    EXPECT_TRUE(Typed().empty());
    Typed().clear();
    Inputs.clear();
    ModelHooks() = savedHooks;
    TBrowseGlobal::Paths = savedPaths;
    CommandsTest::TearDown();
  }
  static void Type(std::initializer_list<std::string> names) { Typed().insert(Typed().end(), names); }
  // The discussion in a folder of a root, -1 when none.
  int DiscussionIn(int16_t rootFolder, const std::string& name) {
    return discussions->FolderHasDiscussion(TStr(discussions->GetFolderPath(rootFolder).ToString() + "/" + name))
               ? [&] {
                   for (int i = 0; i < discussions->GetDiscussionsCount(); ++i)
                     if (Discussion(i).Folder.ToString() == discussions->GetFolderPath(rootFolder).ToString() + "/" + name)
                       return i;
                   return -1;
                 }()
               : -1;
  }
  // The model's blocks as its composer sends them to every requester: the one file it
  // writes into an Outbox of its own; "" when there is not exactly one.
  std::string SendModel() {
    const std::string outbox = folder + "/Outbox/";
    TBrowseGlobal::Paths.Outbox = outbox;
    TArray<TRecipientsList> receivers;
    TRecipientsList row;
    row.Users = "*";
    receivers.AddItem(row);
    Answer(0);  // "composed and signed"
    if (!MakeFolder(outbox) || !d->SendCommand_CreateModel(receivers, "")) return "";
    const std::vector<std::string> files = ListFiles(outbox);
    return files.size() == 1 ? outbox + files[0] : "";
  }
  // The window opened last.
  TBrowse& LastWindow() { return manager->GetFormBrowse(manager->Count() - 1)->Browse; }

  static inline std::vector<std::string> Inputs;
  TModelHooks savedHooks;
  TSuitePaths savedPaths;
  platform::DialogScript script;
};

TEST_F(CreationCommands, ANewUserCreatesAnEmptyDiscussionSavesBacksItUpClosesAndReopensIt) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  // Illegal names are refused and asked again; a trailing backslash is dropped.
  // From the "Creating" folder's menu.
  Run(form->Browse, Command_Creating);
  Type({"", ".", "..", "my forest", "a/b", "a\\b", "a\x01z", "Forest\\"});
  for (int i = 0; i < 7; ++i) Answer(0);
  ASSERT_TRUE(ChooseMenuEntry(form->Browse, "Create new model", "Empty"));
  Pump();
  ASSERT_EQ(Boxes().size(), 7u);
  for (const auto& box : Boxes()) {
    EXPECT_EQ(box.Caption, "ILLEGAL FOLDER NAME");
    EXPECT_EQ(box.Message, "This folder name contain illegal characters;\nplease reenter it.");
  }
  EXPECT_EQ(Inputs.front(), "Enter Nickname||NewDiscussionNickName");
  EXPECT_EQ(Inputs.back(), "Enter Nickname||a\x01z");
  const int created = DiscussionIn(discussions->CreatedRoot, "Forest");
  ASSERT_GE(created, 0);
  TDiscussion& forest = Discussion(created);
  const std::string path = forest.Folder.ToString();
  for (const char* sub : DiscussionHistoryFolders) EXPECT_TRUE(IsDirExists(path + "/" + sub)) << sub;
  EXPECT_EQ(forest.Info.Creating, 1);
  EXPECT_FALSE(forest.Info.MIdent.IsEmpty());
  EXPECT_EQ(forest.Info.Annotation.ToString(), "Model annotation");
  EXPECT_EQ(forest.Info.ModelAuthorLIdent.ToString(), "L-me");
  const int author = forest.Authors.FindAuthorByADIdent(ModelAuthorADIdent);
  ASSERT_GE(author, 0);
  EXPECT_EQ(forest.Authors.Author(author).LIdent.ToString(), "L-me");
  // The address participants answer the model's author at.
  EXPECT_EQ(forest.Authors.Author(author).AutomaticEMail.ToString(), "me@example.org");
  EXPECT_EQ(forest.User.PostLists.Items.Count(), 1u);
  // A new window shows its root; nothing was left unsaved.
  ASSERT_EQ(manager->Count(), 2);
  TBrowse& window = LastWindow();
  EXPECT_EQ(window.CurrentBrowseState.DiscussionIndex, created);
  EXPECT_EQ(Shown(window), forest.Storages.GetRootBlockIndex());
  EXPECT_TRUE(TDiscussion::FolderHoldsDiscussion(TStr(path)));

  // The window showing the "Creating" folder lists it.
  bool listed = false;
  TBrowseState& state = form->Browse.CurrentBrowseState;
  for (uint32_t i = 0; i < state.Rows.Count(); ++i) {
    const TBrowseItem* item = state.Rows[i].GetBrowseItem(state.CurrentItem);
    listed = listed || (item && item->Ident.Folder == forest.FolderIndex);
  }
  EXPECT_TRUE(listed);

  // The same name again is refused; the user gives up.
  Type({"Forest", "\x1b"});
  Answer(0);
  Run(form->Browse, Command_CreateModel, {}, "", 0);
  EXPECT_EQ(Boxes().back().Caption, "NEW FOLDER NAME");
  EXPECT_EQ(manager->Count(), 2);

  // Saved, backed up, closed and opened again.
  pars.ManualBackupFolder = folder + "/backups";
  Run(window, Command_Save);
  Run(window, Command_ManualBackup);
  EXPECT_EQ(ListSubFolders(folder + "/backups").size(), 1u);
  Answer(0);  // the window's position is offered for saving
  Run(window, Command_CloseDiscussion);
  EXPECT_EQ(manager->Count(), 1);
  EXPECT_FALSE(forest.Loaded);
  ASSERT_NE(manager->NewFormBrowseOnBlock(created, TDiscBlockIndex{StorageType_Model, 0}, form, 0, true), nullptr);
  EXPECT_TRUE(forest.Loaded);
  EXPECT_EQ(forest.Info.Annotation.ToString(), "Model annotation");
}

TEST_F(CreationCommands, AFolderHoldingAnUnregisteredDiscussionIsClearedOnlyWhenTheUserAgrees) {
  // Only folders of the program's data root are ever cleared.
  setenv("QUILLARAN_HOME", (folder + "/data").c_str(), 1);
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  const std::string stale = discussions->GetFolderPath(discussions->CreatedRoot).ToString() + "/Stale";
  ASSERT_TRUE(RecourseCopy(d->Folder.ToString(), stale));
  testsupport::WriteFile(stale + "/notes.txt", "mine");
  Type({"Stale"});
  Answer(1);
  Run(form->Browse, Command_CreateModel, {}, "", 0);
  EXPECT_EQ(Boxes().back().Caption, "FOLDER ALREADY EXISTS");
  EXPECT_EQ(Boxes().back().Message,
            "Discussion already exists;\nDo you want to clear discussion folder to recreate discussion?");
  EXPECT_EQ(testsupport::ReadFile(stale + "/notes.txt"), "mine");
  EXPECT_LT(DiscussionIn(discussions->CreatedRoot, "Stale"), 0);

  Type({"Stale"});
  Answer(0);
  Run(form->Browse, Command_CreateModel, {}, "", 0);
  EXPECT_FALSE(IsFileExists(stale + "/notes.txt"));
  const int created = DiscussionIn(discussions->CreatedRoot, "Stale");
  ASSERT_GE(created, 0);
  EXPECT_EQ(Discussion(created).Storages.Model.Count(), 1);
}

TEST_F(CreationCommands, ABlockFileOfTheModelsComposerIsImportedWholeAndABadOneAddsNothing) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  d->Storages.GetStrHashItem(a1)->Str.Text = "Text of A1";
  d->Storages.GetStrHashItem(a1)->Str.URL = "http://example.org/";
  const TDiscBlockIndex f = modeltest::AddBlock(*d, StorageType_Model, a, TextType_Formula, "");
  d->Storages.GetDiscBlock(f)->Conclusion = a2;
  d->Storages.GetDiscBlock(f)->ConclusionCode = d->Storages.GetDiscBlock(a2)->GetDiscBlockCode();
  d->Storages.GetStrHashItem(f)->Str.FormulaText = std::string("<").append(Name(a1)).append(">*0.5");
  const std::string file = SendModel();
  ASSERT_FALSE(file.empty());

  // The dialog starts in the post folder; the user agrees to add the blocks.
  std::string offered;
  script.Answer("Select model source marked out file", [&](TCustomForm& dialog) {
    offered = dynamic_cast<TEdit*>(platform::FindNamed(dialog, "Folder"))->Text();
    platform::SetControlValue(dialog, "FileName", file);
    platform::PressControl(dialog, "OK");
  });
  Type({"Grove"});
  Answer(0);
  Run(form->Browse, Command_CreateModel, {}, "", 1);
  EXPECT_EQ(offered, folder + "/Outbox/");
  EXPECT_EQ(Boxes().back().Caption, "CREATING NEW MODEL");
  EXPECT_EQ(Boxes().back().Message, "Add 7 blocks to model?");
  const int created = DiscussionIn(discussions->CreatedRoot, "Grove");
  ASSERT_GE(created, 0);
  TDiscussion& grove = Discussion(created);
  ASSERT_EQ(grove.Storages.Model.Count(), d->Storages.Model.Count());
  std::set<uint16_t> numbers;
  for (int i = 0; i < grove.Storages.Model.Count(); ++i) {
    const TDiscBlock& block = grove.Storages.Model.Block(i);
    numbers.insert(block.BlockNum);
    EXPECT_LE(block.BlockNum, grove.Storages.Model.LastBlockNum);
    if (i == 0) continue;  // the root of each
    const TDiscBlockIndex source = d->Storages.FindDiscBlockIndexByName(block.Name.ToString());
    ASSERT_FALSE(source.IsEmpty()) << block.Name.ToString();
    // What the file carries of a block arrives whole: names, links, values and texts.
    const TDiscBlockRecord got = MakeDiscBlockRecord(grove, {StorageType_Model, uint16_t(i)});
    const TDiscBlockRecord sent = MakeDiscBlockRecord(*d, source);
    EXPECT_EQ(got.UpperName, sent.UpperName) << i;
    EXPECT_EQ(got.ConclusionName, sent.ConclusionName) << i;
    EXPECT_EQ(got.Num, sent.Num) << i;
    EXPECT_EQ(got.TextType, sent.TextType) << i;
    EXPECT_EQ(got.Novelty, sent.Novelty) << i;
    EXPECT_EQ(got.Importance, sent.Importance) << i;
    EXPECT_EQ(got.Possibility, sent.Possibility) << i;
    EXPECT_TRUE(got.Texts == sent.Texts) << i;
  }
  EXPECT_EQ(numbers.size(), size_t(grove.Storages.Model.Count()));
  EXPECT_EQ(Shown(LastWindow()), grove.Storages.GetRootBlockIndex());

  // A file whose blocks come before their upper blocks adds nothing.
  std::string bad;
  {
    TBufWriter writer(bad);
    TCommandMessageHeader header;
    ASSERT_TRUE(header.AddField("COMMAND", "FORM_NEW_MODEL"));
    ASSERT_TRUE(header.AddField("BLOCKSCOUNT", "2"));
    ASSERT_TRUE(header.Write(writer, "L-me"));
    TDiscBlockRecord child = MakeDiscBlockRecord(*d, a1), upper = MakeDiscBlockRecord(*d, a);
    ASSERT_TRUE(DiscBlockToBufWriter(writer, child, ""));
    ASSERT_TRUE(DiscBlockToBufWriter(writer, upper, ""));
    EndBlockRecords(writer);
  }
  testsupport::WriteFile(folder + "/bad.cbc", bad);
  ASSERT_TRUE(SealFile(folder + "/bad.cbc"));
  script.Press("Select model source marked out file", "OK", {{"FileName", folder + "/bad.cbc"}});
  Type({"Thicket"});
  Answer(0);  // the author's data found in the model made before
  Answer(0);
  Run(form->Browse, Command_CreateModel, {}, "", 1);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0], "TBrowse::ProcessCommand, ECommand_Browse_CreateDiscussion - верхний блок (" + Name(a) +
                              ") не найден");
  Reports().clear();
  TError::Instance().Reset();
  EXPECT_EQ(Boxes()[Boxes().size() - 2].Caption, "CREATING NEW MODEL");
  EXPECT_EQ(Boxes()[Boxes().size() - 2].Message, "Model author data filled from model 'Grove'");
  const int thicket = DiscussionIn(discussions->CreatedRoot, "Thicket");
  ASSERT_GE(thicket, 0);
  EXPECT_EQ(Discussion(thicket).Storages.Model.Count(), 1);
  // What was made of it before the file was read is saved: it reads back whole.
  Discussion(thicket).Unload();
  ASSERT_TRUE(Discussion(thicket).Load());
  EXPECT_EQ(Discussion(thicket).Info.Creating, 1);
  EXPECT_EQ(Discussion(thicket).Info.ModelAuthorLIdent.ToString(), "L-me");

  // Cancelling the file dialog still makes the model, and says so.
  script.Press("Select model source marked out file", "Cancel");
  Type({"Copse"});
  Answer(0);
  Answer(0);
  Run(form->Browse, Command_CreateModel, {}, "", 1);
  EXPECT_EQ(Boxes().back().Message, "Model is created; no blocks added.");
  EXPECT_GE(DiscussionIn(discussions->CreatedRoot, "Copse"), 0);
  EXPECT_EQ(script.Pending(), 0u);
}

TEST_F(CreationCommands, APrivateBlockFileIsReadWithItsSendersKeyAndAnUnsealedOneAddsNothing) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  // Two installations: the leader's, whose Key seals and packs what it sends,
  // and this user's, which knows the leader only by address.
  TLoginsStorage leaders, mine;
  // Files of their own, where the keys they learn are kept.
  std::filesystem::create_directories(platform::DataRoot());
  leaders.Load(platform::DataRoot() + "/leaders.cbs");
  mine.Load(platform::DataRoot() + "/mine.cbs");
  const auto login = [](TLoginsStorage& logins, const char* lident, const char* email) {
    logins.Current = logins.AddLogin(TStr(lident), TStr(email));
    TLogin& l = logins.GetLogin(logins.Current);
    l.LIdent = lident;
    EXPECT_TRUE(l.SetKeyPassword(std::string(lident) + " key 1"));
    l.KeyPasswordVerified = 1;
  };
  login(leaders, "L-lead", "lead@x");
  login(mine, "L-me", "me@x");
  struct TUnregister {
    ~TUnregister() { UnregisterLoginHooks(); }
  } unregister;
  d->Info.Secret = 1;
  d->Storages.GetStrHashItem(a1)->Str.Text = "Секретный текст";
  RegisterLoginHooks(leaders);
  const std::string file = SendModel();
  RegisterLoginHooks(mine);
  ASSERT_FALSE(file.empty());
  const std::string sent = testsupport::ReadFile(file);
  EXPECT_NE(sent.find("\r\nPRIVATE_REQ=1\r\n"), std::string::npos);
  EXPECT_EQ(sent.find("Секретный текст"), std::string::npos);  // packed

  const auto import = [&](const std::string& path, const std::string& name, std::initializer_list<std::string> keys) {
    script.Press("Select model source marked out file", "OK", {{"FileName", path}});
    Type({name});
    Type(keys);
    Inputs.clear();
    Run(form->Browse, Command_CreateModel, {}, "", 1);
    const int created = DiscussionIn(discussions->CreatedRoot, name);
    EXPECT_GE(created, 0);
    return created < 0 ? nullptr : &Discussion(created);
  };
  // Cancelled at the key: refused, the model is made without blocks.
  Answer(0);  // VERIFYING ERROR
  TDiscussion* refused = import(file, "Cancelled", {"\x1b"});
  EXPECT_EQ(Inputs.back(), "KEY|Key of lead@x, for the FORM_NEW_MODEL message:|");
  EXPECT_EQ(Boxes().back().Caption, "VERIFYING ERROR");
  EXPECT_EQ(Boxes().back().Message, "Incorrect command-message sign or verifying error!");
  ASSERT_NE(refused, nullptr);
  EXPECT_EQ(refused->Storages.Model.Count(), 1);
  TError::Instance().Reset();

  // The right key: the texts unpack; the key is kept for the session.
  Answer(0);  // the author's data found in the model made before
  Answer(0);  // add the blocks
  const std::string leaderKey = leaders.GetLogin(leaders.Current).Key.ToString();
  TDiscussion* grove = import(file, "Grove", {leaderKey});
  EXPECT_EQ(Boxes().back().Message, "Add " + std::to_string(d->Storages.Model.Count() - 1) + " blocks to model?");
  ASSERT_NE(grove, nullptr);
  ASSERT_EQ(grove->Storages.Model.Count(), d->Storages.Model.Count());
  const TDiscBlockIndex got = grove->Storages.FindDiscBlockIndexByName(Name(a1));
  ASSERT_FALSE(got.IsEmpty());
  EXPECT_EQ(grove->Storages.GetStrHashItem(got)->Str.Text, "Секретный текст");
  EXPECT_EQ(mine.GetKeyOf(TStr("L-lead")).ToString(), leaderKey);

  // One byte altered on the way: refused without asking, nothing added.
  std::string altered = sent;
  altered[altered.find("BLOCKSCOUNT=") + 12] ^= 1;
  testsupport::WriteFile(folder + "/altered.cbc", altered);
  Answer(0);
  Answer(0);  // VERIFYING ERROR
  TDiscussion* copse = import(folder + "/altered.cbc", "Copse", {});
  EXPECT_EQ(Boxes().back().Caption, "VERIFYING ERROR");
  ASSERT_NE(copse, nullptr);
  EXPECT_EQ(copse->Storages.Model.Count(), 1);
  EXPECT_EQ(Inputs.size(), 1u);  // the folder only
  EXPECT_EQ(script.Pending(), 0u);
  TError::Instance().Reset();
}

TEST_F(CreationCommands, APublishedModelLosesItsCrossedAndRecycledBlocksAndTheSourceStaysAsItWas) {
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  d->Storages.GetDiscBlock(b)->DeleteFlag = DeleteFlag_Crossed;
  d->Storages.GetDiscBlock(c)->DeleteFlag = DeleteFlag_Recycled;
  d->Info.GenerateMIdent();
  ASSERT_TRUE(d->Save());
  std::vector<std::string> before;
  for (int file = 0; file < TDiscussionFileSet::Count; ++file) before.push_back(d->ComposeFile(file));
  const std::string sourceMIdent = d->Info.MIdent.ToString(), sourceDIdent = d->Info.DIdent.ToString();

  // A folder that is there already is asked about; the user names another.
  ASSERT_TRUE(MakeFolder(discussions->GetFolderPath(discussions->DiscussedRoot).ToString() + "/Taken"));
  Type({"Taken", "Published"});
  Answer(0);
  Run(form->Browse, Command_FormPublishedModel);
  EXPECT_EQ(Inputs.front(), "Forming Model|Type folder name for discussed model copy:|Ecology");
  EXPECT_EQ(Boxes().back().Caption, "FOLDER ALREADY EXISTS");
  const int copyIndex = DiscussionIn(discussions->DiscussedRoot, "Published");
  ASSERT_GE(copyIndex, 0);
  TDiscussion& copy = Discussion(copyIndex);
  ASSERT_TRUE(copy.Loaded);
  EXPECT_EQ(copy.Info.Creating, 0);
  EXPECT_NE(copy.Info.DIdent.ToString(), sourceDIdent);
  EXPECT_NE(copy.Info.MIdent.ToString(), sourceMIdent);
  for (TDiscBlockIndex gone : {b, c})
    EXPECT_EQ(copy.Storages.GetDiscBlock(gone)->DeleteFlag, DeleteFlag_Erased);
  EXPECT_EQ(copy.Storages.GetDiscBlock(a1a)->DeleteFlag, DeleteFlag_Alive);
  const int author = copy.Authors.FindAuthorByADIdent(ModelAuthorADIdent);
  ASSERT_GE(author, 0);
  EXPECT_FALSE(copy.Authors.Author(author).AGIdent.IsEmpty());
  EXPECT_EQ(Shown(LastWindow()), copy.Storages.GetRootBlockIndex());

  // The source is untouched, in memory and on disk.
  std::vector<std::string> after;
  for (int file = 0; file < TDiscussionFileSet::Count; ++file) after.push_back(d->ComposeFile(file));
  EXPECT_EQ(after, before);
  EXPECT_FALSE(HasUnsavedChanges(*d));
  EXPECT_EQ(d->Storages.GetDiscBlock(b)->DeleteFlag, DeleteFlag_Crossed);
}

TEST_F(CreationCommands, APublishedCopyThatCannotBeMadeLeavesNothingBehind) {
  // Only folders of the program's data root are ever removed.
  setenv("QUILLARAN_HOME", (folder + "/data").c_str(), 1);
  TFormBrowse* form = OpenTree();
  ASSERT_NE(form, nullptr);
  // A socket in the discussion's folder cannot be copied: the copy stops halfway.
  const std::string socketPath = d->Folder.ToString() + "/socket";
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, "socket");  // made from within the folder: its path is too long for an address
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(d->Folder.ToString().c_str()), 0);
  const int bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  ASSERT_EQ(chdir(here), 0);
  ASSERT_EQ(bound, 0);
  close(fd);
  const int count = discussions->GetDiscussionsCount();
  const uint32_t folders = discussions->Folders.Count();
  Type({"Published"});
  Run(form->Browse, Command_FormPublishedModel);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].rfind("RecourseCopy - ", 0), 0u) << Reports()[0];
  Reports().clear();
  TError::Instance().Reset();
  EXPECT_FALSE(IsDirExists(discussions->GetFolderPath(discussions->DiscussedRoot).ToString() + "/Published"));
  EXPECT_EQ(discussions->GetDiscussionsCount(), count);
  EXPECT_EQ(discussions->Folders.Count(), folders);
  EXPECT_EQ(manager->Count(), 1);
  EXPECT_TRUE(d->Loaded);
  unlink(socketPath.c_str());
}

}  // namespace
}  // namespace commandstest
