#include "driver/form1.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>

#include "documents/documents.hpp"
#include "driver/exit_status.hpp"
#include "storage/folder_lock.hpp"
#include "storage/replace_file.hpp"
#include "tests/support/fake_platform.hpp"
#include "tests/support/files.hpp"
#include "tests/support/form_load.hpp"
#include "tests/support/scratch_folder.hpp"

namespace borgo::driver {
namespace {

using testing::FakePlatform;
using testing::ProgramEnded;
using testing::run_form_load;
using testing::ScratchFolder;

TEST(Form1, ShowsTheWindowBeforeWritingAndEndsTheProgram) {
  ScratchFolder folder;
  FakePlatform platform(folder.path());
  Form1 form(platform);
  EXPECT_EQ(run_form_load(form), kExitDone);
  EXPECT_EQ(form.line_name, "Borgo_Mar");
  EXPECT_EQ(form.train_name, "TX 903");
  EXPECT_EQ(platform.shown_caption, "Attendere");
  ASSERT_GE(platform.calls.size(), 3u);
  EXPECT_EQ(platform.calls[0], "show");
  EXPECT_EQ(platform.calls[1], "repaint");
  EXPECT_EQ(platform.calls.back(), "end");
  EXPECT_TRUE(std::filesystem::exists(folder / "Borgo_Mar_TX 903_note.txt"));
}

TEST(Form1, ErroreShowsTheNumberWithOneLeadingBlankAndEnds) {
  ScratchFolder folder;
  FakePlatform platform(folder.path());
  Form1 form(platform);
  try {
    form.errore("1250");
    FAIL() << "errore returned";
  } catch (const ProgramEnded& ended) {
    EXPECT_EQ(ended.exit_status, kExitFatalError);
  }
  EXPECT_EQ(platform.box_text, " Errore n. 1250");
  EXPECT_EQ(platform.box_title, "Borgo_Mar_TX 903");
}

TEST(Form1, WindowLayoutIsTheFormsOwn) {
  EXPECT_EQ(kForm1Layout.client_width_twips, 4200);
  EXPECT_EQ(kForm1Layout.client_height_twips, 2688);
  const LabelLayout& label = kForm1Layout.label;
  EXPECT_EQ(label.caption, "Attendere");
  EXPECT_EQ(label.left_twips, 960);
  EXPECT_EQ(label.top_twips, 960);
  EXPECT_EQ(label.width_twips, 2652);
  EXPECT_EQ(label.height_twips, 792);
  EXPECT_EQ(label.font_face, "MS Sans Serif");
  EXPECT_EQ(label.font_points, 24);
  EXPECT_EQ(label.font_weight, 700);
  EXPECT_EQ(label.charset, 0);
}

// A document that cannot be written ends the run: the documents before it
// stay, the ones after it are never written.
TEST(Form1, AFailedDocumentStopsTheRunAfterTheEarlierOnes) {
  struct Case {
    std::string blocked;
    std::vector<std::string> written;
    std::vector<std::string> not_written;
  };
  const std::string line = documents::line_description_name("Borgo_Mar");
  const std::string train = documents::train_description_name("Borgo_Mar", "TX 903");
  const std::string note = documents::notes_name("Borgo_Mar", "TX 903");
  const std::string order = documents::slow_down_order_name("Borgo_Mar", "TX 903");
  const std::string sheet = documents::train_sheet_name("Borgo_Mar", "TX 903");
  const Case cases[] = {
      {line, {}, {train, note, order, sheet}},
      {note, {line, train}, {order, sheet}},
      {order, {line, train, note}, {sheet}},
      {sheet, {line, train, note, order}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.blocked);
    ScratchFolder folder;
    std::filesystem::create_directory(folder / c.blocked);
    FakePlatform platform(folder.path());
    Form1 form(platform);
    EXPECT_EQ(run_form_load(form), kExitRunTimeFailure);
    EXPECT_NE(platform.box_text.find(c.blocked), std::string::npos) << platform.box_text;
    for (const std::string& name : c.written) {
      EXPECT_TRUE(std::filesystem::is_regular_file(folder / name)) << name;
    }
    for (const std::string& name : c.not_written) {
      EXPECT_FALSE(std::filesystem::exists(folder / name)) << name;
    }
  }
}

// The names a folder holds.
std::set<std::string> names_in(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// A folder that another run keeps past the wait ends this run before its
// first document, with a report naming the folder.
TEST(Form1, AFolderHeldPastTheWaitEndsTheRunBeforeItsFirstDocument) {
  using namespace std::chrono_literals;
  ScratchFolder folder;
  const storage::FolderLock other_run(folder.path(), 0ms);
  const std::set<std::string> before = names_in(folder.path());
  FakePlatform platform(folder.path());
  Form1 form(platform, nullptr, 50ms);
  EXPECT_EQ(run_form_load(form), kExitRunTimeFailure);
  EXPECT_NE(platform.box_text.find("'" + folder.path().string() + "'"), std::string::npos)
      << platform.box_text;
  EXPECT_NE(platform.box_text.find("held by another process"), std::string::npos)
      << platform.box_text;
  EXPECT_EQ(names_in(folder.path()), before);
}

// What a killed run left (a temporary file of its replacements) goes; other
// files stay.
TEST(Form1, ARunRemovesTheTemporaryFilesOfAKilledRun) {
  ScratchFolder folder;
  const std::string stale = storage::temporary_file_name(0x0123456789abcdef);
  testing::spit(folder / stale, "half a file");
  testing::spit(folder / "borgo-notes.tmp", "the user's");
  FakePlatform platform(folder.path());
  Form1 form(platform);
  EXPECT_EQ(run_form_load(form), kExitDone);
  const std::set<std::string> names = names_in(folder.path());
  EXPECT_EQ(names.count(stale), 0u);
  EXPECT_EQ(names.count("borgo-notes.tmp"), 1u);
}

}  // namespace
}  // namespace borgo::driver
