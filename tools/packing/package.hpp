#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "storage/byte_sink.hpp"
#include "storage/replace_file.hpp"
#include "tools/packing/carried_documents.hpp"
#include "tools/shared/scenario_names.hpp"

namespace borgo::tools {

// Throws Refusal when a package written to `output` would be written over a
// file pack reads: one of the author's documents in `folder` (there or not:
// one written there would be read as the document next time), the generic
// package program or the running tool. Told apart by name, as a file system
// that ignores case does, and on disk, through links and other spellings.
void check_output_spares_inputs(const std::filesystem::path& output,
                                const std::filesystem::path& folder, const ScenarioNames& names,
                                const std::filesystem::path& generic_program);

// The payload that carries `documents` under `names`. Throws Refusal when
// the documents cannot be carried.
std::string package_payload(const ScenarioNames& names, const PackedDocuments& documents);

// A package program: the generic program followed by the payload, written
// without joining them.
class PackageContent final : public storage::FileContent {
 public:
  PackageContent(std::string_view program, std::string_view payload)
      : program_(program), payload_(payload) {}
  std::uint64_t size() const override { return program_.size() + payload_.size(); }
  void write_to(storage::ByteSink& sink) const override {
    sink.write(program_);
    sink.write(payload_);
  }

 private:
  std::string_view program_;
  std::string_view payload_;
};

}  // namespace borgo::tools
