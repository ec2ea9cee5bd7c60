// A fixed allowance of memory shared by the tables of the walk over
// distinct states, and the growable arrays that draw on it.
//
// Every byte an array holds is charged before it is taken, so the peak stays
// within the allowance, and running out (of the allowance or of memory)
// comes back as `false` from the call that needed the room, never as an
// exception or an abort. The arrays hold trivially copyable elements; large
// ones live in their own mappings, grown in place where the kernel can, and
// backed by huge pages since they are written once in order.
#ifndef GROWTH_PLANNER_BASE_MEMORY_BUDGET_H_
#define GROWTH_PLANNER_BASE_MEMORY_BUDGET_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>

#include "base/checks.h"

namespace growth {

class MemoryBudget {
 public:
  explicit MemoryBudget(size_t limit) : limit_(limit) {}
  MemoryBudget(const MemoryBudget&) = delete;
  MemoryBudget& operator=(const MemoryBudget&) = delete;

  bool Charge(size_t bytes) {
    if (bytes > limit_ - used_) return false;
    used_ += bytes;
    return true;
  }
  void Refund(size_t bytes) {
    GROWTH_CHECK(bytes <= used_);
    used_ -= bytes;
  }
  // The system refused room that the allowance still had: what ran out was
  // the machine's memory (or an address-space limit), not the allowance.
  void NoteSystemRefusal() { system_refused_ = true; }

  size_t used() const { return used_; }
  size_t limit() const { return limit_; }
  bool system_refused() const { return system_refused_; }

 private:
  const size_t limit_;
  size_t used_ = 0;
  bool system_refused_ = false;
};

// "1 GiB", "512 MiB", "3 KiB", "12 bytes": an amount for a message.
std::string DescribeBytes(size_t bytes);

namespace memory_detail {

// Room for `bytes` bytes, zeroed; nullptr when there is none. `old` (of
// `old_bytes`, may be null) is moved into the new room and released.
void* Regrow(void* old, size_t old_bytes, size_t bytes);
void Release(void* memory, size_t bytes);
// What an allocation of `bytes` really takes.
size_t Footprint(size_t bytes);

}  // namespace memory_detail

template <typename T>
class BudgetedArray {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  explicit BudgetedArray(MemoryBudget& budget) : budget_(&budget) {}
  ~BudgetedArray() { Free(); }
  BudgetedArray(const BudgetedArray&) = delete;
  BudgetedArray& operator=(const BudgetedArray&) = delete;
  BudgetedArray(BudgetedArray&& other) noexcept { *this = std::move(other); }
  BudgetedArray& operator=(BudgetedArray&& other) noexcept {
    if (this != &other) {
      Free();
      budget_ = other.budget_;
      data_ = std::exchange(other.data_, nullptr);
      size_ = std::exchange(other.size_, 0);
      capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
  }

  MemoryBudget* budget() const { return budget_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  size_t capacity() const { return capacity_; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T& operator[](size_t i) {
    GROWTH_CHECK(i < size_);
    return data_[i];
  }
  const T& operator[](size_t i) const {
    GROWTH_CHECK(i < size_);
    return data_[i];
  }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }

  // Capacity for at least `count` elements.
  bool Reserve(size_t count) {
    if (count <= capacity_) return true;
    if (count > SIZE_MAX / sizeof(T) / 2) return false;
    const size_t old_bytes = capacity_ * sizeof(T);
    const size_t bytes = count * sizeof(T);
    const size_t old_footprint = capacity_ == 0 ? 0 : memory_detail::Footprint(old_bytes);
    const size_t footprint = memory_detail::Footprint(bytes);
    if (!budget_->Charge(footprint)) return false;
    void* grown = memory_detail::Regrow(data_, old_bytes, bytes);
    if (grown == nullptr) {
      budget_->Refund(footprint);
      budget_->NoteSystemRefusal();
      return false;
    }
    budget_->Refund(old_footprint);
    data_ = static_cast<T*>(grown);
    capacity_ = count;
    return true;
  }

  // Grows or shrinks to `count` elements; new ones are zero bytes.
  bool Resize(size_t count) {
    const size_t zeroed_from = capacity_;  // room taken from here on comes zeroed
    if (count > capacity_ && !Reserve(Grown(count))) return false;
    if (count > size_ && size_ < zeroed_from) {
      const size_t end = count < zeroed_from ? count : zeroed_from;
      std::memset(static_cast<void*>(data_ + size_), 0, (end - size_) * sizeof(T));
    }
    size_ = count;
    return true;
  }

  bool PushBack(const T& value) {
    if (size_ == capacity_ && !Reserve(Grown(size_ + 1))) return false;
    data_[size_++] = value;
    return true;
  }

  void Clear() { size_ = 0; }

  void Free() {
    if (data_ != nullptr) {
      memory_detail::Release(data_, capacity_ * sizeof(T));
      budget_->Refund(memory_detail::Footprint(capacity_ * sizeof(T)));
    }
    data_ = nullptr;
    size_ = capacity_ = 0;
  }

 private:
  size_t Grown(size_t at_least) const {
    const size_t grown = capacity_ + capacity_ / 2 + 16;
    return grown > at_least ? grown : at_least;
  }

  MemoryBudget* budget_ = nullptr;
  T* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_BASE_MEMORY_BUDGET_H_
