// Reading and writing throughput of the engine's JSON value beside
// RapidJSON (Document::Parse, default allocator, not in situ; Writer over a
// StringBuffer) and nlohmann::ordered_json (parse, dump).
//
// The documents are generated here from a fixed seed, shaped like what the
// engine handles: device descriptions with their data points and current
// status, rule packs whose sections hold hundreds of members, and a data
// point name table. Every library reads the same text; every writer writes
// the document its own reader made from it.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "json/reader.h"
#include "json/value.h"
#include "json/writer.h"

namespace {

// ---- document generation ---------------------------------------------------

// splitmix64: the same sequence on every platform and library version.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : s_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }
  template <typename T, std::size_t N>
  const T& pick(const T (&items)[N]) { return items[below(N)]; }

 private:
  std::uint64_t s_;
};

class Text {
 public:
  std::string s;
  Text& raw(std::string_view t) { s.append(t); return *this; }
  Text& key(std::string_view k) {
    s.push_back('"');
    s.append(k);
    s.append("\":");
    return *this;
  }
  Text& str(std::string_view v) {
    s.push_back('"');
    s.append(v);
    s.push_back('"');
    return *this;
  }
  Text& num(long long n) { s.append(std::to_string(n)); return *this; }
  Text& comma() { s.push_back(','); return *this; }
};

constexpr const char* kRooms[] = {"Living room", "Kitchen", "Bedroom", "Hall", "Garage", "Office", "Bathroom", "Attic"};
constexpr const char* kKinds[] = {"thermostat", "plug", "bulb", "sensor", "curtain", "valve", "fan"};
constexpr const char* kCategories[] = {"wk", "cz", "dj", "wsdcg", "cl", "fs", "kg"};
constexpr const char* kValueCodes[] = {"temp_set", "temp_current", "humidity_value", "bright_value", "percent_control",
                                       "cur_power", "cur_voltage", "countdown_1"};
constexpr const char* kEnumCodes[] = {"mode", "work_state", "fan_speed_enum", "control"};
constexpr const char* kBoolCodes[] = {"switch", "switch_led", "child_lock", "eco"};
constexpr const char* kEnumValues[] = {"auto", "manual", "eco", "holiday", "open", "close", "stop", "low", "middle", "high"};
constexpr const char* kUnits[] = {"C", "%", "W", "V", "s", "lux"};
constexpr const char* kFloats[] = {"21.5", "0.001", "1013.25", "-3.75", "0.5", "230.4", "19.0", "0.25", "45.8", "1e-6"};
constexpr const char* kOps[] = {"<", ">", "==", "<=", ">=", "!="};

void data_point(Text& t, Rng& r, int dp_id) {
  unsigned kind = r.below(4);
  t.raw("{");
  if (kind == 0 || kind == 3) {
    t.key("code").str(r.pick(kValueCodes)).comma();
    t.key("dp_id").num(dp_id).comma();
    t.key("type").str("value").comma();
    t.key("mode").str(r.below(3) ? "rw" : "ro").comma();
    int min = static_cast<int>(r.below(100));
    t.key("values").raw("{");
    t.key("unit").str(r.pick(kUnits)).comma();
    t.key("min").num(min).comma();
    t.key("max").num(min + 100 + r.below(900)).comma();
    t.key("scale").num(r.below(3)).comma();
    t.key("step").num(1 + r.below(10));
    t.raw("}");
  } else if (kind == 1) {
    t.key("code").str(r.pick(kEnumCodes)).comma();
    t.key("dp_id").num(dp_id).comma();
    t.key("type").str("enum").comma();
    t.key("mode").str("rw").comma();
    t.key("values").raw("{");
    t.key("range").raw("[");
    unsigned n = 2 + r.below(4);
    for (unsigned i = 0; i < n; ++i) {
      if (i) t.comma();
      t.str(r.pick(kEnumValues));
    }
    t.raw("]}");
  } else {
    t.key("code").str(r.pick(kBoolCodes)).comma();
    t.key("dp_id").num(dp_id).comma();
    t.key("type").str("bool").comma();
    t.key("mode").str("rw").comma();
    t.key("values").raw("{}");
  }
  t.raw("}");
}

