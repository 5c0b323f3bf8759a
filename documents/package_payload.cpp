#include "documents/package_payload.hpp"

#include <zlib.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "compiler/file_names.hpp"
#include "compiler/route_model.hpp"
#include "storage/read_file.hpp"

namespace borgo::documents {
namespace {

constexpr std::size_t kNameLengthBytes = 1;

std::uint32_t read_u32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = kSizeBytes; i-- > 0;) {
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  }
  return value;
}

void put_u32(std::string& out, std::uint32_t value) {
  for (std::size_t i = 0; i < kSizeBytes; ++i) {
    out += static_cast<char>(value >> (8 * i) & 0xff);
  }
}

// Reads the header and documents front to back; every read is checked
// against what is left.
class BodyReader {
 public:
  explicit BodyReader(std::string_view body) : body_(body) {}

  std::string_view take(std::size_t size, std::string_view what) {
    if (size > body_.size() - at_) {
      throw PackageDamaged(std::string(what) + " reaches past the end of the payload");
    }
    const std::string_view taken = body_.substr(at_, size);
    at_ += size;
    return taken;
  }
  std::string_view name(std::string_view what) {
    const auto length = static_cast<unsigned char>(take(kNameLengthBytes, what)[0]);
    const std::string_view name = take(length, what);
    if (const std::optional<std::string> fault = scenario_name_fault(name)) {
      throw PackageDamaged(std::string(what) + " " + *fault);
    }
    return name;
  }
  std::uint32_t size(std::string_view what) { return read_u32(take(kSizeBytes, what), 0); }
  std::size_t left() const { return body_.size() - at_; }

 private:
  std::string_view body_;
  std::size_t at_ = 0;
};

}  // namespace

Package::Package(std::string body) : body_(std::move(body)) {
  BodyReader reader(body_);
  scenario_.line_name = reader.name("the line name");
  scenario_.train_name = reader.name("the train name");
  if (const std::optional<std::string> fault =
          package_file_name_fault(scenario_.line_name, scenario_.train_name)) {
    throw PackageDamaged("the line and train names " + *fault);
  }
  std::array<std::uint32_t, kDocumentCount> sizes{};
  std::uint64_t total = 0;
  for (const DocumentKind kind : kDocumentKinds) {
    const std::string title(document_title(kind));
    const std::uint32_t size = reader.size("the size of the " + title);
    sizes[static_cast<std::size_t>(kind)] = size;
    if (size == kAbsentDocument) {
      if (is_description(kind)) throw PackageDamaged("the " + title + " is missing");
      continue;
    }
    total += size;
  }
  if (total != reader.left()) {
    throw PackageDamaged("the documents' sizes add up to " + std::to_string(total) +
                         " bytes, but the payload holds " + std::to_string(reader.left()));
  }
  for (const DocumentKind kind : kDocumentKinds) {
    const auto index = static_cast<std::size_t>(kind);
    if (sizes[index] == kAbsentDocument) continue;
    const std::string title(document_title(kind));
    const std::string_view bytes = reader.take(sizes[index], "the " + title);
    tables_[index] = std::make_unique<LineTable>();
    if (const std::optional<LineTableFault> fault = fill_line_table(bytes, *tables_[index])) {
      throw PackageDamaged("the " + title + " has " + fault->what + " (line " +
                           std::to_string(fault->line) + ")");
    }
    scenario_.documents[index] = tables_[index].get();
  }
}

std::vector<std::string> package_file_names(std::string_view line_name,
                                            std::string_view train_name) {
  std::vector<std::string> names;
  for (const DocumentKind kind : kDocumentKinds) {
    names.push_back(document_name(kind, line_name, train_name));
  }
  compiler::RouteModel names_only;
  names_only.line_name = line_name;
  names_only.train_name = train_name;
  names.push_back(compiler::line_file_name(names_only));
  names.push_back(compiler::train_file_name(names_only));
  names.push_back(compiler::cell_file_name(names_only));
  return names;
}

std::optional<std::string> package_file_name_fault(std::string_view line_name,
                                                   std::string_view train_name) {
  std::size_t longest = 0;
  for (const std::string& name : package_file_names(line_name, train_name)) {
    longest = std::max(longest, name.size());
  }
  if (longest <= kLongestFileName) return std::nullopt;
  return "make a file name " + std::to_string(longest) + " bytes long, more than the " +
         std::to_string(kLongestFileName) + " a file name can have";
}

