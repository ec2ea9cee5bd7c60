// How far a long answer (--reach, --lowest-cap, --max, --min, --count) has
// got, for a status line another thread draws: the phase it is in and, when
// the phase counts something, how many are done and of how many.
//
// The engine only stores into atomics here, so an update costs a relaxed
// store and the engine stays free of I/O; callers that show no status pass
// a null pointer, and the Note* helpers then do nothing. Just as a new
// phase begins, a reader may pair the phase before with the new count: the
// line it draws is rewritten soon after, so a consistent pair is not worth
// a lock. Phases are string literals, which live
// for the whole program, so the reader may keep the pointer.
#ifndef GROWTH_PLANNER_ENGINE_SEARCH_ANSWER_PROGRESS_H_
#define GROWTH_PLANNER_ENGINE_SEARCH_ANSWER_PROGRESS_H_

#include <atomic>
#include <cstdint>

namespace growth {

class AnswerProgress {
 public:
  struct Snapshot {
    const char* phase = nullptr;  // null until a phase begins
    bool counts = false;          // `done` means something
    uint64_t done = 0;
    uint64_t total = 0;  // 0: not known
  };

  // A phase that counts nothing.
  void Begin(const char* phase) { Store(phase, false, 0); }
  // A phase that counts its steps, `total` of them (0 when not known).
  void BeginCounting(const char* phase, uint64_t total) { Store(phase, true, total); }
  // Safe from any thread.
  void Step() { done_.fetch_add(1, std::memory_order_relaxed); }
  void SetDone(uint64_t done) { done_.store(done, std::memory_order_relaxed); }

  Snapshot Read() const {
    Snapshot snapshot;
    snapshot.phase = phase_.load(std::memory_order_acquire);
    snapshot.counts = counts_.load(std::memory_order_relaxed);
    snapshot.done = done_.load(std::memory_order_relaxed);
    snapshot.total = total_.load(std::memory_order_relaxed);
    return snapshot;
  }

 private:
  void Store(const char* phase, bool counts, uint64_t total) {
    done_.store(0, std::memory_order_relaxed);
    total_.store(total, std::memory_order_relaxed);
    counts_.store(counts, std::memory_order_relaxed);
    phase_.store(phase, std::memory_order_release);
  }

  std::atomic<const char*> phase_{nullptr};
  std::atomic<bool> counts_{false};
  std::atomic<uint64_t> done_{0};
  std::atomic<uint64_t> total_{0};
};

// The helpers the engine's loops call: nothing at all without a status.
inline void NoteBegin(AnswerProgress* progress, const char* phase) {
  if (progress != nullptr) progress->Begin(phase);
}
inline void NoteCounting(AnswerProgress* progress, const char* phase, uint64_t total) {
  if (progress != nullptr) progress->BeginCounting(phase, total);
}
inline void NoteStep(AnswerProgress* progress) {
  if (progress != nullptr) progress->Step();
}
inline void NoteDone(AnswerProgress* progress, uint64_t done) {
  if (progress != nullptr) progress->SetDone(done);
}

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_SEARCH_ANSWER_PROGRESS_H_
