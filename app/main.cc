// growth-planner: appends every growth plan that meets the targets to the
// result file. Exit status: 0 when every qualifying record is in the file,
// 1 when some could not be written, 2 when the command line is refused.
#include <cstdio>
#include <memory>
#include <string>

#include "engine/search.h"
#include "engine/settings.h"
#include "report/result_file.h"

namespace {

constexpr int kExitAllWritten = 0;
constexpr int kExitRecordsLost = 1;
constexpr int kExitRefused = 2;

}  // namespace

int main(int argc, char** argv) {
  growth::RunSettings settings;
  std::string error;
  if (!growth::ParseArguments(argc, argv, settings, error)) {
    std::fprintf(stderr, "growth-planner: %s\n", error.c_str());
    return kExitRefused;
  }
  // The snapshot stack is large; it lives on the heap for the whole run.
  auto search = std::make_unique<growth::PlanSearch>(settings);
  growth::ResultFileWriter writer(settings);
  search->Run(writer);
  return writer.records_lost() == 0 ? kExitAllWritten : kExitRecordsLost;
}
