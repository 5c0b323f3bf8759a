// scenario-tool pack: package programs that run as Borgo_Mar_TX903 runs,
// with the author's names and documents, and the scenarios pack refuses.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "documents/documents.hpp"
#include "documents/package_payload.hpp"
#include "tests/support/disk_faults.hpp"
#include "tests/support/files.hpp"
#include "tests/support/run_program.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tests/tools/tool_fixture.hpp"

namespace borgo::tools::testing {
namespace {

using borgo::testing::folder_entries;
using borgo::testing::ScratchFolder;
using borgo::testing::slurp;
using borgo::testing::spit;

// A name for a package program, as the platform names programs.
#ifdef _WIN32
const std::string kProgramName = "package.exe";
#else
const std::string kProgramName = "package";
#endif

std::vector<std::string> pack_words(const std::filesystem::path& folder, const std::string& line,
                                    const std::string& train, const std::filesystem::path& output,
                                    std::vector<std::string> extra = {}) {
  std::vector<std::string> words{"pack", folder.string(), "--line", line, "--train",
                                 train,  "--target",      kTarget,  "-o", output.string()};
  words.insert(words.end(), extra.begin(), extra.end());
  return words;
}

// Runs `program` alone in a fresh folder; its exit status and every file it
// left there, by name.
struct ProgramRun {
  int status = -1;
  std::map<std::string, std::string> files;
};

ProgramRun run_alone(const std::filesystem::path& program) {
  ScratchFolder folder;
  const std::filesystem::path copy = folder / program.filename().string();
  std::filesystem::copy_file(program, copy);
  ProgramRun run;
  run.status = borgo::testing::run_program(copy);
  run.files = folder_entries(folder.path());
  run.files.erase(copy.filename().string());
  return run;
}

// The scenario a package program carries.
std::unique_ptr<documents::Package> carried(const std::filesystem::path& program) {
  return documents::read_package(slurp(program));
}

std::string rendered(const documents::Package& package, documents::DocumentKind kind) {
  const documents::LineTable* table = package.scenario().document(kind);
  return table != nullptr ? documents::render_lines(*table) : "<none>";
}

TEST(PackCommand, PackedEmittedDocumentsRunAsBorgoMarTX903Does) {
  ScratchFolder author;
  ASSERT_EQ(tool({"emit", author.path().string()}).status, 0);
  ScratchFolder made;
  const std::filesystem::path program = made / kProgramName;
  const ToolRun packed = tool(pack_words(author.path(), "Borgo_Mar", "TX 903", program));
  ASSERT_EQ(packed.status, 0) << packed.err;
  EXPECT_EQ(packed.last_out_line(), "wrote " + program.string());

  const ProgramRun expected = run_alone(BORGO_PROGRAM);
  const ProgramRun run = run_alone(program);
  EXPECT_EQ(run.status, expected.status);
  EXPECT_EQ(run.files.size(), 6u);
  EXPECT_EQ(borgo::testing::entry_differences(run.files, expected.files), "");
}

// A scenario of its own, with other names: the package compiles what
// `compile` compiles. Its documents end lines with LF alone, as an editor
// on Linux leaves them; the package carries them with CR LF.
TEST(PackCommand, AnotherScenarioCompilesAsCompileDoesAndCarriesCrLfLines) {
  ScenarioFolder scenario;
  ScratchFolder made;
  const std::filesystem::path program = made / kProgramName;
  const ToolRun packed = tool(pack_words(scenario.path(), kLine, kTrain, program));
  ASSERT_EQ(packed.status, 0) << packed.err;
  for (const std::string& note :
       {"the folder has no notes '" + (scenario.path() / "Costa_R 12_note.txt").string() + "'",
        "the folder has no slow-down order '" +
            (scenario.path() / "Costa_R 12_rallentamenti.txt").string() + "'",
        "the folder has no train sheet '" +
            (scenario.path() / "Costa_R 12_scheda_treno.txt").string() + "'",
        (scenario.path() / kLineDocument).string() + ": 19 line ends LF given CR LF",
        (scenario.path() / kTrainDocument).string() + ": 21 line ends LF given CR LF"}) {
    EXPECT_NE(packed.err.find(note), std::string::npos) << note << "\n" << packed.err;
  }

  const std::unique_ptr<documents::Package> package = carried(program);
  EXPECT_EQ(package->scenario().title(), "Costa_R 12");
  EXPECT_EQ(rendered(*package, documents::DocumentKind::kLineDescription),
            with_crlf(scenario.read(kLineDocument)));
  EXPECT_EQ(rendered(*package, documents::DocumentKind::kTrainDescription),
            with_crlf(scenario.read(kTrainDocument)));
  EXPECT_EQ(package->scenario().document(documents::DocumentKind::kNotes), nullptr);

  ScratchFolder compiled;
  const ToolRun compile = scenario.compile({"--out", compiled.path().string()});
  ASSERT_EQ(compile.status, 0) << compile.err;
  const ProgramRun run = run_alone(program);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(borgo::testing::entry_differences(run.files, folder_entries(compiled.path())), "");
}

TEST(PackCommand, RefusesAScenarioThatRecordsAnErrorUnlessAllowed) {
  ScenarioFolder scenario;
  scenario.edit(kTrainDocument, "segnale,    1050", "segnale,    1000");
  ScratchFolder made;
  const std::filesystem::path program = made / kProgramName;
  const ToolRun refused = tool(pack_words(scenario.path(), kLine, kTrain, program));
  EXPECT_EQ(refused.status, 1);
  const auto found = diagnostics(refused.err);
  ASSERT_EQ(found.size(), 1u) << refused.err;
  EXPECT_EQ(found[0].label, "error 16");
  EXPECT_EQ(found[0].line, 17);
  EXPECT_NE(refused.err.find("records error 16: nothing was packed"), std::string::npos)
      << refused.err;
  EXPECT_FALSE(std::filesystem::exists(program));

  const ToolRun allowed =
      tool(pack_words(scenario.path(), kLine, kTrain, program, {"--allow-errors"}));
  EXPECT_EQ(allowed.status, 0) << allowed.err;
  EXPECT_EQ(run_alone(program).status, 1);
}

// A misspelt key loses its row silently to the compile, which records no
// error: pack names each such row and packs nothing unless told to.
TEST(PackCommand, RefusesAScenarioWithIgnoredRowsUnlessAllowed) {
  ScenarioFolder scenario;
  scenario.edit(kTrainDocument, "segnale,    1050", "segnael,    1050");
  scenario.edit(kTrainDocument, "rallentamento,", "rallentameto,");
  ScratchFolder made;
  const std::filesystem::path program = made / kProgramName;
  const ToolRun refused = tool(pack_words(scenario.path(), kLine, kTrain, program));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("0 errors, 2 warnings, 2 ignored rows"), std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("the compile ignores 2 rows, and what they place or set would be "
                             "missing: nothing was packed (--allow-ignored-rows packs it all the "
                             "same)"),
            std::string::npos)
      << refused.err;
  for (const char* row :
       {"Costa_R 12-.txt:15: \"rallentameto\"", "Costa_R 12-.txt:17: \"segnael\""}) {
    EXPECT_NE(refused.err.find(row), std::string::npos) << row << "\n" << refused.err;
  }
  EXPECT_FALSE(std::filesystem::exists(program));

