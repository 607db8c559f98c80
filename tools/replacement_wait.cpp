#include "replacement_wait.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace dravlik {

bool WaitUntilShareable(const std::string& path, std::chrono::steady_clock::time_point deadline) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return true;  // the open that follows says why
  struct Waiting {
    std::mutex mutex;
    std::condition_variable over;
    bool done = false;
  };
  const auto waiting = std::make_shared<Waiting>();
  // flock has no time limit: a waiter whose time is up is left behind, and
  // ends with the lock's holder or with the program. The lock is given back at
  // once; the open takes its own.
  std::thread([fd, waiting] {
    while (::flock(fd, LOCK_SH) != 0 && errno == EINTR) {
    }
    ::close(fd);
    {
      const std::lock_guard lock(waiting->mutex);
      waiting->done = true;
    }
    waiting->over.notify_all();
  }).detach();
  std::unique_lock lock(waiting->mutex);
  return waiting->over.wait_until(lock, deadline, [&] { return waiting->done; });
}

}  // namespace dravlik
