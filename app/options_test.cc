#include "app/options.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "engine/search/snapshot_stack.h"

namespace growth {
namespace {

struct Parsed {
  bool accepted;
  RunSettings settings;
  std::string error;
};

Parsed Parse(std::vector<std::string> args) {
  args.insert(args.begin(), "growth-planner");
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  Parsed parsed{false, RunSettings{}, ""};
  parsed.accepted =
      ParseArguments(static_cast<int>(args.size()), argv.data(), parsed.settings, parsed.error);
  return parsed;
}

std::string PathOf(const Parsed& parsed) { return parsed.settings.ResultPath(); }

TEST(ParseIntegerTest, DigitsAndSigns) {
  EXPECT_EQ(ParseInteger("0"), 0);
  EXPECT_EQ(ParseInteger("19"), 19);
  EXPECT_EQ(ParseInteger("+7"), 7);
  EXPECT_EQ(ParseInteger("-7"), -7);
  EXPECT_EQ(ParseInteger("007"), 7);
  EXPECT_EQ(ParseInteger("+-5"), 0);
  EXPECT_EQ(ParseInteger("--5"), 0);
  EXPECT_EQ(ParseInteger("- 5"), 0);
}

TEST(ParseIntegerTest, StopsAtFirstNonDigit) {
  EXPECT_EQ(ParseInteger("abc"), 0);
  EXPECT_EQ(ParseInteger(""), 0);
  EXPECT_EQ(ParseInteger(" 12x"), 12);
  EXPECT_EQ(ParseInteger("1e3"), 1);
  EXPECT_EQ(ParseInteger("3.9"), 3);
  EXPECT_EQ(ParseInteger("-o"), 0);
}

TEST(ParseIntegerTest, ExactlyTheSixWhiteSpaceBytes) {
  EXPECT_EQ(ParseInteger(" \t\n\v\f\r42"), 42);
  EXPECT_EQ(ParseInteger("\t-8"), -8);
  EXPECT_EQ(ParseInteger("\x85"
                         "5"),
            0);  // never white space, whatever the locale
  EXPECT_EQ(ParseInteger("\xA0"
                         "5"),
            0);
  EXPECT_EQ(ParseInteger("\x1C"
                         "5"),
            0);
  EXPECT_EQ(ParseInteger("- 5"), 0);
}

TEST(ParseIntegerTest, WrapsModulo2To32) {
  EXPECT_EQ(ParseInteger("4294967297"), 1);
  EXPECT_EQ(ParseInteger("2147483647"), INT_MAX);
  EXPECT_EQ(ParseInteger("2147483648"), INT_MIN);
  EXPECT_EQ(ParseInteger("-2147483648"), INT_MIN);
  EXPECT_EQ(ParseInteger("4294967295"), -1);
  EXPECT_EQ(ParseInteger("-4294967295"), 1);
  // 10^20 mod 2^32 = 1661992960.
  EXPECT_EQ(ParseInteger("100000000000000000000"), 1661992960);
  EXPECT_EQ(ParseInteger(std::string(500, '9')), ParseInteger(std::string(500, '9') + "x"));
}

TEST(ParseArgumentsTest, Defaults) {
  const Parsed parsed = Parse({});
  ASSERT_TRUE(parsed.accepted);
  EXPECT_EQ(parsed.settings.level_cap, 19);
  EXPECT_EQ(parsed.settings.type, 8);
  EXPECT_EQ(parsed.settings.bonus_rate, 50);
  EXPECT_EQ(parsed.settings.targets, ValueVector{});
  EXPECT_EQ(PathOf(parsed), "OUTPUT.txt");
}

TEST(ParseArgumentsTest, EveryOptionSetsItsField) {
  const Parsed parsed =
      Parse({"-s", "1",  "-h", "2",  "-i", "3",  "-f",  "4",  "-m", "5",  "-x",
             "6",  "-a", "7",  "-c", "23", "-r", "-40", "-l", "6",  "-o", "r.txt"});
  ASSERT_TRUE(parsed.accepted) << parsed.error;
  EXPECT_EQ(parsed.settings.targets, (ValueVector{1, 2, 3, 4, 5, 6, 7, 0, 0, 0, 0}));
  EXPECT_EQ(parsed.settings.type, 23);
  EXPECT_EQ(parsed.settings.bonus_rate, -40);
  EXPECT_EQ(parsed.settings.level_cap, 6);
  EXPECT_EQ(PathOf(parsed), "r.txt");
}

TEST(ParseArgumentsTest, SeveralOptionsInAnyOrder) {
  const Parsed parsed = Parse({"-c", "0", "-s", "10", "-l", "5"});
  ASSERT_TRUE(parsed.accepted);
  EXPECT_EQ(parsed.settings.type, 0);
  EXPECT_EQ(parsed.settings.targets[kStab], 10);
  EXPECT_EQ(parsed.settings.level_cap, 5);
}

TEST(ParseArgumentsTest, LastOccurrenceWins) {
  EXPECT_EQ(Parse({"-l", "3", "-l", "7"}).settings.level_cap, 7);
  EXPECT_EQ(PathOf(Parse({"-o", "a", "-o", "b"})), "b");
  // A type or cap replaced later is never looked at; every path must fit
  // its field.
  EXPECT_TRUE(Parse({"-c", "30", "-c", "3"}).accepted);
  EXPECT_TRUE(Parse({"-l", "9000", "-l", "3"}).accepted);
  EXPECT_FALSE(Parse({"-o", std::string(300, 'p'), "-o", "ok"}).accepted);
}

TEST(ParseArgumentsTest, UnknownArgumentsAreSkipped) {
  const Parsed upper = Parse({"-L", "5"});
  ASSERT_TRUE(upper.accepted);
  EXPECT_EQ(upper.settings.level_cap, 19);
  const Parsed stray = Parse({"hello", "-l", "4", "--", "-", "-lx"});
  ASSERT_TRUE(stray.accepted);
  EXPECT_EQ(stray.settings.level_cap, 4);
}

TEST(ParseArgumentsTest, ValuesConvertWithoutComplaint) {
  EXPECT_EQ(Parse({"-l", "abc"}).settings.level_cap, 0);
  EXPECT_EQ(Parse({"-l", " 12x"}).settings.level_cap, 12);
  EXPECT_EQ(Parse({"-s", "4294967297"}).settings.targets[kStab], 1);
  EXPECT_EQ(Parse({"-r", "2147483647"}).settings.bonus_rate, INT_MAX);
}

TEST(ParseArgumentsTest, ValueSpelledLikeALaterOptionIsAlsoThatOption) {
  const Parsed parsed = Parse({"-l", "-o", "x.txt"});
  ASSERT_TRUE(parsed.accepted);
  EXPECT_EQ(parsed.settings.level_cap, 0);
  EXPECT_EQ(PathOf(parsed), "x.txt");

  // -s takes "-c" as 0, "-c" then takes "5" as the type.
  const Parsed chained = Parse({"-s", "-c", "5"});
  ASSERT_TRUE(chained.accepted);
  EXPECT_EQ(chained.settings.targets[kStab], 0);
  EXPECT_EQ(chained.settings.type, 5);
}

TEST(ParseArgumentsTest, ValueSpelledLikeAnEarlierOptionIsNot) {
  const Parsed parsed = Parse({"-c", "-l", "5"});
  ASSERT_TRUE(parsed.accepted);
  EXPECT_EQ(parsed.settings.type, 0);
  EXPECT_EQ(parsed.settings.level_cap, 19);
}

TEST(ParseArgumentsTest, ResultPathIsCopiedWhole) {
  EXPECT_EQ(PathOf(Parse({"-o", "results.txt"})), "results.txt");
  EXPECT_EQ(PathOf(Parse({"-o", "dir with space/r\xE7.txt"})), "dir with space/r\xE7.txt");
  EXPECT_EQ(PathOf(Parse({"-o", "-l"})), "-l");  // -o is tested last: nothing follows it
}

TEST(ParseArgumentsTest, RefusesAnOptionWithoutAValue) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"-l"}, {"-o"}, {"-c", "3", "-r"}, {"-l", "-c"}, {"-s", "-o"}}) {
    const Parsed parsed = Parse(args);
    EXPECT_FALSE(parsed.accepted) << args.back();
    EXPECT_EQ(parsed.error, "option " + args.back() + " needs a value");
  }
}

