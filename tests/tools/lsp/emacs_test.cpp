// A real client end to end: Emacs in batch, configured by the README's
// snippet as it stands there, runs tests/tools/lsp/emacs.el against
// `scenario-tool lsp` on the emitted scenario, and this test checks what it
// received and wrote. Skipped on Windows, and where Emacs is not installed
// unless BORGO_REQUIRE_EDITORS is set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/lsp/editor_support.hpp"
#include "tests/tools/tool_fixture.hpp"

namespace borgo::tools::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

TEST(LspEmacs, TheReadmeConfigurationShowsTheServersDiagnostics) {
#ifdef _WIN32
  GTEST_SKIP() << "the editor end to end runs on Linux";
#else
  const std::optional<fs::path> emacs = editor("emacs");
  if (!emacs) GTEST_SKIP() << "emacs is not installed";
  const std::string config = readme_config("emacs");
  ASSERT_FALSE(config.empty()) << "no Emacs configuration in README.md";
  borgo::testing::ScratchFolder folder("emacs");
  borgo::testing::spit(folder / "config.el", config);
  const fs::path scenario = folder / "scenario";
  ASSERT_EQ(tool({"emit", scenario.string()}).status, 0);
  const fs::path received = folder / "received.json";
  const fs::path script = fs::path(BORGO_SOURCE_DIR) / "tests" / "tools" / "lsp" / "emacs.el";
  // Emacs's own state goes into the scratch folder (HOME); the script's
  // wait for the diagnostics is bounded, and the editor by `timeout`.
  const std::string command =
      "cd " + shell_quoted(folder.path()) +
      " && HOME=. PATH=" + shell_quoted(fs::path(BORGO_TOOL).parent_path()) +
      ":\"$PATH\" CONFIG=" + shell_quoted(folder / "config.el") +
      " SCENARIO=" + shell_quoted(scenario) + " RESULT=" + shell_quoted(received) +
      " timeout 120 " + shell_quoted(*emacs) + " --batch -l " + shell_quoted(script) +
      " >emacs.log 2>&1 </dev/null";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(fs::exists(received)) << "status " << status << "\n"
                                    << borgo::testing::slurp(folder / "emacs.log");
  const json result = json::parse(borgo::testing::slurp(received));
  ASSERT_FALSE(result.contains("failure")) << result["failure"];

  EXPECT_EQ(result["mode"], "scenario-mode");
  EXPECT_EQ(result["managed"], true);
  // The scenario's one warning, a decimal comma at 187:23.
  ASSERT_TRUE(result["opened"].is_array()) << result;
  ASSERT_EQ(result["opened"].size(), 1u) << result["opened"];
  const json& comma = result["opened"][0];
  EXPECT_EQ(comma["code"], "decimal-comma");
  EXPECT_EQ(comma["range"]["start"], json({{"line", 186}, {"character", 22}}));
  // A description begun in Emacs is written in Windows-1252.
  EXPECT_EQ(result["written"], "windows-1252-dos");
  EXPECT_EQ(borgo::testing::slurp(scenario / "Nuovo_linea.txt"),
            "[generale]\r\ncartello_indicatore,  2950,   Citt\xE0\r\n");
#endif
}

}  // namespace
}  // namespace borgo::tools::testing
