#pragma once
// The commands that send what the user wrote: blocks gathered into a post list ("Post",
// "Cancel posting"), the post list written as NEW_BLOCKS messages into the Outbox ("Send
// post"), and a moderator's publishing of moderated comments.

#include "model/Tdiscblockindex.h"

struct TCommand;
class TDiscussion;

void PostCommand(TCommand& command);                      // "Post", data1 the post list
void CancelPostingCommand(TCommand& command);             // "Cancel posting", data1 the post list
void SendPostCommand(TCommand& command);                  // "Send post", data1 the post list
void PublishEmbeddedCommentsCommand(TCommand& command);   // data1, data2 the trust values

// The discussion a command's item names: a discussion's folder item, else the window's
// discussion; loaded. Null when there is none or it does not load.
TDiscussion* CommandDiscussion(TCommand& command);

// A new comment of the author (an index of the discussion's authors) with the contents of
// another block, under the same upper block; its number in names is the author's next
// comment number (with an undo record). The new comment, empty (reported) when it cannot
// be made.
TDiscBlockIndex MakeCommentFrom(TDiscussion& discussion, TDiscBlockIndex source, int author);
