// The approach marks: each signal writes sx * 30 + dx * 10 + k on the cells
// 2k before it (k = 1 .. 4), each station 80 + n on the four cells before
// its stop mark; the last write wins.
#include <algorithm>
#include <map>
#include <string>

#include "compiler/record_roles.hpp"
#include "tools/decompile/feature_cells.hpp"

namespace borgo::tools::decompile {
namespace {

using namespace compiler;

constexpr std::int64_t kInverseOf5 = 19661;  // 5 * 19661 = 3 * 32768 + 1

std::uint8_t low8(std::int64_t v) { return keep_low_bits<std::uint8_t>(v); }

// A mark base is 10 (3 sx + dx) in 8 bits, and value4 is 10 rapp + 3 sx +
// dx in 16: the two agree on 2 value4 in 2 bits.
bool base_fits(std::uint8_t base, std::int16_t value4) {
  return (base & 3) == (static_cast<std::int32_t>(value4) * 2 & 3);
}

// The base the signal's values read plainly give: rapp the tens, 3 sx + dx the units.
std::uint8_t plain_base(std::int16_t value4) { return low8(std::int64_t{value4 % 10} * 10); }

struct Writer {
  std::size_t node = 0;
  std::uint8_t mark = 0;
};

class MarkOrder {
 public:
  explicit MarkOrder(FeatureCells& f) : f_(f), s_(f.s) {}

  void run() {
    // Each pass either explains every mark or puts a signal under a stop
    // mark, which it can do once a cell.
    for (;;) {
      choose_bases();
      const std::optional<std::int32_t> unexplained = first_unexplained();
      if (!unexplained) break;
      if (!hide_signal_for(*unexplained)) {
        s_.cell_misfit(*unexplained, CellField::kApproachMark,
                       "the mark " + std::to_string(f_.cell(*unexplained).approach_mark) +
                           " is written by no signal or station that the other cells allow");
      }
    }
    add_precedences();
    for (const SignalCell& signal : f_.signals) f_.nodes[signal.node].row = row_of(signal);
  }

 private:
  std::uint8_t mark_at(std::int32_t i) const { return f_.cell(i).approach_mark; }

  void choose_bases() {
    for (SignalCell& signal : f_.signals) {
      if (signal.fixed_base) {
        signal.base = *signal.fixed_base;
        continue;
      }
      const std::int16_t value4 = signal.values[3];
      std::vector<std::uint8_t> candidates{plain_base(value4)};
      for (int k = 1; k <= kSignalApproachMarks; ++k) {
        const std::uint8_t base = low8(mark_at(signal_approach_cell(signal.cell, k)) - k);
        if (base_fits(base, value4)) candidates.push_back(base);
      }
      int best_score = -1;
      for (const std::uint8_t base : candidates) {
        int score = 0;
        for (int k = 1; k <= kSignalApproachMarks; ++k) {
          score += mark_at(signal_approach_cell(signal.cell, k)) == low8(base + k) ? 1 : 0;
        }
        if (score > best_score) {
          best_score = score;
          signal.base = base;
        }
      }
    }
  }

  std::map<std::int32_t, std::vector<Writer>> writers() const {
    std::map<std::int32_t, std::vector<Writer>> out;
    for (std::size_t k = 0; k < f_.stations.size(); ++k) {
      for (const auto& [c, mark] : f_.stations[k].approach_marks) {
        out[c].push_back({f_.station_nodes[k], mark});
      }
    }
    for (const SignalCell& signal : f_.signals) {
      for (int k = 1; k <= kSignalApproachMarks; ++k) {
        out[signal_approach_cell(signal.cell, k)].push_back({signal.node, low8(signal.base + k)});
      }
    }
    return out;
  }

  std::optional<std::int32_t> first_unexplained() const {
    const auto all = writers();
    for (std::int32_t i = 0; i <= s_.cell_last; ++i) {
      const auto it = all.find(i);
      const std::uint8_t mark = mark_at(i);
      if (it == all.end()) {
        if (mark != 0) return i;
        continue;
      }
      const bool matched = std::any_of(it->second.begin(), it->second.end(),
                                       [&](const Writer& w) { return w.mark == mark; });
      if (!matched) return i;
    }
    return std::nullopt;
  }

