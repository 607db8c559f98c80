// The lock that lets one cursor or program at a time append to a table or
// stamp its header's date: an exclusive lock on one byte far past any record,
// so that it never meets a record lock.
//
// A holder may keep it through a run of inserts, so a cursor that wants it
// waits a bounded time and then gives up with DBFE_ERR_TABLE_LOCKED instead of
// hanging behind a program that stopped. While it waits it holds a shared lock
// on the next byte, which tells the holder to give way.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace dbfe {

inline constexpr std::uint64_t kAppendLockOffset = std::uint64_t{1} << 62;
inline constexpr std::uint64_t kWaitingOffset = kAppendLockOffset + 1;
inline constexpr std::chrono::milliseconds kDefaultLockWait{5000};

// Takes the lock, trying for at most `wait`. A holder that has just given way
// passes `give_way`, which lets a waiter in before it tries again. Throws
// DBFE_ERR_TABLE_LOCKED naming the table when the wait is over.
void AcquireAppendLock(int fd, const std::string& path, std::chrono::milliseconds wait,
                       bool give_way = false);
void ReleaseAppendLock(int fd) noexcept;

// Whether another cursor or program waits for the lock.
bool OthersWaitForAppendLock(int fd) noexcept;

class AppendLockGuard {
 public:
  AppendLockGuard(int fd, const std::string& path, std::chrono::milliseconds wait) : fd_(fd) {
    AcquireAppendLock(fd, path, wait);
  }
  AppendLockGuard(const AppendLockGuard&) = delete;
  AppendLockGuard& operator=(const AppendLockGuard&) = delete;
  ~AppendLockGuard() { ReleaseAppendLock(fd_); }

 private:
  int fd_;
};

}  // namespace dbfe
