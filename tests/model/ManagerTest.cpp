// The register of discussions and their folders.

#include "Modeltesthelpers.h"
#include "model/Tdiscussionsmanager.h"

#include <filesystem>

using namespace modeltest;

class Manager : public ModelTest {
protected:
  // Saves a discussion with the given identifiers into a folder.
  void MakeDiscussion(const std::string& folder, const char* dident, const char* mident) {
    std::filesystem::create_directories(folder);
    TDiscussion d;
    MakeRoot(d, folder);
    d.Info.DIdent = dident;
    d.Info.MIdent = mident;
    d.Info.Name = dident;
    ASSERT_TRUE(d.Save());
  }
};

TEST_F(Manager, ScansNestedFoldersAndStopsAtDiscussions) {
  const std::string root = Folder();
  MakeDiscussion(root + "/Discussed/Science/Physics", "D-1", "M-1");
  MakeDiscussion(root + "/Discussed/Science/Deep/Deeper/Chemistry", "D-2", "M-2");
  MakeDiscussion(root + "/Created/Mine", "D-3", "M-3");
  std::filesystem::create_directories(root + "/Discussed/Empty");
  std::filesystem::create_directories(root + "/Discussed/.hidden");
  // A discussion's own sub-folders are not looked into.
  MakeDiscussion(root + "/Discussed/Science/Physics/InboxPostHistory", "D-9", "M-9");

  TDiscussionsManager manager;
  ASSERT_TRUE(manager.Init(root));
  ASSERT_EQ(manager.GetDiscussionsCount(), 3);
  std::vector<std::string> folders;
  for (int i = 0; i < manager.GetDiscussionsCount(); ++i) {
    EXPECT_FALSE(manager.GetDiscussion(i).Loaded);
    folders.push_back(manager.GetDiscussion(i).Folder.ToString());
  }
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ(folders[0], root + "/Created/Mine");
  EXPECT_EQ(folders[1], root + "/Discussed/Science/Deep/Deeper/Chemistry");
  EXPECT_EQ(folders[2], root + "/Discussed/Science/Physics");

  EXPECT_EQ(manager.GetFolderPath(manager.RootFolder).ToString(), root);
  EXPECT_EQ(manager.GetFolderPath(manager.DiscussedRoot).ToString(), root + "/Discussed");
  EXPECT_EQ(manager.GetParentFolder(manager.RootFolder), manager.RootFolder);
  EXPECT_EQ(manager.GetParentFolder(manager.CreatedRoot), manager.RootFolder);
  for (int i = 0; i < manager.GetDiscussionsCount(); ++i) {
    const TDiscussion& d = manager.GetDiscussion(i);
    EXPECT_EQ(manager.GetFolderPath(d.FolderIndex), d.Folder);
    EXPECT_EQ(manager.FindDiscussionByFolder(d.FolderIndex), i);
    EXPECT_TRUE(manager.FolderHasDiscussion(d.Folder));
  }
  EXPECT_EQ(manager.FindDiscussionByFolder(manager.DiscussedRoot), -1);
  EXPECT_FALSE(manager.FolderHasDiscussion(root + "/Discussed/Empty"));
}

TEST_F(Manager, FindsDiscussionsByIdentifiersReadingOnlyTheirInformation) {
  const std::string root = Folder();
  MakeDiscussion(root + "/Discussed/A", "D-1", "M-same");
  MakeDiscussion(root + "/Discussed/B", "D-2", "M-same");
  MakeDiscussion(root + "/Created/C", "D-3", "M-3");
  TDiscussionsManager manager;
  ASSERT_TRUE(manager.Init(root));
  const int found = manager.FindDiscussionByDIdent("D-2", false, "", "");
  ASSERT_GE(found, 0);
  EXPECT_EQ(manager.GetDiscussion(found).Folder.ToString(), root + "/Discussed/B");
  for (int i = 0; i < manager.GetDiscussionsCount(); ++i) EXPECT_FALSE(manager.GetDiscussion(i).Loaded);

  EXPECT_EQ(manager.FindDiscussionByMIdent("M-same"), -2);
  EXPECT_EQ(manager.GetDiscussion(manager.FindDiscussionByMIdent("M-3")).Folder.ToString(), root + "/Created/C");
  EXPECT_EQ(manager.FindDiscussionByMIdent("M-none"), -1);

  static std::string shown, caption;
  TGuiHooks hooks = GuiHooks();
  hooks.ShowMessageBox = [](const std::string& title, const std::string& text, const std::string&,
                            const std::string&, int) {
    shown = text;
    caption = title;
    return 0;
  };
  SetGuiHooks(hooks);
  EXPECT_EQ(manager.FindDiscussionByDIdent("D-x", true, "So the command message is left unhandled.", "NEW_BLOCKS"), -1);
  EXPECT_EQ(shown, "The discussion with identifier 'D-x' is not found.\nSo the command message is left unhandled.");
  EXPECT_EQ(caption, "NEW_BLOCKS");

  TDiscussion& c = manager.GetDiscussion(manager.FindDiscussionByMIdent("M-3"));
  const TStr dident = manager.MakeUniqueDIdent(c);
  EXPECT_EQ(c.Info.DIdent, dident);
  EXPECT_EQ(dident.c_str()[0], 'D');
}

