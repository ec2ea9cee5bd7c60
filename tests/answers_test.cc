// The answers a player reads, run through the built program: --utf8,
// --explain, --lowest-cap, --json and --memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "engine/search/step_rules.h"
#include "report/utf8_names.h"
#include "tests/program_runner.h"
#include "tests/shift_jis.h"

namespace growth::testing {
namespace {

class AnswersTest : public ::testing::Test {
 protected:
  ProgramResult Run(std::vector<std::string> args) { return RunProgram(dir_.path(), args); }
  ScratchDirectory dir_;
};

TEST_F(AnswersTest, Utf8SpellsTheSameRecordsInUtf8) {
  const std::vector<std::vector<std::string>> runs = {
      {"-c", "9", "-l", "4", "-s", "7", "--limit", "40"},
      {"-c", "20", "-l", "6", "-h", "6", "--max", "HP", "--limit", "3"},
      {"-c", "2", "-l", "3", "--buffered"},
  };
  for (const std::vector<std::string>& run : runs) {
    std::vector<std::string> plain = run;
    plain.insert(plain.end(), {"-o", "plain.txt"});
    std::vector<std::string> utf8 = run;
    utf8.insert(utf8.end(), {"--utf8", "-o", "utf8.txt"});
    ASSERT_EQ(Run(plain).exit_status, 0) << run[1];
    ASSERT_EQ(Run(utf8).exit_status, 0) << run[1];
    const std::string shift_jis = ReadFile(dir_.File("plain.txt"));
    ASSERT_FALSE(shift_jis.empty());
    EXPECT_EQ(ReadFile(dir_.File("utf8.txt")), DecodeShiftJis(shift_jis)) << run[1];
    std::remove(dir_.File("plain.txt").c_str());
    std::remove(dir_.File("utf8.txt").c_str());
  }
  const ProgramResult refused = Run({"--utf8", "--resume"});
  EXPECT_EQ(refused.exit_status, 2);
  EXPECT_EQ(refused.err, "growth-planner: --utf8 cannot be combined with --resume\n");
}

TEST_F(AnswersTest, LowestCapIsOneLineAndWritesNothing) {
  const struct {
    std::vector<std::string> args;
    const char* out;
  } cases[] = {
      {{"-c", "0", "-s", "20", "-h", "12"}, "lowest cap: 9\n"},
      {{"-c", "0", "-s", "20", "-h", "12", "-l", "3"}, "lowest cap: 9\n"},  // -l is not used
      {{}, "lowest cap: 1\n"},
      {{"-a", "900"}, "no cap up to 255 lets a plan meet the targets\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("--lowest-cap");
    const ProgramResult result = Run(args);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, "");
  }
  // The cap it names is one at which a run writes records, and the cap
  // below it one at which it writes none.
  EXPECT_EQ(Run({"-c", "0", "-s", "20", "-h", "12", "-l", "9", "--count"}).out.rfind("records: 0"),
            std::string::npos);
  EXPECT_EQ(
      Run({"-c", "0", "-s", "20", "-h", "12", "-l", "8", "--count"}).out.rfind("records: 0", 0),
      0u);
  EXPECT_TRUE(dir_.Entries().empty());
}

// The rows a player should see for a record's plan: its step names (Shift_JIS,
// as the file has them) replayed one by one with the engine's step rules.
std::vector<std::string> ReplayedRows(const PlanSettings& settings, const std::string& record) {
  const StepRules rules(settings);
  PlanState state = StartingState(TypeRecordOf(settings.type));
  std::array<int32_t, kStatCount> bought{};
  std::string line = "-";
  std::vector<std::string> rows;
  const auto close_row = [&] {
    std::ostringstream row;
    row << state.level << ' ' << line;
    for (int32_t value : state.values) row << ' ' << value;
    row << ' ' << state.points;
    bool any = false;
    for (int stat = 0; stat < kStatCount; ++stat) {
      if (bought[stat] == 0) continue;
      row << ' ' << DisplayName(kFirstStatCode + stat) << '+' << bought[stat];
      any = true;
    }
    if (!any) row << " -";
    rows.push_back(row.str());
    bought = {};
  };
  std::istringstream names(record.substr(record.find('\n') + 1));
  std::string name;
  while (names >> name && name != "-") {
    StepCode code = kFirstStatCode;
    while (code <= kLastLineCode && DisplayName(code) != name) ++code;
    if (code > kLastLineCode) return {"unknown step " + name};
    if (code >= kFirstLineCode) {
      close_row();
      line = DecodeShiftJis(name);
    } else {
      ++bought[code - kFirstStatCode];
    }
    if (!rules.ApplyStep(state, code)) return {"step not taken: " + name};
  }
  close_row();
  return rows;
}

// The table's rows with their columns joined by single spaces; the heading
// lines and the column names are left out.
std::vector<std::vector<std::string>> TableRows(const std::string& out) {
  std::vector<std::vector<std::string>> tables;
  std::istringstream lines(out);
  std::string text;
  while (std::getline(lines, text)) {
    if (text.rfind("level ", 0) == 0) {
      tables.emplace_back();
      continue;
    }
    if (tables.empty() || text.empty() || text.rfind("plan ", 0) == 0 ||
        text.rfind("type ", 0) == 0) {
      continue;
    }
    std::istringstream cells(text);
    std::string cell;
    std::string row;
    while (cells >> cell) row += (row.empty() ? "" : " ") + cell;
    tables.back().push_back(row);
  }
  return tables;
}

TEST_F(AnswersTest, ExplainShowsThePlansOfTheRecordsLevelByLevel) {
  struct Case {
    PlanSettings settings;
    std::vector<std::string> mode;
    size_t plans;
  };
  const Case cases[] = {
      {{.level_cap = 8, .targets = {8, 0, 0, 0, 0, 10}, .type = 8},
       {"--max", "HP", "--limit", "3"},
       3},
      {{.level_cap = 6, .targets = {0, 0, 4, 0, 0, 0, 3}, .type = 13, .bonus_rate = 130},
       {"--min", "WT"},
       1},
      {{.level_cap = 5, .targets = {6}, .type = 8}, {"--limit", "1"}, 1},
      {{.level_cap = 1, .targets = {}, .type = 0}, {"--limit", "1"}, 1},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"-c",       std::to_string(c.settings.type),
                                     "-l",       std::to_string(c.settings.level_cap),
                                     "-r",       std::to_string(c.settings.bonus_rate),
                                     "--explain"};
    for (int stat = 0; stat < kStatCount; ++stat) {
      args.insert(args.end(),
                  {std::string("-") + "shifmxa"[stat], std::to_string(c.settings.targets[stat])});
    }
    args.insert(args.end(), c.mode.begin(), c.mode.end());
    const ProgramResult result = Run(args);
    ASSERT_EQ(result.exit_status, 0) << c.mode[0] << result.err;
    std::vector<std::string> records;
    ASSERT_TRUE(SplitRecords(ReadFile(dir_.File("OUTPUT.txt")), &records));
    ASSERT_EQ(records.size(), c.plans);
    const std::vector<std::vector<std::string>> tables = TableRows(result.out);
    ASSERT_EQ(tables.size(), c.plans) << result.out;
    for (size_t i = 0; i < c.plans; ++i) {
      std::vector<std::string> expected = ReplayedRows(c.settings, records[i]);
      EXPECT_EQ(tables[i], expected) << c.mode[0] << " plan " << i + 1 << "\n" << result.out;
      EXPECT_EQ(tables[i].size(), static_cast<size_t>(std::max(c.settings.level_cap, 1)));
    }
    // The result file is what the run writes without --explain.
    std::remove(dir_.File("OUTPUT.txt").c_str());
    args.erase(args.begin() + 6);
    ASSERT_EQ(Run(args).exit_status, 0);
    std::vector<std::string> plain;
    ASSERT_TRUE(SplitRecords(ReadFile(dir_.File("OUTPUT.txt")), &plain));
    EXPECT_EQ(plain, records);
    std::remove(dir_.File("OUTPUT.txt").c_str());
  }
}

TEST_F(AnswersTest, MemoryReplacesTheBuiltInBudgets) {
  const std::vector<std::vector<std::string>> answers = {
      {"-c", "0", "-l", "6", "-s", "12", "-h", "8", "--count"},
      {"-c", "8", "-l", "40", "-s", "12", "-x", "20", "--reach"},
      {"-c", "0", "-s", "40", "-h", "30", "-x", "30", "--lowest-cap"},
      // Two targets: with one, a bound over none of them fits in 1K, and
      // the search finds the plan within it.
      {"-c", "8", "-l", "12", "-s", "12", "-x", "12", "--max", "HP", "-o", "best.txt"},
  };
  for (const std::vector<std::string>& answer : answers) {
    const ProgramResult built_in = Run(answer);
    std::vector<std::string> args = answer;
    args.insert(args.end(), {"--memory", "64M"});
    const ProgramResult roomy = Run(args);
    EXPECT_EQ(roomy.exit_status, 0) << answer.back();
    EXPECT_EQ(roomy.out, built_in.out) << answer.back();
    args.back() = "1K";
    const ProgramResult cramped = Run(args);
    EXPECT_EQ(cramped.exit_status, 1) << answer.back();
    EXPECT_EQ(cramped.out, "") << answer.back();
    EXPECT_EQ(cramped.err.rfind("growth-planner: ", 0), 0u) << cramped.err;
    EXPECT_EQ(std::count(cramped.err.begin(), cramped.err.end(), '\n'), 1) << cramped.err;
  }
  // An ordinary run does without its tables: the same records, only slower.
  ASSERT_EQ(Run({"-c", "9", "-l", "4", "-s", "7", "-o", "a.txt"}).exit_status, 0);
  ASSERT_EQ(Run({"-c", "9", "-l", "4", "-s", "7", "-o", "b.txt", "--memory", "1K"}).exit_status, 0);
  EXPECT_EQ(ReadFile(dir_.File("a.txt")), ReadFile(dir_.File("b.txt")));
  const ProgramResult refused = Run({"--memory", "12", "--count"});
  EXPECT_EQ(refused.exit_status, 2);
  EXPECT_EQ(refused.err.rfind("growth-planner: --memory takes", 0), 0u);
}

// Reads JSON Lines with Python's json module and prints what they say in
// the words of the text answers, so the two can be compared.
constexpr char kJsonReader[] = R"(import json, sys
names = {"S": "STAB", "H": "HACK", "I": "INT", "F": "DEF", "M": "MR", "X": "DEX", "A": "AGI"}
for text in sys.stdin:
    o = json.loads(text)
    if "records" in o:
        print("records: %d" % o["records"])
        print("end states: %d" % o["end_states"])
    elif "highest" in o:
        for label, value in o["highest"].items():
            print(label, value)
    elif "lowest_cap" in o:
        print("lowest cap: %d" % o["lowest_cap"])
    else:
        assert [s["code"] for s in o["steps"]] and o["levels"][0]["line"] is None
        print("plan", o["plan"])
        for row in o["levels"]:
            line = row["line"]["name"] if row["line"] else "-"
            bought = ["%s+%d" % (names[k], n) for k, n in row["bought"].items()]
            print(row["level"], line, *row["values"].values(), *(bought or ["-"]))
)";

