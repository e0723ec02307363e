// Feeds request/response pairs through the exported functions exactly as a
// host does. Each file under tests/cases is JSON Lines; every non-blank line
// is one case:
//   {"request": <request value>, "response": <expected response value>}
//   {"raw": "<request text sent as is>", "response": ...}
// "request" is sent as its compact JSON text; "raw" is for text that is not
// a JSON value (malformed input, exact bytes). Responses are compared as
// text after writing the expected value compactly, so member order, number
// forms and escapes all count.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "abi_support.h"
#include "json/reader.h"
#include "json/writer.h"

namespace {

namespace fs = std::filesystem;
using kovi::json::Value;

std::vector<fs::path> case_files() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(KOVI_CASES_DIR))
    if (entry.path().extension() == ".jsonl") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

class CaseFile : public ::testing::TestWithParam<fs::path> {};

TEST_P(CaseFile, EveryCaseAnswersAsRecorded) {
  std::ifstream in(GetParam());
  ASSERT_TRUE(in) << GetParam();
  std::string line;
  int n = 0;
  int cases = 0;
  while (std::getline(in, line)) {
    ++n;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    auto parsed = kovi::json::read(line);
    ASSERT_TRUE(parsed.ok()) << GetParam().filename() << ":" << n << ": " << parsed.error;
    const Value& c = parsed.value;
    const Value* response = c.find("response");
    ASSERT_NE(response, nullptr) << GetParam().filename() << ":" << n << ": case has no response";
    std::string sent = c.find("raw") ? std::string(c.get("raw").as_string()) : kovi::json::to_json(c.get("request"));
    std::string got = kovi_test::eval(sent);
    EXPECT_EQ(got, kovi::json::to_json(*response)) << GetParam().filename() << ":" << n << "\n  request: " << sent;
    ++cases;
  }
  EXPECT_GT(cases, 0) << "empty case file";
}

INSTANTIATE_TEST_SUITE_P(Cases, CaseFile, ::testing::ValuesIn(case_files()),
                         [](const auto& info) { return info.param.stem().string(); });

}  // namespace
