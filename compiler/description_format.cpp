#include "compiler/description_format.hpp"

#include <algorithm>
#include <string>

#include "compiler/numeric.hpp"

namespace borgo::compiler::format {
namespace {

using error::Number;
using W = CompileWarning::Kind;
namespace e = error;

// ---- errors and warnings shared by several rows or fields

constexpr Number kLengthErrors[] = {e::kLineTooLong, e::kNegativePosition};
constexpr Number kProgressiveErrors[] = {e::kProgressiveOffGrid};
constexpr Number kRepetitionStartErrors[] = {e::kRepetitionStartOffGrid};
constexpr Number kRepetitionEndErrors[] = {e::kRepetitionEndOffGrid};
constexpr Number kRepetitionRowErrors[] = {e::kRepetitionCodeCount};
constexpr Number kProfilePositionErrors[] = {e::kNegativePosition, e::kBeyondGrid};
constexpr Number kCurveRowErrors[] = {e::kCurve};
constexpr Number kMountainStartErrors[] = {e::kNegativePosition, e::kBeyondGrid};
constexpr Number kMountainEndErrors[] = {e::kNegativePosition, e::kMountainPastGrid};
constexpr Number kMountainRowErrors[] = {e::kTooManyMountainRanges};
constexpr Number kIndicatorPositionErrors[] = {e::kNegativePosition, e::kBeyondGrid,
                                               e::kIndicatorCellTaken};
constexpr Number kIndicatorSpeedErrors[] = {e::kRuntimeFailure};
constexpr Number kSignPositionErrors[] = {e::kNegativePosition, e::kBeyondGrid, e::kSignCellTaken};
constexpr Number kSignRowErrors[] = {e::kTooManySigns};
constexpr Number kSpeedErrors[] = {e::kRuntimeFailure};
constexpr Number kSignalPositionErrors[] = {e::kNegativePosition, e::kBeyondGrid,
                                            e::kSignalCellTaken, e::kSignalMarksBeforeGrid};
constexpr Number kSlowDownPositionErrors[] = {e::kNegativePosition, e::kBeyondGrid,
                                              e::kBoardCellTaken, e::kSlowDownStartTaken,
                                              e::kSlowDownPastGrid};
constexpr Number kSlowDownLengthErrors[] = {e::kNegativePosition, e::kSlowDownEndTaken,
                                            e::kSlowDownPastGrid};
constexpr Number kSlowDownBoardErrors[] = {e::kBeforeBoardTaken};
constexpr Number kCodePointPositionErrors[] = {e::kNegativePosition, e::kBeyondGrid,
                                               e::kCodePointCellTaken};
constexpr Number kStationPositionErrors[] = {e::kNegativePosition, e::kBeyondGrid,
                                             e::kStationOffGrid};
constexpr Number kStationZoneErrors[] = {e::kStationZoneLength};
constexpr Number kStationRowErrors[] = {e::kStationZoneTooEarly, e::kStationsTooClose,
                                        e::kStationsMeetSigns};

constexpr W kProfileWarnings[] = {W::kProfileOutOfOrder};
constexpr W kCurveWarnings[] = {W::kCurveBeforeReached};
constexpr W kSlowDownWarnings[] = {W::kSlowDownWithoutCode};

// ---- the fields of each row

constexpr FieldFormat kLengthFields[] = {
    {.name = "lunghezza",
     .meaning = "the length of the line; the cell grid and the line plan reach 7000 m beyond it",
     .unit = Unit::kMetres,
     .checks = "0 to 1000000",
     .cell = CellRule::kNone,
     .lands = "the train file's item 84, `line_length`; the grid's last cell is rnd((lunghezza + "
              "7000) / 50)",
     .role = "TrainAndLengthItem::line_length",
     .errors = kLengthErrors},
};

constexpr FieldFormat kProgressiveFields[] = {
    {.name = "posizione",
     .meaning = "where on the route the change takes effect; the train sheet counts on the new "
                "progressive after it",
     .unit = Unit::kMetres,
     .checks = "a multiple of 50",
     .cell = CellRule::kRouteOnly,
     .lands = "the train file's items 81 to 83, `position`, in route order",
     .role = "ProgressiveItem::position",
     .errors = kProgressiveErrors},
    {.name = "valore",
     .meaning = "what the new progressive adds to the route position: after posizione the "
                "kilometre progressive is the route position plus valore",
     .unit = Unit::kMetres,
     .checks = "a multiple of 50",
     .lands = "items 81 to 83, `value`, raised by 100 when flag is 1",
     .role = "ProgressiveItem::value",
     .errors = kProgressiveErrors},
    {.name = "flag",
     .meaning = "1 raises the stored value by 100; the train sheet counts on valore as written",
     .lands = "items 81 to 83, `flag`",
     .role = "ProgressiveItem::flag"},
};

constexpr FieldFormat kBackgroundUnoFields[] = {
    {.name = "valore",
     .meaning = "the first of the line's three background settings, which the simulator "
                "reads; any whole number, passed on unchecked",
     .lands = "the train file's item 85, `background_uno`",
     .role = "LineItem::background_uno"},
};
constexpr FieldFormat kBackgroundDueFields[] = {
    {.name = "valore",
     .meaning = "the second of the line's three background settings, which the simulator "
                "reads; any whole number, passed on unchecked",
     .lands = "the train file's item 85, `background_due`",
     .role = "LineItem::background_due"},
};
constexpr FieldFormat kBackgroundTreFields[] = {
    {.name = "valore",
     .meaning = "the third of the line's three background settings, which the simulator "
                "reads; any whole number, passed on unchecked",
     .lands = "the train file's item 85, `background_tre`",
     .role = "LineItem::background_tre"},
};

constexpr FieldFormat kRepetitionFields[] = {
    {.name = "inizio",
     .meaning = "where the signal repetition begins",
     .unit = Unit::kMetres,
     .checks = "a multiple of 50",
     .cell = CellRule::kRouteOnly,
     .lands = "the train file's item 86, `repetition_from`",
     .role = "TrainItem::repetition_start",
     .errors = kRepetitionStartErrors},
    {.name = "fine",
     .meaning = "where the signal repetition ends; 0 switches the repetition off",
     .unit = Unit::kMetres,
     .checks = "a multiple of 50",
     .cell = CellRule::kRouteOnly,
     .lands = "the train file's item 86, `repetition_to`; with 0 `repetition_codes` becomes 0",
     .role = "TrainItem::repetition_end",
     .errors = kRepetitionEndErrors},
};

constexpr FieldFormat kGradientFields[] = {
    {.name = "posizione",
     .meaning = "where the gradient begins; it holds up to the next gradient row",
     .unit = Unit::kMetres,
     .checks = "0 or more, inside the grid; rows in ascending order",
     .cell = CellRule::kProfileStart,
     .lands = "the cells from rnd(posizione / 50) up to the next row's",
     .role = "first cell of gradient_code",
     .errors = kProfilePositionErrors},
    {.name = "pendenza",
     .meaning = "the gradient, rising when positive; a decimal comma cuts it to its whole part",
     .unit = Unit::kPerMille,
     .checks = "kept to 8 bits after adding 100 (-100 to 155)",
     .lands = "the cells' `gradient_per_mille`, kept as pendenza + 100 in a byte",
     .role = "gradient_per_mille(gradient_code)"},
};

constexpr FieldFormat kCurveFields[] = {
    {.name = "inizio",
     .meaning = "where the curve begins; the line runs straight up to it",
     .unit = Unit::kMetres,
     .checks = "0 or more, inside the grid; curves in ascending order",
     .cell = CellRule::kPlanMetre,
     .lands = "the line plan: straight up to metre inizio",
     .role = "curve run: first metre - 1",
     .errors = kProfilePositionErrors},
    {.name = "lunghezza",
     .meaning = "the curve's length; the heading turns over metres inizio + 1 to inizio + "
                "lunghezza",
     .unit = Unit::kMetres,
     .checks = "the plan must stay within metre 1000000",
     .lands = "the line plan: a run of turning metres",
     .role = "curve run: metres"},
};

constexpr FieldFormat kMountainFields[] = {
    {.name = "inizio",
     .meaning = "where the montagna range begins",
     .unit = Unit::kMetres,
     .checks = "0 or more, inside the grid",
     .cell = CellRule::kRangeStart,
     .lands = "the range's first cell, rnd(inizio / 50)",
     .role = "first cell of mountain_type",
     .errors = kMountainStartErrors},
    {.name = "fine",
     .meaning = "where the montagna range ends",
     .unit = Unit::kMetres,
     .checks = "0 or more; the last cell inside the grid",
     .cell = CellRule::kRangeEnd,
     .lands = "the range's last cell, rnd(fine / 50 - 1)",
     .role = "last cell of mountain_type",
     .errors = kMountainEndErrors},
    {.name = "tipo",
     .meaning = "the range's type; above 10, tipo - 10 with a montagna marker on every fourth "
                "empty cell; a range that begins 150 m or less after the previous one ends "
                "takes type 3",
     .checks = "kept to 8 bits",
     .lands = "every cell of the range; its markers are cells of kind 11",
     .role = "mountain_type, + 10 with markers"},
};

constexpr FieldFormat kIndicatorFields[] = {
    {.name = "posizione",
     .meaning = "where the pair of maximum-speed indicators stands",
     .unit = Unit::kMetres,
     .checks = "0 or more, inside the grid, on a free cell",
     .cell = CellRule::kFeature,
     .lands = "a cell of kind 6 (speed indicators)",
     .role = "cell of kind 6",
     .errors = kIndicatorPositionErrors},
    {.name = "vas",
     .meaning = "speed a on the left-hand board",
     .unit = Unit::kKmh,
     .checks = "vas * 20 + vad / 5 must fit 16 bits",
     .lands = "the indicators' speed a, vas * 20 + vad / 5",
     .role = "indicator_speed_left(indicator_speeds(cell, 1))",
     .errors = kIndicatorSpeedErrors},
    {.name = "vbs",
     .meaning = "speed b on the left-hand board",
     .unit = Unit::kKmh,
     .checks = "vbs * 20 + vbd / 5 must fit 16 bits",
     .lands = "the indicators' speed b, vbs * 20 + vbd / 5",
     .role = "indicator_speed_left(indicator_speeds(cell, 2))",
     .errors = kIndicatorSpeedErrors},
    {.name = "vcs",
     .meaning = "speed c on the left-hand board",
     .unit = Unit::kKmh,
     .checks = "vcs * 20 + vcd / 5 must fit 16 bits",
     .lands = "the indicators' speed c, vcs * 20 + vcd / 5",
     .role = "indicator_speed_left(indicator_speeds(cell, 3))",
     .errors = kIndicatorSpeedErrors},
    {.name = "strisces",
     .meaning = "the stripes on the left-hand board",
     .lands = "the indicators' stripes, strisces * 10 + strisced",
     .role = "indicator_stripes_left(indicator_stripes(cell))"},
    {.name = "vad",
     .meaning = "speed a on the right-hand board; empty when there is none",
     .unit = Unit::kKmh,
     .checks = "divided by 5 and rounded",
     .lands = "the indicators' speed a, with vas",
     .role = "indicator_speed_right(indicator_speeds(cell, 1))",
     .errors = kIndicatorSpeedErrors},
    {.name = "vbd",
     .meaning = "speed b on the right-hand board; empty when there is none",
     .unit = Unit::kKmh,
     .checks = "divided by 5 and rounded",
     .lands = "the indicators' speed b, with vbs",
     .role = "indicator_speed_right(indicator_speeds(cell, 2))",
     .errors = kIndicatorSpeedErrors},
    {.name = "vcd",
     .meaning = "speed c on the right-hand board; empty when there is none",
     .unit = Unit::kKmh,
     .checks = "divided by 5 and rounded",
     .lands = "the indicators' speed c, with vcs",
     .role = "indicator_speed_right(indicator_speeds(cell, 3))",
     .errors = kIndicatorSpeedErrors},
    {.name = "strisced",
     .meaning = "the stripes on the right-hand board",
     .lands = "the indicators' stripes, with strisces",
     .role = "indicator_stripes_right(indicator_stripes(cell))"},
};

constexpr FieldFormat kSignFields[] = {
    {.name = "posizione",
     .meaning = "where the sign stands",
     .unit = Unit::kMetres,
     .checks = "0 or more, inside the grid, on a free cell",
     .cell = CellRule::kFeature,
     .lands = "a cell of kind 14 (sign), naming the sign's item",
     .role = "cell of kind 14",
     .errors = kSignPositionErrors},
    {.name = "testo",
     .meaning = "the sign's text, up to the comma or the line end (or in double quotes)",
     .type = ValueType::kText,
     .lands =
         "the text of the train file's items 80, 79, ..., one a sign in the order of the signs",
     .role = "sign_text(items[sign_item(cell)])"},
};

constexpr FieldFormat kBrakedMassFields[] = {
    {.name = "percentuale",
     .meaning = "the train's braked-mass percentage",
     .unit = Unit::kPercent,
     .lands = "the train file's item 84, `braked_mass`",
     .role = "TrainAndLengthItem::braked_mass"},
};

constexpr FieldFormat kCarsFields[] = {
    {.name = "vetture",
     .meaning = "the number of cars",
     .lands = "the train file's item 84, `cars`",
     .role = "TrainAndLengthItem::cars"},
};

constexpr FieldFormat kSpeedFields[] = {
    {.name = "posizione",
     .meaning = "where the line speed begins; it holds up to the next speed row",
     .unit = Unit::kMetres,
     .checks = "0 or more, inside the grid; rows in ascending order",
     .cell = CellRule::kProfileStart,
     .lands = "the cells from rnd(posizione / 50) up to the next row's",
     .role = "first cell of speed_code",
     .errors = kProfilePositionErrors},
    {.name = "velocita",
     .meaning = "the line speed, in steps of 5 km/h",
     .unit = Unit::kKmh,
     .checks = "rnd(velocita / 5) must fit 0 to 255: -2 to 1277 km/h",
     .lands = "the cells' `line_speed_kmh`, kept as rnd(velocita / 5) in a byte",
     .role = "speed_code_kmh(speed_code)",
     .errors = kSpeedErrors},
};

constexpr FieldFormat kAdhesionFields[] = {
    {.name = "posizione",
     .meaning = "where the adhesion begins; it holds up to the next adhesion row",
     .unit = Unit::kMetres,
     .checks = "0 or more, inside the grid; rows in ascending order",
     .cell = CellRule::kProfileStart,
     .lands = "the cells from rnd(posizione / 50) up to the next row's",
     .role = "first cell of adhesion",
     .errors = kProfilePositionErrors},
    {.name = "aderenza",
     .meaning = "the rail's adhesion",
     .checks = "kept to 8 bits",
     .lands = "the cells' `adhesion`",
     .role = "adhesion"},
};

constexpr FieldFormat kClockFields[] = {
    {.name = "ore",
     .meaning = "the clock's hour at the start",
     .unit = Unit::kHours,
     .type = ValueType::kInt16,
     .lands = "the train file's item 86, `clock`",
     .role = "TrainItem::clock_hours"},
    {.name = "minuti",
     .meaning = "the clock's minutes at the start",
     .unit = Unit::kMinutes,
     .type = ValueType::kInt16,
     .lands = "the train file's item 86, `clock`",
     .role = "TrainItem::clock_minutes"},
    {.name = "secondi",
     .meaning = "the clock's seconds at the start",
     .unit = Unit::kSeconds,
     .type = ValueType::kInt16,
     .lands = "the train file's item 86, `clock`",
     .role = "TrainItem::clock_seconds"},
};

constexpr FieldFormat kSandFields[] = {
    {.name = "sabbia",
     .meaning = "the sand the train carries",
     .type = ValueType::kInt16,
     .lands = "the train file's item 86, `sand`",
     .role = "TrainItem::sand"},
};

constexpr FieldFormat kSignalFields[] = {
    {.name = "posizione",
     .meaning = "where the signal stands",
     .unit = Unit::kMetres,
     .checks = "0 or more, inside the grid, on a free cell, in cell 8 or later (350 m on) so "
               "that its approach marks fit",
     .cell = CellRule::kFeature,
     .lands = "a cell of kind 1 (signal); approach marks on the cells 2, 4, 6 and 8 before it",
     .role = "cell of kind 1",
     .errors = kSignalPositionErrors},
    {.name = "sx",
     .meaning = "the signal's left-hand setting; 2 makes it a timed signal that keeps tempo",
     .lands = "the signal's setting, rapp * 10 + sx * 3 + dx; its approach marks, sx * 30 + dx * "
              "10 + 1 to 4",
     .role = "signal_setting_sx(signal_setting(cell))"},
    {.name = "s1",
     .meaning = "the left-hand part of the first aspect",
     .lands = "the signal's first aspect, s1 * 10 + d1",
     .role = "signal_aspect_left(signal_aspect(cell, 1))"},
    {.name = "s2",
     .meaning = "the left-hand part of the second aspect",
     .lands = "the signal's second aspect, s2 * 10 + d2",
     .role = "signal_aspect_left(signal_aspect(cell, 2))"},
    {.name = "s3",
     .meaning = "the left-hand part of the third aspect",
     .lands = "the signal's third aspect, s3 * 10 + d3",
     .role = "signal_aspect_left(signal_aspect(cell, 3))"},
    {.name = "rapp",
     .meaning = "a third setting of the signal that the simulator reads, beside sx and dx; the "
                "three are kept together as rapp * 10 + sx * 3 + dx, which holds them apart "
                "while sx and dx stay 0 to 2",
     .lands = "the signal's setting, times 10",
     .role = "signal_setting_rapp(signal_setting(cell))"},
    {.name = "dx",
     .meaning = "the signal's right-hand setting",
     .lands = "the signal's setting; its approach marks, times 10",
     .role = "signal_setting_dx(signal_setting(cell))"},
    {.name = "d1",
     .meaning = "the right-hand part of the first aspect",
     .lands = "the signal's first aspect, with s1",
     .role = "signal_aspect_right(signal_aspect(cell, 1))"},
    {.name = "d2",
     .meaning = "the right-hand part of the second aspect",
     .lands = "the signal's second aspect, with s2",
     .role = "signal_aspect_right(signal_aspect(cell, 2))"},
    {.name = "d3",
     .meaning = "the right-hand part of the third aspect",
     .lands = "the signal's third aspect, with s3",
     .role = "signal_aspect_right(signal_aspect(cell, 3))"},
    {.name = "tempo",
     .meaning = "the time of a timed signal (sx 2); 1 to 100 become 101",
     .checks = "kept to 8 bits; 0 unless sx is 2",
     .lands = "the signal's time",
     .role = "signal_time"},
};

constexpr FieldFormat kSlowDownFields[] = {
    {.name = "posizione",
     .meaning = "where the slow-down begins; past 1500 m its warning board stands 1200 m before",
     .unit = Unit::kMetres,
     .checks = "0 or more, inside the grid; its start cell and its board's cell free",
     .cell = CellRule::kFeature,
     .lands = "cell of kind 3 (slow-down start); the board is cell kind 4 at rnd((posizione - "
              "1200) / 50 + 1)",
     .role = "cell of kind 3",
     .errors = kSlowDownPositionErrors},
    {.name = "v",
     .meaning = "the speed limit over the slow-down",
     .unit = Unit::kKmh,
     .lands = "the limit of the board, start and end cells",
     .role = "slow_down_limit(start cell)"},
    {.name = "l",
     .meaning = "the slow-down's length",
     .unit = Unit::kMetres,
     .checks = "its end, rnd((posizione + l) / 50 + 1), on a free cell inside the grid",
     .lands = "cell of kind 2 (slow-down end) at rnd((posizione + l) / 50 + 1)",
     .role = "end cell less posizione",
     .errors = kSlowDownLengthErrors},
    {.name = "f_tt",
     .meaning = "a setting of the slow-down that the simulator reads at its start and end; "
                "passed on unchecked",
     .lands = "the start and end cells",
     .role = "slow_down_f_tt(start cell)"},
    {.name = "f_ta",
     .meaning = "not 0: the four cells before the warning board count down to it (ignored "
                "without a board)",
     .checks = "the four cells before the board free",
     .lands = "the four cells before the board, of kind 5, counting 1 to 4",
     .role = "1 with cells of kind 5",
     .errors = kSlowDownBoardErrors},
    {.name = "d_v",
     .meaning = "a second speed; 0 leaves it out",
     .unit = Unit::kKmh,
     .lands = "the second speed of the board, start and end cells, and 1 to 4 on the four cells "
              "before the board",
     .role = "slow_down_d_v(start cell)"},
};

constexpr FieldFormat kCodePointFields[] = {
    {.name = "posizione",
     .meaning = "where the code point stands; it takes the cell rnd(posizione / 50), one "
                "before a signal's at the same position",
     .unit = Unit::kMetres,
     .checks = "0 or more, inside the grid, on a free cell",
     .cell = CellRule::kCodePoint,
     .lands = "cell of kind 12 (code point), or 13 when codice is below 1",
     .role = "cell of kind 12",
     .errors = kCodePointPositionErrors},
    {.name = "codice",
     .meaning = "the code value; below 1 the code point has none",
     .checks = "kept to 16 bits",
     .lands = "the code point's code",
     .role = "code_value(cell)"},
};

constexpr FieldFormat kStationFields[] = {
    {.name = "posizione",
     .meaning = "where the station stands; its zone lies around it",
     .unit = Unit::kMetres,
     .checks = "a multiple of 50, 0 or more; the grid must reach 800 m beyond it",
     .cell = CellRule::kRouteOnly,
     .lands = "the station's item, `position`",
     .role = "StationItem::position",
     .errors = kStationPositionErrors},
    {.name = "tipo",
     .meaning = "the station's type: 5 and 6 reach from posizione - zona to posizione + 150 "
                "without approach marks, 7 and 8 from posizione - zona to posizione + zona, "
                "the others zona long around posizione; 25 and above get no marks at all",
     .type = ValueType::kUInt8,
     .lands = "the station's item, `type`",
     .role = "StationItem::type"},
    {.name = "zona",
     .meaning = "the zone's length, which gives its start and end; below 600 c5 is cleared",
     .unit = Unit::kMetres,
     .checks = "a multiple of 100",
     .lands = "not stored: it gives the item's `zone_start` and `zone_end`",
     .role = "zone length",
     .errors = kStationZoneErrors},
    {.name = "c4",
     .meaning = "a setting of the station that the simulator reads; passed on unchecked",
     .type = ValueType::kUInt8,
     .lands = "the station's item, `column4`",
     .role = "StationItem::column4"},
    {.name = "c5",
     .meaning = "a setting of the station that the simulator reads; the compile sets it to 0 "
                "for a zone below 600 m and for the first station",
     .type = ValueType::kUInt8,
     .lands = "the station's item, `column5`",
     .role = "StationItem::column5"},
    {.name = "c6",
     .meaning = "not 0: the zone ends 50 m later (types other than 5 to 8); ignored for the "
                "first station",
     .type = ValueType::kUInt8,
     .lands = "the station's item, `extra_50m`",
     .role = "StationItem::extra_50m"},
    {.name = "c7",
     .meaning = "a setting of the station that the simulator reads; passed on unchecked",
     .type = ValueType::kInt16,
     .lands = "the station's item, `column7`",
     .role = "StationItem::column7"},
    {.name = "c8",
     .meaning = "a setting of the station that the simulator reads; passed on unchecked",
     .type = ValueType::kInt16,
     .lands = "the station's item, `column8`",
     .role = "StationItem::column8"},
    {.name = "c9",
     .meaning = "a setting of the station that the simulator reads; passed on unchecked",
     .type = ValueType::kUInt8,
     .lands = "the station's item, `column9`",
     .role = "StationItem::column9"},
    {.name = "c10",
     .meaning = "a setting of the station that the simulator reads; passed on unchecked",
     .type = ValueType::kInt16,
     .lands = "the station's item, `column10`",
     .role = "StationItem::column10"},
    {.name = "c11",
     .meaning = "a setting of the station that the simulator reads; passed on unchecked",
     .type = ValueType::kInt16,
     .lands = "the station's item, `column11`",
     .role = "StationItem::column11"},
    {.name = "c12",
     .meaning = "a setting of the station that the simulator reads; passed on unchecked",
     .type = ValueType::kInt16,
     .lands = "the station's item, `column12`",
     .role = "StationItem::column12"},
    {.name = "c13",
     .meaning = "a setting of the station that the simulator reads; passed on unchecked",
     .type = ValueType::kUInt8,
     .lands = "the station's item, `column13`",
     .role = "StationItem::column13"},
    {.name = "ore",
     .meaning = "the timetable's hour",
     .unit = Unit::kHours,
     .lands = "the station's item, `time`, as (ore * 60 + minuti) * 60 + secondi seconds",
     .role = "timetable_hours(StationItem::timetable)"},
    {.name = "minuti",
     .meaning = "the timetable's minutes",
     .unit = Unit::kMinutes,
     .lands = "the station's item, `time`, with ore",
     .role = "timetable_minutes(StationItem::timetable)"},
    {.name = "secondi",
     .meaning = "the timetable's seconds",
     .unit = Unit::kSeconds,
     .lands = "the station's item, `time`, with ore",
     .role = "timetable_seconds(StationItem::timetable)"},
    {.name = "nome",
     .meaning = "the station's name, up to the comma or the line end; it may hold blanks, and "
                "in double quotes commas too",
     .type = ValueType::kText,
     .lands = "the station's item, `name`",
     .role = "StationItem::name"},
};

// ---- the rows, in the readers' order

constexpr RowFormat kRows[] = {
    // The line description's general section.
    {.name = "lunghezza percorso",
     .title = "the line's length",
     .section = Section::kLineGeneral,
     .key = &kLengthKey,
     .summary = "Sizes the line. It must come before every row that places something on the "
                "line: the cell grid and the line plan are made when it is read.",
     .example = "lunghezza percorso,    334000",
     .fields = kLengthFields},
    {.name = "progressiva chilometrica tre",
     .title = "the third kilometre-progressive change",
     .section = Section::kLineGeneral,
     .key = &kProgressiveTreKey,
     .summary = "A change of the kilometre progressive, the distance the train sheet and the "
                "line-side posts count. There are at most three, uno, due and tre; after the "
                "general section they are put in route order by posizione, the furthest in "
                "item 81, whatever their names.",
     .example = "progressiva chilometrica tre,    315950,    412050,    1",
     .fields = kProgressiveFields},
    {.name = "progressiva chilometrica due",
     .title = "the second kilometre-progressive change",
     .section = Section::kLineGeneral,
     .key = &kProgressiveDueKey,
     .summary = "A change of the kilometre progressive, as \"progressiva chilometrica tre\".",
     .example = "progressiva chilometrica due,    284500,    -284500,    0",
     .fields = kProgressiveFields},
    {.name = "progressiva chilometrica uno",
     .title = "the first kilometre-progressive change",
     .section = Section::kLineGeneral,
     .key = &kProgressiveUnoKey,
     .summary = "A change of the kilometre progressive, as \"progressiva chilometrica tre\".",
     .example = "progressiva chilometrica uno,    31100,    3050,    0",
     .fields = kProgressiveFields},
    {.name = "sfondo uno",
     .title = "the first background setting",
     .section = Section::kLineGeneral,
     .key = &kBackgroundUnoKey,
     .summary = "A setting of the line's background for the simulator, passed on unchecked.",
     .example = "sfondo uno,    1",
     .fields = kBackgroundUnoFields},
    {.name = "sfondo due",
     .title = "the second background setting",
     .section = Section::kLineGeneral,
     .key = &kBackgroundDueKey,
     .summary = "A setting of the line's background for the simulator, passed on unchecked.",
     .example = "sfondo due,    0",
     .fields = kBackgroundDueFields},
    {.name = "sfondo tre",
     .title = "the third background setting",
     .section = Section::kLineGeneral,
     .key = &kBackgroundTreKey,
     .summary = "A setting of the line's background for the simulator, passed on unchecked.",
     .example = "sfondo tre,    0",
     .fields = kBackgroundTreFields},
    {.name = "ripetizione segnali",
     .title = "the signal repetition",
     .section = Section::kLineGeneral,
     .key = &kRepetitionKey,
     .key_rule = "The key names the number of codes: a \"4\" anywhere in it gives 4 codes, "
                 "otherwise a \"9\" gives 9; with neither the compile stops with error 5. "
                 "The count goes to the train file's item 86, `repetition_codes`.",
     .summary = "Where the signals are repeated in the cab, and with how many codes.",
     .example = "ripetizione segnali 9 codici,    8000,    330700",
     .fields = kRepetitionFields,
     .errors = kRepetitionRowErrors},
    // The line description's body.
    {.name = "pendenza",
     .title = "a gradient",
     .section = Section::kLineBody,
     .key = &kGradientKey,
     .summary = "The gradient profile: each row's gradient holds from its own cell up to the "
                "cell before the next row's. Cells before the first row are level; the last "
                "three cells of the grid keep 0.",
     .example = "pendenza,  600,   -11",
     .fields = kGradientFields,
     .warnings = kProfileWarnings},
    {.name = "curva",
     .title = "a curve",
     .section = Section::kLineBody,
     .key = &kCurveKey,
     .key_rule = "The key names the side and the radius class: an \"s\" or \"S\" anywhere in "
                 "it turns left (\"curvas\"), otherwise right (\"curvad\"); the lowest of the "
                 "digits 1 to 6 in it is the radius class, 1 to 6 for a radius of 10000, 5000, "
                 "2500, 1000, 500 or about 333 m. A key without one of those digits stops the "
                 "compile with error 103. When the line file is not wanted the key still "
                 "matches, but its numbers are then read as keys that match nothing.",
     .summary = "Turns the line plan, which runs straight between curves from the origin.",
     .example = "curvas1,  1350,  150",
     .fields = kCurveFields,
     .errors = kCurveRowErrors,
     .warnings = kCurveWarnings},
    {.name = "montagna",
     .title = "a montagna range",
     .section = Section::kLineBody,
     .key = &kMountainKey,
     .summary = "A stretch of the line with its montagna type. At most 80 ranges.",
     .example = "montagna,   8750,  11150,  12",
     .fields = kMountainFields,
     .errors = kMountainRowErrors},
    {.name = "indicatori_vmax",
     .title = "a pair of maximum-speed indicators",
     .section = Section::kLineBody,
     .key = &kIndicatorKey,
     .summary = "Two boards, left and right, each with three speeds and a stripe count. Empty "
                "fields read as 0.",
     .example = "indicatori_vmax,  7300,  75,  80,  85,  0,  75,  80,  85,  0",
     .fields = kIndicatorFields},
    {.name = "cartello_indicatore",
     .title = "a line-side sign",
     .section = Section::kLineBody,
     .key = &kSignKey,
     .summary = "A sign with its text. Signs take the items from 80 downward, stations from 1 "
                "upward; at most 80 signs, fewer with stations.",
     .example = "cartello_indicatore,  27950,   (  Cippo  )(Km 28+000)",
     .fields = kSignFields,
     .errors = kSignRowErrors},
    // The train description.
    {.name = "percentuale massa frenata",
     .title = "the braked mass",
     .section = Section::kTrainBody,
     .key = &kBrakedMassKey,
     .summary = "The train's braked-mass percentage.",
     .example = "percentuale massa frenata,    130",
     .fields = kBrakedMassFields},
    {.name = "numero vetture",
     .title = "the number of cars",
     .section = Section::kTrainBody,
     .key = &kCarsKey,
     .summary = "How many cars the train has.",
     .example = "numero vetture,    12",
     .fields = kCarsFields},
    {.name = "velocita",
     .title = "a line speed",
     .section = Section::kTrainBody,
     .key = &kSpeedKey,
     .summary = "The line-speed profile: each row's speed holds from its own cell up to the "
                "cell before the next row's; cells before the first row get 0.",
     .example = "velocita,    1000,   100",
     .fields = kSpeedFields,
     .warnings = kProfileWarnings},
    {.name = "aderenza",
     .title = "an adhesion",
     .section = Section::kTrainBody,
     .key = &kAdhesionKey,
     .summary = "The adhesion profile, spread over the cells as the line speed is.",
     .example = "aderenza,    6600,    70",
     .fields = kAdhesionFields,
     .warnings = kProfileWarnings},
    {.name = "orologio",
     .title = "the clock at the start",
     .section = Section::kTrainBody,
     .key = &kClockKey,
     .summary = "The time of day when the scenario starts. The three numbers may be parted by "
                "blanks instead of commas.",
     .example = "orologio,    14              25            30 ",
     .fields = kClockFields},
    {.name = "sabbia",
     .title = "the sand",
     .section = Section::kTrainBody,
     .key = &kSandKey,
     .summary = "The sand the train carries.",
     .example = "sabbia,    180",
     .fields = kSandFields},
    {.name = "segnale",
     .title = "a signal",
     .section = Section::kTrainBody,
     .key = &kSignalKey,
     .summary = "A signal beside the line, with its aspects and settings. It also marks the "
                "cells 2, 4, 6 and 8 before it, and a slow-down ahead may add code points in "
                "front of it.",
     .example = "segnale,    1050,   2, 4, 1,  1, 0,    2,  2,1,1, 210",
     .fields = kSignalFields},
    {.name = "rallentamento",
     .title = "a slow-down",
     .section = Section::kTrainBody,
     .key = &kSlowDownKey,
     .summary = "A stretch to run at a lower speed, from posizione to posizione + l, announced "
                "by a warning board 1200 m before it. The compile adds code points in front of "
                "it and inside it.",
     .example = "rallentamento,  140400,    60,  600, 0,  1,  60",
     .fields = kSlowDownFields,
     .warnings = kSlowDownWarnings},
    {.name = "abbattimento",
     .title = "a code point",
     .section = Section::kTrainBody,
     .key = &kCodePointKey,
     .summary = "A point where the signal code changes.",
     .example = "abbattimento,    7050,   270",
     .fields = kCodePointFields},
    {.name = "stazione",
     .title = "a station",
     .section = Section::kTrainBody,
     .key = &kStationKey,
     .summary = "A station with its zone, its timetable and its name. Stations take items 1, "
                "2, ... in the order of the document; each one's zone must start 350 m or more "
                "after the previous one's ends. Below type 25 the zone's end gets a stop mark "
                "in the cell rnd(end / 50 - 1) and, except types 5 and 6, approach marks 81 to "
                "84 on the four cells before it.",
     .example = "stazione,  142200, 12, 1000,  1, 1, 0,  2,1,0,  4,1,1,    1,  15,36, 0, "
                "Orbetello",
     .fields = kStationFields,
     .errors = kStationRowErrors},
};

constexpr GeneralRule kGeneralRules[] = {
    {"Fields",
     "A document is read one field at a time, never a whole line at a time. A field ends at a "
     "comma or at a line end, and the two are the same: a row may be split over several lines, "
     "and several rows may stand on one line. So a comma at the end of a line leaves an empty "
     "field before the line end. Blanks before a field are skipped."},
    {"Numbers",
     "A number ends at the first blank, comma or line end, so \"14 25 30\" holds three numbers. "
     "An empty field, two commas with only blanks between them, reads as 0. A number may have a "
     "sign but no decimals: a decimal comma splits it, so \"-4,5\" reads -4 and the \"5\" "
     "becomes a key of its own that matches nothing. A field that holds text where a number is "
     "due, or a number that does not fit its field, stops the compile with error 25."},
    {"Text",
     "A text field (a sign's text, a station's name) runs to the comma or the line end, its "
     "trailing blanks dropped. A text field that begins with a double quote runs to the "
     "closing quote and may hold commas."},
    {"Tabs",
     "Only spaces are blanks: a tab is a character like any other. In a key it does no harm, "
     "since the key words are looked for anywhere in the key field; beside a number it makes "
     "the field text, which stops the compile with error 25; in a text it stays part of the "
     "text. The tool's diagnostics show a line with each tab widened to the next column of 8, "
     "as a terminal shows it, while their column numbers count a tab as one character."},
    {"Rows and keys",
     "A row is a key field followed by its values. The reader takes the key field and looks for "
     "each row's key words anywhere in it; several rows may match one key, and each then reads "
     "its values in the order of this reference. Letter case does not matter unless a row says "
     "so. A key that matches nothing is skipped, and reading goes on with the next field: a "
     "section heading such as \"[curve]\", an empty line and a stray number are all skipped "
     "this way. So a row whose key matches no row of its section, misspelt or written in "
     "another section, is skipped whole: its key, then each of its values, read as keys in "
     "turn."},
    {"No comments",
     "There is no comment row. A field that matches no key is skipped, but a line of prose is "
     "cut at its commas into fields, and any of them that holds a row's key word anywhere is "
     "read as that row, the fields after it as its values. An author's notes belong in a "
     "document of their own, the notes (LINE_TRAIN_note.txt); scenario-tool decompile, which "
     "must say what it wrote by guess, says it in LINE_TRAIN_guesses.txt beside the "
     "descriptions."},
    {"Keys with a dash",
     "A key field that holds \"-\" is not a key: the field after it is read in its place, a few "
     "times in a row at most, as each document says below."},
    {"The general section",
     "Both documents begin at their first field that holds \"[generale]\"; whatever stands "
     "before it is skipped. In the line description the general section ends at the first key "
     "that holds \"[\" and \"]\" and does not begin with \"-\"; its rows (length, "
     "kilometre-progressive changes, background, signal repetition) are read only there, and "
     "the other line rows only after it. The train description has no such split: every train "
     "row may come anywhere after \"[generale]\"."},
    {"The last field",
     "The last field of a document is never read. Close each document with a line of its own, "
     "such as \"[fine]\", so that no row is lost."},
    {"Cells",
     "The line is cut into cells of 50 m. A feature at position p metres belongs to cell "
     "rnd(p / 50 + 1), where rnd rounds halves to the even neighbour: 0 m is in cell 1, 1050 m in "
     "cell 22. Code points use rnd(p / 50) and the profiles start at rnd(p / 50). A cell holds "
     "one feature: placing a second one on it stops the compile, except over a montagna marker, "
     "which any feature replaces. The grid reaches 7000 m past the line's end; a row whose "
     "position lies within 100 m of the grid's end (800 m for a station) stops the reading with "
     "error 15."},
    {"Reading stops at the first error",
     "The first error ends the reading of its document; an error in the line description "
     "leaves the train description unread, except error 15, after which the train description "
     "is read up to its first signal or slow-down. The compiled files are written from what was "
     "read."},
};

constexpr WarningFormat kWarnings[] = {
    {W::kUnknownKey, "unknown-key", "a key field matches no row of its section and is skipped",
     "check the key's spelling and its section; a line row in the general section, or a "
     "general row after it, is skipped too"},
    {W::kDecimalComma, "decimal-comma",
     "a number was followed by a comma and digits: a decimal comma split it and its decimals "
     "are ignored",
     "write whole numbers; the compiler keeps only the part before the comma"},
    {W::kLastRowLost, "last-row-lost",
     "the last field of the document is never read, and it was a row",
     "close the document with a line of its own, such as \"[fine]\""},
    {W::kCurveBeforeReached, "curve-before-reached",
     "a curve starts before the metre the line plan has already reached, so it is shortened",
     "list the curves in ascending order of inizio, without overlaps"},
    {W::kProfileOutOfOrder, "profile-out-of-order",
     "a gradient, speed or adhesion row comes after a row further along the line",
     "list each profile's rows in ascending order of posizione"},
    {W::kSlowDownWithoutCode, "slow-down-without-code",
     "the code pass found no free cell for one of a slow-down's code points",
     "free a cell near the slow-down's start, inside it or in front of the signal after it"},
    {W::kUtf8Document, "utf8-document",
     "the document is UTF-8 text with letters beyond ASCII, and the simulator reads "
     "Windows-1252: such a letter reaches it as two or three other characters",
     "save the document in Windows-1252 (often called \"Western\" or \"ANSI\" by editors), or "
     "let `scenario-tool pack --from-utf8` convert it"},
    {W::kIgnoredRow, "ignored-row",
     "a row whose key matches no row of its section, misspelt or written in another section, "
     "or a row without a key: its key and the values after it on its line are all skipped, so "
     "what it places or sets is not in the scenario",
     "write the key the warning names, or move the row to its section; `scenario-tool pack` "
     "packs a scenario with ignored rows only when given --allow-ignored-rows"},
    {W::kCommaEndsText, "comma-ends-text",
     "a comma ended a text field (a station's name, a sign's text), and what followed it on its "
     "line was read as keys that match nothing",
     "put the whole text in double quotes to keep its comma, or leave the comma out"},
    {W::kPastLineEnd, "past-line-end",
     "a row of the line description lies past the line's end: the train never gets there, and a "
     "row past the grid's end stops the reading with error 15",
     "move the row inside the line, or lengthen the line"},
};

constexpr Saying kSayings[] = {
    {Said::kMisspeltKey, "ignored-row", "the key is near a key of its section",
     "\"{key}\" matches no key of {section}: did you mean \"{nearest}\"? The row is ignored: "
     "{lost}"},
    {Said::kKeyOfAnotherSection, "ignored-row", "the key is a row of another section",
     "\"{key}\" is a row of {home}, not of {section}: put it {place}. The row is ignored: {lost}"},
    {Said::kKeyInOtherLetterCase, "ignored-row",
     "the key is a key of its section in other letters, and that key is matched in lower case "
     "as written",
     "\"{key}\" is matched in lower case as written: write \"{nearest}\". The row is ignored: "
     "{lost}"},
    {Said::kUnknownRowKey, "ignored-row", "the key is near no key, and values follow it",
     "\"{key}\" matches no key of {section}, nor comes near one. The row is ignored: {lost}"},
    {Said::kRowWithoutKey, "ignored-row", "a line begins with a number where a key is due",
     "\"{key}\" stands where a key is due: the row has no key. The row is ignored: {lost}"},
    {Said::kLoneMisspeltKey, "unknown-key", "a key near a key of its section, with no values",
     "\"{key}\" matches no key of {section}, and is skipped: did you mean \"{nearest}\"?"},
    {Said::kLoneKeyOfAnotherSection, "unknown-key", "a key of another section, with no values",
     "\"{key}\" is a row of {home}, not of {section}, and is skipped: put it {place}"},
    {Said::kLoneKeyInOtherLetterCase, "unknown-key",
     "a key in other letters, matched in lower case, with no values",
     "\"{key}\" is matched in lower case as written, and is skipped: write \"{nearest}\""},
    {Said::kLostFeatureAt, "ignored-row", "what is lost: a feature and its position",
     "no {thing} at {position} m"},
    {Said::kLostFeature, "ignored-row", "what is lost: a feature whose position was not given",
     "no {thing}"},
    {Said::kLostSetting, "ignored-row", "what is lost: a setting of the line or the train",
     "{setting} is not set"},
    {Said::kLostValues, "ignored-row", "what is lost: values of no known row",
     "its values are not read ({count} on line {line})"},
    {Said::kCommaEndsText, "comma-ends-text", "a text field is followed by fields on its line",
     "a comma ends the \"{row}\" row's {field} at \"{text}\": \"{rest}\" after it is read as a "
     "key and matches nothing; to keep the comma, put the text in double quotes: {quoted}"},
    {Said::kPastLineEnd, "past-line-end", "a line row's position lies past the line's end",
     "{position} m lies past the line's end at {length} m: not in the scenario"},
    {Said::kUtf8Letters, "utf8-document", "the document holds letters beyond ASCII in UTF-8",
     "the document is saved as UTF-8, but the simulator reads Windows-1252: {count} beyond ASCII "
     "({letters}), each reaching it as two or three other characters, this \"{letter}\" as "
     "\"{seen}\""},
    {Said::kStationsOutOfOrder, "error 22", "a station stands before the previous one",
     "the stations are out of route order: \"{name}\" at {position} m follows \"{previous}\" at "
     "{previous_position} m on line {previous_line}"},
    {Said::kRowEndsTooSoon, "error 25",
     "a row's value is missing and the reading went on to the next line",
     "the \"{row}\" row of line {row_line} ends before its field \"{field}\": the reading went "
     "on to line {line}, where \"{found}\" is no number"},
    {Said::kRowEndsWithDocument, "error 25", "a row's value is missing at the document's end",
     "the \"{row}\" row of line {row_line} ends before its field \"{field}\": the document ends"},
    {Said::kLengthReadAs, "errors 14, 15 and 23", "an error of the grid's end",
     "the line's length was read as {length} m, on line {line}"},
    {Said::kLengthCutByComma, "errors 14, 15 and 23",
     "an error of the grid's end, with a decimal comma in the line's length",
     "the line's length was read as {length} m: a decimal comma cut \"{written}\" on line "
     "{line}"},
    {Said::kEmptyFieldShifts, "decimal-comma",
     "a number is left over after a row that has an empty field",
     "\"{key}\" is left over from the \"{row}\" row of line {row_line}, which has an empty "
     "field at column {column}: nothing stands between two commas there, so each value after it "
     "is read one field later; remove the extra comma or write the missing value"},
    {Said::kNotRead, "explain", "a row after the row where the reading stopped",
     "not read: the compile stopped at {file}:{line}"},
};

constexpr bool sayings_in_id_order() {
  for (std::size_t i = 0; i < std::size(kSayings); ++i) {
    if (static_cast<std::size_t>(kSayings[i].id) != i) return false;
  }
  return std::size(kSayings) == static_cast<std::size_t>(Said::kNotRead) + 1;
}
static_assert(sayings_in_id_order(), "saying() finds each case at its own index");

// The table's rows, section by section, test the keys in the readers' order.
constexpr bool rows_follow(std::size_t first, const auto& order) {
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (first + i >= std::size(kRows) || kRows[first + i].key != order[i]) return false;
  }
  return true;
}
constexpr std::size_t kLineBodyFirst = kLineGeneralKeys.size();
constexpr std::size_t kTrainBodyFirst = kLineBodyFirst + kLineBodyKeys.size();
static_assert(rows_follow(0, kLineGeneralKeys) && rows_follow(kLineBodyFirst, kLineBodyKeys) &&
                  rows_follow(kTrainBodyFirst, kTrainBodyKeys) &&
                  std::size(kRows) == kTrainBodyFirst + kTrainBodyKeys.size(),
              "the rows follow the readers' order of keys");

constexpr bool rows_in_section_order() {
  for (std::size_t i = 1; i < std::size(kRows); ++i) {
    if (kRows[i - 1].section > kRows[i].section) return false;
  }
  return true;
}
static_assert(rows_in_section_order(), "each section's rows stand together, in order");

constexpr bool warnings_in_kind_order() {
  for (std::size_t i = 0; i < std::size(kWarnings); ++i) {
    if (static_cast<std::size_t>(kWarnings[i].kind) != i) return false;
  }
  return true;
}
static_assert(warnings_in_kind_order(), "warning() finds each kind at its own index");

}  // namespace