TEST(ParseArgumentsTest, RefusesTypesOutsideTheTable) {
  EXPECT_TRUE(Parse({"-c", "0"}).accepted);
  EXPECT_TRUE(Parse({"-c", "23"}).accepted);
  const Parsed high = Parse({"-c", "24"});
  EXPECT_FALSE(high.accepted);
  EXPECT_EQ(high.error, "type \"24\" is outside 0 to 23");
  EXPECT_FALSE(Parse({"-c", "-1"}).accepted);
  EXPECT_FALSE(Parse({"-c", "4294967320"}).accepted);  // wraps to 24
}

TEST(ParseArgumentsTest, RefusesCapsWhosePlansOutgrowTheStack) {
  EXPECT_TRUE(Parse({"-l", "255"}).accepted);
  EXPECT_TRUE(Parse({"-l", std::to_string(kMaxLevelCap)}).accepted);
  EXPECT_TRUE(Parse({"-l", "-2147483648"}).accepted);
  const Parsed over = Parse({"-l", std::to_string(kMaxLevelCap + 1)});
  EXPECT_FALSE(over.accepted);
  EXPECT_NE(over.error.find("level cap \"" + std::to_string(kMaxLevelCap + 1) + "\""),
            std::string::npos);
  EXPECT_FALSE(Parse({"-l", "2147483647"}).accepted);
}

