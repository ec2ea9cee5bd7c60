// Work split in two halves, run on this thread and, where one could be had,
// a second one kept waiting between jobs, so that a job costs a wake-up,
// not a thread start.
//
// Run(job) calls job(0) and job(1), on the two threads or, without a second
// one, in turn on this one; it returns when both are done. The halves must
// touch no memory the other writes. Run is called from one thread at a time;
// jobs do not throw.
#ifndef GROWTH_PLANNER_BASE_THREAD_PAIR_H_
#define GROWTH_PLANNER_BASE_THREAD_PAIR_H_

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace growth {

class ThreadPair {
 public:
  // With `second` false, or no thread to be had, both halves run here.
  explicit ThreadPair(bool second = true);
  ThreadPair(const ThreadPair&) = delete;
  ThreadPair& operator=(const ThreadPair&) = delete;
  ~ThreadPair();

  bool two_threads() const { return helper_.has_value(); }
  void Run(const std::function<void(int half)>& job);

 private:
  void Serve();

  std::mutex mutex_;
  std::condition_variable wake_;
  const std::function<void(int)>* job_ = nullptr;
  uint64_t jobs_given_ = 0;
  bool second_busy_ = false;
  bool stopping_ = false;
  std::optional<std::thread> helper_;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_BASE_THREAD_PAIR_H_
