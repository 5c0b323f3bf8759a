#include "compiler/description_format.hpp"

#include <algorithm>

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
     .lands = "item 84 `end` (`TrainAndLengthItem::line_length`); sizes the grid: cell_last = "
              "rnd((lunghezza + 7000) / 50)",
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
     .lands = "`start` of items 81 to 83 (`ProgressiveItem::position`)",
     .role = "ProgressiveItem::position",
     .errors = kProgressiveErrors},
    {.name = "valore",
     .meaning = "what the new progressive adds to the route position: after posizione the "
                "kilometre progressive is the route position plus valore",
     .unit = Unit::kMetres,
     .checks = "a multiple of 50",
     .lands = "`end` of items 81 to 83 (`ProgressiveItem::value`), raised by 100 when flag is 1",
     .role = "ProgressiveItem::value",
     .errors = kProgressiveErrors},
    {.name = "flag",
     .meaning = "1 raises the stored value by 100; the train sheet counts on valore as written",
     .lands = "`position` of items 81 to 83 (`ProgressiveItem::flag`)",
     .role = "ProgressiveItem::flag"},
};

constexpr FieldFormat kBackgroundUnoFields[] = {
    {.name = "valore",
     .meaning = "the line's first background setting, carried to the train file as read",
     .lands = "item 85 `start` (`LineItem::background_uno`)",
     .role = "LineItem::background_uno"},
};
constexpr FieldFormat kBackgroundDueFields[] = {
    {.name = "valore",
     .meaning = "the line's second background setting, carried to the train file as read",
     .lands = "item 85 `position` (`LineItem::background_due`)",
     .role = "LineItem::background_due"},
};
constexpr FieldFormat kBackgroundTreFields[] = {
    {.name = "valore",
     .meaning = "the line's third background setting, carried to the train file as read",
     .lands = "item 85 `end` (`LineItem::background_tre`)",
     .role = "LineItem::background_tre"},
};

constexpr FieldFormat kRepetitionFields[] = {
    {.name = "inizio",
     .meaning = "where the signal repetition begins",
     .unit = Unit::kMetres,
     .checks = "a multiple of 50",
     .cell = CellRule::kRouteOnly,
     .lands = "item 86 `start` (`TrainItem::repetition_start`)",
     .role = "TrainItem::repetition_start",
     .errors = kRepetitionStartErrors},
    {.name = "fine",
     .meaning = "where the signal repetition ends; 0 switches the repetition off",
     .unit = Unit::kMetres,
     .checks = "a multiple of 50",
     .cell = CellRule::kRouteOnly,
     .lands = "item 86 `end` (`TrainItem::repetition_end`); with 0 the code count "
              "(`TrainItem::repetition_codes`) becomes 0",
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
     .lands = "cell `gradient_code` = pendenza + 100",
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
     .lands = "cell `mountain_type` of every cell of the range; markers are cell kind 11",
     .role = "mountain_type, + 10 with markers"},
};

