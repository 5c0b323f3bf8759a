#include "tools/findings/reference/explanation.hpp"

#include <algorithm>
#include <vector>

#include "compiler/description_format.hpp"
#include "compiler/error_catalog.hpp"
#include "compiler/kilometre_progressive.hpp"
#include "compiler/numeric.hpp"
#include "compiler/placement.hpp"
#include "compiler/record_roles.hpp"
#include "tools/findings/compile_findings.hpp"
#include "tools/findings/diagnostics.hpp"
#include "tools/findings/nearest_key.hpp"
#include "tools/findings/reading_stop.hpp"
#include "tools/findings/skipped_fields.hpp"
#include "tools/shared/cell_kinds.hpp"
#include "tools/shared/kilometres.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools {
namespace {

using json = nlohmann::json;
using compiler::FieldLocation;
using compiler::RouteModel;
namespace format = compiler::format;
namespace e = compiler::error;

std::string in_quotes(std::string_view text) { return "\"" + utf8_from_1252(text) + "\""; }

std::string_view document_words(compiler::Document document) {
  return document == compiler::Document::kLineDescription ? "the line description"
                                                          : "the train description";
}

bool all_digits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// What the compile left in a cell: its kind and the profiles it carries.
json cell_json(const RouteModel& model, std::int64_t c) {
  json out = {{"index", c},
              {"from_metre", compiler::cell_first_metre(c)},
              {"to_metre", compiler::cell_first_metre(c) + 50}};
  if (c < 0 || c >= static_cast<std::int64_t>(model.cells.size())) {
    out["outside_grid"] = true;
    return out;
  }
  const compiler::CellRecord& cell = model.cells[static_cast<std::size_t>(c)];
  out["holds"] = kind_key(cell.kind);
  out["holds_words"] = kind_name(cell.kind);
  switch (cell.kind) {
    case compiler::kCodePoint:
      out["code"] = compiler::code_value(cell);
      break;
    case compiler::kSlowDownStart:
    case compiler::kSlowDownEnd:
    case compiler::kWarningBoard:
      out["limit_kmh"] = compiler::slow_down_limit(cell);
      break;
    case compiler::kStationStop: {
      const auto item = compiler::stop_station_item(cell);
      out["station_item"] = item;
      if (item >= 0 && item < compiler::kItemCount) {
        out["station"] = utf8_from_1252(model.items[static_cast<std::size_t>(item)].text);
      }
      break;
    }
    case compiler::kSign: {
      const auto item = compiler::sign_item(cell);
      out["sign_item"] = item;
      if (item >= 0 && item < compiler::kItemCount) {
        out["sign"] =
            utf8_from_1252(compiler::sign_text(model.items[static_cast<std::size_t>(item)]));
      }
      break;
    }
    default:
      break;
  }
  out["speed_kmh"] = compiler::speed_code_kmh(cell.speed_code);
  if (compiler::has_gradient(cell.gradient_code)) {
    out["gradient_per_mille"] = compiler::gradient_per_mille(cell.gradient_code);
  }
  out["adhesion"] = cell.adhesion;
  if (cell.approach_mark != 0) out["approach_mark"] = cell.approach_mark;
  if (cell.mountain_type != 0) out["montagna_type"] = cell.mountain_type;
  return out;
}

json kilometre_json(const RouteModel& model, std::int64_t p) {
  const compiler::KilometreAt at = compiler::kilometre_progressive(model, p);
  json out = {{"metres", at.metres}, {"km", kilometres(at.metres)}};
  if (at.changes_to) {
    out["changes_to_metres"] = *at.changes_to;
    out["changes_to_km"] = kilometres(*at.changes_to);
  }
  return out;
}

class Explainer {
 public:
  explicit Explainer(const ExplainRequest& request)
      : request_(request),
        model_(*request.compilation->model),
        outcome_(request.compilation->outcome),
        source_(LineIndex(request.bytes).line(request.line).value_or("")),
        skipped_(*request.scanned),
        stop_(reading_stopped_at(
            outcome_, model_, request.document,
            request.document == compiler::Document::kLineDescription ? request.scanned : nullptr,
            request.document == compiler::Document::kTrainDescription ? request.scanned
                                                                      : request.train)) {}

