#include "engine/settings.h"

#include <cstring>

#include "engine/snapshot_stack.h"

namespace growth {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

enum class Field { kLevelCap, kTarget, kType, kBonusRate, kResultPath };

struct Option {
  std::string_view name;
  Field field;
  int target_index;  // for kTarget only
};

// The order of this table is the order in which each argument is tested.
constexpr std::array<Option, 11> kOptions = {{
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
}};

std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted.push_back('"');
  quoted.append(text);
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

bool ParseArguments(int argc, const char* const* argv, RunSettings& settings, std::string& error) {
  // The texts behind the values that get checked once the scan is done, so
  // that a later occurrence of an option can still replace a bad one.
  const char* type_text = nullptr;
  const char* cap_text = nullptr;
  const char* path_text = nullptr;

  int i = 1;
  while (i < argc) {
    for (const Option& option : kOptions) {
      if (option.name != argv[i]) continue;
      ++i;
      if (i >= argc) {
        error = "option " + std::string(option.name) + " needs a value";
        return false;
      }
      const char* value = argv[i];
      switch (option.field) {
        case Field::kLevelCap:
          settings.level_cap = ParseInteger(value);
          cap_text = value;
          break;
        case Field::kTarget:
          settings.targets[option.target_index] = ParseInteger(value);
          break;
        case Field::kType:
          settings.type = ParseInteger(value);
          type_text = value;
          break;
        case Field::kBonusRate:
          settings.bonus_rate = ParseInteger(value);
          break;
        case Field::kResultPath:
          path_text = value;
          break;
      }
    }
    ++i;
  }

  if (settings.type < 0 || settings.type >= kTypeCount) {
    error = "type " + ValueText(type_text, settings.type) + " is outside 0 to " +
            std::to_string(kTypeCount - 1);
    return false;
  }
  if (settings.level_cap > kMaxLevelCap) {
    error = "level cap " + ValueText(cap_text, settings.level_cap) + " is above " +
            std::to_string(kMaxLevelCap) + ", the longest plan the search can hold";
    return false;
  }
  if (path_text != nullptr) {
    const size_t length = std::strlen(path_text);
    if (length >= settings.result_path.size()) {
      error = "result path is " + std::to_string(length) + " bytes, longer than " +
              std::to_string(settings.result_path.size() - 1) + ": " + Quoted(path_text);
      return false;
    }
    std::memcpy(settings.result_path.data(), path_text, length + 1);
  }
  return true;
}

}  // namespace growth
