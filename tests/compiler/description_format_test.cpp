// The format table against the readers: every row kind's example, compiled
// in a small scenario, lands field by field where the table says, read back
// through the records' roles; and the examples are rows of the embedded
// scenario.
#include "compiler/description_format.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <variant>

#include "compiler/compile.hpp"
#include "compiler/field_reader.hpp"
#include "compiler/numeric.hpp"
#include "compiler/record_roles.hpp"
#include "documents/documents.hpp"

namespace borgo::compiler::format {
namespace {

using Value = std::variant<std::int64_t, std::string>;

// One example row read by the table's fields, as the test reads it itself.
struct ExampleRow {
  std::string key;
  std::map<std::string, Value, std::less<>> values;
  bool whole_line_read = false;  // no field left on the line after the last

  std::int64_t number(std::string_view name) const {
    return std::get<std::int64_t>(values.find(name)->second);
  }
};

ExampleRow read_example(const RowFormat& row) {
  const std::string line = std::string(row.example) + "\r\n";
  FieldReader reader(line);
  ExampleRow out;
  out.key = std::string(reader.read_text());
  for (const FieldFormat& field : row.fields) {
    Value v;
    switch (field.type) {
      case ValueType::kInt32:
        v = std::int64_t{reader.read_i32()};
        break;
      case ValueType::kInt16:
        v = std::int64_t{reader.read_i16()};
        break;
      case ValueType::kUInt8:
        v = std::int64_t{reader.read_u8()};
        break;
      case ValueType::kText:
        v = std::string(reader.read_text());
        break;
    }
    out.values.emplace(std::string(field.name), v);
  }
  out.whole_line_read = reader.at_end();
  return out;
}

// A station before the example's, so that the example is not the first
// station, which loses two of its columns.
constexpr std::string_view kEarlierStation =
    "stazione, 0, 8, 500, 1, 0, 0, 3,1,0, 2,1,1, 1, 14,25,30, Roma Termini\r\n";

// The example row in the smallest scenario that reads it: a 334000 m line,
// the row in its section, and an empty train or line around it.
CompileInput scenario_with(const RowFormat& row, std::string& line, std::string& train) {
  const std::string example = std::string(row.example) + "\r\n";
  const bool is_length = row.key == &kLengthKey;
  line = "[generale]\r\n" + std::string(is_length ? "" : "lunghezza percorso, 334000\r\n") +
         (row.section == Section::kLineGeneral ? example : "") + "[curve]\r\n" +
         (row.section == Section::kLineBody ? example : "") + "[fine]\r\n";
  train = "[generale]\r\n";
  if (row.section == Section::kTrainBody) {
    if (row.key == &kStationKey) train += kEarlierStation;
    train += example;
  }
  train += "[fine]\r\n";
  return {.line_name = "L",
          .train_name = "T",
          .write_line_file = 1,
          .line_description = line,
          .train_description = train};
}

// What a compile left, for the roles to read from.
struct Landed {
  const RouteModel& model;
  const RowFormat& row;
  const ExampleRow& example;

