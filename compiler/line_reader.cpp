// The line description: length, kilometre-progressive changes, background
// flags and signal repetition in its general section; gradients, curves,
// montagna ranges, speed indicators and signs in its body.
#include "compiler/line_reader.hpp"

#include <algorithm>
#include <array>
#include <limits>
#include <string>

#include "compiler/error_catalog.hpp"
#include "compiler/field_reader.hpp"
#include "compiler/numeric.hpp"
#include "compiler/placement.hpp"
#include "compiler/progressive_order.hpp"
#include "compiler/reader_support.hpp"
#include "compiler/record_roles.hpp"

namespace borgo::compiler::detail {
namespace {

constexpr std::int32_t kPlanMetreLimit = 1000000;

// Extends the plan from metre m (2 or more) up to `last` included: each metre
// repeats the step between the two before it, turned by k radians (0 on a
// straight). Leaves m at the first metre not set. Reaching past the plan's
// end is a run-time failure; false when the metre `limit` was set.
bool step_plan(RouteModel& model, std::int32_t& m, std::int64_t last, double k,
               std::int64_t limit) {
  if (m > last) return true;
  LinePlan& plan = model.line_plan;
  const std::int64_t size = plan.metres();
  if (size == 0) throw RuntimeFailure("no line plan: the line length was not read");
  if (m < 2 || m != plan.reached()) {
    throw RuntimeFailure("plan metre " + std::to_string(m) + " has no two metres before it");
  }
  const std::int64_t stop = std::min({last, size - 1, limit});
  if (m <= stop) {
    plan.add_run(static_cast<std::int32_t>(stop), k);
    m = static_cast<std::int32_t>(stop + 1);
  }
  if (m > limit) return false;
  if (m <= last) {
    throw RuntimeFailure("plan metre " + std::to_string(m) + " past the end of the line plan");
  }
  return true;
}

// The curvature per metre named by a curve key, turning left when negative.
bool curvature_of(std::string_view key, double& k) {
  const format::CurveKey curve = format::read_curve_key(key);
  if (curve.radius_class == 0) return false;
  k = format::kCurveCurvature[static_cast<std::size_t>(curve.radius_class - 1)];
  if (curve.left) k = -k;
  return true;
}

class LineReader : public DescriptionReader {
 public:
  LineReader(RouteModel& model, std::string_view bytes, CompileReport& report)
      : DescriptionReader(model, Document::kLineDescription, bytes, report) {}

  LineReadResult run();

 private:
  bool find_general_section();
  Flow read_general_section();
  Flow general_row(std::string_view key, bool& previous_ended_at_comma);
  void between_sections();
  Flow read_body();

  // The general section's rows.
  Flow length_row(std::string_view key);
  template <int Item>
  Flow progressive_row(std::string_view key);
  Flow background_uno_row(std::string_view key);
  Flow background_due_row(std::string_view key);
  Flow background_tre_row(std::string_view key);
  Flow repetition_row(std::string_view key);

  // The body's rows.
  Flow gradient_row(std::string_view key);
  bool builds_plan() const { return model_.write_line_file != 0; }
  Flow curve_row(std::string_view key);
  Flow mountain_row(std::string_view key);
  Flow indicator_row(std::string_view key);
  Flow sign_row(std::string_view key);
  void complete();

  static const std::array<RowRule<LineReader>, 8> kGeneralRows;
  static const std::array<RowRule<LineReader>, 5> kBodyRows;

