// The compile's diagnostics name the field their caret points at, as the
// format table names it; and the README's example is what the tool prints.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/tool_fixture.hpp"

namespace borgo::tools::testing {
namespace {

TEST(DiagnosticFieldNames, LeadTheMessage) {
  const std::string& L = kLineDocument;
  const std::string& T = kTrainDocument;
  struct Case {
    const char* name;
    const std::string* document;
    const char* from;
    const char* to;
    const char* label;
    const char* leads;  // the message begins with it
    std::vector<std::string> extra = {};
  };
  const Case cases[] = {
      {"a position", &T, "segnale,    1050", "segnale,    1000", "error 16",
       "field \"posizione\" (metres): a signal falls on a cell"},
      {"the value read last", &T, "9000, 12,  400", "9000, 12,  450", "error 9",
       "field \"zona\" (metres): "},
      {"a field without a unit", &T, "vetture,    6", "vetture,    sei", "error 25",
       "field \"vetture\": "},
      {"a general row's value", &L, "percorso,    20000", "percorso,    2000000", "error 1",
       "field \"lunghezza\" (metres): "},
      {"the end of the repetition", &L, "1000,    15000", "1000,    15010", "error 4",
       "field \"fine\" (metres): "},
      {"a row as a whole", &T, "stazione,    9000", "stazione,    800", "error 22",
       "row \"stazione\": "},
      {"a key", &L, "segnali 9 codici", "segnali codici", "error 5",
       "row \"ripetizione segnali\": "},
      {"a warning's position", &L, "pendenza,  8000", "pendenza,  1000", "warning",
       "field \"posizione\" (metres): gradient row at 1000 m"},
      {"a key that names no row", &L, "[montagne]", "fermata\n[montagne]", "warning",
       "\"fermata\" matches no key"},
      {"after curves read as keys",
       &T,
       "segnale,    1050",
       "segnale,    1000",
       "error 16",
       "field \"posizione\" (metres): ",
       {"--no-line-file"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioFolder scenario;
    scenario.edit(*c.document, c.from, c.to);
    const ToolRun run = scenario.compile(c.extra);
    bool found = false;
    for (const Diagnostic& d : diagnostics(run.err)) {
      if (d.label != c.label) continue;
      found = true;
      EXPECT_EQ(d.message.rfind(c.leads, 0), 0u) << d.message;
    }
    EXPECT_TRUE(found) << run.err;
  }
}

// The README's compile example, run: its standard error, line for line.
TEST(DiagnosticFieldNames, TheReadmeExampleIsWhatTheToolPrints) {
  const std::string readme = borgo::testing::slurp(BORGO_SOURCE_DIR "/README.md");
  const std::string command =
      "    $ scenario-tool compile scenario --line Borgo_Mar --train \"TX 903\"\n";
  const std::size_t start = readme.find(command);
  ASSERT_NE(start, std::string::npos);
  std::string shown;
  for (std::size_t at = start + command.size(); at < readme.size();) {
    const std::size_t end = readme.find('\n', at);
    const std::string line = readme.substr(at, end - at);
    if (line.rfind("    wrote ", 0) == 0 || line.rfind("    $", 0) == 0) break;
    ASSERT_EQ(line.rfind("    ", 0), 0u) << line;
    shown += line.substr(4) + "\n";
    at = end + 1;
  }

  borgo::testing::ScratchFolder folder;
  const std::string scenario = (folder / "scenario").string();
  ASSERT_EQ(tool({"emit", scenario}).status, 0);
  const std::string train = scenario + "/Borgo_Mar_TX 903-.txt";
  std::string text = borgo::testing::slurp(train);
  const std::size_t signal = text.find("segnale,    1050");
  ASSERT_NE(signal, std::string::npos);
  text.replace(signal, 16, "segnale,    1000");
  borgo::testing::spit(train, text);
  const ToolRun run = tool({"compile", scenario, "--line", "Borgo_Mar", "--train", "TX 903"});
  EXPECT_EQ(run.status, 1);
  // The folder as the README names it, with its separator.
  const std::string named =
      scenario + static_cast<char>(std::filesystem::path::preferred_separator);
  std::string err = run.err;
  for (std::size_t at; (at = err.find(named)) != std::string::npos;) {
    err.replace(at, named.size(), "scenario/");
  }
  EXPECT_EQ(err, shown);
}

}  // namespace
}  // namespace borgo::tools::testing
