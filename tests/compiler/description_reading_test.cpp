// What the reading says of a description's bytes before it reads them.
#include "compiler/description_reading.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/compiler/reader_fixture.hpp"

namespace borgo::compiler {
namespace {

using testing::ReaderFixture;

std::vector<CompileWarning> utf8_warnings(const CompileReport& report) {
  std::vector<CompileWarning> found;
  for (const CompileWarning& w : report.warnings) {
    if (w.kind == CompileWarning::Kind::kUtf8Document) found.push_back(w);
  }
  return found;
}

TEST(DescriptionReading, WarnsOnceOfADocumentSavedAsUtf8AtItsFirstLetterBeyondAscii) {
  struct Case {
    const char* name;
    std::string line_body;             // the line description's rows after its general section
    std::string train_body;            // the train description's rows
    std::optional<Document> document;  // of the warning, if one is expected
    FieldLocation at;
    const char* bytes;  // the sequence the detail quotes
  };
  // The short general section takes lines 1 to 5; the train's "[generale]" line 1.
  const Case cases[] = {
      {"UTF-8 in the line description",
       "[indicazioni]\ncartello_indicatore, 2950, Citt\xC3\xA0 \xC3\xA8\n",
       "velocita, 0, 30\n",
       Document::kLineDescription,
       {7, 32},
       "\xC3\xA0"},
      {"UTF-8 in the train description",
       "",
       "velocita, 0, 30\nstazione, 0, 8, 500, 1, 0, 0, 3,1,0, 2,1,1, 1, 8,15, 0, Forl\xC3\xAC\n",
       Document::kTrainDescription,
       {3, 61},
       "\xC3\xAC"},
      {"a three-byte sequence",
       "[indicazioni]\ncartello_indicatore, 2950, \xE2\x82\xAC\n",
       "velocita, 0, 30\n",
       Document::kLineDescription,
       {7, 28},
       "\xE2\x82\xAC"},
      {"Windows-1252 letters",
       "[indicazioni]\ncartello_indicatore, 2950, Citt\xE0 \xE8\n",
       "velocita, 0, 30\n",
       std::nullopt,
       {},
       ""},
      {"ASCII only", "", "velocita, 0, 30\n", std::nullopt, {}, ""},
      {"UTF-8 save for one stray byte",
       "[indicazioni]\ncartello_indicatore, 2950, Citt\xC3\xA0 \xE8\n",
       "velocita, 0, 30\n",
       std::nullopt,
       {},
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReaderFixture f;
    f.write_line_body(c.line_body);
    f.write_train_body(c.train_body);
    f.read();
    ASSERT_EQ(f.model.error_number, 0) << f.report.error_detail;
    const std::vector<CompileWarning> found = utf8_warnings(f.report);
    ASSERT_EQ(found.size(), c.document ? 1u : 0u);
    if (!c.document) continue;
    ASSERT_TRUE(found[0].where.has_value());
    EXPECT_EQ(found[0].where->document, *c.document);
    EXPECT_EQ(found[0].where->value, c.at);
    EXPECT_NE(found[0].detail.find("Windows-1252"), std::string::npos) << found[0].detail;
    EXPECT_NE(found[0].detail.find(std::string("\"") + c.bytes + "\""), std::string::npos)
        << found[0].detail;
  }
}

TEST(DescriptionReading, FindsTheUtf8LetterAfterEveryKindOfLineEnd) {
  struct Case {
    const char* name;
    std::string text;
    FieldLocation at;
  };
  const Case cases[] = {
      {"CR LF", "a\r\nb\r\n  \xC3\xA8", {3, 3}},
      {"lone LF", "a\nb\n\xC3\xA8", {3, 1}},
      {"lone CR", "a\rb\r x\xC3\xA8", {3, 3}},
      {"CR LF then a lone CR", "a\r\n\rb\xC3\xA8", {3, 2}},
      {"on the first line", "ab\xC3\xA8", {1, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RouteModel model;
    CompileReport report;
    DescriptionReading reading(model, report);
    (void)reading.read_line(c.text);  // not a line description: read past its end, error 25
    const std::vector<CompileWarning> found = utf8_warnings(report);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].where->value, c.at);
  }
}

// Each row that places a feature is noted with its kind, its row and its
// place on the line, in reading order; rows that place nothing are not.
TEST(DescriptionReading, NotesEachRowThatPlacesAFeature) {
  ReaderFixture f;
  f.write_line_body(
      "pendenza, 0, 3\n"
      "montagna, 2000, 4000, 12\n"
      "indicatori_vmax, 5000, 90, 95, 100, 0, , , , 0\n"
      "cartello_indicatore, 6000, (Km 6)\n");
  f.write_train_body(
      "velocita, 0, 100\n"
      "stazione, 800, 8, 500, 1, 0, 0, 3,1,0, 2,1,1, 1, 8,15, 0, Capo\n"
      "segnale, 3000, 1, 1, 1, 1, 0, 1, 1,1,1, 0\n"
      "rallentamento, 9000, 60, 600, 0, 1, 60\n"
      "abbattimento, 12050, 270\n");
  f.read();
  ASSERT_EQ(f.model.error_number, 0);

  using Kind = PlacedRow::Kind;
  const struct {
    Kind kind;
    Document document;
    std::int32_t line;
    std::int64_t position;
    std::int64_t end;
  } expected[] = {
      {Kind::kMountainRange, Document::kLineDescription, 7, 2000, 4000},
      {Kind::kSpeedIndicators, Document::kLineDescription, 8, 5000, 5000},
      {Kind::kSign, Document::kLineDescription, 9, 6000, 6000},
      {Kind::kStation, Document::kTrainDescription, 3, 800, 800},
      {Kind::kSignal, Document::kTrainDescription, 4, 3000, 3000},
      {Kind::kSlowDown, Document::kTrainDescription, 5, 9000, 9600},
      {Kind::kCodePoint, Document::kTrainDescription, 6, 12050, 12050},
  };
  ASSERT_EQ(f.report.placed_rows.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const PlacedRow& row = f.report.placed_rows[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(row.kind, expected[i].kind);
    EXPECT_EQ(row.where.document, expected[i].document);
    EXPECT_EQ(row.where.key.line, expected[i].line);
    EXPECT_EQ(row.where.value.line, expected[i].line);
    EXPECT_EQ(row.position, expected[i].position);
    EXPECT_EQ(row.end, expected[i].end);
  }
}

// The row at which a placement fails is noted too: it is the row an error
// points at, and the place the author looks for.
TEST(DescriptionReading, NotesTheRowWhosePlacementFails) {
  ReaderFixture f;
  f.write_line_body("pendenza, 0, 3\n");
  f.write_train_body(
      "segnale, 3000, 1, 1, 1, 1, 0, 1, 1,1,1, 0\n"
      "segnale, 3010, 1, 1, 1, 1, 0, 1, 1,1,1, 0\n"
      "segnale, 5000, 1, 1, 1, 1, 0, 1, 1,1,1, 0\n");
  f.read();
  ASSERT_EQ(f.model.error_number, 16);
  ASSERT_EQ(f.report.placed_rows.size(), 2u);
  EXPECT_EQ(f.report.placed_rows.back().position, 3010);
  ASSERT_TRUE(f.report.error_at);
  EXPECT_EQ(f.report.placed_rows.back().where.key, f.report.error_at->key);
}

}  // namespace
}  // namespace borgo::compiler
