#include "documents/documents.hpp"

#include <cstdio>

#include "embedded/kLineDescription.hpp"
#include "embedded/kNotes.hpp"
#include "embedded/kSlowDownOrder.hpp"
#include "embedded/kTrainDescription.hpp"
#include "embedded/kTrainSheet.hpp"
#include "storage/replace_file.hpp"

namespace borgo::documents {
namespace {

constexpr std::string_view bytes_of(const char* text, std::size_t size_with_nul) {
  return std::string_view(text, size_with_nul - 1);
}

constexpr LineTable kLineTable =
    make_line_table(bytes_of(kLineDescription, sizeof kLineDescription));
constexpr LineTable kTrainTable =
    make_line_table(bytes_of(kTrainDescription, sizeof kTrainDescription));
constexpr LineTable kNotesTable = make_line_table(bytes_of(kNotes, sizeof kNotes));
constexpr LineTable kSlowDownTable =
    make_line_table(bytes_of(kSlowDownOrder, sizeof kSlowDownOrder));
constexpr LineTable kSheetTable = make_line_table(bytes_of(kTrainSheet, sizeof kTrainSheet));

std::string service_name(std::string_view line_name, std::string_view train_name,
                         std::string_view ending) {
  std::string name(line_name);
  name += '_';
  name += train_name;
  name += '_';
  name += ending;
  return name;
}

}  // namespace

const LineTable& line_description() { return kLineTable; }
const LineTable& train_description() { return kTrainTable; }
const LineTable& notes() { return kNotesTable; }
const LineTable& slow_down_order() { return kSlowDownTable; }
const LineTable& train_sheet() { return kSheetTable; }

std::string line_description_name(std::string_view line_name) {
  return std::string(line_name) + "_linea.txt";
}
std::string train_description_name(std::string_view line_name, std::string_view train_name) {
  return std::string(line_name) + "_" + std::string(train_name) + "-.txt";
}
std::string notes_name(std::string_view line_name, std::string_view train_name) {
  return service_name(line_name, train_name, "note.txt");
}
std::string slow_down_order_name(std::string_view line_name, std::string_view train_name) {
  return service_name(line_name, train_name, "rallentamenti.txt");
}
std::string train_sheet_name(std::string_view line_name, std::string_view train_name) {
  return service_name(line_name, train_name, "scheda_treno.txt");
}

std::string document_name(DocumentKind kind, std::string_view line_name,
                          std::string_view train_name) {
  switch (kind) {
    case DocumentKind::kLineDescription:
      return line_description_name(line_name);
    case DocumentKind::kTrainDescription:
      return train_description_name(line_name, train_name);
    case DocumentKind::kNotes:
      return notes_name(line_name, train_name);
    case DocumentKind::kSlowDownOrder:
      return slow_down_order_name(line_name, train_name);
    case DocumentKind::kTrainSheet:
      break;
  }
  return train_sheet_name(line_name, train_name);
}

std::string_view document_title(DocumentKind kind) {
  switch (kind) {
    case DocumentKind::kLineDescription:
      return "line description";
    case DocumentKind::kTrainDescription:
      return "train description";
    case DocumentKind::kNotes:
      return "notes";
    case DocumentKind::kSlowDownOrder:
      return "slow-down order";
    case DocumentKind::kTrainSheet:
      break;
  }
  return "train sheet";
}

std::optional<std::string> scenario_name_fault(std::string_view name) {
  if (name.empty()) return "is empty";
  if (name.size() > kLongestScenarioName) {
    return "is " + std::to_string(name.size()) + " bytes long, more than " +
           std::to_string(kLongestScenarioName);
  }
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20) {
      char code[8];
      std::snprintf(code, sizeof code, "%02X", byte);
      return "holds the control character 0x" + std::string(code);
    }
    if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
      return "holds '" + std::string(1, c) + "', which a file name cannot hold";
    }
  }
  return std::nullopt;
}

std::string Scenario::title() const {
  std::string title(line_name);
  title += '_';
  title += train_name;
  return title;
}

const Scenario& embedded_scenario() {
  static constexpr Scenario kEmbedded{
      .line_name = "Borgo_Mar",
      .train_name = "TX 903",
      .documents = {&kLineTable, &kTrainTable, &kNotesTable, &kSlowDownTable, &kSheetTable}};
  return kEmbedded;
}

void write_document(const std::filesystem::path& path, const LineTable& table) {
  storage::replace_file(path, render_lines(table));
}

namespace {

// Writes `kind` of `scenario` into `folder`, when the scenario has it.
void write_scenario_document(const std::filesystem::path& folder, const Scenario& scenario,
                             DocumentKind kind) {
  const LineTable* table = scenario.document(kind);
  if (table == nullptr) return;
  write_document(folder / document_name(kind, scenario.line_name, scenario.train_name), *table);
}

}  // namespace

void dati_linea(const std::filesystem::path& folder, const Scenario& scenario) {
  write_scenario_document(folder, scenario, DocumentKind::kLineDescription);
}
void dati_treno(const std::filesystem::path& folder, const Scenario& scenario) {
  write_scenario_document(folder, scenario, DocumentKind::kTrainDescription);
}
void dati_note(const std::filesystem::path& folder, const Scenario& scenario) {
  write_scenario_document(folder, scenario, DocumentKind::kNotes);
}
void dati_rallentamenti(const std::filesystem::path& folder, const Scenario& scenario) {
  write_scenario_document(folder, scenario, DocumentKind::kSlowDownOrder);
}
void dati_scheda(const std::filesystem::path& folder, const Scenario& scenario) {
  write_scenario_document(folder, scenario, DocumentKind::kTrainSheet);
}

}  // namespace borgo::documents
