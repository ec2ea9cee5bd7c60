// Constant growth data of the game, compiled into the program.
//
// Every lookup takes an index that the caller guarantees to be in range
// (type 0..23, group 0..7, line code 8..21, stat code 1..7, step code 1..21),
// checked only where contract checks are compiled in (base/checks.h); the
// tables are read-only for the whole run.
#ifndef GROWTH_PLANNER_DATA_TABLES_H_
#define GROWTH_PLANNER_DATA_TABLES_H_

#include <array>
#include <cstdint>
#include <string_view>

#include "base/checks.h"

namespace growth {

// Positions in a ValueVector: the seven stats, then the four derived values.
enum StatIndex : int {
  kStab = 0,
  kHack = 1,
  kInt = 2,
  kDef = 3,
  kMr = 4,
  kDex = 5,
  kAgi = 6,
  kHp = 7,
  kMp = 8,
  kSp = 9,
  kWt = 10,
};

inline constexpr int kStatCount = 7;     // STAB to AGI: the stats points can be spent on
inline constexpr int kDerivedCount = 4;  // HP, MP, SP, WT
inline constexpr int kValueCount = kStatCount + kDerivedCount;

using ValueVector = std::array<int32_t, kValueCount>;
using StatArray = std::array<int32_t, kStatCount>;
using DerivedGains = std::array<int32_t, kDerivedCount>;  // HP, MP, SP, WT

// A step of a plan: 1..7 buys a point of stat (code - 1), 8..21 levels up
// along that growth line, 0 ends a candidate list.
using StepCode = int32_t;
inline constexpr StepCode kEndMarker = 0;
inline constexpr StepCode kFirstStatCode = 1;
inline constexpr StepCode kLastStatCode = 7;
inline constexpr StepCode kFirstLineCode = 8;
inline constexpr StepCode kLastLineCode = 21;

inline constexpr int kTypeCount = 24;
inline constexpr int kGroupCount = 8;
inline constexpr int kLineCount = kLastLineCode - kFirstLineCode + 1;

// The longest display name, in bytes, without its terminator.
inline constexpr int kMaxDisplayNameLength = 6;

struct TypeRecord {
  StatArray start_values;
  StatArray base_costs;
  DerivedGains start_derived;  // starting HP, MP, SP, WT
};

struct LineRecord {
  int32_t primary;    // stat index raised at every level-up along the line
  int32_t secondary;  // stat index raised when the bonus accumulator rolls over
  DerivedGains gains;
};

struct PointBonus {
  DerivedGains gains;  // added for each point spent on the stat
};

// The tables themselves; use the lookups below.
namespace table_data {

// Rows hold, per stat STAB..AGI, the starting value, then the base costs,
// then starting HP, MP, SP, WT.
inline constexpr std::array<TypeRecord, kTypeCount> kTypes = {{
    {{4, 3, 1, 2, 1, 2, 2}, {1, 1, 3, 2, 3, 2, 2}, {220, 50, 1000, 1100}},  // 0
    {{3, 4, 1, 3, 1, 2, 1}, {2, 1, 3, 1, 3, 2, 2}, {240, 55, 900, 1150}},   // 1
    {{4, 3, 1, 1, 1, 2, 3}, {1, 2, 3, 2, 3, 2, 1}, {200, 55, 1100, 1050}},  // 2
    {{3, 4, 1, 3, 2, 1, 1}, {2, 1, 3, 1, 3, 2, 2}, {200, 50, 950, 1100}},   // 3
    {{2, 5, 1, 3, 2, 1, 1}, {3, 1, 3, 1, 2, 2, 2}, {220, 55, 900, 1150}},   // 4
    {{2, 4, 2, 2, 2, 2, 1}, {3, 1, 2, 2, 3, 1, 2}, {185, 65, 850, 999}},    // 5
    {{4, 4, 1, 2, 1, 2, 1}, {1, 1, 3, 2, 3, 2, 2}, {190, 50, 950, 1050}},   // 6
    {{3, 5, 1, 2, 1, 2, 1}, {2, 1, 3, 2, 3, 1, 2}, {210, 55, 900, 1100}},   // 7
    {{2, 4, 2, 2, 2, 2, 1}, {3, 1, 2, 3, 2, 1, 2}, {175, 65, 850, 999}},    // 8
    {{5, 2, 1, 3, 1, 2, 1}, {1, 2, 3, 1, 3, 2, 2}, {220, 45, 1300, 1150}},  // 9
    {{4, 4, 1, 3, 1, 1, 1}, {1, 1, 3, 2, 3, 2, 2}, {240, 40, 1200, 1200}},  // 10
    {{2, 5, 1, 4, 1, 1, 1}, {2, 1, 3, 1, 3, 2, 2}, {260, 40, 1100, 1250}},  // 11
    {{2, 4, 1, 1, 2, 3, 2}, {2, 1, 3, 2, 3, 1, 2}, {210, 35, 1000, 950}},   // 12
    {{4, 4, 1, 1, 1, 2, 2}, {1, 1, 3, 2, 3, 2, 2}, {190, 40, 1100, 900}},   // 13
    {{4, 2, 1, 1, 2, 3, 2}, {1, 2, 3, 2, 3, 1, 2}, {170, 35, 1200, 850}},   // 14
    {{1, 2, 4, 1, 3, 2, 2}, {3, 2, 2, 3, 1, 1, 2}, {160, 80, 800, 750}},    // 15
    {{1, 2, 2, 2, 3, 2, 3}, {3, 3, 2, 2, 1, 2, 1}, {170, 90, 900, 800}},    // 16
    {{1, 3, 1, 1, 2, 2, 3}, {2, 1, 3, 3, 2, 2, 1}, {180, 70, 1100, 850}},   // 17
    {{4, 2, 1, 2, 1, 3, 2}, {1, 2, 3, 2, 3, 1, 2}, {190, 45, 1200, 900}},   // 18
    {{4, 3, 1, 2, 1, 2, 2}, {1, 1, 3, 2, 3, 2, 2}, {210, 50, 1100, 950}},   // 19
    {{2, 4, 1, 2, 1, 3, 2}, {2, 1, 3, 2, 3, 1, 2}, {200, 55, 1000, 1000}},  // 20
    {{4, 2, 1, 1, 1, 3, 3}, {1, 2, 3, 2, 3, 2, 1}, {185, 40, 1400, 850}},   // 21
    {{4, 3, 1, 1, 1, 3, 2}, {1, 1, 3, 2, 3, 2, 2}, {205, 45, 1300, 900}},   // 22
    {{2, 4, 1, 1, 1, 4, 2}, {2, 1, 3, 2, 3, 1, 2}, {225, 50, 1200, 950}},   // 23
}};

// One row per group; columns are the growth lines 8..21.
inline constexpr std::array<std::array<int8_t, kLineCount>, kGroupCount> kLineOpen = {{
    {0, 1, 0, 1, 0, 1, 0, 0, 1, 1, 1, 0, 0, 0},  // 0
    {0, 0, 1, 0, 1, 0, 0, 1, 1, 1, 1, 0, 0, 0},  // 1
    {0, 0, 0, 1, 0, 1, 0, 1, 1, 1, 1, 0, 0, 0},  // 2
    {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 1},  // 3
    {0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 1},  // 4
    {1, 1, 1, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 1},  // 5
    {0, 1, 0, 0, 1, 0, 1, 0, 1, 1, 1, 0, 0, 0},  // 6
    {0, 0, 1, 0, 0, 1, 0, 1, 1, 1, 1, 0, 0, 1},  // 7
}};

inline constexpr std::array<LineRecord, kLineCount> kLines = {{
    {kMr, kInt, {6, 5, 10, 4}},       // 8
    {kInt, kDex, {7, 6, 14, 4}},      // 9
    {kInt, kMr, {4, 7, 10, 3}},       // 10
    {kDex, kInt, {10, 4, 12, 3}},     // 11
    {kDef, kInt, {9, 4, 12, 4}},      // 12
    {kInt, kMr, {7, 5, 10, 4}},       // 13
    {kMr, kInt, {7, 5, 13, 4}},       // 14
    {kInt, kMr, {5, 7, 11, 4}},       // 15
    {kDex, kAgi, {15, 2, 23, 10}},    // 16
    {kStab, kDex, {16, 1, 26, 12}},   // 17
    {kHack, kDef, {23, 3, 24, 16}},   // 18
    {kStab, kHack, {21, 2, 22, 16}},  // 19
    {kHack, kDex, {19, 2, 30, 14}},   // 20
    {kDef, kHack, {19, 2, 19, 16}},   // 21
}};

inline constexpr std::array<PointBonus, kStatCount> kPointBonuses = {{
    {{7, 1, 8, 4}},   // STAB
    {{15, 2, 4, 6}},  // HACK
    {{1, 6, 2, 1}},   // INT
    {{40, 0, 3, 8}},  // DEF
    {{2, 20, 6, 2}},  // MR
    {{5, 3, 30, 5}},  // DEX
    {{8, 2, 10, 1}},  // AGI
}};

// Indexed by step code. Growth line names are Shift_JIS (code page 932).
inline constexpr std::array<std::string_view, kLastLineCode + 1> kDisplayNames = {
    "",
    "STAB",
    "HACK",
    "INT",
    "DEF",
    "MR",
    "DEX",
    "AGI",
    "\x96\xB3\x91\xAE\x90\xAB",  // 8  mu-zokusei
    "\x89\xCE\x89\x8A\x8C\x6E",  // 9  kaen-kei
    "\x95\x58\x8C\x8B\x8C\x6E",  // 10 hyouketsu-kei
    "\x8E\xBE\x95\x97\x8C\x6E",  // 11 shippuu-kei
    "\x91\xE5\x92\x6E\x8C\x6E",  // 12 daichi-kei
    "\x93\x64\x8C\x82\x8C\x6E",  // 13 dengeki-kei
    "\x94\x92\x96\x82\x96\x40",  // 14 shiro-mahou
    "\x8D\x95\x96\x82\x96\x40",  // 15 kuro-mahou
    "\x8B\xA4\x92\xCA\x8C\x6E",  // 16 kyoutsuu-kei
    "\x8C\x95\x8C\x6E",          // 17 ken-kei
    "\x93\x81\x8C\x6E",          // 18 katana-kei
    "\x91\x84\x8C\x6E",          // 19 yari-kei
    "\x95\xDA\x8C\x6E",          // 20 muchi-kei
    "\x91\xC5\x8C\x82\x8C\x6E",  // 21 dageki-kei
};

static_assert([] {
  for (std::string_view name : kDisplayNames) {
    if (name.size() > kMaxDisplayNameLength) return false;
  }
  return true;
}());

}  // namespace table_data

constexpr const TypeRecord& TypeRecordOf(int32_t type) {
  GROWTH_CHECK(type >= 0 && type < kTypeCount);
  return table_data::kTypes[type];
}

constexpr int32_t GroupOf(int32_t type) {
  GROWTH_CHECK(type >= 0 && type < kTypeCount);
  return type / 3;
}

constexpr bool LineOpenToGroup(int32_t group, StepCode line) {
  GROWTH_CHECK(group >= 0 && group < kGroupCount);
  GROWTH_CHECK(line >= kFirstLineCode && line <= kLastLineCode);
  return table_data::kLineOpen[group][line - kFirstLineCode] == 1;
}

constexpr const LineRecord& LineRecordOf(StepCode line) {
  GROWTH_CHECK(line >= kFirstLineCode && line <= kLastLineCode);
  return table_data::kLines[line - kFirstLineCode];
}

constexpr const PointBonus& PointBonusOf(StepCode stat) {
  GROWTH_CHECK(stat >= kFirstStatCode && stat <= kLastStatCode);
  return table_data::kPointBonuses[stat - kFirstStatCode];
}

// The name written into result files: ASCII for stats, Shift_JIS bytes for
// growth lines.
constexpr std::string_view DisplayName(StepCode code) {
  GROWTH_CHECK(code >= kFirstStatCode && code <= kLastLineCode);
  return table_data::kDisplayNames[code];
}

}  // namespace growth

#endif  // GROWTH_PLANNER_DATA_TABLES_H_
