// The reference of the service documents lists every key of the sheet
// settings with the example row the reader takes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/files.hpp"
#include "tools/drafting/sheet_settings.hpp"

namespace borgo::tools::drafting {
namespace {

TEST(ServiceDocumentsReference, ListsEverySettingsKeyWithItsExample) {
  const std::string doc = borgo::testing::slurp(std::filesystem::path(BORGO_SOURCE_DIR) / "docs" /
                                                "service-documents.md");
  ASSERT_FALSE(doc.empty());
  for (const SettingsKey& key : settings_keys()) {
    SCOPED_TRACE(key.name);
    EXPECT_NE(doc.find("| `" + std::string(key.name) + "` | " + std::string(key.values) + " |"),
              std::string::npos);
    EXPECT_NE(doc.find("`" + std::string(key.example) + "`"), std::string::npos);
  }
}

}  // namespace
}  // namespace borgo::tools::drafting
