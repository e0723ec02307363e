// Case tables kept as JSON Lines files: one JSON object per non-blank line.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "json/reader.h"

namespace kovi_test {

// The *.jsonl files of a directory, in name order.
inline std::vector<std::filesystem::path> jsonl_files(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.path().extension() == ".jsonl") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

// Calls fn(case value, where) for every non-blank line of `file`, `where`
// naming the file, the line number and the line for failure messages. A
// line that is not JSON fails the test.
template <typename Fn>
void for_each_case(const std::filesystem::path& file, Fn&& fn) {
  std::ifstream in(file);
  ASSERT_TRUE(in) << file;
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    ++n;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    auto parsed = kovi::json::read(line);
    ASSERT_TRUE(parsed.ok()) << file.filename() << ":" << n << ": " << parsed.error;
    fn(parsed.value, file.filename().string() + ":" + std::to_string(n) + ": " + line);
  }
}

}  // namespace kovi_test
