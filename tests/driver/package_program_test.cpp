// The generic package program: the run sequence with the scenario it
// carries, and a package whose scenario cannot be read or that would write
// over its own file, which ends with the run-time report and status 2
// before writing anything (Borgo_Mar_TX903 too, for the latter).
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>

#include <cstdlib>
#endif

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "documents/documents.hpp"
#include "documents/package_payload.hpp"
#include "driver/exit_status.hpp"
#include "driver/form1.hpp"
#include "driver/package_source.hpp"
#include "storage/replace_file.hpp"
#include "tests/support/fake_platform.hpp"
#include "tests/support/files.hpp"
#include "tests/support/form_load.hpp"
#include "tests/support/hand_made_payload.hpp"
#include "tests/support/scratch_folder.hpp"

namespace borgo::driver {
namespace {

using testing::FakePlatform;
using testing::ProgramEnded;
using testing::run_form_load;
using testing::ScratchFolder;

std::set<std::string> names_in(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// The embedded descriptions under other names, with notes and nothing else.
documents::Scenario other_scenario() {
  const documents::Scenario& embedded = documents::embedded_scenario();
  documents::Scenario scenario{.line_name = "Linea", .train_name = "T 1"};
  for (const auto kind :
       {documents::DocumentKind::kLineDescription, documents::DocumentKind::kTrainDescription,
        documents::DocumentKind::kNotes}) {
    scenario.documents[static_cast<std::size_t>(kind)] = embedded.document(kind);
  }
  return scenario;
}

TEST(PackageProgram, RunsTheScenarioItIsGivenUnderItsNamesAndTitle) {
  ScratchFolder folder;
  FakePlatform platform(folder.path());
  const documents::Scenario scenario = other_scenario();
  Form1 form(platform, nullptr, kFolderWaitLimit, scenario);
  EXPECT_EQ(run_form_load(form), kExitDone);
  EXPECT_EQ(form.line_name, "Linea");
  EXPECT_EQ(form.train_name, "T 1");
  ASSERT_TRUE(platform.shown_layout);
  EXPECT_EQ(platform.shown_layout->title, "Linea_T 1");
  EXPECT_EQ(platform.shown_caption, "Attendere");
  // The notes, and the compiled files; no document the scenario lacks.
  EXPECT_EQ(names_in(folder.path()), (std::set<std::string>{"Linea_T 1_note.txt", "Linea_linea.dat",
                                                            "Linea_T 1.sim", "Linea_T 1.dat"}));
  EXPECT_EQ(testing::slurp(folder / "Linea_T 1_note.txt"),
            documents::render_lines(documents::notes()));
  // Each a name of the package's files, whose lengths are checked when it is read.
  const std::vector<std::string> names = documents::package_file_names("Linea", "T 1");
  for (const std::string& name : names_in(folder.path())) {
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
  }

  try {
    form.errore("1251");
    ADD_FAILURE() << "errore returned";
  } catch (const ProgramEnded& ended) {
    EXPECT_EQ(ended.exit_status, kExitFatalError);
  }
  EXPECT_EQ(platform.box_title, "Linea_T 1");
}

TEST(PackageProgram, ReadsTheScenarioAtTheEndOfItsOwnFile) {
  ScratchFolder folder;
  FakePlatform platform(folder.path());
  platform.program = folder / "package";
  testing::spit(platform.program,
                "program bytes" + documents::make_payload(documents::embedded_scenario()));
  const std::unique_ptr<documents::Package> package = load_package(platform);
  EXPECT_EQ(package->scenario().title(), "Borgo_Mar_TX 903");
  EXPECT_TRUE(platform.calls.empty());
}

// What the run-time report says, and that the program ended with status 2
// without writing: the folder holds only what it held before.
void expect_report(FakePlatform& platform, const std::string& reason) {
  const std::set<std::string> before = names_in(platform.own_folder());
  try {
    load_package(platform);
    ADD_FAILURE() << "the package was read";
  } catch (const ProgramEnded& ended) {
    EXPECT_EQ(ended.exit_status, kExitRunTimeFailure);
  }
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"message_box", "end"}));
  EXPECT_EQ(platform.box_title, kPackageTitle);
  EXPECT_EQ(platform.box_text.rfind("Run-time error: ", 0), 0u) << platform.box_text;
  EXPECT_NE(platform.box_text.find(reason), std::string::npos) << platform.box_text;
  EXPECT_EQ(names_in(platform.own_folder()), before);
}

