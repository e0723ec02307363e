// The value adapter on the paths that run per device report and per host
// command.
//
//   BM_Read/N         adapter_read of a 30-DP report through an N-entry
//                     adapter (items: DPs). The reported DPs and their
//                     converters are the same for every N, so the time per
//                     DP shows what the size of the adapter costs.
//   BM_Write/N        adapter_write of 5 commands (items: commands).
//   BM_View/N         checking and indexing the record once per request,
//                     without copying it (items: entries).
//   BM_ReadRequest/N  the whole "adapter_read" operation through dispatch:
//                     request already parsed, rule pack from the registry.
//
// The converters mix default, enum, the 0..255 rescalings and payloads
// (metering, schedules, colours); some codes have inversion, aliases and
// enumeration ranges.
#include <benchmark/benchmark.h>

#include <stdexcept>
#include <string>

#include "adapter/adapter.h"
#include "adapter/adapter_read.h"
#include "adapter/adapter_write.h"
#include "api/dispatch.h"
#include "json/reader.h"

namespace {

using kovi::adapter::Adapter;
using kovi::json::Value;

Value parse(std::string_view text) {
  auto r = kovi::json::read(text);
  if (!r.ok()) throw std::runtime_error(r.error);
  return r.value;
}

constexpr int kReported = 30;

// A converter, its config and a raw value it reads.
struct Kind {
  const char* converter;
  const char* config;
  const char* raw;
};
constexpr Kind kKinds[] = {
    {"default", "{}", "true"},
    {"enum", R"({"enumMappingMap":{"0":{"value":"low"},"1":{"value":"mid"},"2":{"value":"high"}}})", R"("1")"},
    {"default", "{}", "215"},
    {"hb_range_v1", "{}", "140"},
    {"db_v1_params", "{}", R"("CPwAAAAAAAAA")"},
    {"enum", R"({"enumMappingMap":{"true":{"value":"on"},"false":{"value":"off"}}})", "false"},
    {"dj_v2_color_alg", "{}", R"("007803e803e8")"},
    {"default", R"({"valueType":"Integer","valueDesc":"{\"min\":10}"})", "null"},
    {"cz_timer1_alg", "{}", R"("AQMB4AIc")"},
    {"hb_range_v2", "{}", "128"},
};
constexpr int kKindCount = sizeof kKinds / sizeof kKinds[0];

std::string id_of(int i) { return std::to_string(100 + i); }

// N entries; DP k * (N / 30) is the k-th reported DP and has the same
// converter for every N. One code in ten is inverted, aliased or ranged.
Value adapter_record(int n) {
  Value entries = Value::object();
  Value remaps = Value::object();
  Value enums = Value::object();
  int stride = n / kReported;
  for (int i = 0; i < n; ++i) {
    bool reported = i % stride == 0 && i / stride < kReported;
    int k = reported ? i / stride : i;
    const Kind& kind = kKinds[k % kKindCount];
    std::string code = "code_" + std::to_string(i);
    Value entry = Value::array(3);
    entry.push_back(Value(code));
    entry.push_back(Value(kind.converter));
    entry.push_back(parse(kind.config));
    entries.set(id_of(i), std::move(entry));
    if (k % kKindCount == 0) remaps.set(code, parse(R"({"invert":true})"));
    if (k % kKindCount == 2) remaps.set(code, parse(R"({"invert":true,"bounds":[0,1000]})"));
    if (k % kKindCount == 1) {
      remaps.set(code, parse(R"({"alias":{"mid":"medium"}})"));
      enums.set(code, parse(R"(["low","medium","high"])"));
    }
  }
  Value record = Value::object();
  record.set("entries", std::move(entries));
  record.set("enum_ranges", std::move(enums));
  record.set("unsupported", Value::object());
  record.set("remaps", std::move(remaps));
  return record;
}

Value report_for(int n) {
  Value report = Value::object();
  int stride = n / kReported;
  for (int k = 0; k < kReported; ++k) report.set(id_of(k * stride), parse(kKinds[k % kKindCount].raw));
  return report;
}

void BM_Read(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  Value record = adapter_record(n);
  Adapter adapter = Adapter::view(record).value();
  Value report = report_for(n);
  Value rules = parse(R"({"meter_alarms":{}})");
  if (kovi::adapter::adapter_read(adapter, report, rules).size() != kReported)
    state.SkipWithError("a reported DP was not read");
  for (auto _ : state) benchmark::DoNotOptimize(kovi::adapter::adapter_read(adapter, report, rules));
  state.SetItemsProcessed(state.iterations() * kReported);
}
BENCHMARK(BM_Read)->Arg(60)->Arg(600);

void BM_Write(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  Value record = adapter_record(n);
  Adapter adapter = Adapter::view(record).value();
  int stride = n / kReported;
  // Codes of a default, an enum (aliased), an inverted integer, a colour
  // and a schedule.
  auto code = [&](int k) { return "code_" + std::to_string(k * stride); };
  Value commands = Value::array();
  commands.push_back(parse(R"({"code":")" + code(0) + R"(","value":true})"));
  commands.push_back(parse(R"({"code":")" + code(1) + R"(","value":"medium"})"));
  commands.push_back(parse(R"({"code":")" + code(2) + R"(","value":785})"));
  commands.push_back(parse(R"({"code":")" + code(6) + R"(","value":"{\"h\":120,\"s\":1000,\"v\":1000}"})"));
  commands.push_back(parse(R"({"code":")" + code(8) +
                           R"(","value":"[{\"timer_switch\":true,\"week_day\":[0,1],\"start_time\":\"08:00\",\"end_time\":\"09:00\"}]"})"));
  auto check = kovi::adapter::adapter_write(adapter, commands.items());
  if (!check.ok() || check->size() != 5) state.SkipWithError("a command was not written");
  for (auto _ : state) benchmark::DoNotOptimize(kovi::adapter::adapter_write(adapter, commands.items()));
  state.SetItemsProcessed(state.iterations() * 5);
}
BENCHMARK(BM_Write)->Arg(60)->Arg(600);

void BM_View(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  Value record = adapter_record(n);
  for (auto _ : state) benchmark::DoNotOptimize(Adapter::view(record));
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_View)->Arg(60)->Arg(600);

void BM_ReadRequest(benchmark::State& state) {
  int n = static_cast<int>(state.range(0));
  Value install = parse(R"({"op":"install_rules","rules_id":"bench","rules":{"version":1,"platforms":{},"entities":{},
    "unused":{"role":"unused","variants":[]},"templates":{},"functions":{},"quirks":{},"units":{},"host_units":{},
    "maps":{},"features":{},"constants":{},"cover_defaults":{},"cover_switches":{},"motion_property":{},
    "strategies":[]}})");
  auto installed = kovi::dispatch(install);
  if (!installed.ok()) state.SkipWithError(installed.error().message.c_str());
  Value request = Value::object();
  request.set("op", Value("adapter_read"));
  request.set("rules_id", Value("bench"));
  request.set("adapter", adapter_record(n));
  request.set("dps", report_for(n));
  for (auto _ : state) {
    auto r = kovi::dispatch(request);
    if (!r.ok()) state.SkipWithError(r.error().message.c_str());
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadRequest)->Arg(60)->Arg(600);

}  // namespace

BENCHMARK_MAIN();
