#include "tools/drafting/slow_down_order.hpp"

#include "tools/drafting/text_cells.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools::drafting {
namespace {

constexpr std::size_t kStationsWidth = 28;

void add_line(std::string& out, std::string_view line) {
  out += line;
  out += "\r\n";
}

std::string entry_line(std::string_view number, std::string_view stations, std::string_view post,
                       std::string_view speed, std::string_view length,
                       std::string_view prescriptions = "") {
  return " |" + left_in(number, 3) + "|" + left_in(stations, kStationsWidth) + "|" +
         left_in(post, 12) + "|" + left_in(speed, 10) + "|" + left_in(length, 9) + "|" +
         left_in(prescriptions, 12) + "|";
}

}  // namespace

std::string line_shown(const SheetSettings& settings, std::string_view line_name) {
  if (settings.line_shown) return settings.line_shown->text;
  std::string shown(line_name);
  for (char& c : shown) {
    if (c == '_') c = '-';
  }
  return shown;
}

std::string enclosing_stations(const RouteFacts& facts, std::int64_t start, std::int64_t end) {
  const StationFact* before = nullptr;
  const StationFact* after = nullptr;
  for (const StationFact& station : facts.stations()) {
    if (station.zone_start <= end && station.zone_end >= start) return station.name;
    if (station.position <= start) before = &station;
    if (station.position >= end && after == nullptr) after = &station;
  }
  if (before != nullptr && after != nullptr) return before->name + " - " + after->name;
  if (before != nullptr) return before->name;
  return after != nullptr ? after->name : std::string();
}

Draft draft_slow_down_order(const RouteFacts& facts, const SheetSettings& settings,
                            std::string_view line_name, std::string_view train_name) {
  Draft draft;
  std::string& out = draft.bytes;
  add_line(out, "");
  add_line(out, "                                   Modulo M. 3");
  add_line(out, "                             ORDINE DI RALLENTAMENTO");
  add_line(out, "                    -----------------------------------------");
  add_line(out, " Linea  " + line_shown(settings, line_name));
  add_line(out, "");
  add_line(out, " Si ordina al macchinista del treno " + std::string(train_name) +
                    " di effettuare i seguenti rallentamenti:");
  add_line(out, " " + std::string(81, '_'));
  add_line(out, entry_line("N.", "     FRA LE STAZIONI", " Inizio dopo", "Velocita'", "Lunghezza",
                           "Prescrizioni"));
  add_line(out,
           entry_line("", " (o nelle Stazioni di)", "  il cippo", "", "  metri", " specifiche"));
  add_line(out, entry_line("", "", "chilometrico", "", ""));
  const std::string rule = " " + as_rule(entry_line("", "", "", "", "").substr(1));
  add_line(out, rule);
  std::size_t number = 0;
  for (const SlowDownFact& slow_down : facts.slow_downs()) {
    ++number;
    std::string stations =
        enclosing_stations(facts, slow_down.position, slow_down.position + slow_down.length);
    if (stations.size() > kStationsWidth) {
      draft.notes.push_back("slow-down " + std::to_string(number) + " (line " +
                            std::to_string(slow_down.row.key.line) +
                            " of the train description): \"" + utf8_from_1252(stations) +
                            "\" is cut to " + std::to_string(kStationsWidth) + " characters");
    }
    const std::int64_t post =
        kilometre_post_before(facts.progressive_at(slow_down.position).metres);
    add_line(out,
             entry_line(right_in(std::to_string(number), 2), stations,
                        right_in(kilometres(post), 9), right_in(std::to_string(slow_down.speed), 6),
                        right_in(std::to_string(slow_down.length), 6)));
  }
  for (; number < kOrderEntryLines; ++number) add_line(out, entry_line("", "", "", "", ""));
  add_line(out, rule);
  add_line(out, "");
  add_line(out, " Prescrizioni specifiche");
  add_line(out, " A - Da rispettare con tutto il treno (treni viaggiatori).");
  add_line(out, " B - Il rallentamento interessa anche la stazione di ..........");
  add_line(out, " D - I rallentamenti N. ...... e N. ...... sono contigui.");
  add_line(out, " C - Da rispettare dalle ore ...... alle ore ...... di tutti i giorni,");
  add_line(out, "     esclusi i giorni ...........");
  return draft;
}

}  // namespace borgo::tools::drafting
