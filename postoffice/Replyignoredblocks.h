#pragma once
// The answer to an author whose blocks were ignored: a sealed YOUR_BLOCKS_IGNORED message
// in the Outbox naming the blocks.

#include "foundation/Tstr.h"

#include <cstdint>

class TDiscussion;

struct TYourBlocksIgnoredInfo {
  uint16_t ADIdent = 0xFFFF;  // the author's identifier in the discussion
  TStr BlockNames;            // joined by "; "
};

// Writes the message to the e-mail address of the author's record. False (reported) when
// it cannot be written and sealed; no file is left then. An author without an address is
// told nothing.
bool ReplyBlocksIgnored(const TYourBlocksIgnoredInfo& info, TDiscussion& discussion);
