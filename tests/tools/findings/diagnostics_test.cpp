// The pieces the diagnostics are made of: source lines, counts, text.
#include "tools/findings/diagnostics.hpp"

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "tools/shared/text_encoding.hpp"

namespace borgo::tools {
namespace {

using compiler::CompileWarning;

using Kind = CompileWarning::Kind;
using compiler::Document;

// A warning of `kind` whose key field is at `line`:`column` of `document`.
CompileWarning warning_at(int line, int column, std::string detail, Kind kind = Kind::kUnknownKey,
                          Document document = Document::kLineDescription) {
  compiler::SourceSpot spot;
  spot.document = document;
  spot.key = {line, column};
  return {kind, spot, std::move(detail)};
}

// The diagnostics written for `warnings` against a line description holding
// `bytes` ("doc.txt") and a train description of one line ("train.txt").
std::string report_of(const std::string& bytes, std::vector<CompileWarning> warnings) {
  compiler::CompileOutcome outcome;
  outcome.report.warnings = std::move(warnings);
  std::ostringstream out;
  write_diagnostics(out, outcome, compiler::RouteModel{}, {"doc.txt", bytes}, {"train.txt", "t"});
  return out.str();
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(LineIndex, CountsLinesAsTheFieldReaderDoes) {
  struct Case {
    const char* name;
    std::string bytes;
    int line;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"CR LF", "a\r\nb\r\nc\r\n", 2, "b"},
      {"lone LF", "a\nb\nc", 3, "c"},
      {"lone CR", "a\rb\rc", 2, "b"},
      {"mixed", "a\r\n\rb\n", 3, "b"},
      {"lone CR before CR LF", "a\r\r\nb", 2, ""},
      {"CR LF after a lone CR", "a\r\r\nb", 3, "b"},
      {"empty first line", "\nx", 1, ""},
      {"LF after an empty line", "\n\nx", 2, ""},
      {"empty line", "a\r\n\r\nb", 2, ""},
      {"last line without an end", "a\r\nlast", 2, "last"},
      {"empty after the last line end", "a\r\nb\r\n", 3, ""},
      {"past the end", "a\r\nb\r\n", 4, std::nullopt},
      {"empty document", "", 1, ""},
      {"line 0", "a", 0, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto line = LineIndex(c.bytes).line(c.line);
    ASSERT_EQ(line.has_value(), c.expected.has_value());
    if (line) {
      EXPECT_EQ(std::string(*line), *c.expected);
    }
  }
}

// "f0000,f0001,...": `count` fields of five bytes, field k at column 6k + 1.
std::string numbered_fields(int count) {
  std::string line;
  for (int k = 0; k < count; ++k) {
    const std::string number = std::to_string(k);
    line += (k == 0 ? "f" : ",f") + std::string(4 - number.size(), '0') + number;
  }
  return line;
}

TEST(WriteDiagnostics, ShowsAWindowOfALongLineWithTheCaretUnderTheField) {
  struct Case {
    const char* name;
    std::string line;
    int field;  // the field the warning points at
    bool cut_before;
    bool cut_after;
  };
  const std::string ordinary = numbered_fields(33) + ",ab";  // 200 bytes
  ASSERT_EQ(ordinary.size(), 200u);
  const std::string long_line = numbered_fields(3000);
  const Case cases[] = {
      {"ordinary line, shown whole", ordinary, 20, false, false},
      {"long line, field near its start", long_line, 2, false, true},
      {"long line, field in its middle", long_line, 1500, true, true},
      {"long line, field at its end", long_line, 2999, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string field = c.line.substr(static_cast<std::size_t>(c.field) * 6, 5);
    const auto lines = lines_of(
        report_of("first\r\n" + c.line + "\r\nlast\r\n", {warning_at(2, 6 * c.field + 1, "x")}));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "doc.txt:2:" + std::to_string(6 * c.field + 1) + ": warning: x");
    const std::string margin = "     2 | ";
    const std::string caret_margin = "       | ";
    ASSERT_EQ(lines[1].rfind(margin, 0), 0u) << lines[1];
    ASSERT_EQ(lines[2].rfind(caret_margin, 0), 0u) << lines[2];
    const std::string shown = lines[1].substr(margin.size());
    const std::string caret = lines[2].substr(caret_margin.size());
    if (!c.cut_before && !c.cut_after) {
      EXPECT_EQ(shown, c.line);
    }
    EXPECT_LE(shown.size(), 200u);
    EXPECT_EQ(shown.rfind("...", 0) == 0, c.cut_before) << shown;
    EXPECT_EQ(shown.size() >= 3 && shown.substr(shown.size() - 3) == "...", c.cut_after) << shown;
    // The caret stands under the field's first byte and "~" under the rest of it.
    const std::size_t at = caret.find('^');
    ASSERT_NE(at, std::string::npos) << caret;
    EXPECT_EQ(caret, std::string(at, ' ') + "^~~~~");
    EXPECT_EQ(shown.substr(at, 5), field) << shown;
  }
}

TEST(WriteDiagnostics, AFieldLongerThanTheWindowIsUnderlinedUpToTheCut) {
  const std::string line = "key, " + std::string(5000, '7') + ", 1";
  const auto lines = lines_of(report_of(line, {warning_at(1, 6, "x")}));
  ASSERT_EQ(lines.size(), 3u);
  const std::string shown = lines[1].substr(9);
  const std::string caret = lines[2].substr(9);
  EXPECT_EQ(shown.rfind("key, 7777", 0), 0u) << shown;
  EXPECT_EQ(shown.substr(shown.size() - 3), "...");
  EXPECT_EQ(caret, "     ^" + std::string(shown.size() - 3 - 6, '~'));
}

TEST(WriteDiagnostics, ALongMessageKeepsItsTwoEnds) {
  struct Case {
    const char* name;
    std::size_t key_length;
    bool clipped;
  };
  const Case cases[] = {
      {"ordinary", 20, false},
      {"longest shown whole", 400 - 32, false},
      {"long", 100000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string detail =
        "\"" + std::string(c.key_length, 'k') + "\" matches no key and is skipped";
    const auto lines = lines_of(report_of("k", {warning_at(1, 1, detail)}));
    ASSERT_EQ(lines.size(), 3u);
    const std::string lead = "doc.txt:1:1: warning: ";
    ASSERT_EQ(lines[0].rfind(lead, 0), 0u);
    const std::string message = lines[0].substr(lead.size());
    if (!c.clipped) {
      EXPECT_EQ(message, detail);
      continue;
    }
    EXPECT_LE(message.size(), 400u);
    // What is shown of each end is the detail's own, and the mark counts the rest.
    const std::size_t mark = message.find("[... ");
    const std::size_t mark_end = message.find(" characters ...]");
    ASSERT_NE(mark, std::string::npos) << message;
    ASSERT_NE(mark_end, std::string::npos) << message;
    const std::string head = message.substr(0, mark);
    const std::string tail = message.substr(mark_end + 16);
    EXPECT_EQ(detail.rfind(head, 0), 0u) << head;
    EXPECT_EQ(detail.substr(detail.size() - tail.size()), tail);
    EXPECT_NE(tail.find("matches no key and is skipped"), std::string::npos) << tail;
    EXPECT_EQ(message.substr(mark + 5, mark_end - mark - 5),
              std::to_string(detail.size() - head.size() - tail.size()));
  }
}

// The report's lines without the source and caret lines under each
// diagnostic, a warning's reduced to its message.
std::vector<std::string> headings_of(const std::string& report) {
  std::vector<std::string> headings;
  for (const std::string& line : lines_of(report)) {
    if (line.empty() || line[0] == ' ') continue;
    const std::size_t label = line.find(": warning: ");
    headings.push_back(label == std::string::npos ? line : line.substr(label + 11));
  }
  return headings;
}

// "a0", "a1", ... up to "a<end - 1>".
std::vector<std::string> named(const std::string& prefix, int begin, int end) {
  std::vector<std::string> names;
  for (int i = begin; i < end; ++i) names.push_back(prefix + std::to_string(i));
  return names;
}

template <typename... Parts>
std::vector<std::string> joined(const Parts&... parts) {
  std::vector<std::string> all;
  (all.insert(all.end(), parts.begin(), parts.end()), ...);
  return all;
}

TEST(WriteDiagnostics, PastTenWarningsOfAKindInADocumentANoteCountsTheRest) {
  struct Case {
    const char* name;
    std::vector<CompileWarning> warnings;
    std::vector<std::string> headings;
  };
  const auto many = [](const std::string& prefix, int count, Kind kind = Kind::kUnknownKey,
                       Document document = Document::kLineDescription) {
    std::vector<CompileWarning> warnings;
    for (const std::string& name : named(prefix, 0, count)) {
      warnings.push_back(warning_at(1, 1, name, kind, document));
    }
    return warnings;
  };
  const auto unlocated = [](const std::string& prefix, int count) {
    std::vector<CompileWarning> warnings;
    for (const std::string& name : named(prefix, 0, count)) {
      warnings.push_back({Kind::kSlowDownWithoutCode, std::nullopt, name});
    }
    return warnings;
  };
  const std::string one_more =
      "doc.txt: note: 1 more warning of this kind in this document is not shown";
  std::vector<CompileWarning> interleaved;  // a0 b0 a1 b1 a2 b2 a3 ... a11
  for (int i = 0; i < 12; ++i) {
    interleaved.push_back(warning_at(1, 1, "a" + std::to_string(i)));
    if (i < 3)
      interleaved.push_back(warning_at(1, 1, "b" + std::to_string(i), Kind::kDecimalComma));
  }
  std::vector<CompileWarning> both_documents = many("l", 12);
  for (const CompileWarning& w : many("t", 11, Kind::kUnknownKey, Document::kTrainDescription)) {
    both_documents.push_back(w);
  }
  const Case cases[] = {
      {"ten, all shown", many("a", 10), named("a", 0, 10)},
      {"eleven", many("a", 11), joined(named("a", 0, 10), std::vector{one_more})},
      {"a thousand", many("a", 1000),
       joined(named("a", 0, 10),
              std::vector<std::string>{"doc.txt: note: 990 more warnings of this kind in this "
                                       "document are not shown"})},
      {"another kind keeps its own count",
       interleaved,
       {"a0", "b0", "a1", "b1", "a2", "b2", "a3", "a4", "a5", "a6", "a7", "a8", "a9",
        "doc.txt: note: 2 more warnings of this kind in this document are not shown"}},
      {"each document keeps its own count", both_documents,
       joined(named("l", 0, 10),
              std::vector<std::string>{
                  "doc.txt: note: 2 more warnings of this kind in this document are not shown"},
              named("t", 0, 10),
              std::vector<std::string>{"train.txt: note: 1 more warning of this kind in this "
                                       "document is not shown"})},
      {"warnings without a line", unlocated("u", 13),
       joined(named("warning: u", 0, 10),
              std::vector<std::string>{"note: 3 more warnings of this kind are not shown"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    compiler::CompileOutcome outcome;
    outcome.report.warnings = c.warnings;
    std::ostringstream out;
    const DiagnosticCounts counts = write_diagnostics(out, outcome, compiler::RouteModel{},
                                                      {"doc.txt", "k"}, {"train.txt", "t"});
    EXPECT_EQ(headings_of(out.str()), c.headings) << out.str();
    EXPECT_EQ(counts.warnings, static_cast<int>(c.warnings.size()));  // the hidden ones count too
  }
}

// What is written and what is kept in parts are one: the parts, put back
// together as the terminal shows them, give the text written.
TEST(WriteDiagnostics, KeepsInPartsWhatItWrites) {
  const std::string line_bytes = "[generale]\r\nk1,\r\n" + numbered_fields(120) + "\r\n";
  const std::string train_bytes = "[generale]\r\nsegnale,  1000, 2\r\n";
  compiler::CompileOutcome outcome;
  for (int i = 0; i < 11; ++i) outcome.report.warnings.push_back(warning_at(2, 1, "unknown"));
  outcome.report.warnings.push_back(warning_at(3, 500, "far along", Kind::kDecimalComma));
  outcome.report.warnings.push_back({Kind::kSlowDownWithoutCode, std::nullopt, "no code"});
  outcome.error_number = 16;
  compiler::SourceSpot at;
  at.document = Document::kTrainDescription;
  at.key = {2, 1};
  at.value = {2, 11};
  outcome.report.error_at = at;
  outcome.fatal = 1250;

  std::ostringstream out;
  std::vector<ShownDiagnostic> parts;
  write_diagnostics(out, outcome, compiler::RouteModel{}, {"doc.txt", line_bytes},
                    {"train.txt", train_bytes}, &parts);

  std::ostringstream rebuilt;
  for (const ShownDiagnostic& d : parts) {
    using Severity = ShownDiagnostic::Severity;
    const std::string label = d.severity == Severity::kError ? "error " + std::to_string(d.number)
                              : d.severity == Severity::kWarning ? "warning"
                                                                 : "note";
    if (!d.path.empty()) rebuilt << d.path;
    if (d.at.line > 0) rebuilt << ':' << d.at.line << ':' << d.at.column;
    if (!d.path.empty()) rebuilt << ": ";
    rebuilt << label << ": " << d.message << '\n';
    if (!d.source.empty()) {
      rebuilt << std::setw(6) << d.at.line << " | " << d.source << "\n       | " << d.caret << '\n';
    }
  }
  EXPECT_EQ(rebuilt.str(), out.str());
  // Ten warnings and a note, two more warnings, the error and the fatal one.
  ASSERT_EQ(parts.size(), 15u);
  EXPECT_EQ(parts[10].severity, ShownDiagnostic::Severity::kNote);
  EXPECT_NE(parts[11].source.find("..."), std::string::npos) << "a window of the long line";
  EXPECT_FALSE(parts[12].row) << "a warning that has no place";
  ASSERT_TRUE(parts[13].row);
  EXPECT_EQ(parts[13].row->key, at.key) << "the row an error is about";
  EXPECT_FALSE(parts[14].row) << "a fatal error has none";
}

TEST(SummaryLine, CountsErrorsAndWarnings) {
  EXPECT_EQ(summary_line({0, 0}), "0 errors, 0 warnings");
  EXPECT_EQ(summary_line({1, 1}), "1 error, 1 warning");
  EXPECT_EQ(summary_line({2, 3}), "2 errors, 3 warnings");
}

TEST(TextEncoding, ConvertsAndEscapes) {
  EXPECT_EQ(utf8_from_1252("Citt\xE0 \x80 \x8A"), "Citt\xC3\xA0 \xE2\x82\xAC \xC5\xA0");
  EXPECT_EQ(utf8_from_1252("\x81"), "\xEF\xBF\xBD");  // unused in the code page
  EXPECT_EQ(json_string("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
  EXPECT_EQ(xml_escaped("<a & 'b'>\x01"), "&lt;a &amp; &apos;b&apos;&gt;");
}

TEST(TextEncoding, TakesUtf8IntoWindows1252OnlyWhenEveryLetterFits) {
  struct Case {
    const char* name;
    std::string utf8;
    std::optional<std::string> expected;
    std::string unheld;
  };
  const Case cases[] = {
      {"ASCII", "TX 903", "TX 903", ""},
      {"Latin-1 letters", "Citt\xC3\xA0 \xC3\xBF", "Citt\xE0 \xFF", ""},
      {"the letters in 0x80..0x9F", "\xE2\x82\xAC \xC5\xA0 \xC5\xB8", "\x80 \x8A \x9F", ""},
      {"a letter beyond the code page",
       "\xC5\x81\xC3\xB3"
       "d\xC5\xBA",
       std::nullopt, "\xC5\x81"},
      {"a control the code page lacks", "\xC2\x81", std::nullopt, "\xC2\x81"},
      {"a letter beyond 16 bits", "a\xF0\x9F\x9A\x86", std::nullopt, "\xF0\x9F\x9A\x86"},
      {"not UTF-8", "Citt\xE0", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Windows1252Text converted = windows_1252_from_utf8(c.utf8);
    EXPECT_EQ(converted.text, c.expected);
    EXPECT_EQ(converted.unheld, c.unheld);
    if (converted.text) {
      EXPECT_EQ(utf8_from_1252(*converted.text), c.utf8);  // and back
    }
  }
}

}  // namespace
}  // namespace borgo::tools
