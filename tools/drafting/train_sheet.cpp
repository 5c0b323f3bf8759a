#include "tools/drafting/train_sheet.hpp"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/drafting/text_cells.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools::drafting {
namespace {

constexpr std::size_t kNameWidth = 22;

// One body line before it is drawn: what stands at a position of the line.
struct SheetRow {
  std::int64_t position = 0;
  std::optional<std::int32_t> speed;  // the line speed changes here
  std::string progressive;            // the whole cell, 9 characters
  std::string name;
  std::string timetable;  // the whole cell, 19 characters
  bool spacer = false;
  bool coding_starts = false;
};

// A stretch of two-way working, from one position to another.
struct TwoWayStretch {
  std::int64_t from = 0;
  std::int64_t to = 0;
  bool started = false;      // its first line is drawn
  bool right_coded = false;  // the right track's coding began on a line of it
};

std::string progressive_cell(const RouteFacts& facts, std::int64_t position) {
  const compiler::KilometreAt at = facts.progressive_at(position);
  return right_in(kilometres(at.metres), 8) + (at.changes_to ? "/" : " ");
}

std::string speed_cell(std::int32_t speed) { return right_in(std::to_string(speed), 4) + " "; }

// `terminus`: the journey ends there, and its time is the arrival's.
std::string timetable_cell(const StationFact& station, const SheetSettings& settings,
                           bool terminus) {
  if (station.timetable == 0) return std::string(19, ' ');
  const std::string departure = clock_time(station.timetable);
  if (terminus) return left_in(" " + right_in(departure, 5), 19);
  for (const SheetSettings::Stop& stop : settings.stops) {
    if (stop.station.text != station.name) continue;
    std::string cell = " " + right_in(clock_time(station.timetable - stop.seconds), 5) + "   " +
                       right_in(departure, 5) + " (" + stop.figure + ")";
    // A figure with a tenth takes the leading blank.
    if (cell.size() > 19) cell.erase(0, cell.size() - 19);
    return left_in(cell, 19);
  }
  return left_in(right_in(departure, 14), 19);
}

std::string shown_name(const StationFact& station, const SheetSettings& settings) {
  for (const SheetSettings::ShownName& name : settings.names) {
    if (name.station.text == station.name) return name.shown.text;
  }
  return station.name;
}

std::optional<std::int64_t> place_position(const SettingsPlace& place, const RouteFacts& facts,
                                           std::vector<std::string>& notes) {
  if (place.metres) return place.metres;
  for (const StationFact& station : facts.stations()) {
    if (station.name == place.station) return station.position;
  }
  notes.push_back("sheet settings line " + std::to_string(place.at.line) + ": no station \"" +
                  utf8_from_1252(place.station) +
                  "\" on the line; the two-way working is left out");
  return std::nullopt;
}

// The rows in route order: at one position, the named rows first, each
// with what else stands there, then the author's blank lines.
std::vector<SheetRow> rows_of(const RouteFacts& facts, const SheetSettings& settings,
                              std::vector<std::string>& notes) {
  struct AtPosition {
    std::vector<SheetRow> named;
    std::optional<std::int32_t> speed;
    std::optional<std::string> unmodelled;
    bool progressive_change = false;
    bool coding_starts = false;
    std::int64_t spacers = 0;
  };
  std::map<std::int64_t, AtPosition> at;
  const auto named = [&](std::int64_t position, std::string name, std::string timetable,
                         std::size_t source_line, std::string_view source) {
    if (name.size() > kNameWidth) {
      notes.push_back("\"" + utf8_from_1252(name) + "\" (line " + std::to_string(source_line) +
                      " of the " + std::string(source) + ") is cut to " +
                      std::to_string(kNameWidth) + " characters");
    }
    SheetRow row;
    row.position = position;
    row.name = left_in(name, kNameWidth);
    row.timetable = std::move(timetable);
    at[position].named.push_back(std::move(row));
  };
  for (const StationFact& station : facts.stations()) {
    const bool terminus = &station == &facts.stations().back();
    named(station.position, shown_name(station, settings),
          timetable_cell(station, settings, terminus),
          static_cast<std::size_t>(station.row.key.line), "train description");
  }
  for (const SheetSettings::Location& location : settings.locations) {
    const std::string name =
        location.name
            ? location.name->text
            : "Cippo Km " +
                  kilometres(kilometre_post_before(facts.progressive_at(location.position).metres));
    named(location.position, name, std::string(19, ' '), static_cast<std::size_t>(location.at.line),
          "sheet settings");
  }
  for (const SpeedChange& change : facts.speed_changes()) {
    if (change.position <= facts.line_length()) at[change.position].speed = change.speed;
  }
  for (const std::int64_t change : facts.progressive_changes())
    at[change].progressive_change = true;
  for (const SheetSettings::UnmodelledProgressive& shown : settings.progressives) {
    at[shown.position].unmodelled = right_in("(" + kilometres(shown.metres) + ")", 9);
  }
  if (facts.repetition_codes() != 0) at[facts.repetition_start()].coding_starts = true;
  for (const SheetSettings::Spacer& spacer : settings.spacers)
    at[spacer.position].spacers += spacer.count;

  std::vector<SheetRow> rows;
  for (auto& [position, here] : at) {
    const bool unnamed = here.named.empty();
    if (unnamed &&
        (here.speed || here.unmodelled || here.progressive_change || here.coding_starts)) {
      SheetRow row;
      row.position = position;
      row.name = std::string(kNameWidth, ' ');
      row.timetable = std::string(19, ' ');
      here.named.push_back(std::move(row));
    }
    for (std::size_t i = 0; i < here.named.size(); ++i) {
      SheetRow& row = here.named[i];
      row.progressive =
          i == 0 && here.unmodelled ? *here.unmodelled : progressive_cell(facts, position);
      if (i == 0) {
        row.speed = here.speed;
        row.coding_starts = here.coding_starts;
      }
      rows.push_back(std::move(row));
    }
    for (std::int64_t i = 0; i < here.spacers; ++i) {
      SheetRow spacer;
      spacer.position = position;
      spacer.spacer = true;
      spacer.progressive = std::string(9, ' ');
      spacer.name = std::string(kNameWidth, ' ');
      spacer.timetable = std::string(19, ' ');
      rows.push_back(std::move(spacer));
    }
  }
  return rows;
}

// Draws the body lines one after the other, keeping the zig-zag and the
// coding going from line to line and from page to page.
class BodyDrawer {
 public:
  BodyDrawer(const RouteFacts& facts, std::vector<TwoWayStretch> stretches)
      : facts_(facts), stretches_(std::move(stretches)) {}

