// The rule registry on the hot path and the cost of taking a pack in.
//
// Rows:
//   BM_RuledById/10KB, /10MB   a "device_info" request by "rules_id" through
//                              kovi_engine_eval; must not depend on the
//                              installed pack's size
//   BM_RuledById/threads:1, 2  the same (10 MB pack) from one and two threads
//   BM_PackCheck/10MB          read + check + fingerprint of a 10 MB pack
//                              text, as an install does (bytes/s)
//   BM_Sha256/10MB             the digest alone (bytes/s)
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "api/registry.h"
#include "json/reader.h"
#include "json/writer.h"
#include "kovi/engine.h"
#include "platform/sha256.h"
#include "rules/rule_pack_check.h"

using kovi::json::Value;

namespace {

std::string eval(const std::string& request) {
  char* response = kovi_engine_eval(request.c_str());
  std::string text(response);
  kovi_engine_free(response);
  return text;
}

// A valid rule pack of about `bytes` bytes: many quirks and entities, the
// sections that grow in real packs.
std::string pack_text(std::size_t bytes) {
  std::string quirks, entities;
  for (std::size_t i = 0; quirks.size() + entities.size() < bytes; ++i) {
    std::string n = std::to_string(i);
    if (!quirks.empty()) quirks += ',';
    quirks += "\"prod" + n + "\":{\"name\":\"Product " + n + "\",\"dp\":{\"" + n +
              "\":{\"code\":\"switch_" + n + "\",\"type\":\"Boolean\"}},\"scale\":1.5}";
    if (!entities.empty()) entities += ',';
    entities += "\"e" + n + "\":{\"kind\":\"lamp\",\"state\":{\"fields\":{\"on\":{\"op\":\"get\",\"path\":\"values.on\"}}}}";
  }
  return std::string(R"({"version":1,"platforms":{"light":{"table":"lights","categories":{}}},"entities":{)") +
         entities + R"(},"unused":{"role":"x","variants":[]},"templates":{},"functions":{},"quirks":{)" + quirks +
         R"(},"units":{},"host_units":{},"maps":{},"features":{},"constants":{"manufacturer":"Acme"},"cover_defaults":{},"cover_switches":{},"motion_property":{},"strategies":[]})";
}

void install(const std::string& id, const std::string& pack) {
  std::string r = eval(R"({"op":"install_rules","rules_id":")" + id + R"(","rules":)" + pack + "}");
  if (r != R"({"ok":true,"value":true})") std::abort();
}

const std::string kDevice =
    R"(,"device":{"id":"d1","product_id":"prod7","name":"Desk lamp","category":"dj","model":"L1"},"quirk":null})";

void BM_RuledById(benchmark::State& state) {
  static const bool installed = [] {
    install("small", pack_text(10 << 10));
    install("large", pack_text(10 << 20));
    return true;
  }();
  (void)installed;
  std::string id = state.range(0) == 0 ? "small" : "large";
  std::string request = R"({"op":"device_info","rules_id":")" + id + "\"" + kDevice;
  if (eval(request).rfind("{\"ok\":true", 0) != 0) state.SkipWithError("device_info failed");
  for (auto _ : state) {
    char* response = kovi_engine_eval(request.c_str());
    benchmark::DoNotOptimize(response);
    kovi_engine_free(response);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(id == "small" ? "10 KB pack" : "10 MB pack");
}
BENCHMARK(BM_RuledById)->Arg(0)->Arg(1);
BENCHMARK(BM_RuledById)->Arg(1)->Threads(1)->Threads(2)->UseRealTime();

void BM_PackCheck(benchmark::State& state) {
  std::string text = pack_text(10 << 20);
  for (auto _ : state) {
    auto doc = kovi::json::read(text);
    auto checked = kovi::rules::check_rule_pack(doc.value);
    if (!checked.ok()) state.SkipWithError(checked.error().message.c_str());
    std::string fp = kovi::rule_fingerprint(doc.value);
    benchmark::DoNotOptimize(fp);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_PackCheck)->Unit(benchmark::kMillisecond);

void BM_Sha256(benchmark::State& state) {
  std::string text = pack_text(10 << 20);
  for (auto _ : state) benchmark::DoNotOptimize(kovi::sha256_hex(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Sha256)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
