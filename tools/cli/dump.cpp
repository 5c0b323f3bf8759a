// scenario-tool dump: a compiled file as readable text or as JSON.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "compiler/numeric.hpp"
#include "compiler/record_roles.hpp"
#include "compiler/route_model.hpp"
#include "storage/read_file.hpp"
#include "tools/cli/command_support.hpp"
#include "tools/cli/commands.hpp"
#include "tools/drawing/compiled_decoder.hpp"
#include "tools/drawing/json_writer.hpp"
#include "tools/shared/cell_kinds.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools {
namespace {

constexpr std::string_view kHelp =
    R"(Usage: scenario-tool dump FILE... [--json] [--as line|train|cells]

Shows compiled files as text, one line per entry:
- a cell file (NAME_TRAIN.dat): every cell whose fields are not all 0, with
  its index, the positions whose features land in it (cell i holds
  (i-1)*50 up to i*50 m), its kind and the fields that mean something for
  that kind, then its line speed, gradient, adhesion and marks;
- a train file (NAME_TRAIN.sim): every item record that is not all zero,
  named by its role: station, sign, kilometre-progressive change (81 to 83),
  train and line length (84), line (85), train (86);
- a line file (NAME_linea.dat): the number of entries of each type in each
  coordinate column, and the coordinates every 1000 m.
The kind of file comes from its name; --as names it for a renamed file.
A file whose length or layout does not fit says so, and at which byte; one
larger than any file of its kind is told by its size, without being read.

Options:
  --json       the same as a JSON array, one object per file
  --as KIND    read every FILE as a line, train or cells file
  -h, --help   show this text

Exit status: 0 every file fits its layout; 1 a file does not fit; 2 a usage
problem or a file that cannot be read.
)";

constexpr std::array<OptionRule, 2> kOptions{{{"--json", false}, {"--as", true}}};

enum class FileType { kLine, kTrain, kCells };

FileType type_of(const std::filesystem::path& file, const std::string* as) {
  if (as != nullptr) {
    if (*as == "line") return FileType::kLine;
    if (*as == "train") return FileType::kTrain;
    if (*as == "cells") return FileType::kCells;
    throw UsageError("--as takes line, train or cells, not '" + *as + "'");
  }
  const std::string name = file.filename().string();
  const auto ends_with = [&](std::string_view tail) {
    return name.size() >= tail.size() &&
           name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
  };
  if (ends_with("_linea.dat")) return FileType::kLine;
  if (ends_with(".sim")) return FileType::kTrain;
  if (ends_with(".dat")) return FileType::kCells;
  throw UsageError("cannot tell from its name what '" + file.string() +
                   "' is; name it with --as line, train or cells");
}

// One file's dump: a summary, the entries, and where the file stops fitting.
struct Dump {
  Record summary;
  std::string entries_name;
  std::vector<std::pair<std::string, Record>> entries;  // text label, fields
  std::optional<LayoutProblem> problem;
};

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

Dump dump_cells(std::string_view bytes) {
  Dump d;
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

Dump dump_items(std::string_view bytes) {
  Dump d;
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

Dump dump_plan(std::string_view bytes) {
  Dump d;
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

compiler::CompiledFileKind kind_of(FileType type) {
  switch (type) {
    case FileType::kLine:
      return compiler::CompiledFileKind::kLinePlan;
    case FileType::kTrain:
      return compiler::CompiledFileKind::kItems;
    case FileType::kCells:
      break;
  }
  return compiler::CompiledFileKind::kCells;
}

// A file larger than its kind can be: said so, and nothing of it read.
Dump dump_too_large(FileType type, std::uint64_t size) {
  static constexpr std::string_view kTypeNames[] = {"line", "train", "cells"};
  Dump d;
  d.summary = {{"type", text(kTypeNames[static_cast<std::size_t>(type)])}};
  d.problem = size_problem(kind_of(type), size);
  return d;
}

Dump dump_file(FileType type, std::string_view bytes) {
  switch (type) {
    case FileType::kLine:
      return dump_plan(bytes);
    case FileType::kTrain:
      return dump_items(bytes);
    case FileType::kCells:
      break;
  }
  return dump_cells(bytes);
}

void write_text_dump(std::ostream& out, const std::string& file, std::uint64_t size,
                     const Dump& d) {
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

void write_json_dump(std::ostream& out, const std::string& file, std::uint64_t size,
                     const Dump& d) {
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

}  // namespace

int dump_command(Arguments args, std::ostream& out, std::ostream& err) {
  return guarded("dump", err, [&] {
    const ParsedArguments parsed = parse_arguments(args, kOptions);
    if (parsed.help) {
      out << kHelp;
      return kExitClean;
    }
    if (parsed.positionals.empty()) throw UsageError("no FILE to dump");
    const bool json = parsed.has("--json");
    // Every name is checked, and every file read, before anything is shown;
    // a file larger than its kind can be is not read.
    struct File {
      FileType type = FileType::kCells;
      std::uint64_t size = 0;
      std::optional<std::string> bytes;
    };
    std::vector<File> files;
    for (const std::string& name : parsed.positionals) {
      File& file = files.emplace_back();
      file.type = type_of(name, parsed.value("--as"));
      try {
        file.bytes = storage::read_file(name, largest_file_bytes(kind_of(file.type)));
      } catch (const storage::FileTooLarge& too_large) {
        file.size = too_large.size();
      }
    }
    bool all_fit = true;
    if (json) out << "[";
    for (std::size_t i = 0; i < files.size(); ++i) {
      const File& file = files[i];
      const Dump d =
          file.bytes ? dump_file(file.type, *file.bytes) : dump_too_large(file.type, file.size);
      const std::uint64_t size = file.bytes ? file.bytes->size() : file.size;
      all_fit = all_fit && !d.problem;
      if (json) {
        out << (i == 0 ? "\n  " : ",\n  ");
        write_json_dump(out, parsed.positionals[i], size, d);
      } else {
        write_text_dump(out, parsed.positionals[i], size, d);
      }
    }
    if (json) out << "\n]\n";
    return all_fit ? kExitClean : kExitRecordedError;
  });
}

}  // namespace borgo::tools
