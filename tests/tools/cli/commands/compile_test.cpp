// scenario-tool compile: where and why a scenario fails, warnings, exit
// statuses, and the author's documents left as they were.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>

#include "compiler/compile.hpp"
#include "storage/byte_sink.hpp"
#include "tests/support/compiled_decoder.hpp"
#include "tests/support/files.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/tool_fixture.hpp"
#include "tools/findings/scenario_compile.hpp"

namespace borgo::tools::testing {
namespace {

struct Fault {
  const char* name;
  const std::string* document;  // the document edited
  const char* from;
  const char* to;
  const std::string* at_document;  // where the diagnostic points
  int line;
  int number;
  const char* field;  // the source text from the caret on starts with it
};

const std::string& L = kLineDocument;
const std::string& T = kTrainDocument;

TEST(CompileCommand, NamesTheDocumentLineAndNumberOfEachFault) {
  const Fault faults[] = {
      {"line too long", &L, "percorso,    20000", "percorso,    2000000", &L, 2, 1, "2000000"},
      {"progressive off the grid", &L, "3100,    3050", "3100,    3055", &L, 3, 2, "3100"},
      {"repetition start off the grid", &L, "1000,    15000", "1010,    15000", &L, 5, 3, "1010"},
      {"repetition end off the grid", &L, "1000,    15000", "1000,    15010", &L, 5, 4, "15010"},
      {"repetition code count", &L, "segnali 9 codici", "segnali codici", &L, 5, 5, "ripetizione"},
      {"sign on the indicators", &L, "cartello_indicatore,  2950", "cartello_indicatore,  1000", &L,
       18, 6, "1000"},
      {"code point on the indicators", &T, "abbattimento,    7050", "abbattimento,    1050", &T, 20,
       7, "1050"},
      {"station off the grid", &T, "stazione,    9000", "stazione,    9010", &T, 13, 8, "9010"},
      {"station zone length", &T, "9000, 12,  400", "9000, 12,  450", &T, 13, 9, "450"},
      {"negative gradient position", &L, "pendenza,  2000", "pendenza,  -50", &L, 11, 11, "-50"},
      {"montagna past the grid", &L, "5000,  6000", "5000,  30000", &L, 14, 14, "5000"},
      {"gradient beyond the grid", &L, "pendenza,  8000", "pendenza,  30000", &L, 12, 15, "30000"},
      {"signal on the indicators", &T, "segnale,    1050", "segnale,    1000", &T, 17, 16, "1000"},
      {"warning board on the indicators", &T, "rallentamento,  12000,    60,  600",
       "rallentamento,  2200,    60,  600", &T, 15, 17, "2200"},
      {"slow-down start on the indicators", &T, "rallentamento,  12000", "rallentamento,  1000", &T,
       15, 18, "1000"},
      {"slow-down end on the indicators", &T, "rallentamento,  12000,    60,  600",
       "rallentamento,  500,    60,  500", &T, 15, 19, "500"},
      {"cells before the board", &T, "rallentamento,  12000,    60,  600",
       "rallentamento,  2350,    60,  300", &T, 15, 20, "2350"},
      {"indicators twice", &L, "[indicazioni]",
       "indicatori_vmax,  1000,  60, 65, 70, 0, , , , 0\n[indicazioni]", &L, 17, 21, "1000"},
      {"stations too close", &T, "stazione,    9000", "stazione,    800", &T, 13, 22, "stazione"},
      {"slow-down past the grid", &T, "12000,    60,  600", "12000,    60,  20000", &T, 15, 23,
       "12000"},
      {"station zone too early", &T, "stazione,    0,  8,  500", "stazione,    0,  12,  100", &T,
       12, 24, "stazione"},
      {"text in a numeric field", &T, "vetture,    6", "vetture,    sei", &T, 2, 25, "sei"},
      {"signal marks before the grid", &T, "segnale,    1050", "segnale,    200", &T, 17, 26,
       "200"},
      {"no general section", &L, "[generale]", "[general]", &L, 19, 102, "[fine]"},
      {"curve without a radius class", &L, "curvad3", "curvad", &L, 7, 103, "curvad"},
  };
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.name);
    ScenarioFolder scenario;
    scenario.edit(*f.document, f.from, f.to);
    const ToolRun run = scenario.compile();
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.last_out_line(), "error_number " + std::to_string(f.number));
    std::vector<Diagnostic> errors;
    for (const Diagnostic& d : diagnostics(run.err)) {
      if (d.label != "warning") errors.push_back(d);
    }
    ASSERT_EQ(errors.size(), 1u) << run.err;
    const Diagnostic& d = errors.front();
    EXPECT_EQ(d.file, *f.at_document) << run.err;
    EXPECT_EQ(d.line, f.line) << run.err;
    EXPECT_EQ(d.label, "error " + std::to_string(f.number)) << run.err;
    expect_caret_at(d);
    const std::size_t margin = d.source.find(" | ");
    ASSERT_NE(margin, std::string::npos);
    EXPECT_EQ(
        d.source.substr(margin + 3 + static_cast<std::size_t>(d.column) - 1, std::strlen(f.field)),
        f.field)
        << d.source;
    EXPECT_NE(run.err.find("1 error, "), std::string::npos) << run.err;
  }
}

