#include "interrupted_writes.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>

namespace dravlik {
namespace {

// Slots the handler reads without locks: a path is complete before its slot
// says so, and only a slot that says so is read.
enum SlotState : int { kFree, kFilling, kReady };

struct Slot {
  std::atomic<int> state{kFree};
  char path[PATH_MAX] = {};
};

constexpr int kSlots = 32;
std::array<Slot, kSlots> slots;

constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};

void RemovePendingAndDie(int signal_number) {
  const int saved = errno;
  for (Slot& slot : slots) {
    if (slot.state.load(std::memory_order_acquire) == kReady) ::unlink(slot.path);
  }
  errno = saved;
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

// Only where the default would have ended the program anyway.
void InstallHandlers() {
  static std::mutex installing;
  const std::lock_guard lock(installing);
  for (const int signal_number : kSignals) {
    struct sigaction current {};
    if (::sigaction(signal_number, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0 ||
        current.sa_handler != SIG_DFL) {
      continue;
    }
    struct sigaction handler {};
    handler.sa_handler = RemovePendingAndDie;
    sigemptyset(&handler.sa_mask);
    for (const int other : kSignals) sigaddset(&handler.sa_mask, other);
    ::sigaction(signal_number, &handler, nullptr);
  }
}

// Absolute, so that a change of directory cannot make the handler miss it.
int TakeSlot(const std::string& name) {
  std::error_code error;
  const std::string path = std::filesystem::absolute(name, error).string();
  if (error || path.size() >= PATH_MAX) return -1;
  for (int index = 0; index < kSlots; ++index) {
    int expected = kFree;
    if (!slots[index].state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) continue;
    std::memcpy(slots[index].path, path.c_str(), path.size() + 1);
    slots[index].state.store(kReady, std::memory_order_release);
    return index;
  }
  return -1;
}

}  // namespace

InterruptedWriteGuard::InterruptedWriteGuard(const std::string& path) : slot_(TakeSlot(path)) {
  InstallHandlers();
}

InterruptedWriteGuard::~InterruptedWriteGuard() {
  if (slot_ >= 0) slots[slot_].state.store(kFree, std::memory_order_release);
}

}  // namespace dravlik
