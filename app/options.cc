#include "app/options.h"

#include <cstdint>
#include <cstring>

#include "engine/search/snapshot_stack.h"

namespace growth {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

enum class Field {
  kLevelCap,
  kTarget,
  kType,
  kBonusRate,
  kResultPath,
  kHelp,
  kVersion,
  kCount,
  kLimit,
  kProgress,
  kSkip,
  kShard,
  kResume,
  kMax,
  kMin,
  kBuffered,
  kReach,
  kUtf8,
  kExplain,
  kLowestCap,
  kJson,
  kMemory,
};

struct Option {
  std::string_view name;
  Field field;
  int target_index;  // for kTarget only
};

// The order of this table is the order in which each argument is tested.
constexpr std::array<Option, 28> kOptions = {{
    {"-l", Field::kLevelCap, 0},
    {"-s", Field::kTarget, kStab},
    {"-h", Field::kTarget, kHack},
    {"-i", Field::kTarget, kInt},
    {"-f", Field::kTarget, kDef},
    {"-m", Field::kTarget, kMr},
    {"-x", Field::kTarget, kDex},
    {"-a", Field::kTarget, kAgi},
    {"-c", Field::kType, 0},
    {"-r", Field::kBonusRate, 0},
    {"-o", Field::kResultPath, 0},
    {"--help", Field::kHelp, 0},
    {"--version", Field::kVersion, 0},
    {"--count", Field::kCount, 0},
    {"--limit", Field::kLimit, 0},
    {"--progress", Field::kProgress, 0},
    {"--buffered", Field::kBuffered, 0},
    {"--skip", Field::kSkip, 0},
    {"--shard", Field::kShard, 0},
    {"--resume", Field::kResume, 0},
    {"--max", Field::kMax, 0},
    {"--min", Field::kMin, 0},
    {"--reach", Field::kReach, 0},
    {"--utf8", Field::kUtf8, 0},
    {"--explain", Field::kExplain, 0},
    {"--lowest-cap", Field::kLowestCap, 0},
    {"--json", Field::kJson, 0},
    {"--memory", Field::kMemory, 0},
}};

// A decimal integer from `least` up to 2^63 - 1: digits only.
bool ParseCount(std::string_view text, int64_t least, int64_t* count) {
  if (text.empty()) return false;
  while (text.size() > 1 && text.front() == '0') text.remove_prefix(1);
  if (text.size() > 19) return false;  // 19 digits still fit 64 bits
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value < static_cast<uint64_t>(least) || value > static_cast<uint64_t>(INT64_MAX)) {
    return false;
  }
  *count = static_cast<int64_t>(value);
  return true;
}

// A positive decimal integer and a unit, K, M or G (binary, either case),
// of at most 2^63 - 1 bytes. The unit is required: sort -S reads a bare
// number as KiB, a reader of this program might take it for bytes.
bool ParseSize(std::string_view text, size_t* bytes) {
  if (text.size() < 2) return false;
  int shift = 0;
  switch (text.back()) {
    case 'K':
    case 'k':
      shift = 10;
      break;
    case 'M':
    case 'm':
      shift = 20;
      break;
    case 'G':
    case 'g':
      shift = 30;
      break;
    default:
      return false;
  }
  int64_t count = 0;
  if (!ParseCount(text.substr(0, text.size() - 1), 1, &count) || count > (INT64_MAX >> shift)) {
    return false;
  }
  *bytes = static_cast<size_t>(count) << shift;
  return true;
}

// K/N with 1 <= K <= N, both decimal.
bool ParseShard(std::string_view text, int64_t* index, int64_t* count) {
  const size_t slash = text.find('/');
  if (slash == std::string_view::npos) return false;
  return ParseCount(text.substr(0, slash), 1, index) &&
         ParseCount(text.substr(slash + 1), 1, count) && *index <= *count;
}

// The text in double quotes for an error message, with control bytes, the
// quote and the backslash escaped so that the message stays on one line.
std::string Quoted(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted.push_back('"');
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted.push_back('\\');
      quoted.push_back(c);
    } else if (byte < 0x20 || byte == 0x7f) {
      quoted.append("\\x");
      quoted.push_back(kHex[byte >> 4]);
      quoted.push_back(kHex[byte & 0xf]);
    } else {
      quoted.push_back(c);
    }
  }
  quoted.push_back('"');
  return quoted;
}

// The argument a value came from, or the value itself when no argument set it.
std::string ValueText(const char* argument, int32_t value) {
  return argument != nullptr ? Quoted(argument) : std::to_string(value);
}

}  // namespace

int32_t ParseInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  uint32_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10u + static_cast<uint32_t>(text[i] - '0');
  }
  if (negative) magnitude = 0u - magnitude;
  return static_cast<int32_t>(magnitude);
}

