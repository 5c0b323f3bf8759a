#pragma once

// The train sheet's settings: what an author puts on the sheet that the two
// descriptions cannot tell (the train's category, its locomotive, the stops'
// lengths, two-way working, the author's own rows). They sit beside the
// descriptions in LINE_TRAIN_scheda.txt and read like them: one row a line,
// a key and its values separated by commas, read by the descriptions' own
// field reader, so that an author writes the three documents alike; a row
// that is a line of its own gives every diagnostic an exact line and column.
// Lines that begin with ";" are comments.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/field_reader.hpp"

namespace borgo::tools::drafting {

// The settings file of a scenario: "<line>_<train>_scheda.txt".
std::string sheet_settings_name(std::string_view line_name, std::string_view train_name);

// A place on the line as a row names it: a station by its name, or a route
// position in metres.
struct SettingsPlace {
  std::string station;  // Windows-1252; empty when `metres` is given
  std::optional<std::int64_t> metres;
  compiler::FieldLocation at;
};

// A text value and where it stands.
struct SettingsText {
  std::string text;  // Windows-1252
  compiler::FieldLocation at;
};

struct SheetSettings {
  std::optional<SettingsText> train_number;  // "treno"
  std::optional<SettingsText> line_shown;    // "linea"
  std::optional<SettingsText> rank;          // "rango"
  std::optional<SettingsText> category;      // "categoria"
  std::optional<SettingsText> blocked_mass;  // "massa bloccata"
  std::optional<SettingsText> locomotive;    // "locomotiva"

  struct ShownName {  // "nome": how the sheet names a station
    SettingsText station;
    SettingsText shown;
  };
  std::vector<ShownName> names;

  struct Stop {  // "sosta": the minutes a train stands at a station
    SettingsText station;
    std::int64_t seconds = 0;
    std::string figure;  // as the sheet shows it in brackets: " 1", "0.5"
  };
  std::vector<Stop> stops;

  struct TwoWay {  // "banalizzato": two-way working from one place to another
    SettingsPlace from;
    SettingsPlace to;
  };
  std::vector<TwoWay> two_way;

  struct Location {  // "cippo" (no name: the kilometre post's) and "localita"
    std::int64_t position = 0;
    std::optional<SettingsText> name;
    compiler::FieldLocation at;
  };
  std::vector<Location> locations;

  struct Spacer {  // "riga vuota": blank lines after the rows at a position
    std::int64_t position = 0;
    std::int64_t count = 1;
    compiler::FieldLocation at;
  };
  std::vector<Spacer> spacers;

  struct UnmodelledProgressive {  // "progressiva": a progressive shown in brackets
    std::int64_t position = 0;
    std::int64_t metres = 0;
    compiler::FieldLocation at;
  };
  std::vector<UnmodelledProgressive> progressives;
};

// A fault of the settings: where, and what.
struct SettingsDiagnostic {
  compiler::FieldLocation at;
  std::string message;  // UTF-8
};

struct SettingsReading {
  SheetSettings settings;
  std::vector<SettingsDiagnostic> diagnostics;  // none: every row was read
};

// Reads a settings file's bytes, Windows-1252 (UTF-8 text is converted).
// Each faulty row gives a diagnostic and is left out; the others are kept.
SettingsReading read_sheet_settings(std::string_view bytes);

// One key of the settings: its name, its values and what it sets.
struct SettingsKey {
  std::string_view name;
  std::string_view values;
  std::string_view meaning;
  std::string_view example;  // a row of the embedded scenario's settings
};
const std::vector<SettingsKey>& settings_keys();

// The embedded scenario's settings, as `emit` writes them.
std::string_view embedded_sheet_settings();

}  // namespace borgo::tools::drafting
