#pragma once

#include <filesystem>

#include "tools/shared/scenario_names.hpp"

namespace borgo::tools {

// A name mistyped on the command line ("R12" for "R 12") would compile a
// missing document into a long run-time error, and write compiled files
// nobody asked for. So a command looks for the files the names give before
// it reads or writes anything, and when one is not there throws Refusal: the
// message names each missing file and lists, nearest first, the scenarios of
// that folder that would fit (the same line, or names a few letters away),
// each with the options that name it. A name the file system refuses (too
// long, say) throws storage::FileError.

// NAME_linea.txt and NAME_TRAIN-.txt, the two descriptions.
void check_descriptions_present(const std::filesystem::path& folder, const ScenarioNames& names);

// What render draws: the descriptions, compiled first, when the line
// description is there; else the compiled files NAME_TRAIN.sim and
// NAME_TRAIN.dat (the line file NAME_linea.dat adds the plan view, when it is
// there).
enum class DrawingSource { kDescriptions, kCompiledFiles };
DrawingSource check_drawing_source(const std::filesystem::path& folder, const ScenarioNames& names);

}  // namespace borgo::tools