  const ToolRun allowed =
      tool(pack_words(scenario.path(), kLine, kTrain, program, {"--allow-ignored-rows"}));
  EXPECT_EQ(allowed.status, 0) << allowed.err;
  EXPECT_TRUE(std::filesystem::exists(program));
}

// Emitted documents that no longer go with the descriptions: a line renamed,
// a slow-down moved, a train renamed. Pack names each difference by file and
// line and refuses, unless allowed; the documents drafted anew pack.
TEST(PackCommand, RefusesServiceDocumentsThatDifferFromTheDescriptions) {
  struct Case {
    const char* name;
    std::string line;
    std::string train;
    std::string moved_from;  // an edit of the train description, when not empty
    std::string moved_to;
    std::vector<std::string> says;  // "FILE:LINE: error: message" begins so
  };
  const Case cases[] = {
      {"the line renamed",
       "Nuova_Linea",
       "TX 903",
       "",
       "",
       {"Nuova_Linea_TX 903_rallentamenti.txt:5: error: names the line \"Borgo-Mar\", not "
        "\"Nuova_Linea\""}},
      {"a slow-down moved",
       "Borgo_Mar",
       "TX 903",
       "rallentamento,  140400",
       "rallentamento,  130400",
       {"Borgo_Mar_TX 903_rallentamenti.txt:13: error: slow-down 1 differs from its row (line "
        "115 of the train description): kilometre post \"143.000\" where the row gives "
        "\"133.000\""}},
      {"the train renamed",
       "Borgo_Mar",
       "TX 904",
       "",
       "",
       {"Borgo_Mar_TX 904_rallentamenti.txt:7: error: names the train \"TX 903\", not \"TX 904\"",
        "Borgo_Mar_TX 904_scheda_treno.txt:4: error: names the train \"903\", not \"904\""}},
  };
  ScratchFolder emitted;
  ASSERT_EQ(tool({"emit", emitted.path().string()}).status, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The author copies the five documents under the scenario's names.
    ScratchFolder author;
    for (const std::string suffix :
         {"_linea.txt", " -.txt", " _note.txt", " _rallentamenti.txt", " _scheda_treno.txt"}) {
      const bool of_line = suffix == "_linea.txt";
      const std::string rest = of_line ? suffix : suffix.substr(1);
      const std::string from = of_line ? "Borgo_Mar" + rest : "Borgo_Mar_TX 903" + rest;
      const std::string to = of_line ? c.line + rest : c.line + "_" + c.train + rest;
      std::filesystem::copy_file(emitted / from, author / to);
    }
    const std::string train_document = c.line + "_" + c.train + "-.txt";
    if (!c.moved_from.empty()) {
      std::string text = slurp(author / train_document);
      const std::size_t at = text.find(c.moved_from);
      ASSERT_NE(at, std::string::npos);
      spit(author / train_document, text.replace(at, c.moved_from.size(), c.moved_to));
    }
    ScratchFolder made;
    const std::filesystem::path program = made / kProgramName;
    const ToolRun refused = tool(pack_words(author.path(), c.line, c.train, program));
    EXPECT_EQ(refused.status, 1);
    for (const std::string& says : c.says) {
      EXPECT_NE(refused.err.find((author.path() / says).string()), std::string::npos)
          << says << "\n"
          << refused.err;
    }
    EXPECT_NE(refused.err.find("scenario-tool documents drafts them anew"), std::string::npos)
        << refused.err;
    EXPECT_FALSE(std::filesystem::exists(program));

    const ToolRun allowed =
        tool(pack_words(author.path(), c.line, c.train, program, {"--allow-stale-documents"}));
    EXPECT_EQ(allowed.status, 0) << allowed.err;
    EXPECT_NE(allowed.err.find(": warning: "), std::string::npos) << allowed.err;
    EXPECT_TRUE(std::filesystem::exists(program));

    const ToolRun drafted = tool(
        {"documents", author.path().string(), "--line", c.line, "--train", c.train, "--force"});
    EXPECT_EQ(drafted.status, 0) << drafted.err;
    const ToolRun packed = tool(pack_words(author.path(), c.line, c.train, program));
    EXPECT_EQ(packed.status, 0) << packed.err;
  }
}

// A document that cannot go into a package as it is: nothing is written,
// and the refusal names the file, and the line where it shows.
TEST(PackCommand, RefusesDocumentsAPackageCannotCarry) {
  std::string thousand_and_one;
  for (int i = 0; i < 1001; ++i) thousand_and_one += "x\n";
  struct Case {
    const char* name;
    std::string document;  // the file changed
    std::string bytes;     // its new bytes; none: removed
    bool removed;
    std::vector<std::string> extra;
    std::string said;
  };
  const Case cases[] = {
      {"saved as UTF-8",
       kTrainDocument,
       "",
       false,
       {},
       kTrainDocument + ":12:73: the document is saved as UTF-8 (\"\xC3\xA0\" here)"},
      {"a letter Windows-1252 lacks",
       kTrainDocument,
       "",
       false,
       {"--from-utf8"},
       kTrainDocument + ":13:78: \"\xE2\x84\xA6\" has no character in Windows-1252"},
      {"a lone CR",
       kLineDocument,
       "[generale]\r[fine]\n",
       false,
       {},
       kLineDocument + ":1: a carriage return without a line feed after it"},
      {"more than 1000 lines",
       "Costa_R 12_note.txt",
       thousand_and_one,
       false,
       {},
       "Costa_R 12_note.txt:1001: more than 1000 lines"},
      {"the end marker as a line",
       "Costa_R 12_scheda_treno.txt",
       "a\nriferimento fine del file\nb\n",
       false,
       {},
       "Costa_R 12_scheda_treno.txt:2: the line \"riferimento fine del file\" ends"},
      {"no line description", kLineDocument, "", true, {}, "there is no line description '"},
      {"no train description", kTrainDocument, "", true, {}, "there is no train description '"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioFolder scenario;
    if (c.removed) {
      std::filesystem::remove(scenario.path() / c.document);
    } else if (c.name == std::string("saved as UTF-8")) {
      scenario.edit(kTrainDocument, "Capo Nord", kCitta + " Nord");
    } else if (c.name == std::string("a letter Windows-1252 lacks")) {
      scenario.edit(kTrainDocument, "Capo Nord", kCitta + " Nord");
      scenario.edit(kTrainDocument, "Borgo Sud", "Borgo \xE2\x84\xA6");
    } else {
      spit(scenario.path() / c.document, c.bytes);
    }
    ScratchFolder made;
    const std::filesystem::path program = made / kProgramName;
    const ToolRun run = tool(pack_words(scenario.path(), kLine, kTrain, program, c.extra));
    EXPECT_EQ(run.status, 2);
    // A missing description is refused before any document is read.
    if (!c.removed) {
      EXPECT_NE(run.err.find("nothing was packed:"), std::string::npos) << run.err;
    }
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(program));
  }
}

TEST(PackCommand, ConvertsDocumentsSavedAsUtf8WhenAsked) {
  ScenarioFolder scenario;
  scenario.edit(kTrainDocument, "Capo Nord", kCitta + " Nord");
  const std::string notes =
      "\xEF\xBB\xBF"
      "Citt\xC3\xA0 \xE2\x82\xAC\r\n";  // with a byte order mark
  spit(scenario.path() / "Costa_R 12_note.txt", notes);
  ScratchFolder made;
  const std::filesystem::path program = made / kProgramName;
  const ToolRun run = tool(pack_words(scenario.path(), kLine, kTrain, program, {"--from-utf8"}));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find(kTrainDocument + ": converted from UTF-8 to Windows-1252"),
            std::string::npos)
      << run.err;
  const std::unique_ptr<documents::Package> package = carried(program);
  EXPECT_NE(
      rendered(*package, documents::DocumentKind::kTrainDescription).find("Citt\xE0 Nord\r\n"),
      std::string::npos);
  EXPECT_EQ(rendered(*package, documents::DocumentKind::kNotes), "Citt\xE0 \x80\r\n");
}

