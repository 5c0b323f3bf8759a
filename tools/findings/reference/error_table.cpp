#include "tools/findings/reference/error_table.hpp"

#include <cstddef>

#include "compiler/error_catalog.hpp"

namespace borgo::tools {
namespace {

constexpr std::string_view kHeading = "## Error numbers";

// The line starting at `at`, with its line end.
std::string_view line_at(std::string_view text, std::size_t at) {
  const std::size_t end = text.find('\n', at);
  return text.substr(at, end == std::string_view::npos ? std::string_view::npos : end + 1 - at);
}

}  // namespace

std::string error_table_markdown() {
  std::string out = "| number | name | meaning |\n|---|---|---|\n";
  for (const compiler::ErrorInfo& e : compiler::error_catalog()) {
    out += "| " + std::to_string(e.number) + " | `" + std::string(e.name) + "` | " +
           std::string(e.message) + " |\n";
  }
  return out;
}

std::optional<std::string_view> readme_error_table(std::string_view readme) {
  bool in_section = false;
  std::size_t start = std::string_view::npos;
  std::size_t at = 0;
  while (at < readme.size()) {
    const std::string_view line = line_at(readme, at);
    const std::string_view text = line.substr(0, line.find('\n'));
    if (!in_section) {
      in_section = text == kHeading;
    } else if (text.starts_with('|')) {
      if (start == std::string_view::npos) start = at;
    } else if (start != std::string_view::npos) {
      break;  // the first line after the table
    } else if (text.starts_with('#')) {
      return std::nullopt;  // the next section, and no table in this one
    }
    at += line.size();
  }
  if (start == std::string_view::npos) return std::nullopt;
  return readme.substr(start, at - start);
}

std::optional<std::string> with_current_error_table(std::string_view readme) {
  const std::optional<std::string_view> table = readme_error_table(readme);
  if (!table) return std::nullopt;
  const std::size_t at = static_cast<std::size_t>(table->data() - readme.data());
  std::string out(readme);
  out.replace(at, table->size(), error_table_markdown());
  return out;
}

}  // namespace borgo::tools
