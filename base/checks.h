// Debug checks of the contracts that hot paths take on trust: the index
// ranges of the table lookups and of the snapshot stack, and the room left
// in a record buffer.
//
// They are compiled in where GROWTH_PLANNER_CHECKS is defined (the sanitizer
// and fuzzing builds, and Debug builds). Elsewhere GROWTH_CHECK evaluates
// nothing, so a Release build runs exactly as fast as without it, yet the
// condition is still compiled and cannot rot. A failed check names itself on
// standard error and aborts: a broken contract is a bug in the caller, not a
// condition to recover from.
#ifndef GROWTH_PLANNER_BASE_CHECKS_H_
#define GROWTH_PLANNER_BASE_CHECKS_H_

#include <cstdio>
#include <cstdlib>

namespace growth {

#ifdef GROWTH_PLANNER_CHECKS
inline constexpr bool kChecksCompiledIn = true;
#else
inline constexpr bool kChecksCompiledIn = false;
#endif

[[noreturn]] inline void CheckFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}

}  // namespace growth

#ifdef GROWTH_PLANNER_CHECKS
#define GROWTH_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::growth::CheckFailed(#condition, __FILE__, __LINE__))
#else
#define GROWTH_CHECK(condition) static_cast<void>(sizeof(static_cast<bool>(condition)))
#endif

#endif  // GROWTH_PLANNER_BASE_CHECKS_H_
