// The check names the first place where the descriptions compile to other
// files than the ones given: the costa fixture's files against its own
// descriptions, each with one row changed.
#include "tools/decompile/round_trip_check.hpp"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/files.hpp"
#include "tests/tools/decompile/compiled_scenario_files.hpp"

namespace borgo::tools::decompile {
namespace {

struct Edit {
  std::string name;
  bool in_line;  // else in the train description
  std::string from;
  std::string to;
  std::string verdict;  // describe()'s words
};

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  if (at == std::string::npos) throw std::logic_error("no \"" + from + "\" to replace");
  return text.replace(at, from.size(), to);
}

TEST(DecompileCheck, NamesTheFirstDifferenceOrSaysExact) {
  const std::string folder = BORGO_SOURCE_DIR "/tests/tools/fixtures/costa/";
  const Descriptions costa{testing::slurp(folder + "Costa_linea.txt"),
                           testing::slurp(folder + "Costa_R 12-.txt")};
  const testing::CompiledScenarioFiles files =
      testing::compile_to_files(costa.line, costa.train, true, "Costa", "R 12");
  const std::vector<Edit> edits{
      {"nothing", false, "", "", "exact"},
      {"a signal's first aspect", false, "segnale,    1050,   2, 4,", "segnale,    1050,   2, 5,",
       "cell file, byte 331, cell 22 value1: expected 42, got 52"},
      {"a station's name", false, "Borgo Sud", "Borgo Nord",
       "train file, byte 91, item 2 text: expected \"Borgo Sud\", got \"Borgo Nord\""},
      {"a curve's radius", true, "curvas2,  9000,  800", "curvas3,  9000,  800",
       "line file, byte 90000, metre 9001 coordinate 0: expected "},
      {"the line's length", true, "lunghezza percorso,    20000", "lunghezza percorso,    20050",
       "line file, byte 269978, the file's size: expected 539964 bytes, got 540964 bytes"},
      {"a sign in cell 1, which the stamp refuses", true, "cartello_indicatore,  2950",
       "cartello_indicatore,  0",
       "train file, byte 0, the compile: expected files, got no "
       "files: fatal error 1250"},
  };
  for (const Edit& e : edits) {
    SCOPED_TRACE(e.name);
    Descriptions edited = costa;
    if (!e.from.empty()) {
      std::string& text = e.in_line ? edited.line : edited.train;
      text = replaced(text, e.from, e.to);
    }
    const std::string verdict = describe(check_round_trip(files.input(), edited));
    EXPECT_EQ(verdict.substr(0, e.verdict.size()), e.verdict) << verdict;
  }
}

}  // namespace
}  // namespace borgo::tools::decompile
