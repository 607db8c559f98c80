// Threads that live for a whole file, so that what the models remember per
// thread serves every block a thread computes.
#pragma once

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace dravlik {

template <typename Result>
class BlockWorkers {
 public:
  explicit BlockWorkers(unsigned count) {
    for (unsigned i = 0; i < count; ++i) threads_.emplace_back([this] { Work(); });
  }
  ~BlockWorkers() {
    {
      const std::lock_guard lock(mutex_);
      closing_ = true;
    }
    ready_.notify_all();
  }

  std::future<Result> Submit(std::packaged_task<Result()> task) {
    std::future<Result> result = task.get_future();
    {
      const std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
    }
    ready_.notify_one();
    return result;
  }

 private:
  void Work() {
    while (true) {
      std::packaged_task<Result()> task;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return closing_ || !tasks_.empty(); });
        if (tasks_.empty()) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::packaged_task<Result()>> tasks_;
  bool closing_ = false;
  std::vector<std::jthread> threads_;  // last: joined before the rest goes
};

}  // namespace dravlik
