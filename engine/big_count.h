// Unsigned integers of any size, for counting plans exactly, and helpers
// for dense tables of fixed-width counts.
#ifndef GROWTH_PLANNER_ENGINE_BIG_COUNT_H_
#define GROWTH_PLANNER_ENGINE_BIG_COUNT_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace growth {

class BigCount {
 public:
  BigCount() = default;
  explicit BigCount(uint64_t value);
  // From little-endian 64-bit limbs.
  explicit BigCount(std::span<const uint64_t> limbs);

  std::string ToDecimal() const;

  friend bool operator==(const BigCount&, const BigCount&) = default;

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

#endif  // GROWTH_PLANNER_ENGINE_BIG_COUNT_H_
