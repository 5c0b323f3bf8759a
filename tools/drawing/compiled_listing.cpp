#include "tools/drawing/compiled_listing.hpp"

#include <cstdint>
#include <string>
#include <utility>

#include "compiler/numeric.hpp"
#include "compiler/record_roles.hpp"
#include "compiler/route_model.hpp"
#include "tools/shared/cell_kinds.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools {
namespace {

std::string_view kind_name(compiler::CompiledFileKind kind) {
  switch (kind) {
    case compiler::CompiledFileKind::kLinePlan:
      return "line";
    case compiler::CompiledFileKind::kItems:
      return "train";
    case compiler::CompiledFileKind::kCells:
      break;
  }
  return "cells";
}

Value integer(std::int64_t v) { return v; }
Value text(std::string_view bytes) { return utf8_from_1252(bytes); }

std::string clock(std::int64_t h, std::int64_t m, std::int64_t s) {
  const auto two = [](std::int64_t v) { return (v >= 0 && v < 10 ? "0" : "") + std::to_string(v); };
  return two(h) + ":" + two(m) + ":" + two(s);
}

void kind_fields(Record& r, const compiler::CellRecord& c) {
  using namespace compiler;
  switch (c.kind) {
    case kSignal: {
      const char* names[][2] = {{"s1", "d1"}, {"s2", "d2"}, {"s3", "d3"}};
      for (int n = 1; n <= 3; ++n) {
        const std::int16_t aspect = signal_aspect(c, n);
        r.emplace_back(names[n - 1][0], integer(signal_aspect_left(aspect)));
        r.emplace_back(names[n - 1][1], integer(signal_aspect_right(aspect)));
      }
      const std::int16_t setting = signal_setting(c);
      r.insert(r.end(), {{"rapp", integer(signal_setting_rapp(setting))},
                         {"sx", integer(signal_setting_sx(setting))},
                         {"dx", integer(signal_setting_dx(setting))},
                         {"time", integer(c.signal_time)}});
      break;
    }
    case kSlowDownEnd:
    case kSlowDownStart:
      r.insert(r.end(), {{"limit_kmh", integer(slow_down_limit(c))},
                         {"d_v", integer(slow_down_d_v(c))},
                         {"f_tt", integer(slow_down_f_tt(c))}});
      break;
    case kWarningBoard:
      r.insert(r.end(),
               {{"limit_kmh", integer(slow_down_limit(c))}, {"d_v", integer(slow_down_d_v(c))}});
      break;
    case kBeforeBoard:
      r.insert(r.end(), {{"count", integer(board_countdown(c))},
                         {"count_d_v", integer(board_countdown_d_v(c))}});
      break;
    case kSpeedIndicators: {
      const char* names[] = {"a", "b", "c"};
      for (int n = 1; n <= 3; ++n) {
        const std::int16_t speeds = indicator_speeds(c, n);
        r.emplace_back(std::string(names[n - 1]) + "_left", integer(indicator_speed_left(speeds)));
        r.emplace_back(std::string(names[n - 1]) + "_right",
                       integer(indicator_speed_right(speeds)));
      }
      const std::int16_t stripes = indicator_stripes(c);
      r.insert(r.end(), {{"stripes_left", integer(indicator_stripes_left(stripes))},
                         {"stripes_right", integer(indicator_stripes_right(stripes))}});
      break;
    }
    case kStationStop:
      r.emplace_back("station_item", integer(stop_station_item(c)));
      break;
    case kCodePoint:
      r.emplace_back("code", integer(code_value(c)));
      break;
    case kSign:
      r.emplace_back("sign_item", integer(sign_item(c)));
      break;
    case kEmpty:
    case kMountainMarker:
    case kCodePointNoValue:
      break;
    default:
      r.insert(r.end(), {{"value1", integer(c.value1)},
                         {"value2", integer(c.value2)},
                         {"value3", integer(c.value3)},
                         {"value4", integer(c.value4)}});
  }
}

Listing list_cells(std::string_view bytes) {
  Listing d;
  DecodedCells decoded = decode_cell_file(bytes);
  d.problem = decoded.problem;
  d.summary = {{"type", text("cells")},
               {"cell_count", integer(static_cast<std::int64_t>(decoded.cells.size()))}};
  d.entries_name = "cells";
  for (std::size_t i = 0; i < decoded.cells.size(); ++i) {
    const compiler::CellRecord& c = decoded.cells[i];
    if (c == compiler::CellRecord{}) continue;
    const auto index = static_cast<std::int64_t>(i);
    Record r{{"index", integer(index)},
             {"from_m", integer(compiler::cell_first_metre(index))},
             {"to_m", integer(compiler::cell_first_metre(index) + 50)},
             {"kind", text(kind_key(c.kind))}};
    kind_fields(r, c);
    if (index == compiler::kContestCell) {
      r.insert(r.end(), {{"stamp", integer(compiler::contest_stamp(c))},
                         {"contest_code", integer(compiler::plain_contest_code(c))}});
    }
    r.emplace_back("line_speed_kmh", integer(compiler::speed_code_kmh(c.speed_code)));
    if (compiler::has_gradient(c.gradient_code)) {
      r.emplace_back("gradient_per_mille", integer(compiler::gradient_per_mille(c.gradient_code)));
    }
    r.emplace_back("adhesion", integer(c.adhesion));
    if (c.approach_mark != 0) r.emplace_back("approach_mark", integer(c.approach_mark));
    if (c.mountain_type != 0) r.emplace_back("montagna_type", integer(c.mountain_type));
    if (c.signal_time != 0 && c.kind != compiler::kSignal) {
      r.emplace_back("signal_time", integer(c.signal_time));
    }
    d.entries.emplace_back("cell " + std::to_string(i), std::move(r));
  }
  return d;
}

Record item_fields(std::size_t index, const compiler::ItemRecord& it) {
  using namespace compiler;
  Record r{{"index", integer(static_cast<std::int64_t>(index))}};
  switch (item_role(index, it)) {
    case ItemRole::kSign:
      r.insert(r.end(), {{"role", text("sign")}, {"text", text(sign_text(it))}});
      return r;
    case ItemRole::kStation: {
      const StationItem station(it);
      const std::int64_t t = station.timetable();
      r.insert(
          r.end(),
          {{"role", text("station")},
           {"name", text(station.name())},
           {"type", integer(station.type())},
           {"position", integer(station.position())},
           {"zone_start", integer(station.zone_start())},
           {"zone_end", integer(station.zone_end())},
           {"time", text(clock(timetable_hours(t), timetable_minutes(t), timetable_seconds(t)))},
           {"extra_50m", integer(station.extra_50m())},
           {"column4", integer(station.column4())},
           {"column5", integer(station.column5())},
           {"column7", integer(station.column7())},
           {"column8", integer(station.column8())},
           {"column9", integer(station.column9())},
           {"column10", integer(station.column10())},
           {"column11", integer(station.column11())},
           {"column12", integer(station.column12())},
           {"column13", integer(station.column13())}});
      return r;
    }
    case ItemRole::kProgressive: {
      const ProgressiveItem change(it);
      r.insert(r.end(), {{"role", text("progressive_change")},
                         {"position", integer(change.position())},
                         {"value", integer(change.value())},
                         {"flag", integer(change.flag())}});
      return r;
    }
    case ItemRole::kTrainAndLength: {
      const TrainAndLengthItem lengths(it);
      r.insert(r.end(), {{"role", text("train_and_length")},
                         {"braked_mass", integer(lengths.braked_mass())},
                         {"line_length", integer(lengths.line_length())},
                         {"cars", integer(lengths.cars())}});
      return r;
    }
    case ItemRole::kLine: {
      const LineItem line(it);
      r.insert(r.end(), {{"role", text("line")},
                         {"name", text(line.name())},
                         {"background_uno", integer(line.background_uno())},
                         {"background_due", integer(line.background_due())},
                         {"background_tre", integer(line.background_tre())},
                         {"stamp", integer(line.contest_stamp())},
                         {"contest_code", integer(line.weighted_contest_code())}});
      return r;
    }
    case ItemRole::kTrain: {
      const TrainItem train(it);
      r.insert(r.end(), {{"role", text("train")},
                         {"name", text(train.name())},
                         {"repetition_from", integer(train.repetition_start())},
                         {"repetition_to", integer(train.repetition_end())},
                         {"repetition_codes", integer(train.repetition_codes())},
                         {"sand", integer(train.sand())},
                         {"clock", text(clock(train.clock_hours(), train.clock_minutes(),
                                              train.clock_seconds()))}});
      return r;
    }
    case ItemRole::kUnused:
      break;
  }
  r.insert(r.end(), {{"role", text("unused")},
                     {"kind", integer(it.kind)},
                     {"start", integer(it.start)},
                     {"end", integer(it.end)},
                     {"position", integer(it.position)},
                     {"flag", integer(it.flag)},
                     {"text", text(it.text)},
                     {"int1", integer(it.int1)},
                     {"int2", integer(it.int2)},
                     {"int3", integer(it.int3)},
                     {"int4", integer(it.int4)},
                     {"int5", integer(it.int5)},
                     {"byte1", integer(it.byte1)},
                     {"byte2", integer(it.byte2)},
                     {"byte3", integer(it.byte3)},
                     {"byte4", integer(it.byte4)},
                     {"seconds", integer(it.seconds)}});
  return r;
}

Listing list_items(std::string_view bytes) {
  Listing d;
  DecodedItems decoded = decode_train_file(bytes);
  d.problem = decoded.problem;
  d.summary = {{"type", text("train")},
               {"record_count", integer(static_cast<std::int64_t>(decoded.items.size()))}};
  d.entries_name = "items";
  for (std::size_t i = 0; i < decoded.items.size(); ++i) {
    const compiler::ItemRecord& item = decoded.items[i];
    if (item == compiler::ItemRecord{}) continue;
    Record r = item_fields(i, item);
    r.emplace_back("offset", integer(static_cast<std::int64_t>(decoded.offsets[i])));
    d.entries.emplace_back("item " + std::to_string(i), std::move(r));
  }
  return d;
}

Value coordinate(const compiler::PlanValue& v) {
  if (v.tag == compiler::PlanValue::kUnset) return std::monostate{};
  return v.as_double();
}

Listing list_plan(std::string_view bytes) {
  Listing d;
  DecodedPlan decoded = decode_line_file(bytes);
  d.problem = decoded.problem;
  d.summary = {{"type", text("line")},
               {"entry_count", integer(static_cast<std::int64_t>(decoded.entries.size()))}};
  // Over the entries (a vector) or over one column.
  const auto counts = [](const auto& values, std::string_view prefix, Record& r) {
    std::int64_t unset = 0, int16 = 0, real = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
      const compiler::PlanValue v = values[i];
      unset += v.tag == compiler::PlanValue::kUnset;
      int16 += v.tag == compiler::PlanValue::kInt16;
      real += v.tag == compiler::PlanValue::kDouble;
    }
    r.emplace_back(std::string(prefix) + "unset", unset);
    r.emplace_back(std::string(prefix) + "int16", int16);
    r.emplace_back(std::string(prefix) + "double", real);
  };
  if (d.problem) {
    counts(decoded.entries, "", d.summary);  // the columns are not known
    return d;
  }
  const auto& [first, second] = decoded.columns;
  d.summary.emplace_back("metres", static_cast<std::int64_t>(first.size()));
  counts(first, "first_", d.summary);
  counts(second, "second_", d.summary);
  d.entries_name = "coordinates";
  for (std::size_t m = 0; m < first.size(); m += 1000) {
    d.entries.emplace_back("metre " + std::to_string(m),
                           Record{{"metre", integer(static_cast<std::int64_t>(m))},
                                  {"x", coordinate(first[m])},
                                  {"y", coordinate(second[m])}});
  }
  return d;
}

}  // namespace

