// Entity state on the hot path: a "read" request by "rules_id" runs on
// every device event, so its cost must not depend on the size of the
// installed rule pack. The same plan (six roles, ten state fields) is read
// against a pack of about 10 KB and one of about 1 MB, through
// kovi_engine_eval exactly as a host calls it.
//
// Rows:
//   BM_Read/10KB, BM_Read/1MB    whole requests; "requests/s", and
//                                "json_share", the part of a request spent
//                                reading the request text and writing the
//                                response (timed on its own after the run)
//   BM_RequestJson/10KB, /1MB    that JSON work alone: reading the request
//                                text and writing the response value
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "json/reader.h"
#include "json/writer.h"
#include "kovi/engine.h"

using kovi::json::Value;

namespace {

Value parse(std::string_view text) {
  auto r = kovi::json::read(text);
  if (!r.ok()) std::abort();
  return std::move(r.value);
}

std::string eval(const std::string& request) {
  char* response = kovi_engine_eval(request.c_str());
  std::string text(response);
  kovi_engine_free(response);
  return text;
}

constexpr const char* kState = R"({
  "bind": {
    "level": {"op":"get","path":"values.brightness"},
    "max": {"op":"get","path":"roles.brightness.max"}
  },
  "fields": {
    "on": {"op":"truthy","args":[{"op":"get","path":"values.switch"}]},
    "brightness": {"op":"round_half_even","args":[{"op":"remap","args":[{"op":"get","path":"level"},1,{"op":"get","path":"max"},0,255]}]},
    "colour_temp": {"op":"get","path":"values.temp"},
    "mode": {"op":"if","condition":{"op":"eq","args":[{"op":"get","path":"values.mode"},"colour"]},"then":"hs","else":"color_temp"},
    "colour": {"op":"get","path":"values.colour"},
    "countdown": {"op":"coalesce","args":[{"op":"get","path":"values.countdown"},0]},
    "name": {"op":"get","path":"identity.name"},
    "effect": {"op":"call","fn":"effect_name","args":[{"op":"get","path":"values.mode"}]},
    "available": {"op":"not","args":[{"op":"is_null","args":[{"op":"get","path":"values.switch"}]}]},
    "total": {"op":"get","path":"total"}
  }
})";

constexpr const char* kPlan = R"({"platform":"light","key":"light_1","identity":{"name":"Desk lamp","model":"L1"},
  "roles":{
    "switch":{"code":"switch_led","kind":"Boolean","spec":{},"report_type":null},
    "brightness":{"code":"bright_value","kind":"Integer","spec":{"min":10,"max":1000,"scale":0,"step":1},"report_type":null},
    "temp":{"code":"temp_value","kind":"Integer","spec":{"min":0,"max":1000,"scale":0,"step":1},"report_type":null},
    "mode":{"code":"work_mode","kind":"Enum","spec":{"range":["white","colour","scene","music"]},"report_type":null},
    "colour":{"code":"colour_data","kind":"Json","spec":{},"report_type":null},
    "countdown":{"code":"countdown","kind":"Integer","spec":{"min":0,"max":86400,"scale":0,"step":1},"report_type":null}},
  "depends_on":["switch_led","bright_value","temp_value","work_mode","colour_data","countdown"],
  "slot_kind":null,"update_all":false,"config":{"min_brightness":10}})";

constexpr const char* kStatus = R"({"switch_led":true,"bright_value":540,"temp_value":300,"work_mode":"colour",
  "colour_data":"{\"h\":120,\"s\":1000,\"v\":1000}","countdown":0})";

