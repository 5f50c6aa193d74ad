#pragma once
// Retrieval: which blocks meet a retrieval kind, and the colours of the marks that a block
// shows in lists and in the graph.
//
// Defined in Blockretrieval.cpp: TDiscBlock::IsRetrieval, IsUserSelectedFormula,
// GetRetrievalColor, GetGraphRetrievalColorA, GetGraphRetrievalColorB, GetStorageTypeColor.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Retrieval kinds (TDiscBlock::IsRetrieval).
enum : uint8_t {
  Retrieval_None = 0,         // no retrieval: the window lists something else
  Retrieval_Arguable = 1,     // alive, and a note or comment hangs under it
  Retrieval_Significant = 2,  // alive, importance 1
  Retrieval_False = 3,        // alive, the reader marked it false
  Retrieval_Interesting = 4,  // alive, the reader marked it interesting
  Retrieval_Trite = 5,        // alive, the reader marked it trite
  Retrieval_Unread = 6,       // alive, not a note, not read
  Retrieval_Crossed = 7,
  Retrieval_Unlinked = 8,  // has an unlinked-block record and is not in the recycle bin
  Retrieval_New = 9,       // alive, novelty 1
  Retrieval_Theme = 10,    // alive, in the theme whose index is the data
  Retrieval_Search = 11,   // alive, one of its texts holds the searched text
  Retrieval_Conclusions = 12,
  Retrieval_Erased = 13,
  Retrieval_Deleted = 14,            // in the recycle bin
  Retrieval_NotesOfDay = 15,         // alive notes composed on the day of the data
  Retrieval_CommentsOfDay = 16,      // alive comments published on the day of the data
  Retrieval_PostList = 17,           // alive, in the user's post list numbered by the data
  Retrieval_ModeratedComments = 18,  // alive moderated comments
};

// Whether a text holds a searched text, as plain characters (no sign has a meaning of its
// own); without case, letters of either case of the code page match. Each test looks at
// a text once, skipping ahead by the searched text's length where it can.
class TTextMatcher {
 public:
  TTextMatcher(std::string_view what, bool caseSensitive);
  bool Holds(std::string_view text) const;

 private:
  const std::array<uint8_t, 256>& fFold;
  std::string fWhat;  // folded
  std::array<uint8_t, 256> fSkip;  // how far a character at the end lets the test move on
};

// The colours of the settings that the marks use (0x00BBGGRR).
struct TRetrievalColors {
  uint32_t False = 0;
  uint32_t Interesting = 0;
  uint32_t Trite = 0;
  uint32_t Significant = 0;
  uint32_t New = 0;
  uint32_t Arguable = 0;
  uint32_t Conclusion = 0;
  uint32_t Unread = 0;
  uint32_t Crossed = 0;
  uint32_t Unlinked = 0;
  uint32_t Plain = 0xFFFFFF;   // a block without marks; a plain graph node
  uint32_t Storage[4] = {};    // model blocks, comments, notes, moderated comments
};
