#pragma once

#include <initializer_list>
#include <vector>

#include "tools/decompile/compiled_scenario.hpp"
#include "tools/decompile/description_rows.hpp"

namespace borgo::tools::decompile {

// A field of an item as a number; the text as its length.
std::int64_t item_field_value(const compiler::ItemRecord& item, ItemField field);

// Every field of item `index` but `written` must be 0: the compile sets no other.
void require_only(const CompiledScenario& s, int index, std::initializer_list<ItemField> written);

// Items 81 to 86: the line's length, kilometre-progressive changes,
// background and signal repetition, and the train's cars, braked mass, sand
// and clock. Throws MisfitFound.
void recover_general_rows(const CompiledScenario& s, LineRows& line, TrainRows& train,
                          std::vector<Unrecovered>& unrecovered);

}  // namespace borgo::tools::decompile
