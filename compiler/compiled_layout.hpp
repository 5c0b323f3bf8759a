#pragma once

// The layouts of the three compiled files, in one place for the writer and
// for every reader of the files: headerless little-endian records, no gaps,
// 16- and 32-bit integers in two's complement.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>
#include <tuple>
#include <type_traits>

#include "compiler/numeric.hpp"
#include "compiler/route_model.hpp"

namespace borgo::compiler::layout {

// One fixed-width field of a record, stored as the member's own width.
template <auto Member>
struct Field {
  static constexpr auto kMember = Member;
  std::string_view name;
};

template <typename Pointer>
struct MemberOf;
template <typename Record, typename Type>
struct MemberOf<Type Record::*> {
  using RecordType = Record;
  using FieldType = Type;
};

template <typename F>
using FieldType = typename MemberOf<std::remove_const_t<decltype(F::kMember)>>::FieldType;

// Calls `visit(field)` for each field of `fields`, in file order.
template <typename Fields, typename Visit>
constexpr void for_each_field(const Fields& fields, Visit&& visit) {
  std::apply([&](const auto&... field) { (visit(field), ...); }, fields);
}

template <typename Fields>
constexpr std::size_t bytes_of(const Fields& fields) {
  return std::apply(
      [](const auto&... field) {
        return (std::size_t{0} + ... + sizeof(FieldType<std::remove_cvref_t<decltype(field)>>));
      },
      fields);
}

// The cell file (<line>_<train>.dat): cells 0 to cell_last, each these fields.
inline constexpr std::tuple kCellFields{
    Field<&CellRecord::kind>{"kind"},
    Field<&CellRecord::value1>{"value1"},
    Field<&CellRecord::value2>{"value2"},
    Field<&CellRecord::value3>{"value3"},
    Field<&CellRecord::value4>{"value4"},
    Field<&CellRecord::signal_time>{"signal_time"},
    Field<&CellRecord::approach_mark>{"approach_mark"},
    Field<&CellRecord::mountain_type>{"mountain_type"},
    Field<&CellRecord::speed_code>{"speed_code"},
    Field<&CellRecord::gradient_code>{"gradient_code"},
    Field<&CellRecord::adhesion>{"adhesion"},
};
inline constexpr std::size_t kCellBytes = bytes_of(kCellFields);
static_assert(kCellBytes == 15);

// The train file (<line>_<train>.sim): items 0 to 86, each its fields before
// the text, the text as a 16-bit length and its single-byte characters, then
// its fields after the text. Records vary in length with their texts.
inline constexpr std::tuple kItemFieldsBeforeText{
    Field<&ItemRecord::kind>{"kind"}, Field<&ItemRecord::start>{"start"},
    Field<&ItemRecord::end>{"end"},   Field<&ItemRecord::position>{"position"},
    Field<&ItemRecord::flag>{"flag"},
};
using TextLength = std::uint16_t;
inline constexpr std::tuple kItemFieldsAfterText{
    Field<&ItemRecord::int1>{"int1"},   Field<&ItemRecord::int2>{"int2"},
    Field<&ItemRecord::int3>{"int3"},   Field<&ItemRecord::int4>{"int4"},
    Field<&ItemRecord::int5>{"int5"},   Field<&ItemRecord::byte1>{"byte1"},
    Field<&ItemRecord::byte2>{"byte2"}, Field<&ItemRecord::byte3>{"byte3"},
    Field<&ItemRecord::byte4>{"byte4"}, Field<&ItemRecord::seconds>{"seconds"},
};
inline constexpr std::size_t kItemBytesWithoutText =
    bytes_of(kItemFieldsBeforeText) + sizeof(TextLength) + bytes_of(kItemFieldsAfterText);
static_assert(kItemBytesWithoutText == 34);

// The line file (<line>_linea.dat): every metre's first coordinate, then
// every metre's second, each entry a 16-bit type code (PlanValue::Tag) and
// the value it announces.
using PlanTypeCode = std::uint16_t;
constexpr std::size_t plan_value_bytes(std::uint16_t type_code) {
  return type_code == PlanValue::kDouble ? 8 : type_code == PlanValue::kInt16 ? 2 : 0;
}
constexpr std::size_t plan_entry_bytes(std::uint16_t type_code) {
  return sizeof(PlanTypeCode) + plan_value_bytes(type_code);
}

// The largest file of each layout: that of the longest line the model takes,
// every text as long as its length field can tell. A larger file is no
// compiled file, whatever it holds, and its size alone says so.
inline std::size_t most_cells() {
  return static_cast<std::size_t>(grid_cell_last(kLongestLine)) + 1;
}
inline std::size_t largest_cell_file() { return most_cells() * kCellBytes; }

inline constexpr std::size_t kLongestItemText = std::numeric_limits<TextLength>::max();
inline constexpr std::size_t kLargestTrainFile =
    std::size_t{kItemCount} * (kItemBytesWithoutText + kLongestItemText);

inline constexpr std::size_t kMostPlanMetres =
    static_cast<std::size_t>(plan_metre_last(kLongestLine)) + 1;
inline constexpr std::size_t kLargestPlanEntry =
    std::max({plan_entry_bytes(PlanValue::kUnset), plan_entry_bytes(PlanValue::kInt16),
              plan_entry_bytes(PlanValue::kDouble)});
// Two coordinates a metre.
inline constexpr std::size_t kLargestLineFile = 2 * kMostPlanMetres * kLargestPlanEntry;

}  // namespace borgo::compiler::layout