TEST(CompileCommand, ATakenCellIsNamedWithWhatHoldsIt) {
  ScenarioFolder scenario;
  scenario.edit(T, "segnale,    1050", "segnale,    1000");
  const ToolRun run = scenario.compile();
  const auto found = diagnostics(run.err);
  ASSERT_EQ(found.size(), 1u) << run.err;
  EXPECT_NE(found[0].message.find("signal at 1000 m"), std::string::npos) << found[0].message;
  EXPECT_NE(found[0].message.find("cell 21 (1000..1050 m), held by a pair of speed indicators"),
            std::string::npos)
      << found[0].message;
}

// The command refuses a missing description before it compiles
// (wrong_names_test.cpp); compiled without one, as the preview and the
// editor do when one goes missing meanwhile, the error names it.
TEST(ScenarioCompile, ErrorsWithoutALineNameTheirDocument) {
  struct Case {
    const char* name;
    const std::string* removed;
    const std::string* named;
    int number;
  };
  const Case cases[] = {
      {"no line description", &L, &L, 101},
      {"no train description", &T, &T, 25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioFolder scenario;
    std::filesystem::remove(scenario.folder / *c.removed);
    std::ostringstream err;
    const CompileResult result =
        compile_scenario({scenario.path(), {kLine, kTrain, kLine, kTrain}, true}, err);
    EXPECT_EQ(result.outcome().error_number, c.number);
    const std::string expected =
        (scenario.path() / *c.named).string() + ": error " + std::to_string(c.number) + ": ";
    EXPECT_EQ(err.str().rfind(expected, 0), 0u) << err.str();
  }
}

TEST(CompileCommand, FatalContestErrorsHaveNoLineAndWriteNothing) {
  struct Case {
    const char* name;
    const char* from;
    const char* to;
    int fatal;
  };
  const Case cases[] = {
      // A code point in cell 1 sets its first value.
      {"stamp fields", "abbattimento,    7050", "abbattimento,    50", 1250},
      // A slow-down of speed 0 in cell 1 sets only its second value.
      {"code fields", "rallentamento,  12000,    60,  600", "rallentamento,  0,    0,  0", 1251},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioFolder scenario;
    scenario.edit(T, c.from, c.to);
    const ToolRun run = scenario.compile();
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.last_out_line(), "fatal " + std::to_string(c.fatal));
    const std::string expected = "\nerror " + std::to_string(c.fatal) + ": ";
    EXPECT_NE(("\n" + run.err).find(expected), std::string::npos) << run.err;
    for (const Diagnostic& d : diagnostics(run.err)) EXPECT_EQ(d.label, "warning");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scenario.path())) {
      files += entry.path().extension() != ".txt";
    }
    EXPECT_EQ(files, 0);
  }
}

