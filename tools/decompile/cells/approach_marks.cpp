// The approach marks: each signal writes sx * 30 + dx * 10 + k on the cells
// 2k before it (k = 1 .. 4), each station 80 + n on the four cells before
// its stop mark; the last write wins.
#include <algorithm>
#include <set>
#include <string>

#include "compiler/record_roles.hpp"
#include "tools/decompile/cells/feature_cells.hpp"

namespace borgo::tools::decompile {
namespace {

using namespace compiler;

constexpr std::int64_t kInverseOf5 = 19661;  // 5 * 19661 = 3 * 32768 + 1

std::uint8_t low8(std::int64_t v) { return keep_low_bits<std::uint8_t>(v); }

// With w = 3 sx + dx, a mark base is 10 w in 8 bits and value4 is
// 10 rapp + w in 16: both the base and 2 value4 are 2 w in their last two
// bits, and any base that agrees so has a row.
bool base_fits(std::uint8_t base, std::int16_t value4) {
  return (base & 3) == (static_cast<std::int32_t>(value4) * 2 & 3);
}

// The base the signal's values read plainly give: rapp the tens, 3 sx + dx the units.
std::uint8_t plain_base(std::int16_t value4) { return low8(std::int64_t{value4 % 10} * 10); }

// A row that writes the mark of a cell: a station with its fixed mark, or
// a signal with the k of the cell.
struct Writer {
  bool station = false;
  std::size_t index = 0;  // into f.stations or f.signals
  int k_or_mark = 0;
};

class MarkOrder {
 public:
  explicit MarkOrder(FeatureCells& f) : f_(f), s_(f.s), writers_(f.s.cells.size()) {}

  void run() {
    for (std::size_t k = 0; k < f_.stations.size(); ++k) {
      for (const auto& [c, mark] : f_.stations[k].approach_marks) {
        writers_[static_cast<std::size_t>(c)].push_back({true, k, mark});
      }
    }
    for (std::size_t j = 0; j < f_.signals.size(); ++j) add_signal_writes(j);
    for (std::int32_t i = 0; i <= s_.cell_last; ++i) note(i);
    // Each step explains a mark by another base for one of its signals,
    // leaving fewer marks unexplained, or puts a signal under a stop mark,
    // which it can do once a cell.
    while (!unexplained_.empty()) {
      const std::int32_t i = *unexplained_.begin();
      if (!rebase_for(i) && !hide_signal_for(i)) {
        s_.cell_misfit(i, CellField::kApproachMark,
                       "the mark " + std::to_string(mark_at(i)) +
                           " is written by no signal or station that the other cells allow");
      }
    }
    add_precedences();
    for (const SignalCell& signal : f_.signals) f_.nodes[signal.node].row = row_of(signal);
  }

 private:
  std::uint8_t mark_at(std::int32_t i) const { return f_.cell(i).approach_mark; }
  std::size_t node_of(const Writer& w) const {
    return w.station ? f_.station_nodes[w.index] : f_.signals[w.index].node;
  }
  std::uint8_t value_of(const Writer& w) const {
    return w.station ? static_cast<std::uint8_t>(w.k_or_mark)
                     : low8(f_.signals[w.index].base + w.k_or_mark);
  }
  const std::vector<Writer>& writers(std::int32_t i) const {
    return writers_[static_cast<std::size_t>(i)];
  }
  bool explained(std::int32_t i) const {
    const std::vector<Writer>& list = writers(i);
    if (list.empty()) return mark_at(i) == 0;
    return std::any_of(list.begin(), list.end(),
                       [&](const Writer& w) { return value_of(w) == mark_at(i); });
  }
  void note(std::int32_t i) {
    if (explained(i)) {
      unexplained_.erase(i);
    } else {
      unexplained_.insert(i);
    }
  }

  // A signal's base as its values read plainly give it, unless fixed.
  void add_signal_writes(std::size_t j) {
    SignalCell& signal = f_.signals[j];
    signal.base = signal.fixed_base.value_or(plain_base(signal.values[3]));
    for (int k = 1; k <= kSignalApproachMarks; ++k) {
      writers_[static_cast<std::size_t>(signal_approach_cell(signal.cell, k))].push_back(
          {false, j, k});
    }
  }

  int unexplained_among(const SignalCell& signal) const {
    int n = 0;
    for (int k = 1; k <= kSignalApproachMarks; ++k) {
      n += explained(signal_approach_cell(signal.cell, k)) ? 0 : 1;
    }
    return n;
  }

  // Another base for one of the signals that write cell i, one that leaves
  // fewer of their cells unexplained.
  bool rebase_for(std::int32_t i) {
    for (const Writer& w : writers(i)) {
      if (w.station) continue;
      SignalCell& signal = f_.signals[w.index];
      if (signal.fixed_base) continue;
      const std::uint8_t base = low8(mark_at(i) - w.k_or_mark);
      if (base == signal.base || !base_fits(base, signal.values[3])) continue;
      const std::uint8_t before = signal.base;
      const int unexplained_before = unexplained_among(signal);
      signal.base = base;
      if (unexplained_among(signal) < unexplained_before) {
        for (int k = 1; k <= kSignalApproachMarks; ++k) note(signal_approach_cell(signal.cell, k));
        return true;
      }
      signal.base = before;
    }
    return false;
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
      add_signal_writes(f_.signals.size() - 1);
      for (int n = 1; n <= kSignalApproachMarks; ++n) note(signal_approach_cell(h, n));
      return true;
    }
    return false;
  }

  // Where several rows write one cell, those whose mark is not the file's
  // are read before one whose mark is. Where only one row's is the file's,
  // that row; where several rows' are, the one read last in an order that
  // keeps the first kind, so that no choice here contradicts another.
  void add_precedences() {
    std::vector<std::int32_t> several;
    for (std::int32_t c = 0; c <= s_.cell_last; ++c) {
      const std::vector<Writer>& list = writers(c);
      const auto matching = std::count_if(
          list.begin(), list.end(), [&](const Writer& w) { return value_of(w) == mark_at(c); });
      if (static_cast<std::size_t>(matching) == list.size()) continue;
      if (matching > 1) {
        several.push_back(c);
        continue;
      }
      for (const Writer& w : list) {
        if (value_of(w) == mark_at(c)) read_last(c, w);
      }
    }
    if (several.empty()) return;
    const std::vector<std::size_t> order = reading_order(f_.nodes);
    if (order.size() != f_.nodes.size()) return;  // the rows' order reports it
    std::vector<std::size_t> place(f_.nodes.size());
    for (std::size_t k = 0; k < order.size(); ++k) place[order[k]] = k;
    for (const std::int32_t c : several) {
      const Writer* last = nullptr;
      for (const Writer& w : writers(c)) {
        if (value_of(w) == mark_at(c) &&
            (last == nullptr || place[node_of(w)] > place[node_of(*last)])) {
          last = &w;
        }
      }
      read_last(c, *last);
    }
  }

  // Every row that writes another mark on cell c is read before `last`.
  void read_last(std::int32_t c, const Writer& last) {
    for (const Writer& w : writers(c)) {
      if (value_of(w) != mark_at(c)) f_.nodes[node_of(last)].after.push_back(node_of(w));
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
  std::vector<std::vector<Writer>> writers_;  // by cell
  std::set<std::int32_t> unexplained_;
};

}  // namespace

void order_approach_marks(FeatureCells& f) { MarkOrder(f).run(); }

}  // namespace borgo::tools::decompile