  json run() {
    json out = {
        {"file", request_.shown_path},
        {"document", request_.document == compiler::Document::kLineDescription ? "line" : "train"},
        {"line", request_.line},
        {"source", utf8_from_1252(source_)}};
    json items = json::array();
    const std::int32_t n = request_.line;
    const ScannedDocument& scanned = *request_.scanned;
    for (std::size_t k = 0; k < scanned.keys.size(); ++k) {
      const ScannedKey& key = scanned.keys[k];
      for (const auto& [at, text] : key.dashed) {
        if (at.line == n) items.push_back(dash_item(at, text));
      }
      if (key.at.line != n) continue;
      if (const SkippedRun* run = skipped_.run_of(k)) {
        // A run is told once, at its first key.
        if (run->first == k) items.push_back(run_item(*run));
        continue;
      }
      items.push_back(key_item(key, false));
    }
    if (items.empty()) {
      for (const ScannedKey& key : scanned.keys) {
        if (key.kind == ScannedKey::Kind::kRow && key.at.line < n && key.last_line() >= n) {
          items.push_back(key_item(key, true));
        }
      }
    }
    if (items.empty()) items.push_back(lone_line_item());
    out["items"] = std::move(items);
    return out;
  }

 private:
  json dash_item(FieldLocation at, std::string_view text) const {
    return {{"what", "dash-key"},
            {"column", at.column},
            {"key", utf8_from_1252(text)},
            {"says", in_quotes(text) + " holds \"-\", so the field after it is read as the key "
                                       "in its place"}};
  }

  json lone_line_item() const {
    const ScannedDocument& scanned = *request_.scanned;
    const std::int32_t n = request_.line;
    if (scanned.general && scanned.general->line == n) {
      return {{"what", "general-heading"},
              {"says", "the \"[generale]\" heading: the rows of " +
                           std::string(document_words(request_.document)) + " begin after it"}};
    }
    if (!scanned.general || n < scanned.general->line) {
      return {{"what", "before-general"},
              {"says", "text before \"[generale]\": it is skipped, whatever it holds"}};
    }
    if (scanned.failed_at && n >= scanned.failed_at->line) {
      return {{"what", "not-read"},
              {"says", format::say(format::Said::kNotRead,
                                   {{"file", request_.shown_path},
                                    {"line", std::to_string(scanned.failed_at->line)}})}};
    }
    if (source_.find_first_not_of(' ') == std::string_view::npos) {
      return {{"what", "empty-line"}, {"says", "an empty line: it is skipped"}};
    }
    return {{"what", "no-field"},
            {"says", "no field begins on this line: it belongs to a quoted text before it"}};
  }

