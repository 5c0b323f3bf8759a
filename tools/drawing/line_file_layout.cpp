#include "tools/drawing/line_file_layout.hpp"

#include <algorithm>
#include <bit>
#include <string>
#include <utility>

#include "compiler/compiled_layout.hpp"

namespace borgo::tools {
namespace {

using compiler::PlanValue;
using compiler::layout::plan_entry_bytes;

std::uint16_t type_code_at(const char* at) {
  return little_endian_at<compiler::layout::PlanTypeCode>(at);
}

bool known_type_code(std::uint16_t code) {
  return code == PlanValue::kUnset || code == PlanValue::kInt16 || code == PlanValue::kDouble;
}

}  // namespace

LineFileLayout::LineFileLayout(std::string_view bytes) : bytes_(bytes) {
  const char* const data = bytes.data();
  const std::size_t size = bytes.size();
  const auto cut_short = [&](std::size_t at) {
    problem_ =
        LayoutProblem{at, "entry " + std::to_string(entries_) +
                              " is cut short: the file ends at byte " + std::to_string(size)};
  };
  std::size_t at = 0;
  while (at < size) {
    if (size - at < sizeof(compiler::layout::PlanTypeCode)) {
      cut_short(at);
      break;
    }
    const std::uint16_t code = type_code_at(data + at);
    if (!known_type_code(code)) {
      problem_ = LayoutProblem{at, "entry " + std::to_string(entries_) + " has the type code " +
                                       std::to_string(code) + "; a line file knows 0, 2 and 5"};
      break;
    }
    const std::size_t width = plan_entry_bytes(code);
    if (size - at < width) {
      cut_short(at);
      break;
    }
    // The entries after it of the same type code, as far as they fit: only
    // their codes are compared, a few bytes apart, so the scan keeps pace
    // with the memory.
    PlanEntryRun run{static_cast<PlanValue::Tag>(code), entries_, 1, at};
    at += width;
    while (size - at >= width && type_code_at(data + at) == code) {
      at += width;
      ++run.count;
    }
    entries_ += run.count;
    runs_.push_back(run);
  }
  if (!problem_ && entries_ % 2 != 0) {
    problem_ = LayoutProblem{size, "the file holds " + std::to_string(entries_) +
                                       " entries, an odd number: its two coordinate "
                                       "columns cannot be of one length"};
  }
  if (!problem_ && entries_ == 0) problem_ = LayoutProblem{0, "the file is empty"};
}

LineFileLayout::LineFileLayout(std::string_view bytes, std::vector<PlanEntryRun> runs)
    : bytes_(bytes), runs_(std::move(runs)) {
  for (const PlanEntryRun& run : runs_) entries_ += run.count;
}

const PlanEntryRun& LineFileLayout::run_of(std::size_t entry) const {
  const auto after =
      std::upper_bound(runs_.begin(), runs_.end(), entry,
                       [](std::size_t e, const PlanEntryRun& run) { return e < run.first; });
  return *(after - 1);
}

std::size_t LineFileLayout::offset_of(std::size_t entry) const {
  if (entry >= entries_) {
    if (runs_.empty()) return 0;
    const PlanEntryRun& last = runs_.back();
    return last.offset + last.count * plan_entry_bytes(last.tag);
  }
  const PlanEntryRun& run = run_of(entry);
  return run.offset + (entry - run.first) * plan_entry_bytes(run.tag);
}

compiler::PlanValue LineFileLayout::value_at(PlanValue::Tag tag, std::size_t offset) const {
  const char* value = bytes_.data() + offset + sizeof(compiler::layout::PlanTypeCode);
  switch (tag) {
    case PlanValue::kInt16:
      return PlanValue::of_int16(static_cast<std::int16_t>(little_endian_at<std::uint16_t>(value)));
    case PlanValue::kDouble:
      return PlanValue::of_double(std::bit_cast<double>(little_endian_at<std::uint64_t>(value)));
    case PlanValue::kUnset:
      break;
  }
  return {};
}

compiler::PlanValue LineFileLayout::entry(std::size_t entry) const {
  const PlanEntryRun& run = run_of(entry);
  return value_at(run.tag, run.offset + (entry - run.first) * plan_entry_bytes(run.tag));
}

std::vector<compiler::PlanValue> LineFileLayout::decoded() const {
  std::vector<PlanValue> values;
  values.reserve(entries_);
  for (const PlanEntryRun& run : runs_) {
    const std::size_t width = plan_entry_bytes(run.tag);
    for (std::size_t i = 0; i < run.count; ++i) {
      values.push_back(value_at(run.tag, run.offset + i * width));
    }
  }
  return values;
}

std::size_t LineFileLayout::first_not(PlanValue::Tag tag, std::size_t first,
                                      std::size_t end) const {
  if (first >= end) return end;
  auto run = runs_.begin() + (&run_of(first) - runs_.data());
  for (; run != runs_.end() && run->first < end; ++run) {
    if (run->tag != tag) return std::max(first, run->first);
  }
  return end;
}

}  // namespace borgo::tools