TEST(PackCommand, GivesALastLineWithoutALineEndItsCrLf) {
  ScenarioFolder scenario;
  spit(scenario.path() / "Costa_R 12_rallentamenti.txt", "first\r\nlast");
  ScratchFolder made;
  const std::filesystem::path program = made / kProgramName;
  // Two lines, not an order of the scenario's slow-down.
  const ToolRun run =
      tool(pack_words(scenario.path(), kLine, kTrain, program, {"--allow-stale-documents"}));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("the last line, which had no line end, given CR LF"), std::string::npos)
      << run.err;
  EXPECT_EQ(rendered(*carried(program), documents::DocumentKind::kSlowDownOrder),
            "first\r\nlast\r\n");
}

// Names and generic programs pack refuses before reading a document.
TEST(PackCommand, RefusesNamesAndGenericProgramsItCannotUse) {
  ScenarioFolder scenario;
  ScratchFolder made;
  const std::filesystem::path program = made / kProgramName;
  const std::filesystem::path text_file = made / "not-a-program";
  spit(text_file, "not a program");
  const std::filesystem::path packed_already = made / ("packed-" + kProgramName);
  ASSERT_EQ(tool(pack_words(scenario.path(), kLine, kTrain, packed_already)).status, 0);
  struct Case {
    std::string line;
    std::vector<std::string> extra;
    std::string said;
  };
  const Case cases[] = {
      {"C:Costa", {}, "the name given to --line holds ':', which a file name cannot hold"},
      {std::string(240, 'L'), {}, "the names given to --line and --train make a file name 263"},
      {kLine, {"--target", "macos"}, "--target takes windows or linux, not 'macos'"},
      {kLine,
       {"--generic-program", (made / "missing").string()},
       "there is no " + std::string(kTarget == "windows" ? "Windows" : "Linux") +
           " generic package program at '" + (made / "missing").string() + "'"},
      {kLine, {"--generic-program", text_file.string()}, "' is not a "},
      {kLine,
       {"--generic-program", packed_already.string()},
       "is a scenario's package program already, not the generic one"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.said);
    const ToolRun run = tool(pack_words(scenario.path(), c.line, kTrain, program, c.extra));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(program));
  }
}

