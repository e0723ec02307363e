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
#include "case_files.h"
#include "json/reader.h"
#include "json/writer.h"

namespace {

namespace fs = std::filesystem;
using kovi::json::Value;

class CaseFile : public ::testing::TestWithParam<fs::path> {};

void check_case(const Value& c, const std::string& where) {
  const Value* response = c.find("response");
  ASSERT_NE(response, nullptr) << where << ": case has no response";
  std::string sent = c.find("raw") ? std::string(c.get("raw").as_string()) : kovi::json::to_json(c.get("request"));
  EXPECT_EQ(kovi_test::eval(sent), kovi::json::to_json(*response)) << where << "\n  request: " << sent;
}

TEST_P(CaseFile, EveryCaseAnswersAsRecorded) {
  int cases = 0;
  kovi_test::for_each_case(GetParam(), [&](const Value& c, const std::string& where) {
    ++cases;
    check_case(c, where);
  });
  EXPECT_GT(cases, 0) << "empty case file";
}

INSTANTIATE_TEST_SUITE_P(Cases, CaseFile, ::testing::ValuesIn(kovi_test::jsonl_files(KOVI_CASES_DIR)),
                         [](const auto& info) { return info.param.stem().string(); });

}  // namespace
