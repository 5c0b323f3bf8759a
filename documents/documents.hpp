#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "documents/line_table.hpp"

namespace borgo::documents {

// The scenario's five documents as line tables, embedded when the program is built.
const LineTable& line_description();   // the line description (compiler input)
const LineTable& train_description();  // the train description (compiler input)
const LineTable& notes();
const LineTable& slow_down_order();
const LineTable& train_sheet();

// The five documents, in the order a run writes them.
enum class DocumentKind : std::uint8_t {
  kLineDescription,
  kTrainDescription,
  kNotes,
  kSlowDownOrder,
  kTrainSheet,
};
inline constexpr std::size_t kDocumentCount = 5;
inline constexpr std::array<DocumentKind, kDocumentCount> kDocumentKinds{
    DocumentKind::kLineDescription, DocumentKind::kTrainDescription, DocumentKind::kNotes,
    DocumentKind::kSlowDownOrder, DocumentKind::kTrainSheet};

// The two descriptions are the compile's input; the others are the driver's.
constexpr bool is_description(DocumentKind kind) {
  return kind == DocumentKind::kLineDescription || kind == DocumentKind::kTrainDescription;
}
// "line description", "notes", ...
std::string_view document_title(DocumentKind kind);

// File names, built from the scenario names.
std::string line_description_name(std::string_view line_name);
std::string train_description_name(std::string_view line_name, std::string_view train_name);
std::string notes_name(std::string_view line_name, std::string_view train_name);
std::string slow_down_order_name(std::string_view line_name, std::string_view train_name);
std::string train_sheet_name(std::string_view line_name, std::string_view train_name);
std::string document_name(DocumentKind kind, std::string_view line_name,
                          std::string_view train_name);

// Why `name` cannot be a scenario name, or nullopt when it can: every file
// name is built from it, on Windows as on Linux, so it must be plain there
// too: not empty, at most 255 bytes, and without a control character or any
// of < > : " / \ | ? * (a folder separator would write outside the folder,
// a colon names a drive or a file's hidden stream).
std::optional<std::string> scenario_name_fault(std::string_view name);
inline constexpr std::size_t kLongestScenarioName = 255;

// A scenario's names (Windows-1252) and its documents: what a package
// program writes and compiles.
struct Scenario {
  std::string_view line_name;
  std::string_view train_name;
  // By DocumentKind; null for a service document the scenario has none of.
  // The two descriptions are always there.
  std::array<const LineTable*, kDocumentCount> documents{};

  const LineTable* document(DocumentKind kind) const {
    return documents[static_cast<std::size_t>(kind)];
  }
  // "<line>_<train>": the program's title.
  std::string title() const;
};

// The scenario the package program Borgo_Mar_TX903 carries: Borgo_Mar and
// TX 903, with all five documents.
const Scenario& embedded_scenario();

// Writes one table into `path`, replacing any older file. Throws storage::FileError.
void write_document(const std::filesystem::path& path, const LineTable& table);

// The five writers: each writes its document of `scenario` into `folder`;
// a service document the scenario has none of is not written.
void dati_linea(const std::filesystem::path& folder, const Scenario& scenario);
void dati_treno(const std::filesystem::path& folder, const Scenario& scenario);
void dati_note(const std::filesystem::path& folder, const Scenario& scenario);
void dati_rallentamenti(const std::filesystem::path& folder, const Scenario& scenario);
void dati_scheda(const std::filesystem::path& folder, const Scenario& scenario);

}  // namespace borgo::documents
