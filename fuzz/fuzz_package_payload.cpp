// The payload reader of a generic package program, on its own file's bytes
// (first byte even) or on a payload's header and documents alone (first byte
// odd): the checksum guards everything after it, and random bytes seldom
// match one. Whatever it reads must be a scenario a package program can run,
// and must be what packing that scenario again would give.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "documents/documents.hpp"
#include "documents/package_payload.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace borgo::documents;
  if (size == 0) return 0;
  const bool body_only = (data[0] & 1) != 0;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::unique_ptr<Package> package;
  try {
    package = body_only ? std::make_unique<Package>(std::string(input)) : read_package(input);
  } catch (const PackageDamaged&) {
    return 0;
  }
  const Scenario& scenario = package->scenario();
  if (scenario_name_fault(scenario.line_name) || scenario_name_fault(scenario.train_name)) {
    std::abort();
  }
  if (scenario.document(DocumentKind::kLineDescription) == nullptr ||
      scenario.document(DocumentKind::kTrainDescription) == nullptr) {
    std::abort();
  }
  // Packed again, the scenario gives back the bytes it was read from.
  const std::string again = make_payload(scenario);
  const std::size_t body_size = again.size() - kSizeBytes - kTrailerSize;
  if (body_only ? again.substr(0, body_size) != input : !input.ends_with(again)) std::abort();
  return 0;
}
