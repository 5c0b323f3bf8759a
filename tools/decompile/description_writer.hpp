#pragma once

#include <string>

#include "tools/decompile/description_rows.hpp"

namespace borgo::tools::decompile {

// The descriptions laid out as the package's own: "[generale]" and the
// other section headings, one row a line with its numbers in aligned
// columns, "[fine]" last; Windows-1252 bytes with CR LF line ends. Texts
// must be writable (text_field).
std::string write_line_description(const LineRows& line);
std::string write_train_description(const TrainRows& train);

}  // namespace borgo::tools::decompile