Listing list_oversized_file(compiler::CompiledFileKind kind, std::uint64_t size) {
  Listing d;
  d.summary = {{"type", text(kind_name(kind))}};
  d.problem = size_problem(kind, size);
  return d;
}

Listing list_compiled_file(compiler::CompiledFileKind kind, std::string_view bytes) {
  switch (kind) {
    case compiler::CompiledFileKind::kLinePlan:
      return list_plan(bytes);
    case compiler::CompiledFileKind::kItems:
      return list_items(bytes);
    case compiler::CompiledFileKind::kCells:
      break;
  }
  return list_cells(bytes);
}

void write_listing_text(std::ostream& out, const std::string& file, std::uint64_t size,
                        const Listing& d) {
  out << file << ": " << size << " bytes, ";
  write_text(out, d.summary);
  out << "\n";
  for (const auto& [label, record] : d.entries) {
    out << "  " << label << ": ";
    write_text(out, record);
    out << "\n";
  }
  if (d.problem) {
    out << file << ": does not fit its layout at byte " << d.problem->offset << ": "
        << d.problem->message << "\n";
  }
}

void write_listing_json(std::ostream& out, const std::string& file, std::uint64_t size,
                        const Listing& d) {
  out << "{\"file\": " << json_string(file) << ", \"bytes\": " << size;
  for (const auto& [name, value] : d.summary) {
    out << ", " << json_string(name) << ": ";
    write_json(out, value);
  }
  if (!d.entries_name.empty()) {
    out << ", " << json_string(d.entries_name) << ": [";
    bool first = true;
    for (const auto& entry : d.entries) {
      out << (first ? "\n    " : ",\n    ");
      first = false;
      write_json(out, entry.second);
    }
    out << (first ? "]" : "\n  ]");
  }
  out << ", \"problem\": ";
  if (d.problem) {
    out << "{\"offset\": " << d.problem->offset
        << ", \"message\": " << json_string(d.problem->message) << "}";
  } else {
    out << "null";
  }
  out << "}";
}

}  // namespace borgo::tools
