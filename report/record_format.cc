#include "report/record_format.h"

#include <charconv>
#include <cstring>

#include "base/checks.h"
#include "report/utf8_names.h"

namespace growth {
namespace {

// What stands before each number of the first line.
constexpr std::array<std::string_view, kValueCount + 1> kLabels = {
    "S:", " H:", " I:", " F:", " M:", " X:", " A:", " HP:", " MP:", " SP:", " WT:", " Point:",
};
constexpr std::string_view kCountPrefix = "- ";
constexpr size_t kMaxNumberLength = 11;  // "-2147483648"

constexpr size_t kFirstLineCapacity = [] {
  size_t size = kLineEnd.size();
  for (std::string_view label : kLabels) size += label.size() + kMaxNumberLength;
  return size;
}();

// The most bytes a record of a plan of `steps` steps can take.
size_t RecordBytesForSteps(size_t steps) {
  return kFirstLineCapacity + steps * (kMaxDisplayNameLength + 1) + kCountPrefix.size() +
         kMaxNumberLength + kRecordEnd.size();
}

char* Append(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

char* AppendNumber(char* out, int32_t value) {
  return std::to_chars(out, out + kMaxNumberLength, value).ptr;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Matches `expected` at the front of `bytes`, or all of `bytes` against the
// front of `expected`; `ended` says the bytes ran out first.
bool MatchPrefix(std::string_view& bytes, std::string_view expected, bool* ended) {
  const size_t n = std::min(bytes.size(), expected.size());
  if (bytes.substr(0, n) != expected.substr(0, n)) return false;
  *ended = n < expected.size();
  bytes.remove_prefix(n);
  return true;
}

// A decimal number as the formatter writes it, or its start.
bool MatchNumber(std::string_view& bytes, bool* ended) {
  size_t at = 0;
  if (at < bytes.size() && bytes[at] == '-') ++at;
  const size_t digits_from = at;
  while (at < bytes.size() && IsDigit(bytes[at]) && at - digits_from < 10) ++at;
  *ended = at == bytes.size();
  if (!*ended && at == digits_from) return false;
  bytes.remove_prefix(at);
  return true;
}

// The second line, or its start: step names, each with its space, then the
// count, up to the CR of its line end.
bool CouldStartPlanLine(std::string_view bytes, int32_t level_cap) {
  int64_t steps = 0;
  while (!bytes.empty()) {
    if (bytes[0] == '-') {
      bool ended = false;
      if (!MatchPrefix(bytes, kCountPrefix, &ended)) return false;
      if (ended) return true;
      // The count is that of the steps before it, plus one.
      char count[kMaxNumberLength];
      const char* const count_end = AppendNumber(count, static_cast<int32_t>(steps + 1));
      if (!MatchPrefix(bytes, std::string_view(count, static_cast<size_t>(count_end - count)),
                       &ended)) {
        return false;
      }
      if (ended) return true;
      return MatchPrefix(bytes, kRecordEnd.substr(0, kRecordEnd.size() - 1), &ended) &&
             bytes.empty();
    }
    const size_t space = bytes.find(' ');
    const std::string_view token = bytes.substr(0, space);
    bool known = false;
    for (StepCode code = kFirstStatCode; code <= kLastLineCode && !known; ++code) {
      const std::string_view name = DisplayName(code);
      known =
          space == std::string_view::npos ? name.substr(0, token.size()) == token : name == token;
    }
    if (!known || ++steps > LongestPlanSteps(level_cap)) return false;
    if (space == std::string_view::npos) return true;
    bytes.remove_prefix(space + 1);
  }
  return true;
}

}  // namespace

size_t MinRecordLength() {
  size_t size = kLineEnd.size() + kCountPrefix.size() + 1 + kRecordEnd.size();
  for (std::string_view label : kLabels) size += label.size() + 1;
  return size;
}

size_t RecordCapacity(int32_t level_cap) {
  return RecordBytesForSteps(static_cast<size_t>(LongestPlanSteps(level_cap)));
}

bool CouldStartRecord(std::string_view bytes, int32_t level_cap) {
  if (bytes.size() >= RecordCapacity(level_cap)) return false;
  for (std::string_view label : kLabels) {
    bool ended = false;
    if (!MatchPrefix(bytes, label, &ended)) return false;
    if (ended) return true;
    if (!MatchNumber(bytes, &ended)) return false;
    if (ended) return true;
  }
  bool ended = false;
  if (!MatchPrefix(bytes, kLineEnd, &ended)) return false;
  if (ended) return true;
  // A second line end would have made the record whole.
  return bytes.find('\n') == std::string_view::npos && CouldStartPlanLine(bytes, level_cap);
}

RecordFormatter::RecordFormatter(int32_t level_cap, bool utf8)
    : capacity_(RecordCapacity(level_cap) +
                (utf8 ? static_cast<size_t>(LongestPlanSteps(level_cap)) *
                            (kMaxUtf8NameLength - kMaxDisplayNameLength)
                      : 0)),
      utf8_(utf8),
      buffer_(new char[capacity_]) {}

std::string_view RecordFormatter::Format(const PlanState& state, const PlanView& plan) {
  // A plan longer than the cap allows, from another search, would run past
  // the buffer; the bound is checked before anything is written.
  GROWTH_CHECK(plan.steps() >= 0 &&
               RecordBytesForSteps(static_cast<size_t>(plan.steps())) +
                       (utf8_ ? static_cast<size_t>(plan.steps()) *
                                    (kMaxUtf8NameLength - kMaxDisplayNameLength)
                              : 0) <=
                   capacity_);
  char* out = buffer_.get();
  for (int i = 0; i < kValueCount; ++i) {
    out = Append(out, kLabels[i]);
    out = AppendNumber(out, state.values[i]);
  }
  out = Append(out, kLabels[kValueCount]);
  out = AppendNumber(out, state.points);
  out = Append(out, kLineEnd);

  for (int32_t depth = 0; depth < plan.steps(); ++depth) {
    out = Append(out, StepName(plan.StepAt(depth), utf8_));
    *out++ = ' ';
  }
  out = Append(out, kCountPrefix);
  out = AppendNumber(out, plan.steps() + 1);
  out = Append(out, kRecordEnd);
  return std::string_view(buffer_.get(), static_cast<size_t>(out - buffer_.get()));
}

PlanParse ParsePlanLine(std::string_view line, const CandidateList& list, int64_t most_steps,
                        std::vector<int32_t>& steps) {
  steps.clear();
  for (size_t space; (space = line.find(' ')) != std::string_view::npos;
       line.remove_prefix(space + 1)) {
    const std::string_view token = line.substr(0, space);
    if (token == "-") return PlanParse::kParsed;
    int32_t candidate = -1;
    for (int32_t i = 0; i < list.size && candidate < 0; ++i) {
      if (DisplayName(list.codes[i]) == token) candidate = i;
    }
    if (candidate < 0) return PlanParse::kUnknownStep;
    if (static_cast<int64_t>(steps.size()) >= most_steps) return PlanParse::kTooLong;
    steps.push_back(candidate);
  }
  return PlanParse::kUnfinished;
}

}  // namespace growth
