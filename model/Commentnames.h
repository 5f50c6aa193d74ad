#pragma once
// The composed name of a comment: its author's ident text (the ADIdent itself for an author
// the discussion does not know), "-" and its number, "M" after a moderated comment's.

#include <cstdint>
#include <string>

class TDiscussion;

std::string ComposedCommentName(const TDiscussion& discussion, uint16_t adident, uint16_t num, bool moderated);