  json key_item(const ScannedKey& key, bool continued) const {
    switch (key.kind) {
      case ScannedKey::Kind::kRow:
        return row_item(key, continued);
      case ScannedKey::Kind::kHeading: {
        std::string says = "a section heading: it matches no row and is skipped";
        if (key.section == format::Section::kLineGeneral) says += "; it ends the general section";
        return {{"what", "section-heading"},
                {"column", key.at.column},
                {"key", utf8_from_1252(key.text)},
                {"says", says}};
      }
      case ScannedKey::Kind::kLost:
        return {{"what", "last-field"},
                {"column", key.at.column},
                {"key", utf8_from_1252(key.text)},
                {"says", "the document's last field is never read, so " + in_quotes(key.text) +
                             " is lost; close the document with a line such as \"[fine]\""}};
      case ScannedKey::Kind::kUnmatched:
        break;
    }
    // An unmatched key is explained on its own line only.
    if (key.text.empty()) {
      if (source_.find_first_not_of(' ') == std::string_view::npos) {
        return {{"what", "empty-line"}, {"says", "an empty line: it is skipped"}};
      }
      return {{"what", "unknown-key"},
              {"column", key.at.column},
              {"key", ""},
              {"says", "an empty field where a key is due: it is skipped"}};
    }
    json out = {
        {"what", "unknown-key"}, {"column", key.at.column}, {"key", utf8_from_1252(key.text)}};
    if (const compiler::CompileWarning* warning = decimal_comma_at(key)) {
      out["what"] = "decimal-comma";
      out["says"] = left_over_from_empty_field(*request_.scanned, request_.bytes, key.at)
                        .value_or(utf8_from_1252(warning->detail));
      return out;
    }
    if (all_digits(key.text)) {
      out["says"] =
          "a number where a key is due, skipped; a decimal comma splits a number and "
          "its decimals come here";
      return out;
    }
    out["says"] = in_quotes(key.text) + " matches no key and is skipped";
    return out;
  }

  // The compile's decimal-comma warning on `key`, if it gave one.
  const compiler::CompileWarning* decimal_comma_at(const ScannedKey& key) const {
    for (const compiler::CompileWarning& warning : outcome_.report.warnings) {
      if (warning.kind == compiler::CompileWarning::Kind::kDecimalComma && warning.where &&
          warning.where->document == request_.document && warning.where->key == key.at) {
        return &warning;
      }
    }
    return nullptr;
  }

  // Fields skipped together: a row whose key matched nothing with its values,
  // a lone key, the rest of a text that a comma ended.
  json run_item(const SkippedRun& run) const {
    const ScannedDocument& scanned = *request_.scanned;
    const ScannedKey& key = scanned.keys[run.first];
    static constexpr const char* kWhat[] = {"ignored-row", "unknown-key", "comma-ends-text"};
    json out = {{"what", kWhat[static_cast<std::size_t>(run.kind)]},
                {"column", key.at.column},
                {"key", utf8_from_1252(key.text)},
                {"says", skipped_run_message(scanned, run)}};
    json values = json::array();
    for (std::size_t i = run.first + 1; i <= run.last; ++i) {
      values.push_back(utf8_from_1252(scanned.keys[i].text));
    }
    out["values"] = std::move(values);
    if (run.kind != SkippedRun::Kind::kCutText && !number_like(key.text)) {
      const KeyGuess guess = guess_key(key.text, key.section);
      if (guess.kind != KeyGuess::Kind::kFar) {
        out["nearest_key"] = std::string(guess.row->name);
        out["distance"] = guess.distance;
      }
    }
    return out;
  }

  // Whether the compile read the row at `key`, and why not.
  std::optional<std::string> not_read(const ScannedKey& key) const {
    if (was_read(stop_, request_.document, key.at)) return std::nullopt;
    return format::say(format::Said::kNotRead,
                       {{"file", stop_->document == request_.document
                                     ? request_.shown_path
                                     : (request_.other_shown_path.empty()
                                            ? std::string(document_words(stop_->document))
                                            : request_.other_shown_path)},
                        {"line", std::to_string(stop_->row.line)}});
  }

