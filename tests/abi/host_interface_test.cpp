// The host interface as a host sees it: the exported symbols, the buffers,
// the envelope for input that never reaches an operation, a conformance
// corpus, and concurrent callers.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "abi_support.h"

namespace {

std::string read_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A response is a well-formed envelope: {"ok":true,"value":...} or
// {"ok":false,"error":"..."} with nothing after it.
bool well_formed_envelope(const std::string& r) {
  if (r.rfind("{\"ok\":true,\"value\":", 0) == 0) return r.back() == '}';
  if (r.rfind("{\"ok\":false,\"error\":\"", 0) == 0) return r.size() >= 24 && r.substr(r.size() - 2) == "\"}";
  return false;
}

}  // namespace

TEST(HostInterface, ExportsExactlyTheFourFunctions) {
  std::string cmd = std::string("nm -D --defined-only ") + KOVI_ENGINE_SO;
  FILE* pipe = popen(cmd.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> symbols;
  char line[1024];
  while (std::fgets(line, sizeof line, pipe)) {
    std::istringstream fields(line);
    std::string addr, kind, name;
    fields >> addr >> kind >> name;
    if (name.empty()) continue;  // undefined entries have no address column
    if (kind == "T" || kind == "W" || kind == "D" || kind == "B" || kind == "R" || kind == "V" || kind == "i")
      symbols.insert(name);
  }
  ASSERT_EQ(pclose(pipe), 0);
  std::set<std::string> expected = {"kovi_engine_alloc", "kovi_engine_dealloc", "kovi_engine_eval",
                                    "kovi_engine_free"};
  EXPECT_EQ(symbols, expected);
}

TEST(HostInterface, InputThatNeverReachesAnOperation) {
  EXPECT_EQ(kovi_test::eval(nullptr), R"({"ok":false,"error":"null input"})");
  EXPECT_EQ(kovi_test::eval("\xC3\x28"), R"({"ok":false,"error":"invalid UTF-8"})");
  EXPECT_EQ(kovi_test::eval("{\"op\":\"merge\",\"x\":\"\xED\xA0\x80\"}"), R"({"ok":false,"error":"invalid UTF-8"})");
  // Only the bytes up to the first NUL are the request.
  EXPECT_EQ(kovi_test::eval(std::string("{\"op\":\"merge\"}\0garbage", 22).c_str()), R"({"ok":true,"value":{}})");
}

TEST(HostInterface, ResponseHasASingleTerminatingNul) {
  char* r = kovi_engine_eval(R"({"op":"merge","mappings":[{"s":"a\u0000b"}]})");
  std::string text(r);
  EXPECT_EQ(text, R"({"ok":true,"value":{"s":"a\u0000b"}})");
  EXPECT_EQ(std::strlen(r), text.size());
  kovi_engine_free(r);
}

TEST(HostInterface, HostBuffers) {
  EXPECT_EQ(kovi_engine_alloc(0), nullptr);
  unsigned char* p = kovi_engine_alloc(64);
  ASSERT_NE(p, nullptr);
  std::memcpy(p, "{\"op\":\"merge\"}", 15);
  char* r = kovi_engine_eval(reinterpret_cast<const char*>(p));
  EXPECT_STREQ(r, R"({"ok":true,"value":{}})");
  kovi_engine_free(r);
  kovi_engine_dealloc(p, 64);
  kovi_engine_dealloc(nullptr, 10);
  kovi_engine_dealloc(nullptr, 0);
  kovi_engine_free(nullptr);
}

TEST(HostInterface, DeepNestingFailsCleanly) {
  std::string deep(100000, '[');
  EXPECT_EQ(kovi_test::eval(deep), R"({"ok":false,"error":"recursion limit exceeded at line 1 column 129"})");
  std::string objects;
  for (int i = 0; i < 100000; ++i) objects += "{\"a\":";
  EXPECT_EQ(kovi_test::eval(objects).substr(0, 45), R"({"ok":false,"error":"recursion limit exceeded)");
}

// Every y_ file reads; every n_ file fails with a reader message or
// "invalid UTF-8"; i_ files may go either way. Each file is sent as a
// request of its own: one that reads answers "unknown engine operation"
// (it names no operation), one that does not answers the reader's message.
TEST(HostInterface, ConformanceCorpus) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path(KOVI_SHARED_TESTDATA) / "jsontestsuite" / "test_parsing";
  ASSERT_TRUE(fs::is_directory(dir)) << dir;
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    std::string name = entry.path().filename().string();
    std::string text = read_file(entry.path());
    // A NUL byte ends the request text for the host interface; such files
    // are checked up to it, like a host would send them.
    std::string response = kovi_test::eval(text.c_str());
    ASSERT_TRUE(well_formed_envelope(response)) << name << ": " << response;
    bool read_ok = response.rfind("{\"ok\":false,\"error\":\"unknown engine operation\"}", 0) == 0 ||
                   response.rfind("{\"ok\":true", 0) == 0;
    bool has_nul = text.find('\0') != std::string::npos;
    if (name[0] == 'y' && !has_nul) {
      EXPECT_TRUE(read_ok) << name << ": " << response;
    } else if (name[0] == 'n' && !has_nul) {
      EXPECT_FALSE(read_ok) << name << ": " << response;
      bool reader_message = response.find(" at line ") != std::string::npos ||
                            response == R"({"ok":false,"error":"invalid UTF-8"})";
      EXPECT_TRUE(reader_message) << name << ": " << response;
    }
    ++files;
  }
  EXPECT_GT(files, 300);
}

TEST(HostInterface, ConcurrentCallers) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 2000;
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &failures] {
      for (int i = 0; i < kRounds; ++i) {
        std::string n = std::to_string(t * kRounds + i);
        std::string req = R"({"op":"merge","mappings":[{"t":)" + std::to_string(t) + R"(,"i":{"v":1}},{"i":{"w":)" +
                          n + "}}]}";
        std::string want = R"({"ok":true,"value":{"t":)" + std::to_string(t) + R"(,"i":{"v":1,"w":)" + n + "}}}";
        if (kovi_test::eval(req) != want) ++failures[t];
        if (kovi_test::eval(R"({"op":"classify"})") !=
            R"({"ok":false,"error":"rules are required or rules_id is not registered"})")
          ++failures[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
}