constexpr FieldFormat kIndicatorFields[] = {
    {.name = "posizione",
     .meaning = "where the pair of maximum-speed indicators stands",
     .unit = Unit::kMetres,
     .checks = "0 or more, inside the grid, on a free cell",
     .cell = CellRule::kFeature,
     .lands = "cell of kind 6 (speed indicators)",
     .role = "cell of kind 6",
     .errors = kIndicatorPositionErrors},
    {.name = "vas",
     .meaning = "speed a on the left-hand board",
     .unit = Unit::kKmh,
     .checks = "vas * 20 + vad / 5 must fit 16 bits",
     .lands = "cell `value1` (`indicator_speeds` a) = vas * 20 + vad / 5",
     .role = "indicator_speed_left(indicator_speeds(cell, 1))",
     .errors = kIndicatorSpeedErrors},
    {.name = "vbs",
     .meaning = "speed b on the left-hand board",
     .unit = Unit::kKmh,
     .checks = "vbs * 20 + vbd / 5 must fit 16 bits",
     .lands = "cell `value2` (`indicator_speeds` b) = vbs * 20 + vbd / 5",
     .role = "indicator_speed_left(indicator_speeds(cell, 2))",
     .errors = kIndicatorSpeedErrors},
    {.name = "vcs",
     .meaning = "speed c on the left-hand board",
     .unit = Unit::kKmh,
     .checks = "vcs * 20 + vcd / 5 must fit 16 bits",
     .lands = "cell `value3` (`indicator_speeds` c) = vcs * 20 + vcd / 5",
     .role = "indicator_speed_left(indicator_speeds(cell, 3))",
     .errors = kIndicatorSpeedErrors},
    {.name = "strisces",
     .meaning = "the stripes on the left-hand board",
     .lands = "cell `value4` (`indicator_stripes`) = strisces * 10 + strisced",
     .role = "indicator_stripes_left(indicator_stripes(cell))"},
    {.name = "vad",
     .meaning = "speed a on the right-hand board; empty when there is none",
     .unit = Unit::kKmh,
     .checks = "divided by 5 and rounded",
     .lands = "cell `value1` (`indicator_speeds` a), with vas",
     .role = "indicator_speed_right(indicator_speeds(cell, 1))",
     .errors = kIndicatorSpeedErrors},
    {.name = "vbd",
     .meaning = "speed b on the right-hand board; empty when there is none",
     .unit = Unit::kKmh,
     .checks = "divided by 5 and rounded",
     .lands = "cell `value2` (`indicator_speeds` b), with vbs",
     .role = "indicator_speed_right(indicator_speeds(cell, 2))",
     .errors = kIndicatorSpeedErrors},
    {.name = "vcd",
     .meaning = "speed c on the right-hand board; empty when there is none",
     .unit = Unit::kKmh,
     .checks = "divided by 5 and rounded",
     .lands = "cell `value3` (`indicator_speeds` c), with vcs",
     .role = "indicator_speed_right(indicator_speeds(cell, 3))",
     .errors = kIndicatorSpeedErrors},
    {.name = "strisced",
     .meaning = "the stripes on the right-hand board",
     .lands = "cell `value4` (`indicator_stripes`), with strisces",
     .role = "indicator_stripes_right(indicator_stripes(cell))"},
};

constexpr FieldFormat kSignFields[] = {
    {.name = "posizione",
     .meaning = "where the sign stands",
     .unit = Unit::kMetres,
     .checks = "0 or more, inside the grid, on a free cell",
     .cell = CellRule::kFeature,
     .lands = "cell of kind 14 (sign), whose `value1` (`sign_item`) names the sign's item",
     .role = "cell of kind 14",
     .errors = kSignPositionErrors},
    {.name = "testo",
     .meaning = "the sign's text, up to the comma or the line end (or in double quotes)",
     .type = ValueType::kText,
     .lands = "`text` of items 80, 79, ... in the order of the signs (`sign_text`)",
     .role = "sign_text(items[sign_item(cell)])"},
};

constexpr FieldFormat kBrakedMassFields[] = {
    {.name = "percentuale",
     .meaning = "the train's braked-mass percentage",
     .unit = Unit::kPercent,
     .lands = "item 84 `start` (`TrainAndLengthItem::braked_mass`)",
     .role = "TrainAndLengthItem::braked_mass"},
};

constexpr FieldFormat kCarsFields[] = {
    {.name = "vetture",
     .meaning = "the number of cars",
     .lands = "item 84 `position` (`TrainAndLengthItem::cars`)",
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
     .lands = "cell `speed_code` = rnd(velocita / 5)",
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
     .lands = "cell `adhesion`",
     .role = "adhesion"},
};

