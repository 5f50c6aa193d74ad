#pragma once
// The handlers of received command messages. Each takes the run that handles the Inbox
// and the full path of one message there, and returns whether the message counts as
// handled; a message left unhandled stays for a later run. A message from another
// participant is never trusted: it is applied whole or not at all.

#include <cstdint>
#include <string>

class TPostFilesHandler;

// Registers every handler below with the command table's registry.
void RegisterCommandHandlers();
// Takes every handler of the command table out of the registry again.
void UnregisterCommandHandlers();

// GIVE_MODEL: the sender asks for the model; admitted senders are recorded and the
// discussion queued in the run's model requests.
bool HandleCommand_GiveModel(TPostFilesHandler& run, const std::string& path);
// NEW_BLOCKS, REQUESTED_BLOCKS (and FORM_NEW_MODEL for an existing discussion): the
// blocks of the message update or join the discussion.
bool HandleCommand_NewBlocks(TPostFilesHandler& run, const std::string& path);
// SUBSCRIBE_ME (leader): an agreed reader becomes a subscribed author and is answered
// YOU_SUBSCRIBED. YOU_SUBSCRIBED (reader): the copy is marked subscribed. UNSUBSCRIBE_ME
// (leader): the sender's author rows are marked unsubscribed. DO_NOT_BOTHER_MORE (reader):
// the user is told that the leader stopped the registration.
bool HandleCommand_SubscribeMe(TPostFilesHandler& run, const std::string& path);
bool HandleCommand_YouSubscribed(TPostFilesHandler& run, const std::string& path);
bool HandleCommand_UnsubscribeMe(TPostFilesHandler& run, const std::string& path);
bool HandleCommand_DontBotherMore(TPostFilesHandler& run, const std::string& path);
// AUTHORS_UPDATE: authors' data from the leader, or an author's own data to the leader.
bool HandleCommand_AuthorsUpdate(TPostFilesHandler& run, const std::string& path);
// The identifiers the moderation library gave the author of a GENERATE_AUTHOR_IDENTS
// message, stored with the message's author data.
bool RefreshAuthorData(TPostFilesHandler& run, const std::string& path, uint16_t adident, const std::string& agident);
// The identifier the author of a GENERATE_AUTHOR_IDENTS message can be given in this
// installation's copy of its discussion: the one the author has there already, else
// `adident` when no other author holds it, else one above the highest the copy has. False (reported or told) when the message, its discussion
// or its author data cannot be read, or no identifier is left.
bool FreeAuthorIdent(const std::string& path, uint16_t& adident);
// MAKE_DISCUSSION_PRIVATE, MAKE_DISCUSSION_PUBLIC from the leader: the privacy switched and
// saved.
bool HandleCommand_MakeDiscussionPrivate(TPostFilesHandler& run, const std::string& path);
bool HandleCommand_MakeDiscussionPublic(TPostFilesHandler& run, const std::string& path);
// YOUR_BLOCKS_IGNORED (from the leader) and YOUR_COMMAND_IGNORED: the user is told. A
// refusal that nothing proves its leader's, of a command sent from here, is not shown in
// their words: the run tells of all such refusals in one box (UnprovenRefusalsText).
bool HandleCommand_YourBlocksIgnored(TPostFilesHandler& run, const std::string& path);
bool HandleCommand_YourCommandIgnored(TPostFilesHandler& run, const std::string& path);
// The box of the refusals taken since it was asked last that nothing proves who wrote
// them, "" when none came; they are forgotten then.
std::string UnprovenRefusalsText();
// EXISTING_BLOCKS_LIST from the leader: blocks missing or different here are asked for
// with GIVE_BLOCKS when the user agrees.
bool HandleCommand_ExistingBlockNames(TPostFilesHandler& run, const std::string& path);
// REGISTRATE_MODEL (moderator): the moderation library decides. MODEL_REGISTRATION (the
// model's author): the result shown; a registered model takes the moderator's identifiers
// and goes to the moderator as FORM_NEW_MODEL, unless the moderator is a login of this
// installation, which holds the model already.
bool HandleCommand_RegistrateModel(TPostFilesHandler& run, const std::string& path);
bool HandleCommand_ModelRegistration(TPostFilesHandler& run, const std::string& path);
// GIVE_BLOCKS: the named blocks sent back as REQUESTED_BLOCKS when the user agrees.
// GIVE_EXISTING_BLOCKS_LIST: the sender waits for the list of names, sent after the run.
// A closed discussion drops both from strangers.
bool HandleCommand_GiveBlocks(TPostFilesHandler& run, const std::string& path);
bool HandleCommand_GiveExistingBlockNames(TPostFilesHandler& run, const std::string& path);
// AUTHOR_IDENTS_GENERATED from the leader: the identifiers stored in the named author's
// record (or the refusal shown).
bool HandleCommand_AuthorIdentsGenerated(TPostFilesHandler& run, const std::string& path);
// NEW_ANNOTATION: the announced discussion shown; asked for, a GIVE_MODEL message goes out
// at once.
bool HandleCommand_NewAnnotation(TPostFilesHandler& run, const std::string& path);
// GENERATE_AUTHOR_IDENTS (the leader of a discussion without a moderator): the user
// decides, the author gets identifiers, and the answer AUTHOR_IDENTS_GENERATED goes out.
bool HandleCommand_GenerateAuthorIdents(TPostFilesHandler& run, const std::string& path);
// MODERATE_DLL: a new moderation library installed when the user, shown its digest, agrees;
// used from the next start.
bool HandleCommand_ModerateDLL(TPostFilesHandler& run, const std::string& path);
// FORM_NEW_MODEL: a new discussion in a folder the user names, with the model's blocks.
bool HandleCommand_CreateModel(TPostFilesHandler& run, const std::string& path);
