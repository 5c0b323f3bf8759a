// scenario-tool render: a well-formed SVG page that names every station.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "compiler/record_roles.hpp"
#include "documents/documents.hpp"
#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/tool_fixture.hpp"
#include "tools/drawing/line_render.hpp"
#include "tools/shared/text_encoding.hpp"

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

// The x and width of each slow-down's band on the speed lane, in page order.
std::vector<std::pair<std::string, std::string>> slow_down_bands(const std::string& svg) {
  std::vector<std::pair<std::string, std::string>> bands;
  const std::string band = "fill=\"#e63946\" fill-opacity=\"0.25\"";
  for (std::size_t at = svg.find(band); at != std::string::npos; at = svg.find(band, at + 1)) {
    const std::size_t start = svg.rfind("<rect ", at);
    const auto attribute = [&](const std::string& name) {
      const std::size_t from = svg.find(" " + name + "=\"", start) + name.size() + 3;
      return svg.substr(from, svg.find('"', from) - from);
    };
    bands.emplace_back(attribute("x"), attribute("width"));
  }
  return bands;
}

TEST(LineRender, EachSlowDownReachesTheNextEndCell) {
  // 462 cells and no line length item: a line of 462 * 50 - 7000 = 16100 m,
  // drawn 1610 px wide from x = 150, so that cell c begins at x = 150 + 5 (c - 1).
  constexpr std::size_t kCells = 462;
  const auto cells_with = [](const std::vector<std::pair<std::size_t, std::uint8_t>>& features) {
    std::vector<compiler::CellRecord> cells(kCells);
    for (const auto& [cell, kind] : features) {
      cells[cell].kind = kind;
      if (kind == compiler::kSlowDownStart) compiler::slow_down_limit(cells[cell]) = 60;
    }
    return cells;
  };
  using Bands = std::vector<std::pair<std::string, std::string>>;
  struct Case {
    const char* name;
    std::vector<compiler::CellRecord> cells;
    Bands bands;
  };
  constexpr std::uint8_t kStart = compiler::kSlowDownStart;
  constexpr std::uint8_t kEnd = compiler::kSlowDownEnd;
  std::vector<std::pair<std::size_t, std::uint8_t>> starts_then_one_end;
  Bands to_the_last_cell;
  for (std::size_t c = 1; c + 1 < kCells; ++c) {
    starts_then_one_end.emplace_back(c, kStart);
    to_the_last_cell.emplace_back(std::to_string(150 + 5 * (c - 1)),
                                  std::to_string(5 * (kCells - 1 - c)));
  }
  starts_then_one_end.emplace_back(kCells - 1, kEnd);
  const Case cases[] = {
      {"one slow-down", cells_with({{11, kStart}, {31, kEnd}}), {{"200", "100"}}},
      {"two starts share the end after them",
       cells_with({{11, kStart}, {21, kStart}, {31, kEnd}}),
       {{"200", "100"}, {"250", "50"}}},
      {"an end before a start is not its end",
       cells_with({{11, kEnd}, {21, kStart}, {31, kEnd}, {41, kEnd}}),
       {{"250", "50"}}},
      {"a start without an end after it is drawn 3 px wide",
       cells_with({{11, kStart}, {21, kEnd}, {41, kStart}}),
       {{"200", "50"}, {"350", "3"}}},
      {"every cell a start but the last, an end", cells_with(starts_then_one_end),
       to_the_last_cell},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RenderInput input;
    input.cells = c.cells;
    EXPECT_EQ(slow_down_bands(render_line_svg(input)), c.bands);
  }
}

TEST(RenderCommand, ACompiledFileThatDoesNotFitIsNotDrawn) {
  struct Case {
    const char* name;
    const char* file;
    std::string bytes;        // the file's bytes, or its first 100 when empty
    std::uintmax_t grown_to;  // then grown, sparse, to this size (0: as it is)
    const char* says;
  };
  const Case cases[] = {
      {"cut short in a cell", "Costa_R 12.dat", "", 0, "does not fit its layout at byte 90: "},
      // Cells of a 1000000 m line: 0 to 20140, 302115 bytes.
      {"larger than the largest grid", "Costa_R 12.dat", std::string(302115 + 15, '\0'), 0,
       "does not fit its layout at byte 302115: the file is 302130 bytes, longer than the "
       "largest grid"},
      // Told by its size before a byte of it is read.
      {"a train file of 2 GB", "Costa_R 12.sim", "", std::uintmax_t{2} << 30,
       "does not fit its layout at byte 5704503: the file is 2147483648 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioFolder scenario;
    ScratchFolder compiled;
    ASSERT_EQ(scenario.compile({"--out", compiled.path().string()}).status, 0);
    const std::filesystem::path file = compiled / c.file;
    borgo::testing::spit(file, c.bytes.empty() ? slurp(file).substr(0, 100) : c.bytes);
    if (c.grown_to != 0) std::filesystem::resize_file(file, c.grown_to);
    const std::filesystem::path svg_file = compiled / "costa.svg";
    const ToolRun run = tool({"render", compiled.path().string(), "--line", kLine, "--train",
                              kTrain, "-o", svg_file.string()});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(svg_file));
  }
}