  json row_item(const ScannedKey& key, bool continued) const {
    json rows = json::array();
    for (const format::RowFormat* row : key.rows) {
      rows.push_back({{"name", row->name}, {"title", row->title}, {"summary", row->summary}});
    }
    const format::RowFormat& first = *key.rows.front();
    json out = {{"what", continued ? "continued-row" : "row"},
                {"row", first.name},
                {"title", first.title},
                {"key", utf8_from_1252(key.text)},
                {"line", key.at.line},
                {"column", key.at.column},
                {"rows", std::move(rows)}};
    const std::string key_says = format::key_says(first, key.text);
    if (!key_says.empty()) out["key_says"] = key_says;
    std::string says = "a \"" + std::string(first.name) + "\" row: " + std::string(first.title);
    if (!key_says.empty()) says += ": " + in_quotes(key.text) + " " + key_says;
    if (continued) says += ", going on from line " + std::to_string(key.at.line);
    const std::optional<std::string> skipped = not_read(key);
    out["read"] = !skipped;
    if (skipped) says += "; " + *skipped;
    const auto& at = outcome_.report.error_at;
    if (outcome_.error_number != 0 && at && at->document == request_.document &&
        at->key == key.at) {
      const compiler::ErrorInfo* info = compiler::find_error(outcome_.error_number);
      json error = {{"number", outcome_.error_number}};
      if (info != nullptr) {
        error["name"] = info->name;
        error["message"] = info->message;
        error["advice"] = info->advice;
      }
      error["detail"] = utf8_from_1252(outcome_.report.error_detail);
      out["error"] = std::move(error);
      says += "; the compile stopped here with error " + std::to_string(outcome_.error_number);
    }
    out["says"] = says;
    json fields = json::array();
    for (const ScannedField& value : key.fields) fields.push_back(field_json(value));
    out["fields"] = std::move(fields);
    if (key.fields_skipped) out["fields_skipped"] = true;
    if (!skipped && model_.has_grid()) add_features(out, key);
    return out;
  }

  json field_json(const ScannedField& value) const {
    const format::FieldFormat& field = *value.field;
    json out = {{"name", field.name},
                {"row", value.row->name},
                {"line", value.at.line},
                {"column", value.at.column},
                {"unit", format::unit_name(field.unit)},
                {"meaning", field.meaning},
                {"type", format::type_name(field.type)},
                {"range", format::type_range(field.type)},
                {"checks", field.checks},
                {"lands", field.lands}};
    if (field.type == format::ValueType::kText) {
      out["value"] = utf8_from_1252(value.text);
    } else {
      out["value"] = value.number;
    }
    json errors = json::array();
    for (const e::Number n : field.errors) errors.push_back(static_cast<std::int32_t>(n));
    out["errors"] = std::move(errors);
    if (field.cell != format::CellRule::kNone) {
      out["kilometre"] = kilometre_json(model_, value.number);
      const std::optional<std::int32_t> cell = format::cell_of(field.cell, value.number);
      if (cell && model_.has_grid()) {
        out["cell"] = cell_json(model_, *cell);
        out["cell"]["rule"] = format::cell_formula(field.cell);
      }
    }
    return out;
  }

  std::int64_t number(const ScannedKey& key, const format::RowFormat& row,
                      std::string_view name) const {
    for (const ScannedField& value : key.fields) {
      if (value.row == &row && value.field->name == name) return value.number;
    }
    return 0;
  }

  void add_features(json& out, const ScannedKey& key) const {
    for (const format::RowFormat* row : key.rows) {
      if (row->key == &format::kSignalKey) {
        const std::int32_t c = compiler::cell_index(number(key, *row, "posizione"));
        json marks = json::array();
        for (int k = 1; k <= compiler::kSignalApproachMarks; ++k) {
          marks.push_back(cell_json(model_, compiler::signal_approach_cell(c, k)));
        }
        out["signal"] = {{"cell", cell_json(model_, c)}, {"approach_cells", std::move(marks)}};
      } else if (row->key == &format::kSlowDownKey) {
        const std::int64_t p = number(key, *row, "posizione");
        json slow = {{"start", cell_json(model_, compiler::cell_index(p))},
                     {"end", cell_json(model_, compiler::cell_index(p + number(key, *row, "l")))}};
        if (p > compiler::kBoardThreshold) {
          slow["board"] = cell_json(model_, compiler::cell_index(p - compiler::kBoardDistance));
          if (number(key, *row, "f_ta") != 0) {
            json before_board = json::array();
            const std::int32_t a =
                compiler::rnd(static_cast<double>(p - compiler::kBoardDistance) / 50.0);
            for (int i = 0; i < 4; ++i) before_board.push_back(cell_json(model_, a - i));
            slow["before_board"] = std::move(before_board);
          }
        }
        out["slow_down"] = std::move(slow);
      } else if (row->key == &format::kStationKey && request_.train != nullptr) {
        out["station"] = station_json(key);
      }
    }
  }

