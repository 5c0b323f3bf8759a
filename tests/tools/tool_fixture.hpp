#pragma once

// Runs scenario-tool's commands in-process on fixture scenarios.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/cli/commands.hpp"

namespace borgo::tools::testing {

// The small scenario in tests/tools/fixtures/costa: the line "Costa" (20000 m)
// and the train "R 12", which compile without an error or a warning.
inline constexpr const char* kLine = "Costa";
inline constexpr const char* kTrain = "R 12";
inline const std::filesystem::path kFixture =
    std::filesystem::path(BORGO_SOURCE_DIR) / "tests" / "tools" / "fixtures" / "costa";
inline const std::string kLineDocument = "Costa_linea.txt";
inline const std::string kTrainDocument = "Costa_R 12-.txt";

// The target whose generic package program is built beside the tests: the
// platform they run on.
#ifdef _WIN32
inline const std::string kTarget = "windows";
#else
inline const std::string kTarget = "linux";
#endif

// `lf_text` with each line end a CR LF, as the package's documents end them.
inline std::string with_crlf(const std::string& lf_text) {
  std::string out;
  for (const char c : lf_text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// "Città" in UTF-8, as a terminal, an SVG viewer and Linux's file names want it.
inline const std::string kCitta = "Citt\xC3\xA0";

// UTF-8 text as the platform hands a program its arguments: the same bytes
// on Linux, the ANSI code page on Windows (nullopt when that lacks a letter).
inline std::optional<std::string> platform_text(const std::string& utf8) {
#ifdef _WIN32
  const int length = static_cast<int>(utf8.size());
  const int units = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), units);
  BOOL lacked = FALSE;
  const int bytes = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), units, nullptr,
                                          0, nullptr, &lacked);
  std::string text(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), units, text.data(), bytes,
                        nullptr, &lacked);
  if (lacked) return std::nullopt;
  return text;
#else
  return utf8;
#endif
}

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;

  std::vector<std::string> lines(const std::string& text) const {
    std::vector<std::string> out_lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out_lines.push_back(line);
    return out_lines;
  }
  std::string last_out_line() const {
    const auto all = lines(out);
    return all.empty() ? std::string() : all.back();
  }
};

// scenario-tool with these words after its name.
inline ToolRun tool(const std::vector<std::string>& words) {
  std::ostringstream out;
  std::ostringstream err;
  ToolRun run;
  run.status = run_tool(words, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

// A copy of the fixture scenario in a temporary folder, optionally edited.
struct ScenarioFolder {
  borgo::testing::ScratchFolder folder;

  ScenarioFolder() {
    for (const std::string& name : {kLineDocument, kTrainDocument}) {
      std::filesystem::copy_file(kFixture / name, folder / name);
    }
  }
  std::filesystem::path path() const { return folder.path(); }
  std::string read(const std::string& name) const { return borgo::testing::slurp(folder / name); }
  // Replaces the first `from` in a document by `to`; the text must be there.
  void edit(const std::string& document, const std::string& from, const std::string& to) {
    std::string text = read(document);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    borgo::testing::spit(folder / document, text);
  }
  ToolRun compile(std::vector<std::string> extra = {}) const {
    std::vector<std::string> words{"compile", path().string(), "--line", kLine, "--train", kTrain};
    words.insert(words.end(), extra.begin(), extra.end());
    return tool(words);
  }
};

// One "FILE:LINE:COLUMN: label: message" diagnostic, with the two lines that
// follow it (the source line and the caret line).
struct Diagnostic {
  std::string file;  // the file name, without its folder
  int line = 0;
  int column = 0;
  std::string label;  // "error 16", "warning"
  std::string message;
  std::string source;
  std::string caret;
};

inline std::vector<Diagnostic> diagnostics(const std::string& err) {
  static const std::regex located(R"(^(.*):(\d+):(\d+): (error \d+|warning): (.*)$)");
  std::vector<Diagnostic> found;
  std::vector<std::string> lines;
  std::istringstream in(err);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::smatch m;
    if (!std::regex_match(lines[i], m, located)) continue;
    Diagnostic d{std::filesystem::path(m[1].str()).filename().string(),
                 std::stoi(m[2].str()),
                 std::stoi(m[3].str()),
                 m[4].str(),
                 m[5].str(),
                 i + 1 < lines.size() ? lines[i + 1] : "",
                 i + 2 < lines.size() ? lines[i + 2] : ""};
    found.push_back(d);
  }
  return found;
}

// The source line and the caret line show the field at `column`: what
// follows the " | " margin of each.
inline void expect_caret_at(const Diagnostic& d) {
  const std::size_t source_margin = d.source.find(" | ");
  const std::size_t caret_margin = d.caret.find(" | ");
  ASSERT_NE(source_margin, std::string::npos) << d.source;
  ASSERT_NE(caret_margin, std::string::npos) << d.caret;
  const std::string caret = d.caret.substr(caret_margin + 3);
  EXPECT_EQ(caret.find('^'), static_cast<std::size_t>(d.column - 1)) << d.caret;
  EXPECT_EQ(caret.find_first_not_of(' '), caret.find('^')) << d.caret;
}

}  // namespace borgo::tools::testing
