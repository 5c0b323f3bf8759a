#include "tools/drafting/route_facts.hpp"

#include <algorithm>
#include <cstddef>
#include <iterator>

#include "compiler/numeric.hpp"
#include "compiler/record_roles.hpp"

namespace borgo::tools::drafting {
namespace {

using compiler::PlacedRow;

bool same_row(const compiler::SourceSpot& a, const compiler::SourceSpot& b) {
  return a.document == b.document && a.key == b.key;
}

// The speed profile's cells as the changes along the line, up to its end.
std::vector<SpeedChange> speed_changes_of(const compiler::RouteModel& model,
                                          std::int64_t line_length) {
  std::vector<SpeedChange> changes;
  const std::int64_t last =
      std::min<std::int64_t>(static_cast<std::int64_t>(model.cells.size()) - 1, line_length / 50);
  for (std::int64_t c = 0; c <= last; ++c) {
    const std::int32_t speed =
        compiler::speed_code_kmh(model.cells[static_cast<std::size_t>(c)].speed_code);
    // A cell the profile never reached holds 0: no speed is known there.
    if (speed == 0) continue;
    if (changes.empty() || changes.back().speed != speed) changes.push_back({c * 50, speed});
  }
  return changes;
}

}  // namespace

std::optional<RouteFacts> RouteFacts::of(const compiler::Compilation& compilation) {
  const compiler::RouteModel& model = *compilation.model;
  if (!model.has_grid()) return std::nullopt;
  const compiler::CompileReport& report = compilation.outcome.report;
  RouteFacts facts;
  facts.model_ = &model;
  const auto& items = model.items;
  const compiler::TrainAndLengthItem totals(items[compiler::kTrainAndLength]);
  facts.line_length_ = totals.line_length();
  facts.braked_mass_percent_ = totals.braked_mass();
  facts.error_number_ = compilation.outcome.error_number;
  facts.stopped_at_ = report.error_at;
  const auto stopped_in = [&](const compiler::SourceSpot& row) {
    return facts.error_number_ != 0 && report.error_at && same_row(*report.error_at, row);
  };

  // The n-th station row read is item n: the station counter advances with each.
  std::size_t item = compiler::kFirstStationSlot;
  for (const PlacedRow& row : report.placed_rows) {
    if (row.kind == PlacedRow::Kind::kStation) {
      if (item > static_cast<std::size_t>(compiler::kFirstSignSlot)) break;
      const compiler::StationItem station(items[item++]);
      if (stopped_in(row.where)) continue;
      facts.stations_.push_back({station.name(), station.position(), station.zone_start(),
                                 station.zone_end(), station.timetable(), row.where});
    } else if (row.kind == PlacedRow::Kind::kSlowDown) {
      if (stopped_in(row.where)) continue;
      // The start cell holds the limit; a slow-down that fits one cell is a start there too.
      const std::int32_t cell = compiler::cell_index(row.position);
      if (cell < 0 || cell > model.cell_last) continue;
      const compiler::CellRecord& start = model.cells[static_cast<std::size_t>(cell)];
      if (start.kind != compiler::kSlowDownStart) continue;
      facts.slow_downs_.push_back(
          {row.position, row.end - row.position, compiler::slow_down_limit(start), row.where});
    }
  }
  const auto by_position = [](const auto& a, const auto& b) { return a.position < b.position; };
  std::stable_sort(facts.stations_.begin(), facts.stations_.end(), by_position);
  std::stable_sort(facts.slow_downs_.begin(), facts.slow_downs_.end(), by_position);

  facts.speed_changes_ = speed_changes_of(model, facts.line_length_);
  for (const int index :
       {compiler::kProgressiveNear, compiler::kProgressiveMid, compiler::kProgressiveFar}) {
    const compiler::ProgressiveItem change(items[static_cast<std::size_t>(index)]);
    if (change.position() == 0 && change.value() == 0 && change.flag() == 0) continue;
    facts.progressive_changes_.push_back(change.position());
  }
  std::sort(facts.progressive_changes_.begin(), facts.progressive_changes_.end());

  const compiler::TrainItem train(items[compiler::kTrainRecord]);
  facts.repetition_codes_ = train.repetition_codes();
  facts.repetition_start_ = train.repetition_start();
  facts.repetition_end_ = train.repetition_end();
  return facts;
}

std::int32_t RouteFacts::speed_at(std::int64_t position) const {
  const auto after = std::upper_bound(
      speed_changes_.begin(), speed_changes_.end(), position,
      [](std::int64_t p, const SpeedChange& change) { return p < change.position; });
  return after == speed_changes_.begin() ? 0 : std::prev(after)->speed;
}

}  // namespace borgo::tools::drafting
