#pragma once

#include <filesystem>
#include <string_view>

namespace borgo {

// Replaces the file at `path` with exactly `bytes`, in one write.
//
// The bytes go to a temporary file in the same folder that is then renamed
// over the old file, so that a failure (disk full, folder read-only, a
// directory in the way) leaves the old file as it was and no temporary file
// behind. Throws FileError naming `path` on any failure.
void replace_file(const std::filesystem::path& path, std::string_view bytes);

}  // namespace borgo
