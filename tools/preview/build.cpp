#include "tools/preview/build.hpp"

#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include "compiler/error_catalog.hpp"
#include "compiler/file_names.hpp"
#include "compiler/numeric.hpp"
#include "compiler/placement.hpp"
#include "compiler/record_roles.hpp"
#include "compiler/runtime_failure.hpp"
#include "storage/file_error.hpp"
#include "storage/read_file.hpp"
#include "tools/drafting/document_check.hpp"
#include "tools/drawing/line_render.hpp"
#include "tools/drawing/render_input.hpp"
#include "tools/findings/reading_stop.hpp"
#include "tools/findings/source_scan.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools {

using Json = nlohmann::json;
using compiler::PlacedRow;

struct PreviewBuilder::Drawing {
  std::uint64_t generation = 0;
  std::shared_ptr<const std::string> svg;
  Json lanes;  // the top and bottom of the lanes along the route axis
  Json features;
  Json stopped;  // where an error stopped the reading, and what was not read
};

namespace {

// "28+050": a kilometre progressive in metres as the line's posts read it.
std::string kilometre(double metres) {
  const long long m = std::llround(metres);
  const long long whole = std::llabs(m);
  std::string metres_part = std::to_string(whole % 1000);
  metres_part.insert(0, 3 - metres_part.size(), '0');
  return (m < 0 ? "-" : "") + std::to_string(whole / 1000) + "+" + metres_part;
}

// The kinds of row the page lays a mark over, by what the drawing shows.
struct MarkKind {
  std::string_view name;
  LineGeometry::Band band;
  bool in_plan;  // drawn in the plan view too
};

std::optional<MarkKind> mark_kind(PlacedRow::Kind kind) {
  using Band = LineGeometry::Band;
  switch (kind) {
    case PlacedRow::Kind::kStation:
      return MarkKind{"station", Band::kStations, true};
    case PlacedRow::Kind::kSignal:
      return MarkKind{"signal", Band::kSignals, true};
    case PlacedRow::Kind::kSign:
      return MarkKind{"sign", Band::kSigns, false};
    case PlacedRow::Kind::kSlowDown:
      return MarkKind{"slow-down", Band::kSpeed, false};
    case PlacedRow::Kind::kMountainRange:
      return MarkKind{"montagna", Band::kMountain, false};
    case PlacedRow::Kind::kSpeedIndicators:
    case PlacedRow::Kind::kCodePoint:
      break;  // not drawn
  }
  return std::nullopt;
}

// The cells a row's feature takes, first and last.
compiler::CellSpan cells_of(const PlacedRow& row) {
  if (row.kind == PlacedRow::Kind::kMountainRange) {
    return compiler::mountain_cells(static_cast<std::int32_t>(row.position),
                                    static_cast<std::int32_t>(row.end));
  }
  return {compiler::cell_index(row.position), compiler::cell_index(row.end)};
}

Json point(const std::optional<std::pair<double, double>>& p) {
  if (!p) return nullptr;
  return Json::array({p->first, p->second});
}

const std::string& path_of(const SourceDocument& line, const SourceDocument& train,
                           compiler::Document document) {
  return document == compiler::Document::kLineDescription ? line.shown_path : train.shown_path;
}

// Where a row lies on the drawing.
Json place(const PlacedRow& row, const LineGeometry& geometry) {
  return {{"position", row.position},
          {"end", row.end},
          {"x0", geometry.route_x(static_cast<double>(row.position))},
          {"x1", geometry.route_x(static_cast<double>(row.end))},
          {"plan", point(geometry.plan_point(static_cast<double>(row.position)))}};
}

bool same_row(const compiler::SourceSpot& a, const compiler::SourceSpot& b) {
  return a.document == b.document && a.key == b.key;
}

// What a row puts on the line, in words: a station's name, a sign's text, a
// slow-down's limit.
std::string label_of(const PlacedRow& row, const compiler::RouteModel& model, int station_slot,
                     int sign_slot) {
  const auto item = [&model](int slot) -> const compiler::ItemRecord* {
    if (slot < 0 || slot >= compiler::kItemCount) return nullptr;
    return &model.items[static_cast<std::size_t>(slot)];
  };
  switch (row.kind) {
    case PlacedRow::Kind::kStation:
      if (const auto* s = item(station_slot)) return "station " + utf8_from_1252(s->text);
      return "station";
    case PlacedRow::Kind::kSign:
      if (const auto* s = item(sign_slot)) return "sign " + utf8_from_1252(s->text);
      return "sign";
    case PlacedRow::Kind::kSlowDown: {
      const std::int32_t c = compiler::cell_index(row.position);
      if (c >= 0 && static_cast<std::size_t>(c) < model.cells.size()) {
        const compiler::CellRecord& cell = model.cells[static_cast<std::size_t>(c)];
        if (cell.kind == compiler::kSlowDownStart) {
          return "slow-down to " + std::to_string(compiler::slow_down_limit(cell)) + " km/h";
        }
      }
      return "slow-down";
    }
    case PlacedRow::Kind::kMountainRange:
      return "montagna range";
    default:
      return "signal";
  }
}

// The marks the page lays over the drawing: one for each feature a row placed.
Json features_of(const compiler::Compilation& compilation, const LineGeometry& geometry,
                 const SourceDocument& line, const SourceDocument& train) {
  const compiler::CompileReport& report = compilation.outcome.report;
  Json features = Json::array();
  // Stations take the items from the first slot up, signs from the last
  // down, each in the order of its rows.
  int station_slot = compiler::kFirstStationSlot;
  int sign_slot = compiler::kFirstSignSlot;
  for (const PlacedRow& row : report.placed_rows) {
    const int this_station = station_slot;
    const int this_sign = sign_slot;
    if (row.kind == PlacedRow::Kind::kStation) ++station_slot;
    if (row.kind == PlacedRow::Kind::kSign) --sign_slot;
    // The row an error stopped at placed nothing, or not all of it.
    if (report.error_at && same_row(*report.error_at, row.where)) continue;
    const std::optional<MarkKind> kind = mark_kind(row.kind);
    if (!kind) continue;
    const compiler::CellSpan cells = cells_of(row);
    const auto [top, bottom] = geometry.band(kind->band);
    Json feature = place(row, geometry);
    feature["kind"] = kind->name;
    feature["label"] = label_of(row, *compilation.model, this_station, this_sign);
    feature["file"] = path_of(line, train, row.where.document);
    feature["line"] = row.where.key.line;
    feature["cells"] = Json::array({cells.first, cells.last});
    feature["km"] = kilometre(geometry.progressive(static_cast<double>(row.position)));
    feature["end_km"] = kilometre(geometry.progressive(static_cast<double>(row.end)));
    feature["y0"] = top;
    feature["y1"] = bottom;
    if (!kind->in_plan) feature["plan"] = nullptr;
    features.push_back(std::move(feature));
  }
  return features;
}

std::string_view severity_name(ShownDiagnostic::Severity severity) {
  switch (severity) {
    case ShownDiagnostic::Severity::kError:
      return "error";
    case ShownDiagnostic::Severity::kNote:
      return "note";
    case ShownDiagnostic::Severity::kWarning:
      break;
  }
  return "warning";
}

Json diagnostic_json(const ShownDiagnostic& d, const compiler::CompileReport& report,
                     const LineGeometry* geometry) {
  Json place_json = nullptr;
  if (geometry != nullptr && d.row) {
    for (const PlacedRow& row : report.placed_rows) {
      if (same_row(row.where, *d.row)) {
        place_json = place(row, *geometry);
        break;
      }
    }
  }
  return {{"severity", severity_name(d.severity)},
          {"number", d.number},
          {"file", d.path},
          {"line", d.at.line},
          {"column", d.at.column},
          {"message", d.message},
          {"source", d.source},
          {"caret", d.caret},
          {"place", place_json}};
}

// Where the compile stopped reading, in the description of its error: the
// page tells that row and shades what lies after it.
std::optional<ReadingStop> stop_of_error(const compiler::Compilation& compilation,
                                         const SourceDocument& line, const SourceDocument& train) {
  const std::optional<compiler::SourceSpot>& at = compilation.outcome.report.error_at;
  if (!at) return std::nullopt;
  return reading_stopped_at(compilation, at->document, line.bytes, train.bytes);
}

// The route position of the train description's row on `line`: its first
// field that is a position; none for a row without one.
std::optional<std::int64_t> train_row_position(const std::string& bytes, std::int32_t line) {
  const ScannedDocument scanned =
      scan_description(bytes, compiler::Document::kTrainDescription, true);
  for (const ScannedKey& key : scanned.keys) {
    if (key.at.line > line || key.last_line() < line) continue;
    for (const ScannedField& field : key.fields) {
      if (field.field->cell != compiler::format::CellRule::kNone) return field.number;
    }
  }
  return std::nullopt;
}

// What the drawing lacks after a stop: the train description's rows from the
// stop's position on (its later sections too, whatever their positions), or,
// when the stop is in the line description, the whole train description.
Json stopped_json(const ReadingStop& stop, const SourceDocument& line, const SourceDocument& train,
                  const LineGeometry& geometry) {
  const bool in_train = stop.document == compiler::Document::kTrainDescription;
  std::optional<std::int64_t> from;
  if (in_train && train.bytes) from = train_row_position(*train.bytes, stop.row.line);
  const double start = from ? static_cast<double>(*from) : 0.0;
  return {{"file", path_of(line, train, stop.document)},
          {"line", stop.row.line},
          {"number", stop.error_number},
          {"train_read", in_train},
          {"position", from ? Json(*from) : Json(nullptr)},
          {"x0", geometry.route_x(start)},
          {"x1", geometry.route_x(geometry.length())}};
}

}  // namespace

