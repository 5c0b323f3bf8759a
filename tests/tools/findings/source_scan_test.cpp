// The scan walks a description as its reader does: the keys it finds
// unmatched or lost are the ones the compile warns of, a run-time failure
// stops it at the same field, and each value lands at its own field.
#include "tools/findings/source_scan.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "compiler/compile.hpp"
#include "documents/documents.hpp"

namespace borgo::tools {
namespace {

using compiler::Document;
using compiler::FieldLocation;
using Kind = compiler::CompileWarning::Kind;
using Located = std::pair<int, int>;  // line, column

std::string crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

constexpr std::string_view kLine =
    "[generale]\nlunghezza percorso, 20000\n[curve]\ncurvas1, 1350, 150\n[fine]\n";
constexpr std::string_view kTrain = "[generale]\nvelocita, 0, 30\n[fine]\n";

struct Seen {
  std::set<Located> skipped;  // keys the compile warns of as unknown or split numbers
  std::set<Located> lost;
};

Seen warned(const compiler::CompileReport& report, Document document) {
  Seen seen;
  for (const compiler::CompileWarning& w : report.warnings) {
    if (!w.where || w.where->document != document) continue;
    const Located at{w.where->key.line, w.where->key.column};
    if (w.kind == Kind::kUnknownKey || w.kind == Kind::kDecimalComma) seen.skipped.insert(at);
    if (w.kind == Kind::kLastRowLost) seen.lost.insert(at);
  }
  return seen;
}

Seen scanned(const ScannedDocument& scan) {
  Seen seen;
  for (const ScannedKey& key : scan.keys) {
    const Located at{key.at.line, key.at.column};
    // The compile keeps quiet about empty keys, and so about empty lines.
    if (key.kind == ScannedKey::Kind::kUnmatched && !key.text.empty()) seen.skipped.insert(at);
    if (key.kind == ScannedKey::Kind::kLost) seen.lost.insert(at);
  }
  return seen;
}

TEST(DescriptionScan, SkipsAndLosesTheKeysTheCompileWarnsOf) {
  struct Case {
    const char* name;
    std::string line;
    std::string train;
    bool builds_plan;
  };
  const std::string embedded_line = documents::render_lines(documents::line_description());
  const std::string embedded_train = documents::render_lines(documents::train_description());
  const Case cases[] = {
      {"the embedded scenario", embedded_line, embedded_train, true},
      {"no line plan: curve numbers become keys", crlf(kLine), crlf(kTrain), false},
      {"keys with a dash",
       crlf("[generale]\n- note, lunghezza percorso, 20000\n[curve]\n-a, -b, -c, pendenza, 0, "
            "1\n-x, pendenza, 100, 2\n[fine]\n"),
       crlf("[generale]\n-a, -b, velocita, 0, 30\n-a, -b, -c, velocita, 50, 40\n[fine]\n"), true},
      {"rows over several lines and on one line",
       crlf("[generale]\nlunghezza percorso,\n20000\n[curve]\npendenza, 0, 1, pendenza,\n50,\n2\n"
            "fermata, 3\n[fine]\n"),
       crlf("[generale]\nvelocita, 0, 30, aderenza, 0, 70\n[fine]\n"), true},
      {"one key, two rows", crlf(kLine),
       crlf("[generale]\nvelocita aderenza, 0, 30, 0, 70\n[fine]\n"), true},
      {"text before the general section, a last row lost",
       crlf("note\n, more\n[generale]\nlunghezza percorso, 20000\n[curve]\npendenza, 0, 1"),
       crlf("x, y\n[generale]\nvelocita, 0, 30\nvelocita, 1000, 40"), true},
      {"a general row in the body, a body row in the general section",
       crlf("[generale]\nlunghezza percorso, 20000\npendenza, 0, 1\n[curve]\nsfondo uno, 1\n"
            "[fine]\n"),
       crlf(kTrain), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const compiler::Compilation compiled = compiler::compile({.line_name = "L",
                                                              .train_name = "T",
                                                              .write_line_file = c.builds_plan,
                                                              .line_description = c.line,
                                                              .train_description = c.train});
    ASSERT_EQ(compiled.outcome.error_number, 0) << compiled.outcome.report.error_detail;
    const auto& report = compiled.outcome.report;
    const ScannedDocument line =
        scan_description(c.line, Document::kLineDescription, c.builds_plan);
    const ScannedDocument train = scan_description(c.train, Document::kTrainDescription, true);
    EXPECT_FALSE(line.failed_at);
    EXPECT_FALSE(train.failed_at);
    EXPECT_EQ(scanned(line).skipped, warned(report, Document::kLineDescription).skipped);
    EXPECT_EQ(scanned(line).lost, warned(report, Document::kLineDescription).lost);
    EXPECT_EQ(scanned(train).skipped, warned(report, Document::kTrainDescription).skipped);
    EXPECT_EQ(scanned(train).lost, warned(report, Document::kTrainDescription).lost);
  }
}

TEST(DescriptionScan, StopsWhereARunTimeFailureStopsTheReading) {
  struct Case {
    const char* name;
    std::string train;
    Located failed;
  };
  const Case cases[] = {
      {"text in a numeric field", crlf("[generale]\nnumero vetture, sei\n[fine]\n"), {2, 17}},
      {"a number too large for its field", crlf("[generale]\nsabbia, 40000\n[fine]\n"), {2, 9}},
      {"a station type past 255",
       crlf("[generale]\nstazione, 0, 300, 500, 0,0,0, 1,1,0, 2,1,1, 1, 14,25,30, A\n[fine]\n"),
       {2, 14}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const compiler::Compilation compiled = compiler::compile({.line_name = "L",
                                                              .train_name = "T",
                                                              .write_line_file = 0,
                                                              .line_description = crlf(kLine),
                                                              .train_description = c.train});
    ASSERT_EQ(compiled.outcome.error_number, compiler::error::kRuntimeFailure);
    const FieldLocation read_last = compiled.outcome.report.error_at->field;
    const ScannedDocument scan = scan_description(c.train, Document::kTrainDescription, false);
    ASSERT_TRUE(scan.failed_at);
    EXPECT_EQ(Located(scan.failed_at->line, scan.failed_at->column), c.failed);
    EXPECT_EQ(*scan.failed_at, read_last);
    EXPECT_FALSE(scan.failure.empty());
  }
}

TEST(DescriptionScan, NamesEachFieldOfARow) {
  const std::string train = crlf(
      "[generale]\n"
      "segnale,    1050,   2, 4, 1,  1, 0,    2,  2,1,1, 210\n"
      "orologio,    14              25            30 \n"
      "[fine]\n");
  const ScannedDocument scan = scan_description(train, Document::kTrainDescription, true);
  struct Case {
    Located key;
    Located at;
    const char* name;
  };
  const Case cases[] = {
      {{2, 1}, {2, 1}, "row \"segnale\""},
      {{2, 1}, {2, 13}, "field \"posizione\" (metres)"},
      {{2, 1}, {2, 21}, "field \"sx\""},
      {{2, 1}, {2, 46}, "field \"d2\""},
      {{2, 1}, {2, 51}, "field \"tempo\""},
      {{2, 1}, {2, 14}, ""},  // inside a field, not at its start
      {{3, 1}, {3, 14}, "field \"ore\" (hours)"},
      {{3, 1}, {3, 30}, "field \"minuti\" (minutes)"},
      {{3, 1}, {3, 44}, "field \"secondi\" (seconds)"},
      {{4, 1}, {4, 1}, ""},    // "[fine]" starts no row
      {{2, 13}, {2, 13}, ""},  // no key begins there
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(field_name_at(scan, {c.key.first, c.key.second}, {c.at.first, c.at.second}), c.name);
  }
}

}  // namespace
}  // namespace borgo::tools
