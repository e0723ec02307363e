// The rule language on hot paths: reading through a bound rule pack (the
// cost must not depend on the pack's size) and a realistic entity-state
// expression.
#include <benchmark/benchmark.h>

#include <string>

#include "expr/evaluate.h"
#include "json/reader.h"

using kovi::json::Value;

namespace {

Value parse(std::string_view text) {
  auto r = kovi::json::read(text);
  if (!r.ok()) std::abort();
  return std::move(r.value);
}

// A rule pack of about `bytes` bytes whose "functions" section holds the
// function "f" among many others.
Value pack_of_size(std::size_t bytes) {
  Value pack = Value::object();
  pack.set("version", Value(1));
  Value& fns = pack.slot("functions");
  Value body = parse(R"({"params":["x"],"body":{"op":"add","args":[{"op":"get","path":"x"},1]}})");
  std::size_t per = 80;
  for (std::size_t i = 0; i * per < bytes; ++i) fns.set("fn_" + std::to_string(i), body);
  fns.set("f", body);
  return pack;
}

void BM_GetThroughBoundPack(benchmark::State& state) {
  Value pack = pack_of_size(static_cast<std::size_t>(state.range(0)));
  Value expr = parse(R"({"op":"get","path":"rules.functions.f"})");
  for (auto _ : state) {
    kovi::expr::RuleContext ctx;
    ctx.bind_ref("rules", pack);
    auto r = kovi::expr::evaluate(ctx, expr);
    benchmark::DoNotOptimize(r);
  }
  state.SetLabel(std::to_string(state.range(0) / 1024) + " KB pack");
}
BENCHMARK(BM_GetThroughBoundPack)->Arg(10 << 10)->Arg(10 << 20);

// Ten state fields reading decoded values, with arithmetic, conditions and
// a map over a 20-element list.
void BM_StateExpression(benchmark::State& state) {
  Value values = parse(R"({"switch":true,"bright":540,"temp":215,"mode":"colour","power":1234,
    "voltage":2301,"current":530,"countdown":0,"fault":0,"hist":[1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20]})");
  Value pack = pack_of_size(1 << 20);
  Value expr = parse(R"({"op":"record","fields":{
    "on":{"op":"truthy","args":[{"op":"get","path":"values.switch"}]},
    "brightness":{"op":"round_half_even","args":[{"op":"remap","args":[{"op":"get","path":"values.bright"},10,1000,0,255]}]},
    "temperature":{"op":"div","args":[{"op":"get","path":"values.temp"},10]},
    "mode":{"op":"if","condition":{"op":"eq","args":[{"op":"get","path":"values.mode"},"colour"]},"then":"hs","else":"color_temp"},
    "power":{"op":"div","args":[{"op":"get","path":"values.power"},10]},
    "voltage":{"op":"div","args":[{"op":"get","path":"values.voltage"},10]},
    "current":{"op":"mul","args":[{"op":"get","path":"values.current"},0.001]},
    "timer":{"op":"if","condition":{"op":"gt","args":[{"op":"get","path":"values.countdown"},0]},"then":{"op":"get","path":"values.countdown"},"else":null},
    "problem":{"op":"ne","args":[{"op":"get","path":"values.fault","default":0},0]},
    "history":{"op":"map","args":[{"op":"get","path":"values.hist"}],"do":{"op":"mul","args":[{"op":"get","path":"item"},2]}}
  }})");
  for (auto _ : state) {
    kovi::expr::RuleContext ctx(&pack.get("functions"));
    ctx.bind_ref("rules", pack);
    ctx.bind_ref("values", values);
    auto r = kovi::expr::evaluate(ctx, expr);
    if (!r.ok()) state.SkipWithError(r.error().message.c_str());
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StateExpression);

}  // namespace

BENCHMARK_MAIN();