namespace {

// The texts behind the values that get checked once the scan is done, so
// that a later occurrence of an option can still replace a bad one, and so
// that --help and --version are seen whatever comes before them. Every
// result path must fit the field: the first that does not is kept here.
struct ValueTexts {
  const char* type = nullptr;
  const char* cap = nullptr;
  const char* limit = nullptr;
  const char* skip = nullptr;
  const char* shard = nullptr;
  const char* max = nullptr;
  const char* min = nullptr;
  const char* long_path = nullptr;
  const char* memory = nullptr;
};

// Sets the flag of an option that takes no value; false for one that does.
bool SetFlag(Field field, RunSettings& settings) {
  switch (field) {
    case Field::kHelp:
      settings.show_help = true;
      return true;
    case Field::kVersion:
      settings.show_version = true;
      return true;
    case Field::kCount:
      settings.count_only = true;
      return true;
    case Field::kProgress:
      settings.show_progress = true;
      return true;
    case Field::kResume:
      settings.resume = true;
      return true;
    case Field::kBuffered:
      settings.buffered = true;
      return true;
    case Field::kReach:
      settings.reach = true;
      return true;
    case Field::kUtf8:
      settings.utf8 = true;
      return true;
    case Field::kExplain:
      settings.explain = true;
      return true;
    case Field::kLowestCap:
      settings.lowest_cap = true;
      return true;
    case Field::kJson:
      settings.json = true;
      return true;
    default:
      return false;
  }
}

// Takes the value of an option that has one: the numbers the scan reads as
// it goes, the rest as text for the checks after it.
void SetValue(const Option& option, const char* value, RunSettings& settings, ValueTexts& texts) {
  switch (option.field) {
    case Field::kLevelCap:
      settings.level_cap = ParseInteger(value);
      texts.cap = value;
      break;
    case Field::kTarget:
      settings.targets[option.target_index] = ParseInteger(value);
      break;
    case Field::kType:
      settings.type = ParseInteger(value);
      texts.type = value;
      break;
    case Field::kBonusRate:
      settings.bonus_rate = ParseInteger(value);
      break;
    case Field::kResultPath: {
      const size_t length = std::strlen(value);
      if (length < settings.result_path.size()) {
        std::memcpy(settings.result_path.data(), value, length + 1);
      } else if (texts.long_path == nullptr) {
        texts.long_path = value;
      }
      break;
    }
    case Field::kLimit:
      texts.limit = value;
      break;
    case Field::kSkip:
      texts.skip = value;
      break;
    case Field::kShard:
      texts.shard = value;
      break;
    case Field::kMax:
      texts.max = value;
      break;
    case Field::kMin:
      texts.min = value;
      break;
    case Field::kMemory:
      texts.memory = value;
      break;
    default:
      break;
  }
}

// The scan itself: false only when an option's value is missing.
bool ScanArguments(int argc, const char* const* argv, RunSettings& settings, ValueTexts& texts,
                   std::string& error) {
  int i = 1;
  while (i < argc) {
    for (const Option& option : kOptions) {
      if (option.name != argv[i]) continue;
      if (SetFlag(option.field, settings)) continue;
      ++i;
      if (i >= argc) {
        error = "option " + std::string(option.name) + " needs a value";
        return false;
      }
      SetValue(option, argv[i], settings, texts);
    }
    ++i;
  }
  return true;
}

// Each value the scan left as text, and the path, type and cap, checked.
bool CheckValues(const ValueTexts& texts, RunSettings& settings, std::string& error) {
  if (texts.long_path != nullptr) {
    error = "result path is " + std::to_string(std::strlen(texts.long_path)) +
            " bytes, longer than " + std::to_string(settings.result_path.size() - 1) + ": " +
            Quoted(texts.long_path);
    return false;
  }
  if (settings.type < 0 || settings.type >= kTypeCount) {
    error = "type " + ValueText(texts.type, settings.type) + " is outside 0 to " +
            std::to_string(kTypeCount - 1);
    return false;
  }
  if (settings.level_cap > kMaxLevelCap) {
    error = "level cap " + ValueText(texts.cap, settings.level_cap) + " is above " +
            std::to_string(kMaxLevelCap) + ", the longest plan the search can hold";
    return false;
  }
  if (texts.limit != nullptr && !ParseCount(texts.limit, 1, &settings.record_limit)) {
    error = "--limit takes a positive decimal integer up to 9223372036854775807, not " +
            Quoted(texts.limit);
    return false;
  }
  if (texts.skip != nullptr && !ParseCount(texts.skip, 0, &settings.skip.emplace())) {
    error =
        "--skip takes a decimal integer from 0 to 9223372036854775807, not " + Quoted(texts.skip);
    return false;
  }
  if (texts.shard != nullptr &&
      !ParseShard(texts.shard, &settings.shard_index, &settings.shard_count)) {
    error = "--shard takes K/N, decimal integers with 1 <= K <= N, not " + Quoted(texts.shard);
    return false;
  }
  if (texts.memory != nullptr && !ParseSize(texts.memory, &settings.memory_bytes)) {
    error = "--memory takes a positive integer followed by K, M or G, not " + Quoted(texts.memory);
    return false;
  }
  for (const char* goal_text : {texts.max, texts.min}) {
    if (goal_text == nullptr) continue;
    settings.goal = goal_text == texts.max ? RunSettings::Goal::kMax : RunSettings::Goal::kMin;
    int label = 0;
    while (label <= kValueCount && kRecordValueLabels[label] != goal_text) ++label;
    if (label > kValueCount) {
      error = std::string(goal_text == texts.max ? "--max" : "--min") +
              " takes one of S H I F M X A HP MP SP WT Point, not " + Quoted(goal_text);
      return false;
    }
    settings.goal_value = label;
  }
  return true;
}

// The options that cannot go together.
bool CheckCombinations(const ValueTexts& texts, const RunSettings& settings, std::string& error) {
  if (texts.max != nullptr && texts.min != nullptr) {
    error = "--max and --min cannot be combined";
    return false;
  }
  if (settings.reach) {
    const char* other = settings.count_only      ? "--count"
                        : texts.max != nullptr   ? "--max"
                        : texts.min != nullptr   ? "--min"
                        : texts.limit != nullptr ? "--limit"
                        : texts.skip != nullptr  ? "--skip"
                        : texts.shard != nullptr ? "--shard"
                        : settings.resume        ? "--resume"
                        : settings.buffered      ? "--buffered"
                                                 : nullptr;
    if (other != nullptr) {
      error = std::string("--reach cannot be combined with ") + other;
      return false;
    }
  }
  if (settings.goal != RunSettings::Goal::kNone) {
    const char* other = settings.count_only      ? "--count"
                        : texts.skip != nullptr  ? "--skip"
                        : texts.shard != nullptr ? "--shard"
                        : settings.resume        ? "--resume"
                                                 : nullptr;
    if (other != nullptr) {
      error = std::string(texts.max != nullptr ? "--max" : "--min") + " cannot be combined with " +
              other;
      return false;
    }
  }
  // A resumed run reads its last record back by the Shift_JIS names.
  if (settings.utf8 && settings.resume) {
    error = "--utf8 cannot be combined with --resume";
    return false;
  }
  // --lowest-cap answers for the targets alone: it runs and writes nothing.
  if (settings.lowest_cap) {
    const char* other = settings.count_only      ? "--count"
                        : settings.reach         ? "--reach"
                        : texts.max != nullptr   ? "--max"
                        : texts.min != nullptr   ? "--min"
                        : settings.explain       ? "--explain"
                        : texts.limit != nullptr ? "--limit"
                        : texts.skip != nullptr  ? "--skip"
                        : texts.shard != nullptr ? "--shard"
                        : settings.resume        ? "--resume"
                        : settings.buffered      ? "--buffered"
                                                 : nullptr;
    if (other != nullptr) {
      error = std::string("--lowest-cap cannot be combined with ") + other;
      return false;
    }
  }
  // --explain lays out the plans a mode chooses: the best ones, or the
  // first record of a run that writes only that one from its start.
  if (settings.explain) {
    const char* other = settings.count_only ? "--count" : settings.reach ? "--reach" : nullptr;
    if (other == nullptr && settings.goal == RunSettings::Goal::kNone) {
      other = texts.skip != nullptr    ? "--skip"
              : texts.shard != nullptr ? "--shard"
              : settings.resume        ? "--resume"
              : settings.show_progress ? "--progress"
                                       : nullptr;
      if (other == nullptr && settings.record_limit != 1) {
        error = "--explain needs --max, --min or --limit 1";
        return false;
      }
    }
    if (other != nullptr) {
      error = std::string("--explain cannot be combined with ") + other;
      return false;
    }
  }
  // Records are the result file's; JSON describes only the printed answers.
  if (settings.json && !settings.count_only && !settings.reach && !settings.lowest_cap &&
      !settings.explain) {
    error = "--json needs --count, --reach, --lowest-cap or --explain";
    return false;
  }
  return true;
}

}  // namespace

bool ParseArguments(int argc, const char* const* argv, RunSettings& settings, std::string& error) {
  ValueTexts texts;
  return ScanArguments(argc, argv, settings, texts, error) && CheckValues(texts, settings, error) &&
         CheckCombinations(texts, settings, error);
}

}  // namespace growth
