// The decompiler on arbitrary bytes as the three compiled files of the
// scenario "L" "T". Whenever it gives descriptions, they must compile back
// to exactly those bytes; otherwise it must say where and why.
//
// Input: a first byte whose bit 0 says that a line file is given; the
// train file's length and, with a line file, the line file's, each 4 bytes
// little-endian; then the train file, the line file and, in the bytes
// left, the cell file. A length past the input's end takes what is left.
#include <cstdlib>
#include <string_view>

#include "tools/decompile/decompile.hpp"
#include "tools/decompile/round_trip_check.hpp"

namespace {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size)
      : bytes_(reinterpret_cast<const char*>(data), size) {}

  std::uint8_t byte() {
    if (bytes_.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(bytes_.front());
    bytes_.remove_prefix(1);
    return b;
  }
  std::size_t length() {
    std::size_t n = 0;
    for (int i = 0; i < 4; ++i) n |= std::size_t{byte()} << (8 * i);
    return n;
  }
  std::string_view take(std::size_t n) {
    const std::string_view part = bytes_.substr(0, n);
    bytes_.remove_prefix(part.size());
    return part;
  }
  std::string_view rest() { return take(bytes_.size()); }

 private:
  std::string_view bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace borgo::tools::decompile;
  Input in(data, size);
  const bool with_line_file = (in.byte() & 1) != 0;
  const std::size_t train_length = in.length();
  const std::size_t line_length = with_line_file ? in.length() : 0;
  CompiledInput files{"L", "T", std::nullopt, {}, {}};
  files.train_file = in.take(train_length);
  if (with_line_file) files.line_file = in.take(line_length);
  files.cell_file = in.rest();

  const Decompilation result = decompile(files);
  if (result.descriptions.has_value() == result.misfit.has_value()) std::abort();
  if (result.misfit) {
    if (result.misfit->reason.empty() || !result.unrecovered.empty()) std::abort();
    return 0;
  }
  if (!check_round_trip(files, *result.descriptions).exact()) std::abort();
  return 0;
}
