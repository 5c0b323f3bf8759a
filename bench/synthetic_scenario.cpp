#include "bench/synthetic_scenario.hpp"

#include <string_view>
#include <type_traits>

namespace borgo::bench {
namespace {

// Each kilometre k has its signal at k * 1000 m (cell 20k + 1). Every other
// feature takes its own offset inside its kilometre, so that no two share a
// cell: a station stops in cell 20k + 13, a sign stands in cell 20k + 6,
// speed indicators in 20k + 7, and a slow-down starts in 20k + 11, ends in
// cell 20(k + 1) + 3 and has its warning board in 20(k - 1) + 7.
// Stations take items 1, 2, ... and signs 80, 79, ...; a station must stay
// below the next free sign slot, so 78 of the two together fill the table.
constexpr std::int32_t kStations = 39;
constexpr std::int32_t kSigns = 39;
constexpr std::int32_t kMountainRanges = 80;

// Appends one row: its pieces, texts and numbers, then CR LF.
template <typename... Pieces>
void row(std::string& out, const Pieces&... pieces) {
  const auto put = [&out](const auto& piece) {
    if constexpr (std::is_arithmetic_v<std::decay_t<decltype(piece)>>) {
      out += std::to_string(piece);
    } else {
      out += piece;
    }
  };
  (put(pieces), ...);
  out += "\r\n";
}

std::string line_description(std::int32_t length) {
  const std::int32_t kilometres = length / 1000;
  std::string out;
  row(out, "[generale]");
  row(out, "lunghezza percorso, ", length);
  row(out, "ripetizione segnali 9 codici, 8000, ", length - 8000);
  row(out, "[curve]");
  // An 800 m curve in every kilometre up to 10 km before the end.
  for (std::int32_t k = 1; k * 1000 + 800 < length - 10000; ++k) {
    row(out, "curva", k % 2 == 0 ? "s" : "d", 1 + k % 6, ", ", k * 1000 + 100, ", 800");
  }
  row(out, "[pendenze]");
  for (std::int32_t p = 0; p < length; p += 2000) {
    row(out, "pendenza, ", p, ", ", (p / 2000) % 11 - 5);
  }
  row(out, "[montagne]");
  const std::int32_t spacing = kilometres / kMountainRanges * 1000;
  for (std::int32_t i = 0; i < kMountainRanges; ++i) {
    const std::int32_t start = i * spacing + 1000;
    row(out, "montagna, ", start, ", ", start + spacing / 2, ", ", 11 + i % 3);
  }
  row(out, "[cartelli]");
  for (std::int32_t k = 3; k < kilometres - 2; k += 10) {
    row(out, "indicatori_vmax, ", k * 1000 + 300, ", 90, 95, 100, 0, 90, 95, 100, 0");
  }
  row(out, "[indicazioni]");
  const std::int32_t station_step = kilometres / (kStations + 1);
  for (std::int32_t i = 0; i < kSigns; ++i) {
    const std::int32_t k = i * station_step + station_step / 2;
    row(out, "cartello_indicatore, ", k * 1000 + 250, ", (  Cippo  )(Km ", k, "+250)");
  }
  row(out, "[fine]");
  return out;
}

std::string train_description(std::int32_t length) {
  const std::int32_t kilometres = length / 1000;
  std::string out;
  row(out, "[generale]");
  row(out, "numero vetture, 12");
  row(out, "percentuale massa frenata, 130");
  row(out, "sabbia, 180");
  row(out, "orologio, 14, 25, 30");
  row(out, "[aderenze]");
  for (std::int32_t p = 0; p < length; p += 20000) {
    row(out, "aderenza, ", p, ", ", 60 + (p / 20000) % 20);
  }
  row(out, "[vel_limite]");
  for (std::int32_t p = 0; p < length; p += 5000) {
    row(out, "velocita, ", p, ", ", 100 + (p / 5000) % 9 * 10);
  }
  row(out, "[stazioni]");
  const std::int32_t station_step = kilometres / (kStations + 1);
  for (std::int32_t i = 0; i < kStations; ++i) {
    const std::int32_t k = i * station_step;
    row(out, "stazione, ", k * 1000 + 500, ", 12, 400, 0, 0, 0, 1,1,0, 3,1,1, 1, ", 14 + i / 60,
        ", ", i % 60, ", 0, Stazione ", i + 1);
  }
  row(out, "[rallentamenti]");
  for (std::int32_t k = 7; k < kilometres - 3; k += 50) {
    row(out, "rallentamento, ", k * 1000 + 500, ", 60, 600, 0, 0, 60");
  }
  row(out, "[segnali]");
  for (std::int32_t k = 1; k < kilometres - 1; ++k) {
    row(out, "segnale, ", k * 1000, ", 1, 1, 1, 1, 0, 1, 1,1,1, 0");
  }
  row(out, "[fine]");
  return out;
}

}  // namespace

SyntheticScenario make_synthetic_scenario(std::int32_t length) {
  return {line_description(length), train_description(length)};
}

}  // namespace borgo::bench