// -o naming a file pack reads, by any name: refused before anything is
// written, and the file stays as it was (or absent).
TEST(PackCommand, NeverWritesOverAFileItReads) {
  enum class Named { kAsIs, kAnotherSpelling, kAnotherCase, kHardLink, kSymbolicLink };
  struct Case {
    const char* name;
    std::filesystem::path (*file)(const std::filesystem::path& scenario,
                                  const std::filesystem::path& generic);
    Named named;
    std::string said;
  };
  using Path = std::filesystem::path;
  const Case cases[] = {
      {"the notes", [](const Path& d, const Path&) { return d / "Costa_R 12_note.txt"; },
       Named::kAsIs, "the notes '"},
      {"the line description", [](const Path& d, const Path&) { return d / kLineDocument; },
       Named::kAsIs, "the line description '"},
      {"the train description, named through ./",
       [](const Path& d, const Path&) { return d / kTrainDocument; }, Named::kAnotherSpelling,
       "the train description '"},
      {"the line description, its name in other case",
       [](const Path& d, const Path&) { return d / kLineDocument; }, Named::kAnotherCase,
       "the line description '"},
      {"a slow-down order that is not there",
       [](const Path& d, const Path&) { return d / "Costa_R 12_rallentamenti.txt"; }, Named::kAsIs,
       "the slow-down order '"},
      {"the train sheet, through a hard link",
       [](const Path& d, const Path&) { return d / "Costa_R 12_scheda_treno.txt"; },
       Named::kHardLink, "the train sheet '"},
      {"the generic package program", [](const Path&, const Path& generic) { return generic; },
       Named::kAsIs, "the generic package program '"},
#ifndef _WIN32
      {"scenario-tool itself, through a symbolic link",
       [](const Path&, const Path&) { return std::filesystem::read_symlink("/proc/self/exe"); },
       Named::kSymbolicLink, "the running scenario-tool '"},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioFolder scenario;
    spit(scenario.path() / "Costa_R 12_note.txt", "notes\r\n");
    spit(scenario.path() / "Costa_R 12_scheda_treno.txt", "sheet\r\n");
    ScratchFolder made;
    const std::filesystem::path generic = made / ("generic-" + kProgramName);
    std::filesystem::copy_file(BORGO_PACKAGE_PROGRAM, generic);
    const std::filesystem::path file = c.file(scenario.path(), generic);
    const bool present = std::filesystem::exists(file);
    const std::string before = present ? slurp(file) : "";
    std::filesystem::path output = file;
    switch (c.named) {
      case Named::kAsIs:
        break;
      case Named::kAnotherSpelling:
        output = file.parent_path() / "." / file.filename();
        break;
      case Named::kAnotherCase:
        output = file.parent_path() / "costa_LINEA.txt";
        break;
      case Named::kHardLink:
        output = made / "link";
        std::filesystem::create_hard_link(file, output);
        break;
      case Named::kSymbolicLink:
        output = made / "link";
        std::filesystem::create_symlink(file, output);
        break;
    }
    const ToolRun run = tool(pack_words(scenario.path(), kLine, kTrain, output,
                                        {"--generic-program", generic.string()}));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("nothing was packed: -o '" + output.string() + "' would write over " +
                           c.said + file.string() + "', which pack reads"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out.find("wrote"), std::string::npos) << run.out;
    EXPECT_EQ(std::filesystem::exists(file), present);
    if (present) {
      EXPECT_TRUE(slurp(file) == before);
    }
  }
}

