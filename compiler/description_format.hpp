#pragma once

// The line and train descriptions' format, written down once: how a row's
// key is matched, its fields in order, what each field means, its unit, type
// and checks, where it lands in the route model, and the errors and warnings
// it can raise. The readers take their key words from here; the author's
// reference (docs/description-format.md) and the tool's explanations are made
// from this table, and a test compiles each row's example to hold the table
// to what the readers do.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "compiler/compile_report.hpp"
#include "compiler/error_catalog.hpp"

namespace borgo::compiler {

enum class LetterCase : std::uint8_t { kIgnored, kExact };

// The key test of one kind of row: the key field must contain every word,
// anywhere in it.
struct KeyWords {
  std::array<std::string_view, 2> words;  // an empty word tests nothing
  LetterCase letter_case = LetterCase::kIgnored;

  // The words of a test that ignores letter case are written in lower case,
  // so that a row's key is lower-cased once for all the tests it meets; a
  // capital letter there does not compile.
  consteval KeyWords(std::array<std::string_view, 2> words_,
                     LetterCase letter_case_ = LetterCase::kIgnored)
      : words(words_), letter_case(letter_case_) {
    for (const std::string_view word : words) {
      for (const char c : word) {
        if (letter_case == LetterCase::kIgnored && c >= 'A' && c <= 'Z') {
          throw "a key word that ignores letter case is written in lower case";
        }
      }
    }
  }

  bool match(std::string_view key) const;
  // The same, given the key lower-cased as well (see LoweredKey).
  bool match(std::string_view key, std::string_view lowered_key) const;
};

// A row's key lower-cased, once for all the key tests of the row: on the
// stack when it is short, as keys are.
class LoweredKey {
 public:
  explicit LoweredKey(std::string_view key);
  LoweredKey(const LoweredKey&) = delete;
  LoweredKey& operator=(const LoweredKey&) = delete;
  std::string_view text() const { return text_; }