// A complete rule pack of about `bytes` bytes: the light entity, and as
// many other entities, templates and functions as it takes.
Value pack_of_size(std::size_t bytes) {
  Value pack = parse(R"({"version":1,"platforms":{"light":{"table":"lights","categories":{"dj":{"key":"light"}}}},
    "entities":{},"unused":{"role":"unused","variants":[]},"templates":{},"functions":{},"quirks":{},"units":{},
    "host_units":{},"maps":{},"features":{},"constants":{},"cover_defaults":{},"cover_switches":{},
    "motion_property":{},"strategies":[]})");
  Value entity = Value::object();
  entity.set("state", parse(kState));
  pack.slot("entities").set("light", std::move(entity));
  pack.slot("functions").set("effect_name", parse(R"({"params":["m"],"body":{"op":"str_concat","args":["fx_",{"op":"get","path":"m"}]}})"));

  Value filler_entity = Value::object();
  filler_entity.set("state", parse(kState));
  Value filler_template = parse(R"([{"command":{"role":"switch","value":true}},{"send":{"code":"x","value":1}}])");
  // Each round adds what its texts take, with the keys and separators.
  const std::size_t round = kovi::json::to_json(filler_entity).size() + kovi::json::to_json(filler_template).size() + 32;
  for (std::size_t i = 0, size = kovi::json::to_json(pack).size(); size < bytes; ++i, size += round) {
    std::string n = std::to_string(i);
    pack.slot("entities").set("filler_" + n, filler_entity);
    pack.slot("templates").set("tpl_" + n, filler_template);
  }
  for (std::size_t i = 0; kovi::json::to_json(pack).size() < bytes; ++i)
    pack.slot("templates").set("extra_" + std::to_string(i), filler_template);
  return pack;
}

struct Fixture {
  std::string request;
  std::string response;
  Value response_value;
  std::size_t pack_bytes = 0;
};

const Fixture& fixture(std::size_t bytes) {
  static Fixture small, large;
  Fixture& f = bytes < (100 << 10) ? small : large;
  if (!f.request.empty()) return f;
  std::string id = "bench-" + std::to_string(bytes);
  Value pack = pack_of_size(bytes);
  f.pack_bytes = kovi::json::to_json(pack).size();
  Value install = Value::object();
  install.set("op", Value("install_rules"));
  install.set("rules_id", Value(id));
  install.set("rules", std::move(pack));
  if (eval(kovi::json::to_json(install)) != R"({"ok":true,"value":true})") std::abort();

  Value request = Value::object();
  request.set("op", Value("read"));
  request.set("rules_id", Value(id));
  request.set("plan", parse(kPlan));
  request.set("status", parse(kStatus));
  request.set("total", Value(3));
  f.request = kovi::json::to_json(request);
  f.response = eval(f.request);
  if (f.response.rfind("{\"ok\":true", 0) != 0) std::abort();
  f.response_value = parse(f.response);
  return f;
}

// The JSON part of one request: the engine reads the request text once and
// writes the response once.
void json_work(const Fixture& f) {
  auto doc = kovi::json::read(f.request);
  benchmark::DoNotOptimize(doc);
  std::string out;
  kovi::json::write(f.response_value, out);
  benchmark::DoNotOptimize(out);
}

std::string label(const Fixture& f) { return std::to_string(f.pack_bytes / 1024) + " KB pack"; }

void BM_Read(benchmark::State& state, std::size_t pack_bytes) {
  const Fixture& f = fixture(pack_bytes);
  using Clock = std::chrono::steady_clock;
  auto start = Clock::now();
  for (auto _ : state) {
    char* response = kovi_engine_eval(f.request.c_str());
    benchmark::DoNotOptimize(response);
    kovi_engine_free(response);
  }
  double per_request = std::chrono::duration<double>(Clock::now() - start).count() /
                       static_cast<double>(state.iterations());

  // The JSON work of the same texts, timed on its own for as many rounds.
  std::int64_t rounds = state.iterations();
  auto json_start = Clock::now();
  for (std::int64_t i = 0; i < rounds; ++i) json_work(f);
  double per_json = std::chrono::duration<double>(Clock::now() - json_start).count() / static_cast<double>(rounds);

  state.counters["requests/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["json_share"] = per_json / per_request;
  state.SetLabel(label(f));
}
BENCHMARK_CAPTURE(BM_Read, 10KB, std::size_t{10} << 10);
BENCHMARK_CAPTURE(BM_Read, 1MB, std::size_t{1} << 20);

void BM_RequestJson(benchmark::State& state, std::size_t pack_bytes) {
  const Fixture& f = fixture(pack_bytes);
  for (auto _ : state) json_work(f);
  state.counters["requests/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.SetLabel(label(f));
}
BENCHMARK_CAPTURE(BM_RequestJson, 10KB, std::size_t{10} << 10);
BENCHMARK_CAPTURE(BM_RequestJson, 1MB, std::size_t{1} << 20);

}  // namespace

BENCHMARK_MAIN();
