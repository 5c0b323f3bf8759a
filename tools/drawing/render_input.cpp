#include "tools/drawing/render_input.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "compiler/compiled_files.hpp"
#include "storage/byte_sink.hpp"
#include "storage/file_error.hpp"
#include "storage/read_file.hpp"
#include "tools/drawing/compiled_decoder.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools {
namespace {

void require_fit(const std::optional<LayoutProblem>& problem, const std::filesystem::path& file) {
  if (problem) {
    throw storage::FileError(file, "does not fit its layout at byte " +
                                       std::to_string(problem->offset) + ": " + problem->message);
  }
}

// A compiled file's bytes by its kind, or nullopt when there is none.
using CompiledBytes = std::function<std::optional<std::string>(compiler::CompiledFileKind kind)>;

// Decodes the compiled files of a scenario; `folder` names them in messages.
RenderInput decode_compiled(const ScenarioNames& names, const std::filesystem::path& folder,
                            const CompiledBytes& bytes_of) {
  using Kind = compiler::CompiledFileKind;
  RenderInput input;
  input.line_name = utf8_from_1252(names.line_1252);
  input.train_name = utf8_from_1252(names.train_1252);
  const auto required = [&](Kind kind) {
    std::optional<std::string> bytes = bytes_of(kind);
    if (!bytes) throw storage::FileError(names.compiled_path(folder, kind), "does not exist");
    return std::move(*bytes);
  };
  DecodedItems items = decode_train_file(required(Kind::kItems));
  require_fit(items.problem, names.compiled_path(folder, Kind::kItems));
  DecodedCells cells = decode_cell_file(required(Kind::kCells));
  require_fit(cells.problem, names.compiled_path(folder, Kind::kCells));
  input.items = std::move(items.items);
  input.cells = std::move(cells.cells);
  if (const std::optional<std::string> bytes = bytes_of(Kind::kLinePlan)) {
    DecodedPlan plan = decode_line_file(*bytes);
    require_fit(plan.problem, names.compiled_path(folder, Kind::kLinePlan));
    input.plan = std::move(plan.columns);
  }
  return input;
}

}  // namespace

RenderInput render_input_of(const compiler::Compilation& compilation, const ScenarioNames& names,
                            const std::filesystem::path& folder) {
  return decode_compiled(
      names, folder, [&compilation](compiler::CompiledFileKind kind) -> std::optional<std::string> {
        for (const compiler::CompiledFile& file : compilation.files) {
          if (file.kind() == kind) return storage::bytes_of(file);
        }
        return std::nullopt;
      });
}

RenderInput render_input_from_plan(const compiler::Compilation& compilation,
                                   const ScenarioNames& names,
                                   const std::filesystem::path& folder) {
  bool has_line_file = false;
  RenderInput input =
      decode_compiled(names, folder,
                      [&compilation, &has_line_file](
                          compiler::CompiledFileKind kind) -> std::optional<std::string> {
                        for (const compiler::CompiledFile& file : compilation.files) {
                          if (file.kind() != kind) continue;
                          if (kind != compiler::CompiledFileKind::kLinePlan)
                            return storage::bytes_of(file);
                          has_line_file = true;
                        }
                        return std::nullopt;  // the plan is not decoded but worked out below
                      });
  if (has_line_file) input.plan = compilation.model->line_plan.columns();
  return input;
}

RenderInput render_input_in(const std::filesystem::path& folder, const ScenarioNames& names) {
  return decode_compiled(
      names, folder,
      [&folder, &names](compiler::CompiledFileKind kind) -> std::optional<std::string> {
        const std::filesystem::path path = names.compiled_path(folder, kind);
        if (!std::filesystem::exists(path)) return std::nullopt;
        // A file larger than any of its kind is told by its size, unread.
        try {
          return storage::read_file(path, largest_file_bytes(kind));
        } catch (const storage::FileTooLarge& too_large) {
          require_fit(size_problem(kind, too_large.size()), path);
          throw;
        }
      });
}

}  // namespace borgo::tools
