#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace borgo::testing {

// A whole file's bytes; empty when it cannot be read.
inline std::string slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes;
  // In blocks: a character at a time takes seconds over a run's files in a
  // debug build.
  char block[1 << 16];
  while (in.read(block, sizeof block) || in.gcount() > 0) {
    bytes.append(block, static_cast<std::size_t>(in.gcount()));
  }
  return bytes;
}

// Puts exactly `bytes` into the file at `path`, replacing what it held.
inline void spit(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

// Puts `head` into the file at `path`, then zeros up to byte `tail_at`, then
// `tail`. The zeros are a hole the file system does not store where it can
// (a sparse file), so that a file of gigabytes costs no disk.
inline void spit_around_hole(const std::filesystem::path& path, std::string_view head,
                             std::uint64_t tail_at, std::string_view tail) {
  spit(path, head);
  std::filesystem::resize_file(path, tail_at);
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace borgo::testing
