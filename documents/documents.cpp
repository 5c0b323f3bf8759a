#include "documents/documents.hpp"

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

void write_document(const std::filesystem::path& path, const LineTable& table) {
  storage::replace_file(path, render_lines(table));
}

void dati_linea(const std::filesystem::path& folder, std::string_view line_name) {
  write_document(folder / line_description_name(line_name), line_description());
}
void dati_treno(const std::filesystem::path& folder, std::string_view line_name,
                std::string_view train_name) {
  write_document(folder / train_description_name(line_name, train_name), train_description());
}
void dati_note(const std::filesystem::path& folder, std::string_view line_name,
               std::string_view train_name) {
  write_document(folder / notes_name(line_name, train_name), notes());
}
void dati_rallentamenti(const std::filesystem::path& folder, std::string_view line_name,
                        std::string_view train_name) {
  write_document(folder / slow_down_order_name(line_name, train_name), slow_down_order());
}
void dati_scheda(const std::filesystem::path& folder, std::string_view line_name,
                 std::string_view train_name) {
  write_document(folder / train_sheet_name(line_name, train_name), train_sheet());
}

}  // namespace borgo::documents