  // `page_start`: the page's first line, which shows the speed in force.
  std::string line(const SheetRow& row, bool page_start) {
    TwoWayStretch* stretch = nullptr;
    for (TwoWayStretch& s : stretches_) {
      const bool inside = row.spacer ? row.position >= s.from && row.position < s.to
                                     : row.position >= s.from && row.position <= s.to;
      if (inside) stretch = &s;
    }
    std::string left_speed(5, ' ');
    if (row.speed) {
      left_speed = speed_cell(*row.speed);
    } else if (page_start) {
      left_speed = speed_cell(facts_.speed_at(row.position));
    }
    std::string mark = " ";
    std::string right_speed = row.spacer ? "     " : "  /  ";
    bool right_track = false;
    if (stretch != nullptr) {
      right_track = true;
      if (!stretch->started) {
        stretch->started = true;
        zig_ = false;
        mark = "_";
        right_speed = speed_cell(facts_.speed_at(row.position));
      } else if (!row.spacer && row.position == stretch->to) {
        mark = "-";
        right_speed = " ___ ";
      } else {
        mark = zig_ ? "\\" : "/";
        zig_ = !zig_;
        right_speed = page_start ? left_speed : row.speed ? speed_cell(*row.speed) : "     ";
      }
    }
    std::string coding = "       ";
    if (facts_.coded_at(row.position)) {
      const bool begins = row.coding_starts && !page_start;
      coding.replace(0, 3, begins ? "COD" : " : ");
      if (right_track) {
        coding.replace(4, 3, stretch->right_coded ? " : " : "COD");
        stretch->right_coded = true;
      }
    }
    return " |" + left_speed + "|     |" + row.progressive + "|" + mark + "|" + row.name + "|" +
           row.timetable + "|" + right_speed + "|" + coding + "|";
  }

