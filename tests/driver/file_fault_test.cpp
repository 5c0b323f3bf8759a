// A fault of the disk at each file of the run, over a folder that already
// holds a file of every name: the run ends with status 2 and a message
// naming the file; the files before it are the new ones, the file at fault
// and every later one are the old ones, byte for byte, and no temporary file
// is left.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "compiler/compiled_files.hpp"
#include "documents/documents.hpp"
#include "driver/exit_status.hpp"
#include "driver/form1.hpp"
#include "tests/support/disk_faults.hpp"
#include "tests/support/fake_platform.hpp"
#include "tests/support/files.hpp"
#include "tests/support/form_load.hpp"
#include "tests/support/run_program.hpp"
#include "tests/support/scratch_folder.hpp"

#ifndef _WIN32
#include <sys/wait.h>

#include <cstdlib>
#endif

namespace borgo::driver {
namespace {

using testing::DiskFault;
using testing::DiskFaultInjector;
using testing::FakePlatform;
using testing::FaultFolder;
using testing::folder_entries;
using testing::run_form_load;
using testing::ScratchFolder;

using Entries = std::map<std::string, std::string>;

// The eight files of the run, in the order the run writes them. The first
// two are the descriptions, which the compile reads and deletes.
std::vector<std::string> files_of_the_run() {
  compiler::RouteModel model;
  model.line_name = "Borgo_Mar";
  model.train_name = "TX 903";
  return {documents::line_description_name(model.line_name),
          documents::train_description_name(model.line_name, model.train_name),
          documents::notes_name(model.line_name, model.train_name),
          documents::slow_down_order_name(model.line_name, model.train_name),
          documents::train_sheet_name(model.line_name, model.train_name),
          compiler::line_file_name(model),
          compiler::train_file_name(model),
          compiler::cell_file_name(model)};
}
constexpr std::size_t kDescriptions = 2;
constexpr std::size_t kDocuments = 5;

// Every file of the run as a clean run writes it, descriptions included.
const Entries& new_files() {
  static const Entries files = [] {
    ScratchFolder folder;
    FakePlatform platform(folder.path());
    Form1 form(platform);
    EXPECT_EQ(run_form_load(form), kExitDone);
    Entries entries = folder_entries(folder.path());
    const std::vector<std::string> names = files_of_the_run();
    entries[names[0]] = documents::render_lines(documents::line_description());
    entries[names[1]] = documents::render_lines(documents::train_description());
    return entries;
  }();
  return files;
}

// The folder after a run that failed at file `failed`: the new files before
// it (the descriptions gone once the compile has read them), the old ones
// from it on.
Entries expected_after_failure(Entries before, std::size_t failed) {
  const std::vector<std::string> names = files_of_the_run();
  for (std::size_t i = 0; i < failed; ++i) {
    if (i < kDescriptions && failed >= kDocuments) {
      before.erase(names[i]);
    } else {
      before[names[i]] = new_files().at(names[i]);
    }
  }
  return before;
}

class FileFault : public ::testing::TestWithParam<DiskFault> {};

TEST_P(FileFault, EndsTheRunNamingTheFileAndLosesNothing) {
  const DiskFault fault = GetParam();
  const std::vector<std::string> names = files_of_the_run();
  ASSERT_EQ(new_files().size(), names.size());
  for (std::size_t failed = 0; failed < names.size(); ++failed) {
    SCOPED_TRACE(names[failed]);
    const FaultFolder folder(fault, 16);
    for (const std::string& name : names) testing::spit(folder / name, "old " + name + "\r\n");
    if (fault == DiskFault::kDirectoryInTheWay) {
      testing::put_directory_in_the_way(folder / names[failed]);
    }
    const Entries before = folder_entries(folder.path());

    FakePlatform platform(folder.path());
    Form1 form(platform);
    DiskFaultInjector injector(fault, folder / names[failed], folder.filler());
    EXPECT_EQ(run_form_load(form), kExitRunTimeFailure);
    EXPECT_TRUE(injector.struck());
    SCOPED_TRACE(injector.how());
    EXPECT_NE(platform.box_text.find("'" + (folder / names[failed]).string() + "'"),
              std::string::npos)
        << platform.box_text;
    EXPECT_EQ(testing::entry_differences(folder_entries(folder.path()),
                                         expected_after_failure(before, failed)),
              "");
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, FileFault,
                         ::testing::Values(DiskFault::kReadOnlyFolder,
                                           DiskFault::kDirectoryInTheWay, DiskFault::kDiskFull,
                                           DiskFault::kRenameFails, DiskFault::kReadOnlyFile),
                         [](const ::testing::TestParamInfo<DiskFault>& info) {
                           return std::string(testing::fault_name(info.param));
                         });

// The real program, with a file of the run it cannot replace: status 2, the
// file named on standard error and left as it was, everything before it
// written.
TEST(ProgramFileFault, EndsWithStatusTwoNamingTheFile) {
#ifdef _WIN32
  // There the failure is reported in a modal box that waits for a user.
  GTEST_SKIP() << "the Windows program reports the failure in a modal message box";
#else
  const std::vector<std::string> names = files_of_the_run();
  struct Case {
    const char* name;
    std::size_t blocked;  // in files_of_the_run
    void (*block)(const std::filesystem::path& file);
  };
  const Case cases[] = {
      {"a directory in the way of the last file", names.size() - 1,
       [](const std::filesystem::path& file) { testing::put_directory_in_the_way(file); }},
      {"a read-only compiled file", names.size() - 2,
       [](const std::filesystem::path& file) {
         testing::spit(file, "the user's own\r\n");
         std::filesystem::permissions(file, static_cast<std::filesystem::perms>(0444));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    const std::filesystem::path program =
        folder.path() / std::filesystem::path(BORGO_PROGRAM).filename();
    std::filesystem::copy_file(BORGO_PROGRAM, program);
    const std::filesystem::path blocked = folder / names[c.blocked];
    c.block(blocked);
    const auto perms_before = std::filesystem::symlink_status(blocked).permissions();
    const Entries before = folder_entries(folder.path());
    ScratchFolder output;
    const std::string command =
        "'" + program.string() + "' >/dev/null 2>'" + (output / "stderr.txt").string() + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kExitRunTimeFailure);
    const std::string message = testing::slurp(output / "stderr.txt");
    EXPECT_NE(message.find("'" + blocked.string() + "'"), std::string::npos) << message;
    EXPECT_EQ(testing::entry_differences(folder_entries(folder.path()),
                                         expected_after_failure(before, c.blocked)),
              "");
    EXPECT_EQ(std::filesystem::symlink_status(blocked).permissions(), perms_before);
  }
#endif
}

}  // namespace
}  // namespace borgo::driver