Document document_of(Section section) {
  return section == Section::kTrainBody ? Document::kTrainDescription : Document::kLineDescription;
}

std::optional<std::int32_t> cell_of(CellRule rule, std::int64_t p) {
  const double cells = static_cast<double>(p) / 50.0;
  switch (rule) {
    case CellRule::kNone:
      return std::nullopt;
    case CellRule::kRouteOnly:
    case CellRule::kFeature:
    case CellRule::kPlanMetre:
      return cell_index(p);
    case CellRule::kProfileStart:
    case CellRule::kCodePoint:
    case CellRule::kRangeStart:
      return rnd(cells);
    case CellRule::kRangeEnd:
      return rnd(cells - 1.0);
  }
  return std::nullopt;
}

std::string_view cell_formula(CellRule rule) {
  switch (rule) {
    case CellRule::kNone:
      return "";
    case CellRule::kRouteOnly:
    case CellRule::kFeature:
    case CellRule::kPlanMetre:
      return "rnd(p / 50 + 1)";
    case CellRule::kProfileStart:
    case CellRule::kCodePoint:
    case CellRule::kRangeStart:
      return "rnd(p / 50)";
    case CellRule::kRangeEnd:
      return "rnd(p / 50 - 1)";
  }
  return "";
}

std::span<const RowFormat> rows() { return kRows; }