std::uint32_t payload_checksum(std::string_view bytes) {
  uLong crc = crc32_z(0L, Z_NULL, 0);
  crc = crc32_z(crc, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size());
  return static_cast<std::uint32_t>(crc);
}

bool carries_payload(std::string_view program) {
  return program.size() >= kTrailerSize && program.ends_with(kPayloadMagic);
}

namespace {

// The size of the payload that `trailer`, the last bytes of a file of
// `file_size` bytes, gives: checked against the file and the bound before
// any of it is read.
std::uint32_t payload_size(std::string_view trailer, std::uint64_t file_size) {
  if (!carries_payload(trailer)) {
    throw PackageDamaged("it carries no scenario: its file does not end in a package's trailer");
  }
  const std::uint32_t size = read_u32(trailer, 0);
  if (size > file_size - kTrailerSize || size < kSizeBytes) {
    throw PackageDamaged("its trailer gives the scenario a size of " + std::to_string(size) +
                         " bytes, which its file cannot hold");
  }
  if (size > kLargestPayload) {
    throw PackageDamaged("its trailer gives the scenario a size of " + std::to_string(size) +
                         " bytes, more than a package carries (" + std::to_string(kLargestPayload) +
                         ")");
  }
  return size;
}

// The scenario of a payload: header, documents and checksum.
std::unique_ptr<Package> read_payload(std::string payload) {
  const std::size_t body_size = payload.size() - kSizeBytes;
  if (payload_checksum(std::string_view(payload).substr(0, body_size)) !=
      read_u32(payload, body_size)) {
    throw PackageDamaged("its scenario's checksum does not match its bytes");
  }
  payload.resize(body_size);
  return std::make_unique<Package>(std::move(payload));
}

}  // namespace

std::unique_ptr<Package> read_package(std::string_view program) {
  const std::string_view trailer =
      program.substr(program.size() - std::min(program.size(), kTrailerSize));
  const std::uint32_t size = payload_size(trailer, program.size());
  return read_payload(std::string(program.substr(program.size() - kTrailerSize - size, size)));
}

std::unique_ptr<Package> read_package_file(const std::filesystem::path& program) {
  const storage::FileReader file(program);
  const std::size_t trailer_size =
      static_cast<std::size_t>(std::min<std::uint64_t>(file.size(), kTrailerSize));
  const std::uint32_t size =
      payload_size(file.read_at(file.size() - trailer_size, trailer_size), file.size());
  return read_payload(file.read_at(file.size() - kTrailerSize - size, size));
}

std::string make_payload(const Scenario& scenario) {
  std::string payload;
  for (const std::string_view name : {scenario.line_name, scenario.train_name}) {
    if (const std::optional<std::string> fault = scenario_name_fault(name)) {
      throw std::invalid_argument("the name '" + std::string(name) + "' " + *fault);
    }
    payload += static_cast<char>(name.size());
    payload += name;
  }
  if (const std::optional<std::string> fault =
          package_file_name_fault(scenario.line_name, scenario.train_name)) {
    throw std::invalid_argument("the line and train names " + *fault);
  }
  std::string documents;
  for (const DocumentKind kind : kDocumentKinds) {
    const LineTable* table = scenario.document(kind);
    if (table == nullptr) {
      if (is_description(kind)) {
        throw std::invalid_argument("the " + std::string(document_title(kind)) + " is missing");
      }
      put_u32(payload, kAbsentDocument);
      continue;
    }
    const std::string bytes = render_lines(*table);
    if (bytes.size() >= kLargestPayload) {
      throw std::invalid_argument("the " + std::string(document_title(kind)) +
                                  " is larger than a package can carry");
    }
    put_u32(payload, static_cast<std::uint32_t>(bytes.size()));
    documents += bytes;
  }
  payload += documents;
  if (payload.size() + kSizeBytes > kLargestPayload) {
    throw std::invalid_argument("the documents are larger than a package can carry (" +
                                std::to_string(kLargestPayload) + " bytes)");
  }
  put_u32(payload, payload_checksum(payload));
  put_u32(payload, static_cast<std::uint32_t>(payload.size()));
  payload += kPayloadMagic;
  return payload;
}

}  // namespace borgo::documents
