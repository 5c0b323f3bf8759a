// find_error finds every number of the catalog and nothing in the gaps
// between them.
#include "compiler/error_catalog.hpp"

#include <gtest/gtest.h>

namespace borgo::compiler {
namespace {

TEST(FindError, FindsEachNumberAndNoneBetween) {
  for (const ErrorInfo& e : error_catalog()) {
    EXPECT_EQ(find_error(e.number), &e) << e.number;
  }
  for (const std::int32_t missing : {-1, 0, 27, 100, 104, 1249, 1252}) {
    EXPECT_EQ(find_error(missing), nullptr) << missing;
  }
}

}  // namespace
}  // namespace borgo::compiler
