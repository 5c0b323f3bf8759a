#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

#include "storage/byte_sink.hpp"

namespace borgo::storage {

// Replaces the file at `path` with exactly the bytes `content` writes.
//
// The bytes go to a temporary file in the same folder, its whole size
// reserved before the first byte is written, that is then renamed over the
// old file, so that a failure (disk full, folder read-only, a directory in
// the way) leaves the old file as it was and no temporary file behind.
// Throws FileError naming `path` on any failure.
void replace_file(const std::filesystem::path& path, const FileContent& content);
void replace_file(const std::filesystem::path& path, std::string_view bytes);

// The three steps of a replacement, in order.
enum class ReplaceStep {
  kCreate,  // before the temporary file is created
  kWrite,   // after the bytes went into the temporary file, before it is closed
  kRename,  // before the temporary file is renamed over the old one
};

// A test's stand-in for a fault of the disk. Called with each step and the
// file being replaced (not the temporary one); a non-zero errno value makes
// that step fail with that reason, 0 lets it go on. The hook may also change
// the disk itself (fill it, make the folder read-only) and return 0, so that
// the real step meets the fault. The program never sets one.
using ReplaceFaultHook = std::function<int(ReplaceStep step, const std::filesystem::path& path)>;

// Installs `hook` for every following replace_file; an empty one removes it.
void set_replace_fault_hook(ReplaceFaultHook hook);

}  // namespace borgo::storage
