#include "compiler/contest_codes.hpp"

#include <string_view>

#include "compiler/error_catalog.hpp"
#include "compiler/numeric.hpp"

namespace borgo::compiler {
namespace {

constexpr std::string_view kFiller = "zzvvuuttssrrqqppzzvvuuttss";
constexpr std::size_t kCountedCharacters = 25;
constexpr std::int16_t kItemStamp = 610;
constexpr std::int16_t kCellStamp = 5121;

// Windows-1252 lower case: A-Z, the accented capitals and the four capitals
// whose small letters lie elsewhere in the code page.
unsigned char lower_1252(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  switch (c) {
    case 0x8A:
      return 0x9A;  // S caron
    case 0x8C:
      return 0x9C;  // OE
    case 0x8E:
      return 0x9E;  // Z caron
    case 0x9F:
      return 0xFF;  // Y diaeresis
    default:
      return c;
  }
}

const std::string& work_string(RouteModel& model) {
  std::string& text = model.text_line;
  text = model.items[kTrainRecord].text;
  text += model.items[kLineRecord].text;
  for (char& c : text) c = static_cast<char>(lower_1252(static_cast<unsigned char>(c)));
  text += kFiller;
  return text;
}

std::int16_t code_of(char c) { return static_cast<std::int16_t>(static_cast<unsigned char>(c)); }

}  // namespace

std::int16_t codice_gara_og(RouteModel& model) {
  const std::string& text = work_string(model);
  std::int16_t sum = 0;
  for (std::size_t p = 0; p < kCountedCharacters; ++p)
    sum = static_cast<std::int16_t>(sum + code_of(text[p]));
  return sum;
}

std::int32_t codice_gara_st(RouteModel& model) {
  const std::string& text = work_string(model);
  std::int32_t sum = 0;
  for (std::size_t p = 0; p < kCountedCharacters; ++p) {
    sum += static_cast<std::int32_t>(p + 1) * code_of(text[p]);
  }
  return sum;
}

std::int32_t stamp_contest_codes(RouteModel& model) {
  ItemRecord& line = model.items[kLineRecord];
  CellRecord& first = cell_at(model, 1);
  if (line.int1 != 0 || first.value1 != 0) return error::kStampFieldsInUse;
  line.int1 = kItemStamp;
  first.value1 = kCellStamp;
  if (line.seconds != 0 || first.value2 != 0) return error::kCodeFieldsInUse;
  line.seconds = codice_gara_st(model);
  first.value2 = codice_gara_og(model);
  return 0;
}

}  // namespace borgo::compiler
