// description-format-doc FILE: writes the author's reference to the
// descriptions, made from the compiler's format table and error catalog.
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "storage/file_error.hpp"
#include "storage/replace_file.hpp"
#include "tools/findings/reference/reference.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: description-format-doc FILE\n";
    return 2;
  }
  const std::string reference = borgo::tools::description_reference_markdown();
  std::ifstream in(argv[1], std::ios::binary);
  if (in && std::string(std::istreambuf_iterator<char>(in), {}) == reference) return 0;
  in.close();
  try {
    borgo::storage::replace_file(argv[1], reference);
  } catch (const borgo::storage::FileError& failure) {
    std::cerr << failure.what() << "\n";
    return 1;
  }
  return 0;
}
