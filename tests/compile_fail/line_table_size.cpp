// Builds a line table from LINES_FILE at compile time. With 1000 lines it
// must compile; with 1001 the table has no slot left for the end marker and
// the build must stop.
#include <string_view>

#include "documents/line_table.hpp"

namespace {
constexpr std::string_view kLines =
#include LINES_FILE
    ;
constexpr borgo::documents::LineTable kTable = borgo::documents::make_line_table(kLines);
}  // namespace

int main() { return kTable[0] == "x" ? 0 : 1; }
