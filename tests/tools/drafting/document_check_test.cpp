// The package's own documents checked against its descriptions, then each
// with one thing changed: the finding's line and what it says.
#include "tools/drafting/document_check.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/files.hpp"

namespace borgo::tools::drafting {
namespace {

const std::filesystem::path kScenario = std::filesystem::path(BORGO_SOURCE_DIR) / "scenario";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(DocumentCheck, FindsWhatDiffersFromTheDescriptionsByLine) {
  const std::string line = borgo::testing::slurp(kScenario / "linea.txt");
  const std::string train = borgo::testing::slurp(kScenario / "treno.txt");
  const std::string order = borgo::testing::slurp(kScenario / "rallentamenti.txt");
  const std::string sheet = borgo::testing::slurp(kScenario / "scheda_treno.txt");
  const std::string settings = borgo::testing::slurp(kScenario / "scheda.txt");
  const compiler::Compilation compilation = compiler::compile({.line_name = "Borgo_Mar",
                                                               .train_name = "TX 903",
                                                               .line_description = line,
                                                               .train_description = train});

  struct Case {
    const char* name;
    std::string order;
    std::string sheet;
    std::vector<std::pair<std::int32_t, std::string>> found;  // line, the message begins so
  };
  const Case cases[] = {
      {"the package's own", order, sheet, {}},
      {"an entry's speed and length",
       replaced(order, "|    60    |   900   |", "|    50    |   800   |"),
       sheet,
       {{14,
         "slow-down 2 differs from its row (line 116 of the train description): speed \"50\" "
         "where the row gives \"60\", length \"800\" where the row gives \"900\""}}},
      {"an entry too few",
       replaced(order, " | 2 |Rosignano", " |   |Rosignano"),
       sheet,
       {{39, "slow-down 2 of the train description (line 116) is not in the order"}}},
      {"an entry too many",
       replaced(order, " |   |                            |            |",
                " | 3 |Vada                        |    1.000   |"),
       sheet,
       {{15, "slow-down 3 has no \"rallentamento\" row"}}},
      {"a station renamed on the sheet",
       order,
       replaced(sheet, "|Tarquinia     ", "|Tarquinio     "),
       {{70, "names \"Tarquinio\", which is no station of the line"},
        {1, "lacks the station \"Tarquinia\""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<LocatedFinding> found =
        check_shipped_documents(compilation, ShippedDocument{"order", c.order},
                                ShippedDocument{"sheet", c.sheet}, settings, "Borgo_Mar", "TX 903");
    ASSERT_EQ(found.size(), c.found.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i].finding.line, c.found[i].first);
      EXPECT_EQ(found[i].finding.message.rfind(c.found[i].second, 0), 0u)
          << found[i].finding.message;
      EXPECT_TRUE(found[i].finding.row.has_value() ||
                  c.found[i].second.find("no ") != std::string::npos);
    }
  }
}

}  // namespace
}  // namespace borgo::tools::drafting
