#include "tests/scratch.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace growth::testing {

ScratchDirectory::ScratchDirectory() {
  std::string pattern = ::testing::TempDir() + "growth_planner_XXXXXX";
  const char* made = mkdtemp(pattern.data());
  if (made == nullptr) ADD_FAILURE() << "cannot make a scratch directory";
  path_ = pattern;
}

ScratchDirectory::~ScratchDirectory() {
  if (path_.empty()) return;
  const std::string command = "chmod -R u+w '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'";
  [[maybe_unused]] const int rc = system(command.c_str());
}

std::vector<std::string> ScratchDirectory::Entries() const {
  std::vector<std::string> names;
  DIR* dir = opendir(path_.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

bool FileExists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

}  // namespace growth::testing
