#pragma once

// Shared by the fuzz targets: how an input becomes documents, and the checks
// every compile must pass whatever its input.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "compiler/error_catalog.hpp"
#include "storage/byte_sink.hpp"

namespace borgo::fuzz {

// Splits an input at its first NUL byte: the line description before it, the
// train description after it (a fixed small one when there is no NUL).
inline std::pair<std::string_view, std::string_view> split_documents(const std::uint8_t* data,
                                                                     std::size_t size) {
  static constexpr std::string_view kDefaultTrain =
      "[generale]\r\nvelocita, 0, 30\r\nsegnale, 1050, 2,4,1,1,0,2,2,1,1,210\r\n[fine]\r\n";
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  if (nul == std::string_view::npos) return {input, kDefaultTrain};
  return {input.substr(0, nul), input.substr(nul + 1)};
}

// A recorded error number is always one the catalog knows.
inline void require_known_error(std::int32_t number) {
  if (number != 0 && compiler::find_error(number) == nullptr) std::abort();
}

// Counts what a compiled file writes, without keeping it.
class CountingSink final : public storage::ByteSink {
 public:
  void write(std::string_view chunk) override { bytes_ += chunk.size(); }
  std::uint64_t bytes() const { return bytes_; }

 private:
  std::uint64_t bytes_ = 0;
};

}  // namespace borgo::fuzz