TEST(PackageProgram, ADamagedPackageIsReportedAsSuch) {
  ScratchFolder folder;
  FakePlatform platform(folder.path());
  platform.program = folder / "package";
  testing::spit(platform.program, "program bytes without a scenario");
  expect_report(platform, "the package is damaged: it carries no scenario");
}

TEST(PackageProgram, AnOwnFileThatCannotBeReadIsReported) {
  ScratchFolder folder;
  FakePlatform platform(folder.path());
  platform.program = folder / "gone";
  expect_report(platform, "cannot read the program's own file '" + platform.program.string() + "'");
}

#ifndef _WIN32
// The built generic program, packed and damaged in each way, run as a
// player would run it. (The Windows program shows its report in a box that
// waits for the user.)
struct ProcessRun {
  int status = -1;
  std::string err;
  std::set<std::string> left;  // what the folder holds afterwards, but the program
  bool intact = false;         // the program's file as it was
};

ProcessRun run_package(const std::string& bytes, const std::string& name = "package") {
  ScratchFolder folder;
  ScratchFolder output;
  const std::filesystem::path program = folder / name;
  testing::spit(program, bytes);
  std::filesystem::permissions(program, std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  const std::string command =
      "'" + program.string() + "' >/dev/null 2>'" + (output / "err").string() + "'";
  const int status = std::system(command.c_str());
  ProcessRun run;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = testing::slurp(output / "err");
  run.left = names_in(folder.path());
  run.left.erase(name);
  run.intact = testing::slurp(program) == bytes;
  return run;
}

TEST(PackageProgram, EachDamagedPackageEndsWithTheReportAndStatusTwoWritingNothing) {
  const std::string generic = testing::slurp(BORGO_PACKAGE_PROGRAM);
  ASSERT_FALSE(generic.empty());
  const std::string good = generic + documents::make_payload(documents::embedded_scenario());
  const std::size_t payload_end = good.size() - documents::kTrailerSize;

  const ProcessRun intact = run_package(good);
  EXPECT_EQ(intact.status, 0) << intact.err;
  EXPECT_TRUE(intact.left.contains("Borgo_Mar_TX 903.dat"));

  std::string flipped = good;
  flipped[payload_end - 100] ^= 0x01;
  std::string size_past_start = good;
  size_past_start[payload_end + 3] = 0x20;
  testing::HandMadePayload separator;
  separator.line = "..\\Linea";
  testing::HandMadePayload document_past_end;
  document_past_end.train_size = 1 << 20;
  testing::HandMadePayload long_names;
  long_names.line = std::string(240, 'L');
  long_names.train = "TX 903";
  struct Case {
    const char* name;
    std::string bytes;
    const char* reason;
  };
  const Case cases[] = {
      {"no payload at all", generic, "carries no scenario"},
      {"truncated", good.substr(0, good.size() - 5), "carries no scenario"},
      {"a flipped byte", flipped, "checksum"},
      {"a size past the start of the file", size_past_start, "cannot hold"},
      {"a document's size past the end", document_past_end.after(generic), "add up to"},
      {"a name with a path separator", separator.after(generic), "the line name holds '\\'"},
      {"names that make a file name too long", long_names.after(generic),
       "the line and train names make a file name 265 bytes long"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ProcessRun run = run_package(c.bytes);
    EXPECT_EQ(run.status, kExitRunTimeFailure);
    EXPECT_NE(run.err.find("the package is damaged: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    EXPECT_EQ(run.left, std::set<std::string>{});
  }
}

// A package program named as a file it writes or deletes (its line
// description, a compiled file, a temporary file of an earlier run it
// clears) would write over itself: it ends before writing anything.
TEST(PackageProgram, NamedAsAFileItWritesItEndsWithTheReportAndStatusTwoWritingNothing) {
  const std::string good = testing::slurp(BORGO_PACKAGE_PROGRAM) +
                           documents::make_payload(documents::embedded_scenario());
  std::vector<std::string> names = documents::package_file_names("Borgo_Mar", "TX 903");
  names.push_back(storage::temporary_file_name(0x0123456789abcdef));
  ASSERT_EQ(names.size(), 9u);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const ProcessRun run = run_package(good, name);
    EXPECT_EQ(run.status, kExitRunTimeFailure);
    EXPECT_NE(run.err.find("Borgo_Mar_TX 903: Run-time error: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("/" + name + "': it is this program's own file"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.left, std::set<std::string>{});
    EXPECT_TRUE(run.intact);
  }
}
#endif

// The program's own file is known as a file, not by its name: under a name
// in other letters, which is the same file where the file system ignores
// letter case, and through a link, as Linux gives it. Borgo_Mar_TX903 holds
// to it as a package program does.
TEST(PackageProgram, KnowsItsOwnFileByMoreThanItsName) {
  struct Case {
    const char* name;
    const char* program;  // its file's name in the folder
    bool through_link;
    bool packaged;  // a package program, or Borgo_Mar_TX903 with its own scenario
  };
  std::vector<Case> cases = {
      {"its own name", "package", false, true},
      {"the line description's name in other letters", "borgo_mar_LINEA.txt", false, true},
      {"Borgo_Mar_TX903 as its train sheet", "Borgo_Mar_TX 903_scheda_treno.txt", false, false},
  };
#ifndef _WIN32
  cases.push_back({"a compiled file's name, through a link", "Borgo_Mar_TX 903.sim", true, true});
#endif
  const std::string bytes =
      "program bytes" + documents::make_payload(documents::embedded_scenario());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    ScratchFolder elsewhere;
    FakePlatform platform(folder.path());
    testing::spit(folder / c.program, bytes);
    platform.program = folder / c.program;
    if (c.through_link) {
      platform.program = elsewhere / "exe";
      std::filesystem::create_symlink(folder / c.program, platform.program);
    }
    // Where letter case counts, the other letters name another file.
    const std::vector<std::string> outputs = documents::package_file_names("Borgo_Mar", "TX 903");
    const bool is_output = std::any_of(
        outputs.begin(), outputs.end(),
        [&](const std::string& name) { return std::filesystem::exists(folder / name); });
    std::unique_ptr<documents::Package> package;
    if (c.packaged) {
      package = load_package(platform);
      ASSERT_EQ(package->scenario().title(), "Borgo_Mar_TX 903");
    }
    Form1 form(platform, nullptr, kFolderWaitLimit,
               c.packaged ? package->scenario() : documents::embedded_scenario());
    const int status = run_form_load(form);
    if (!is_output) {
      EXPECT_EQ(status, kExitDone);
      continue;
    }
    EXPECT_EQ(status, kExitRunTimeFailure);
    EXPECT_EQ(platform.box_title, "Borgo_Mar_TX 903");
    EXPECT_NE(platform.box_text.find("Run-time error: cannot write '"), std::string::npos)
        << platform.box_text;
    EXPECT_NE(platform.box_text.find("': it is this program's own file"), std::string::npos)
        << platform.box_text;
    EXPECT_EQ(names_in(folder.path()), std::set<std::string>{c.program});
    EXPECT_EQ(testing::slurp(folder / c.program), bytes);
  }
}

}  // namespace
}  // namespace borgo::driver
