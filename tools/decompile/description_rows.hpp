#pragma once

// The rows of the two descriptions as numbers, before they are laid out as
// text: what each step of the decompiler finds, in the order the rows are
// to be read.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "compiler/placement.hpp"

namespace borgo::tools::decompile {

// A "progressiva chilometrica" row.
struct ProgressiveRow {
  std::int32_t position = 0;
  std::int32_t value = 0;
  std::int32_t flag = 0;
};

// The "ripetizione segnali" row; `codes` is 4 or 9.
struct RepetitionRow {
  int codes = 9;
  std::int32_t from = 0;
  std::int32_t to = 0;
};

// A row of a profile: gradient, line speed or adhesion from a position on.
struct ProfileRow {
  std::int32_t position = 0;
  std::int32_t value = 0;
};

// "curvas3, start, length": `left` for an "s" key, `radius_class` 1 to 6.
struct CurveRow {
  bool left = false;
  int radius_class = 1;
  std::int32_t start = 0;
  std::int32_t length = 0;
};

struct SignRow {
  std::int32_t position = 0;
  std::string text;
};

// A "stazione" row: its 16 numbers in column order, then its name.
struct StationRow {
  std::int32_t position = 0;
  std::int32_t type = 0;
  std::int32_t zone = 0;
  std::array<std::int32_t, 10> columns4to13{};  // columns 4 to 13
  std::int64_t hours = 0;
  std::int64_t minutes = 0;
  std::int64_t seconds = 0;
  std::string name;
};

// An "abbattimento" row.
struct CodePointRow {
  std::int32_t position = 0;
  std::int32_t value = 0;
};

struct LineRows {
  std::int32_t length = 0;
  // The rows "tre", "due" and "uno", in that order; none where absent.
  std::array<std::optional<ProgressiveRow>, 3> progressives;
  std::int32_t background_uno = 0;
  std::int32_t background_due = 0;
  std::int32_t background_tre = 0;
  std::optional<RepetitionRow> repetition;
  std::vector<CurveRow> curves;
  std::vector<ProfileRow> gradients;
  std::vector<compiler::MountainRow> mountains;
  std::vector<compiler::IndicatorRow> indicators;
  std::vector<SignRow> signs;  // in the order of their items, 80 first
};

using TrainRow = std::variant<StationRow, compiler::SlowDownRow, compiler::SignalRow, CodePointRow>;

struct TrainRows {
  std::int32_t cars = 0;
  std::int32_t braked_mass = 0;
  std::int16_t sand = 0;
  std::array<std::int16_t, 3> clock{};  // hours, minutes, seconds
  std::vector<ProfileRow> adhesion;
  std::vector<ProfileRow> speed;
  std::vector<TrainRow> rows;  // stations, slow-downs, signals and code points, in reading order
};

}  // namespace borgo::tools::decompile
