#include "append_run.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <utility>

#include "error_context.h"
#include "run_reaper.h"

namespace dbfe {

namespace {

// How long a run keeps the lock before it looks for waiters, and how much
// the file grows at a time (a few thousand records: the growth, its mapping
// and the page faults cost little per record).
constexpr std::int64_t kWaitersCheckNanoseconds = 50'000'000;
constexpr std::uint64_t kGrowth = 256 * 1024;

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t unit) { return (value + unit - 1) / unit * unit; }

}  // namespace

std::int64_t CoarseNanoseconds() noexcept {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

AppendRun::AppendRun(int fd, std::string path, FileIdentity file, TableLayout layout, Options options)
    : fd_(fd),
      path_(std::move(path)),
      file_(file),
      layout_(std::move(layout)),
      options_(options),
      map_tail_(options.map_tail && AllocatedBlocksStayWritable(fd)) {}

std::uint32_t AppendRun::Append(std::span<const std::uint8_t> record, std::uint32_t known_count) {
  bool give_way = false;
  {
    const std::lock_guard guard(mutex_);
    if (active_) {
      if (MayGoOn()) return AppendOrEnd(record);
      EndLocked();
      give_way = true;
    }
  }
  if (options_.shared) {
    EndRunsOfThisThread(*this);
    AcquireAppendLock(fd_, path_, lock_wait_, give_way);
  }
  const std::lock_guard guard(mutex_);
  try {
    Begin(known_count);
  } catch (...) {
    if (options_.shared) ReleaseAppendLock(fd_);
    throw;
  }
  const std::uint32_t number = AppendOrEnd(record);
  if (!watched_) EndLocked();
  return number;
}

// Under mutex_, with the append lock.
void AppendRun::Begin(std::uint32_t known_count) {
  const HeaderCount now = ReadHeaderCount(fd_, layout_, known_count, path_);
  count_ = now.record_count;
  sealed_ = now.file_size == layout_.RecordOffset(count_) + 1;
  longest_ = now.file_size;
  const HeaderDate today = Today();
  written_.emplace(fd_, path_, today);
  if (map_tail_) {
    header_ = FileMapping::Map(fd_, 0, PageSize());
    if (header_.valid()) mapped_.Start(header_.data(), today);
  }
  owner_process_ = ::getpid();
  owner_thread_ = std::this_thread::get_id();
  waiters_checked_ = CoarseNanoseconds();
  last_insert_.store(waiters_checked_, std::memory_order_relaxed);
  active_ = true;
  watched_ = RunStarted();
}

std::uint32_t AppendRun::AppendOrEnd(std::span<const std::uint8_t> record) {
  try {
    if (!WithinSizeLimit(layout_, std::uint64_t{count_} + 1)) {
      throw EngineError(DBFE_ERR_WRITE_FAILED).Table(path_).Detail("The table is full.");
    }
    const std::uint64_t place = layout_.RecordOffset(count_);
    AppendTarget& target = MapWindowFor(place) ? static_cast<AppendTarget&>(mapped_) : *written_;
    AppendRecord(target, place, count_, record, sealed_);
  } catch (...) {
    EndLocked();
    throw;
  }
  sealed_ = true;
  return count_++;
}

// Keeps the lock unless someone has been waiting for it; looks only now and
// then, since looking is a system call.
bool AppendRun::MayGoOn() {
  const std::int64_t now = CoarseNanoseconds();
  last_insert_.store(now, std::memory_order_relaxed);
  if (!options_.shared || now - waiters_checked_ < kWaitersCheckNanoseconds) return true;
  waiters_checked_ = now;
  return !OthersWaitForAppendLock(fd_);
}

// Whether the record and its marker can be stored through the mapping at
// `place`; grows the file and moves the window when they would not fit.
bool AppendRun::MapWindowFor(std::uint64_t place) {
  if (!header_.valid()) return false;
  const std::uint64_t end = place + layout_.record_length + 1;
  if (window_.valid() && end <= window_.end()) return true;
  window_.Reset();
  const std::uint64_t start = place - place % PageSize();
  // Never past the file size limit, where growing would raise SIGXFSZ; the
  // write calls then store what fits and report the rest exactly.
  const std::uint64_t grown = std::min(std::max(start + kGrowth, RoundUp(end, PageSize())), FileSizeLimit());
  if (grown < end) return false;
  longest_ = std::max(longest_, grown);
  const int error = AllocateRange(fd_, start, grown);
  if (error == EOPNOTSUPP || error == ENOSYS) {
    map_tail_ = false;
    header_.Reset();
  }
  // A full disk: the write calls store the record if it fits, else say why not.
  if (error != 0) return false;
  window_ = FileMapping::Map(fd_, start, grown - start);
  if (!window_.valid() || window_.PrepareForStores() != 0) {
    window_.Reset();
    return false;
  }
  mapped_.SetWindow(window_.data(), start);
  return true;
}

void AppendRun::End() noexcept {
  if (!active()) return;
  const std::lock_guard guard(mutex_);
  EndLocked();
}

void AppendRun::EndLocked() noexcept {
  if (!active_) return;
  active_ = false;
  window_.Reset();
  header_.Reset();
  // A child process inherits the run but shares the parent's lock and file.
  if (owner_process_ != ::getpid()) return;
  const std::uint64_t exact = layout_.RecordOffset(count_) + 1;
  if (longest_ > exact) {
    if (const int error = CutFile(fd_, exact)) cut_error_ = error;
  }
  if (options_.shared) ReleaseAppendLock(fd_);
}

int AppendRun::TakeCutError() noexcept {
  const std::lock_guard guard(mutex_);
  return std::exchange(cut_error_, 0);
}

bool AppendRun::EndIfIdle(std::int64_t idle_since) noexcept {
  const std::unique_lock guard(mutex_, std::try_to_lock);
  if (!guard.owns_lock()) return true;
  if (!active_) return false;
  if (last_insert_.load(std::memory_order_relaxed) > idle_since) return true;
  EndLocked();
  return false;
}

void AppendRun::EndIfStartedByThisThread() noexcept {
  const std::lock_guard guard(mutex_);
  if (active_ && owner_thread_ == std::this_thread::get_id()) EndLocked();
}

}  // namespace dbfe