TEST(CompileCommand, WarnsOfWhatTheFormatAcceptsButAnAuthorHardlyMeans) {
  struct Case {
    const char* name;
    const std::string* document;
    const char* from;
    const char* to;
    int line;
    const char* words;  // in the message
  };
  const Case cases[] = {
      {"unknown key", &L, "[montagne]", "fermata\n[montagne]", 13, "matches no key"},
      {"decimal comma", &L, "2000,   -6", "2000,   -6,5", 11, "decimal comma"},
      {"last row lost", &L, "[fine]", "montagna", 19, "never read"},
      {"curve before the metre reached", &L, "curvas2,  9000", "curvas2,  2100", 8, "shortened"},
      {"gradients out of order", &L, "pendenza,  8000", "pendenza,  1000", 12, "comes after"},
      {"speeds out of order", &T, "velocita,    0,", "velocita,    2000,", 10, "comes after"},
      {"slow-down without an end cell", &T, "12000,    60,  600", "12000,    60,  0", 15,
       "no end cell"},
      {"a document saved as UTF-8", &T, "Borgo Sud",
       "Borgo S\xC3\xB9"
       "d",
       13, "the simulator reads Windows-1252"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioFolder scenario;
    scenario.edit(*c.document, c.from, c.to);
    const ToolRun run = scenario.compile();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.last_out_line(), "error_number 0");
    const auto found = diagnostics(run.err);
    ASSERT_EQ(found.size(), 1u) << run.err;
    EXPECT_EQ(found[0].label, "warning");
    EXPECT_EQ(found[0].file, *c.document);
    EXPECT_EQ(found[0].line, c.line) << run.err;
    EXPECT_NE(found[0].message.find(c.words), std::string::npos) << found[0].message;
    expect_caret_at(found[0]);
    EXPECT_NE(run.err.find("0 errors, 1 warning\n"), std::string::npos) << run.err;
  }
}