  // A signal under a stop mark 2, 4, 6 or 8 cells after cell i, whose marks
  // begin so that its mark on cell i is the file's.
  bool hide_signal_for(std::int32_t i) {
    for (int k = 1; k <= kSignalApproachMarks; ++k) {
      const std::int32_t h = i + 2 * k;
      if (h < 2 * kSignalApproachMarks || h > s_.cell_last - 1 || !f_.can_hide(h)) continue;
      const Leftover left = f_.leftover(h);
      const std::uint8_t base = low8(mark_at(i) - k);
      if (!base_fits(base, left.value4)) continue;
      SignalCell signal;
      signal.cell = h;
      signal.values = {0, left.value2, left.value3, left.value4};
      signal.signal_time = left.signal_time;
      signal.hidden = true;
      signal.fixed_base = base;
      signal.node = f_.add_node(SignalRow{}, 2, h);
      f_.hide(h, Hidden::kSignal, signal.node);
      f_.signals.push_back(signal);
      return true;
    }
    return false;
  }

  // Where several rows write one cell, those whose mark is not the file's
  // are read before one whose mark is: the one the package's order would
  // read last.
  void add_precedences() {
    for (const auto& [c, list] : writers()) {
      if (list.size() < 2) continue;
      const std::uint8_t mark = mark_at(c);
      const Writer* last = nullptr;
      for (const Writer& w : list) {
        if (w.mark != mark) continue;
        if (last == nullptr ||
            std::pair(f_.nodes[w.node].rank_group, f_.nodes[w.node].rank) >
                std::pair(f_.nodes[last->node].rank_group, f_.nodes[last->node].rank)) {
          last = &w;
        }
      }
      for (const Writer& w : list) {
        if (w.mark != mark) f_.nodes[last->node].after.push_back(w.node);
      }
    }
  }

  SignalRow row_of(const SignalCell& signal) const {
    SignalRow row;
    row.posizione = feature_position(signal.cell);
    const std::int16_t value4 = signal.values[3];
    std::int64_t units = value4 % 10;
    std::int64_t rapp = value4 / 10;
    if (signal.base != plain_base(value4)) {
      // 3 sx + dx from the base; rapp then solves 10 rapp = value4 - units in 16 bits.
      units = (77 * (signal.base / 2)) % 128;
      const std::int64_t half = ((std::int64_t{value4} - units) / 2 % 32768 + 32768) % 32768;
      rapp = half * kInverseOf5 % 32768;
    }
    row.rapp = static_cast<std::int32_t>(rapp);
    if (signal.signal_time != 0) {
      row.sx = kTimedSignalSx;
      row.dx = static_cast<std::int32_t>(units - 3 * kTimedSignalSx);
    } else {
      row.sx = static_cast<std::int32_t>(units / 3);
      row.dx = static_cast<std::int32_t>(units - 3 * row.sx);
    }
    // The time is kept by a signal whose sx is 2; 1 to 100 would become 101.
    const std::int32_t time = signal.signal_time;
    row.tempo = row.sx != kTimedSignalSx || time == 0 ? 0 : time <= 100 ? time + 256 : time;
    std::int32_t* sides[3][2] = {{&row.s1, &row.d1}, {&row.s2, &row.d2}, {&row.s3, &row.d3}};
    for (int n = 0; n < 3; ++n) {
      *sides[n][0] = signal.values[static_cast<std::size_t>(n)] / 10;
      *sides[n][1] = signal.values[static_cast<std::size_t>(n)] % 10;
    }
    bool fits = pack_signal_setting(row.rapp, row.sx, row.dx) == value4;
    std::int32_t tempo = row.tempo;
    if (tempo >= 1 && tempo <= 100) tempo = 101;
    fits = fits && pack_signal_time(row.sx, tempo) == signal.signal_time;
    for (int k = 1; k <= kSignalApproachMarks; ++k) {
      fits = fits && pack_signal_approach_mark(row.sx, row.dx, k) == low8(signal.base + k);
    }
    for (int n = 0; n < 3; ++n) {
      fits = fits && pack_signal_aspect(*sides[n][0], *sides[n][1]) ==
                         signal.values[static_cast<std::size_t>(n)];
    }
    if (!fits) {
      s_.cell_misfit(signal.cell, CellField::kValue4, "no signal row gives these values",
                     Misfit::Kind::kNotRebuilt);
    }
    return row;
  }

  FeatureCells& f_;
  const CompiledScenario& s_;
};

}  // namespace

void order_approach_marks(FeatureCells& f) { MarkOrder(f).run(); }

}  // namespace borgo::tools::decompile
