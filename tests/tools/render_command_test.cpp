// scenario-tool render: a well-formed SVG page that names every station.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "documents/documents.hpp"
#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/tool_fixture.hpp"
#include "tools/text_encoding.hpp"

namespace borgo::tools::testing {
namespace {

using borgo::testing::ScratchFolder;
using borgo::testing::slurp;

// Checks that the elements nest: every start tag is closed by an end tag of
// its name, and nothing is left open. Returns what is wrong, or "".
std::string nesting_fault(const std::string& xml) {
  std::vector<std::string> open;
  std::size_t at = 0;
  while ((at = xml.find('<', at)) != std::string::npos) {
    if (xml.compare(at, 4, "<!--") == 0) {
      at = xml.find("-->", at);
      if (at == std::string::npos) return "an unclosed comment";
      continue;
    }
    const std::size_t end = xml.find('>', at);
    if (end == std::string::npos) return "an unclosed tag at " + std::to_string(at);
    const std::string tag = xml.substr(at + 1, end - at - 1);
    at = end + 1;
    if (tag.front() == '?') continue;
    const bool closing = tag.front() == '/';
    const bool empty = tag.back() == '/';
    const std::string name =
        tag.substr(closing ? 1 : 0, tag.find_first_of(" /\n", closing ? 1 : 0) - (closing ? 1 : 0));
    if (closing) {
      if (open.empty() || open.back() != name) return "</" + name + "> closes nothing open";
      open.pop_back();
    } else if (!empty) {
      open.push_back(name);
    }
  }
  if (!open.empty()) return "<" + open.back() + "> is never closed";
  // Text must not hold a bare "<" or an "&" that starts no entity.
  for (std::size_t amp = xml.find('&'); amp != std::string::npos; amp = xml.find('&', amp + 1)) {
    const std::size_t semicolon = xml.find(';', amp);
    if (semicolon == std::string::npos || semicolon - amp > 6) return "a bare &";
  }
  return "";
}

// The station names of the embedded train description, read from its rows.
std::vector<std::string> embedded_station_names() {
  std::vector<std::string> names;
  const std::string text = documents::render_lines(documents::train_description());
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("stazione", 0) != 0) continue;
    std::string name = line.substr(line.rfind(',') + 1);
    name.erase(0, name.find_first_not_of(' '));
    names.push_back(utf8_from_1252(name));
  }
  return names;
}

TEST(RenderCommand, DrawsTheEmbeddedScenarioNamingEveryStation) {
  ScratchFolder folder;
  ASSERT_EQ(tool({"emit", folder.path().string()}).status, 0);
  const std::filesystem::path svg_file = folder / "line.svg";
  const ToolRun run = tool({"render", folder.path().string(), "--line", "Borgo_Mar", "--train",
                            "TX 903", "-o", svg_file.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string svg = slurp(svg_file);
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg.find("<svg xmlns=\"http://www.w3.org/2000/svg\""), std::string::npos);
  EXPECT_EQ(nesting_fault(svg), "");
  EXPECT_EQ(svg.find("<script"), std::string::npos);

  const std::vector<std::string> stations = embedded_station_names();
  ASSERT_EQ(stations.size(), 45u);
  for (const std::string& name : stations) {
    SCOPED_TRACE(name);
    // In the plan view and on the route axis.
    std::size_t count = 0;
    for (std::size_t at = svg.find(">" + name + "</text>"); at != std::string::npos;
         at = svg.find(">" + name + "</text>", at + 1)) {
      ++count;
    }
    EXPECT_GE(count, 2u);
  }
  EXPECT_NE(svg.find(">Cippo Km 728+000</text>"), std::string::npos);  // a kilometre post
  EXPECT_NE(svg.find(">60 km/h</text>"), std::string::npos);           // a slow-down

  // Nothing of the drawing lands in the author's folder but the page.
  EXPECT_FALSE(std::filesystem::exists(folder / "Borgo_Mar_TX 903.dat"));
}

TEST(RenderCommand, DrawsCompiledFilesAloneAndWithoutALineFile) {
  struct Case {
    const char* name;
    std::vector<std::string> compile_options;
    bool plan_view;
  };
  const Case cases[] = {{"with a line file", {}, true},
                        {"without a line file", {"--no-line-file"}, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioFolder scenario;
    ScratchFolder compiled;
    std::vector<std::string> options{"--out", compiled.path().string()};
    options.insert(options.end(), c.compile_options.begin(), c.compile_options.end());
    ASSERT_EQ(scenario.compile(options).status, 0);
    const std::filesystem::path svg_file = compiled / "costa.svg";
    const ToolRun run = tool({"render", compiled.path().string(), "--line", kLine, "--train",
                              kTrain, "--output", svg_file.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string svg = slurp(svg_file);
    EXPECT_EQ(nesting_fault(svg), "");
    EXPECT_NE(svg.find(">Borgo Sud</text>"), std::string::npos);
    EXPECT_EQ(svg.find(">Plan view</text>") != std::string::npos, c.plan_view);
  }
}

TEST(RenderCommand, ACompiledFileThatDoesNotFitIsNotDrawn) {
  ScenarioFolder scenario;
  ScratchFolder compiled;
  ASSERT_EQ(scenario.compile({"--out", compiled.path().string()}).status, 0);
  const std::filesystem::path cells = compiled / "Costa_R 12.dat";
  borgo::testing::spit(cells, slurp(cells).substr(0, 100));
  const std::filesystem::path svg_file = compiled / "costa.svg";
  const ToolRun run = tool({"render", compiled.path().string(), "--line", kLine, "--train", kTrain,
                            "-o", svg_file.string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("does not fit its layout at byte 90"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(svg_file));
}

TEST(RenderCommand, TheTitleShowsNamesBeyondAsciiAsTyped) {
  const std::string line = "Citt\xC3\xA0";  // "Città" in UTF-8
  ScratchFolder folder;
  std::filesystem::copy_file(kFixture / kLineDocument, folder / (line + "_linea.txt"));
  std::filesystem::copy_file(kFixture / kTrainDocument, folder / (line + "_R 12-.txt"));
  const std::filesystem::path svg_file = folder / "line.svg";
  const ToolRun run = tool({"render", folder.path().string(), "--line", line, "--train", kTrain,
                            "-o", svg_file.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(slurp(svg_file).find("<title>" + line + " - R 12</title>"), std::string::npos);
}

}  // namespace
}  // namespace borgo::tools::testing
