#include "tools/decompile/description_writer.hpp"

#include <algorithm>
#include <string_view>
#include <type_traits>
#include <vector>

#include "tools/decompile/rows/station_rows.hpp"

namespace borgo::tools::decompile {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// A group of rows under one heading, their number fields right-aligned in
// columns; a row may end with a text field.
class Section {
 public:
  explicit Section(std::string_view heading) : heading_(heading) {}

  template <typename... Numbers>
  Section& row(std::string_view key, Numbers... numbers) {
    rows_.push_back({std::string(key), {std::to_string(numbers)...}, {}});
    return *this;
  }
  Section& row_of(std::string_view key, std::vector<std::string> fields) {
    rows_.push_back({std::string(key), std::move(fields), {}});
    return *this;
  }
  Section& with_text(std::string text) {
    rows_.back().text = std::move(text);
    rows_.back().has_text = true;
    return *this;
  }

  void write(std::string& out) const {
    out += heading_;
    out += kLineEnd;
    std::size_t key_width = 0;
    std::vector<std::size_t> widths;
    for (const Row& r : rows_) {
      key_width = std::max(key_width, r.key.size());
      if (widths.size() < r.fields.size()) widths.resize(r.fields.size(), 0);
      for (std::size_t j = 0; j < r.fields.size(); ++j) {
        widths[j] = std::max(widths[j], r.fields[j].size());
      }
    }
    for (const Row& r : rows_) {
      out += r.key;
      out += ',';
      for (std::size_t j = 0; j < r.fields.size(); ++j) {
        const std::size_t pad =
            (j == 0 ? key_width - r.key.size() : 0) + 2 + widths[j] - r.fields[j].size();
        out.append(pad, ' ');
        out += r.fields[j];
        if (j + 1 < r.fields.size() || r.has_text) out += ',';
      }
      if (r.has_text) {
        out += ' ';
        out += r.text;
      }
      out += kLineEnd;
    }
  }

 private:
  struct Row {
    std::string key;
    std::vector<std::string> fields;
    std::string text;
    bool has_text = false;
  };
  std::string heading_;
  std::vector<Row> rows_;
};

std::string text_of(const std::string& text) { return text_field(text).value_or(text); }

void profile(std::string& out, std::string_view heading, std::string_view key,
             const std::vector<ProfileRow>& rows) {
  Section section(heading);
  for (const ProfileRow& r : rows) section.row(key, r.position, r.value);
  section.write(out);
}

// The right side of a pair of indicators is left empty when it has no
// speeds, as the package writes it.
std::vector<std::string> indicator_fields(const compiler::IndicatorRow& r) {
  const auto n = [](std::int32_t v) { return std::to_string(v); };
  const bool right_empty = r.vad == 0 && r.vbd == 0 && r.vcd == 0;
  return {n(r.posizione),
          n(r.vas),
          n(r.vbs),
          n(r.vcs),
          n(r.strisces),
          right_empty ? "" : n(r.vad),
          right_empty ? "" : n(r.vbd),
          right_empty ? "" : n(r.vcd),
          n(r.strisced)};
}

std::vector<std::string> station_fields(const StationRow& r) {
  std::vector<std::string> fields{std::to_string(r.position), std::to_string(r.type),
                                  std::to_string(r.zone)};
  for (const std::int32_t c : r.columns4to13) fields.push_back(std::to_string(c));
  for (const std::int64_t t : {r.hours, r.minutes, r.seconds}) fields.push_back(std::to_string(t));
  return fields;
}

std::string_view heading_of(const TrainRow& row) {
  switch (row.index()) {
    case 0:
      return "[stazioni]";
    case 1:
      return "[rallentamenti]";
    case 2:
      return "[segnali]";
    default:
      return "[codici]";
  }
}

void add_train_row(Section& section, const TrainRow& row) {
  std::visit(
      [&section](const auto& r) {
        using Row = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<Row, StationRow>) {
          section.row_of("stazione", station_fields(r)).with_text(text_of(r.name));
        } else if constexpr (std::is_same_v<Row, compiler::SlowDownRow>) {
          section.row("rallentamento", r.posizione, r.v, r.l, r.f_tt, r.f_ta, r.d_v);
        } else if constexpr (std::is_same_v<Row, compiler::SignalRow>) {
          section.row("segnale", r.posizione, r.sx, r.s1, r.s2, r.s3, r.rapp, r.dx, r.d1, r.d2,
                      r.d3, r.tempo);
        } else {
          section.row("abbattimento", r.position, r.value);
        }
      },
      row);
}

}  // namespace

std::string write_line_description(const LineRows& line) {
  std::string out;
  Section general("[generale]");
  general.row("lunghezza percorso", line.length);
  static constexpr std::string_view kProgressiveKeys[] = {"progressiva chilometrica tre",
                                                          "progressiva chilometrica due",
                                                          "progressiva chilometrica uno"};
  for (int i = 2; i >= 0; --i) {
    if (const auto& p = line.progressives[static_cast<std::size_t>(i)]) {
      general.row(kProgressiveKeys[i], p->position, p->value, p->flag);
    }
  }
  general.row("sfondo uno", line.background_uno);
  general.row("sfondo due", line.background_due);
  general.row("sfondo tre", line.background_tre);
  if (line.repetition) {
    general.row(line.repetition->codes == 4 ? "ripetizione segnali 4 codici"
                                            : "ripetizione segnali 9 codici",
                line.repetition->from, line.repetition->to);
  }
  general.write(out);

  Section curves("[curve]");
  for (const CurveRow& c : line.curves) {
    const std::string key =
        std::string("curva") + (c.left ? "s" : "d") + std::to_string(c.radius_class);
    curves.row(key, c.start, c.length);
  }
  curves.write(out);
  profile(out, "[pendenze]", "pendenza", line.gradients);
  Section mountains("[montagne]");
  for (const compiler::MountainRow& m : line.mountains) {
    mountains.row("montagna", m.inizio, m.fine, m.tipo);
  }
  mountains.write(out);
  Section indicators("[cartelli]");
  for (const compiler::IndicatorRow& r : line.indicators) {
    indicators.row_of("indicatori_vmax", indicator_fields(r));
  }
  indicators.write(out);
  Section signs("[indicazioni]");
  for (const SignRow& s : line.signs) {
    signs.row_of("cartello_indicatore", {std::to_string(s.position)}).with_text(text_of(s.text));
  }
  signs.write(out);
  out += "[fine]";
  out += kLineEnd;
  return out;
}

std::string write_train_description(const TrainRows& train) {
  std::string out;
  Section general("[generale]");
  general.row("numero vetture", train.cars);
  general.row("percentuale massa frenata", train.braked_mass);
  general.row("sabbia", train.sand);
  general.row("orologio", train.clock[0], train.clock[1], train.clock[2]);
  general.write(out);
  profile(out, "[aderenze]", "aderenza", train.adhesion);
  profile(out, "[vel_limite]", "velocita", train.speed);
  // One heading for each stretch of rows of one kind, in reading order.
  for (std::size_t i = 0; i < train.rows.size();) {
    Section section(heading_of(train.rows[i]));
    std::size_t j = i;
    for (; j < train.rows.size() && train.rows[j].index() == train.rows[i].index(); ++j) {
      add_train_row(section, train.rows[j]);
    }
    section.write(out);
    i = j;
  }
  out += "[fine]";
  out += kLineEnd;
  return out;
}

}  // namespace borgo::tools::decompile
