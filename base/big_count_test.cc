#include "base/big_count.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <span>
#include <string>

namespace growth {
namespace {

__extension__ using Wide = unsigned __int128;

BigCount FromWide(Wide value) {
  const uint64_t limbs[2] = {static_cast<uint64_t>(value), static_cast<uint64_t>(value >> 64)};
  return BigCount(std::span<const uint64_t>(limbs));
}

std::string WideDecimal(Wide value) {
  std::string digits;
  do {
    digits.push_back(static_cast<char>('0' + static_cast<int>(value % 10)));
    value /= 10;
  } while (value != 0);
  std::reverse(digits.begin(), digits.end());
  return digits;
}

// Values near the places where limbs carry, borrow and saturate, and
// anywhere else, below 2^127 so that every sum fits 128 bits.
Wide Pick(std::mt19937_64& random) {
  const Wide top = Wide{1} << 126;
  const Wide near[] = {0, 1, UINT64_MAX, Wide{UINT64_MAX} + 1, top, top - 1};
  const uint64_t low = random();
  switch (random() % 4) {
    case 0:
      return low % 3;
    case 1:
      return near[random() % std::size(near)] + low % 3;
    case 2:
      return low;
    default:
      return (Wide{low} << 64 | random()) & (top * 2 - 1);
  }
}

TEST(BigCountTest, ArithmeticAgreesWithWideIntegers) {
  std::mt19937_64 random(42);
  for (int i = 0; i < 20000; ++i) {
    const Wide a = Pick(random);
    const Wide b = Pick(random);
    const BigCount big_a = FromWide(a);
    const BigCount big_b = FromWide(b);
    const std::string where = WideDecimal(a) + ", " + WideDecimal(b);
    EXPECT_EQ(big_a + big_b, FromWide(a + b)) << where;
    EXPECT_EQ((big_a + big_b).ToDecimal(), WideDecimal(a + b)) << where;
    EXPECT_EQ(big_a <=> big_b, a <=> b) << where;
    EXPECT_EQ(big_a == big_b, a == b) << where;
    const Wide high = std::max(a, b);
    const Wide low = std::min(a, b);
    EXPECT_EQ(FromWide(high) - FromWide(low), FromWide(high - low)) << where;
    uint64_t narrow = 12345;
    EXPECT_EQ(big_a.ToU64(&narrow), a <= UINT64_MAX) << where;
    if (a <= UINT64_MAX) {
      EXPECT_EQ(narrow, static_cast<uint64_t>(a)) << where;
    }
  }
}

TEST(BigCountTest, SubtractionUndoesAdditionPast128Bits) {
  // Three limbs, each near where it carries or borrows.
  std::mt19937_64 random(7);
  const uint64_t near[] = {0, 1, 2, UINT64_MAX - 1, UINT64_MAX};
  const auto pick = [&] {
    uint64_t limbs[3];
    for (uint64_t& limb : limbs) limb = random() % 3 == 0 ? random() : near[random() % 5];
    return BigCount(std::span<const uint64_t>(limbs));
  };
  for (int i = 0; i < 20000; ++i) {
    const BigCount a = pick();
    const BigCount b = pick();
    const BigCount& high = a < b ? b : a;
    const BigCount& low = a < b ? a : b;
    EXPECT_EQ((high - low) + low, high) << high.ToDecimal() << " - " << low.ToDecimal();
    EXPECT_EQ((a + b) - b, a) << a.ToDecimal() << " + " << b.ToDecimal();
  }
  const uint64_t two_to_128[] = {0, 0, 1};
  EXPECT_EQ((BigCount(two_to_128) - BigCount(1)).ToDecimal(),
            "340282366920938463463374607431768211455");
}

TEST(SaturatingAddTest, StopsAtTheTopInsteadOfWrapping) {
  const uint64_t near_top[] = {
      0, 1, 2, UINT64_MAX / 2, UINT64_MAX / 2 + 1, UINT64_MAX - 2, UINT64_MAX - 1, UINT64_MAX};
  for (const uint64_t a : near_top) {
    for (const uint64_t b : near_top) {
      const Wide sum = Wide{a} + b;
      const uint64_t expected = sum > UINT64_MAX ? UINT64_MAX : static_cast<uint64_t>(sum);
      EXPECT_EQ(SaturatingAdd(a, b), expected) << a << " + " << b;
    }
  }
}

TEST(BigCountTest, Decimal) {
  EXPECT_EQ(BigCount().ToDecimal(), "0");
  EXPECT_EQ(BigCount(7).ToDecimal(), "7");
  EXPECT_EQ(BigCount(10'000'000'000'000'000'000ull).ToDecimal(), "10000000000000000000");
  EXPECT_EQ(BigCount(UINT64_MAX).ToDecimal(), "18446744073709551615");
  const uint64_t two_to_64[] = {0, 1};
  EXPECT_EQ(BigCount(two_to_64).ToDecimal(), "18446744073709551616");
  const uint64_t two_to_128_less_one[] = {UINT64_MAX, UINT64_MAX, 0};
  EXPECT_EQ(BigCount(two_to_128_less_one).ToDecimal(), "340282366920938463463374607431768211455");
  EXPECT_EQ(BigCount(two_to_128_less_one), BigCount(std::span(two_to_128_less_one, 2)));
}

TEST(BigCountTest, MulAddCarriesAcrossLimbs) {
  uint64_t acc[3] = {UINT64_MAX, UINT64_MAX, 0};
  const uint64_t x[3] = {2, 0, 0};
  MulAddLimbs(acc, x, 3);  // (2^128 - 1) + 6
  EXPECT_EQ(acc[0], 5u);
  EXPECT_EQ(acc[1], 0u);
  EXPECT_EQ(acc[2], 1u);
  const uint64_t half[3] = {0, 0, 1};
  const uint64_t whole[3] = {0, 0, 4};
  EXPECT_DOUBLE_EQ(LimbsRatio(half, whole), 0.25);
}

}  // namespace
}  // namespace growth