TEST_F(Manager, TwoFoldersWithOneModelIdentifierAskWhichGetsANewOne) {
  const std::string root = Folder();
  MakeDiscussion(root + "/Discussed/A", "D-1", "M-same");
  MakeDiscussion(root + "/Discussed/B", "D-2", "M-same");
  TDiscussionsManager manager;
  ASSERT_TRUE(manager.Init(root));
  std::string asked1, asked2;
  ModelHooks().AskRegenerateMIdent = [&](const TStr& path1, const TStr& path2) {
    asked1 = path1.ToString();
    asked2 = path2.ToString();
    return 2;
  };
  TDiscussion& a = manager.GetDiscussion(manager.FindDiscussionByDIdent("D-1", false, "", ""));
  ASSERT_TRUE(a.Load());
  EXPECT_EQ(asked1, root + "/Discussed/A");
  EXPECT_EQ(asked2, root + "/Discussed/B");
  EXPECT_EQ(a.Info.MIdent, "M-same");
  TDiscussion b;
  b.Folder = root + "/Discussed/B";
  ASSERT_TRUE(b.Load());
  EXPECT_FALSE(b.Info.MIdent == "M-same");
  EXPECT_FALSE(manager.GetDiscussion(manager.FindDiscussionByDIdent("D-2", false, "", "")).Loaded);
}

TEST_F(Manager, CreatesNewDiscussions) {
  const std::string root = Folder();
  TDiscussionsManager manager;
  ASSERT_TRUE(manager.Init(root));
  const int index = manager.CreateNewDiscussion(manager.CreatedRoot, "Fresh", true, 0);
  ASSERT_GE(index, 0);
  TDiscussion& d = manager.GetDiscussion(index);
  EXPECT_TRUE(d.Loaded);
  EXPECT_EQ(d.Folder.ToString(), root + "/Created/Fresh");
  EXPECT_EQ(d.GetModelFolderName(), "Fresh");
  const TDiscBlockIndex rootBlock = d.Storages.GetRootBlockIndex();
  ASSERT_FALSE(rootBlock.IsEmpty());
  EXPECT_EQ(d.Storages.GetDiscBlock(rootBlock)->TextType, TextType_Heading);
  EXPECT_TRUE(TDiscussion::FolderHoldsDiscussion(d.Folder));
  TDiscussion* address = &d;
  for (int i = 0; i < 40; ++i) manager.CreateNewDiscussion(manager.CreatedRoot, "More" + std::to_string(i), false, 0);
  EXPECT_EQ(&manager.GetDiscussion(index), address);  // discussions keep their addresses
  EXPECT_TRUE(Reports().empty());
  // The same folder again, and names that are no plain folder names, are refused.
  for (const char* bad : {"Fresh", "", "..", "a/b", "../escape"}) {
    TError::Instance().Reset();
    EXPECT_EQ(manager.CreateNewDiscussion(manager.CreatedRoot, bad, true, 0), -1) << bad;
  }
  EXPECT_FALSE(std::filesystem::exists(root + "/escape"));
  TDiscussionsManager again;
  ASSERT_TRUE(again.Init(root));
  EXPECT_EQ(again.GetDiscussionsCount(), 1);  // folders without files are no discussions
}

TEST_F(Manager, AuthorDataComesFromAnotherModel) {
  const std::string root = Folder();
  std::filesystem::create_directories(root + "/Discussed/Old");
  {
    TDiscussion old;
    MakeRoot(old, root + "/Discussed/Old");
    const int index = old.Authors.CreateAuthor(old, "L-me", 3, 0);
    old.Authors.Author(index).FirstName = "Anna";
    old.Authors.Author(index).LastName = "Ivanova";
    old.Authors.Author(index).Phones = "555";
    ASSERT_TRUE(old.Save());
  }
  TDiscussionsManager manager;
  ASSERT_TRUE(manager.Init(root));
  const int index = manager.CreateNewDiscussion(manager.CreatedRoot, "New", true, 0);
  ASSERT_GE(index, 0);
  TDiscussion& fresh = manager.GetDiscussion(index);
  const int author = fresh.Authors.CreateAuthor(fresh, "L-me", 0, 0);
  const int from = fresh.Authors.CopyAuthorDataFromModel(manager, fresh, author);
  ASSERT_GE(from, 0);
  EXPECT_EQ(manager.GetDiscussion(from).Folder.ToString(), root + "/Discussed/Old");
  EXPECT_FALSE(manager.GetDiscussion(from).Loaded);
  EXPECT_EQ(fresh.Authors.Author(author).GetFullName(), "Anna Ivanova");
  EXPECT_EQ(fresh.Authors.Author(author).Phones, "555");
  EXPECT_EQ(fresh.Authors.Author(author).ADIdent, 0);
  const int stranger = fresh.Authors.CreateAuthor(fresh, "L-nobody", 1, 0);
  EXPECT_EQ(fresh.Authors.CopyAuthorDataFromModel(manager, fresh, stranger), -1);
}
