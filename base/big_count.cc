#include "base/big_count.h"

#include <algorithm>
#include <cmath>

namespace growth {
namespace {

__extension__ using Wide = unsigned __int128;

}  // namespace

BigCount::BigCount(uint64_t value) {
  if (value != 0) limbs_.push_back(value);
}

BigCount::BigCount(std::span<const uint64_t> limbs) : limbs_(limbs.begin(), limbs.end()) {
  while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
}

std::string BigCount::ToDecimal() const {
  if (limbs_.empty()) return "0";
  constexpr uint64_t kChunk = 10'000'000'000'000'000'000ull;  // 10^19
  std::vector<uint64_t> rest = limbs_;
  std::vector<uint64_t> chunks;  // base 10^19, least significant first
  while (!rest.empty()) {
    Wide remainder = 0;
    for (size_t i = rest.size(); i-- > 0;) {
      const Wide current = (remainder << 64) | rest[i];
      rest[i] = static_cast<uint64_t>(current / kChunk);
      remainder = current % kChunk;
    }
    chunks.push_back(static_cast<uint64_t>(remainder));
    while (!rest.empty() && rest.back() == 0) rest.pop_back();
  }
  std::string text = std::to_string(chunks.back());
  for (size_t i = chunks.size() - 1; i-- > 0;) {
    const std::string digits = std::to_string(chunks[i]);
    text.append(19 - digits.size(), '0');
    text += digits;
  }
  return text;
}

bool BigCount::ToU64(uint64_t* value) const {
  if (limbs_.size() > 1) return false;
  *value = limbs_.empty() ? 0 : limbs_[0];
  return true;
}

std::strong_ordering operator<=>(const BigCount& a, const BigCount& b) {
  if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() <=> b.limbs_.size();
  for (size_t i = a.limbs_.size(); i-- > 0;) {
    if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] <=> b.limbs_[i];
  }
  return std::strong_ordering::equal;
}

BigCount operator+(const BigCount& a, const BigCount& b) {
  std::vector<uint64_t> sum(std::max(a.limbs_.size(), b.limbs_.size()) + 1, 0);
  std::copy(a.limbs_.begin(), a.limbs_.end(), sum.begin());
  const std::span<uint64_t> all(sum);
  MulAddLimbs(all.subspan(0, b.limbs_.size()), b.limbs_, 1, all.subspan(b.limbs_.size()));
  return BigCount(std::span<const uint64_t>(sum));
}

BigCount operator-(const BigCount& a, const BigCount& b) {
  std::vector<uint64_t> difference = a.limbs_;
  uint64_t borrow = 0;
  for (size_t i = 0; i < difference.size(); ++i) {
    const uint64_t take = (i < b.limbs_.size() ? b.limbs_[i] : 0);
    const uint64_t before = difference[i];
    difference[i] = before - take - borrow;
    borrow = (before < take || (before == take && borrow != 0)) ? 1 : 0;
  }
  return BigCount(std::span<const uint64_t>(difference));
}

void MulAddLimbs(std::span<uint64_t> acc, std::span<const uint64_t> x, uint64_t factor,
                 std::span<uint64_t> rest) {
  uint64_t carry = 0;
  for (size_t i = 0; i < acc.size(); ++i) {
    const Wide sum = static_cast<Wide>(x[i]) * factor + acc[i] + carry;
    acc[i] = static_cast<uint64_t>(sum);
    carry = static_cast<uint64_t>(sum >> 64);
  }
  for (size_t i = 0; carry != 0 && i < rest.size(); ++i) {
    const Wide sum = static_cast<Wide>(rest[i]) + carry;
    rest[i] = static_cast<uint64_t>(sum);
    carry = static_cast<uint64_t>(sum >> 64);
  }
}

namespace {

// log2 of a count, or -infinity for zero.
double Log2(std::span<const uint64_t> limbs) {
  size_t top = limbs.size();
  while (top > 0 && limbs[top - 1] == 0) --top;
  if (top == 0) return -INFINITY;
  double leading = static_cast<double>(limbs[top - 1]);
  if (top >= 2) leading += static_cast<double>(limbs[top - 2]) / 18446744073709551616.0;
  return std::log2(leading) + 64.0 * static_cast<double>(top - 1);
}

}  // namespace

double LimbsRatio(std::span<const uint64_t> a, std::span<const uint64_t> b) {
  return std::exp2(Log2(a) - Log2(b));
}

}  // namespace growth
