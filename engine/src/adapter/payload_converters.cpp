// The payload converters' group of the converter table.
#include "adapter/payload_converters.h"

#include "json/reader.h"
#include "json/utf8.h"

namespace kovi::adapter {

namespace {

constexpr NullRead kNull = NullRead::GivesNull;

constexpr Converter kPayloadConverters[] = {
    {"db_v1_alarm", read_db_v1_alarm, nullptr, kNull},
    {"db_v1_params", read_db_v1_params, nullptr, kNull},
    {"db_v1_frozen", read_db_v1_frozen, nullptr, kNull},
    {"db_v1_daily", read_db_v1_daily, nullptr, kNull},
    {"db_v1_month", read_db_v1_month, nullptr, kNull},
    {"ms_dp_syn_alg", read_ms_dp_syn_alg, nullptr, kNull},
    {"cz_timer1_alg", read_cz_timer1_alg, write_cz_timer1_alg, kNull},
    {"cz_timer2_alg", read_cz_timer2_alg, write_cz_timer2_alg, kNull},
    {"hb_djv1_color", read_hb_djv1_color, nullptr, kNull},
    {"dj_v1_hsv_alg", read_dj_v1_hsv_alg, write_dj_v1_hsv_alg, kNull},
    {"voice_atm_color", read_voice_atm_color, write_voice_atm_color, kNull},
    {"dj_v2_color_alg", read_dj_v2_color_alg, write_dj_v2_color_alg, kNull},
    {"dj_v2_contr_alg", read_dj_v2_contr_alg, write_dj_v2_contr_alg, kNull},
    {"dj_v2_music_alg", read_dj_v2_music_alg, write_dj_v2_music_alg, kNull},
    {"dj_v2_scene_alg", read_dj_v2_scene_alg, write_dj_v2_scene_alg, kNull},
    {"dj_v1_scene_alg", read_dj_v1_scene_alg, nullptr, kNull},
    {"sd_clean_record", read_sd_clean_record, nullptr, kNull},
};

}  // namespace

std::span<const Converter> payload_converters() { return kPayloadConverters; }

const Value& host_json(const Value& host, Value& holder) {
  if (!host.is_string()) return host;
  // As a description's JSON text members read: text that is no JSON
  // document reads as null.
  const std::string_view text = host.as_string();
  if (json::valid_utf8(text)) {
    json::ReadResult parsed = json::read(text);
    if (parsed.ok()) holder = std::move(parsed.value);
  }
  return holder;
}

}  // namespace kovi::adapter
