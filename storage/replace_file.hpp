#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "storage/byte_sink.hpp"

namespace borgo::storage {

// Replaces the file at `path` with exactly the bytes `content` writes.
//
// The bytes go to a new temporary file in the same folder, made exclusively
// under a name nobody can predict, its whole size reserved before the first
// byte is written, that is then renamed over the old file, so that a failure
// (disk full, folder read-only, a directory in the way) leaves the old file
// as it was and no temporary file behind. The new file keeps the old file's
// permissions; where there was none, a program gets a new file's default
// permissions with leave to run it. A read-only old file (no write
// permission for its owner; the read-only attribute on Windows) is not
// replaced. Throws FileError naming `path` on any failure.
enum class FileKind { kData, kProgram };
void replace_file(const std::filesystem::path& path, const FileContent& content,
                  FileKind kind = FileKind::kData);
void replace_file(const std::filesystem::path& path, std::string_view bytes);

// The name of the temporary file replace_file tries for the random value
// `random`: "borgo-", its 16 lower-case hexadecimal digits, ".tmp". Short and
// of one length whatever the target's name, so that any name the file
// system takes for a target leaves room for it.
std::string temporary_file_name(std::uint64_t random);

// Whether `name`, a file name alone, is one temporary_file_name gives: one
// that remove_stale_temporaries removes.
bool is_temporary_file_name(const std::filesystem::path& name);

// Removes what replacements in `folder` left behind when their process was
// killed: the entries named exactly as temporary_file_name names them that
// are files or links (a link is removed, never followed). Anything else
// stays. Only for a folder where no other process is replacing a file at the
// same time, such as one held through a FolderLock. Throws FileError naming
// the folder, or the entry that cannot be removed.
void remove_stale_temporaries(const std::filesystem::path& folder);

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

// A test's stand-in for the random values the temporary files' names come
// from, so that it can plant something under each name a replacement will
// try. The program never sets one; an empty one brings back the system's
// random source.
using TemporaryNameSource = std::function<std::uint64_t()>;
void set_temporary_name_source(TemporaryNameSource source);

}  // namespace borgo::storage
