// Constant growth data of the game, compiled into the program.
//
// Every lookup takes an index that the caller guarantees to be in range
// (type 0..23, group 0..7, line code 8..21, stat code 1..7, step code 1..21);
// the tables are read-only for the whole run.
#ifndef GROWTH_PLANNER_DATA_TABLES_H_
#define GROWTH_PLANNER_DATA_TABLES_H_

#include <array>
#include <cstdint>
#include <string_view>

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

const TypeRecord& TypeRecordOf(int32_t type);
int32_t GroupOf(int32_t type);
bool LineOpenToGroup(int32_t group, StepCode line);
const LineRecord& LineRecordOf(StepCode line);
const PointBonus& PointBonusOf(StepCode stat);

// The name written into result files: ASCII for stats, Shift_JIS bytes for
// growth lines.
std::string_view DisplayName(StepCode code);

}  // namespace growth

#endif  // GROWTH_PLANNER_DATA_TABLES_H_
