#pragma once
// What the installation roads do again and again, as a user does it: opening the post
// office, exchanging mail, handling a folder, opening a discussion, and the start of every
// shared discussion (one creates it and announces it, the other asks for it and forms it).

#include "tests/e2e/Installation.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

class TCustomForm;
class TDiscussion;
class TFormBrowse;

namespace e2e {

// Two installations, a leader A and a reader B, with mailboxes of their own on the mail
// fixture, so that roads may run side by side.
class TTwoInstallationsRoad : public ::testing::Test {
 protected:
  TTwoInstallationsRoad(const std::string& mailbox, const std::string& other);
  void SetUp() override;
  const std::string Folder = testsupport::ScratchFolder();
  TInstallation A, B;
};

// The discussion's name and its live blocks, one a line: storage, name, upper block's
// name, text (the root shows the discussion's name in place of a text).
std::string Tree(TDiscussion& d);

// In the post office window: presses a button that exchanges mail ("ButtonMail",
// "Button1" receives, "Button3" sends) and closes the exchange's window once it is done.
void Exchange(TSession& s, TCustomForm& office, const std::string& button);
// Handles every file of a folder of the post office window ("RadioButtonInbox" ...).
void Perform(TCustomForm& office, const std::string& folder);
// The window of the folder of discussions: the first window, moved up from the
// discussion it opened on, or down from the root folder.
TFormBrowse& DiscussedFolder(TSession& s);
// Opens the post office from the folder of discussions, acts in it and closes it.
void InPostOffice(TSession& s, const std::function<void(TCustomForm&)>& act);
// The post office receives what came and handles the Inbox.
void Receive(TSession& s);
// Receives blocks new to a discussion: the handling's question and the boxes that tell of
// them are answered.
void ReceiveNewBlocks(TSession& s);
// Sends what waits in the Outbox.
void Send(TSession& s);
// Receives, handles what came, packs the answers the handling wrote and sends them.
void Answer(TSession& s);
// Opens the discussion of that folder from the folder of discussions.
TFormBrowse& OpenDiscussion(TSession& s, const std::string& folder);
// The moderating leader makes the discussion of that folder private (or public) in the
// moderation listing of every discussion, and goes back to browsing.
void SwitchPrivacy(TSession& s, const std::string& folder, bool makePrivate);

// Writes each text as a note under the block `block` of the discussion `folder` and posts
// it, then sends the post to all as the leader does, the notes becoming comments; tells
// "sent" (the tree then).
void PostNotesToAll(TSession& s, const std::string& folder, const std::string& block,
                    const std::vector<std::string>& texts);

// Opens the rows of `path` from the window's item, writes a note with the text under the
// block reached and posts it, then goes back up the path.
void PostNote(TSession& s, TFormBrowse& window, const std::vector<std::string>& path, const std::string& text);
// A participant's "Send post" of the window's discussion to its leader, mailed at once.
void SendPostToLeader(TSession& s, TFormBrowse& window);
// `reader` asks the leader of its copy of `folder` for an author identifier, the leader's
// installation grants it (in person, or by its moderation library when `moderated`), and
// the reader's next run takes it.
void GrantAuthorIdentifier(TInstallation& reader, TInstallation& leader, const std::string& folder, bool moderated);

// The mail files waiting in a mailbox of the fixture.
std::vector<std::string> Waiting(const std::string& mailbox);
// Delivers a mail file again into a mailbox, as a server that lost track of a delivery does.
void Deliver(const std::string& mailbox, const std::string& mail, int copy);

// `leader` creates the discussion `folder` with the root text and one model block a text,
// publishes it and announces it to the readers, sends the announcement and tells "model"
// (its tree), "dident" and "lident" (its own). A moderated one is first registered with the leader as its
// moderator (the moderation library must lie in the leader's data root); "moderator" then
// tells whether the leader moderates it.
void Announce(TInstallation& leader, const std::vector<TInstallation*>& readers, const std::string& folder,
              const std::string& root, const std::vector<std::string>& blocks, bool moderated = false);
// `reader` takes the announcement and asks for the announced discussion (GIVE_MODEL).
void RequestModel(TInstallation& reader);
// `reader` asks for the announced discussion, the leader answers with the model and the
// reader forms its copy of `folder`, telling "model" and "dident".
void TakeModel(TInstallation& leader, TInstallation& reader, const std::string& folder);
// The same for several readers, whom the leader answers with one message.
void TakeModel(TInstallation& leader, const std::vector<TInstallation*>& readers, const std::string& folder);
// `reader` receives the leader's model and forms its copy of `folder`, telling "model" and
// "dident".
void FormModelCopy(TInstallation& reader, const std::string& folder);

}  // namespace e2e