void device(Text& t, Rng& r, int n) {
  char id[32];
  std::snprintf(id, sizeof id, "bf%016llx", static_cast<unsigned long long>(r.next()));
  t.raw("{");
  t.key("id").str(id).comma();
  t.key("name").str(std::string(r.pick(kRooms)) + " " + r.pick(kKinds)).comma();
  t.key("category").str(r.pick(kCategories)).comma();
  t.key("online").raw(r.below(5) ? "true" : "false").comma();
  t.key("updated").num(1700000000LL + n * 37LL + r.below(30)).comma();
  t.key("note").str(r.below(8) ? "ok" : "fw \\\"beta\\\"\\nrestart pending \\u00b0C").comma();
  t.key("schema").raw("[");
  unsigned points = 3 + r.below(6);
  for (unsigned i = 0; i < points; ++i) {
    if (i) t.comma();
    data_point(t, r, static_cast<int>(i + 1 + r.below(3)));
  }
  t.raw("]").comma();
  t.key("status").raw("{");
  for (unsigned i = 0; i < points; ++i) {
    if (i) t.comma();
    switch (r.below(4)) {
      case 0: t.key(r.pick(kValueCodes)).raw(r.pick(kFloats)); break;
      case 1: t.key(r.pick(kValueCodes)).num(static_cast<long long>(r.below(5000)) - 100); break;
      case 2: t.key(r.pick(kBoolCodes)).raw(r.below(2) ? "true" : "false"); break;
      default: t.key(r.pick(kEnumCodes)).str(r.pick(kEnumValues)); break;
    }
  }
  t.raw("}}");
}

void rule(Text& t, Rng& r) {
  t.raw("{");
  t.key("if").raw("{");
  t.key("code").str(r.pick(kValueCodes)).comma();
  t.key("op").str(r.pick(kOps)).comma();
  t.key("value").raw(r.pick(kFloats));
  t.raw("}").comma();
  t.key("then").raw("[");
  unsigned n = 1 + r.below(3);
  for (unsigned i = 0; i < n; ++i) {
    if (i) t.comma();
    t.raw("{");
    if (r.below(2)) {
      t.key("code").str(r.pick(kBoolCodes)).comma().key("value").raw(r.below(2) ? "true" : "false");
    } else {
      t.key("code").str(r.pick(kValueCodes)).comma().key("value").num(r.below(1000));
    }
    t.raw("}");
  }
  t.raw("]").comma();
  t.key("priority").num(r.below(10)).comma();
  t.key("enabled").raw(r.below(6) ? "true" : "false");
  t.raw("}");
}

void rule_pack(Text& t, Rng& r, int pack) {
  char name[24];
  t.raw("{");
  t.key("name").str("pack_" + std::to_string(pack)).comma();
  t.key("rules").raw("{");
  unsigned rules = 150 + r.below(250);
  for (unsigned i = 0; i < rules; ++i) {
    if (i) t.comma();
    std::snprintf(name, sizeof name, "r%04u", i);
    t.key(name);
    rule(t, r);
  }
  t.raw("}}");
}

// A document of at least `target` bytes: alternating batches of devices
// and rule packs, then a data point name table.
std::string make_document(std::size_t target, std::uint64_t seed) {
  Rng r(seed);
  Text devices, packs;
  int d = 0, p = 0;
  while (devices.s.size() + packs.s.size() + 2000 < target) {
    for (int i = 0; i < 12 && devices.s.size() + packs.s.size() + 2000 < target; ++i) {
      if (d) devices.comma();
      device(devices, r, d++);
    }
    if (devices.s.size() + packs.s.size() + 2000 < target) {
      if (p) packs.comma();
      rule_pack(packs, r, p++);
    }
  }
  Text doc;
  doc.raw("{");
  doc.key("format").num(2).comma();
  doc.key("generated").str("2024-03-01T08:00:00Z").comma();
  doc.key("devices").raw("[").raw(devices.s).raw("]").comma();
  doc.key("rule_packs").raw("[").raw(packs.s).raw("]").comma();
  doc.key("dp_names").raw("{");
  for (int i = 1; i <= 120; ++i) {
    if (i > 1) doc.comma();
    doc.key(std::to_string(i)).str(r.pick(kValueCodes));
  }
  doc.raw("}}");
  return doc.s;
}

const std::string& document(int which) {
  static const std::string small = make_document(50 * 1000, 0x6B6F7669ull);
  static const std::string large = make_document(2 * 1000 * 1000, 0x6B6F7669ull + 1);
  return which == 0 ? small : large;
}

