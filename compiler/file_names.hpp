#pragma once

#include <string>

#include "compiler/route_model.hpp"

namespace borgo::compiler {

// The names of a scenario's files, built from model.line_name and
// model.train_name without changing a character (a blank stays a blank).
std::string line_description_name(const RouteModel& model);   // <line>_linea.txt
std::string train_description_name(const RouteModel& model);  // <line>_<train>-.txt
std::string line_file_name(const RouteModel& model);          // <line>_linea.dat
std::string train_file_name(const RouteModel& model);         // <line>_<train>.sim
std::string cell_file_name(const RouteModel& model);          // <line>_<train>.dat

}  // namespace borgo::compiler
