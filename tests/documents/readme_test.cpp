// The README's error table is the catalog's, row for row; a table that drifts
// from the catalog in any way is caught, and making it anew touches nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "compiler/error_catalog.hpp"
#include "tests/support/files.hpp"
#include "tools/findings/reference/error_table.hpp"

namespace borgo::tools {
namespace {

TEST(ReadmeErrorTable, IsTheCatalogs) {
  const std::string readme = testing::slurp(BORGO_SOURCE_DIR "/README.md");
  const std::optional<std::string_view> table = readme_error_table(readme);
  ASSERT_TRUE(table) << "README.md has no table under \"## Error numbers\"";
  EXPECT_EQ(std::string(*table), error_table_markdown())
      << "make it anew with: cmake --build build/debug --target readme_error_table";
}

// A README around the current table, with another table in the next section.
std::string readme_with(const std::string& table) {
  return "# Title\n\n## Error numbers\n\nWhat the numbers are.\n\n" + table +
         "\nAfter the table.\n\n## Next\n\n| other | table |\n|---|---|\n";
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(ReadmeErrorTable, DriftIsCaughtAndUndone) {
  const std::string table = error_table_markdown();
  const std::string first = "| 1 | `line-too-long` | the line length is above 1000000 m |\n";
  const std::string second = std::string("| 2 | `progressive-off-grid` | ") +
                             "a kilometre-progressive change has a position or a value that is " +
                             "not a multiple of 50 |\n";
  const std::string last =
      "| 1251 | `code-fields-in-use` | the contest code fields are already in use (a feature in "
      "cell 1 sets its second value) |\n";
  struct Case {
    const char* name;
    std::string table;
  };
  const Case cases[] = {
      {"a number the catalog lacks", table + "| 1300 | `new` | a new error |\n"},
      {"a changed message", replaced(table, "| more than 80 signs |", "| more than 81 signs |")},
      {"a changed name", replaced(table, "`curve`", "`curves`")},
      {"two rows swapped", replaced(table, first + second, second + first)},
      {"the last row missing", replaced(table, last, "")},
      {"no name column", replaced(replaced(table, "| number | name | meaning |\n|---|---|---|\n",
                                           "| number | meaning |\n|---|---|\n"),
                                  "| 1 | `line-too-long` |", "| 1 |")},
  };
  const std::string current = readme_with(table);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string drifted = readme_with(c.table);
    const std::optional<std::string_view> found = readme_error_table(drifted);
    ASSERT_TRUE(found);
    EXPECT_EQ(std::string(*found), c.table);
    EXPECT_NE(std::string(*found), table);
    EXPECT_EQ(with_current_error_table(drifted), current);
  }
  EXPECT_EQ(with_current_error_table(current), current);
}

TEST(ReadmeErrorTable, NoneWithoutATableUnderItsHeading) {
  const std::string other_table = "| other | table |\n|---|---|\n";
  for (const std::string& readme : {
           std::string("# Title\n\n") + other_table,
           "## Error numbers\n\nNo table here.\n\n## Next\n\n" + other_table,
           "## Error numbers in brief\n\n" + other_table,
           std::string("## Error numbers\n"),
       }) {
    SCOPED_TRACE(readme);
    EXPECT_FALSE(readme_error_table(readme));
    EXPECT_FALSE(with_current_error_table(readme));
  }
}

// A '|' or a line end in a name, a message or advice would split a table's row.
TEST(ReadmeErrorTable, CatalogTextsFitInACell) {
  for (const compiler::ErrorInfo& e : compiler::error_catalog()) {
    SCOPED_TRACE(e.number);
    for (const std::string_view text : {e.name, e.message, e.advice}) {
      EXPECT_EQ(text.find_first_of("|\r\n"), std::string_view::npos) << text;
    }
    EXPECT_TRUE(std::all_of(e.name.begin(), e.name.end(), [](char c) {
      return (c >= 'a' && c <= 'z') || c == '-';
    })) << e.name;
  }
}

}  // namespace
}  // namespace borgo::tools