// The service documents beside the descriptions, once a slow-down's row
// changed: a warning naming the order's line, and the compile goes on.
TEST(CompileCommand, WarnsOfServiceDocumentsThatNoLongerGoWithTheDescriptions) {
  borgo::testing::ScratchFolder author;
  ASSERT_EQ(tool({"emit", author.path().string()}).status, 0);
  const std::filesystem::path train = author / "Borgo_Mar_TX 903-.txt";
  std::string text = borgo::testing::slurp(train);
  const std::string row = "rallentamento,  288900,    60";
  ASSERT_NE(text.find(row), std::string::npos);
  borgo::testing::spit(train,
                       text.replace(text.find(row), row.size(), "rallentamento,  288900,    50"));
  const ToolRun run =
      tool({"compile", author.path().string(), "--line", "Borgo_Mar", "--train", "TX 903"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find((author / "Borgo_Mar_TX 903_rallentamenti.txt").string() +
                         ":14: warning: slow-down 2 differs from its row"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("0 errors, 2 warnings"), std::string::npos) << run.err;
}

TEST(CompileCommand, ARowOfThousandsOfFaultyFieldsGivesAReportOfBoundedSize) {
  constexpr int kFields = 20000;
  // A row of unknown words, "zz,zz,...,zz", is one ignored row: one warning.
  {
    std::string row = "zz";
    for (int i = 1; i < kFields; ++i) row += ",zz";
    ScenarioFolder scenario;
    scenario.edit(L, "[montagne]", row + "\r\n[montagne]");
    const ToolRun run = scenario.compile();
    EXPECT_EQ(run.status, 0);
    const auto found = diagnostics(run.err);
    ASSERT_EQ(found.size(), 1u) << run.err.substr(0, 2000);
    EXPECT_EQ(found[0].line, 13);
    expect_caret_at(found[0]);
    EXPECT_LE(found[0].source.size(), 200u) << found[0].source;
    EXPECT_NE(found[0].message.find("its values are not read (" + std::to_string(kFields - 1) +
                                    " on line 13)"),
              std::string::npos)
        << found[0].message;
    EXPECT_LE(run.err.size(), 1024u);
    EXPECT_NE(run.err.find("0 errors, 1 warning, 1 ignored row\n"), std::string::npos);
  }
  // Values past a row's last, "1,7,7,...,7": each a key that matches nothing
  // (the first a decimal comma). Ten shown of about 300 bytes each, the note
  // and the summary, where each used to echo the whole 40 kB row.
  {
    std::string row = "montagna,  3000,  3100,  1";
    for (int i = 0; i < kFields; ++i) row += ",7";
    ScenarioFolder scenario;
    scenario.edit(L, "[montagne]", row + "\r\n[montagne]");
    const ToolRun run = scenario.compile();
    EXPECT_EQ(run.status, 0);
    const auto found = diagnostics(run.err);
    ASSERT_EQ(found.size(), 11u);
    for (const Diagnostic& d : found) {
      EXPECT_EQ(d.line, 13);
      expect_caret_at(d);
      EXPECT_LE(d.source.size(), 200u) << d.source;
    }
    EXPECT_LE(run.err.size(), 10u * 1024u);
    const std::string note = (scenario.path() / L).string() +
                             ": note: " + std::to_string(kFields - 11) +
                             " more warnings of this kind in this document are not shown\n";
    EXPECT_NE(run.err.find(note), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("0 errors, " + std::to_string(kFields) + " warnings\n"),
              std::string::npos);
  }
}

TEST(CompileCommand, ExitStatusAndLastLineOfEachOutcome) {
  ScenarioFolder clean;
  const ToolRun done = clean.compile();
  EXPECT_EQ(done.status, 0);
  EXPECT_EQ(done.last_out_line(), "error_number 0");
  EXPECT_EQ(done.err, "0 errors, 0 warnings\n");

  const ToolRun without_plan = clean.compile({"--no-line-file"});
  EXPECT_EQ(without_plan.status, 0);
  EXPECT_EQ(without_plan.out.find("_linea.dat"), std::string::npos) << without_plan.out;
}

TEST(CompileCommand, UsageProblemsGiveStatusTwoAndAMessage) {
  ScenarioFolder scenario;
  const std::string dir = scenario.path().string();
  struct Case {
    const char* name;
    std::vector<std::string> words;
    const char* says;
  };
  std::vector<Case> cases = {
      {"no command", {}, "Usage: scenario-tool COMMAND"},
      {"unknown command", {"build", dir}, "unknown command 'build'"},
      {"no folder", {"compile", "--line", kLine, "--train", kTrain}, "DIR is required"},
      {"no train", {"compile", dir, "--line", kLine}, "--train is required"},
      {"unknown option",
       {"compile", dir, "--line", kLine, "--train", kTrain, "--fast"},
       "not expected: --fast"},
      {"option without its value",
       {"compile", dir, "--train", kTrain, "--line"},
       "--line: 1 required NAME missing"},
      {"not a folder",
       {"compile", dir + "/nothing", "--line", kLine, "--train", kTrain},
       "is not a folder"},
      {"folder in a name",
       {"compile", dir, "--line", "a/b", "--train", kTrain},
       "folder separator"},
      {"dump without a file", {"dump", "--json"}, "FILE is required"},
      {"dump of an unknown kind", {"dump", dir + "/x.bin"}, "--as"},
      {"render without output",
       {"render", dir, "--line", kLine, "--train", kTrain},
       "--output is required"},
      {"emit into two folders", {"emit", dir, dir}, "not expected"},
  };
#ifndef _WIN32
  // Names come in UTF-8 here; on Windows in the ANSI code page, mostly Windows-1252 itself.
  cases.push_back({"a letter Windows-1252 lacks",
                   {"compile", dir, "--line",
                    "\xC5\x81\xC3\xB3"
                    "d\xC5\xBA",
                    "--train", kTrain},
                   "holds \"\xC5\x81\", which Windows-1252"});
  cases.push_back({"a name that is not UTF-8",
                   {"render", dir, "--line", kLine, "--train", "R \xE0", "-o", dir + "/x.svg"},
                   "--train is not valid UTF-8"});
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ToolRun run = tool(c.words);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST(CompileCommand, LeavesTheAuthorsDocumentsAsTheyWere) {
  struct Case {
    const char* name;
    const char* from;
    const char* to;
  };
  const Case cases[] = {
      {"clean", "", ""},
      {"recorded error", "segnale,    1050", "segnale,    1000"},
      {"run-time failure", "vetture,    6", "vetture,    sei"},
      {"fatal", "abbattimento,    7050", "abbattimento,    50"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioFolder scenario;
    if (*c.from != '\0') scenario.edit(T, c.from, c.to);
    const std::string line = scenario.read(L);
    const std::string train = scenario.read(T);
    borgo::testing::ScratchFolder out;
    scenario.compile({"--out", out.path().string()});
    EXPECT_EQ(scenario.read(L), line);
    EXPECT_EQ(scenario.read(T), train);
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scenario.path())) {
      (void)entry;
      ++entries;
    }
    EXPECT_EQ(entries, 2);  // nothing added beside the two documents
  }
}

TEST(CompileCommand, NamesBeyondAsciiNameTheFilesAsGivenAndReachTheCompileInWindows1252) {
  const std::optional<std::string> typed = platform_text(kCitta);
  if (!typed) GTEST_SKIP() << "the platform's encoding lacks \"Citt\u00E0\"";
  const std::string& line = *typed;
  borgo::testing::ScratchFolder folder;
  std::filesystem::copy_file(kFixture / L, folder / (line + "_linea.txt"));
  std::filesystem::copy_file(kFixture / T, folder / (line + "_R 12-.txt"));
  const ToolRun run = tool({"compile", folder.path().string(), "--line", line, "--train", kTrain});
  ASSERT_EQ(run.status, 0) << run.err;

  // The simulator reads the names, and the contest codes sum them, in Windows-1252.
  const std::string line_document = borgo::testing::slurp(folder / (line + "_linea.txt"));
  const std::string train_document = borgo::testing::slurp(folder / (line + "_R 12-.txt"));
  const compiler::Compilation expected = compiler::compile({.line_name = "Citt\xE0",
                                                            .train_name = kTrain,
                                                            .line_description = line_document,
                                                            .train_description = train_document});
  const std::string names[] = {line + "_linea.dat", line + "_R 12.sim", line + "_R 12.dat"};
  ASSERT_EQ(expected.files.size(), std::size(names));
  for (std::size_t i = 0; i < expected.files.size(); ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_NE(run.out.find("wrote " + (folder / names[i]).string() + "\n"), std::string::npos)
        << run.out;
    EXPECT_TRUE(borgo::testing::slurp(folder / names[i]) == storage::bytes_of(expected.files[i]));
  }
  const auto items = borgo::testing::decode_items(borgo::testing::slurp(folder / names[1]));
  ASSERT_EQ(items.size(), 87u);
  EXPECT_EQ(items[85].text, "Citt\xE0");

  // A missing description is named as it was typed.
  std::filesystem::remove(folder / (line + "_linea.txt"));
  const ToolRun missing =
      tool({"compile", folder.path().string(), "--line", line, "--train", kTrain});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("'" + (folder / (line + "_linea.txt")).string() + "'"),
            std::string::npos)
      << missing.err;
}

TEST(CompileCommand, RefusesTwoCompiledFilesThatWouldBeOne) {
  struct Case {
    const char* train;
    std::vector<std::string> extra;
    const char* command;
  };
  // The cell file of the train "linea" is the line file; where case is
  // ignored, so is that of "LINEA".
  const Case cases[] = {
      {"linea", {}, "compile"},
      {"LINEA", {}, "compile"},
      {"Linea", {}, "compile"},
      {"linea", {}, "render"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.command) + " " + c.train);
    ScenarioFolder scenario;
    std::filesystem::copy_file(kFixture / T,
                               scenario.folder / ("Costa_" + std::string(c.train) + "-.txt"));
    const std::filesystem::path out = scenario.folder / "out";
    std::vector<std::string> words{c.command, scenario.path().string(), "--line", kLine, "--train",
                                   c.train};
    if (std::string(c.command) == "compile") {
      words.insert(words.end(), {"--out", out.string()});
    } else {
      // Compiled files in the folder are drawn when there is no line description.
      std::filesystem::remove(scenario.folder / L);
      for (const char* ending : {".sim", ".dat"}) {
        borgo::testing::spit(scenario.folder / ("Costa_" + std::string(c.train) + ending), "");
      }
      words.insert(words.end(), {"-o", (out / "x.svg").string()});
    }
    const ToolRun run = tool(words);
    EXPECT_EQ(run.status, 2);
    const std::filesystem::path folder =
        std::string(c.command) == "compile" ? out : scenario.path();
    for (const std::string& name :
         {std::string("Costa_linea.dat"), "Costa_" + std::string(c.train) + ".dat"}) {
      EXPECT_NE(run.err.find("'" + (folder / name).string() + "'"), std::string::npos) << run.err;
    }
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(std::filesystem::exists(out));  // nothing written
  }
}

