// readme-error-table README.md: makes the README's error table anew from the
// compiler's catalog and leaves the rest of the file as it is.
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>

#include "storage/file_error.hpp"
#include "storage/replace_file.hpp"
#include "tools/findings/reference/error_table.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: readme-error-table README.md\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << argv[1] << ": cannot be read\n";
    return 1;
  }
  const std::string readme(std::istreambuf_iterator<char>(in), {});
  const std::optional<std::string> updated = borgo::tools::with_current_error_table(readme);
  if (!updated) {
    std::cerr << argv[1] << ": no table under \"## Error numbers\"\n";
    return 1;
  }
  if (*updated == readme) return 0;
  try {
    borgo::storage::replace_file(argv[1], *updated);
  } catch (const borgo::storage::FileError& failure) {
    std::cerr << failure.what() << "\n";
    return 1;
  }
  return 0;
}