 private:
  const RouteFacts& facts_;
  std::vector<TwoWayStretch> stretches_;
  bool zig_ = false;  // the next zig-zag mark is "\"
};

// A body line drawn as the table's bottom rule: the blanks of each cell as
// underscores, the blank before the first bar kept.
std::string as_bottom_rule(const std::string& line) { return " " + as_rule(line.substr(1)); }

struct PageHeader {
  std::string train_number;
  std::string last_station;
  std::string rank;
  std::string braked;
  std::string category;
  std::string blocked_mass;
  std::string locomotive;  // with the signal-repetition equipment
};

void add_line(std::string& out, std::string_view line) {
  out += line;
  out += "\r\n";
}

void first_page_header(std::string& out, const PageHeader& h, const std::string& title,
                       const std::string& from, const std::string& to) {
  add_line(out,
           "  ______________   ________________                                  ____________");
  add_line(out, " |TRENO n. " + right_in(h.train_number, 4) + " |  | Termine scheda |" +
                    centred_in("SCHEDA TRENO", 32) + "|" + centred_in(h.rank, 12) + "|");
  add_line(out, " |              |  |" + centred_in(h.last_station, 16) + "|" +
                    centred_in(title, 32) + "|" + centred_in(h.braked, 12) + "|");
  add_line(out,
           " |______________|__|________________|________________________________|____________|");
  add_line(out, " |CLASSIFICAZIONE| MASSA BLOCCATA | Da: " + left_in(from, 19) + "| " +
                    left_in(h.locomotive, 20) + "|");
  add_line(out, " |" + centred_in(h.category, 15) + "|" + centred_in(h.blocked_mass, 16) +
                    "| a:  " + left_in(to, 19) + "|                     |");
  add_line(out,
           " |_______________|________________|________________________|_____________________|");
}

void next_page_header(std::string& out, const PageHeader& h, const std::string& title,
                      const std::string& from, const std::string& to) {
  add_line(out, "  _______   ________________                                  ____________");
  add_line(out, " |       |  |                |                                |            |");
  add_line(out, " | TRENO |  | Termine scheda |" + centred_in("SCHEDA TRENO", 32) + "|" +
                    centred_in(h.rank, 12) + "|");
  add_line(out, " |       |  |" + centred_in(h.last_station, 16) + "|" + centred_in(title, 32) +
                    "|" + centred_in(h.braked, 12) + "|");
  add_line(out, " |" + centred_in(h.train_number, 7) +
                    "|  |                |                                |            |");
  add_line(out, " |_______|  |________________|                                |____________|");
  add_line(out, "  _______________  ______________  ____________________  ______________");
  add_line(out, " |CLASSIFICAZIONE||MASSA BLOCCATA|| Da: " + left_in(from, 15) + "|| " +
                    left_in(h.locomotive, 13) + "|");
  add_line(out, " |" + centred_in(h.category, 15) + "||" + centred_in(h.blocked_mass, 14) +
                    "|| a:  " + left_in(to, 15) + "||              |");
  add_line(out, " |_______________||______________||____________________||______________|");
}

void table_heading(std::string& out) {
  add_line(out,
           " __________________________________________________________________________________");
  add_line(out,
           " |Binario SX |         | |                      |                   |Vel. |SRS SRS|");
  add_line(out,
           " |Vel. |Vel. |Progr Km | |Localita' di  Servizio|      Orario       |Max. |SX  DX |");
  add_line(out,
           " |Max. |Mar. |         | |                      |                   |Bin. |       |");
  add_line(out,
           " |_____|_____|_________|_|______________________|___________________|_DX__|_______|");
}

std::string trimmed(const std::string& cell) {
  const std::size_t end = cell.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : cell.substr(0, end + 1);
}

std::string text_or(const std::optional<SettingsText>& text, std::string fallback = "") {
  return text ? text->text : fallback;
}

}  // namespace