  CellProfile gradient_{&CellRecord::gradient_code, pack_gradient_code, false};
  std::int32_t plan_metre_ = 2;
  std::int32_t sign_slot_ = kFirstSignSlot;
  std::int64_t last_gradient_position_ = -1;
};

// Every rule whose words the key field holds applies, in this order.
constexpr std::array<RowRule<LineReader>, 8> LineReader::kGeneralRows{{
    {.key = &format::kLengthKey, .read = &LineReader::length_row},
    {.key = &format::kProgressiveTreKey, .read = &LineReader::progressive_row<kProgressiveFar>},
    {.key = &format::kProgressiveDueKey, .read = &LineReader::progressive_row<kProgressiveMid>},
    {.key = &format::kProgressiveUnoKey, .read = &LineReader::progressive_row<kProgressiveNear>},
    {.key = &format::kBackgroundUnoKey, .read = &LineReader::background_uno_row},
    {.key = &format::kBackgroundDueKey, .read = &LineReader::background_due_row},
    {.key = &format::kBackgroundTreKey, .read = &LineReader::background_tre_row},
    {.key = &format::kRepetitionKey, .read = &LineReader::repetition_row},
}};

// With no line file wanted, a curve row's key still counts as matched, and
// its numbers are read as keys that match nothing.
constexpr std::array<RowRule<LineReader>, 5> LineReader::kBodyRows{{
    {.key = &format::kGradientKey, .read = &LineReader::gradient_row},
    {.key = &format::kCurveKey, .read = &LineReader::curve_row, .when = &LineReader::builds_plan},
    {.key = &format::kMountainKey, .read = &LineReader::mountain_row},
    {.key = &format::kIndicatorKey, .read = &LineReader::indicator_row},
    {.key = &format::kSignKey, .read = &LineReader::sign_row},
}};

LineReadResult LineReader::run() {
  static_assert(format::tests_keys_in_order(kGeneralRows, format::kLineGeneralKeys) &&
                    format::tests_keys_in_order(kBodyRows, format::kLineBodyKeys),
                "the rows are tested in the format's order");
  if (!find_general_section()) return {false, sign_slot_};
  if (read_general_section() == Flow::kReturn) return {false, sign_slot_};
  between_sections();
  if (read_body() == Flow::kReturn) return {false, sign_slot_};
  complete();
  return {true, sign_slot_};
}

bool LineReader::find_general_section() {
  for (;;) {
    const std::string_view field = reader_.read_text();
    cursor_.key = reader_.last_field();
    if (reader_.at_end()) {
      fail(error::kNoGeneralSection, "no field containing \"[generale]\" before the end");
      return false;
    }
    if (contains_ignoring_case(field, format::kGeneralHeading)) return true;
  }
}

Flow LineReader::read_general_section() {
  bool previous_ended_at_comma = false;
  for (;;) {
    if (reader_.at_end()) return Flow::kContinue;
    std::string_view key = reader_.read_text();
    cursor_.key = reader_.last_field();
    if (reader_.at_end()) {
      warn_last_field_lost(report_, cursor_, key);
      return Flow::kContinue;
    }
    for (int i = 0; i < format::kGeneralDashReads && contains(key, "-"); ++i) {
      key = reader_.read_text();
      cursor_.key = reader_.last_field();
    }
    cursor_.value = reader_.next_field();
    if (const Flow flow = general_row(key, previous_ended_at_comma); flow != Flow::kContinue) {
      return flow;
    }
    if (is_section_heading(key)) return Flow::kContinue;
  }
}

// `previous_ended_at_comma`: the last row's last number ended at a comma, so
// that digits in the key are its decimals; updated for the next key.
Flow LineReader::general_row(std::string_view key, bool& previous_ended_at_comma) {
  bool matched = false;
  if (const Flow flow = apply_row_rules(*this, kGeneralRows, key, matched);
      flow != Flow::kContinue) {
    return flow;
  }
  if (matched) {
    previous_ended_at_comma = reader_.last_number_ended_at_comma();
  } else {
    warn_unmatched_key(report_, cursor_, key, previous_ended_at_comma);
    previous_ended_at_comma = false;
  }
  return Flow::kContinue;
}

Flow LineReader::length_row(std::string_view) {
  const std::int32_t length = reader_.read_i32();
  TrainAndLengthItem(model_.items[kTrainAndLength]).line_length() = length;
  if (length > kLongestLine) {
    return fail(error::kLineTooLong,
                "line length " + std::to_string(length) + " m is above 1000000 m");
  }
  if (length < 0) {
    return fail(error::kNegativePosition,
                "line length " + std::to_string(length) + " m is negative");
  }
  model_.plan_last = plan_metre_last(length);
  model_.cell_last = grid_cell_last(length);
  model_.cells.assign(static_cast<std::size_t>(model_.cell_last) + 1, CellRecord{});
  model_.line_plan.clear();
  if (model_.write_line_file != 0) model_.line_plan.reset(model_.plan_last + 1);
  return Flow::kContinue;
}

template <int Item>
Flow LineReader::progressive_row(std::string_view) {
  const ProgressiveItem change(model_.items[Item]);
  change.position() = reader_.read_i32();
  change.value() = reader_.read_i32();
  change.flag() = reader_.read_i32();
  auto& off_grid = report_.off_grid_progressives[Item - kProgressiveFar];
  off_grid.reset();
  if (change.position() % 50 != 0 || change.value() % 50 != 0) off_grid = cursor_.spot();
  return Flow::kContinue;
}

Flow LineReader::background_uno_row(std::string_view) {
  LineItem(model_.items[kLineRecord]).background_uno() = reader_.read_i32();
  return Flow::kContinue;
}

Flow LineReader::background_due_row(std::string_view) {
  LineItem(model_.items[kLineRecord]).background_due() = reader_.read_i32();
  return Flow::kContinue;
}

Flow LineReader::background_tre_row(std::string_view) {
  LineItem(model_.items[kLineRecord]).background_tre() = reader_.read_i32();
  return Flow::kContinue;
}

Flow LineReader::repetition_row(std::string_view key) {
  const TrainItem train(model_.items[kTrainRecord]);
  train.repetition_start() = reader_.read_i32();
  train.repetition_end() = reader_.read_i32();
  if (train.repetition_start() % 50 != 0) {
    return fail(error::kRepetitionStartOffGrid, "repetition start " +
                                                    std::to_string(train.repetition_start()) +
                                                    " is not a multiple of 50");
  }
  if (train.repetition_end() % 50 != 0) {
    return fail(
        error::kRepetitionEndOffGrid,
        "repetition end " + std::to_string(train.repetition_end()) + " is not a multiple of 50");
  }
  if (contains(key, "4")) {
    train.repetition_codes() = 4;
  } else if (contains(key, "9")) {
    train.repetition_codes() = 9;
  } else {
    return fail(error::kRepetitionCodeCount,
                "\"" + std::string(key) + "\" names neither 4 nor 9 codes");
  }
  if (train.repetition_end() == 0) train.repetition_codes() = 0;
  return Flow::kContinue;
}

void LineReader::between_sections() {
  progressive_ordina(model_);
  model_.mountain_count = 0;
  sign_slot_ = kFirstSignSlot;
  plan_metre_ = 2;
  if (model_.has_line_plan()) model_.line_plan.place_origin();
}

Flow LineReader::read_body() {
  bool previous_ended_at_comma = false;
  std::string_view key;
  while (next_body_key(cursor_, report_, key)) {
    bool matched = false;
    if (const Flow flow = apply_row_rules(*this, kBodyRows, key, matched);
        flow != Flow::kContinue) {
      return flow;
    }
    if (matched) {
      previous_ended_at_comma = reader_.last_number_ended_at_comma();
    } else {
      warn_unmatched_key(report_, cursor_, key, previous_ended_at_comma);
      previous_ended_at_comma = false;
    }
  }
  return Flow::kContinue;
}

Flow LineReader::gradient_row(std::string_view) {
  return profile_row(gradient_, "gradient", "gradient", last_gradient_position_);
}

Flow LineReader::curve_row(std::string_view key) {
  const std::int32_t s = reader_.read_i32();
  const std::int32_t n = reader_.read_i32();
  if (beyond_grid(model_, s, 100)) return beyond_grid_at(s, 100);
  if (s < 0)
    return fail(error::kNegativePosition, "curve at negative position " + std::to_string(s));
  double k = 0.0;
  if (!curvature_of(key, k)) {
    return fail(error::kCurve, "\"" + std::string(key) + "\" names no radius class 1 to 6");
  }
  if (s < plan_metre_ - 1) {
    report_.warnings.push_back({CompileWarning::Kind::kCurveBeforeReached, cursor_.spot(),
                                "curve starts at " + std::to_string(s) + " m, before metre " +
                                    std::to_string(plan_metre_ - 1) +
                                    " already reached: it is shortened"});
  }
  // Straight on to the curve's start, then round it.
  if (!step_plan(model_, plan_metre_, s, 0.0, kPlanMetreLimit) ||
      !step_plan(model_, plan_metre_, std::int64_t{s} + n, k, kPlanMetreLimit)) {
    return fail(error::kCurve, "the plan passes metre 1000000 (curve at " + std::to_string(s) +
                                   " m, length " + std::to_string(n) + " m)");
  }
  return Flow::kContinue;
}

Flow LineReader::mountain_row(std::string_view) {
  MountainRow row;
  row.inizio = reader_.read_i32();
  row.fine = reader_.read_i32();
  row.tipo = reader_.read_i32();
  note_placed(PlacedRow::Kind::kMountainRange, row.inizio, row.fine);
  if (beyond_grid(model_, row.inizio, 100)) return beyond_grid_at(row.inizio, 100);
  memo_montagna(model_, row);
  return placement_result("montagna range " + std::to_string(row.inizio) + " .. " +
                          std::to_string(row.fine));
}

Flow LineReader::indicator_row(std::string_view) {
  IndicatorRow row;
  row.posizione = reader_.read_i32();
  row.vas = reader_.read_i32();
  row.vbs = reader_.read_i32();
  row.vcs = reader_.read_i32();
  row.strisces = reader_.read_i32();
  row.vad = reader_.read_i32();
  row.vbd = reader_.read_i32();
  row.vcd = reader_.read_i32();
  row.strisced = reader_.read_i32();
  note_placed(PlacedRow::Kind::kSpeedIndicators, row.posizione);
  if (beyond_grid(model_, row.posizione, 100)) return beyond_grid_at(row.posizione, 100);
  memo_indicatori_v_max(model_, row, &report_.conflict);
  return placement_result("speed indicators at " + std::to_string(row.posizione) + " m");
}

Flow LineReader::sign_row(std::string_view) {
  const std::int32_t p = reader_.read_i32();
  model_.text_line = std::string(reader_.read_text());
  note_placed(PlacedRow::Kind::kSign, p);
  if (beyond_grid(model_, p, 100)) return beyond_grid_at(p, 100);
  if (p < 0)
    return fail(error::kNegativePosition, "sign at negative position " + std::to_string(p));
  if (!sign_slot_left(sign_slot_)) {
    return fail(error::kTooManySigns, "the item table holds at most 80 signs");
  }
  const std::int32_t c = cell_index(p);
  CellRecord& cell = cell_at(model_, c);
  if (!is_free(cell)) {
    report_.conflict = CellConflict{c, cell.kind};
    return fail(error::kSignCellTaken, "sign at " + std::to_string(p) + " m");
  }
  cell.kind = kSign;
  sign_item(cell) = keep_low_bits<std::int16_t>(sign_slot_);
  sign_text(model_.items[static_cast<std::size_t>(sign_slot_)]) = model_.text_line;
  --sign_slot_;
  return Flow::kContinue;
}

void LineReader::complete() {
  gradient_.complete(model_);
  if (builds_plan()) extend_plan_straight(model_, plan_metre_, model_.plan_last - 2);
}

}  // namespace

void extend_plan_straight(RouteModel& model, std::int32_t& m, std::int64_t last) {
  step_plan(model, m, last, 0.0, std::numeric_limits<std::int64_t>::max());
}

LineReadResult read_line_description(RouteModel& model, std::string_view bytes,
                                     CompileReport& report) {
  LineReader reader(model, bytes, report);
  try {
    return reader.run();
  } catch (...) {
    report.error_at = reader.spot();  // where a run-time failure stopped the reading
    throw;
  }
}

}  // namespace borgo::compiler::detail