std::span<const RowFormat> rows_of(Section section) {
  const auto first = std::find_if(std::begin(kRows), std::end(kRows),
                                  [&](const RowFormat& r) { return r.section == section; });
  const auto last = std::find_if(first, std::end(kRows),
                                 [&](const RowFormat& r) { return r.section != section; });
  return {first, last};
}

std::span<const GeneralRule> general_rules() { return kGeneralRules; }

std::span<const WarningFormat> warnings() { return kWarnings; }

const WarningFormat& warning(CompileWarning::Kind kind) {
  // A switch, so that a new kind of warning cannot compile without its entry.
  switch (kind) {
    case W::kUnknownKey:
      return kWarnings[0];
    case W::kDecimalComma:
      return kWarnings[1];
    case W::kLastRowLost:
      return kWarnings[2];
    case W::kCurveBeforeReached:
      return kWarnings[3];
    case W::kProfileOutOfOrder:
      return kWarnings[4];
    case W::kSlowDownWithoutCode:
      return kWarnings[5];
    case W::kUtf8Document:
      return kWarnings[6];
    case W::kIgnoredRow:
      return kWarnings[7];
    case W::kCommaEndsText:
      return kWarnings[8];
    case W::kPastLineEnd:
      return kWarnings[9];
  }
  return kWarnings[0];
}

