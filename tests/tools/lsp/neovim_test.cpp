// A real client end to end: Neovim, headless, runs tests/tools/lsp/neovim.lua
// against `scenario-tool lsp` on the emitted scenario, and this test checks
// what it received. Skipped where Neovim is not installed, and on Windows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>

#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/tool_fixture.hpp"

namespace borgo::tools::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

#ifndef _WIN32
std::optional<fs::path> on_path(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::nullopt;
  std::istringstream folders(path);
  for (std::string folder; std::getline(folders, folder, ':');) {
    std::error_code failed;
    const fs::path candidate = fs::path(folder) / program;
    if (!folder.empty() && fs::is_regular_file(candidate, failed)) return candidate;
  }
  return std::nullopt;
}

std::string shell_quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// The diagnostic with this code, or null.
json with_code(const json& diagnostics, const json& code) {
  for (const json& diagnostic : diagnostics) {
    if (diagnostic.value("code", json()) == code) return diagnostic;
  }
  return nullptr;
}

json start(int line, int character) { return {{"line", line}, {"character", character}}; }
#endif

TEST(LspNeovim, ShowsTheConflictOfAnEditAsItIsTyped) {
#ifdef _WIN32
  GTEST_SKIP() << "the editor end to end runs on Linux";
#else
  const std::optional<fs::path> nvim = on_path("nvim");
  if (!nvim) GTEST_SKIP() << "nvim is not installed";
  borgo::testing::ScratchFolder folder("nvim");
  const fs::path scenario = folder / "scenario";
  ASSERT_EQ(tool({"emit", scenario.string()}).status, 0);
  const fs::path received = folder / "received.json";
  const fs::path script = fs::path(BORGO_SOURCE_DIR) / "tests" / "tools" / "lsp" / "neovim.lua";
  // Neovim's own state goes into the scratch folder; a client that hangs is
  // stopped by the script's waits, and the editor by `timeout`.
  const std::string command =
      "cd " + shell_quoted(folder.path()) + " && XDG_CONFIG_HOME=. XDG_DATA_HOME=. " +
      "XDG_STATE_HOME=. XDG_CACHE_HOME=. BORGO_TOOL=" + shell_quoted(BORGO_TOOL) +
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
  EXPECT_TRUE(result["stopped"].get<bool>());
  // The editor's buffer changed, the files did not.
  EXPECT_EQ(borgo::testing::slurp(scenario / "Borgo_Mar_linea.txt").find("indicatori_vmax,  1050"),
            std::string::npos);
#endif
}

}  // namespace
}  // namespace borgo::tools::testing