  // The only cell of `kind`; -1 when there is none or more than one.
  std::int64_t cell_of_kind(std::uint8_t kind) const {
    std::int64_t found = -1;
    for (std::size_t c = 0; c < model.cells.size(); ++c) {
      if (model.cells[c].kind != kind) continue;
      if (found >= 0) return -1;
      found = static_cast<std::int64_t>(c);
    }
    return found;
  }
  const CellRecord& cell(std::uint8_t kind) const {
    return model.cells.at(static_cast<std::size_t>(cell_of_kind(kind)));
  }
  // The first cell whose `field` holds `code`.
  std::int64_t first_cell(std::uint8_t CellRecord::*field, std::uint8_t code) const {
    for (std::size_t c = 0; c < model.cells.size(); ++c) {
      if (model.cells[c].*field == code) return static_cast<std::int64_t>(c);
    }
    return -1;
  }
  // The one kilometre-progressive change the row set: the ordering moves it.
  const ItemRecord& progressive() const {
    for (int i : {kProgressiveFar, kProgressiveMid, kProgressiveNear}) {
      const ItemRecord& item = model.items[static_cast<std::size_t>(i)];
      if (!(item == ItemRecord{})) return item;
    }
    return model.items[0];
  }
  // The last station: the example's.
  const ItemRecord& station() const {
    for (std::size_t i = kFirstSignSlot; i >= 1; --i) {
      if (item_role(i, model.items[i]) == ItemRole::kStation) return model.items[i];
    }
    return model.items[0];
  }
  const LinePlan::Run* curve_run() const {
    for (const LinePlan::Run& run : model.line_plan.runs()) {
      if (run.k != 0.0) return &run;
    }
    return nullptr;
  }
  const ItemRecord& item(int index) const { return model.items[static_cast<std::size_t>(index)]; }
};

// A role read back: a value, or the cell a position field picked.
struct Readback {
  Value value;
  bool is_cell = false;
};
Readback value(std::int64_t v) { return {v, false}; }
Readback text(std::string v) { return {std::move(v), false}; }
Readback cell(std::int64_t c) { return {c, true}; }

// Every role the table names, read back through record_roles.hpp.
const std::map<std::string, std::function<Readback(const Landed&)>, std::less<>>& roles() {
  using L = const Landed&;
  static const std::map<std::string, std::function<Readback(const Landed&)>, std::less<>> kRoles = {
      // items 81 to 86
      {"TrainAndLengthItem::line_length",
       [](L l) { return value(TrainAndLengthItem(l.item(kTrainAndLength)).line_length()); }},
      {"TrainAndLengthItem::braked_mass",
       [](L l) { return value(TrainAndLengthItem(l.item(kTrainAndLength)).braked_mass()); }},
      {"TrainAndLengthItem::cars",
       [](L l) { return value(TrainAndLengthItem(l.item(kTrainAndLength)).cars()); }},
      {"ProgressiveItem::position",
       [](L l) { return value(ProgressiveItem(l.progressive()).position()); }},
      {"ProgressiveItem::value",
       [](L l) {
         const ProgressiveItem change(l.progressive());
         return value(change.value() - (change.flag() == 1 ? 100 : 0));
       }},
      {"ProgressiveItem::flag", [](L l) { return value(ProgressiveItem(l.progressive()).flag()); }},
      {"LineItem::background_uno",
       [](L l) { return value(LineItem(l.item(kLineRecord)).background_uno()); }},
      {"LineItem::background_due",
       [](L l) { return value(LineItem(l.item(kLineRecord)).background_due()); }},
      {"LineItem::background_tre",
       [](L l) { return value(LineItem(l.item(kLineRecord)).background_tre()); }},
      {"TrainItem::repetition_start",
       [](L l) { return value(TrainItem(l.item(kTrainRecord)).repetition_start()); }},
      {"TrainItem::repetition_end",
       [](L l) { return value(TrainItem(l.item(kTrainRecord)).repetition_end()); }},
      {"TrainItem::clock_hours",
       [](L l) { return value(TrainItem(l.item(kTrainRecord)).clock_hours()); }},
      {"TrainItem::clock_minutes",
       [](L l) { return value(TrainItem(l.item(kTrainRecord)).clock_minutes()); }},
      {"TrainItem::clock_seconds",
       [](L l) { return value(TrainItem(l.item(kTrainRecord)).clock_seconds()); }},
      {"TrainItem::sand", [](L l) { return value(TrainItem(l.item(kTrainRecord)).sand()); }},
      // profiles
      {"first cell of gradient_code",
       [](L l) {
         return cell(l.first_cell(&CellRecord::gradient_code,
                                  pack_gradient_code(static_cast<std::int32_t>(
                                      l.example.number(l.row.fields[1].name)))));
       }},
      {"gradient_per_mille(gradient_code)",
       [](L l) {
         const std::int64_t c = l.first_cell(
             &CellRecord::gradient_code,
             pack_gradient_code(static_cast<std::int32_t>(l.example.number("pendenza"))));
         return value(
             gradient_per_mille(l.model.cells.at(static_cast<std::size_t>(c)).gradient_code));
       }},
      {"first cell of speed_code",
       [](L l) {
         return cell(l.first_cell(
             &CellRecord::speed_code,
             pack_speed_code(static_cast<std::int32_t>(l.example.number(l.row.fields[1].name)))));
       }},
      {"speed_code_kmh(speed_code)",
       [](L l) {
         const std::int64_t first =
             l.first_cell(&CellRecord::speed_code,
                          pack_speed_code(static_cast<std::int32_t>(l.example.number("velocita"))));
         return value(speed_code_kmh(l.model.cells.at(static_cast<std::size_t>(first)).speed_code));
       }},
      {"first cell of adhesion",
       [](L l) {
         return cell(l.first_cell(
             &CellRecord::adhesion,
             pack_adhesion(static_cast<std::int32_t>(l.example.number(l.row.fields[1].name)))));
       }},
      {"adhesion",
       [](L l) {
         const std::int64_t first =
             l.first_cell(&CellRecord::adhesion,
                          pack_adhesion(static_cast<std::int32_t>(l.example.number("aderenza"))));
         return value(l.model.cells.at(static_cast<std::size_t>(first)).adhesion);
       }},
      // the line plan
      {"curve run: first metre - 1",
       [](L l) { return value(l.curve_run() ? l.curve_run()->first - 1 : -1); }},
      {"curve run: metres",
       [](L l) {
         return value(l.curve_run() ? l.curve_run()->last - l.curve_run()->first + 1 : -1);
       }},
      // montagna
      {"first cell of mountain_type",
       [](L l) {
         for (std::size_t c = 0; c < l.model.cells.size(); ++c) {
           if (l.model.cells[c].mountain_type != 0) return cell(static_cast<std::int64_t>(c));
         }
         return cell(-1);
       }},
      {"last cell of mountain_type",
       [](L l) {
         for (std::size_t c = l.model.cells.size(); c-- > 0;) {
           if (l.model.cells[c].mountain_type != 0) return cell(static_cast<std::int64_t>(c));
         }
         return cell(-1);
       }},
      {"mountain_type, + 10 with markers",
       [](L l) {
         const bool markers =
             std::any_of(l.model.cells.begin(), l.model.cells.end(),
                         [](const CellRecord& c) { return c.kind == kMountainMarker; });
         for (const CellRecord& c : l.model.cells) {
           if (c.mountain_type != 0) return value(c.mountain_type + (markers ? 10 : 0));
         }
         return value(-1);
       }},
      // features
      {"cell of kind 1", [](L l) { return cell(l.cell_of_kind(kSignal)); }},
      {"cell of kind 3", [](L l) { return cell(l.cell_of_kind(kSlowDownStart)); }},
      {"cell of kind 6", [](L l) { return cell(l.cell_of_kind(kSpeedIndicators)); }},
      {"cell of kind 12", [](L l) { return cell(l.cell_of_kind(kCodePoint)); }},
      {"cell of kind 14", [](L l) { return cell(l.cell_of_kind(kSign)); }},
      {"indicator_speed_left(indicator_speeds(cell, 1))",
       [](L l) {
         return value(indicator_speed_left(indicator_speeds(l.cell(kSpeedIndicators), 1)));
       }},
      {"indicator_speed_left(indicator_speeds(cell, 2))",
       [](L l) {
         return value(indicator_speed_left(indicator_speeds(l.cell(kSpeedIndicators), 2)));
       }},
      {"indicator_speed_left(indicator_speeds(cell, 3))",
       [](L l) {
         return value(indicator_speed_left(indicator_speeds(l.cell(kSpeedIndicators), 3)));
       }},
      {"indicator_speed_right(indicator_speeds(cell, 1))",
       [](L l) {
         return value(indicator_speed_right(indicator_speeds(l.cell(kSpeedIndicators), 1)));
       }},
      {"indicator_speed_right(indicator_speeds(cell, 2))",
       [](L l) {
         return value(indicator_speed_right(indicator_speeds(l.cell(kSpeedIndicators), 2)));
       }},
      {"indicator_speed_right(indicator_speeds(cell, 3))",
       [](L l) {
         return value(indicator_speed_right(indicator_speeds(l.cell(kSpeedIndicators), 3)));
       }},
      {"indicator_stripes_left(indicator_stripes(cell))",
       [](L l) {
         return value(indicator_stripes_left(indicator_stripes(l.cell(kSpeedIndicators))));
       }},
      {"indicator_stripes_right(indicator_stripes(cell))",
       [](L l) {
         return value(indicator_stripes_right(indicator_stripes(l.cell(kSpeedIndicators))));
       }},
      {"sign_text(items[sign_item(cell)])",
       [](L l) { return text(sign_text(l.item(sign_item(l.cell(kSign))))); }},
      {"signal_setting_sx(signal_setting(cell))",
       [](L l) { return value(signal_setting_sx(signal_setting(l.cell(kSignal)))); }},
      {"signal_setting_rapp(signal_setting(cell))",
       [](L l) { return value(signal_setting_rapp(signal_setting(l.cell(kSignal)))); }},
      {"signal_setting_dx(signal_setting(cell))",
       [](L l) { return value(signal_setting_dx(signal_setting(l.cell(kSignal)))); }},
      {"signal_aspect_left(signal_aspect(cell, 1))",
       [](L l) { return value(signal_aspect_left(signal_aspect(l.cell(kSignal), 1))); }},
      {"signal_aspect_left(signal_aspect(cell, 2))",
       [](L l) { return value(signal_aspect_left(signal_aspect(l.cell(kSignal), 2))); }},
      {"signal_aspect_left(signal_aspect(cell, 3))",
       [](L l) { return value(signal_aspect_left(signal_aspect(l.cell(kSignal), 3))); }},
      {"signal_aspect_right(signal_aspect(cell, 1))",
       [](L l) { return value(signal_aspect_right(signal_aspect(l.cell(kSignal), 1))); }},
      {"signal_aspect_right(signal_aspect(cell, 2))",
       [](L l) { return value(signal_aspect_right(signal_aspect(l.cell(kSignal), 2))); }},
      {"signal_aspect_right(signal_aspect(cell, 3))",
       [](L l) { return value(signal_aspect_right(signal_aspect(l.cell(kSignal), 3))); }},
      {"signal_time", [](L l) { return value(l.cell(kSignal).signal_time); }},
      {"slow_down_limit(start cell)",
       [](L l) { return value(slow_down_limit(l.cell(kSlowDownStart))); }},
      {"end cell less posizione",
       [](L l) {
         return value(cell_first_metre(l.cell_of_kind(kSlowDownEnd)) -
                      l.example.number("posizione"));
       }},
      {"slow_down_f_tt(start cell)",
       [](L l) { return value(slow_down_f_tt(l.cell(kSlowDownStart))); }},
      {"1 with cells of kind 5",
       [](L l) {
         return value(std::count_if(l.model.cells.begin(), l.model.cells.end(),
                                    [](const CellRecord& c) { return c.kind == kBeforeBoard; }) == 4
                          ? 1
                          : 0);
       }},
      {"slow_down_d_v(start cell)",
       [](L l) { return value(slow_down_d_v(l.cell(kSlowDownStart))); }},
      {"code_value(cell)", [](L l) { return value(code_value(l.cell(kCodePoint))); }},
      // stations
      {"StationItem::position", [](L l) { return value(StationItem(l.station()).position()); }},
      {"StationItem::type", [](L l) { return value(StationItem(l.station()).type()); }},
      {"zone length",
       [](L l) {
         const StationItem s(l.station());
         const std::int64_t span = s.zone_end() - s.zone_start();
         switch (zone_shape(s.type())) {
           case ZoneShape::kBothSides:
             return value(span / 2);
           case ZoneShape::kEndsPast:
             return value(span - 150);
           case ZoneShape::kCentred:
             return value(span - (s.extra_50m() != 0 ? 50 : 0));
         }
         return value(-1);
       }},
      {"StationItem::column4", [](L l) { return value(StationItem(l.station()).column4()); }},
      {"StationItem::column5", [](L l) { return value(StationItem(l.station()).column5()); }},
      {"StationItem::extra_50m", [](L l) { return value(StationItem(l.station()).extra_50m()); }},
      {"StationItem::column7", [](L l) { return value(StationItem(l.station()).column7()); }},
      {"StationItem::column8", [](L l) { return value(StationItem(l.station()).column8()); }},
      {"StationItem::column9", [](L l) { return value(StationItem(l.station()).column9()); }},
      {"StationItem::column10", [](L l) { return value(StationItem(l.station()).column10()); }},
      {"StationItem::column11", [](L l) { return value(StationItem(l.station()).column11()); }},
      {"StationItem::column12", [](L l) { return value(StationItem(l.station()).column12()); }},
      {"StationItem::column13", [](L l) { return value(StationItem(l.station()).column13()); }},
      {"timetable_hours(StationItem::timetable)",
       [](L l) { return value(timetable_hours(StationItem(l.station()).timetable())); }},
      {"timetable_minutes(StationItem::timetable)",
       [](L l) { return value(timetable_minutes(StationItem(l.station()).timetable())); }},
      {"timetable_seconds(StationItem::timetable)",
       [](L l) { return value(timetable_seconds(StationItem(l.station()).timetable())); }},
      {"StationItem::name", [](L l) { return text(StationItem(l.station()).name()); }},
  };
  return kRoles;
}

// Where a position whose field picked cell `c` by `rule` lies, for a
// position on the 50 m grid.
std::int64_t metres_of_cell(CellRule rule, std::int64_t c) {
  switch (rule) {
    case CellRule::kProfileStart:
    case CellRule::kCodePoint:
    case CellRule::kRangeStart:
      return c * 50;
    case CellRule::kRangeEnd:
      return (c + 1) * 50;
    default:
      return cell_first_metre(c);
  }
}

TEST(DescriptionFormat, EachExampleLandsWhereTheTableSays) {
  for (const RowFormat& row : rows()) {
    SCOPED_TRACE(row.name);
    const ExampleRow example = read_example(row);
    EXPECT_TRUE(example.whole_line_read) << "the table's fields leave part of the row unread";
    std::string line;
    std::string train;
    const Compilation compiled = compile(scenario_with(row, line, train));
    ASSERT_EQ(compiled.outcome.error_number, 0) << compiled.outcome.report.error_detail;
    const Landed landed{*compiled.model, row, example};
    for (const FieldFormat& field : row.fields) {
      SCOPED_TRACE(field.name);
      const auto role = roles().find(field.role);
      ASSERT_NE(role, roles().end()) << "no way to read back \"" << field.role << "\"";
      const Readback back = role->second(landed);
      const Value& expected = example.values.at(std::string(field.name));
      if (back.is_cell) {
        const std::int64_t c = std::get<std::int64_t>(back.value);
        ASSERT_GE(c, 0);
        EXPECT_EQ(metres_of_cell(field.cell, c), std::get<std::int64_t>(expected));
        EXPECT_EQ(cell_of(field.cell, std::get<std::int64_t>(expected)), c);
      } else {
        EXPECT_EQ(back.value, expected);
      }
    }
  }
}

TEST(DescriptionFormat, ExamplesAreRowsOfTheEmbeddedScenario) {
  const auto holds = [](const documents::LineTable& table, std::string_view line) {
    for (const std::string_view l : table) {
      if (l == documents::kEndMarker) return false;
      if (l == line) return true;
    }
    return false;
  };
  for (const RowFormat& row : rows()) {
    SCOPED_TRACE(row.name);
    const documents::LineTable& document = row.section == Section::kTrainBody
                                               ? documents::train_description()
                                               : documents::line_description();
    EXPECT_TRUE(holds(document, row.example)) << row.example;
  }
}

// A row's name and its example's key pick that row alone in its section, so
// that neither an author copying them nor the examples above can fire
// another row as well.
TEST(DescriptionFormat, NamesAndExamplesPickTheirRowAlone) {
  for (const RowFormat& row : rows()) {
    SCOPED_TRACE(row.name);
    const std::string example_key = read_example(row).key;
    for (const RowFormat& other : rows_of(row.section)) {
      const bool same = &other == &row;
      EXPECT_EQ(other.key->match(row.name), same) << other.name;
      EXPECT_EQ(other.key->match(example_key), same) << other.name;
    }
  }
}

}  // namespace
}  // namespace borgo::compiler::format