#ifndef _WIN32
// The longest names a scenario's files take: "<line>_linea.txt" and
// "<line>_R 12-.txt" both as long as the file system allows.
std::string longest_line_name(const std::filesystem::path& folder) {
  const long name_max = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  if (name_max < 16 || name_max > 4096) return "";
  return std::string(static_cast<std::size_t>(name_max) - std::strlen("_linea.txt"), 'L');
}

// The temporary file of a replacement has a short name of its own, so a
// line file whose name is as long as the file system takes is still written.
TEST(CompileCommand, ANameAsLongAsTheFileSystemTakesCompiles) {
  ScenarioFolder scenario;
  const std::string line = longest_line_name(scenario.path());
  if (line.empty()) GTEST_SKIP() << "no usable NAME_MAX";
  std::filesystem::copy_file(kFixture / L, scenario.folder / (line + "_linea.txt"));
  std::filesystem::copy_file(kFixture / T, scenario.folder / (line + "_R 12-.txt"));
  const ToolRun run =
      tool({"compile", scenario.path().string(), "--line", line, "--train", kTrain});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.last_out_line(), "error_number 0");
  for (const std::string& name : {line + "_linea.dat", line + "_R 12.sim", line + "_R 12.dat"}) {
    EXPECT_FALSE(borgo::testing::slurp(scenario.folder / name).empty()) << name.size();
  }
}

