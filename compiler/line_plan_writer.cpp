#include "compiler/line_plan_writer.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <vector>

#include "compiler/compiled_layout.hpp"

namespace borgo::compiler {
namespace {

constexpr std::size_t kDoubleEntry = layout::plan_entry_bytes(PlanValue::kDouble);

// The metres of one coordinate: the origin's two when it is placed, the
// metres of the runs, and the metres never set.
struct PlanCounts {
  std::uint64_t origin = 0;
  std::uint64_t walked = 0;
  std::uint64_t unset = 0;
};

PlanCounts count_plan(const LinePlan& plan) {
  PlanCounts counts;
  std::int64_t set = 0;
  if (plan.reached() >= 2) {
    counts.origin = 2;
    set = plan.reached();
    counts.walked = static_cast<std::uint64_t>(set - 2);
  }
  counts.unset = static_cast<std::uint64_t>(plan.metres() - set);
  return counts;
}

// The bytes of one coordinate's entries: the file holds two.
std::uint64_t coordinate_bytes(const PlanCounts& counts) {
  return counts.origin * layout::plan_entry_bytes(PlanValue::kInt16) +
         counts.walked * layout::plan_entry_bytes(PlanValue::kDouble) +
         counts.unset * layout::plan_entry_bytes(PlanValue::kUnset);
}

void put_int16_entry(ChunkWriter& out, std::int16_t value) {
  char* at = out.claim(layout::plan_entry_bytes(PlanValue::kInt16));
  at = store_le(at, layout::PlanTypeCode{PlanValue::kInt16});
  store_le(at, static_cast<std::uint16_t>(value));
}

void put_unset_entries(ChunkWriter& out, std::uint64_t n) {
  for (std::uint64_t m = 0; m < n; ++m) {
    store_le(out.claim(layout::plan_entry_bytes(PlanValue::kUnset)),
             layout::PlanTypeCode{PlanValue::kUnset});
  }
}

void store_double_entry(char* at, double value) {
  at = store_le(at, layout::PlanTypeCode{PlanValue::kDouble});
  store_le(at, std::bit_cast<std::uint64_t>(value));
}

// Each metre follows from the two before it, so one walk is a chain of
// dependent sums that goes no faster than their latency. The first
// coordinates are written from one walk, which notes where it stands at the
// start of each stretch the second coordinates are cut into. Those are then
// walked again from the notes, kLanes stretches side by side, so that their
// chains overlap; each metre still takes the same steps from the same
// values, and the bytes are those of a single walk. Three lanes keep their
// twelve coordinates and three turns in the sixteen registers of the
// baseline x86-64; four spill them.
constexpr std::size_t kLanes = 3;

// Where a walk stands: the metres before `metre` are set, and `metre`
// belongs to runs[run].
struct WalkNote {
  PlanWalk walk;
  std::size_t run = 0;
  std::int32_t metre = 0;
};

// Walked metres [first, first + length), counted from the first walked one.
struct Stretch {
  std::uint64_t first = 0;
  std::size_t length = 0;
};

// The second coordinates' stretches, kLanes a group: each group holds the
// entries that begin in one chunk of the file, from `first_offset` on, cut
// into kLanes stretches (some empty when a group has fewer entries), so that
// a group made in place fills its chunk and runs past it by less than an
// entry.
std::vector<Stretch> second_coordinate_stretches(std::uint64_t walked, std::uint64_t first_offset) {
  std::vector<Stretch> stretches;
  stretches.reserve(
      static_cast<std::size_t>(kLanes * (walked * kDoubleEntry / ChunkWriter::kChunk + 2)));
  for (std::uint64_t first = 0; first < walked;) {
    const std::uint64_t offset = first_offset + first * kDoubleEntry;
    const std::uint64_t to_chunk_end = ChunkWriter::kChunk - offset % ChunkWriter::kChunk;
    const std::uint64_t n =
        std::min(walked - first, (to_chunk_end + kDoubleEntry - 1) / kDoubleEntry);
    const std::uint64_t lane = (n + kLanes - 1) / kLanes;
    for (std::uint64_t g = 0; g < kLanes; ++g) {
      const std::uint64_t begin = std::min(n, g * lane);
      stretches.push_back(
          {first + begin, static_cast<std::size_t>(std::min(n, begin + lane) - begin)});
    }
    first += n;
  }
  return stretches;
}

// Walks n metres from `at` with the walk's state kept in locals, and hands
// each metre's walk to `put`.
template <typename Put>
void walk_on(WalkNote& at, std::size_t n, const std::vector<LinePlan::Run>& runs, Put put) {
  PlanWalk walk = at.walk;
  std::size_t run = at.run;
  std::int32_t metre = at.metre;
  for (std::size_t i = 0; i < n; ++i, ++metre) {
    if (metre > runs[run].last) ++run;
    walk.step(runs[run].k);
    put(walk);
  }
  at = {walk, run, metre};
}

// Writes the first coordinates; returns the walk's note at the start of
// each of `stretches`, which follow each other from the first walked metre
// to the last.
std::vector<WalkNote> write_first_coordinates(const std::vector<LinePlan::Run>& runs,
                                              const std::vector<Stretch>& stretches,
                                              ChunkWriter& out) {
  std::vector<WalkNote> notes;
  notes.reserve(stretches.size());
  WalkNote at{PlanWalk{}, 0, runs.empty() ? 0 : runs.front().first};
  for (const Stretch& stretch : stretches) {
    notes.push_back(at);
    // Claimed up to the chunk's end at a time (the last entry may run past
    // it), so that no call interrupts a walk whose state would then leave
    // the registers.
    for (std::size_t left = stretch.length; left > 0;) {
      const std::size_t block = std::min(left, (out.room() + kDoubleEntry - 1) / kDoubleEntry);
      char* entry = out.claim(block * kDoubleEntry);
      walk_on(at, block, runs, [&](const PlanWalk& walk) {
        store_double_entry(entry, walk.x());
        entry += kDoubleEntry;
      });
      left -= block;
    }
  }
  return notes;
}

// One stretch of second coordinates being walked.
struct Lane {
  WalkNote at;
  std::size_t left = 0;  // metres of the stretch still to walk
  char* out = nullptr;
};

// Steps every lane n metres, all inside their current runs.
void step_abreast(std::array<Lane, kLanes>& lanes, std::size_t n,
                  const std::vector<LinePlan::Run>& runs) {
  std::array<PlanWalk, kLanes> walks;
  std::array<double, kLanes> k;
  std::array<char*, kLanes> out;
  for (std::size_t g = 0; g < kLanes; ++g) {
    walks[g] = lanes[g].at.walk;
    k[g] = runs[lanes[g].at.run].k;
    out[g] = lanes[g].out;
  }
  for (std::size_t i = 0; i < n; ++i) {
#pragma GCC unroll 4
    for (std::size_t g = 0; g < kLanes; ++g) {
      walks[g].step(k[g]);
      store_double_entry(out[g] + i * kDoubleEntry, walks[g].y());
    }
  }
  for (std::size_t g = 0; g < kLanes; ++g) {
    lanes[g].at.walk = walks[g];
    lanes[g].at.metre += static_cast<std::int32_t>(n);
    lanes[g].left -= n;
    lanes[g].out += n * kDoubleEntry;
  }
}

// Steps one lane to the end of its stretch.
void step_alone(Lane& lane, const std::vector<LinePlan::Run>& runs) {
  char* out = lane.out;
  walk_on(lane.at, lane.left, runs, [&](const PlanWalk& walk) {
    store_double_entry(out, walk.y());
    out += kDoubleEntry;
  });
  lane.out = out;
  lane.left = 0;
}

void write_second_coordinates(const std::vector<LinePlan::Run>& runs,
                              const std::vector<Stretch>& stretches,
                              const std::vector<WalkNote>& notes, ChunkWriter& out) {
  for (std::size_t first = 0; first < stretches.size(); first += kLanes) {
    std::array<Lane, kLanes> lanes;
    std::size_t entries = 0;
    for (std::size_t g = 0; g < kLanes; ++g) {
      lanes[g].at = notes[first + g];
      lanes[g].left = stretches[first + g].length;
      entries += lanes[g].left;
    }
    // The group's stretches follow each other in the file.
    char* room = out.claim(entries * kDoubleEntry);
    for (Lane& lane : lanes) {
      lane.out = room;
      room += lane.left * kDoubleEntry;
    }
    // Side by side while every lane has metres left in its stretch.
    while (std::all_of(lanes.begin(), lanes.end(), [](const Lane& l) { return l.left > 0; })) {
      std::size_t n = lanes.front().left;
      for (Lane& lane : lanes) {
        if (lane.at.metre > runs[lane.at.run].last) ++lane.at.run;
        const auto in_run = static_cast<std::size_t>(runs[lane.at.run].last - lane.at.metre + 1);
        n = std::min({n, lane.left, in_run});
      }
      step_abreast(lanes, n, runs);
    }
    for (Lane& lane : lanes) step_alone(lane, runs);
  }
}

}  // namespace

std::uint64_t line_plan_bytes(const LinePlan& plan) {
  return 2 * coordinate_bytes(count_plan(plan));
}

void write_line_plan(const LinePlan& plan, ChunkWriter& out) {
  const PlanCounts counts = count_plan(plan);
  if (counts.origin == 0) {
    put_unset_entries(out, 2 * counts.unset);
    return;
  }
  // Where the second coordinates' doubles begin: after the first
  // coordinate and the second's origin.
  const std::uint64_t second_offset = out.position() + coordinate_bytes(counts) +
                                      counts.origin * layout::plan_entry_bytes(PlanValue::kInt16);
  const std::vector<Stretch> stretches = second_coordinate_stretches(counts.walked, second_offset);
  put_int16_entry(out, 0);
  put_int16_entry(out, 0);
  const std::vector<WalkNote> notes = write_first_coordinates(plan.runs(), stretches, out);
  put_unset_entries(out, counts.unset);
  put_int16_entry(out, 0);
  put_int16_entry(out, 1);
  write_second_coordinates(plan.runs(), stretches, notes, out);
  put_unset_entries(out, counts.unset);
}

}  // namespace borgo::compiler
