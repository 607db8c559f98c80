// The engine's one thread: it ends runs of inserts that have been idle for a
// moment, so that a program that inserted a row and then waits for its user
// holds neither the append lock nor spare bytes at the end of the file. It
// starts with the first run, and stops at the last exit or when the library
// is unloaded. A forked child starts its own when it needs one.
#pragma once

#include <memory>

namespace dbfe {

class AppendRun;

// Watches `run` for as long as it exists.
void WatchRun(const std::shared_ptr<AppendRun>& run);

// A watched run has started. False when no thread could be started to watch
// it: the run must then end after each insert.
bool RunStarted() noexcept;

// Ends the runs that other cursors of the calling thread hold on the same
// file: they could only go on after the caller's wait for the lock.
void EndRunsOfThisThread(const AppendRun& except);

// At the last exit, when no cursor is left: stops the thread and forgets
// every run.
void StopReaper() noexcept;

}  // namespace dbfe
