#include "tools/drafting/document_check.hpp"

#include <algorithm>
#include <set>
#include <system_error>

#include "documents/documents.hpp"
#include "storage/file_error.hpp"
#include "storage/read_file.hpp"
#include "tools/drafting/slow_down_order.hpp"
#include "tools/drafting/text_cells.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools::drafting {
namespace {

std::vector<std::string_view> lines_of(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// The text between bars: " |a|b|c|" gives {"a", "b", "c"}.
std::vector<std::string_view> cells_of(std::string_view line) {
  std::vector<std::string_view> cells;
  std::size_t bar = line.find('|');
  while (bar != std::string_view::npos) {
    const std::size_t next = line.find('|', bar + 1);
    if (next == std::string_view::npos) break;
    cells.push_back(line.substr(bar + 1, next - bar - 1));
    bar = next;
  }
  return cells;
}

// A cell's text without the blanks around it; on a rule line, underscores
// stand for blanks.
std::string cell_text(std::string_view cell, bool rule) {
  std::string text(cell);
  if (rule) std::replace(text.begin(), text.end(), '_', ' ');
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A name as a reader tells it apart: letters of either case, "_", "-" and
// blanks alike ("Borgo_Mar", "Borgo-Mar", "BORGO MAR").
std::string loosely(std::string_view name) {
  std::string key;
  for (const char c : name) {
    if (c == '_' || c == '-' || c == ' ') {
      if (!key.empty() && key.back() != ' ') key += ' ';
    } else {
      key += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
  }
  while (!key.empty() && key.back() == ' ') key.pop_back();
  return key;
}

std::string in_quotes(std::string_view text) { return "\"" + utf8_from_1252(text) + "\""; }

std::string after(std::string_view line, std::string_view prefix) {
  const std::size_t at = line.find(prefix);
  if (at == std::string_view::npos) return "";
  return cell_text(line.substr(at + prefix.size()), false);
}

struct OrderEntryRead {
  std::int32_t line = 0;
  std::string post;
  std::string speed;
  std::string length;
};

std::string train_number_of(const SheetSettings& settings, std::string_view train_name) {
  if (settings.train_number) return settings.train_number->text;
  const std::size_t space = train_name.find_last_of(' ');
  return std::string(space == std::string_view::npos ? train_name : train_name.substr(space + 1));
}

}  // namespace

std::vector<DocumentFinding> check_slow_down_order(std::string_view bytes, const RouteFacts& facts,
                                                   std::string_view line_name,
                                                   std::string_view train_name) {
  std::vector<DocumentFinding> findings;
  const auto finding = [&](std::int32_t line, std::string message,
                           std::optional<compiler::SourceSpot> row = std::nullopt) {
    findings.push_back({CheckedDocument::kSlowDownOrder, line, std::move(message), std::move(row)});
  };
  const std::vector<std::string_view> lines = lines_of(bytes);
  std::vector<OrderEntryRead> entries;
  std::int32_t table_end = 1;  // where a missing entry is reported
  bool in_table = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    const std::int32_t number = static_cast<std::int32_t>(i + 1);
    if (line.rfind(" Linea ", 0) == 0) {
      const std::string shown = after(line, " Linea ");
      // The settings may show the name otherwise, but never another line's.
      if (loosely(shown) != loosely(line_name)) {
        finding(number, "names the line " + in_quotes(shown) + ", not " + in_quotes(line_name));
      }
    }
    const std::size_t order = line.find("macchinista del treno ");
    if (order != std::string_view::npos) {
      const std::string_view rest = line.substr(order + 22);
      const std::string named = cell_text(rest.substr(0, rest.find(" di effettuare")), false);
      if (named != train_name) {
        finding(number, "names the train " + in_quotes(named) + ", not " + in_quotes(train_name));
      }
    }
    const std::vector<std::string_view> cells = cells_of(line);
    if (cells.size() != 6) continue;
    if (line.find("chilometrico") != std::string_view::npos) {
      in_table = true;
      continue;
    }
    if (!in_table) continue;
    table_end = number;
    if (cells[0].find_first_not_of('_') == std::string_view::npos) continue;  // a rule
    if (cell_text(cells[0], false).empty()) continue;
    entries.push_back({number, cell_text(cells[2], false), cell_text(cells[3], false),
                       cell_text(cells[4], false)});
  }
  const std::vector<SlowDownFact>& slow_downs = facts.slow_downs();
  for (std::size_t n = 0; n < std::max(entries.size(), slow_downs.size()); ++n) {
    const std::string label = "slow-down " + std::to_string(n + 1);
    if (n >= entries.size()) {
      finding(table_end,
              label + " of the train description (line " +
                  std::to_string(slow_downs[n].row.key.line) + ") is not in the order",
              slow_downs[n].row);
      continue;
    }
    if (n >= slow_downs.size()) {
      finding(entries[n].line, label + " has no \"rallentamento\" row in the train description");
      continue;
    }
    const SlowDownFact& fact = slow_downs[n];
    const std::string post =
        kilometres(kilometre_post_before(facts.progressive_at(fact.position).metres));
    std::string differs;
    const auto compare = [&](std::string_view what, const std::string& read,
                             const std::string& wanted) {
      if (read == wanted) return;
      differs += std::string(differs.empty() ? "" : ", ") + std::string(what) + " " +
                 in_quotes(read) + " where the row gives " + in_quotes(wanted);
    };
    compare("kilometre post", entries[n].post, post);
    compare("speed", entries[n].speed, std::to_string(fact.speed));
    compare("length", entries[n].length, std::to_string(fact.length));
    if (!differs.empty()) {
      finding(entries[n].line,
              label + " differs from its row (line " + std::to_string(fact.row.key.line) +
                  " of the train description): " + differs,
              fact.row);
    }
  }
  return findings;
}

std::vector<DocumentFinding> check_train_sheet(std::string_view bytes, const RouteFacts& facts,
                                               const SheetSettings& settings,
                                               std::string_view train_name) {
  std::vector<DocumentFinding> findings;
  const auto finding = [&](std::int32_t line, std::string message,
                           std::optional<compiler::SourceSpot> row = std::nullopt) {
    findings.push_back({CheckedDocument::kTrainSheet, line, std::move(message), std::move(row)});
  };
  // The names a body line may hold: the stations as the descriptions or
  // the settings name them, the author's own rows, kilometre posts.
  std::set<std::string> known;
  for (const StationFact& station : facts.stations()) known.insert(loosely(station.name));
  for (const SheetSettings::ShownName& name : settings.names)
    known.insert(loosely(name.shown.text));
  for (const SheetSettings::Location& location : settings.locations) {
    if (location.name) known.insert(loosely(location.name->text));
  }
  std::set<std::string> named;
  const std::string number = train_number_of(settings, train_name);
  const std::vector<std::string_view> lines = lines_of(bytes);
  bool in_body = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    const std::int32_t at = static_cast<std::int32_t>(i + 1);
    if (line.find("TRENO n.") != std::string_view::npos) {
      const std::string shown =
          cell_text(cells_of(line).empty() ? "" : cells_of(line)[0].substr(8), false);
      if (shown != number)
        finding(at, "names the train " + in_quotes(shown) + ", not " + in_quotes(number));
    }
    const std::vector<std::string_view> cells = cells_of(line);
    if (line.find("_DX__") != std::string_view::npos) {
      in_body = true;
      continue;
    }
    if (cells.size() != 8) {
      in_body = false;
      continue;
    }
    if (!in_body) continue;
    // The table's bottom rule draws every blank as an underscore.
    const bool rule = line.substr(1).find(' ') == std::string_view::npos;
    const std::string name = cell_text(cells[4], rule);
    if (name.empty()) continue;
    named.insert(loosely(name));
    if (known.count(loosely(name)) == 0 && name.rfind("Cippo Km ", 0) != 0) {
      finding(at, "names " + in_quotes(name) + ", which is no station of the line");
    }
  }
  for (const StationFact& station : facts.stations()) {
    bool shown = named.count(loosely(station.name)) != 0;
    for (const SheetSettings::ShownName& name : settings.names) {
      if (name.station.text == station.name && named.count(loosely(name.shown.text)) != 0) {
        shown = true;
      }
    }
    if (!shown) {
      finding(1,
              "lacks the station " + in_quotes(station.name) + " (line " +
                  std::to_string(station.row.key.line) + " of the train description)",
              station.row);
    }
  }
  return findings;
}

std::vector<LocatedFinding> check_shipped_documents(const compiler::Compilation& compilation,
                                                    const std::optional<ShippedDocument>& order,
                                                    const std::optional<ShippedDocument>& sheet,
                                                    std::optional<std::string_view> settings_bytes,
                                                    std::string_view line_name,
                                                    std::string_view train_name) {
  std::vector<LocatedFinding> located;
  const std::optional<RouteFacts> facts = RouteFacts::of(compilation);
  if (!facts) return located;
  // A faulty settings row is the documents command's to report; the rows
  // read still name what they name.
  const SheetSettings settings =
      settings_bytes ? read_sheet_settings(*settings_bytes).settings : SheetSettings{};
  if (order) {
    for (DocumentFinding& finding :
         check_slow_down_order(order->bytes, *facts, line_name, train_name)) {
      located.push_back({order->path, std::move(finding)});
    }
  }
  if (sheet) {
    for (DocumentFinding& finding : check_train_sheet(sheet->bytes, *facts, settings, train_name)) {
      located.push_back({sheet->path, std::move(finding)});
    }
  }
  return located;
}

std::string located_text(const LocatedFinding& located, std::string_view label) {
  return located.path.string() + ":" + std::to_string(located.finding.line) + ": " +
         std::string(label) + ": " + located.finding.message;
}

namespace {

// Far beyond a document of 1000 lines.
constexpr std::uint64_t kLargestChecked = 1 << 20;

std::optional<std::string> read_quietly(const std::filesystem::path& path) {
  std::error_code failed;
  if (!std::filesystem::is_regular_file(path, failed)) return std::nullopt;
  try {
    return storage::read_file(path, kLargestChecked);
  } catch (const storage::FileError&) {
    return std::nullopt;
  }
}

}  // namespace

std::vector<LocatedFinding> check_documents_in(const std::filesystem::path& folder,
                                               std::string_view line, std::string_view train,
                                               std::string_view line_1252,
                                               std::string_view train_1252,
                                               const compiler::Compilation& compilation) {
  const std::filesystem::path order_path =
      folder / documents::document_name(documents::DocumentKind::kSlowDownOrder, line, train);
  const std::filesystem::path sheet_path =
      folder / documents::document_name(documents::DocumentKind::kTrainSheet, line, train);
  const std::optional<std::string> order = read_quietly(order_path);
  const std::optional<std::string> sheet = read_quietly(sheet_path);
  if (!order && !sheet) return {};
  const std::optional<std::string> settings =
      read_quietly(folder / sheet_settings_name(line, train));
  const auto shipped =
      [](const std::filesystem::path& path,
         const std::optional<std::string>& bytes) -> std::optional<ShippedDocument> {
    if (!bytes) return std::nullopt;
    return ShippedDocument{path, *bytes};
  };
  return check_shipped_documents(
      compilation, shipped(order_path, order), shipped(sheet_path, sheet),
      settings ? std::optional<std::string_view>(*settings) : std::nullopt, line_1252, train_1252);
}

}  // namespace borgo::tools::drafting
