// Threads that take the system calls of several files at once. On a
// network share every call waits a round trip; files in flight side by side
// overlap the waits. With one worker there is no thread at all: each task
// runs at once on the caller's thread, so a run of -j 1 makes its calls in
// the order it always did.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class Workers {
 public:
  /// A task, given the number of the worker that runs it (0 to count() - 1).
  using Task = std::function<void(std::size_t worker)>;

  /// Up to `count` threads, started as tasks come; 1 or less: none.
  explicit Workers(std::size_t count);
  /// Waits for the tasks handed over, then ends the threads.
  ~Workers();
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;

  /// How many tasks may run at once.
  std::size_t count() const { return count_; }
  /// True when tasks run on the caller's thread, as they are handed over.
  bool inline_() const { return count_ <= 1; }
  /// Hands `task` to a worker, or with none runs it at once.
  void run(Task task);
  /// Waits until every task handed over has ended; rethrows the first
  /// exception a task threw (the others' are dropped).
  void wait();

 private:
  void work(std::size_t worker);

  std::size_t count_;
  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable queued_;
  std::condition_variable idle_;
  std::deque<Task> queue_;
  std::size_t busy_ = 0;
  bool ending_ = false;
  std::exception_ptr failed_;
};