// PROGRAM as render takes its output: a new file that may be run, "-" for
// standard output, and a FIFO or a device written into and left as it was.
TEST(PackCommand, WritesWhereRenderWouldWrite) {
  ScenarioFolder scenario;
  ScratchFolder made;
  const std::filesystem::path program = made / kProgramName;
  const ToolRun packed = tool(pack_words(scenario.path(), kLine, kTrain, program));
  ASSERT_EQ(packed.status, 0) << packed.err;
  EXPECT_EQ(packed.last_out_line(), "wrote " + program.string());
  const std::string bytes = slurp(program);
  ASSERT_TRUE(documents::carries_payload(bytes));
#ifndef _WIN32
  EXPECT_NE(std::filesystem::status(program).permissions() & std::filesystem::perms::owner_exec,
            std::filesystem::perms::none);
#endif

  enum class Kind { kDash, kFifo, kLinkToDevice };
  struct Case {
    const char* name;
    Kind kind;
  };
  const Case cases[] = {
      {"standard output", Kind::kDash},
#ifndef _WIN32
      {"a FIFO", Kind::kFifo},
      {"a link to /dev/null", Kind::kLinkToDevice},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder scratch;
    std::filesystem::path output = "-";
    std::string through_fifo;
    std::thread reader;
    const std::filesystem::path fifo_kept = scratch / "fifo";
    switch (c.kind) {
      case Kind::kDash:
        break;
      case Kind::kFifo:
#ifndef _WIN32
        output = scratch / "out";
        ASSERT_EQ(::mkfifo(output.c_str(), 0600), 0);
        // A second name for the FIFO, should the tool put a file in its place.
        std::filesystem::create_hard_link(output, fifo_kept);
        reader = std::thread([&] { through_fifo = slurp(fifo_kept); });
#endif
        break;
      case Kind::kLinkToDevice:
        output = scratch / "out";
        std::filesystem::create_symlink("/dev/null", output);
        break;
    }
    const ToolRun run = tool(pack_words(scenario.path(), kLine, kTrain, output));
#ifndef _WIN32
    if (reader.joinable()) {
      // Lets the reader go should the tool never have opened the FIFO.
      const int unblock = ::open(fifo_kept.c_str(), O_WRONLY | O_NONBLOCK);
      if (unblock >= 0) ::close(unblock);
      reader.join();
    }
#endif
    EXPECT_EQ(run.status, 0) << run.err;
    switch (c.kind) {
      case Kind::kDash:
        EXPECT_TRUE(run.out == bytes);  // and no "wrote" line
        break;
      case Kind::kFifo:
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_TRUE(std::filesystem::is_fifo(std::filesystem::symlink_status(output)));
        EXPECT_TRUE(through_fifo == bytes);
        break;
      case Kind::kLinkToDevice:
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_EQ(std::filesystem::read_symlink(output), "/dev/null");
        break;
    }
  }
}

