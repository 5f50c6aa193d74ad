#pragma once
// TTaskGroup: pieces of one job that may run at the same time, on the program's worker
// threads and on the thread that waits for them. The workers are made on first use, one
// fewer than the processors the program may run on, and wait for tasks until the program
// ends; a child forked from the program makes workers of its own. On a single processor
// there are none and Wait runs every task itself, in the order given. A task may give its
// group further tasks. Tasks run in the order given as far as threads are free: give the
// longest first.
//
// A task runs on whichever thread is free: it touches nothing another task of the group
// touches, nor the process-wide state the main thread keeps (the error state, windows).

#include <condition_variable>
#include <exception>
#include <functional>

class TTaskGroup {
 public:
  TTaskGroup() = default;
  // Waits for the tasks still running; an exception of theirs is dropped then.
  ~TTaskGroup();
  TTaskGroup(const TTaskGroup&) = delete;
  TTaskGroup& operator=(const TTaskGroup&) = delete;

  void Run(std::function<void()> task);
  // Runs the group's waiting tasks and waits for the others; raises again the first
  // exception a task ended with (the other tasks still ran).
  void Wait();

  // How many threads run a group's tasks at once: the workers and the waiting thread.
  static int Threads();

 private:
  friend struct TTaskCrew;
  void Finished(std::exception_ptr fault);  // under the crew's lock

  int Unfinished = 0;  // tasks given and not done, under the crew's lock
  std::exception_ptr Fault;
  std::condition_variable Changed;  // a task done, or one given
};
