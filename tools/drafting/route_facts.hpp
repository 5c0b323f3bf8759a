#pragma once

// What the service documents take from a compile of the two descriptions:
// the stations in route order, the line speeds, the kilometre progressives,
// the signal repetition and the slow-downs, as the compiled model holds them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compiler/compile.hpp"
#include "compiler/compile_report.hpp"
#include "compiler/kilometre_progressive.hpp"

namespace borgo::tools::drafting {

struct StationFact {
  std::string name;  // Windows-1252, as the row gives it
  std::int64_t position = 0;
  std::int64_t zone_start = 0;
  std::int64_t zone_end = 0;
  std::int64_t timetable = 0;  // seconds of the day; 0: the row gives no time
  compiler::SourceSpot row;
};

struct SlowDownFact {
  std::int64_t position = 0;
  std::int64_t length = 0;
  std::int32_t speed = 0;  // km/h
  compiler::SourceSpot row;
};

// The line speed from `position` on, as the speed profile's cells hold it.
struct SpeedChange {
  std::int64_t position = 0;
  std::int32_t speed = 0;  // km/h
};

class RouteFacts {
 public:
  // The facts of a compile whose reading went at least as far as the line's
  // length (the model has its cell grid); nullopt otherwise. The compilation
  // must outlive the facts.
  static std::optional<RouteFacts> of(const compiler::Compilation& compilation);

  std::int64_t line_length() const { return line_length_; }
  // In route order; a row whose reading recorded the error is left out.
  const std::vector<StationFact>& stations() const { return stations_; }
  const std::vector<SlowDownFact>& slow_downs() const { return slow_downs_; }
  // In route order, the first at the first cell.
  const std::vector<SpeedChange>& speed_changes() const { return speed_changes_; }
  // The speed in force at `position`; 0 where the profile holds none.
  std::int32_t speed_at(std::int64_t position) const;
  // Where the kilometre-progressive changes stand, in route order.
  const std::vector<std::int64_t>& progressive_changes() const { return progressive_changes_; }
  compiler::KilometreAt progressive_at(std::int64_t position) const {
    return compiler::kilometre_progressive(*model_, position);
  }
  // Signal repetition: 4 or 9 codes from `start` to `end`; 0 codes when off.
  std::int32_t repetition_codes() const { return repetition_codes_; }
  bool coded_at(std::int64_t position) const {
    return repetition_codes_ != 0 && position >= repetition_start_ && position <= repetition_end_;
  }
  std::int64_t repetition_start() const { return repetition_start_; }
  std::int32_t braked_mass_percent() const { return braked_mass_percent_; }
  // The recorded error and the row it stopped the reading in, when one was recorded.
  std::int32_t error_number() const { return error_number_; }
  const std::optional<compiler::SourceSpot>& stopped_at() const { return stopped_at_; }

 private:
  const compiler::RouteModel* model_ = nullptr;
  std::int64_t line_length_ = 0;
  std::vector<StationFact> stations_;
  std::vector<SlowDownFact> slow_downs_;
  std::vector<SpeedChange> speed_changes_;
  std::vector<std::int64_t> progressive_changes_;
  std::int32_t repetition_codes_ = 0;
  std::int64_t repetition_start_ = 0;
  std::int64_t repetition_end_ = 0;
  std::int32_t braked_mass_percent_ = 0;
  std::int32_t error_number_ = 0;
  std::optional<compiler::SourceSpot> stopped_at_;
};

}  // namespace borgo::tools::drafting
