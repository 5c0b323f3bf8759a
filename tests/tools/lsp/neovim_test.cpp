// A real client end to end: Neovim, headless, configured by the README's
// snippet as it stands there, runs tests/tools/lsp/neovim.lua against
// `scenario-tool lsp` on the emitted scenario, and this test checks what it
// received and wrote. Skipped on Windows, and where Neovim is not installed
// unless BORGO_REQUIRE_EDITORS is set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>

#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/lsp/editor_support.hpp"
#include "tests/tools/tool_fixture.hpp"

namespace borgo::tools::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

#ifndef _WIN32
// The diagnostic with this code, or null.
json with_code(const json& diagnostics, const json& code) {
  for (const json& diagnostic : diagnostics) {
    if (diagnostic.value("code", json()) == code) return diagnostic;
  }
  return nullptr;
}

json start(int line, int character) { return {{"line", line}, {"character", character}}; }
#endif

TEST(LspNeovim, TheReadmeConfigurationShowsTheConflictOfAnEditAsItIsTyped) {
#ifdef _WIN32
  GTEST_SKIP() << "the editor end to end runs on Linux";
#else
  const std::optional<fs::path> nvim = editor("nvim");
  if (!nvim) GTEST_SKIP() << "nvim is not installed";
  const std::string config = readme_config("neovim");
  ASSERT_FALSE(config.empty()) << "no Neovim configuration in README.md";
  borgo::testing::ScratchFolder folder("nvim");
  borgo::testing::spit(folder / "config.lua", config);
  const fs::path scenario = folder / "scenario";
  ASSERT_EQ(tool({"emit", scenario.string()}).status, 0);
  const fs::path received = folder / "received.json";
  const fs::path script = fs::path(BORGO_SOURCE_DIR) / "tests" / "tools" / "lsp" / "neovim.lua";
  // Neovim's own state goes into the scratch folder; the configuration
  // finds the tool on PATH. A client that hangs is stopped by the script's
  // waits, and the editor by `timeout`.
  const std::string command =
      "cd " + shell_quoted(folder.path()) + " && XDG_CONFIG_HOME=. XDG_DATA_HOME=. " +
      "XDG_STATE_HOME=. XDG_CACHE_HOME=. PATH=" + shell_quoted(fs::path(BORGO_TOOL).parent_path()) +
      ":\"$PATH\" CONFIG=" + shell_quoted(folder / "config.lua") +
      " SCENARIO=" + shell_quoted(scenario) + " RESULT=" + shell_quoted(received) +
      " timeout 120 " + shell_quoted(*nvim) + " --headless --clean -u NONE -i NONE -c " +
      shell_quoted("luafile " + script.string()) + " >nvim.log 2>&1 </dev/null";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(fs::exists(received)) << "status " << status << "\n"
                                    << borgo::testing::slurp(folder / "nvim.log");
  const json result = json::parse(borgo::testing::slurp(received));
  ASSERT_FALSE(result.contains("failure")) << result["failure"];

  // Opened: the scenario's one warning, a decimal comma at 187:23.
  const json comma = with_code(result["opened"], "decimal-comma");
  ASSERT_TRUE(comma.is_object()) << result["opened"];
  EXPECT_EQ(comma["range"]["start"], start(186, 22));
  // Edited: the first signal, line 118 column 13 of the train description,
  // falls on the indicators' cell, whose row hears of it too.
  const json signal = with_code(result["train"], 16);
  ASSERT_TRUE(signal.is_object()) << result["train"];
  EXPECT_EQ(signal["range"]["start"], start(117, 12));
  EXPECT_EQ(signal["severity"], 1);
  EXPECT_EQ(signal["relatedInformation"][0]["location"]["range"]["start"],
            start(result["row"].get<int>(), 18));
  const json holder = with_code(result["line"], 16);
  ASSERT_TRUE(holder.is_object()) << result["line"];
  EXPECT_EQ(holder["range"]["start"], start(result["row"].get<int>(), 18));

  const std::string hover = result["hover"]["contents"]["value"];
  EXPECT_EQ(hover.rfind("**posizione** = 1050 metres", 0), 0u) << hover;
  EXPECT_NE(hover.find("indicatori_vmax"), std::string::npos) << hover;
  bool completes = false;
  for (const json& label : result["completion"]) completes |= label == "indicatori_vmax";
  EXPECT_TRUE(completes) << result["completion"];
  // A misspelt key typed on the line after the indicators' row.
  const json misspelt = result["misspelt"];
  ASSERT_TRUE(misspelt.is_object()) << result;
  EXPECT_EQ(misspelt["range"]["start"], start(result["row"].get<int>() + 1, 0));
  EXPECT_NE(misspelt["message"].get<std::string>().find("did you mean \"indicatori_vmax\"?"),
            std::string::npos)
      << misspelt;
  // Its quick fix, applied by Neovim, puts the key meant in its place; once
  // its columns are pushed out of line, a formatting puts them back, and a
  // second one has nothing to do.
  EXPECT_NE(result["fix"].get<std::string>().find("indicatori_vmax"), std::string::npos) << result;
  EXPECT_EQ(result["fixed"], "indicatori_vmax,  3000,  90,  95,  100,  0,  ,  ,  ,  0") << result;
  EXPECT_EQ(result["formatted"], result["fixed"]) << result;
  EXPECT_GE(result["edits"], 1) << result;
  EXPECT_EQ(result["edits_again"], 0) << result;
  EXPECT_TRUE(result["stopped"].get<bool>());
  // A description begun in Neovim is written in Windows-1252, with CR LF.
  EXPECT_EQ(result["written"], "cp1252");
  EXPECT_NE(borgo::testing::slurp(scenario / "Nuovo_linea.txt").find("Citt\xE0\r\n"),
            std::string::npos);
  // The editor's buffer changed, the files did not.
  EXPECT_EQ(borgo::testing::slurp(scenario / "Borgo_Mar_linea.txt").find("indicatori_vmax,  1050"),
            std::string::npos);
#endif
}

}  // namespace
}  // namespace borgo::tools::testing