// An output into a folder that is not there is told first, by its folder,
// before the documents are read (their notes would come first otherwise).
TEST(PackCommand, NamesAMissingOutputFolderBeforeAnythingElse) {
  ScenarioFolder scenario;
  spit(scenario.path() / "Costa_R 12_note.txt", "lines ended by LF alone\n");  // a note
  ScratchFolder made;
  spit(made / "a-file", "");
  const struct {
    const char* name;
    std::filesystem::path folder;
    const char* said;
  } cases[] = {
      {"a missing folder", made / "missing" / "deeper", "there is no folder"},
      {"a file for a folder", made / "a-file", "is not a folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::filesystem::path program = c.folder / kProgramName;
    const ToolRun run = tool(pack_words(scenario.path(), kLine, kTrain, program));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("scenario-tool pack: cannot write '" + program.string() + "': ", 0), 0u)
        << run.err;
    EXPECT_NE(run.err.find("'" + c.folder.string() + "'"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    EXPECT_EQ(run.lines(run.err).size(), 1u) << run.err;
    EXPECT_EQ(run.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(made / "missing"));
}

// The other platform's generic program is not built here: pack says where
// it looked and how to have one.
TEST(PackCommand, SaysWhereTheOtherPlatformsGenericProgramShouldBe) {
  ScenarioFolder scenario;
  ScratchFolder made;
  const std::string other = kTarget == "windows" ? "linux" : "windows";
  const std::string file = kTarget == "windows" ? "scenario-package" : "scenario-package.exe";
  std::vector<std::string> words = pack_words(scenario.path(), kLine, kTrain, made / "p");
  words.push_back("--target");
  words.push_back(other);
  const ToolRun run = tool(words);
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("generic package program at '"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(file + "'"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("cmake --install"), std::string::npos) << run.err;
}

// The help and the README's "Ship your scenario" tell the generic programs'
// names and the most lines of a document as the build and the line table
// have them.
TEST(PackCommand, HelpAndReadmeTellTheGenericProgramsAndTheLineLimit) {
  const ToolRun help = tool({"pack", "--help"});
  ASSERT_EQ(help.status, 0);
  const std::string readme = slurp(std::filesystem::path(BORGO_SOURCE_DIR) / "README.md");
  const std::size_t ship = readme.find("## Ship your scenario");
  ASSERT_NE(ship, std::string::npos);
  const std::string section = readme.substr(ship, readme.find("\n## ", ship + 1) - ship);
  const std::string generic = std::filesystem::path(BORGO_PACKAGE_PROGRAM).stem().string();
  const std::string lines = "at most " + std::to_string(documents::kMostLines) + " lines";
  // The Linux program's name, not followed by ".exe".
  const auto names_linux_program = [&](const std::string& text) {
    for (std::size_t at = text.find(generic); at != std::string::npos;
         at = text.find(generic, at + 1)) {
      if (text.compare(at + generic.size(), 4, ".exe") != 0) return true;
    }
    return false;
  };
  for (const std::string& text : {help.out, section}) {
    EXPECT_NE(text.find(generic + ".exe"), std::string::npos) << text;
    EXPECT_TRUE(names_linux_program(text)) << text;
    EXPECT_NE(text.find(lines), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace borgo::tools::testing
