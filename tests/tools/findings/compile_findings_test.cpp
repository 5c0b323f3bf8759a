// Findings of a cell conflict name the row that holds the cell, whichever
// document it stands in.
#include "tools/findings/compile_findings.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/support/files.hpp"
#include "tests/tools/tool_fixture.hpp"

namespace borgo::tools::testing {
namespace {

using compiler::Document;

std::string edited(const std::string& name, const std::string& from, const std::string& to) {
  std::string text = borgo::testing::slurp(kFixture / name);
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(CompileFindings, ACellConflictNamesTheRowHoldingTheCell) {
  struct Case {
    const char* name;
    const std::string* document;  // the one edited
    const char* from;
    const char* to;
    int number;
    Document holder_document;
    compiler::FieldLocation holder_position;
    const char* holder_row;
  };
  const Case cases[] = {
      {"a signal on the line's indicators",
       &kTrainDocument,
       "segnale,    1050",
       "segnale,    1000",
       16,
       Document::kLineDescription,
       {16, 19},
       "indicatori_vmax"},
      {"a signal on an earlier signal",
       &kTrainDocument,
       "segnale,    8000",
       "segnale,    1050",
       16,
       Document::kTrainDescription,
       {17, 13},
       "segnale"},
      {"a code point on a signal",
       &kTrainDocument,
       "abbattimento,    7050",
       "abbattimento,    1100",
       7,
       Document::kTrainDescription,
       {17, 13},
       "segnale"},
      {"a signal on a slow-down's warning board",
       &kTrainDocument,
       "segnale,    8000",
       "segnale,    10800",
       16,
       Document::kTrainDescription,
       {15, 17},
       "rallentamento"},
      {"a sign on the indicators",
       &kLineDocument,
       "cartello_indicatore,  2950",
       "cartello_indicatore,  1000",
       6,
       Document::kLineDescription,
       {16, 19},
       "indicatori_vmax"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool line_edited = c.document == &kLineDocument;
    const std::optional<std::string> line = line_edited
                                                ? edited(kLineDocument, c.from, c.to)
                                                : borgo::testing::slurp(kFixture / kLineDocument);
    const std::optional<std::string> train = line_edited
                                                 ? borgo::testing::slurp(kFixture / kTrainDocument)
                                                 : edited(kTrainDocument, c.from, c.to);
    const compiler::Compilation compilation = compiler::compile({.line_name = kLine,
                                                                 .train_name = kTrain,
                                                                 .write_line_file = 1,
                                                                 .line_description = *line,
                                                                 .train_description = *train});
    FindingMaker findings(compilation.outcome, *compilation.model, line, train);
    const std::optional<Finding> error = findings.error();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number, c.number);
    ASSERT_TRUE(error->holder) << error->message;
    EXPECT_EQ(error->holder->document, c.holder_document);
    EXPECT_EQ(error->holder->position, c.holder_position);
    EXPECT_EQ(error->holder->row, c.holder_row);
  }
}

}  // namespace
}  // namespace borgo::tools::testing
