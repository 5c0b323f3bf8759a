#include "tools/decompile/rows/mountain_rows.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "compiler/placement.hpp"

namespace borgo::tools::decompile {
namespace {

using compiler::CellRecord;
using compiler::MountainRow;

constexpr std::size_t kMostRanges = compiler::kMountainSlots - 1;
// A range that begins this close after the previous row's end takes type 3.
constexpr std::int64_t kJoiningGap = 150;
constexpr std::uint8_t kJoinedType = 3;
// Every fourth cell of a range with markers, counted from its first.
constexpr std::int32_t kMarkerStep = 4;

enum class Marker : std::uint8_t {
  kPresent,  // kind 11: a range left a marker here
  kAbsent,   // kind 0: no range may leave one
  kHidden,   // a later feature stands here: a marker may have been under it
};

// A range of cells with one montagna type, with or without markers.
struct Segment {
  std::int32_t first = 0;
  std::int32_t last = 0;
  std::uint8_t type = 0;
  bool markers = false;
};

class MountainRebuild {
 public:
  explicit MountainRebuild(const CompiledScenario& s) : s_(s) {
    const std::size_t n = s.cells.size();
    state_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint8_t kind = s.cells[i].kind;
      state_[i] = kind == compiler::kMountainMarker ? Marker::kPresent
                  : kind == compiler::kEmpty        ? Marker::kAbsent
                                                    : Marker::kHidden;
    }
  }

  std::uint8_t type(std::int32_t i) const {
    return s_.cells[static_cast<std::size_t>(i)].mountain_type;
  }
  Marker state(std::int32_t i) const { return state_[static_cast<std::size_t>(i)]; }
  std::int32_t last_cell() const { return s_.cell_last; }

  // The rows of the segments in order, with an empty range before each one
  // that would otherwise take type 3 against its wish; nullopt when a row
  // cannot be written or there are too many.
  std::optional<std::vector<MountainRow>> rows_of(const std::vector<Segment>& segments,
                                                  std::size_t& joined) const;
  // True when the rows stamp exactly the file's types and markers.
  bool reproduces(const std::vector<MountainRow>& rows) const;

  std::optional<std::vector<Segment>> side_by_side() const;
  std::optional<std::vector<Segment>> layered() const;

 private:
  bool segments_of_run(std::int32_t a, std::int32_t b, std::vector<Segment>& out) const;
  bool marker_chains(std::int32_t from, std::int32_t to, bool within_type_0,
                     std::vector<Segment>& out) const;

