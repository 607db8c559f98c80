#include "run_reaper.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <vector>

#include "append_run.h"

namespace dbfe {

namespace {

constexpr std::chrono::milliseconds kLookEvery{10};
constexpr std::int64_t kIdleNanoseconds = 20'000'000;

struct Reaper {
  std::mutex mutex;
  std::condition_variable wake;
  std::vector<std::weak_ptr<AppendRun>> runs;
  pthread_t thread{};
  bool running = false;
  bool stopping = false;
  bool run_started = false;  // since the thread last looked
  bool unloaded = false;
};

Reaper& TheReaper();

// A child has no reaper thread, and copies of locks that threads of the
// parent may have held.
void BeforeFork() { TheReaper().mutex.lock(); }
void AfterForkInParent() { TheReaper().mutex.unlock(); }
void AfterForkInChild() {
  Reaper& reaper = TheReaper();
  new (&reaper.mutex) std::mutex;
  new (&reaper.wake) std::condition_variable;
  reaper.running = reaper.stopping = reaper.run_started = false;
}

// Never destroyed: the library's entry points may run while the program exits.
Reaper& TheReaper() {
  alignas(Reaper) static unsigned char storage[sizeof(Reaper)];
  static Reaper* reaper = [] {
    Reaper* created = new (storage) Reaper;
    ::pthread_atfork(BeforeFork, AfterForkInParent, AfterForkInChild);
    return created;
  }();
  return *reaper;
}

// Under the reaper's mutex; forgets the runs that are gone.
std::vector<std::shared_ptr<AppendRun>> LiveRuns(Reaper& reaper) {
  std::vector<std::shared_ptr<AppendRun>> live;
  std::erase_if(reaper.runs, [&](const std::weak_ptr<AppendRun>& weak) {
    std::shared_ptr<AppendRun> run = weak.lock();
    if (!run) return true;
    live.push_back(std::move(run));
    return false;
  });
  return live;
}

void* Watch(void*) {
  Reaper& reaper = TheReaper();
  std::unique_lock lock(reaper.mutex);
  bool going = false;
  while (!reaper.stopping) {
    if (going) {
      reaper.wake.wait_for(lock, kLookEvery, [&] { return reaper.stopping; });
    } else {
      reaper.wake.wait(lock, [&] { return reaper.stopping || reaper.run_started; });
    }
    if (reaper.stopping) break;
    reaper.run_started = false;
    std::vector<std::shared_ptr<AppendRun>> runs = LiveRuns(reaper);
    lock.unlock();
    const std::int64_t idle_since = CoarseNanoseconds() - kIdleNanoseconds;
    going = false;
    for (const auto& run : runs) going = run->EndIfIdle(idle_since) || going;
    runs.clear();
    lock.lock();
  }
  return nullptr;
}

// Under the reaper's mutex.
bool StartThread(Reaper& reaper) {
  // The program's signals go to its own threads, never to this one.
  sigset_t all, previous;
  sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &previous);
  const int error = ::pthread_create(&reaper.thread, nullptr, Watch, nullptr);
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  reaper.running = error == 0;
  return reaper.running;
}

// Also forgets every run, so that nothing stays allocated once the library
// is unloaded.
void Stop(bool unloading) noexcept {
  Reaper& reaper = TheReaper();
  std::unique_lock lock(reaper.mutex);
  reaper.unloaded = reaper.unloaded || unloading;
  if (reaper.running && !reaper.stopping) {
    reaper.stopping = true;
    reaper.wake.notify_one();
    lock.unlock();
    ::pthread_join(reaper.thread, nullptr);
    lock.lock();
    reaper.running = reaper.stopping = false;
  }
  decltype(reaper.runs)().swap(reaper.runs);
}

struct StopWhenUnloaded {
  ~StopWhenUnloaded() { Stop(true); }
} stop_when_unloaded;

}  // namespace

void WatchRun(const std::shared_ptr<AppendRun>& run) {
  Reaper& reaper = TheReaper();
  const std::lock_guard lock(reaper.mutex);
  std::erase_if(reaper.runs, [](const std::weak_ptr<AppendRun>& weak) { return weak.expired(); });
  reaper.runs.push_back(run);
}

bool RunStarted() noexcept {
  Reaper& reaper = TheReaper();
  const std::lock_guard lock(reaper.mutex);
  if (!reaper.running && (reaper.unloaded || !StartThread(reaper))) return false;
  reaper.run_started = true;
  reaper.wake.notify_one();
  return true;
}

void EndRunsOfThisThread(const AppendRun& except) {
  Reaper& reaper = TheReaper();
  std::vector<std::shared_ptr<AppendRun>> same_file;
  {
    const std::lock_guard lock(reaper.mutex);
    for (const auto& weak : reaper.runs) {
      std::shared_ptr<AppendRun> run = weak.lock();
      if (run && run.get() != &except && run->file() == except.file() && run->active()) {
        same_file.push_back(std::move(run));
      }
    }
  }
  for (const auto& run : same_file) run->EndIfStartedByThisThread();
}

void StopReaper() noexcept { Stop(false); }

}  // namespace dbfe
