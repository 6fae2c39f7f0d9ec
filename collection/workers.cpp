// The worker threads: a queue of tasks, taken in the order given.
#include "collection/workers.h"

#include <utility>

Workers::Workers(std::size_t count) : count_(count < 1 ? 1 : count) {}

Workers::~Workers() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && busy_ == 0; });
    ending_ = true;
  }
  queued_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void Workers::run(Task task) {
  if (inline_()) {
    task(0);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(task));
    // A thread more while the queue outgrows those there are.
    if (threads_.size() < count_ && queue_.size() + busy_ > threads_.size()) {
      const std::size_t worker = threads_.size();
      threads_.emplace_back([this, worker] { work(worker); });
    }
  }
  queued_.notify_one();
}

void Workers::wait() {
  std::exception_ptr failed;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && busy_ == 0; });
    std::swap(failed, failed_);
  }
  if (failed) std::rethrow_exception(failed);
}

void Workers::work(std::size_t worker) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    queued_.wait(lock, [this] { return ending_ || !queue_.empty(); });
    if (queue_.empty()) return;
    Task task = std::move(queue_.front());
    queue_.pop_front();
    ++busy_;
    lock.unlock();
    try {
      task(worker);
    } catch (...) {
      lock.lock();
      if (!failed_) failed_ = std::current_exception();
      lock.unlock();
    }
    lock.lock();
    --busy_;
    if (queue_.empty() && busy_ == 0) idle_.notify_all();
  }
}