  const CompiledScenario& s_;
  std::vector<Marker> state_;
};

std::int32_t tipo_for(std::uint8_t type, bool markers) {
  if (markers) return type == 0 ? 266 : type + 10;  // above 10: markers, type - 10
  return type <= 10 ? type : type - 256;            // the low 8 bits are the type
}

// The latest start and the earliest end a range of these cells may be
// given: the widest gap to its neighbours.
std::int32_t latest_inizio(std::int32_t first) {
  std::int32_t best = 50 * first;
  for (std::int32_t x = 50 * first; x <= 50 * first + 25; ++x) {
    if (compiler::mountain_cells(x, 0).first == first) best = x;
  }
  return best;
}
std::int32_t earliest_fine(std::int32_t last) {
  std::int32_t best = 50 * (last + 1);
  for (std::int32_t y = 50 * (last + 1); y >= 50 * (last + 1) - 25; --y) {
    if (compiler::mountain_cells(0, y).last == last) best = y;
  }
  return best;
}

std::optional<std::vector<MountainRow>> MountainRebuild::rows_of(
    const std::vector<Segment>& segments, std::size_t& joined) const {
  std::vector<MountainRow> rows;
  joined = 0;
  const double grid_end = static_cast<double>(s_.cell_last);
  for (std::size_t k = 0; k < segments.size(); ++k) {
    const Segment& seg = segments[k];
    MountainRow row{50 * seg.first, 50 * (seg.last + 1), tipo_for(seg.type, seg.markers)};
    if (!rows.empty() && row.inizio - rows.back().fine <= kJoiningGap) {
      if (seg.type == kJoinedType) {
        ++joined;
      } else {
        // Widen the gap as far as the cells allow, or put an empty range in between.
        MountainRow& previous = rows.back();
        const std::int32_t wider_fine =
            previous.fine == 0
                ? 0
                : earliest_fine(compiler::mountain_cells(previous.inizio, previous.fine).last);
        const std::int32_t wider_inizio = latest_inizio(seg.first);
        if (wider_inizio - wider_fine > kJoiningGap) {
          previous.fine = wider_fine;
          row.inizio = wider_inizio;
        } else if (wider_inizio > kJoiningGap) {
          // An empty range in between ends at 0.
          if (row.inizio <= kJoiningGap) row.inizio = wider_inizio;
          rows.push_back({0, 0, 0});
        } else {
          return std::nullopt;
        }
      }
    }
    rows.push_back(row);
  }
  if (rows.size() > kMostRanges) return std::nullopt;
  // A range that begins within 100 m of the grid's end stops the reading.
  for (const MountainRow& row : rows) {
    if (grid_end < (row.inizio + 100) / 50.0) return std::nullopt;
  }
  return rows;
}

bool MountainRebuild::reproduces(const std::vector<MountainRow>& rows) const {
  compiler::RouteModel model;
  model.cell_last = s_.cell_last;
  model.cells.assign(s_.cells.size(), CellRecord{});
  for (MountainRow row : rows) {
    compiler::memo_montagna(model, row);
    if (model.error_number != 0) return false;
  }
  for (std::size_t i = 0; i < s_.cells.size(); ++i) {
    const CellRecord& made = model.cells[i];
    if (made.mountain_type != s_.cells[i].mountain_type) return false;
    const bool marker = made.kind == compiler::kMountainMarker;
    if (marker && state_[i] == Marker::kAbsent) return false;
    if (!marker && state_[i] == Marker::kPresent) return false;
  }
  return true;
}

// Markers in cells [from, to], each chain of them one phase apart in one
// range that begins three cells before its first; with `within_type_0`, the
// range stays inside cells of type 0 and passes no other marker.
bool MountainRebuild::marker_chains(std::int32_t from, std::int32_t to, bool within_type_0,
                                    std::vector<Segment>& out) const {
  std::vector<bool> covered(static_cast<std::size_t>(to - from + 1), false);
  for (std::int32_t m = from; m <= to; ++m) {
    if (state(m) != Marker::kPresent || covered[static_cast<std::size_t>(m - from)]) continue;
    const std::int32_t start = m - (kMarkerStep - 1);
    if (start < (within_type_0 ? from : 0)) return false;
    if (within_type_0) {
      for (std::int32_t i = start; i < m; ++i) {
        if (state(i) == Marker::kPresent) return false;
      }
    }
    std::int32_t end = m;
    for (std::int32_t j = m + kMarkerStep; j <= to && state(j) != Marker::kAbsent;
         j += kMarkerStep) {
      if (within_type_0) {
        bool clear = true;
        for (std::int32_t i = j - kMarkerStep + 1; i < j; ++i)
          clear = clear && state(i) != Marker::kPresent;
        if (!clear) break;
      }
      if (state(j) == Marker::kPresent) {
        end = j;
        covered[static_cast<std::size_t>(j - from)] = true;
      }
    }
    // The type the cells mostly hold, so that little needs stamping again.
    std::map<std::uint8_t, std::int32_t> counts;
    for (std::int32_t i = start; i <= end; ++i) ++counts[type(i)];
    const auto most =
        std::max_element(counts.begin(), counts.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    out.push_back({start, end, most->first, true});
  }
  return true;
}

// Within one run of cells of one type: as few ranges as cover it, side by
// side, each with markers exactly where the cells want them.
bool MountainRebuild::segments_of_run(std::int32_t a, std::int32_t b,
                                      std::vector<Segment>& out) const {
  const std::uint8_t t = type(a);
  const auto n = static_cast<std::size_t>(b - a + 2);
  // How far a range from a + k may reach without markers (the cell before
  // the next marker), and with them (the cell before the first cell that
  // breaks the phase its start gives: a marker off the phase, or an empty
  // cell on it).
  std::vector<std::int32_t> next_marker(n, b + 1);
  std::array<std::vector<std::int32_t>, kMarkerStep> next_break;
  next_break.fill(std::vector<std::int32_t>(n, b + 1));
  for (std::int32_t j = b; j >= a; --j) {
    const auto k = static_cast<std::size_t>(j - a);
    next_marker[k] = state(j) == Marker::kPresent ? j : next_marker[k + 1];
    for (std::int32_t phase = 0; phase < kMarkerStep; ++phase) {
      const bool on_phase = j % kMarkerStep == phase;
      const bool breaks = on_phase ? state(j) == Marker::kAbsent : state(j) == Marker::kPresent;
      next_break[static_cast<std::size_t>(phase)][k] =
          breaks ? j : next_break[static_cast<std::size_t>(phase)][k + 1];
    }
  }
  const auto plain_reach = [&](std::int32_t i) {
    return next_marker[static_cast<std::size_t>(i - a)] - 1;
  };
  const auto marker_reach = [&](std::int32_t i) {
    const auto phase = static_cast<std::size_t>((i + kMarkerStep - 1) % kMarkerStep);
    return next_break[phase][static_cast<std::size_t>(i - a)] - 1;
  };
  const auto reach = [&](std::int32_t i) { return std::max(plain_reach(i), marker_reach(i)); };
  // Fewest ranges: each next range starts where it then reaches furthest;
  // the starts already weighed for the range before need no second look.
  std::int32_t i = a;
  std::int32_t weighed = a;
  while (i <= b) {
    const std::int32_t r = reach(i);
    if (r < i) return false;
    std::int32_t next = b + 1;
    if (r < b) {
      std::int32_t best_reach = -1;
      for (std::int32_t candidate = std::max(i, weighed) + 1; candidate <= r + 1; ++candidate) {
        const std::int32_t rc = reach(candidate);
        if (rc >= candidate && rc > best_reach) {
          best_reach = rc;
          next = candidate;
        }
      }
      weighed = r + 1;
      if (best_reach < 0) return false;
    }
    const bool plain = plain_reach(i) >= next - 1;
    out.push_back({i, next - 1, t, !plain});
    i = next;
  }
  return true;
}

std::optional<std::vector<Segment>> MountainRebuild::side_by_side() const {
  std::vector<Segment> segments;
  const std::int32_t n = last_cell();
  std::int32_t i = 0;
  while (i <= n) {
    std::int32_t j = i;
    while (j + 1 <= n && type(j + 1) == type(i)) ++j;
    const bool ok =
        type(i) == 0 ? marker_chains(i, j, true, segments) : segments_of_run(i, j, segments);
    if (!ok) return std::nullopt;
    i = j + 1;
  }
  std::sort(segments.begin(), segments.end(),
            [](const Segment& x, const Segment& y) { return x.first < y.first; });
  return segments;
}

// Markers first, each chain in a range of its own, then the types stamped
// again wherever those ranges left another. A range that stamps types
// where no chain reaches may come before the chains, in the order of the
// line; the others follow them.
std::optional<std::vector<Segment>> MountainRebuild::layered() const {
  std::vector<Segment> chains;
  if (!marker_chains(0, last_cell(), false, chains)) return std::nullopt;
  std::vector<bool> chained(s_.cells.size(), false);
  for (const Segment& chain : chains) {
    for (std::int32_t i = chain.first; i <= chain.last; ++i)
      chained[static_cast<std::size_t>(i)] = true;
  }
  std::vector<Segment> first_rows = chains;
  std::vector<Segment> after_chains;
  // Each round stamps again what the rows so far leave wrong: the types
  // they stamp depend on the order, which the round before set.
  for (int round = 0; round < 3; ++round) {
    std::vector<Segment> segments = first_rows;
    std::sort(segments.begin(), segments.end(),
              [](const Segment& x, const Segment& y) { return x.first < y.first; });
    segments.insert(segments.end(), after_chains.begin(), after_chains.end());
    std::size_t joined = 0;
    const std::optional<std::vector<MountainRow>> rows = rows_of(segments, joined);
    if (!rows) return std::nullopt;
    compiler::RouteModel model;
    model.cell_last = s_.cell_last;
    model.cells.assign(s_.cells.size(), CellRecord{});
    for (MountainRow row : *rows) compiler::memo_montagna(model, row);
    bool wrong = false;
    const std::int32_t n = last_cell();
    for (std::int32_t i = 0; i <= n;) {
      if (model.cells[static_cast<std::size_t>(i)].mountain_type == type(i)) {
        ++i;
        continue;
      }
      wrong = true;
      std::int32_t j = i;
      bool touches_chain = chained[static_cast<std::size_t>(i)];
      while (j + 1 <= n && type(j + 1) == type(i) &&
             model.cells[static_cast<std::size_t>(j + 1)].mountain_type != type(j + 1)) {
        ++j;
        touches_chain = touches_chain || chained[static_cast<std::size_t>(j)];
      }
      const Segment stamp{i, j, type(i), false};
      if (round == 0 && !touches_chain) {
        first_rows.push_back(stamp);
      } else {
        after_chains.push_back(stamp);
      }
      i = j + 1;
    }
    if (!wrong) return segments;
  }
  return std::nullopt;
}

}  // namespace

std::vector<MountainRow> recover_mountains(const CompiledScenario& s,
                                           std::vector<Unrecovered>& unrecovered) {
  const MountainRebuild rebuild(s);
  std::optional<std::vector<MountainRow>> best;
  std::size_t best_joined = 0;
  bool best_layered = false;
  for (const bool layered : {false, true}) {
    const std::optional<std::vector<Segment>> segments =
        layered ? rebuild.layered() : rebuild.side_by_side();
    if (!segments) continue;
    std::size_t joined = 0;
    std::optional<std::vector<MountainRow>> rows = rebuild.rows_of(*segments, joined);
    if (!rows || !rebuild.reproduces(*rows)) continue;
    if (!best || rows->size() < best->size()) {
      best = std::move(rows);
      best_joined = joined;
      best_layered = layered;
    }
  }
  if (!best) {
    std::int32_t first = 0;
    while (first < s.cell_last && s.cells[static_cast<std::size_t>(first)].mountain_type == 0 &&
           s.cells[static_cast<std::size_t>(first)].kind != compiler::kMountainMarker) {
      ++first;
    }
    s.cell_misfit(first, CellField::kMountainType,
                  "no montagna rows within the 80 ranges are found that stamp these types and "
                  "markers",
                  Misfit::Kind::kNotRebuilt);
  }
  if (best_joined > 0) {
    unrecovered.push_back(
        {"montagna types", std::to_string(best_joined) +
                               " ranges begin within 150 m of the previous range's end and keep "
                               "type 3 whatever their rows gave; 3 is written"});
  }
  const auto empty = std::count_if(best->begin(), best->end(), [](const MountainRow& row) {
    return row.inizio == 0 && row.fine == 0 && row.tipo == 0;
  });
  if (best_layered) {
    unrecovered.push_back({"montagna ranges",
                           "the markers need ranges of their own, whose types further ranges "
                           "stamp again: " +
                               std::to_string(best->size()) +
                               " ranges are written for what the description's ranges made"});
  } else if (empty > 0) {
    unrecovered.push_back(
        {"montagna ranges", std::to_string(empty) +
                                " empty ranges (montagna, 0, 0, 0) are written so that the range "
                                "after each keeps its own type"});
  }
  return *best;
}

}  // namespace borgo::tools::decompile