TEST_F(AnswersTest, JsonSaysWhatTheTextAnswersSay) {
  ASSERT_EQ(std::system("command -v python3 >/dev/null 2>&1"), 0)
      << "python3 is missing: tools/ensure-deps installs it";
  {
    std::FILE* script = std::fopen(dir_.File("reader.py").c_str(), "w");
    ASSERT_NE(script, nullptr);
    std::fputs(kJsonReader, script);
    std::fclose(script);
  }
  const auto read_back = [&](const std::string& json) {
    {
      std::FILE* lines = std::fopen(dir_.File("lines.json").c_str(), "w");
      std::fputs(json.c_str(), lines);
      std::fclose(lines);
    }
    const std::string command = "python3 " + dir_.File("reader.py") + " < " +
                                dir_.File("lines.json") + " > " + dir_.File("read.txt") + " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << ReadFile(dir_.File("read.txt"));
    return ReadFile(dir_.File("read.txt"));
  };
  for (const std::vector<std::string>& answer :
       {std::vector<std::string>{"-c", "0", "-l", "6", "-s", "12", "-h", "8", "--count"},
        {"-c", "8", "-l", "40", "-s", "12", "-x", "20", "--reach"},
        {"-c", "0", "-s", "20", "-h", "12", "--lowest-cap"}}) {
    const ProgramResult text = Run(answer);
    std::vector<std::string> args = answer;
    args.push_back("--json");
    const ProgramResult json = Run(args);
    ASSERT_EQ(json.exit_status, 0) << json.err;
    EXPECT_EQ(read_back(json.out), text.out) << json.out;
  }

  const PlanSettings settings{.level_cap = 7, .targets = {6, 0, 0, 0, 0, 8}, .type = 8};
  const ProgramResult json = Run({"-c", "8", "-l", "7", "-s", "6", "-x", "8", "--max", "MP",
                                  "--limit", "2", "--explain", "--json"});
  ASSERT_EQ(json.exit_status, 0) << json.err;
  std::vector<std::string> records;
  ASSERT_TRUE(SplitRecords(ReadFile(dir_.File("OUTPUT.txt")), &records));
  ASSERT_EQ(records.size(), 2u);
  std::string expected;
  for (size_t i = 0; i < records.size(); ++i) {
    expected += "plan " + std::to_string(i + 1) + "\n";
    for (const std::string& row : ReplayedRows(settings, records[i])) expected += row + "\n";
  }
  EXPECT_EQ(read_back(json.out), expected);

  const ProgramResult refused = Run({"--max", "HP", "--json"});
  EXPECT_EQ(refused.exit_status, 2);
  EXPECT_EQ(refused.err,
            "growth-planner: --json needs --count, --reach, --lowest-cap or --explain\n");
}

}  // namespace
}  // namespace growth::testing
