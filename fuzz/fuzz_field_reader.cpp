// Any bytes read as fields of any kind: the reader either yields a field or
// reports a run-time failure, and never reads outside the document.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "compiler/field_reader.hpp"
#include "compiler/runtime_failure.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the kinds of field to read, two bits each.
  const std::uint8_t kinds = data[0];
  const std::string_view document(reinterpret_cast<const char*>(data + 1), size - 1);
  borgo::compiler::FieldReader reader(document);
  try {
    for (int i = 0; !reader.at_end(); ++i) {
      switch ((kinds >> (2 * (i % 4))) & 3) {
        case 0:
          (void)reader.read_text();
          break;
        case 1:
          (void)reader.read_i32();
          break;
        case 2:
          (void)reader.read_i16();
          break;
        default:
          (void)reader.read_u8();
          break;
      }
    }
  } catch (const borgo::compiler::RuntimeFailure&) {
  }
  return 0;
}