constexpr FieldFormat kClockFields[] = {
    {.name = "ore",
     .meaning = "the clock's hour at the start",
     .unit = Unit::kHours,
     .type = ValueType::kInt16,
     .lands = "item 86 `int3` (`TrainItem::clock_hours`)",
     .role = "TrainItem::clock_hours"},
    {.name = "minuti",
     .meaning = "the clock's minutes at the start",
     .unit = Unit::kMinutes,
     .type = ValueType::kInt16,
     .lands = "item 86 `int4` (`TrainItem::clock_minutes`)",
     .role = "TrainItem::clock_minutes"},
    {.name = "secondi",
     .meaning = "the clock's seconds at the start",
     .unit = Unit::kSeconds,
     .type = ValueType::kInt16,
     .lands = "item 86 `int5` (`TrainItem::clock_seconds`)",
     .role = "TrainItem::clock_seconds"},
};

constexpr FieldFormat kSandFields[] = {
    {.name = "sabbia",
     .meaning = "the sand the train carries",
     .type = ValueType::kInt16,
     .lands = "item 86 `int1` (`TrainItem::sand`)",
     .role = "TrainItem::sand"},
};

constexpr FieldFormat kSignalFields[] = {
    {.name = "posizione",
     .meaning = "where the signal stands",
     .unit = Unit::kMetres,
     .checks = "0 or more, inside the grid, on a free cell, in cell 8 or later (350 m on) so "
               "that its approach marks fit",
     .cell = CellRule::kFeature,
     .lands = "cell of kind 1 (signal); approach marks on the cells 2, 4, 6 and 8 before it",
     .role = "cell of kind 1",
     .errors = kSignalPositionErrors},
    {.name = "sx",
     .meaning = "the signal's left-hand setting; 2 makes it a timed signal that keeps tempo",
     .lands = "cell `value4` (`signal_setting`) = rapp * 10 + sx * 3 + dx; approach marks "
              "`approach_mark` = sx * 30 + dx * 10 + k, k = 1 to 4",
     .role = "signal_setting_sx(signal_setting(cell))"},
    {.name = "s1",
     .meaning = "the left-hand part of the first aspect",
     .lands = "cell `value1` (`signal_aspect` 1) = s1 * 10 + d1",
     .role = "signal_aspect_left(signal_aspect(cell, 1))"},
    {.name = "s2",
     .meaning = "the left-hand part of the second aspect",
     .lands = "cell `value2` (`signal_aspect` 2) = s2 * 10 + d2",
     .role = "signal_aspect_left(signal_aspect(cell, 2))"},
    {.name = "s3",
     .meaning = "the left-hand part of the third aspect",
     .lands = "cell `value3` (`signal_aspect` 3) = s3 * 10 + d3",
     .role = "signal_aspect_left(signal_aspect(cell, 3))"},
    {.name = "rapp",
     .meaning = "a setting kept in the tens of the signal's packed setting",
     .lands = "cell `value4` (`signal_setting`), times 10",
     .role = "signal_setting_rapp(signal_setting(cell))"},
    {.name = "dx",
     .meaning = "the signal's right-hand setting",
     .lands = "cell `value4` (`signal_setting`); approach marks, times 10",
     .role = "signal_setting_dx(signal_setting(cell))"},
    {.name = "d1",
     .meaning = "the right-hand part of the first aspect",
     .lands = "cell `value1` (`signal_aspect` 1), with s1",
     .role = "signal_aspect_right(signal_aspect(cell, 1))"},
    {.name = "d2",
     .meaning = "the right-hand part of the second aspect",
     .lands = "cell `value2` (`signal_aspect` 2), with s2",
     .role = "signal_aspect_right(signal_aspect(cell, 2))"},
    {.name = "d3",
     .meaning = "the right-hand part of the third aspect",
     .lands = "cell `value3` (`signal_aspect` 3), with s3",
     .role = "signal_aspect_right(signal_aspect(cell, 3))"},
    {.name = "tempo",
     .meaning = "the time of a timed signal (sx 2); 1 to 100 become 101",
     .checks = "kept to 8 bits; 0 unless sx is 2",
     .lands = "cell `signal_time`",
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
     .lands = "`value1` (`slow_down_limit`) of the board, start and end cells",
     .role = "slow_down_limit(start cell)"},
    {.name = "l",
     .meaning = "the slow-down's length",
     .unit = Unit::kMetres,
     .checks = "its end, rnd((posizione + l) / 50 + 1), on a free cell inside the grid",
     .lands = "cell of kind 2 (slow-down end) at rnd((posizione + l) / 50 + 1)",
     .role = "end cell less posizione",
     .errors = kSlowDownLengthErrors},
    {.name = "f_tt",
     .meaning = "a setting carried on the start and end cells",
     .lands = "`value3` (`slow_down_f_tt`) of the start and end cells",
     .role = "slow_down_f_tt(start cell)"},
    {.name = "f_ta",
     .meaning = "not 0: the four cells before the warning board count down to it (ignored "
                "without a board)",
     .checks = "the four cells before the board free",
     .lands = "cells of kind 5 before the board, `value1` (`board_countdown`) 1 to 4",
     .role = "1 with cells of kind 5",
     .errors = kSlowDownBoardErrors},
    {.name = "d_v",
     .meaning = "a second speed; 0 leaves it out",
     .unit = Unit::kKmh,
     .lands = "`value2` (`slow_down_d_v`) of the board, start and end cells, and "
              "`board_countdown_d_v` 1 to 4 before the board",
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
     .lands = "cell `value1` (`code_value`)",
     .role = "code_value(cell)"},
};