CurveKey read_curve_key(std::string_view key) {
  CurveKey out;
  out.left = key.find_first_of("sS") != std::string_view::npos;
  for (int digit = 1; digit <= 6 && out.radius_class == 0; ++digit) {
    if (key.find(static_cast<char>('0' + digit)) != std::string_view::npos)
      out.radius_class = digit;
  }
  return out;
}

std::string key_says(const RowFormat& row, std::string_view key) {
  if (row.key == &kCurveKey) {
    const CurveKey curve = read_curve_key(key);
    if (curve.radius_class == 0) return "it names no radius class 1 to 6: error 103";
    const auto radius = static_cast<long>(
        1.0 / kCurveCurvature[static_cast<std::size_t>(curve.radius_class - 1)] + 0.5);
    return std::string(curve.left ? "turns left" : "turns right") + ", radius class " +
           std::to_string(curve.radius_class) + ": a radius of " + std::to_string(radius) + " m";
  }
  if (row.key == &kRepetitionKey) {
    if (key.find('4') != std::string_view::npos) return "4 codes";
    if (key.find('9') != std::string_view::npos) return "9 codes";
    return "it names neither 4 nor 9 codes: error 5";
  }
  return "";
}

std::string_view section_words(Section section) {
  switch (section) {
    case Section::kLineGeneral:
      return "the line description's general section";
    case Section::kLineBody:
      return "the line description's body";
    case Section::kTrainBody:
      return "the train description";
  }
  return "";
}