  // Stations take items 1, 2, ... in the order of their rows.
  json station_json(const ScannedKey& key) const {
    std::int32_t s = compiler::kFirstStationSlot;
    for (const ScannedKey& k : request_.train->keys) {
      if (k.at >= key.at) break;
      for (const format::RowFormat* row : k.rows) s += row->key == &format::kStationKey;
    }
    json out = {{"item", s}};
    if (s >= compiler::kFirstSignSlot ||
        compiler::item_role(static_cast<std::size_t>(s),
                            model_.items[static_cast<std::size_t>(s)]) !=
            compiler::ItemRole::kStation) {
      return out;
    }
    const compiler::StationItem station(model_.items[static_cast<std::size_t>(s)]);
    out["zone_start"] = station.zone_start();
    out["zone_end"] = station.zone_end();
    out["zone_start_km"] =
        kilometres(compiler::kilometre_progressive(model_, station.zone_start()).metres);
    out["zone_end_km"] =
        kilometres(compiler::kilometre_progressive(model_, station.zone_end()).metres);
    // The stop mark names its station; the approach marks stand on the four
    // cells before it.
    for (std::size_t c = 0; c < model_.cells.size(); ++c) {
      const compiler::CellRecord& cell = model_.cells[c];
      if (cell.kind != compiler::kStationStop || compiler::stop_station_item(cell) != s) continue;
      out["stop_mark"] = cell_json(model_, static_cast<std::int64_t>(c));
      if (compiler::has_approach_marks(station.type())) {
        json marks = json::array();
        for (int n = 1; n <= compiler::kStationApproachMarks; ++n) {
          marks.push_back(cell_json(model_, static_cast<std::int64_t>(c) - n));
        }
        out["approach_cells"] = std::move(marks);
      }
      break;
    }
    return out;
  }

  const ExplainRequest& request_;
  const RouteModel& model_;
  const compiler::CompileOutcome& outcome_;
  std::string_view source_;  // the line explained, without its line end
  SkippedFields skipped_;
  std::optional<ReadingStop> stop_;
};

// ---- text

std::string str(const json& j) { return j.is_string() ? j.get<std::string>() : j.dump(); }

// The source line as the diagnostics show it, each tab widened to the next
// tab stop; a letter of several UTF-8 bytes takes one column.
std::string widened_tabs(std::string_view utf8) {
  std::string out;
  std::size_t column = 0;
  for (const char c : utf8) {
    if (c == '\t') {
      const std::size_t width = kTabStop - column % kTabStop;
      out.append(width, ' ');
      column += width;
      continue;
    }
    out += c;
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++column;
  }
  return out;
}

std::string cell_words(const json& cell) {
  std::string out = "cell " + str(cell["index"]);
  if (cell.contains("rule")) out += " = " + str(cell["rule"]);
  out += " (" + str(cell["from_metre"]) + ".." + str(cell["to_metre"]) + " m)";
  if (cell.contains("outside_grid")) return out + ", outside the grid";
  out += " holds ";
  const std::string holds = str(cell["holds_words"]);
  out += holds == "empty cell" ? "no feature" : "a " + holds;
  for (const char* extra : {"code", "limit_kmh", "station", "sign"}) {
    if (cell.contains(extra)) out += " " + str(cell[extra]);
  }
  out += "; " + str(cell["speed_kmh"]) + " km/h";
  if (cell.contains("gradient_per_mille")) {
    out += ", gradient " + str(cell["gradient_per_mille"]) + " per mille";
  }
  out += ", adhesion " + str(cell["adhesion"]);
  if (cell.contains("approach_mark")) out += ", approach mark " + str(cell["approach_mark"]);
  if (cell.contains("montagna_type")) out += ", montagna type " + str(cell["montagna_type"]);
  return out;
}

void fields_text(std::string& out, const json& fields) {
  std::size_t name_width = 0;
  std::size_t value_width = 0;
  for (const json& f : fields) {
    name_width = std::max(name_width, str(f["name"]).size());
    std::string value = str(f["value"]);
    if (!str(f["unit"]).empty()) value += " " + str(f["unit"]);
    value_width = std::max(value_width, value.size());
  }
  const std::string indent(4 + name_width + 2 + value_width + 2, ' ');
  for (const json& f : fields) {
    std::string name = str(f["name"]);
    std::string value = str(f["value"]);
    if (!str(f["unit"]).empty()) value += " " + str(f["unit"]);
    name.resize(name_width, ' ');
    value.resize(value_width, ' ');
    out += "    " + name + "  " + value + "  " + str(f["meaning"]) + "\n";
    if (f.contains("kilometre")) {
      const json& km = f["kilometre"];
      std::string where = "km " + str(km["km"]);
      if (km.contains("changes_to_km"))
        where += ", changing here to km " + str(km["changes_to_km"]);
      if (f.contains("cell")) where = cell_words(f["cell"]) + "; " + where;
      out += indent + where + "\n";
    }
  }
}

void cells_text(std::string& out, std::string_view label, const json& cells) {
  out += "    " + std::string(label) + ":\n";
  for (const json& c : cells) out += "      " + cell_words(c) + "\n";
}

}  // namespace