constexpr FieldFormat kStationFields[] = {
    {.name = "posizione",
     .meaning = "where the station stands; its zone lies around it",
     .unit = Unit::kMetres,
     .checks = "a multiple of 50, 0 or more; the grid must reach 800 m beyond it",
     .cell = CellRule::kRouteOnly,
     .lands = "the station's item `position` (`StationItem::position`)",
     .role = "StationItem::position",
     .errors = kStationPositionErrors},
    {.name = "tipo",
     .meaning = "the station's type: 5 and 6 reach from posizione - zona to posizione + 150 "
                "without approach marks, 7 and 8 from posizione - zona to posizione + zona, "
                "the others zona long around posizione; 25 and above get no marks at all",
     .type = ValueType::kUInt8,
     .lands = "item `kind` (`StationItem::type`)",
     .role = "StationItem::type"},
    {.name = "zona",
     .meaning = "the zone's length, which gives its start and end; below 600 c5 is cleared",
     .unit = Unit::kMetres,
     .checks = "a multiple of 100",
     .lands = "not stored: item `start` and `end` (`StationItem::zone_start`, `zone_end`)",
     .role = "zone length",
     .errors = kStationZoneErrors},
    {.name = "c4",
     .meaning = "column 4, carried to the train file as read",
     .type = ValueType::kUInt8,
     .lands = "item `flag` (`StationItem::column4`)",
     .role = "StationItem::column4"},
    {.name = "c5",
     .meaning = "column 5, carried as read; cleared for a zone below 600 m and for the first "
                "station",
     .type = ValueType::kUInt8,
     .lands = "item `byte4` (`StationItem::column5`)",
     .role = "StationItem::column5"},
    {.name = "c6",
     .meaning = "not 0: the zone ends 50 m later (types other than 5 to 8); cleared for the "
                "first station",
     .type = ValueType::kUInt8,
     .lands = "item `byte3` (`StationItem::extra_50m`)",
     .role = "StationItem::extra_50m"},
    {.name = "c7",
     .meaning = "column 7, carried to the train file as read",
     .type = ValueType::kInt16,
     .lands = "item `int1` (`StationItem::column7`)",
     .role = "StationItem::column7"},
    {.name = "c8",
     .meaning = "column 8, carried to the train file as read",
     .type = ValueType::kInt16,
     .lands = "item `int2` (`StationItem::column8`)",
     .role = "StationItem::column8"},
    {.name = "c9",
     .meaning = "column 9, carried to the train file as read",
     .type = ValueType::kUInt8,
     .lands = "item `byte1` (`StationItem::column9`)",
     .role = "StationItem::column9"},
    {.name = "c10",
     .meaning = "column 10, carried to the train file as read",
     .type = ValueType::kInt16,
     .lands = "item `int3` (`StationItem::column10`)",
     .role = "StationItem::column10"},
    {.name = "c11",
     .meaning = "column 11, carried to the train file as read",
     .type = ValueType::kInt16,
     .lands = "item `int4` (`StationItem::column11`)",
     .role = "StationItem::column11"},
    {.name = "c12",
     .meaning = "column 12, carried to the train file as read",
     .type = ValueType::kInt16,
     .lands = "item `int5` (`StationItem::column12`)",
     .role = "StationItem::column12"},
    {.name = "c13",
     .meaning = "column 13, carried to the train file as read",
     .type = ValueType::kUInt8,
     .lands = "item `byte2` (`StationItem::column13`)",
     .role = "StationItem::column13"},
    {.name = "ore",
     .meaning = "the timetable's hour",
     .unit = Unit::kHours,
     .lands = "item `seconds` (`StationItem::timetable`) = (ore * 60 + minuti) * 60 + secondi",
     .role = "timetable_hours(StationItem::timetable)"},
    {.name = "minuti",
     .meaning = "the timetable's minutes",
     .unit = Unit::kMinutes,
     .lands = "item `seconds` (`StationItem::timetable`), with ore",
     .role = "timetable_minutes(StationItem::timetable)"},
    {.name = "secondi",
     .meaning = "the timetable's seconds",
     .unit = Unit::kSeconds,
     .lands = "item `seconds` (`StationItem::timetable`), with ore",
     .role = "timetable_seconds(StationItem::timetable)"},
    {.name = "nome",
     .meaning = "the station's name, up to the line end; it may hold blanks",
     .type = ValueType::kText,
     .lands = "item `text` (`StationItem::name`)",
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
     .summary = "A setting of the line's background, carried to the train file.",
     .example = "sfondo uno,    1",
     .fields = kBackgroundUnoFields},
    {.name = "sfondo due",
     .title = "the second background setting",
     .section = Section::kLineGeneral,
     .key = &kBackgroundDueKey,
     .summary = "A setting of the line's background, carried to the train file.",
     .example = "sfondo due,    0",
     .fields = kBackgroundDueFields},
    {.name = "sfondo tre",
     .title = "the third background setting",
     .section = Section::kLineGeneral,
     .key = &kBackgroundTreKey,
     .summary = "A setting of the line's background, carried to the train file.",
     .example = "sfondo tre,    0",
     .fields = kBackgroundTreFields},
    {.name = "ripetizione segnali",
     .title = "the signal repetition",
     .section = Section::kLineGeneral,
     .key = &kRepetitionKey,
     .key_rule = "The key names the number of codes: a \"4\" anywhere in it gives 4 codes, "
                 "otherwise a \"9\" gives 9; with neither the compile stops with error 5. "
                 "The count goes to item 86 `position` (`TrainItem::repetition_codes`).",
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
     .key_rule = "The key names the side and the radius class: an \"s\" anywhere in it turns "
                 "left (\"curvas\"), otherwise right (\"curvad\"); the first of the digits 1 "
                 "to 6 found in it gives the radius, 10000, 5000, 2500, 1000, 500 or about "
                 "333 m. A key without one of those digits stops the compile with error 103. "
                 "When the line file is not wanted the key still matches, but its numbers are "
                 "then read as keys that match nothing.",
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
    {"Rows and keys",
     "A row is a key field followed by its values. The reader takes the key field and looks for "
     "each row's key words anywhere in it; several rows may match one key, and each then reads "
     "its values in the order of this reference. Letter case does not matter unless a row says "
     "so. A key that matches nothing is skipped, and reading goes on with the next field: a "
     "section heading such as \"[curve]\", an empty line and a stray number are all skipped "
     "this way."},
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
     "save the document in Windows-1252 (often called \"Western\" or \"ANSI\" by editors)"},
};

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
  }
  return kWarnings[0];
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
