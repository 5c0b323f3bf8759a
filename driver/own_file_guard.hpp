#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace borgo::driver {

// The file that a run of a package program with these scenario names would
// write over or delete in `folder` and that is the program's own file,
// `program`: one of package_file_names, or a file named as the temporary
// files of an earlier run are, which the run clears. Nullopt when there is
// none. Files are compared by identity (device and file number, or volume
// and file index on Windows), so that a name in other letters on a file
// system that ignores letter case, a short name on Windows, or the program
// reached through a link is seen to be the same file. Throws
// storage::FileError naming a file that is there but cannot be compared.
std::optional<std::filesystem::path> own_file_among_outputs(const std::filesystem::path& program,
                                                            const std::filesystem::path& folder,
                                                            std::string_view line_name,
                                                            std::string_view train_name);

}  // namespace borgo::driver
