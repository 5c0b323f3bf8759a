// The README's error table lists every error number with the catalog's meaning.
#include <gtest/gtest.h>

#include <string>

#include "compiler/error_catalog.hpp"
#include "tests/support/files.hpp"

namespace {

TEST(Readme, ListsEveryErrorNumberWithItsMeaning) {
  const std::string readme = borgo::testing::slurp(BORGO_SOURCE_DIR "/README.md");
  ASSERT_FALSE(readme.empty());
  for (const auto& e : borgo::compiler::error_catalog()) {
    const std::string row = "| " + std::to_string(e.number) + " | " + std::string(e.message) + " |";
    EXPECT_NE(readme.find(row), std::string::npos) << row;
  }
}

}  // namespace
