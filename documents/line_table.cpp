#include "documents/line_table.hpp"

namespace borgo::documents {

std::string render_lines(const LineTable& table) {
  std::size_t size = 0;
  for (std::string_view line : table) {
    if (line == kEndMarker) break;
    size += line.size() + 2;
  }
  std::string bytes;
  bytes.reserve(size);
  for (std::string_view line : table) {
    if (line == kEndMarker) break;
    bytes.append(line);
    bytes.append("\r\n");
  }
  return bytes;
}

}  // namespace borgo::documents
