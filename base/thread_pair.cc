#include "base/thread_pair.h"

#include <system_error>

namespace growth {

ThreadPair::ThreadPair(bool second) {
  if (!second) return;
  try {
    helper_.emplace([this] { Serve(); });
  } catch (const std::system_error&) {
    // No second thread to be had: both halves run on the caller's.
  }
}

ThreadPair::~ThreadPair() {
  if (!helper_.has_value()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  helper_->join();
}

void ThreadPair::Run(const std::function<void(int half)>& job) {
  if (!helper_.has_value()) {
    job(0);
    job(1);
    return;
  }
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    job_ = &job;
    second_busy_ = true;
    ++jobs_given_;
  }
  wake_.notify_all();
  job(0);
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait(lock, [this] { return !second_busy_; });
}

void ThreadPair::Serve() {
  uint64_t jobs_taken = 0;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || jobs_given_ != jobs_taken; });
    if (stopping_) return;
    jobs_taken = jobs_given_;
    const std::function<void(int)>* job = job_;
    lock.unlock();
    (*job)(1);
    lock.lock();
    second_busy_ = false;
    wake_.notify_all();
  }
}

}  // namespace growth