TEST(CompileCommand, ANameTooLongForTheFileSystemNamesTheAuthorsFile) {
  struct Case {
    const char* command;
    std::string line_suffix;  // added to the longest line name
    std::string train;
    std::string named;  // the document the message names, after the line name
  };
  const Case cases[] = {
      {"compile", "L", kTrain, "_linea.txt"},
      {"compile", "", "R 123", "_R 123-.txt"},
      {"render", "L", kTrain, "_linea.txt"},
      {"render", "", "R 123", "_R 123-.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command + c.named);
    ScenarioFolder scenario;
    const std::string longest = longest_line_name(scenario.path());
    if (longest.empty()) GTEST_SKIP() << "no usable NAME_MAX";
    const std::string line = longest + c.line_suffix;
    if (c.line_suffix.empty()) {
      std::filesystem::copy_file(kFixture / L, scenario.folder / (line + "_linea.txt"));
    }
    std::vector<std::string> words{c.command, scenario.path().string(), "--line", line, "--train",
                                   c.train};
    if (std::string(c.command) == "render") {
      words.insert(words.end(), {"-o", (scenario.folder / "line.svg").string()});
    }
    const ToolRun run = tool(words);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("'" + (scenario.folder / (line + c.named)).string() + "': "),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("long"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
}
#endif

}  // namespace
}  // namespace borgo::tools::testing