TEST(ParseArgumentsTest, ResultPathHoldsAtMost255Bytes) {
  const std::string longest(255, 'a');
  EXPECT_EQ(PathOf(Parse({"-o", longest})), longest);
  const Parsed over = Parse({"-o", longest + "a"});
  EXPECT_FALSE(over.accepted);
  EXPECT_NE(over.error.find("256 bytes"), std::string::npos);
}

TEST(MaxLevelCapTest, FollowsFromTheStackCapacity) {
  // Levels 2..255 grant 1598 points in all; a plan of n steps needs cursor n.
  EXPECT_EQ(PointsGrantedUpTo(255), 1598);
  EXPECT_EQ(PointsGrantedUpTo(100000), 1598);
  EXPECT_EQ(LongestPlanSteps(1), 0);
  EXPECT_EQ(LongestPlanSteps(-7), 0);
  EXPECT_EQ(LongestPlanSteps(3), 2 + 4);
  EXPECT_EQ(LongestPlanSteps(kMaxLevelCap), kMaxDepth - 1);
  EXPECT_EQ(kMaxLevelCap, 8402);
}

}  // namespace
}  // namespace growth

namespace growth {
namespace {

TEST(ParseArgumentsTest, RefusalsStayOnOneLine) {
  std::string error;
  const char* type_argv[] = {"growth-planner", "-c", "\t\n99\r", nullptr};
  RunSettings settings;
  EXPECT_FALSE(ParseArguments(3, type_argv, settings, error));
  EXPECT_EQ(error, "type \"\\x09\\x0a99\\x0d\" is outside 0 to 23");

  const char* limit_argv[] = {"growth-planner", "--limit", "a\"b\\c\x7f", nullptr};
  RunSettings other;
  EXPECT_FALSE(ParseArguments(3, limit_argv, other, error));
  EXPECT_NE(error.find("\"a\\\"b\\\\c\\x7f\""), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace growth

namespace growth {
namespace {

TEST(ParseArgumentsTest, HostileValuesConvertAsDocumented) {
  const struct {
    std::string text;
    int32_t value;
  } cases[] = {
      {"", 0},
      {" ", 0},
      {"-", 0},
      {"+", 0},
      {"-0", 0},
      {"+2", 2},
      {"\t\n7", 7},
      {"\xff\xfe", 0},
      {"\x01\x02\x03", 0},
      {"\xd9\xa3", 0},  // a non-ASCII digit is no digit
      {"2147483648", INT32_MIN},
      {"-2147483649", INT32_MAX},
      {"99999999999999999999", 1661992959},  // 10^20 - 1 mod 2^32
      {"1e9", 1},
      {"0x10", 0},
      {std::string(10000, '0') + "42", 42},
  };
  // The options whose value is an integer, and where each lands.
  const struct {
    const char* name;
    int32_t RunSettings::*field;
    int target;  // index into targets when field is null
  } options[] = {
      {"-s", nullptr, kStab}, {"-h", nullptr, kHack},
      {"-i", nullptr, kInt},  {"-f", nullptr, kDef},
      {"-m", nullptr, kMr},   {"-x", nullptr, kDex},
      {"-a", nullptr, kAgi},  {"-r", &RunSettings::bonus_rate, 0},
  };
  for (const auto& option : options) {
    for (const auto& c : cases) {
      const Parsed parsed = Parse({option.name, c.text});
      ASSERT_TRUE(parsed.accepted) << option.name << " " << c.text;
      const int32_t got = option.field != nullptr ? parsed.settings.*option.field
                                                  : parsed.settings.targets[option.target];
      EXPECT_EQ(got, c.value) << option.name << " [" << c.text << "]";
    }
  }
  // The cap and the type take the same conversion, within their limits.
  EXPECT_FALSE(Parse({"-l", "-2147483649"}).accepted);  // wraps to a cap far too large
  EXPECT_EQ(Parse({"-l", "-4294967295"}).settings.level_cap, 1);
  EXPECT_EQ(Parse({"-c", "+2"}).settings.type, 2);
  EXPECT_EQ(Parse({"-c", "\xd9\xa3"}).settings.type, 0);
}

TEST(ParseArgumentsTest, LongArgumentVectorsAndManyRepeats) {
  std::vector<std::string> args;
  for (int i = 0; i < 50000; ++i) args.insert(args.end(), {"-s", std::to_string(i), "noise"});
  args.insert(args.end(), {"-o", "last.txt"});
  const Parsed parsed = Parse(args);
  ASSERT_TRUE(parsed.accepted);
  EXPECT_EQ(parsed.settings.targets[kStab], 49999);
  EXPECT_EQ(PathOf(parsed), "last.txt");
}

TEST(ParseArgumentsTest, ReachStandsAloneAmongTheModes) {
  EXPECT_TRUE(Parse({"--reach", "-s", "9", "-o", "unused.txt"}).settings.reach);
  EXPECT_TRUE(Parse({"-c", "3", "--reach"}).accepted);
  EXPECT_TRUE(Parse({"--reach", "--progress"}).accepted);
  for (const std::vector<std::string>& other : {std::vector<std::string>{"--count"},
                                                {"--max", "HP"},
                                                {"--min", "S"},
                                                {"--limit", "3"},
                                                {"--skip", "0"},
                                                {"--shard", "1/2"},
                                                {"--resume"},
                                                {"--buffered"}}) {
    std::vector<std::string> args = {"--reach"};
    args.insert(args.end(), other.begin(), other.end());
    const Parsed parsed = Parse(args);
    EXPECT_FALSE(parsed.accepted) << other[0];
    EXPECT_EQ(parsed.error, "--reach cannot be combined with " + other[0]);
  }
}

}  // namespace
}  // namespace growth

namespace growth {
namespace {

TEST(ParseArgumentsTest, AnswersForPlayersRefuseWhatTheyCannotDescribe) {
  const struct {
    std::vector<std::string> args;
    const char* error;  // nullptr when accepted
  } cases[] = {
      {{"--explain", "--max", "HP"}, nullptr},
      {{"--explain", "--min", "WT", "--limit", "4"}, nullptr},
      {{"--explain", "--limit", "1"}, nullptr},
      {{"--explain", "--limit", "1", "--buffered", "--utf8"}, nullptr},
      {{"--explain"}, "--explain needs --max, --min or --limit 1"},
      {{"--explain", "--limit", "2"}, "--explain needs --max, --min or --limit 1"},
      {{"--explain", "--count"}, "--explain cannot be combined with --count"},
      {{"--explain", "--reach"}, "--explain cannot be combined with --reach"},
      {{"--explain", "--limit", "1", "--skip", "3"}, "--explain cannot be combined with --skip"},
      {{"--explain", "--limit", "1", "--shard", "1/2"},
       "--explain cannot be combined with --shard"},
      {{"--explain", "--limit", "1", "--resume"}, "--explain cannot be combined with --resume"},
      {{"--explain", "--limit", "1", "--progress"}, "--explain cannot be combined with --progress"},
      {{"--lowest-cap", "-s", "30", "-l", "4"}, nullptr},
      {{"--lowest-cap", "--reach"}, "--lowest-cap cannot be combined with --reach"},
      {{"--lowest-cap", "--max", "HP"}, "--lowest-cap cannot be combined with --max"},
      {{"--lowest-cap", "--explain"}, "--lowest-cap cannot be combined with --explain"},
      {{"--lowest-cap", "--limit", "1"}, "--lowest-cap cannot be combined with --limit"},
      {{"--lowest-cap", "--buffered"}, "--lowest-cap cannot be combined with --buffered"},
      {{"--lowest-cap", "--progress"}, nullptr},
      {{"--json", "--count"}, nullptr},
      {{"--json", "--lowest-cap"}, nullptr},
      {{"--json", "--explain", "--min", "SP"}, nullptr},
      {{"--json"}, "--json needs --count, --reach, --lowest-cap or --explain"},
      {{"--json", "--max", "HP"}, "--json needs --count, --reach, --lowest-cap or --explain"},
      {{"--memory", "64M"}, nullptr},
      {{"--memory", "3g", "--count"}, nullptr},
      {{"--memory", "64"}, "--memory takes a positive integer followed by K, M or G, not \"64\""},
      {{"--memory", "0K"}, "--memory takes a positive integer followed by K, M or G, not \"0K\""},
      {{"--memory", "-1M"}, "--memory takes a positive integer followed by K, M or G, not \"-1M\""},
      {{"--memory", "1.5G"},
       "--memory takes a positive integer followed by K, M or G, not \"1.5G\""},
      {{"--memory", "8589934592G"},
       "--memory takes a positive integer followed by K, M or G, not \"8589934592G\""},
      {{"--utf8", "--max", "HP"}, nullptr},
      {{"--utf8", "--resume"}, "--utf8 cannot be combined with --resume"},
  };
  for (const auto& c : cases) {
    const Parsed parsed = Parse(c.args);
    EXPECT_EQ(parsed.accepted, c.error == nullptr) << c.args[0] << " " << c.args[1];
    if (c.error != nullptr) {
      EXPECT_EQ(parsed.error, c.error);
    }
  }
  EXPECT_EQ(Parse({"--memory", "3g"}).settings.memory_bytes, size_t{3} << 30);
  EXPECT_EQ(Parse({"--memory", "5K"}).settings.memory_bytes, size_t{5} << 10);
  EXPECT_EQ(Parse({"--memory", "8589934591G"}).settings.memory_bytes, size_t{8589934591} << 30);
  EXPECT_EQ(Parse({}).settings.memory_bytes, 0u);
}

}  // namespace
}  // namespace growth
