#include "report/resume_point.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>

#include "engine/search/step_rules.h"
#include "report/append_file.h"
#include "report/record_format.h"

namespace growth {
namespace {

ResumePoint Refuse(std::string error) {
  ResumePoint point;
  point.kind = ResumePoint::Kind::kRefused;
  point.error = std::move(error);
  return point;
}

// Reads up to `length` bytes ending at the end of the file.
bool ReadTail(int fd, off_t size, size_t length, std::string& tail) {
  tail.resize(length);
  size_t done = 0;
  while (done < length) {
    const ssize_t n = pread(fd, tail.data() + done, length - done,
                            size - static_cast<off_t>(length) + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// The plan of a record's second line, replayed: empty error when it is a
// plan of this run whose record is exactly `record`.
std::string CheckRecord(const PlanSettings& settings, std::string_view record,
                        std::string_view plan_line, std::vector<int32_t>& steps) {
  const CandidateList list = BuildCandidates(settings);
  switch (ParsePlanLine(plan_line, list, LongestPlanSteps(settings.level_cap), steps)) {
    case PlanParse::kParsed:
      break;
    case PlanParse::kUnfinished:
      return "its last record has no step count";
    case PlanParse::kUnknownStep:
      return "its last record has a step this run never takes";
    case PlanParse::kTooLong:
      return "its last record is longer than any plan of this run";
  }
  const StepRules rules(settings);
  PlanState state;
  size_t taken = 0;
  if (!ReplayPlan(settings, rules, list, steps, &state, &taken)) {
    return list.codes[steps[taken]] >= kFirstLineCode
               ? "its last record levels up past the cap"
               : "its last record buys a point it cannot afford";
  }
  if (state.level < settings.level_cap) return "its last record ends below the level cap";
  if (!MeetsTargets(state.values, settings.targets)) {
    return "its last record does not meet this run's targets";
  }
  RecordFormatter formatter(settings.level_cap);
  if (formatter.Format(state, PlanView(steps, list)) != record) {
    return "its last record is not what this run writes for that plan";
  }
  return "";
}

// The steps the start of a record names in full, replayed: true when they
// are steps of this run, each legal where it is taken.
bool StartsAPlanOfThisRun(const PlanSettings& settings, std::string_view start) {
  const size_t line_one_end = start.find(kLineEnd);
  if (line_one_end == std::string_view::npos) return true;
  const CandidateList list = BuildCandidates(settings);
  std::vector<int32_t> steps;
  if (ParsePlanLine(start.substr(line_one_end + kLineEnd.size()), list, INT64_MAX, steps) ==
      PlanParse::kUnknownStep) {
    return false;
  }
  const StepRules rules(settings);
  PlanState state;
  return ReplayPlan(settings, rules, list, steps, &state);
}

}  // namespace

ResumePoint FindResumePoint(const PlanSettings& settings, const char* path, bool cut) {
  // Without blocking: opening a FIFO to read would wait for a writer.
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT) return {};
    return Refuse("cannot read the result file to resume from it");
  }
  struct stat info {};
  std::string tail;
  const size_t capacity = RecordCapacity(settings.level_cap);
  bool read = fstat(fd, &info) == 0;
  if (read && !S_ISREG(info.st_mode)) {
    // A pipe, a FIFO or a device keeps nothing to read back: like a
    // missing file, the run goes on from its start.
    close(fd);
    return {};
  }
  const off_t size = read ? info.st_size : 0;
  const size_t length =
      static_cast<size_t>(std::min<off_t>(size, static_cast<off_t>(2 * capacity)));
  read = read && ReadTail(fd, size, length, tail);
  close(fd);
  if (!read) return Refuse("cannot read the result file to resume from it");
  if (size == 0) return {};

  const std::string_view bytes = tail;
  const size_t last_end = bytes.rfind(kRecordEnd);
  const size_t whole = last_end == std::string_view::npos ? 0 : last_end + kRecordEnd.size();
  const std::string_view torn = bytes.substr(whole);
  // The start of one of this run's records, as a stop in the middle of its
  // write leaves it; anything else after the last record is another
  // writer's, another run's torn record included.
  if (!CouldStartRecord(torn, settings.level_cap) || !StartsAPlanOfThisRun(settings, torn)) {
    return Refuse("the result file does not end with a whole record of a run");
  }
  ResumePoint point;
  if (last_end != std::string_view::npos) {
    const std::string_view through = bytes.substr(0, whole);
    const size_t plan_start = through.rfind(kLineEnd, last_end) + kLineEnd.size();
    if (plan_start == std::string_view::npos + kLineEnd.size() || plan_start == 0) {
      return Refuse("the result file's last record has no first line");
    }
    const size_t line_one_end = plan_start - kLineEnd.size();
    const size_t before =
        line_one_end == 0 ? std::string_view::npos : through.rfind(kLineEnd, line_one_end - 1);
    const size_t record_start = before == std::string_view::npos ? 0 : before + kLineEnd.size();
    if (before == std::string_view::npos && static_cast<off_t>(length) < size) {
      return Refuse("the result file's last record is longer than any of this run");
    }
    const std::string error = CheckRecord(settings, through.substr(record_start),
                                          through.substr(plan_start), point.steps);
    if (!error.empty()) return Refuse("the result file is not this run's: " + error);
    point.kind = ResumePoint::Kind::kAfter;
  }
  if (cut && !torn.empty()) {
    const bool cut_off = CutTornTail(path, size, torn.size());
    if (!cut_off) return Refuse("cannot cut the torn record off the end of the result file");
  }
  return point;
}

}  // namespace growth
