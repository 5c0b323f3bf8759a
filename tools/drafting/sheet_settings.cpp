#include "tools/drafting/sheet_settings.hpp"

#include <algorithm>
#include <functional>
#include <utility>

#include "compiler/runtime_failure.hpp"
#include "compiler/utf8_text.hpp"
#include "embedded/kBorgoMarSheetSettings.hpp"
#include "tools/shared/edit_distance.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools::drafting {
namespace {

using compiler::FieldLocation;

// A row that cannot be read: where, and why. Caught for each row.
struct RowFault {
  FieldLocation at;
  std::string message;
};

// Positions and counts far beyond any line: a number past this is a mistake.
constexpr std::int64_t kLargestNumber = 1000000000;
// A page of the sheet has 32 body lines: more blank lines in a row say nothing.
constexpr std::int64_t kMostSpacers = 32;
// A stop's figure has room for two characters, or one and a half minute's.
constexpr std::int64_t kLongestStopMinutes = 99;

std::string quoted(std::string_view text) { return "\"" + utf8_from_1252(text) + "\""; }

// A whole number of 0 or more, or nullopt.
std::optional<std::int64_t> whole_number(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// One row: its line's fields, read with the descriptions' field reader, and
// the key's name for messages.
class RowReader {
 public:
  RowReader(std::string_view line, std::int32_t number) : reader_(line), number_(number) {}

  FieldLocation next() const { return {number_, reader_.next_field().column}; }
  bool at_end() const { return reader_.at_end(); }

  SettingsText text(std::string_view what) {
    if (reader_.at_end()) throw RowFault{next(), "the row lacks its " + std::string(what)};
    const std::string_view text = reader_.read_text();
    const FieldLocation at{number_, reader_.last_field().column};
    if (text.empty()) throw RowFault{at, "the " + std::string(what) + " is empty"};
    return {std::string(text), at};
  }

  std::int64_t number(std::string_view what, std::int64_t least, std::int64_t most) {
    const SettingsText field = text(what);
    const std::optional<std::int64_t> value = whole_number(field.text);
    if (!value || *value < least || *value > most) {
      throw RowFault{field.at, "the " + std::string(what) + " " + quoted(field.text) +
                                   " is no whole number from " + std::to_string(least) + " to " +
                                   std::to_string(most)};
    }
    return *value;
  }

  SettingsPlace place(std::string_view what) {
    const SettingsText field = text(what);
    if (const std::optional<std::int64_t> metres = whole_number(field.text)) {
      return {{}, *metres, field.at};
    }
    return {field.text, std::nullopt, field.at};
  }

  void finish(std::string_view key) {
    if (!reader_.at_end()) {
      throw RowFault{next(), "more values than \"" + std::string(key) + "\" takes"};
    }
  }

 private:
  compiler::FieldReader reader_;
  std::int32_t number_;
};

// A stop's minutes: a whole number, or one with a tenth ("0.5").
SheetSettings::Stop stop_of(SettingsText station, const SettingsText& minutes) {
  const std::string& text = minutes.text;
  const std::size_t point = text.find('.');
  const std::optional<std::int64_t> whole = whole_number(text.substr(0, point));
  std::optional<std::int64_t> tenth = 0;
  if (point != std::string::npos) {
    tenth = text.size() == point + 2 ? whole_number(text.substr(point + 1)) : std::nullopt;
  }
  const bool short_figure = point == std::string::npos || (whole && *whole < 10);
  if (!whole || !tenth || !short_figure || *whole > kLongestStopMinutes ||
      (*whole == 0 && *tenth == 0)) {
    throw RowFault{minutes.at, "the stop's minutes " + quoted(text) +
                                   " are no whole number from 1 to 99 nor one with a tenth "
                                   "below 10, such as 0.5"};
  }
  std::string figure = point == std::string::npos
                           ? (*whole < 10 ? " " : "") + std::to_string(*whole)
                           : std::to_string(*whole) + "." + std::to_string(*tenth);
  return {std::move(station), *whole * 60 + *tenth * 6, std::move(figure)};
}

using Handler = std::function<void(RowReader&, SheetSettings&)>;

struct Key {
  SettingsKey doc;
  Handler read;
};

Handler text_setting(std::optional<SettingsText> SheetSettings::*member, std::string_view what) {
  return [member, what](RowReader& row, SheetSettings& settings) {
    settings.*member = row.text(what);
  };
}

const std::vector<Key>& keys() {
  static const std::vector<Key> table{
      {{"treno", "number",
        "the train's number in the sheet's header (else the train name's last word)", "treno, 903"},
       text_setting(&SheetSettings::train_number, "train number")},
      {{"linea", "name",
        "the line's name as the slow-down order writes it (else the line's name, \"_\" shown as "
        "\"-\"); still that name, letter case, blanks, \"-\" and \"_\" aside, or pack takes the "
        "order for another line's",
        "linea, Borgo-Mar"},
       text_setting(&SheetSettings::line_shown, "line name")},
      {{"rango", "text", "the box above the braked-mass percentage: the train's speed and rank",
        "rango, V200C"},
       text_setting(&SheetSettings::rank, "rank")},
      {{"categoria", "text", "the box CLASSIFICAZIONE: the train's category", "categoria, IC"},
       text_setting(&SheetSettings::category, "category")},
      {{"massa bloccata", "text", "the box MASSA BLOCCATA", "massa bloccata, 600T"},
       text_setting(&SheetSettings::blocked_mass, "blocked mass")},
      {{"locomotiva", "text", "the locomotive, beside the signal-repetition equipment",
        "locomotiva, E444R"},
       text_setting(&SheetSettings::locomotive, "locomotive")},
      {{"nome", "station, name", "the name the sheet gives a station of the train description",
        "nome, Pisa Centrale, PISA C.LE"},
       [](RowReader& row, SheetSettings& settings) {
         SettingsText station = row.text("station");
         settings.names.push_back({std::move(station), row.text("name")});
       }},
      {{"sosta", "station, minutes",
        "the train stops there: its arrival comes so many minutes before its time in the "
        "train description, and the figure in brackets after its times",
        "sosta, Grosseto, 2"},
       [](RowReader& row, SheetSettings& settings) {
         SettingsText station = row.text("station");
         settings.stops.push_back(stop_of(std::move(station), row.text("minutes")));
       }},
      {{"banalizzato", "from, to",
        "two-way working from one place to the other, each a station's name or a position in "
        "metres: the zig-zag and the right-hand track's columns",
        "banalizzato, Orbetello, Follonica"},
       [](RowReader& row, SheetSettings& settings) {
         SettingsPlace from = row.place("start");
         settings.two_way.push_back({std::move(from), row.place("end")});
       }},
      {{"cippo", "position", "a row for the kilometre post at that position (metres)",
        "cippo, 75950"},
       [](RowReader& row, SheetSettings& settings) {
         const FieldLocation at = row.next();
         settings.locations.push_back({row.number("position", 0, kLargestNumber), {}, at});
       }},
      {{"localita", "position, name",
        "a row of the author's at that position (metres): a "
        "junction, a signal",
        "localita, 80500, Bivio Mignone"},
       [](RowReader& row, SheetSettings& settings) {
         const FieldLocation at = row.next();
         const std::int64_t position = row.number("position", 0, kLargestNumber);
         settings.locations.push_back({position, row.text("name"), at});
       }},
      {{"progressiva", "position, metres",
        "a row at that position (metres) showing, in brackets, a kilometre progressive the "
        "line does not model",
        "progressiva, 315000, 1800"},
       [](RowReader& row, SheetSettings& settings) {
         const FieldLocation at = row.next();
         const std::int64_t position = row.number("position", 0, kLargestNumber);
         settings.progressives.push_back(
             {position, row.number("progressive", 0, kLargestNumber), at});
       }},
      {{"riga vuota", "position[, count]",
        "blank lines (one, or count up to 32) after the rows at that position (metres), to "
        "space the sheet",
        "riga vuota, 20000"},
       [](RowReader& row, SheetSettings& settings) {
         const FieldLocation at = row.next();
         const std::int64_t position = row.number("position", 0, kLargestNumber);
         const std::int64_t count = row.at_end() ? 1 : row.number("count", 1, kMostSpacers);
         settings.spacers.push_back({position, count, at});
       }},
  };
  return table;
}

// A key as written, its blanks collapsed and its letters small.
std::string key_name(std::string_view text) {
  std::string name;
  for (const char c : text) {
    if (c == ' ' && (name.empty() || name.back() == ' ')) continue;
    name += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

std::string unknown_key(std::string_view written) {
  std::string message = "unknown key " + quoted(written);
  std::size_t best = 3;  // farther than this, a suggestion is a guess
  std::string_view nearest;
  for (const Key& key : keys()) {
    const std::size_t distance = edit_distance(key_name(written), key.doc.name);
    if (distance < best) {
      best = distance;
      nearest = key.doc.name;
    }
  }
  if (!nearest.empty()) message += ": did you mean \"" + std::string(nearest) + "\"?";
  return message;
}

void read_row(std::string_view line, std::int32_t number, SheetSettings& settings) {
  RowReader row(line, number);
  const SettingsText key = row.text("key");
  const std::string name = key_name(key.text);
  const auto found =
      std::find_if(keys().begin(), keys().end(), [&](const Key& k) { return k.doc.name == name; });
  if (found == keys().end()) throw RowFault{key.at, unknown_key(key.text)};
  // A faulty row leaves the settings as they were.
  SheetSettings read = settings;
  found->read(row, read);
  row.finish(found->doc.name);
  settings = std::move(read);
}

}  // namespace

std::string sheet_settings_name(std::string_view line_name, std::string_view train_name) {
  return std::string(line_name) + "_" + std::string(train_name) + "_scheda.txt";
}

SettingsReading read_sheet_settings(std::string_view bytes) {
  SettingsReading reading;
  std::string converted;
  if (compiler::first_utf8_letter(bytes)) {
    // A UTF-8 file converts whole: the station names must meet the descriptions'.
    converted = windows_1252_copy(bytes).text;
    bytes = converted;
  }
  std::int32_t number = 0;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = bytes.size();
    const std::string_view line = bytes.substr(start, end - start);
    start = end;
    if (start < bytes.size() && bytes[start] == '\r') ++start;
    if (start < bytes.size() && bytes[start] == '\n' &&
        (end == start || bytes[start - 1] == '\r' || start == end))
      ++start;
    ++number;
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos || line[first] == ';') continue;
    try {
      read_row(line, number, reading.settings);
    } catch (const RowFault& fault) {
      reading.diagnostics.push_back({fault.at, fault.message});
    } catch (const compiler::RuntimeFailure& failure) {
      reading.diagnostics.push_back({{number, 1}, failure.what()});
    }
  }
  return reading;
}

const std::vector<SettingsKey>& settings_keys() {
  static const std::vector<SettingsKey> docs = [] {
    std::vector<SettingsKey> out;
    for (const Key& key : keys()) out.push_back(key.doc);
    return out;
  }();
  return docs;
}

std::string_view embedded_sheet_settings() {
  return {kBorgoMarSheetSettings, sizeof kBorgoMarSheetSettings - 1};
}

}  // namespace borgo::tools::drafting
