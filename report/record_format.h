// The bytes of a record, and reading them back.
//
// A record is two lines ending in CR LF: the end state's eleven values and
// unspent points, each after its label ("S:%d H:%d ... Point:%d"), then the
// plan's step names, each followed by a space, and "- %d time" with the
// plan's step count plus one. Every other file that needs to know what a
// record looks like asks here: the writers format with RecordFormatter, a
// resumed run reads its last record back with ParsePlanLine and
// CouldStartRecord, and the option scan names a record's values by
// kRecordValueLabels. Whether a plan is one of the run's, and the end
// state it leads to, are the search's (ReplayPlan) and the game's rules'.
#ifndef GROWTH_PLANNER_REPORT_RECORD_FORMAT_H_
#define GROWTH_PLANNER_REPORT_RECORD_FORMAT_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "data/tables.h"
#include "engine/search/plan_state.h"
#include "engine/search/search.h"

namespace growth {

// The labels of a record's first line, in order, without their colons: the
// names of the values a --max or --min can rank by (0..10 the values, 11
// the unspent points).
inline constexpr std::array<std::string_view, kValueCount + 1> kRecordValueLabels = {
    "S", "H", "I", "F", "M", "X", "A", "HP", "MP", "SP", "WT", "Point"};

// The text every record ends with, and the line end of both lines.
inline constexpr std::string_view kRecordEnd = " time\r\n";
inline constexpr std::string_view kLineEnd = "\r\n";

// The shortest record any run can write (every number one digit, no step).
size_t MinRecordLength();

// The most bytes a record can take for plans under `level_cap`.
size_t RecordCapacity(int32_t level_cap);

// True when `bytes`, the tail of a file after its last whole record, could
// be the first bytes of a record of a run under `level_cap`, as a write cut
// short leaves them: all or part of its first line, labels and numbers in
// their places, then at most part of its second, made of step names, no
// more than such a plan has, and the count they make, short of its line
// end. An empty tail qualifies; what a run would not write, or anything
// after its last byte, does not.
bool CouldStartRecord(std::string_view bytes, int32_t level_cap);

// How reading the plan on a record's second line ended.
enum class PlanParse {
  kParsed,       // up to and including "- "
  kUnfinished,   // the text ran out before "- ": all the whole names read
  kUnknownStep,  // a name that is not one of the run's candidates
  kTooLong,      // more than `most_steps` names
};

// Reads the step names of a record's second line, each followed by a space,
// up to "- ", into candidate indices of `list`.
PlanParse ParsePlanLine(std::string_view line, const CandidateList& list, int64_t most_steps,
                        std::vector<int32_t>& steps);

class RecordFormatter {
 public:
  // `utf8` spells the growth lines in UTF-8 (--utf8) instead of Shift_JIS;
  // the layout is the same.
  explicit RecordFormatter(int32_t level_cap, bool utf8 = false);
  RecordFormatter(const RecordFormatter&) = delete;
  RecordFormatter& operator=(const RecordFormatter&) = delete;

  // The record's bytes; valid until the next call. The plan must have come
  // from a search under the same level cap.
  std::string_view Format(const PlanState& state, const PlanView& plan);

 private:
  size_t capacity_;
  bool utf8_;
  std::unique_ptr<char[]> buffer_;
};

}  // namespace growth

#endif  // GROWTH_PLANNER_REPORT_RECORD_FORMAT_H_
