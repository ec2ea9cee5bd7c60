#include "app/json_out.h"

#include <cstdio>
#include <string_view>

#include "report/record_format.h"
#include "report/utf8_names.h"

namespace growth {
namespace {

// A JSON string: the names and labels hold no quote, backslash or control
// byte, but the escapes keep any text well formed.
void AppendString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (byte < 0x20) {
      out.append("\\u00");
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 0xf]);
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
}

void AppendKey(std::string& out, std::string_view key) {
  if (out.back() != '{') out.push_back(',');
  AppendString(out, key);
  out.push_back(':');
}

void AppendNumber(std::string& out, int64_t value) { out.append(std::to_string(value)); }

// A count's digits, or null.
void AppendDigits(std::string& out, const std::optional<std::string>& digits) {
  out.append(digits.has_value() ? *digits : "null");
}

void AppendStep(std::string& out, StepCode code) {
  out.push_back('{');
  AppendKey(out, "code");
  AppendNumber(out, code);
  AppendKey(out, "name");
  AppendString(out, Utf8Name(code));
  out.push_back('}');
}

void PrintLine(std::string& line) {
  line.push_back('\n');
  std::fputs(line.c_str(), stdout);
}

}  // namespace

void PrintCountJson(const CountAnswer& answer) {
  std::string line = "{";
  AppendKey(line, "records");
  line.append(answer.records);
  AppendKey(line, "end_states");
  AppendDigits(line, answer.end_states);
  if (answer.windowed) {
    AppendKey(line, "end_states_of");
    AppendString(line, "whole run");
    AppendKey(line, "window");
    line.push_back('{');
    AppendKey(line, "first");
    AppendDigits(line, answer.first);
    AppendKey(line, "last");
    AppendDigits(line, answer.last);
    AppendKey(line, "run_records");
    line.append(answer.run_records);
    line.push_back('}');
  }
  line.push_back('}');
  PrintLine(line);
}

void PrintReachJson(const std::optional<StatArray>& highest) {
  std::string line = "{";
  AppendKey(line, "highest");
  if (!highest.has_value()) {
    line.append("null");
  } else {
    line.push_back('{');
    for (int stat = 0; stat < kStatCount; ++stat) {
      AppendKey(line, kRecordValueLabels[stat]);
      AppendNumber(line, (*highest)[stat]);
    }
    line.push_back('}');
  }
  line.push_back('}');
  PrintLine(line);
}

void PrintLowestCapJson(std::optional<int32_t> cap, int32_t searched_up_to) {
  std::string line = "{";
  AppendKey(line, "lowest_cap");
  line.append(cap.has_value() ? std::to_string(*cap) : "null");
  AppendKey(line, "searched_up_to");
  AppendNumber(line, searched_up_to);
  line.push_back('}');
  PrintLine(line);
}

void PrintPlanJson(const RunSettings& settings, int rank, const std::string& chosen,
                   std::span<const StepCode> steps) {
  std::string line = "{";
  AppendKey(line, "plan");
  AppendNumber(line, rank);
  AppendKey(line, "chosen");
  AppendString(line, chosen);
  AppendKey(line, "type");
  AppendNumber(line, settings.type);
  AppendKey(line, "level_cap");
  AppendNumber(line, settings.level_cap);
  AppendKey(line, "bonus_rate");
  AppendNumber(line, settings.bonus_rate);
  AppendKey(line, "targets");
  line.push_back('{');
  for (int stat = 0; stat < kStatCount; ++stat) {
    AppendKey(line, kRecordValueLabels[stat]);
    AppendNumber(line, settings.targets[stat]);
  }
  line.push_back('}');
  AppendKey(line, "steps");
  line.push_back('[');
  for (size_t i = 0; i < steps.size(); ++i) {
    if (i > 0) line.push_back(',');
    AppendStep(line, steps[i]);
  }
  line.push_back(']');
  AppendKey(line, "levels");
  line.push_back('[');
  bool first_row = true;
  for (const LevelRow& row : LevelRows(settings, steps)) {
    if (!first_row) line.push_back(',');
    first_row = false;
    line.push_back('{');
    AppendKey(line, "level");
    AppendNumber(line, row.level);
    AppendKey(line, "line");
    if (row.line == kEndMarker) {
      line.append("null");
    } else {
      AppendStep(line, row.line);
    }
    AppendKey(line, "bought");
    line.push_back('{');
    for (int stat = 0; stat < kStatCount; ++stat) {
      if (row.bought[stat] == 0) continue;
      AppendKey(line, kRecordValueLabels[stat]);
      AppendNumber(line, row.bought[stat]);
    }
    line.push_back('}');
    AppendKey(line, "values");
    line.push_back('{');
    for (int i = 0; i < kValueCount; ++i) {
      AppendKey(line, kRecordValueLabels[i]);
      AppendNumber(line, row.after.values[i]);
    }
    AppendKey(line, kRecordValueLabels[kValueCount]);
    AppendNumber(line, row.after.points);
    line.push_back('}');
    line.push_back('}');
  }
  line.push_back(']');
  line.push_back('}');
  PrintLine(line);
}

}  // namespace growth
