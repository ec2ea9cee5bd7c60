#include "report/result_writer.h"

#include <cstring>
#include <string>

#include "report/append_file.h"

namespace growth {
namespace {

// A run has one buffered writer at a time; the out-of-memory path finds it
// here. `appending` keeps a failure inside an append from starting another.
ResultFileWriter* live_buffered = nullptr;
bool appending = false;

}  // namespace

ResultFileWriter::ResultFileWriter(const PlanSettings& plan, const OutputSettings& output,
                                   int message_fd, size_t buffer_bytes)
    : targets_(plan.targets),
      result_path_(output.result_path),
      message_fd_(message_fd),
      record_limit_(output.record_limit),
      formatter_(plan.level_cap, output.utf8),
      buffer_bytes_(buffer_bytes) {
  if (!output.buffered) return;
  buffer_.reset(new char[buffer_bytes_]);
  // No record is shorter than this, so the list never outgrows its reserve.
  ends_.reserve(buffer_bytes_ / MinRecordLength() + 1);
  holding_stops_.emplace();
  live_buffered = this;
}

ResultFileWriter::~ResultFileWriter() {
  Finish();
  if (live_buffered == this) live_buffered = nullptr;
}

void AppendCollectedRecords() {
  if (live_buffered != nullptr && !appending) live_buffered->Flush();
}

bool ResultFileWriter::OnEndState(const PlanState& state, const PlanView& plan) {
  if (!MeetsTargets(state.values, targets_)) return true;
  ++qualifying_;
  const std::string_view record = formatter_.Format(state, plan);
  if (buffer_ == nullptr) {
    const size_t end = record.size();
    Append(record, std::span<const size_t>(&end, 1));
  } else {
    if (buffered_ + record.size() > buffer_bytes_) Flush();
    if (record.size() > buffer_bytes_) {
      const size_t end = record.size();
      Append(record, std::span<const size_t>(&end, 1));
    } else {
      if (buffered_ == 0) flush_due_ = Clock::now() + kLongestWait;
      std::memcpy(buffer_.get() + buffered_, record.data(), record.size());
      buffered_ += record.size();
      ends_.push_back(buffered_);
    }
    // Ticks can be thousands of records apart, each perhaps a write.
    if (StopHeld()) return false;
  }
  return record_limit_ == 0 || qualifying_ < record_limit_;
}

bool ResultFileWriter::Tick(Clock::time_point now) {
  if (buffered_ > 0 && now >= flush_due_) Flush();
  return !StopHeld();
}

void ResultFileWriter::Finish() {
  if (buffer_ != nullptr) Flush();
  holding_stops_.reset();
}

void ResultFileWriter::Flush() {
  if (buffered_ == 0) return;
  appending = true;
  Append(std::string_view(buffer_.get(), buffered_), ends_);
  buffered_ = 0;
  ends_.clear();
  appending = false;
}

void ResultFileWriter::Append(std::string_view bytes, std::span<const size_t> record_ends) {
  const AppendResult result = AppendRecords(result_path_.data(), bytes, record_ends);
  const int64_t lost = static_cast<int64_t>(record_ends.size()) - result.records_written;
  records_written_ += result.records_written;
  records_lost_ += lost;
  const std::string_view message = result.opened ? "File Write Error !\n" : "File Open Error !\n";
  for (int64_t i = 0; i < lost; ++i) WriteFully(message_fd_, message);
  if (result.bytes_left_cut > 0) {
    const std::string notice = "growth-planner: " + std::to_string(result.bytes_left_cut) +
                               " bytes of a cut record could not be taken back off the result "
                               "file\n";
    WriteFully(STDERR_FILENO, notice);
  }
}

}  // namespace growth