 private:
  std::array<char, 128> short_;
  std::string long_;
  std::string_view text_;
};

namespace format {

// ---- the key words of every row, in the order the readers test them

// The line description's general section.
inline constexpr KeyWords kLengthKey{{"percorso", "lunghezza"}};
inline constexpr KeyWords kProgressiveTreKey{{"tre", "progressiva"}, LetterCase::kExact};
inline constexpr KeyWords kProgressiveDueKey{{"due", "progressiva"}, LetterCase::kExact};
inline constexpr KeyWords kProgressiveUnoKey{{"uno", "progressiva"}, LetterCase::kExact};
inline constexpr KeyWords kBackgroundUnoKey{{"sfondo", "uno"}, LetterCase::kExact};
inline constexpr KeyWords kBackgroundDueKey{{"sfondo", "due"}, LetterCase::kExact};
inline constexpr KeyWords kBackgroundTreKey{{"sfondo", "tre"}, LetterCase::kExact};
inline constexpr KeyWords kRepetitionKey{{"segnali", "ripetizione"}, LetterCase::kExact};
// The line description's body.
inline constexpr KeyWords kGradientKey{{"pendenza"}};
inline constexpr KeyWords kCurveKey{{"curva"}};
inline constexpr KeyWords kMountainKey{{"montagna"}};
inline constexpr KeyWords kIndicatorKey{{"indicatori_v"}};
inline constexpr KeyWords kSignKey{{"cartello", "indicat"}};
// The train description, after "[generale]".
inline constexpr KeyWords kBrakedMassKey{{"frenata", "massa"}};
inline constexpr KeyWords kCarsKey{{"vetture"}};
inline constexpr KeyWords kSpeedKey{{"velocit"}};
inline constexpr KeyWords kAdhesionKey{{"aderenza"}};
inline constexpr KeyWords kClockKey{{"orologio"}};
inline constexpr KeyWords kSandKey{{"sabbia"}};
inline constexpr KeyWords kSignalKey{{"segnale"}};
inline constexpr KeyWords kSlowDownKey{{"rallentamento"}};
inline constexpr KeyWords kCodePointKey{{"abbattimento"}};
inline constexpr KeyWords kStationKey{{"stazione"}};

// Each section's keys in the order the readers test them; the readers and
// the table below are checked against these when they are compiled.
inline constexpr std::array kLineGeneralKeys{
    &kLengthKey,        &kProgressiveTreKey, &kProgressiveDueKey, &kProgressiveUnoKey,
    &kBackgroundUnoKey, &kBackgroundDueKey,  &kBackgroundTreKey,  &kRepetitionKey,
};
inline constexpr std::array kLineBodyKeys{
    &kGradientKey, &kCurveKey, &kMountainKey, &kIndicatorKey, &kSignKey,
};
inline constexpr std::array kTrainBodyKeys{
    &kBrakedMassKey, &kCarsKey,   &kSpeedKey,    &kAdhesionKey,  &kClockKey,
    &kSandKey,       &kSignalKey, &kSlowDownKey, &kCodePointKey, &kStationKey,
};

// True when a reader's rules test the keys `order` in that order.
template <typename Rules, typename Order>
constexpr bool tests_keys_in_order(const Rules& rules, const Order& order) {
  if (rules.size() != order.size()) return false;
  for (std::size_t i = 0; i < rules.size(); ++i) {
    if (rules[i].key != order[i]) return false;
  }
  return true;
}

// The word that opens both documents' rows, and what a key must hold to
// close the line description's general section.
inline constexpr std::string_view kGeneralHeading = "[generale]";
// How many fields in a row a key holding "-" may be replaced by the next.
inline constexpr int kGeneralDashReads = 10;
inline constexpr int kBodyDashReads = 2;

// ---- the table

// Where a row may stand: the reader applies the rows of one section only.
enum class Section : std::uint8_t {
  kLineGeneral,  // the line description, from "[generale]" to the next heading
  kLineBody,     // the line description after that heading
  kTrainBody,    // the train description after "[generale]"
};
Document document_of(Section section);

enum class ValueType : std::uint8_t { kInt32, kInt16, kUInt8, kText };

enum class Unit : std::uint8_t {
  kNone,
  kMetres,
  kKmh,
  kPerMille,
  kPercent,
  kHours,
  kMinutes,
  kSeconds,
};

// How a position field picks its 50 m cell; rnd rounds halves to even.
enum class CellRule : std::uint8_t {
  kNone,          // not a position on the route
  kRouteOnly,     // a position on the route that no cell holds by itself
  kFeature,       // rnd(p / 50 + 1): signals, signs, indicators, slow-downs
  kProfileStart,  // rnd(p / 50): the first cell of a profile row's stretch
  kCodePoint,     // rnd(p / 50)
  kRangeStart,    // a montagna range's first cell: rnd(inizio / 50)
  kRangeEnd,      // a montagna range's last cell: rnd(fine / 50 - 1)
  kPlanMetre,     // a metre of the line plan
};

// The cell a position field picks by its rule: the rule's own for cells, the
// cell a feature there would take for a position no cell holds by itself or
// a metre of the plan; nullopt for a field that is no position.
std::optional<std::int32_t> cell_of(CellRule rule, std::int64_t p);
// The rule as a formula of the position p: "rnd(p / 50 + 1)"; "" for kNone.
std::string_view cell_formula(CellRule rule);

struct FieldFormat {
  std::string_view name = {};     // as authors name it: "posizione", "sx"
  std::string_view meaning = {};  // what it is, in a sentence without a full stop
  Unit unit = Unit::kNone;
  ValueType type = ValueType::kInt32;
  std::string_view checks = {};  // what the compile checks, or "" for nothing
  CellRule cell = CellRule::kNone;
  // Where it lands: in words for authors, and the role that reads it back
  // (record_roles.hpp's names), which the format test decodes.
  std::string_view lands = {};
  std::string_view role = {};
  std::span<const error::Number> errors = {};
};

struct RowFormat {
  std::string_view name = {};   // the row's key as authors write it: "segnale"
  std::string_view title = {};  // "a signal"
  Section section = {};
  const KeyWords* key = {};
  std::string_view key_rule = {};  // what the key carries besides its words, or ""
  std::string_view summary = {};   // what the row does, in sentences
  std::string_view example = {};   // a line of the embedded scenario, as it stands there
  std::span<const FieldFormat> fields = {};
  std::span<const error::Number> errors = {};  // raised by the row as a whole
  std::span<const CompileWarning::Kind> warnings = {};
};

// Every row kind, section by section in the readers' order: within a
// section, every row whose key words a key field holds applies, in this order.
std::span<const RowFormat> rows();
// The rows of one section, in order.
std::span<const RowFormat> rows_of(Section section);

// The rules every document follows, as titled paragraphs for authors.
struct GeneralRule {
  std::string_view title;
  std::string_view text;
};
std::span<const GeneralRule> general_rules();

// What each warning means and what to do about it.
struct WarningFormat {
  CompileWarning::Kind kind;
  std::string_view name;  // "unknown-key"
  std::string_view meaning;
  std::string_view advice;
};
std::span<const WarningFormat> warnings();
const WarningFormat& warning(CompileWarning::Kind kind);

// A curve key's side and radius class: an "s" or "S" anywhere turns left;
// the lowest of the digits 1 to 6 in it is the class, 0 for none.
struct CurveKey {
  bool left = false;
  int radius_class = 0;
};
CurveKey read_curve_key(std::string_view key);
// The curvature per metre of the radius classes 1 to 6: one over the radius.
inline constexpr std::array<double, 6> kCurveCurvature{0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};

// What a key says beyond its words, for a row whose key carries more (a
// curve's side and radius, the signal repetition's codes); "" for the rest.
std::string key_says(const RowFormat& row, std::string_view key);

// A section in words: "the train description"; and where its rows go, for
// a row written elsewhere: "in the train description, after \"[generale]\"".
std::string_view section_words(Section section);
std::string_view section_place(Section section);

// ---- what the author's tool says

// The cases the author's tool words beyond a warning's or an error's own
// meaning, each a pattern whose {names} the tool fills in; the reference
// shows them beside the warnings and errors.
enum class Said : std::uint8_t {
  kMisspeltKey,
  kKeyOfAnotherSection,
  kKeyInOtherLetterCase,
  kUnknownRowKey,
  kRowWithoutKey,
  kLoneMisspeltKey,
  kLoneKeyOfAnotherSection,
  kLoneKeyInOtherLetterCase,
  kLostFeatureAt,
  kLostFeature,
  kLostSetting,
  kLostValues,
  kCommaEndsText,
  kPastLineEnd,
  kUtf8Letters,
  kStationsOutOfOrder,
  kRowEndsTooSoon,
  kRowEndsWithDocument,
  kLengthReadAs,
  kLengthCutByComma,
  kEmptyFieldShifts,
  kNotRead,
};

struct Saying {
  Said id;
  std::string_view about;  // what it words: a warning's name, "error 22", a command
  std::string_view when;   // when the tool says it
  std::string_view says;   // the pattern
};
std::span<const Saying> sayings();
const Saying& saying(Said id);

// The pattern of `id` with each {name} among `values` replaced by its value.
std::string say(Said id,
                std::initializer_list<std::pair<std::string_view, std::string_view>> values);

std::string_view unit_name(Unit unit);        // "metres", "" for none
std::string_view type_name(ValueType type);   // "32-bit integer"
std::string_view type_range(ValueType type);  // "-2147483648 to 2147483647", "" for text

}  // namespace format
}  // namespace borgo::compiler
