#include "tools/decompile/rows/general_rows.hpp"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "compiler/record_roles.hpp"

namespace borgo::tools::decompile {
namespace {

using namespace compiler;

constexpr std::array<ItemField, 16> kAllItemFields{
    ItemField::kKind,  ItemField::kStart, ItemField::kEnd,   ItemField::kPosition,
    ItemField::kFlag,  ItemField::kText,  ItemField::kInt1,  ItemField::kInt2,
    ItemField::kInt3,  ItemField::kInt4,  ItemField::kInt5,  ItemField::kByte1,
    ItemField::kByte2, ItemField::kByte3, ItemField::kByte4, ItemField::kSeconds};

ProgressiveRow as_read(const ItemRecord& item) {
  const ProgressiveItem change(item);
  return {change.position(), change.value(), change.flag()};
}

bool is_zero(const ProgressiveRow& row) {
  return row.position == 0 && row.value == 0 && row.flag == 0;
}

// The three changes as the ordering left them (items 81, 82, 83) back to
// rows "tre", "due" and "uno" that it orders into them.
std::array<std::optional<ProgressiveRow>, 3> recover_progressives(const CompiledScenario& s) {
  std::array<ProgressiveRow, 3> out{};
  for (int i = 0; i < 3; ++i) {
    const int index = kProgressiveFar + i;
    require_only(s, index, {ItemField::kStart, ItemField::kEnd, ItemField::kPosition});
    ProgressiveRow row = as_read(s.items[static_cast<std::size_t>(index)]);
    // The flag 1 raised the value by 100.
    if (row.flag == 1) {
      const std::int64_t written = std::int64_t{row.value} - kProgressiveFlagRaise;
      if (written < std::numeric_limits<std::int32_t>::min()) {
        s.item_misfit(index, ItemField::kEnd,
                      "the flag 1 raises a value by 100, and " + std::to_string(row.value) +
                          " is no 32-bit value so raised");
      }
      row.value = static_cast<std::int32_t>(written);
    }
    out[static_cast<std::size_t>(i)] = row;
  }
  const ProgressiveRow& far = out[0];
  const ProgressiveRow& mid = out[1];
  const ProgressiveRow& near = out[2];
  std::array<std::optional<ProgressiveRow>, 3> rows;
  if (is_zero(far) && is_zero(mid) && is_zero(near)) return rows;
  const std::int64_t sum = std::int64_t{far.position} + mid.position + near.position;
  if (sum < std::numeric_limits<std::int32_t>::min() ||
      sum > std::numeric_limits<std::int32_t>::max()) {
    s.item_misfit(kProgressiveFar, ItemField::kStart,
                  "the three positions add up to " + std::to_string(sum) +
                      ", which overflows the ordering's 32-bit sum");
  }
  if (sum != 0) {
    // Ordered by position, furthest first; two equal smaller positions put
    // the row read last ("uno") in the middle.
    if (!(far.position > mid.position && mid.position >= near.position)) {
      s.item_misfit(kProgressiveFar, ItemField::kStart,
                    "the changes are not in the order the ordering leaves them: positions " +
                        std::to_string(far.position) + ", " + std::to_string(mid.position) + ", " +
                        std::to_string(near.position) + " must fall from item 81 to 83");
    }
    if (mid.position == near.position) {
      rows = {far, near, mid};
    } else {
      rows = {far, mid, near};
    }
  } else {
    // With no positions to order by, the last row with a value above 0 comes first.
    if (far.value <= 0) {
      s.item_misfit(kProgressiveFar, ItemField::kEnd,
                    "with positions that add up to 0 the ordering puts first a change whose "
                    "value is above 0, and this one's is " +
                        std::to_string(far.value));
    }
    rows = {near, mid, far};
  }
  for (auto& row : rows) {
    if (row && is_zero(*row)) row.reset();
  }
  return rows;
}

std::optional<RepetitionRow> recover_repetition(const CompiledScenario& s,
                                                std::vector<Unrecovered>& unrecovered) {
  const TrainItem train(std::as_const(s.items[kTrainRecord]));
  const std::int32_t from = train.repetition_start();
  const std::int32_t to = train.repetition_end();
  const std::int32_t codes = train.repetition_codes();
  if (from % 50 != 0) {
    s.item_misfit(kTrainRecord, ItemField::kStart,
                  "the signal repetition starts at " + std::to_string(from) +
                      " m, off the 50 m grid: the compile stops reading there");
  }
  if (to % 50 != 0) {
    s.item_misfit(kTrainRecord, ItemField::kEnd,
                  "the signal repetition ends at " + std::to_string(to) +
                      " m, off the 50 m grid: the compile stops reading there");
  }
  if (codes == 0) {
    if (to != 0) {
      s.item_misfit(kTrainRecord, ItemField::kPosition,
                    "no code count, but the repetition ends at " + std::to_string(to) + " m");
    }
    if (from == 0) return std::nullopt;
    unrecovered.push_back({"signal repetition codes",
                           "a repetition that ends at 0 keeps no code count; 9 is written"});
    return RepetitionRow{9, from, to};
  }
  if (codes != 4 && codes != 9) {
    s.item_misfit(kTrainRecord, ItemField::kPosition,
                  "the code count is " + std::to_string(codes) + "; a row names 4 or 9");
  }
  if (to == 0) {
    s.item_misfit(
        kTrainRecord, ItemField::kPosition,
        "a repetition that ends at 0 keeps the code count 0, not " + std::to_string(codes));
  }
  return RepetitionRow{codes, from, to};
}

}  // namespace

std::int64_t item_field_value(const ItemRecord& item, ItemField field) {
  switch (field) {
    case ItemField::kKind:
      return item.kind;
    case ItemField::kStart:
      return item.start;
    case ItemField::kEnd:
      return item.end;
    case ItemField::kPosition:
      return item.position;
    case ItemField::kFlag:
      return item.flag;
    case ItemField::kText:
      return static_cast<std::int64_t>(item.text.size());
    case ItemField::kInt1:
      return item.int1;
    case ItemField::kInt2:
      return item.int2;
    case ItemField::kInt3:
      return item.int3;
    case ItemField::kInt4:
      return item.int4;
    case ItemField::kInt5:
      return item.int5;
    case ItemField::kByte1:
      return item.byte1;
    case ItemField::kByte2:
      return item.byte2;
    case ItemField::kByte3:
      return item.byte3;
    case ItemField::kByte4:
      return item.byte4;
    case ItemField::kSeconds:
      return item.seconds;
  }
  return 0;
}

void require_only(const CompiledScenario& s, int index, std::initializer_list<ItemField> written) {
  const ItemRecord& item = s.items[static_cast<std::size_t>(index)];
  for (const ItemField field : kAllItemFields) {
    if (std::find(written.begin(), written.end(), field) != written.end()) continue;
    if (item_field_value(item, field) != 0) {
      s.item_misfit(index, field,
                    field == ItemField::kText
                        ? "holds a text where the compile writes none"
                        : "holds " + std::to_string(item_field_value(item, field)) +
                              " where the compile writes nothing");
    }
  }
}

void recover_general_rows(const CompiledScenario& s, LineRows& line, TrainRows& train,
                          std::vector<Unrecovered>& unrecovered) {
  require_only(s, 0, {});
  require_only(s, kTrainAndLength, {ItemField::kStart, ItemField::kEnd, ItemField::kPosition});
  require_only(s, kLineRecord,
               {ItemField::kStart, ItemField::kEnd, ItemField::kPosition, ItemField::kText,
                ItemField::kInt1, ItemField::kSeconds});
  require_only(s, kTrainRecord,
               {ItemField::kStart, ItemField::kEnd, ItemField::kPosition, ItemField::kText,
                ItemField::kInt1, ItemField::kInt3, ItemField::kInt4, ItemField::kInt5});

  line.length = s.line_length;
  line.progressives = recover_progressives(s);
  const LineItem background(std::as_const(s.items[kLineRecord]));
  line.background_uno = background.background_uno();
  line.background_due = background.background_due();
  line.background_tre = background.background_tre();
  line.repetition = recover_repetition(s, unrecovered);

  const TrainAndLengthItem general(std::as_const(s.items[kTrainAndLength]));
  train.cars = general.cars();
  train.braked_mass = general.braked_mass();
  const TrainItem train_item(std::as_const(s.items[kTrainRecord]));
  train.sand = train_item.sand();
  train.clock = {static_cast<std::int16_t>(train_item.clock_hours()),
                 static_cast<std::int16_t>(train_item.clock_minutes()),
                 static_cast<std::int16_t>(train_item.clock_seconds())};
}

}  // namespace borgo::tools::decompile
