// kovi: try the engine from the command line.
//
//   kovi [run] [FILE...]   evaluate requests given as JSON Lines (one JSON
//                          request per line) from the files, or from standard
//                          input when none is given, and print one response
//                          per line. Blank lines are skipped.
//   kovi check-rules FILE  check a rule pack file the way the engine checks
//                          every pack it installs or receives, and print the
//                          check's message, or "ok" with the fingerprint.
//   kovi read-state --rules PACK --plan PLAN [--status STATUS] [--total N]
//                          show the state an entity reports: sends a "read"
//                          request built from the files (a rule pack, a
//                          plan, decoded DP values) and prints the state
//                          object, or the engine's error.
//
// Requests go through the same four functions a host uses. The exit status
// is 0 when every request succeeded (or the pack passed), 1 when any
// response reported a failure (or the pack failed its check), and 2 when a
// file could not be read or the command was misused.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "api/registry.h"
#include "json/reader.h"
#include "json/utf8.h"
#include "json/writer.h"
#include "kovi/engine.h"
#include "rules/rule_pack_check.h"

namespace {

constexpr const char* kUsage =
    "usage: kovi [run] [FILE...]\n"
    "       kovi check-rules FILE\n"
    "       kovi read-state --rules PACK --plan PLAN [--status STATUS] [--total N]\n"
    "  run          evaluates JSON Lines requests from FILEs (or standard input)\n"
    "               and prints one JSON response per line\n"
    "  check-rules  checks a rule pack file and prints the first problem, or\n"
    "               \"ok\" and the pack's fingerprint\n"
    "  read-state   prints the state an entity of PLAN reports for the DP values\n"
    "               in STATUS under the rule pack PACK (all JSON files), with the\n"
    "               delta counter at N (default 0)\n";

bool read_whole_file(const std::string& name, std::string& out) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// Checks one rule pack file: the JSON text, the version, the schema and the
// overrides, exactly as an install would.
int check_rules(const std::string& name) {
  std::string text;
  if (!read_whole_file(name, text)) {
    std::cerr << "kovi: cannot read " << name << '\n';
    return 2;
  }
  if (!kovi::json::valid_utf8(text)) {
    std::cout << name << ": invalid UTF-8\n";
    return 1;
  }
  auto doc = kovi::json::read(text);
  if (!doc.ok()) {
    std::cout << name << ": " << doc.error << '\n';
    return 1;
  }
  auto checked = kovi::rules::check_rule_pack(doc.value);
  if (!checked.ok()) {
    std::cout << name << ": " << checked.error().envelope_message() << '\n';
    return 1;
  }
  std::cout << name << ": ok, fingerprint " << kovi::rule_fingerprint(doc.value) << '\n';
  return 0;
}

// A JSON file for read-state; false (after saying why) when it cannot be
// read or is not JSON.
bool read_json_file(const std::string& name, kovi::json::Value& out) {
  std::string text;
  if (!read_whole_file(name, text)) {
    std::cerr << "kovi: cannot read " << name << '\n';
    return false;
  }
  if (!kovi::json::valid_utf8(text)) {
    std::cerr << "kovi: " << name << ": invalid UTF-8\n";
    return false;
  }
  auto doc = kovi::json::read(text);
  if (!doc.ok()) {
    std::cerr << "kovi: " << name << ": " << doc.error << '\n';
    return false;
  }
  out = std::move(doc.value);
  return true;
}

// Sends the "read" request a host would send for the entity and prints the
// state, or the error as the host would see it.
int read_state(const std::vector<std::string>& args) {
  std::string rules, plan, status;
  kovi::json::Value total(0);
  for (std::size_t i = 1; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) {
      std::cerr << kUsage;
      return 2;
    }
    const std::string& flag = args[i];
    const std::string& value = args[i + 1];
    if (flag == "--rules") {
      rules = value;
    } else if (flag == "--plan") {
      plan = value;
    } else if (flag == "--status") {
      status = value;
    } else if (flag == "--total") {
      auto n = kovi::json::read(value);
      if (!n.ok() || !n.value.is_number()) {
        std::cerr << "kovi: --total needs a number, not " << value << '\n';
        return 2;
      }
      total = std::move(n.value);
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }
  if (rules.empty() || plan.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  kovi::json::Value request = kovi::json::Value::object();
  request.set("op", kovi::json::Value("read"));
  if (!read_json_file(rules, request.slot("rules")) || !read_json_file(plan, request.slot("plan"))) return 2;
  if (!status.empty() && !read_json_file(status, request.slot("status"))) return 2;
  request.set("total", std::move(total));

  char* response = kovi_engine_eval(kovi::json::to_json(request).c_str());
  auto envelope = kovi::json::read(response);
  kovi_engine_free(response);
  if (!envelope.ok()) {
    std::cerr << "kovi: unreadable response: " << envelope.error << '\n';
    return 2;
  }
  if (envelope.value.get("ok").is_bool() && envelope.value.get("ok").as_bool()) {
    std::cout << kovi::json::to_json(envelope.value.get("value")) << '\n';
    return 0;
  }
  std::cout << "error: " << envelope.value.get("error").as_string() << '\n';
  return 1;
}

// Evaluates every line of `in`; false when any response failed.
bool run_stream(std::istream& in, std::ostream& out) {
  bool all_ok = true;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    char* response = kovi_engine_eval(line.c_str());
    std::string_view text(response);
    if (text.rfind("{\"ok\":true", 0) != 0) all_ok = false;
    out << text << '\n';
    kovi_engine_free(response);
  }
  out.flush();
  return all_ok;
}

int run(const std::vector<std::string>& files) {
  std::ios::sync_with_stdio(false);
  bool all_ok = true;
  if (files.empty()) return run_stream(std::cin, std::cout) ? 0 : 1;
  for (const std::string& name : files) {
    std::ifstream in(name, std::ios::binary);
    if (!in) {
      std::cerr << "kovi: cannot read " << name << '\n';
      return 2;
    }
    if (!run_stream(in, std::cout)) all_ok = false;
  }
  return all_ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && (args[0] == "-h" || args[0] == "--help" || args[0] == "help")) {
    std::cout << kUsage;
    return 0;
  }
  if (!args.empty() && args[0] == "check-rules") {
    if (args.size() != 2) {
      std::cerr << kUsage;
      return 2;
    }
    return check_rules(args[1]);
  }
  if (!args.empty() && args[0] == "read-state") return read_state(args);
  if (!args.empty() && args[0] == "run") args.erase(args.begin());
  return run(args);
}
