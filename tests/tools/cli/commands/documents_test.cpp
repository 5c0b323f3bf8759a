// scenario-tool documents: drafted from the descriptions and the settings
// emit writes, never over an author's documents unless forced.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/tool_fixture.hpp"

namespace borgo::tools::testing {
namespace {

using borgo::testing::ScratchFolder;
using borgo::testing::slurp;

const std::string kOrder = "Borgo_Mar_TX 903_rallentamenti.txt";
const std::string kSheet = "Borgo_Mar_TX 903_scheda_treno.txt";

ToolRun documents(const std::filesystem::path& folder, std::vector<std::string> extra = {},
                  const std::string& line = "Borgo_Mar", const std::string& train = "TX 903") {
  std::vector<std::string> words{"documents", folder.string(), "--line", line, "--train", train};
  words.insert(words.end(), extra.begin(), extra.end());
  return tool(words);
}

TEST(DocumentsCommand, EmitThenDocumentsDraftsThePackagesOwn) {
  ScratchFolder author;
  ASSERT_EQ(tool({"emit", author.path().string()}).status, 0);
  const std::filesystem::path drafted = author.path() / "drafted";
  const ToolRun run = documents(author.path(), {"--out", drafted.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "wrote " + (drafted / kOrder).string() + "\nwrote " +
                         (drafted / kSheet).string() + "\n");
  EXPECT_EQ(slurp(drafted / kOrder), slurp(author / kOrder));
  // The package's sheet has one blank after a closing bar that nothing tells.
  const std::string own = slurp(author / kSheet);
  std::string sheet = slurp(drafted / kSheet);
  const std::size_t at = own.find("| :     | \r\n");
  ASSERT_NE(at, std::string::npos);
  sheet.insert(at + 9, " ");
  EXPECT_TRUE(sheet == own);
}

TEST(DocumentsCommand, RefusesToOverwriteAnAuthorsDocumentsUnlessForced) {
  ScratchFolder author;
  ASSERT_EQ(tool({"emit", author.path().string()}).status, 0);
  borgo::testing::spit(author / kSheet, "edited");
  const ToolRun refused = documents(author.path());
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.out, "");
  EXPECT_NE(refused.err.find((author / kSheet).string()), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
  EXPECT_EQ(slurp(author / kSheet), "edited");

  const ToolRun forced = documents(author.path(), {"--force"});
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_NE(slurp(author / kSheet), "edited");
}

TEST(DocumentsCommand, FaultyInputIsDraftedAsFarAsItWasRead) {
  struct Case {
    const char* name;
    const char* document;  // edited: the fixture's line or train description, or the settings
    const char* from;
    const char* to;
    int status;
    const char* says;
    bool drafted;
  };
  const std::string settings = "Costa_R 12_scheda.txt";
  const Case cases[] = {
      {"no settings", nullptr, "", "", 0, "the cells it gives stay blank", true},
      {"a settings row with an unknown key", "settings", "", "categoria, IC\r\ncolore, rosso\r\n",
       1, "Costa_R 12_scheda.txt:2:1: error: unknown key \"colore\"", true},
      {"an error after the line's length", "train", "stazione,    9000", "stazione,    9000x", 1,
       "reading stopped at", true},
      {"an error before the line's length", "line", "lunghezza percorso,    20000",
       "lunghezza percorso,    abc", 2, "nothing was drafted", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioFolder scenario;
    if (c.document != nullptr) {
      const std::string doc = c.document;
      if (doc == "settings") {
        borgo::testing::spit(scenario.path() / settings, c.to);
      } else {
        scenario.edit(doc == "line" ? kLineDocument : kTrainDocument, c.from, c.to);
      }
    }
    const ToolRun run = documents(scenario.path(), {}, kLine, kTrain);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(std::filesystem::exists(scenario.path() / "Costa_R 12_scheda_treno.txt"), c.drafted);
    EXPECT_EQ(std::filesystem::exists(scenario.path() / "Costa_R 12_rallentamenti.txt"), c.drafted);
  }
}

}  // namespace
}  // namespace borgo::tools::testing
