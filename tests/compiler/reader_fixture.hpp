#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "compiler/compile_in_folder.hpp"
#include "compiler/compile_report.hpp"
#include "compiler/description_reading.hpp"
#include "compiler/file_names.hpp"
#include "compiler/route_model.hpp"
#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"

namespace borgo::compiler::testing {

// Lines joined with CR LF, as the documents are written.
inline std::string crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// A general section for a short line: 20000 m, so cell_last = 540.
inline constexpr std::string_view kShortGeneral =
    "[generale]\n"
    "lunghezza percorso,    20000\n"
    "progressiva chilometrica uno,    3100,    3050,    0\n"
    "ripetizione segnali 9 codici,    1000,    15000\n"
    "[curve]\n";

// A pair of descriptions held in memory (none until written), read into a
// model as the program reads them.
struct ReaderFixture {
  RouteModel model;
  CompileReport report;
  std::optional<std::string> line;
  std::optional<std::string> train;

  ReaderFixture() {
    model.line_name = "L";
    model.train_name = "T";
  }
  void write_line(std::string_view text) { line = crlf(text); }
  void write_train(std::string_view text) { train = crlf(text); }
  // A line description: the short general section, then `body`, then "[fine]".
  void write_line_body(std::string_view body) {
    write_line(std::string(kShortGeneral) + std::string(body) + "[fine]\n");
  }
  void write_train_body(std::string_view body) {
    write_train("[generale]\n" + std::string(body) + "[fine]\n");
  }
  void read(std::int32_t write_line_file = 1) {
    model.write_line_file = write_line_file;
    DescriptionReading reading(model, report);
    if (reading.read_line(line)) reading.read_train(train);
  }
  const CellRecord& cell(int i) const { return model.cells.at(static_cast<std::size_t>(i)); }
};

// The same documents written into a folder and read from there by
// memorizza_dati, which deletes them as the program does.
struct FolderReaderFixture : ReaderFixture {
  borgo::testing::ScratchFolder folder;

  std::filesystem::path line_path() const { return folder / line_description_name(model); }
  std::filesystem::path train_path() const { return folder / train_description_name(model); }
  void put_documents_in_folder() const {
    if (line) borgo::testing::spit(line_path(), *line);
    if (train) borgo::testing::spit(train_path(), *train);
  }
  void read_from_folder(std::int32_t write_line_file = 1) {
    put_documents_in_folder();
    model.write_line_file = write_line_file;
    memorizza_dati(model, folder.path(), report);
  }
};

}  // namespace borgo::compiler::testing
