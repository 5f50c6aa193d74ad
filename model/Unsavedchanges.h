#pragma once
// Whether a loaded discussion holds changes that its saved files do not: what a save
// would write is compared with the set on the disk.

class TDiscussion;

// True when a save would write anything else than the committed set holds, or when there
// is no readable set; false for a discussion that is not loaded.
// With contentOnly the reader's own state (read marks, reader properties, visited blocks
// and chosen formulas) does not count.
bool HasUnsavedChanges(const TDiscussion& discussion, bool contentOnly = false);
