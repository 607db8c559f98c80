#include "append_lock.h"

#include <algorithm>
#include <thread>

#include "error_context.h"
#include "os_file.h"

namespace dbfe {

namespace {

using Clock = std::chrono::steady_clock;

// Waiters look again at least this often.
constexpr std::chrono::microseconds kFirstPause{50};
constexpr std::chrono::microseconds kLongestPause{1000};

bool TryAppendLock(int fd, const std::string& path) {
  return TryLockRange(fd, kAppendLockOffset, 1, path);
}

class WaitingSign {
 public:
  WaitingSign(int fd, const std::string& path)
      : fd_(fd), held_(TryLockRange(fd, kWaitingOffset, 1, path, LockKind::kShared)) {}
  WaitingSign(const WaitingSign&) = delete;
  WaitingSign& operator=(const WaitingSign&) = delete;
  ~WaitingSign() {
    if (held_) UnlockRange(fd_, kWaitingOffset, 1);
  }

 private:
  int fd_;
  bool held_;  // shared locks never conflict with each other; this only fails on odd errors
};

// Sleeps the next pause of a waiter, never past `deadline`; false once it is over.
bool PauseUntil(Clock::time_point deadline, std::chrono::microseconds& pause) {
  const Clock::time_point now = Clock::now();
  if (now >= deadline) return false;
  std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
  pause = std::min(2 * pause, kLongestPause);
  return true;
}

// A holder that gave way waits until a waiter has taken the lock, or none is
// left waiting. A fixed pause would let a busy machine's scheduler hand the
// lock straight back to the holder, starving the waiter.
void LetAWaiterIn(int fd, Clock::time_point deadline) {
  std::chrono::microseconds pause = kFirstPause;
  while (!RangeLockedElsewhere(fd, kAppendLockOffset, 1) && OthersWaitForAppendLock(fd)) {
    if (!PauseUntil(deadline, pause)) return;
  }
}

}  // namespace

void AcquireAppendLock(int fd, const std::string& path, std::chrono::milliseconds wait, bool give_way) {
  if (!give_way && TryAppendLock(fd, path)) return;
  const WaitingSign sign(fd, path);
  const Clock::time_point deadline = Clock::now() + wait;
  if (give_way) LetAWaiterIn(fd, deadline);
  std::chrono::microseconds pause = kFirstPause;
  do {
    if (TryAppendLock(fd, path)) return;
  } while (PauseUntil(deadline, pause));
  throw EngineError(DBFE_ERR_TABLE_LOCKED).Table(path);
}

void ReleaseAppendLock(int fd) noexcept { UnlockRange(fd, kAppendLockOffset, 1); }

bool OthersWaitForAppendLock(int fd) noexcept { return RangeLockedElsewhere(fd, kWaitingOffset, 1); }

}  // namespace dbfe