std::string_view section_place(Section section) {
  switch (section) {
    case Section::kLineGeneral:
      return "between \"[generale]\" and the heading after it";
    case Section::kLineBody:
      return "after the heading that ends the general section";
    case Section::kTrainBody:
      return "in the train description, after \"[generale]\"";
  }
  return "";
}

std::span<const Saying> sayings() { return kSayings; }

const Saying& saying(Said id) { return kSayings[static_cast<std::size_t>(id)]; }

std::string say(Said id,
                std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
  const std::string_view pattern = saying(id).says;
  std::string out;
  std::size_t at = 0;
  while (at < pattern.size()) {
    const std::size_t open = pattern.find('{', at);
    const std::size_t close = open == std::string_view::npos ? open : pattern.find('}', open);
    if (close == std::string_view::npos) break;
    out += pattern.substr(at, open - at);
    const std::string_view name = pattern.substr(open + 1, close - open - 1);
    const auto given = std::find_if(values.begin(), values.end(),
                                    [&](const auto& value) { return value.first == name; });
    out += given != values.end() ? given->second : pattern.substr(open, close - open + 1);
    at = close + 1;
  }
  out += pattern.substr(std::min(at, pattern.size()));
  return out;
}

std::string_view unit_name(Unit unit) {
  switch (unit) {
    case Unit::kNone:
      return "";
    case Unit::kMetres:
      return "metres";
    case Unit::kKmh:
      return "km/h";
    case Unit::kPerMille:
      return "per mille";
    case Unit::kPercent:
      return "per cent";
    case Unit::kHours:
      return "hours";
    case Unit::kMinutes:
      return "minutes";
    case Unit::kSeconds:
      return "seconds";
  }
  return "";
}

std::string_view type_name(ValueType type) {
  switch (type) {
    case ValueType::kInt32:
      return "32-bit integer";
    case ValueType::kInt16:
      return "16-bit integer";
    case ValueType::kUInt8:
      return "8-bit integer";
    case ValueType::kText:
      return "text";
  }
  return "";
}

std::string_view type_range(ValueType type) {
  switch (type) {
    case ValueType::kInt32:
      return "-2147483648 to 2147483647";
    case ValueType::kInt16:
      return "-32768 to 32767";
    case ValueType::kUInt8:
      return "0 to 255";
    case ValueType::kText:
      return "";
  }
  return "";
}

}  // namespace borgo::compiler::format
