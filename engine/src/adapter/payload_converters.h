// The payload converters, one reader (and encoder, where the conversion has
// an inverse) per converter name; payload_converters.cpp lists them in the
// converter table. Each family lives in its own file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "adapter/converter.h"

namespace kovi::adapter {

// Energy meters (electricity.cpp, meter_alarms.cpp, meter_records.cpp).
ReadOutcome read_db_v1_params(const Value& raw, const Value& config, const Value& rules);
ReadOutcome read_db_v1_alarm(const Value& raw, const Value& config, const Value& rules);
ReadOutcome read_db_v1_frozen(const Value& raw, const Value& config, const Value& rules);
ReadOutcome read_db_v1_daily(const Value& raw, const Value& config, const Value& rules);
ReadOutcome read_db_v1_month(const Value& raw, const Value& config, const Value& rules);

// Day mask (day_mask.cpp).
ReadOutcome read_ms_dp_syn_alg(const Value& raw, const Value& config, const Value& rules);

// Weekly schedules (schedules.cpp).
ReadOutcome read_cz_timer1_alg(const Value& raw, const Value& config, const Value& rules);
ReadOutcome read_cz_timer2_alg(const Value& raw, const Value& config, const Value& rules);
WriteOutcome write_cz_timer1_alg(const Value& host, const Value& config);
WriteOutcome write_cz_timer2_alg(const Value& host, const Value& config);

// Light colours (colour_converters.cpp).
ReadOutcome read_hb_djv1_color(const Value& raw, const Value& config, const Value& rules);
ReadOutcome read_dj_v1_hsv_alg(const Value& raw, const Value& config, const Value& rules);
ReadOutcome read_voice_atm_color(const Value& raw, const Value& config, const Value& rules);
WriteOutcome write_dj_v1_hsv_alg(const Value& host, const Value& config);
WriteOutcome write_voice_atm_color(const Value& host, const Value& config);
ReadOutcome read_dj_v2_color_alg(const Value& raw, const Value& config, const Value& rules);
WriteOutcome write_dj_v2_color_alg(const Value& host, const Value& config);
ReadOutcome read_dj_v2_contr_alg(const Value& raw, const Value& config, const Value& rules);
ReadOutcome read_dj_v2_music_alg(const Value& raw, const Value& config, const Value& rules);
WriteOutcome write_dj_v2_contr_alg(const Value& host, const Value& config);
WriteOutcome write_dj_v2_music_alg(const Value& host, const Value& config);

// Light scenes (scenes.cpp).
ReadOutcome read_dj_v2_scene_alg(const Value& raw, const Value& config, const Value& rules);
WriteOutcome write_dj_v2_scene_alg(const Value& host, const Value& config);
ReadOutcome read_dj_v1_scene_alg(const Value& raw, const Value& config, const Value& rules);

// Cleaning records (cleaning_records.cpp).
ReadOutcome read_sd_clean_record(const Value& raw, const Value& config, const Value& rules);

// ---- shared by the families ----

// A failure outcome with that message.
inline ReadOutcome read_failure(const char* message) { return ReadOutcome(std::string(message)); }

// The colour {"h", "s", "v"} (floats) of the RGB text t, whose channels are
// the hexadecimal fields [0, 2), [2, 4) and [4, 6); nothing when a field is
// not hexadecimal.
std::optional<Value> rgb_text_to_hsv(std::string_view t);

// A host value given either as a JSON value or as the JSON text of one (the
// text form the readers hand out): the value itself, or `holder` filled with
// the parsed text (null when it does not parse).
const Value& host_json(const Value& host, Value& holder);

// Encoders of fixed-width hexadecimal fields refuse numbers that do not fit.
inline constexpr const char* kOutOfRange = "value out of range";

}  // namespace kovi::adapter
