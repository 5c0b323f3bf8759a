#pragma once

// What the editors' end-to-end tests share: finding the editor, the
// README's configuration of it as it stands there, and the rule for a
// missing editor (a skip, unless CI requires the editors).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>

#include "tests/support/files.hpp"

namespace borgo::tools::testing {

#ifndef _WIN32
inline std::optional<std::filesystem::path> on_path(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::nullopt;
  std::istringstream folders(path);
  for (std::string folder; std::getline(folders, folder, ':');) {
    std::error_code failed;
    const std::filesystem::path candidate = std::filesystem::path(folder) / program;
    if (!folder.empty() && std::filesystem::is_regular_file(candidate, failed)) return candidate;
  }
  return std::nullopt;
}

// The editor, or nullopt where there is none; CI asks for the editors with
// BORGO_REQUIRE_EDITORS, and then a missing one fails.
inline std::optional<std::filesystem::path> editor(const std::string& program) {
  const std::optional<std::filesystem::path> found = on_path(program);
  if (!found) {
    const char* required = std::getenv("BORGO_REQUIRE_EDITORS");
    EXPECT_FALSE(required != nullptr && *required != '\0')
        << "no " << program << ", and the editors are required";
  }
  return found;
}

inline std::string shell_quoted(const std::filesystem::path& path) {
  return "'" + path.string() + "'";
}
#endif

// The fenced block right after "<!-- editor-config: NAME -->" in README.md,
// without its fences; "" when there is none.
inline std::string readme_config(const std::string& name) {
  const std::string readme =
      borgo::testing::slurp(std::filesystem::path(BORGO_SOURCE_DIR) / "README.md");
  const std::size_t marker = readme.find("<!-- editor-config: " + name + " -->");
  if (marker == std::string::npos) return "";
  const std::size_t fence = readme.find("```", marker);
  const std::size_t body = readme.find('\n', fence);
  const std::size_t end = readme.find("\n```", body);
  if (fence == std::string::npos || body == std::string::npos || end == std::string::npos) {
    return "";
  }
  return readme.substr(body + 1, end - body);
}

}  // namespace borgo::tools::testing