[[noreturn]] void die(const char* what) {
  std::fprintf(stderr, "json_bench: %s\n", what);
  std::exit(1);
}

// ---- reading ---------------------------------------------------------------

void read_kovi(benchmark::State& state, int which) {
  const std::string& text = document(which);
  if (!kovi::json::read(text).ok()) die("kovi failed to read the document");
  for (auto _ : state) {
    kovi::json::ReadResult r = kovi::json::read(text);
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void read_rapidjson(benchmark::State& state, int which) {
  const std::string& text = document(which);
  for (auto _ : state) {
    rapidjson::Document d;
    d.Parse(text.data(), text.size());
    if (d.HasParseError()) die("rapidjson failed to read the document");
    benchmark::DoNotOptimize(d);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void read_nlohmann(benchmark::State& state, int which) {
  const std::string& text = document(which);
  for (auto _ : state) {
    nlohmann::ordered_json j = nlohmann::ordered_json::parse(text);
    benchmark::DoNotOptimize(j);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

// ---- writing ---------------------------------------------------------------
// Bytes processed are the bytes each writer produced.

void write_kovi(benchmark::State& state, int which) {
  kovi::json::ReadResult doc = kovi::json::read(document(which));
  if (!doc.ok()) die("kovi failed to read the document");
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string out;
    kovi::json::write(doc.value, out);
    bytes = out.size();
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void write_rapidjson(benchmark::State& state, int which) {
  const std::string& text = document(which);
  rapidjson::Document d;
  d.Parse(text.data(), text.size());
  if (d.HasParseError()) die("rapidjson failed to read the document");
  std::size_t bytes = 0;
  for (auto _ : state) {
    rapidjson::StringBuffer buf;
    rapidjson::Writer<rapidjson::StringBuffer> w(buf);
    d.Accept(w);
    bytes = buf.GetSize();
    benchmark::DoNotOptimize(buf.GetString());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void write_nlohmann(benchmark::State& state, int which) {
  nlohmann::ordered_json j = nlohmann::ordered_json::parse(document(which));
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string out = j.dump();
    bytes = out.size();
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

// Benchmarks are named BM_{Read,Write}/{library}/{size} so that the rows
// of one operation and size line up.
void register_all() {
  struct Lib {
    const char* name;
    void (*read)(benchmark::State&, int);
    void (*write)(benchmark::State&, int);
  };
  static constexpr Lib kLibs[] = {
      {"kovi", read_kovi, write_kovi},
      {"rapidjson", read_rapidjson, write_rapidjson},
      {"nlohmann", read_nlohmann, write_nlohmann},
  };
  static constexpr const char* kSizes[] = {"50KB", "2MB"};
  for (const char* op : {"Read", "Write"}) {
    for (int which = 0; which < 2; ++which) {
      for (const Lib& lib : kLibs) {
        std::string name = std::string("BM_") + op + "/" + lib.name + "/" + kSizes[which];
        auto fn = std::string_view(op) == "Read" ? lib.read : lib.write;
        benchmark::RegisterBenchmark(name.c_str(), [fn, which](benchmark::State& s) { fn(s, which); })
            ->Unit(benchmark::kMicrosecond);
      }
    }
  }
}

// --dump_documents=DIR writes the two documents to DIR (for profiling a
// reader or writer on its own) and exits.
bool dump_documents(int argc, char** argv) {
  constexpr std::string_view kFlag = "--dump_documents=";
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg.substr(0, kFlag.size()) != kFlag) continue;
    std::string dir(arg.substr(kFlag.size()));
    const char* names[] = {"/doc_50KB.json", "/doc_2MB.json"};
    for (int which = 0; which < 2; ++which) {
      std::string path = dir + names[which];
      std::FILE* f = std::fopen(path.c_str(), "wb");
      if (f == nullptr || std::fwrite(document(which).data(), 1, document(which).size(), f) != document(which).size())
        die("cannot write the documents");
      std::fclose(f);
    }
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (dump_documents(argc, argv)) return 0;
  register_all();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::AddCustomContext("doc_50KB_bytes", std::to_string(document(0).size()));
  benchmark::AddCustomContext("doc_2MB_bytes", std::to_string(document(1).size()));
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
