// Borgo_Mar's service documents drafted from its descriptions and the sheet
// settings `emit` writes come out as the package's own, byte for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "compiler/compile.hpp"
#include "tests/support/files.hpp"
#include "tools/drafting/route_facts.hpp"
#include "tools/drafting/sheet_settings.hpp"
#include "tools/drafting/slow_down_order.hpp"
#include "tools/drafting/train_sheet.hpp"

namespace borgo::tools::drafting {
namespace {

std::vector<std::string> lines_of(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(bytes.substr(start));
      break;
    }
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

class BorgoMarDocuments : public ::testing::Test {
 protected:
  void SetUp() override {
    line_ = borgo::testing::slurp(kScenario / "linea.txt");
    train_ = borgo::testing::slurp(kScenario / "treno.txt");
    compilation_ = compiler::compile({.line_name = "Borgo_Mar",
                                      .train_name = "TX 903",
                                      .line_description = line_,
                                      .train_description = train_});
    facts_ = RouteFacts::of(compilation_);
    ASSERT_TRUE(facts_.has_value());
    const SettingsReading reading = read_sheet_settings(embedded_sheet_settings());
    ASSERT_TRUE(reading.diagnostics.empty()) << reading.diagnostics.front().message;
    settings_ = reading.settings;
  }

  const std::filesystem::path kScenario = std::filesystem::path(BORGO_SOURCE_DIR) / "scenario";
  std::string line_;
  std::string train_;
  compiler::Compilation compilation_;
  std::optional<RouteFacts> facts_;
  SheetSettings settings_;
};

TEST_F(BorgoMarDocuments, SlowDownOrderIsThePackagesOwn) {
  const Draft draft = draft_slow_down_order(*facts_, settings_, "Borgo_Mar", "TX 903");
  EXPECT_TRUE(draft.notes.empty());
  EXPECT_EQ(draft.bytes, borgo::testing::slurp(kScenario / "rallentamenti.txt"));
}

// The package's sheet has one blank after the closing bar of its line 71, a
// slip of the hand no description or setting tells; every other line is
// drafted as it stands.
constexpr std::size_t kLineWithTrailingBlank = 71;

TEST_F(BorgoMarDocuments, TrainSheetIsThePackagesOwnButOneTrailingBlank) {
  const Draft draft = draft_train_sheet(*facts_, settings_, "TX 903");
  EXPECT_TRUE(draft.notes.empty());
  const std::string own_bytes = borgo::testing::slurp(kScenario / "scheda_treno.txt");
  const std::vector<std::string> drafted = lines_of(draft.bytes);
  const std::vector<std::string> own = lines_of(own_bytes);
  ASSERT_EQ(drafted.size(), own.size());
  for (std::size_t i = 0; i < own.size(); ++i) {
    if (i + 1 == kLineWithTrailingBlank) {
      EXPECT_EQ(drafted[i] + " ", own[i]);
    } else {
      EXPECT_EQ(drafted[i], own[i]) << "line " << i + 1;
    }
  }
  EXPECT_EQ(draft.bytes.size() + 1, own_bytes.size());
}

}  // namespace
}  // namespace borgo::tools::drafting
