#include "compiler/contest_codes.hpp"

#include <string_view>

#include "compiler/error_catalog.hpp"
#include "compiler/numeric.hpp"
#include "compiler/record_roles.hpp"

namespace borgo::compiler {
namespace {

constexpr std::string_view kFiller = "zzvvuuttssrrqqppzzvvuuttss";
constexpr std::size_t kCountedCharacters = 25;

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
  text = TrainItem(model.items[kTrainRecord]).name();
  text += LineItem(model.items[kLineRecord]).name();
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
  const LineItem line(model.items[kLineRecord]);
  CellRecord& cell = cell_at(model, kContestCell);
  if (line.contest_stamp() != 0 || contest_stamp(cell) != 0) return error::kStampFieldsInUse;
  line.contest_stamp() = kItemContestStamp;
  contest_stamp(cell) = kCellContestStamp;
  if (line.weighted_contest_code() != 0 || plain_contest_code(cell) != 0) {
    return error::kCodeFieldsInUse;
  }
  line.weighted_contest_code() = codice_gara_st(model);
  plain_contest_code(cell) = codice_gara_og(model);
  return 0;
}

}  // namespace borgo::compiler
