#pragma once

#include <filesystem>
#include <string>

#include "compiler/large_block.hpp"
#include "compiler/route_model.hpp"

namespace borgo::compiler {

// File names of the compiled scenario, built from the scenario names.
std::string line_file_name(const RouteModel& model);   // <line>_linea.dat
std::string train_file_name(const RouteModel& model);  // <line>_<train>.sim
std::string cell_file_name(const RouteModel& model);   // <line>_<train>.dat

// The files' bytes: headerless little-endian dumps of the model's tables.
FileBytes encode_line_plan(const RouteModel& model);  // tagged values, column by column
FileBytes encode_items(const RouteModel& model);      // the 87 item records
FileBytes encode_cells(const RouteModel& model);      // 15 bytes a cell

// Writes the line file (when model.write_line_file is not 0), the train file
// and the cell file into `folder`, in that order, each replacing any older
// file. Throws FileError naming the file that could not be written; the files
// written before it stay.
void write_compiled_files(const RouteModel& model, const std::filesystem::path& folder);

}  // namespace borgo::compiler
