// Compiled files that do not fit: each damage is reported with its file,
// the byte where it shows and why, and no descriptions come back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "tests/support/files.hpp"
#include "tests/tools/decompile/compiled_scenario_files.hpp"
#include "tools/decompile/decompile.hpp"
#include "tools/drawing/compiled_decoder.hpp"

namespace borgo::tools::decompile {
namespace {

using compiler::CompiledFileKind;
using testing::CompiledScenarioFiles;

// The costa fixture, 20000 m: a signal in cell 22, speed indicators in cell
// 21, a sign in cell 60; a slow-down from cell 241 to cell 253 with its
// warning board in cell 217 and its count-down in cells 216 to 213; the
// stations stop in cells 9 and 183.
const CompiledScenarioFiles& costa() {
  static const CompiledScenarioFiles files = [] {
    const std::string folder = BORGO_SOURCE_DIR "/tests/tools/fixtures/costa/";
    return testing::compile_to_files(testing::slurp(folder + "Costa_linea.txt"),
                                     testing::slurp(folder + "Costa_R 12-.txt"), true, "Costa",
                                     "R 12");
  }();
  return files;
}

constexpr std::size_t kCell = 15;
std::size_t cell_at(std::size_t cell, std::size_t field_offset) {
  return cell * kCell + field_offset;
}
std::size_t item_at(const CompiledScenarioFiles& f, std::size_t item, std::size_t field_offset) {
  return decode_train_file(f.train_file).offsets[item] + field_offset;
}
void put16(std::string& bytes, std::size_t at, std::int16_t value) {
  std::memcpy(bytes.data() + at, &value, sizeof value);
}
// The line file's columns take the same bytes: two 16-bit integers (4 bytes
// each), a double (10) a metre up to metre 26998, and metres 26999 and 27000
// unset (2).
std::size_t column_bytes(const CompiledScenarioFiles& f) { return f.line_file->size() / 2; }
std::size_t first_double_at(std::size_t metre) { return 8 + (metre - 2) * 10; }
void nudge_double(std::string& bytes, std::size_t entry) {
  double x = 0;
  std::memcpy(&x, bytes.data() + entry + 2, sizeof x);
  x = std::nextafter(x, 1e9);
  std::memcpy(bytes.data() + entry + 2, &x, sizeof x);
}

struct Damage {
  std::string name;
  std::function<void(CompiledScenarioFiles&)> damage;
  Misfit::Kind kind;
  CompiledFileKind file;
  std::function<std::size_t(const CompiledScenarioFiles&)> offset;  // of the undamaged files
  std::string reason;                                               // a part of it
};

const std::vector<Damage>& damages() {
  static const std::vector<Damage> table{
      {"the cell file cut short", [](auto& f) { f.cell_file.resize(f.cell_file.size() - 7); },
       Misfit::Kind::kLayout, CompiledFileKind::kCells,
       [](const auto& f) { return f.cell_file.size() - kCell; }, "cut short"},
      {"the train file cut short", [](auto& f) { f.train_file.resize(f.train_file.size() - 3); },
       Misfit::Kind::kLayout, CompiledFileKind::kItems,
       [](const auto& f) { return f.train_file.size() - 4; }, "cut short in its seconds"},
      // The file ends with a double and two unset entries (10, 2 and 2 bytes).
      {"the line file cut short", [](auto& f) { f.line_file->resize(f.line_file->size() - 5); },
       Misfit::Kind::kLayout, CompiledFileKind::kLinePlan,
       [](const auto& f) { return f.line_file->size() - 14; }, "cut short"},
      {"bytes after the last item", [](auto& f) { f.train_file += "xy"; }, Misfit::Kind::kLayout,
       CompiledFileKind::kItems, [](const auto& f) { return f.train_file.size(); }, "left over"},
      {"a line length that is not the grid's",
       [](auto& f) {
         const std::int32_t length = 19000;
         std::memcpy(f.train_file.data() + item_at(f, 84, 5), &length, sizeof length);
       },
       Misfit::Kind::kLayout, CompiledFileKind::kCells,
       [](const auto&) { return std::size_t{521} * kCell; }, "has 521"},
      {"other names", [](auto& f) { f.line_name = "Riva"; }, Misfit::Kind::kLayout,
       CompiledFileKind::kItems, [](const auto& f) { return item_at(f, 85, 14); }, "not \"Riva\""},
      {"the cell stamp", [](auto& f) { put16(f.cell_file, cell_at(1, 1), 5120); },
       Misfit::Kind::kNeverWritten, CompiledFileKind::kCells,
       [](const auto&) { return cell_at(1, 1); }, "the stamp is 5120"},
      {"a kind no compile writes", [](auto& f) { f.cell_file[cell_at(300, 0)] = 9; },
       Misfit::Kind::kNeverWritten, CompiledFileKind::kCells,
       [](const auto&) { return cell_at(300, 0); }, "kind 9"},
      {"a value in an empty cell", [](auto& f) { put16(f.cell_file, cell_at(300, 3), 5); },
       Misfit::Kind::kNeverWritten, CompiledFileKind::kCells,
       [](const auto&) { return cell_at(300, 3); }, "holds 5"},
      {"a count-down cell counting 7", [](auto& f) { put16(f.cell_file, cell_at(214, 1), 7); },
       Misfit::Kind::kNeverWritten, CompiledFileKind::kCells,
       [](const auto&) { return cell_at(214, 1); }, "1 to 4"},
      {"a warning board without its start",
       [](auto& f) {
         f.cell_file[cell_at(241, 0)] = 0;
         for (std::size_t v = 1; v < 9; ++v) f.cell_file[cell_at(241, v)] = 0;
       },
       Misfit::Kind::kNeverWritten, CompiledFileKind::kCells,
       [](const auto&) { return cell_at(217, 0); }, "no slow-down start 24 cells after it"},
      {"a signal too near the line's start", [](auto& f) { f.cell_file[cell_at(3, 0)] = 1; },
       Misfit::Kind::kNeverWritten, CompiledFileKind::kCells,
       [](const auto&) { return cell_at(3, 0); }, "a signal stands in cells 8"},
      {"a stop mark naming the other station",
       [](auto& f) { put16(f.cell_file, cell_at(183, 1), 1); }, Misfit::Kind::kNeverWritten,
       CompiledFileKind::kCells, [](const auto&) { return cell_at(183, 1); },
       "the station whose zone ends here is item 2"},
      {"an approach mark no row writes", [](auto& f) { f.cell_file[cell_at(400, 10)] = 7; },
       Misfit::Kind::kNeverWritten, CompiledFileKind::kCells,
       [](const auto&) { return cell_at(400, 10); }, "written by no signal or station"},
      {"a station's kind flipped to one that ends 150 m past it",
       [](auto& f) { f.train_file[item_at(f, 2, 0)] = 5; }, Misfit::Kind::kNeverWritten,
       CompiledFileKind::kItems, [](const auto& f) { return item_at(f, 2, 5); },
       "ends 150 m past its position"},
      {"a kind in the item of the train and the line's length",
       [](auto& f) { f.train_file[item_at(f, 84, 0)] = 1; }, Misfit::Kind::kNeverWritten,
       CompiledFileKind::kItems, [](const auto& f) { return item_at(f, 84, 0); },
       "where the compile writes nothing"},
      {"a plan coordinate off the curve",
       [](auto& f) { nudge_double(*f.line_file, first_double_at(1000)); },
       Misfit::Kind::kNeverWritten, CompiledFileKind::kLinePlan,
       [](const auto&) { return first_double_at(1000); }, "no step"},
      // Told at the first coordinate of the metre whichever is off.
      {"a second coordinate off the curve",
       [](auto& f) { nudge_double(*f.line_file, column_bytes(f) + first_double_at(1000)); },
       Misfit::Kind::kNeverWritten, CompiledFileKind::kLinePlan,
       [](const auto&) { return first_double_at(1000); }, "no step"},
      {"the origin moved", [](auto& f) { put16(*f.line_file, column_bytes(f) + 6, 2); },
       Misfit::Kind::kNeverWritten, CompiledFileKind::kLinePlan,
       [](const auto& f) { return column_bytes(f) + 4; }, "begins with the 16-bit integers"},
      // Metre 500 of the first coordinates unset: the plan reached metre 500
      // and the second coordinates go on past it.
      {"a first coordinate unset",
       [](auto& f) { f.line_file->replace(first_double_at(500), 10, std::string(2, '\0')); },
       Misfit::Kind::kNeverWritten, CompiledFileKind::kLinePlan,
       [](const auto& f) { return column_bytes(f) - 8 + first_double_at(500); },
       "every entry is unset; this one is not"},
      {"a 16-bit integer past the plan's end",
       [](auto& f) { f.line_file->replace(column_bytes(f) - 2, 2, std::string("\2\0\0\0", 4)); },
       Misfit::Kind::kNeverWritten, CompiledFileKind::kLinePlan,
       [](const auto& f) { return column_bytes(f) - 2; }, "every entry is unset; this one is not"},
      {"a plan that stops at metre 20000",
       [](auto& f) {
         const std::size_t half = column_bytes(f);
         const std::string unset_tail(2 * (27001 - 20000), '\0');
         *f.line_file = f.line_file->substr(0, first_double_at(20000)) + unset_tail +
                        f.line_file->substr(half, first_double_at(20000)) + unset_tail;
       },
       Misfit::Kind::kNeverWritten, CompiledFileKind::kLinePlan,
       [](const auto&) { return first_double_at(20000); }, "the plan stops here"},
      // The file keeps its size, so only the codes tell that it is shaped
      // otherwise than a compile writes it.
      {"a double's bytes taken by a 16-bit integer and three unset entries",
       [](auto& f) {
         f.line_file->replace(first_double_at(500), 10, std::string("\2\0\0\0\0\0\0\0\0\0", 10));
       },
       Misfit::Kind::kLayout, CompiledFileKind::kLinePlan,
       [](const auto& f) { return f.line_file->size(); }, "an odd number"},
      {"a metre more in each coordinate",
       [](auto& f) {
         f.line_file->insert(column_bytes(f), std::string(2, '\0'));
         f.line_file->append(std::string(2, '\0'));
       },
       Misfit::Kind::kLayout, CompiledFileKind::kLinePlan,
       [](const auto&) { return std::size_t{0}; }, "27002 metres a coordinate"},
  };
  return table;
}

TEST(DecompileMisfits, EachDamageIsToldByFileOffsetAndReason) {
  for (const Damage& d : damages()) {
    SCOPED_TRACE(d.name);
    CompiledScenarioFiles damaged = costa();
    d.damage(damaged);
    const Decompilation result = decompile(damaged.input());
    ASSERT_TRUE(result.misfit);
    EXPECT_FALSE(result.descriptions);
    EXPECT_EQ(result.misfit->kind, d.kind) << result.misfit->reason;
    EXPECT_EQ(result.misfit->file, d.file) << result.misfit->reason;
    EXPECT_EQ(result.misfit->offset, d.offset(costa())) << result.misfit->reason;
    EXPECT_NE(result.misfit->reason.find(d.reason), std::string::npos) << result.misfit->reason;
  }
}

}  // namespace
}  // namespace borgo::tools::decompile
