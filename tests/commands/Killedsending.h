#pragma once
// A sending killed at every step: each round forks a child that sends and is killed at its
// n-th completed file move or folder sync (n = 1, 2, ...), until a child finishes.

#include <functional>

class TDiscussion;

namespace commandstest {

// Loads a discussion from its folder as the next start does, its boxes answered (a save
// cut short is told, its newer files set aside).
bool LoadAfterKill(TDiscussion& discussion);

// Before each round `restore` puts the files back as they were before the sending; the
// child runs `send`; the parent then calls `check` with the step the child was killed at
// and whether it finished instead. The number of rounds; a round that neither finished nor
// was killed fails the test.
int KillAtEveryStep(const std::function<void()>& restore, const std::function<void()>& send,
                    const std::function<void(int step, bool finished)>& check);

}  // namespace commandstest