TEST(RenderCommand, TheTitleShowsNamesBeyondAsciiAsTyped) {
  const std::optional<std::string> typed = platform_text(kCitta);
  if (!typed) GTEST_SKIP() << "the platform's encoding lacks \"Citt\u00E0\"";
  const std::string& line = *typed;
  ScratchFolder folder;
  std::filesystem::copy_file(kFixture / kLineDocument, folder / (line + "_linea.txt"));
  std::filesystem::copy_file(kFixture / kTrainDocument, folder / (line + "_R 12-.txt"));
  const std::filesystem::path svg_file = folder / "line.svg";
  const ToolRun run = tool({"render", folder.path().string(), "--line", line, "--train", kTrain,
                            "-o", svg_file.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(slurp(svg_file).find("<title>" + kCitta + " - R 12</title>"), std::string::npos);
}

// The page of the fixture scenario, as render writes it into a file.
std::string fixture_page() {
  ScenarioFolder scenario;
  const std::filesystem::path svg_file = scenario.folder / "page.svg";
  const ToolRun run = tool({"render", scenario.path().string(), "--line", kLine, "--train", kTrain,
                            "-o", svg_file.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  return slurp(svg_file);
}

TEST(RenderCommand, ADashWritesThePageToStandardOutput) {
  ScenarioFolder scenario;
  const ToolRun run =
      tool({"render", scenario.path().string(), "--line", kLine, "--train", kTrain, "-o", "-"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.out == fixture_page());  // and no "wrote" line
}

#ifndef _WIN32
// A FIFO, a link to a character device and a link to a regular file named by
// -o: the first two are written into and stay what they were; a link to a
// file is refused, since replacing it would replace the link.
TEST(RenderCommand, OutputsThatAreNotRegularFilesStayWhatTheyWere) {
  enum class Kind { kFifo, kLinkToDevice, kLinkToFile };
  struct Case {
    const char* name;
    Kind kind;
  };
  const Case cases[] = {{"a FIFO", Kind::kFifo},
                        {"a link to /dev/null", Kind::kLinkToDevice},
                        {"a link to a file", Kind::kLinkToFile}};
  const std::string page = fixture_page();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioFolder scenario;
    const std::filesystem::path output = scenario.folder / "out";
    const std::filesystem::path target = scenario.folder / "target.svg";
    const std::filesystem::path fifo_kept = scenario.folder / "fifo";
    std::string through_fifo;
    std::thread reader;
    switch (c.kind) {
      case Kind::kFifo:
        ASSERT_EQ(::mkfifo(output.c_str(), 0600), 0);
        // A second name for the FIFO, should the tool put a file in its place.
        std::filesystem::create_hard_link(output, fifo_kept);
        // Opening the FIFO waits for the tool to open it for writing.
        reader = std::thread([&] { through_fifo = slurp(fifo_kept); });
        break;
      case Kind::kLinkToDevice:
        std::filesystem::create_symlink("/dev/null", output);
        break;
      case Kind::kLinkToFile:
        borgo::testing::spit(target, "kept");
        std::filesystem::create_symlink(target, output);
        break;
    }
    const ToolRun run = tool(
        {"render", scenario.path().string(), "--line", kLine, "--train", kTrain, "-o", output});
    if (reader.joinable()) {
      // Lets the reader go should the tool never have opened the FIFO.
      const int unblock = ::open(fifo_kept.c_str(), O_WRONLY | O_NONBLOCK);
      if (unblock >= 0) ::close(unblock);
      reader.join();
    }
    EXPECT_EQ(run.out.find("wrote"), std::string::npos) << run.out;
    std::error_code no_link;
    switch (c.kind) {
      case Kind::kFifo:
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(std::filesystem::is_fifo(std::filesystem::symlink_status(output)));
        EXPECT_TRUE(through_fifo == page);
        break;
      case Kind::kLinkToDevice:
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(std::filesystem::read_symlink(output, no_link), "/dev/null");
        break;
      case Kind::kLinkToFile:
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("'" + output.string() + "' is a symbolic link"), std::string::npos)
            << run.err;
        EXPECT_TRUE(std::filesystem::is_symlink(std::filesystem::symlink_status(output)));
        EXPECT_EQ(slurp(target), "kept");
        break;
    }
  }
}
#endif

}  // namespace
}  // namespace borgo::tools::testing
