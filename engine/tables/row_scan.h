// Purchases along a row of the forward passes over capped values, as one
// running pass: a cell ends with the most points any cell at or before it
// in the row holds, less the cost of buying from there up to it, and -1
// (nowhere) when that is below none.
//
// Callers pass rows of `width` cells holding -1 or the points of a state
// (0 to the most any state holds), and `cost`, the cumulative cost of
// buying along the row (nondecreasing from 0). `narrow_cost` is the same
// costs in 16 bits, or null; given, every cost plus the most points must
// stay within 16 bits, and the pass then takes eight cells at a time where
// the machine has the lanes for it. Pure; nothing allocates.
#ifndef GROWTH_PLANNER_ENGINE_TABLES_ROW_SCAN_H_
#define GROWTH_PLANNER_ENGINE_TABLES_ROW_SCAN_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace growth {

inline void BuyAlongRow(int16_t* cells, const int32_t* cost, const int16_t* narrow_cost,
                        size_t width) {
  size_t o = 0;
  int32_t best = -1;  // the most points plus cost at or before o
#if defined(__SSE2__)
  if (narrow_cost != nullptr && width >= 8) {
    // The running maximum within eight lanes in three shifted steps, the
    // lanes shifted in at the bottom held at the lowest value; then the
    // maximum of the cells before, carried in every lane.
    const __m128i nowhere = _mm_set1_epi16(-1);
    const __m128i below_one = _mm_setr_epi16(INT16_MIN, 0, 0, 0, 0, 0, 0, 0);
    const __m128i below_two = _mm_setr_epi16(INT16_MIN, INT16_MIN, 0, 0, 0, 0, 0, 0);
    const __m128i below_four =
        _mm_setr_epi16(INT16_MIN, INT16_MIN, INT16_MIN, INT16_MIN, 0, 0, 0, 0);
    __m128i carried = nowhere;
    for (; o + 8 <= width; o += 8) {
      const __m128i costs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(narrow_cost + o));
      __m128i most =
          _mm_add_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cells + o)), costs);
      most = _mm_max_epi16(most, _mm_or_si128(_mm_slli_si128(most, 2), below_one));
      most = _mm_max_epi16(most, _mm_or_si128(_mm_slli_si128(most, 4), below_two));
      most = _mm_max_epi16(most, _mm_or_si128(_mm_slli_si128(most, 8), below_four));
      most = _mm_max_epi16(most, carried);
      const __m128i top = _mm_shufflehi_epi16(most, 0xFF);
      carried = _mm_unpackhi_epi64(top, top);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(cells + o),
                       _mm_max_epi16(_mm_sub_epi16(most, costs), nowhere));
    }
    best = static_cast<int16_t>(_mm_extract_epi16(carried, 0));
  }
#else
  (void)narrow_cost;
#endif
  for (; o < width; ++o) {
    best = std::max(best, cells[o] + cost[o]);
    cells[o] = static_cast<int16_t>(std::max(best - cost[o], -1));
  }
}

}  // namespace growth

#endif  // GROWTH_PLANNER_ENGINE_TABLES_ROW_SCAN_H_
