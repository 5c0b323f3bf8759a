#pragma once

#include <filesystem>
#include <string>

#include "compiler/compile_report.hpp"
#include "compiler/description_reader.hpp"
#include "compiler/route_model.hpp"
#include "tests/support/files.hpp"
#include "tests/support/temp_folder.hpp"

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

// A pair of descriptions in a temporary folder, read into a model.
struct ReaderFixture {
  borgo::testing::TempFolder folder;
  RouteModel model;
  CompileReport report;

  ReaderFixture() {
    model.line_name = "L";
    model.train_name = "T";
  }
  std::filesystem::path line_path() const { return line_description_path(model, folder.path()); }
  std::filesystem::path train_path() const { return train_description_path(model, folder.path()); }
  void write_line(std::string_view text) { borgo::testing::spit(line_path(), crlf(text)); }
  void write_train(std::string_view text) { borgo::testing::spit(train_path(), crlf(text)); }
  // A line description: the short general section, then `body`, then "[fine]".
  void write_line_body(std::string_view body) {
    write_line(std::string(kShortGeneral) + std::string(body) + "[fine]\n");
  }
  void write_train_body(std::string_view body) {
    write_train("[generale]\n" + std::string(body) + "[fine]\n");
  }
  void read(std::int32_t write_line_file = 1) {
    model.write_line_file = write_line_file;
    memorizza_dati(model, folder.path(), report);
  }
  const CellRecord& cell(int i) const { return model.cells.at(static_cast<std::size_t>(i)); }
};

}  // namespace borgo::compiler::testing