Draft draft_train_sheet(const RouteFacts& facts, const SheetSettings& settings,
                        std::string_view train_name) {
  Draft draft;
  std::vector<SheetRow> rows = rows_of(facts, settings, draft.notes);

  std::vector<TwoWayStretch> stretches;
  for (const SheetSettings::TwoWay& two_way : settings.two_way) {
    const std::optional<std::int64_t> from = place_position(two_way.from, facts, draft.notes);
    const std::optional<std::int64_t> to = place_position(two_way.to, facts, draft.notes);
    if (from && to) stretches.push_back({std::min(*from, *to), std::max(*from, *to)});
  }

  // Pages of 32 lines, each after the first opening with the line the page
  // before closed with.
  std::vector<std::vector<std::pair<const SheetRow*, bool>>> pages(1);
  for (const SheetRow& row : rows) {
    if (pages.back().size() == kSheetBodyLines) {
      const SheetRow* last = pages.back().back().first;
      pages.emplace_back();
      pages.back().push_back({last, true});
    }
    pages.back().push_back({&row, pages.size() == 1 && pages.back().empty()});
  }
  SheetRow blank;
  blank.progressive = std::string(9, ' ');
  blank.name = std::string(kNameWidth, ' ');
  blank.timetable = std::string(19, ' ');
  blank.spacer = true;
  blank.position = rows.empty() ? 0 : rows.back().position;
  while (pages.back().size() < kSheetBodyLines)
    pages.back().push_back({&blank, pages.back().empty()});

  PageHeader header;
  std::string number = text_or(settings.train_number);
  if (number.empty()) {
    const std::size_t space = train_name.find_last_of(' ');
    number =
        std::string(space == std::string_view::npos ? train_name : train_name.substr(space + 1));
  }
  header.train_number = number;
  header.last_station =
      facts.stations().empty() ? "" : shown_name(facts.stations().back(), settings);
  header.rank = text_or(settings.rank);
  header.braked = std::to_string(facts.braked_mass_percent()) + "%";
  header.category = text_or(settings.category);
  header.blocked_mass = text_or(settings.blocked_mass);
  const std::string equipment =
      facts.repetition_codes() == 0 ? "" : "RSC" + std::to_string(facts.repetition_codes());
  header.locomotive = text_or(settings.locomotive) + "   " + equipment;

  BodyDrawer drawer(facts, std::move(stretches));
  std::string& out = draft.bytes;
  for (std::size_t page = 0; page < pages.size(); ++page) {
    std::vector<std::string> body;
    std::string from;
    std::string to;
    for (const auto& [row, page_start] : pages[page]) {
      body.push_back(drawer.line(*row, page_start));
      const std::string name = trimmed(row->name);
      if (name.empty()) continue;
      if (from.empty()) from = name;
      to = name;
    }
    if (page > 0) {
      add_line(out, "");
      add_line(out, std::string(page == 1 ? 83 : 72, '.'));
    }
    add_line(out, "");
    add_line(out, "");
    const std::string title =
        "Scheda n\xb0 " + std::to_string(page + 1) + "/" + std::to_string(pages.size());
    if (page == 0) {
      first_page_header(out, header, title, from, to);
    } else {
      next_page_header(out, header, title, from, to);
    }
    table_heading(out);
    body.back() = as_bottom_rule(body.back());
    for (const std::string& line : body) add_line(out, line);
  }
  add_line(out, "");
  return draft;
}

}  // namespace borgo::tools::drafting
