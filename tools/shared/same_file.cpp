#include "tools/shared/same_file.hpp"

#include <system_error>

namespace borgo::tools {
namespace {

namespace fs = std::filesystem;

// Compared in the file system's own characters, which on Windows are wide.
bool equal_ignoring_ascii_case(const fs::path::string_type& a, const fs::path::string_type& b) {
  const auto lower = [](fs::path::value_type c) {
    return c >= 'A' && c <= 'Z' ? static_cast<fs::path::value_type>(c + ('a' - 'A')) : c;
  };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

fs::path folder_of(const fs::path& path) {
  const fs::path folder = path.parent_path();
  return folder.empty() ? fs::path(".") : folder;
}

}  // namespace

bool one_file_where_case_is_ignored(const fs::path& a, const fs::path& b) {
  if (!equal_ignoring_ascii_case(a.filename().native(), b.filename().native())) return false;
  const fs::path folder_a = folder_of(a);
  const fs::path folder_b = folder_of(b);
  return folder_a.lexically_normal() == folder_b.lexically_normal() ||
         one_file_on_disk(folder_a, folder_b);
}

bool one_file_on_disk(const fs::path& a, const fs::path& b) {
  std::error_code unknown;  // either missing, or not to be looked up: not one file
  return fs::equivalent(a, b, unknown) && !unknown;
}

}  // namespace borgo::tools
