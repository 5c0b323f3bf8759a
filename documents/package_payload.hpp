#pragma once

// A generic package program carries its scenario at the end of its own file,
// after the program's own bytes:
//
//   program | header | documents | checksum | trailer
//
//   header     the line name's length (1 byte) and bytes, the train name's
//              length (1 byte) and bytes, then each document's size in
//              DocumentKind order (4 bytes each; kAbsentDocument for a
//              service document the scenario has none of)
//   documents  their bytes, in the same order
//   checksum   CRC-32 of the header and the documents (4 bytes)
//   trailer    the size of header, documents and checksum together (4 bytes),
//              then kPayloadMagic
//
// Numbers are little-endian. The names are Windows-1252, the documents the
// exact bytes the program writes. The trailer, found from the end of the
// file, locates the rest.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "documents/documents.hpp"
#include "documents/line_table.hpp"

namespace borgo::documents {

inline constexpr std::string_view kPayloadMagic = "SCENPAK1";
inline constexpr std::uint32_t kAbsentDocument = 0xFFFFFFFF;
inline constexpr std::size_t kSizeBytes = 4;  // every size and the checksum
inline constexpr std::size_t kTrailerSize = kSizeBytes + kPayloadMagic.size();
// Far more than a thousand lines of any sensible document each: a bound on
// what a package program takes into memory.
inline constexpr std::uint32_t kLargestPayload = 64u << 20;

// A package program whose payload is missing or not as its writer left it;
// the message says what is wrong.
class PackageDamaged : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The scenario a payload carries: its names and the line tables of its
// documents, viewing bytes the package holds. Checked whole when made, its
// names against package_file_name_fault too.
class Package {
 public:
  // `body`: a payload's header and documents, without checksum and trailer.
  // Throws PackageDamaged.
  explicit Package(std::string body);
  Package(const Package&) = delete;
  Package& operator=(const Package&) = delete;

  const Scenario& scenario() const { return scenario_; }

 private:
  std::string body_;
  std::array<std::unique_ptr<LineTable>, kDocumentCount> tables_;
  Scenario scenario_;
};

// The names of the files a package program of these scenario names writes or
// deletes in its folder: the five documents, then the three compiled files.
std::vector<std::string> package_file_names(std::string_view line_name,
                                            std::string_view train_name);

// The longest name a file can have: 255 bytes on Linux's file systems, 255
// UTF-16 units on Windows', where each Windows-1252 byte of a name is one.
inline constexpr std::size_t kLongestFileName = 255;

// Why names that are each fit to be a scenario name still cannot name a
// package program's files (the longest of package_file_names would be
// longer than kLongestFileName), or nullopt when they can. Read before
// anything is written: otherwise a run would write the descriptions and stop
// at the first name too long, leaving them behind.
std::optional<std::string> package_file_name_fault(std::string_view line_name,
                                                   std::string_view train_name);

// The CRC-32 (ISO-HDLC, as zlib and PNG have it) of `bytes`.
std::uint32_t payload_checksum(std::string_view bytes);

// Whether a program's bytes end in a payload's trailer.
bool carries_payload(std::string_view program);

// The scenario a package program's bytes carry. Throws PackageDamaged.
std::unique_ptr<Package> read_package(std::string_view program);

// The scenario the package program at `program` carries, read from the end
// of its file: the trailer first, then no more than the payload the trailer
// gives once the file is seen to hold it, so that however large the file
// (or whatever its trailer claims), no more than kLargestPayload is read.
// Throws PackageDamaged, or storage::FileError when the file cannot be read.
std::unique_ptr<Package> read_package_file(const std::filesystem::path& program);

// The payload that carries `scenario`, to append to a generic package
// program. Throws std::invalid_argument for a name that cannot be a scenario
// name, names that make a file name too long, a description missing, or a
// payload larger than kLargestPayload.
std::string make_payload(const Scenario& scenario);

}  // namespace borgo::documents
