#pragma once
// Counts of a discussion's blocks for the "Discussion statistics" message.

#include <cstdint>
#include <string>

struct TDiscussionStatistics {
  // Per storage (model blocks, comments, notes, moderated comments): blocks alive or
  // crossed, crossed, in the recycle bin, erased.
  int Alive[4] = {};
  int Crossed[4] = {};
  int Recycled[4] = {};
  int Erased[4] = {};
  // Live model blocks by kind: headings, premises, conclusions, formulas.
  int Kinds[4] = {};
  int Unread = 0;    // live blocks, notes aside, that the reader has not read
  int Unlinked = 0;  // live blocks with a lost link
  int Authors = 0;
  int Themes = 0;
  int PostLists = 0;

  bool operator==(const TDiscussionStatistics& other) const = default;
};

// The text of the statistics message: one line a count. Comments and unread blocks are
// left out while the model is being created; moderated comments are shown to the
// moderator, and to others when there are any.
std::string ComposeStatisticsText(const TDiscussionStatistics& statistics, bool creating, bool moderator);
