// The author's reference to the descriptions is the one the format table
// makes: the committed file may not drift from it.
#include "tools/findings/reference/reference.hpp"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/files.hpp"

namespace borgo::tools {
namespace {

TEST(DescriptionReference, IsTheOneTheFormatTableMakes) {
  const std::string committed =
      borgo::testing::slurp(std::string(BORGO_SOURCE_DIR) + "/" + kDescriptionReferencePath);
  ASSERT_FALSE(committed.empty()) << kDescriptionReferencePath << " is missing";
  EXPECT_EQ(committed, description_reference_markdown())
      << "make it anew with: cmake --build build/debug --target description_format_doc";
}

}  // namespace
}  // namespace borgo::tools
