// kovi: try the engine from the command line.
//
//   kovi [run] [FILE...]   evaluate requests given as JSON Lines (one JSON
//                          request per line) from the files, or from standard
//                          input when none is given, and print one response
//                          per line. Blank lines are skipped.
//
// Requests go through the same four functions a host uses. The exit status
// is 0 when every request succeeded, 1 when any response reported a failure,
// and 2 when a file could not be read or the command was misused.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "kovi/engine.h"

namespace {

constexpr const char* kUsage =
    "usage: kovi [run] [FILE...]\n"
    "  Evaluates JSON Lines requests from FILEs (or standard input) and\n"
    "  prints one JSON response per line.\n";

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
  if (!args.empty() && args[0] == "run") args.erase(args.begin());
  return run(args);
}
