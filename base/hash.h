// Mixing 64-bit values into well-spread hashes, for the open-addressed
// tables over game states.
#ifndef GROWTH_PLANNER_BASE_HASH_H_
#define GROWTH_PLANNER_BASE_HASH_H_

#include <cstdint>

namespace growth {

// A bijection of 64-bit values whose every output bit depends on every
// input bit (the finalizer of a well-known 64-bit hash).
constexpr uint64_t MixBits(uint64_t value) {
  value ^= value >> 33;
  value *= 0xff51afd7ed558ccdull;
  value ^= value >> 33;
  value *= 0xc4ceb9fe1a85ec53ull;
  value ^= value >> 33;
  return value;
}

}  // namespace growth

#endif  // GROWTH_PLANNER_BASE_HASH_H_
