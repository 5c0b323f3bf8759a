// scenario-tool preview end to end: the real program serves the page, a real
// headless Chromium shows it, and a saved change reaches the page in place.
// Linux only: the Windows build's server is tested in-process.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/files.hpp"
#include "tests/support/headless_chromium.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/support/tool_process.hpp"
#include "tools/cli/commands.hpp"

namespace borgo::tools {
namespace {

using namespace std::chrono_literals;
using borgo::testing::HeadlessChromium;
using borgo::testing::ScratchFolder;

const std::string kTrainDocument = "Borgo_Mar_TX 903-.txt";
// The first signal of the package's scenario, row 118 of its train description.
const std::string kFirstSignal = "segnale,    1050,   2, 4, 1,  1, 0,    2,  2,1,1, 210";

// scenario-tool preview as a process of its own, as an author starts it.
class PreviewProcess : public borgo::testing::ToolProcess {
 public:
  explicit PreviewProcess(const std::filesystem::path& folder)
      : ToolProcess({"preview", folder.string(), "--line", "Borgo_Mar", "--train", "TX 903"}) {}
};

std::map<std::string, std::string> contents(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    files[entry.path().filename().string()] = borgo::testing::slurp(entry.path());
  }
  return files;
}

// The package's scenario, as emit writes it, in a scratch folder.
struct EmittedScenario {
  ScratchFolder folder{"preview"};
  EmittedScenario() {
    std::ostringstream out, err;
    const std::vector<std::string> words{"emit", folder.path().string()};
    if (run_tool(words, out, err) != 0) throw std::runtime_error(err.str());
  }
  void replace(const std::string& from, const std::string& to) {
    const auto path = folder / kTrainDocument;
    std::string text = borgo::testing::slurp(path);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    borgo::testing::spit(path, text);
  }
};

// The browser, or a skip where there is none; CI asks for it with
// BORGO_REQUIRE_BROWSER, and then a missing browser fails.
std::optional<std::filesystem::path> browser() {
  const auto found = borgo::testing::find_chromium();
  if (!found) {
    const char* required = std::getenv("BORGO_REQUIRE_BROWSER");
    EXPECT_FALSE(required != nullptr && *required != '\0') << "no Chromium, and one is required";
  }
  return found;
}

std::string js_string(const std::string& text) {
  std::string out = "'";
  for (const char c : text) {
    if (c == '\'' || c == '\\') out += '\\';
    out += c;
  }
  return out + "'";
}

std::string mark_at(const char* kind, int position) {
  return "document.querySelector('#marks rect[data-kind=\"" + std::string(kind) +
         "\"][data-position=\"" + std::to_string(position) + "\"]')";
}

// Brings a mark into view and returns its middle, in the viewport.
std::string middle_of(const std::string& element) {
  return "(() => { const e = " + element +
         "; e.scrollIntoView({block: 'center', inline: 'center'}); "
         "const r = e.getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; "
         "})()";
}

TEST(PreviewInABrowser, FollowsASavedChangeInPlaceAndEndsCleanly) {
  const auto chromium = browser();
  if (!chromium) GTEST_SKIP() << "no Chromium here";
  EmittedScenario scenario;
  PreviewProcess tool(scenario.folder.path());
  const std::string address = tool.address();
  ASSERT_FALSE(address.empty());

  HeadlessChromium page(*chromium, 1600, 1250);
  page.open(address);
  ASSERT_TRUE(page.wait_until(
      "document.body.dataset.generation === '1' && " + mark_at("signal", 1050), 20s));
  EXPECT_EQ(page.evaluate("document.querySelector('#status').textContent"), "warnings");

  // Hovering the first signal shows its row, place, cell and kilometre.
  const auto box = page.evaluate(middle_of(mark_at("signal", 1050)));
  page.move_mouse(box[0].get<double>(), box[1].get<double>());
  ASSERT_TRUE(page.wait_until("!document.querySelector('#tooltip').hidden", 5s));
  const std::string tip = page.evaluate("document.querySelector('#tooltip').innerText");
  EXPECT_NE(tip.find(kTrainDocument + ":118"), std::string::npos) << tip;
  EXPECT_NE(tip.find("1050 m, cell 22"), std::string::npos) << tip;
  EXPECT_NE(tip.find("km "), std::string::npos) << tip;

  // The reader zooms in, then the author saves: the signal moves and a row
  // with a decimal comma gives a new warning.
  page.evaluate(
      "document.querySelector('#drawing').dispatchEvent(new WheelEvent('wheel', "
      "{deltaY: -100, clientX: 400, clientY: 400, bubbles: true, cancelable: true}))");
  const std::string zoomed = page.evaluate(
      "document.querySelector('#drawing svg')"
      ".getAttribute('viewBox')");
  scenario.replace(kFirstSignal, "segnale,    2050,   2, 4, 1,  1, 0,    2,  2,1,1, 210,5");
  // A build may catch the save half-written first: the page gets there after.
  const std::string new_warning =
      "[...document.querySelectorAll('#diagnostics li.warning')].some(li => "
      "li.textContent.includes(" +
      js_string(kTrainDocument + ":118:55") + ") && li.textContent.includes('decimal comma'))";
  EXPECT_TRUE(page.wait_until(new_warning + " && " + mark_at("signal", 2050), 15s));
  EXPECT_EQ(page.evaluate("Boolean(" + mark_at("signal", 1050) + ")"), false);
  EXPECT_NE(page.evaluate("document.body.dataset.generation"), "1");
  EXPECT_EQ(page.evaluate("document.querySelector('#drawing svg').getAttribute('viewBox')"), zoomed)
      << "the reader's zoom stays";
  EXPECT_NE(zoomed, "0 0 1800 1786");

  // The screenshot CI keeps: the page after the change, the signal hovered.
  page.evaluate("document.querySelector('#whole').click()");
  const auto moved = page.evaluate(middle_of(mark_at("signal", 2050)));
  page.move_mouse(moved[0].get<double>(), moved[1].get<double>());
  EXPECT_TRUE(
      page.wait_until("document.querySelector('#tooltip').innerText.includes('2050 m')", 5s));
  std::filesystem::create_directories(BORGO_ARTIFACT_DIR);
  borgo::testing::spit(std::filesystem::path(BORGO_ARTIFACT_DIR) / "preview-page.png",
                       page.screenshot());

  // An error on a signal: clicking it marks the signal's place.
  scenario.replace("segnale,    2050,   2, 4, 1,  1, 0,    2,  2,1,1, 210,5",
                   "segnale,    1000,   2, 4, 1,  1, 0,    2,  2,1,1, 210");
  ASSERT_TRUE(page.wait_until("document.querySelector('#diagnostics li.error.placed')", 15s));
  EXPECT_EQ(page.evaluate("document.querySelector('#diagnostics li.error').dataset.number"), "16");
  page.evaluate("document.querySelector('#diagnostics li.error.placed').click()");
  EXPECT_TRUE(page.wait_until("document.querySelector('#highlight rect')", 2s));

  // Ctrl-C ends the tool, which leaves the folder as the author left it.
  const auto before_end = contents(scenario.folder.path());
  EXPECT_EQ(tool.end_with(SIGINT, 5s), 0);
  EXPECT_EQ(contents(scenario.folder.path()), before_end);
  EXPECT_EQ(before_end.size(), 6u)
      << "the five documents and the sheet settings emit wrote, and nothing else";
}

// An error stops the reading: the page says where, shades what was not read
// (hovering the shade says so), and wraps the long row at fault in the
// diagnostics with the caret still under its field.
TEST(PreviewInABrowser, ShowsWhereAnErrorStoppedTheReading) {
  const auto chromium = browser();
  if (!chromium) GTEST_SKIP() << "no Chromium here";
  EmittedScenario scenario;
  // The first signal moved onto the speed indicators at 1000 m, its position
  // far along its row.
  scenario.replace(kFirstSignal, "segnale," + std::string(150, ' ') +
                                     "1000,   2, 4, 1,  1, 0,    2,  2,1,1, 210");
  PreviewProcess tool(scenario.folder.path());
  const std::string address = tool.address();
  ASSERT_FALSE(address.empty());

  HeadlessChromium page(*chromium, 1600, 1250);
  page.open(address);
  ASSERT_TRUE(page.wait_until(
      "document.body.dataset.generation === '1' && document.querySelector('#unread rect')", 20s));
  EXPECT_EQ(page.evaluate("document.querySelector('#status').textContent"), "error 16");
  EXPECT_EQ(page.evaluate("document.querySelector('#stopped').hidden"), false);
  const std::string notice = page.evaluate("document.querySelector('#stopped').textContent");
  EXPECT_NE(notice.find("stopped at " + kTrainDocument + ":118 (error 16)"), std::string::npos)
      << notice;
  EXPECT_NE(notice.find("from 1000 m on"), std::string::npos) << notice;

  // A point of the shade that no mark covers.
  const auto spot = page.evaluate(
      "(() => { const shade = document.querySelector('#unread rect'); "
      "shade.scrollIntoView({block: 'center', inline: 'center'}); "
      "const r = shade.getBoundingClientRect(); "
      "for (let i = 1; i < 40; ++i) for (const f of [0.5, 0.3, 0.7]) { "
      "const x = r.x + (r.width * i) / 40, y = r.y + r.height * f; "
      "if (document.elementFromPoint(x, y) === shade) return [x, y]; } return null; })()");
  ASSERT_TRUE(spot.is_array()) << spot.dump();
  page.move_mouse(spot[0].get<double>(), spot[1].get<double>());
  ASSERT_TRUE(page.wait_until("!document.querySelector('#tooltip').hidden", 5s));
  EXPECT_EQ(page.evaluate("document.querySelector('#tooltip').innerText"),
            "not read: the compile stopped at " + kTrainDocument + ":118");

  // The row is wider than the panel: it wraps, and the caret's piece sits
  // under the piece of the row that holds the field.
  const auto wrapped = page.evaluate(
      "(() => { const pre = document.querySelector('#diagnostics li.error pre'); "
      "const lines = pre.textContent.split('\\n'); "
      "const i = lines.findIndex((l) => l.includes('^')); "
      "const at = lines[i].indexOf('^'); "
      "return {lines: lines.length, above: i > 0 ? lines[i - 1].slice(at, at + 4) : '', "
      "fits: pre.scrollWidth <= pre.clientWidth}; })()");
  EXPECT_GT(wrapped["lines"].get<int>(), 2) << wrapped.dump();
  EXPECT_EQ(wrapped["above"], "1000") << wrapped.dump();
  EXPECT_EQ(wrapped["fits"], true) << wrapped.dump();
}

TEST(PreviewProcess, EndsCleanlyOnATerminationSignal) {
  EmittedScenario scenario;
  const auto before = contents(scenario.folder.path());
  PreviewProcess tool(scenario.folder.path());
  ASSERT_FALSE(tool.address().empty());
  EXPECT_EQ(tool.end_with(SIGTERM, 5s), 0);
  EXPECT_EQ(contents(scenario.folder.path()), before);
}

}  // namespace
}  // namespace borgo::tools
