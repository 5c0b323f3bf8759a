#pragma once

#include <filesystem>
#include <ostream>
#include <span>
#include <string_view>

#include "storage/byte_sink.hpp"
#include "storage/replace_file.hpp"

namespace borgo::tools {

enum class OutputWritten {
  kFile,    // a regular file, replaced whole
  kStream,  // standard output, a FIFO or a character device, written into
};

// Writes a command's output file, named on the command line by `name`:
// - "-" is standard output, `out`;
// - a FIFO or a character device, named as it is or through a symbolic
//   link (/dev/stdout), is written into and stays what it was: replacing it
//   would put a regular file in its place (in /dev, as root);
// - a regular file or a missing path is replaced through a temporary file,
//   so that a failure leaves the old file as it was;
// - a link to anything else is refused (Refusal): replacing it would replace
//   the link, and writing through it would not be a replacement;
// - anything else goes to the replacement, which fails and says why.
// Throws storage::FileError naming `name` when it cannot be written. A new
// regular file of `kind` kProgram may be run (storage/replace_file.hpp).
OutputWritten write_output(std::string_view name, const storage::FileContent& content,
                           std::ostream& out, storage::FileKind kind = storage::FileKind::kData);
OutputWritten write_output(std::string_view name, std::string_view bytes, std::ostream& out);

// Throws Refusal naming the folder an output file named `name` goes into
// when that folder is missing or is not a folder: a command that takes a
// while to make its output says so before it begins. "-" and a name without
// a folder go nowhere that can be missing.
void check_output_folder(std::string_view name);

// Files a command makes beside an author's own (descriptions, documents),
// which an author may have edited: checked all before the first is written.
// Throws Refusal naming every one that is there when `replace` is false,
// and, when it is true, every one that is there but is not a regular file
// (a link, a folder, a FIFO), which is never replaced nor written through.
void check_new_outputs(std::span<const std::filesystem::path> paths, bool replace);

// Writes one of them: made exclusively when `replace` is false, so that
// whatever appeared there since the check is refused and never written
// through or over; replaced through a temporary file otherwise. A failed
// write leaves no part of the file. Throws Refusal, or storage::FileError
// naming `path`.
void write_new_output(const std::filesystem::path& path, std::string_view bytes, bool replace);

}  // namespace borgo::tools
