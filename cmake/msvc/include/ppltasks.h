// Stand-in for the vendor's ppltasks.h, as far as <future> uses it:
// std::async's asynchronous launch runs its function on a thread of its own
// (the vendor's runs it on a thread pool), and waiting joins that thread.
#pragma once
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace Concurrency {

template <class Result>
class task;

template <>
class task<void> {
 public:
  task() = default;
  template <class Function>
  explicit task(Function function) : run_(std::make_shared<Run>()) {
    run_->thread = std::thread(std::move(function));
  }

  // Any number of waiters, from any threads: the first joins.
  void wait() const {
    if (!run_) return;
    std::lock_guard<std::mutex> guard(run_->join_lock);
    if (run_->thread.joinable()) run_->thread.join();
  }

 private:
  struct Run {
    std::mutex join_lock;
    std::thread thread;
  };
  std::shared_ptr<Run> run_;
};

template <class Function>
task<void> create_task(Function function) {
  return task<void>(std::move(function));
}

}  // namespace Concurrency