json explain_line(const ExplainRequest& request) { return Explainer(request).run(); }

std::string explanation_text(const json& explanation) {
  std::string out = str(explanation["file"]) + ":" + str(explanation["line"]) + "\n";
  out += std::string(6 - std::min<std::size_t>(6, str(explanation["line"]).size()), ' ') +
         str(explanation["line"]) + " | " + widened_tabs(str(explanation["source"])) + "\n";
  for (const json& item : explanation["items"]) {
    out += "  " + str(item["says"]) + "\n";
    if (item.contains("error")) {
      const json& error = item["error"];
      out += "    error " + str(error["number"]);
      if (error.contains("message")) out += ": " + str(error["message"]);
      if (!str(error["detail"]).empty()) out += ": " + str(error["detail"]);
      out += "\n";
      if (error.contains("advice")) out += "    what to do: " + str(error["advice"]) + "\n";
    }
    if (item.contains("fields")) fields_text(out, item["fields"]);
    if (item.contains("signal"))
      cells_text(out, "approach marks", item["signal"]["approach_cells"]);
    if (item.contains("slow_down")) {
      const json& slow = item["slow_down"];
      json cells = json::array();
      if (slow.contains("board")) cells.push_back(slow["board"]);
      cells.push_back(slow["start"]);
      cells.push_back(slow["end"]);
      cells_text(out, "warning board, start and end", cells);
      if (slow.contains("before_board")) {
        cells_text(out, "the four cells before the board", slow["before_board"]);
      }
    }
    if (item.contains("station")) {
      const json& station = item["station"];
      out += "    item " + str(station["item"]);
      if (station.contains("zone_start")) {
        out += ", zone " + str(station["zone_start"]) + ".." + str(station["zone_end"]) +
               " m (km " + str(station["zone_start_km"]) + " to " + str(station["zone_end_km"]) +
               ")";
      }
      out += "\n";
      if (station.contains("stop_mark")) {
        out += "    stop mark: " + cell_words(station["stop_mark"]) + "\n";
      }
      if (station.contains("approach_cells")) {
        cells_text(out, "approach marks", station["approach_cells"]);
      }
    }
  }
  return out;
}

std::int32_t line_count(std::string_view bytes) {
  std::int32_t lines = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) {
      ++lines;
    }
  }
  if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r') ++lines;
  return lines;
}

}  // namespace borgo::tools
