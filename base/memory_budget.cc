#include "base/memory_budget.h"

#include <sys/mman.h>

#include <cstdlib>
#include <iterator>

namespace growth {

std::string DescribeBytes(size_t bytes) {
  static constexpr const char* kUnits[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
  size_t unit = 0;
  while (unit + 1 < std::size(kUnits) && bytes >= 1024 && bytes % 1024 == 0) {
    bytes /= 1024;
    ++unit;
  }
  return std::to_string(bytes) + " " + kUnits[unit];
}

}  // namespace growth

namespace growth::memory_detail {
namespace {

// Below this, the C allocator; above it, a mapping of its own.
constexpr size_t kMapped = size_t{1} << 20;
constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kPage = 4096;

size_t RoundUp(size_t bytes, size_t unit) { return (bytes + unit - 1) / unit * unit; }

}  // namespace

size_t Footprint(size_t bytes) {
  return bytes < kMapped ? RoundUp(bytes, 16) + 16 : RoundUp(bytes, kPage);
}

void* Regrow(void* old, size_t old_bytes, size_t bytes) {
  if (bytes < kMapped) {
    void* grown = std::realloc(old, bytes);
    if (grown == nullptr) return nullptr;
    std::memset(static_cast<char*>(grown) + old_bytes, 0, bytes - old_bytes);
    return grown;
  }
  void* grown;
  if (old != nullptr && old_bytes >= kMapped) {
    // Pages move to the new place without being copied.
    grown = mremap(old, RoundUp(old_bytes, kPage), RoundUp(bytes, kPage), MREMAP_MAYMOVE);
    if (grown == MAP_FAILED) return nullptr;
  } else {
    grown = mmap(nullptr, RoundUp(bytes, kPage), PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (grown == MAP_FAILED) return nullptr;
    if (old != nullptr) {
      std::memcpy(grown, old, old_bytes);
      std::free(old);
    }
  }
  if (bytes >= kHugePage) madvise(grown, RoundUp(bytes, kPage), MADV_HUGEPAGE);
  return grown;
}

void Release(void* memory, size_t bytes) {
  if (bytes < kMapped) {
    std::free(memory);
  } else {
    munmap(memory, RoundUp(bytes, kPage));
  }
}

}  // namespace growth::memory_detail