PreviewBuilder::PreviewBuilder(std::filesystem::path folder, ScenarioNames names)
    : folder_(std::move(folder)), names_(std::move(names)) {}

PreviewBuilder::~PreviewBuilder() = default;

std::filesystem::path PreviewBuilder::line_description() const {
  return folder_ / compiler::line_description_name(names_.as_given());
}

std::filesystem::path PreviewBuilder::train_description() const {
  return folder_ / compiler::train_description_name(names_.as_given());
}

std::shared_ptr<const PreviewState> PreviewBuilder::build() {
  ++generation_;
  Json outcome = {{"generation", generation_},
                  {"line", utf8_from_1252(names_.line_1252)},
                  {"train", utf8_from_1252(names_.train_1252)},
                  {"error_number", nullptr},
                  {"fatal", nullptr},
                  {"summary", nullptr},
                  {"diagnostics", Json::array()}};
  std::string problem;
  std::shared_ptr<Drawing> drawing;
  try {
    std::vector<ShownDiagnostic> shown;
    std::ostringstream terminal_form;  // the page shows the parts instead
    const SourceDocument line{line_description().string(),
                              read_if_present(line_description(), kLargestPreviewedDescription)};
    const SourceDocument train{train_description().string(),
                               read_if_present(train_description(), kLargestPreviewedDescription)};
    const CompileResult result =
        compile_documents(names_, line, train, true, terminal_form, &shown);
    const compiler::CompileOutcome& o = result.outcome();
    DiagnosticCounts counts = result.counts;
    // The service documents beside the descriptions, when they no longer go with them.
    for (drafting::LocatedFinding& stale :
         drafting::check_documents_in(folder_, names_.line, names_.train, names_.line_1252,
                                      names_.train_1252, result.compilation)) {
      shown.push_back({.severity = ShownDiagnostic::Severity::kWarning,
                       .path = stale.path.string(),
                       .at = {stale.finding.line, 1},
                       .message = std::move(stale.finding.message),
                       .source = {},
                       .caret = {},
                       .row = stale.finding.row});
      ++counts.warnings;
    }
    outcome["error_number"] = o.error_number;
    outcome["fatal"] = o.fatal;
    outcome["summary"] = summary_line(counts);
    std::optional<RenderInput> input;
    if (o.fatal != 0) {
      problem = "a fatal contest error: nothing is compiled";
    } else if (!o.has_files) {
      problem = "nothing is compiled: the reading stopped before the line's length was known";
    } else if (o.error_number == compiler::error::kRuntimeFailure) {
      problem =
          "the compile stopped on a run-time failure (a description that ends too soon, "
          "or a value that does not fit its field)";
    } else {
      input = render_input_from_plan(result.compilation, names_, folder_);
    }
    std::optional<LineGeometry> geometry;
    if (input) {
      geometry.emplace(*input);
      drawing = std::make_shared<Drawing>();
      drawing->generation = generation_;
      drawing->svg = std::make_shared<const std::string>(render_line_svg(*input));
      drawing->features = features_of(result.compilation, *geometry, line, train);
      const auto [top, bottom] = geometry->band(LineGeometry::Band::kLanes);
      drawing->lanes = Json::array({top, bottom});
      if (const std::optional<ReadingStop> stop = stop_of_error(result.compilation, line, train)) {
        drawing->stopped = stopped_json(*stop, line, train, *geometry);
      }
    }
    for (const ShownDiagnostic& d : shown) {
      outcome["diagnostics"].push_back(
          diagnostic_json(d, o.report, geometry ? &*geometry : nullptr));
    }
  } catch (const storage::FileTooLarge& failure) {
    problem = "'" + failure.path().string() + "' is larger than " +
              std::to_string(failure.largest() >> 20) +
              " MiB, far more than any description: it is not read";
  } catch (const storage::FileError& failure) {
    problem = "'" + failure.path().string() + "': " + failure.reason();
  } catch (const compiler::RuntimeFailure& failure) {
    problem = failure.what();
  } catch (const std::exception& failure) {
    // The server goes on, and the next save is built afresh.
    problem = std::string("the build failed: ") + failure.what();
  }

  if (drawing) last_good_ = drawing;
  outcome["problem"] = problem.empty() ? Json(nullptr) : Json(problem);
  if (last_good_) {
    outcome["drawing"] = {{"generation", last_good_->generation},
                          {"current", last_good_ == drawing},
                          {"lanes", last_good_->lanes},
                          {"features", last_good_->features},
                          {"stopped", last_good_->stopped}};
  } else {
    outcome["drawing"] = nullptr;
  }
  auto state = std::make_shared<PreviewState>();
  state->generation = generation_;
  // Paths and names come from the platform and may hold bytes that are not
  // UTF-8: they are replaced, not refused.
  state->outcome_json = outcome.dump(-1, ' ', false, Json::error_handler_t::replace);
  if (last_good_) state->drawing = last_good_->svg;
  return state;
}

}  // namespace borgo::tools
