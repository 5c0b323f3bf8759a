// The console platform finds the program's folder through the system's link
// to the running program; without that link no folder is the program's, and
// the run ends with its report instead of writing somewhere else.
#include "driver/platform_console.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "driver/exit_status.hpp"
#include "driver/form1.hpp"
#include "tests/support/fake_platform.hpp"
#include "tests/support/form_load.hpp"
#include "tests/support/scratch_folder.hpp"

namespace borgo::driver {
namespace {

using testing::ProgramEnded;
using testing::ScratchFolder;

// The console platform, but the end of the program hands control back to
// the test.
class ReturningConsolePlatform : public ConsolePlatform {
 public:
  using ConsolePlatform::ConsolePlatform;
  [[noreturn]] void end_program(int exit_status) override { throw ProgramEnded{exit_status}; }
};

// The process's current folder changed for a while.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::filesystem::path& folder)
      : before_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~CurrentFolder() { std::filesystem::current_path(before_); }
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  std::filesystem::path before_;
};

std::string text_of(std::FILE* file) {
  std::rewind(file);
  std::string text;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  return text;
}

TEST(ConsolePlatform, TheOwnFolderIsWhereTheLinkToTheProgramPoints) {
  ScratchFolder links;
  std::filesystem::create_symlink("/opt/elsewhere/Borgo_Mar_TX903", links / "exe");
  ConsolePlatform platform(stdout, stderr, links / "exe");
  EXPECT_EQ(platform.own_folder(), std::filesystem::path("/opt/elsewhere"));
}

TEST(ConsolePlatform, WithoutTheLinkTheRunEndsWithStatusTwoAndWritesNothing) {
  ScratchFolder current;
  const CurrentFolder here(current.path());
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::tmpfile(), &std::fclose);
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> err(std::tmpfile(), &std::fclose);
  ASSERT_TRUE(out && err);
  const std::filesystem::path missing = current / "no link here";
  ReturningConsolePlatform platform(out.get(), err.get(), missing);
  Form1 form(platform, err.get());
  EXPECT_EQ(testing::run_form_load(form), kExitRunTimeFailure);
  const std::string report = text_of(err.get());
  EXPECT_NE(report.find("own folder"), std::string::npos) << report;
  EXPECT_NE(report.find("'" + missing.string() + "'"), std::string::npos) << report;
  EXPECT_TRUE(std::filesystem::is_empty(current.path()));
}

}  // namespace
}  // namespace borgo::driver
