// Scratch directories and whole-file helpers for tests.
#ifndef GROWTH_PLANNER_TESTS_SCRATCH_H_
#define GROWTH_PLANNER_TESTS_SCRATCH_H_

#include <string>
#include <vector>

namespace growth::testing {

// A fresh directory under the test temporary directory, removed with
// everything in it when the object goes.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Names of the entries in the directory, sorted.
  std::vector<std::string> Entries() const;

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);

}  // namespace growth::testing

#endif  // GROWTH_PLANNER_TESTS_SCRATCH_H_
