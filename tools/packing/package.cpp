#include "tools/packing/package.hpp"

#include <array>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "documents/line_table.hpp"
#include "documents/package_payload.hpp"
#include "tools/packing/target.hpp"
#include "tools/shared/refusal.hpp"
#include "tools/shared/same_file.hpp"

namespace borgo::tools {

void check_output_spares_inputs(const std::filesystem::path& output,
                                const std::filesystem::path& folder, const ScenarioNames& names,
                                const std::filesystem::path& generic_program) {
  struct Input {
    std::string what;
    std::filesystem::path path;
  };
  std::vector<Input> inputs;
  for (const documents::DocumentKind kind : documents::kDocumentKinds) {
    inputs.push_back(
        {std::string(documents::document_title(kind)), document_path(folder, names, kind)});
  }
  inputs.push_back({"generic package program", generic_program});
  std::string unknown;  // then there is no file of the tool to name
  if (const std::optional<std::filesystem::path> self = running_tool(unknown)) {
    inputs.push_back({"running scenario-tool", *self});
  }
  for (const Input& input : inputs) {
    if (one_file_on_disk(output, input.path) ||
        one_file_where_case_is_ignored(output, input.path)) {
      throw Refusal("nothing was packed: -o '" + output.string() + "' would write over the " +
                    input.what + " '" + input.path.string() +
                    "', which pack reads: name another PROGRAM");
    }
  }
}

std::string package_payload(const ScenarioNames& names, const PackedDocuments& packed) {
  // The tables view the documents' bytes, which stay where they are from here on.
  const auto tables =
      std::make_unique<std::array<documents::LineTable, documents::kDocumentCount>>();
  documents::Scenario scenario{.line_name = names.line_1252, .train_name = names.train_1252};
  for (std::size_t i = 0; i < packed.size(); ++i) {
    if (!packed[i]) continue;
    documents::fill_line_table(packed[i]->bytes, (*tables)[i]);
    scenario.documents[i] = &(*tables)[i];
  }
  try {
    return documents::make_payload(scenario);
  } catch (const std::invalid_argument& refused) {
    throw Refusal(std::string("nothing was packed: ") + refused.what());
  }
}

}  // namespace borgo::tools
