#include "tools/lsp/views/inlay_hints.hpp"

#include <optional>
#include <string>

#include "compiler/description_format.hpp"
#include "compiler/kilometre_progressive.hpp"
#include "compiler/numeric.hpp"
#include "tools/drafting/route_facts.hpp"
#include "tools/findings/reading_stop.hpp"
#include "tools/findings/source_scan.hpp"
#include "tools/shared/kilometres.hpp"

namespace borgo::tools::lsp {
namespace {

using compiler::Document;
using nlohmann::json;
namespace format = compiler::format;

enum HintKind { kType = 1 };

json hint(const json& position, std::string label) {
  return {
      {"position", position}, {"label", std::move(label)}, {"kind", kType}, {"paddingLeft", true}};
}

// The progressive as the train sheet writes it, with the "/" it marks a
// change with.
std::string progressive_words(const compiler::RouteModel& model, std::int64_t metres) {
  const compiler::KilometreAt at = compiler::kilometre_progressive(model, metres);
  return "km " + kilometres(at.metres) + (at.changes_to ? "/" : "");
}

std::string position_words(const compiler::RouteModel& model, const ScannedField& field) {
  std::string out = progressive_words(model, field.number);
  const std::optional<std::int32_t> cell = format::cell_of(field.field->cell, field.number);
  if (cell && model.has_grid()) out += ", cell " + std::to_string(*cell);
  return out;
}

const drafting::StationFact* station_at(const std::optional<drafting::RouteFacts>& facts,
                                        compiler::FieldLocation key) {
  if (!facts) return nullptr;
  for (const drafting::StationFact& station : facts->stations()) {
    if (station.row.document == Document::kTrainDescription && station.row.key == key) {
      return &station;
    }
  }
  return nullptr;
}

}  // namespace

json inlay_hints(const CompiledPair& compiled, Document document, const PositionMap& positions,
                 std::int32_t first_line, std::int32_t last_line) {
  json out = json::array();
  const std::optional<DocumentText>& text = compiled.text(document);
  const compiler::RouteModel* model = compiled.compilation.model.get();
  if (!text || model == nullptr || first_line > last_line) return out;
  const ScannedDocument scanned = scan_description(text->bytes, document, true);
  const std::optional<ReadingStop> stop =
      reading_stopped_at(compiled.compilation, document, compiled.line_bytes, compiled.train_bytes);
  std::optional<drafting::RouteFacts> facts;
  if (document == Document::kTrainDescription) {
    facts = drafting::RouteFacts::of(compiled.compilation);
  }
  const auto shown = [&](compiler::FieldLocation at) {
    return at.line >= first_line && at.line <= last_line;
  };
  for (const ScannedKey& key : scanned.keys) {
    if (key.at.line > last_line) break;
    if (key.kind != ScannedKey::Kind::kRow || !was_read(stop, document, key.at)) continue;
    if (key.last_line() < first_line) continue;
    for (const format::RowFormat* row : key.rows) {
      if (row->key == &format::kCurveKey && shown(key.at)) {
        out.push_back(hint(positions.field_range(key.at)["end"], format::key_says(*row, key.text)));
      }
    }
    for (const ScannedField& field : key.fields) {
      if (field.field->cell == format::CellRule::kNone || !shown(field.at)) continue;
      out.push_back(hint(positions.field_range(field.at)["end"], position_words(*model, field)));
    }
    if (const drafting::StationFact* station = station_at(facts, key.at)) {
      const compiler::FieldLocation last = key.fields.empty() ? key.at : key.fields.back().at;
      if (!shown(last)) continue;
      out.push_back(hint(positions.field_range(last)["end"],
                         "zone cells " + std::to_string(compiler::cell_index(station->zone_start)) +
                             ".." + std::to_string(compiler::cell_index(station->zone_end))));
    }
  }
  return out;
}

}  // namespace borgo::tools::lsp
