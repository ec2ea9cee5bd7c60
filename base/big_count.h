// Unsigned integers of any size, for counting plans exactly, and helpers
// for dense tables of fixed-width counts.
#ifndef GROWTH_PLANNER_BASE_BIG_COUNT_H_
#define GROWTH_PLANNER_BASE_BIG_COUNT_H_

#include <compare>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace growth {

// a + b, or UINT64_MAX (standing for "at least that many") when the sum
// would not fit.
constexpr uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

class BigCount {
 public:
  BigCount() = default;
  explicit BigCount(uint64_t value);
  // From little-endian 64-bit limbs.
  explicit BigCount(std::span<const uint64_t> limbs);

  std::string ToDecimal() const;
  // The value when it fits 64 bits.
  bool ToU64(uint64_t* value) const;

  friend bool operator==(const BigCount&, const BigCount&) = default;
  friend std::strong_ordering operator<=>(const BigCount& a, const BigCount& b);
  friend BigCount operator+(const BigCount& a, const BigCount& b);
  // a - b, where a >= b.
  friend BigCount operator-(const BigCount& a, const BigCount& b);

 private:
  std::vector<uint64_t> limbs_;  // little-endian, no leading zero limbs
};

// acc += x * factor over limbs of the same width, the carry going on into
// `rest` (the limbs above acc); the caller guarantees that the result fits.
void MulAddLimbs(std::span<uint64_t> acc, std::span<const uint64_t> x, uint64_t factor,
                 std::span<uint64_t> rest = {});

// a / b for counts too large for a double (b must not be zero).
double LimbsRatio(std::span<const uint64_t> a, std::span<const uint64_t> b);

}  // namespace growth

#endif  // GROWTH_PLANNER_BASE_BIG_COUNT_H_
