#include "compiler/description_reading.hpp"

#include <algorithm>
#include <exception>
#include <limits>

#include "compiler/error_catalog.hpp"
#include "compiler/file_names.hpp"
#include "compiler/line_reader.hpp"
#include "compiler/record_roles.hpp"
#include "compiler/train_reader.hpp"
#include "compiler/utf8_text.hpp"

namespace borgo::compiler {
namespace {

// A modern editor saves a description as UTF-8 unless told otherwise. It
// reads without a fault, but the simulator reads Windows-1252, so each
// letter beyond ASCII reaches it as two or more wrong ones. One warning per
// document, at its first such letter.
void warn_if_utf8(std::string_view bytes, Document document, CompileReport& report) {
  const std::optional<std::size_t> letter = first_utf8_letter(bytes);
  if (!letter) return;
  const std::size_t offset = *letter;
  // In valid UTF-8 the first byte above 127 leads a sequence, whose length it tells.
  const auto lead = static_cast<unsigned char>(bytes[offset]);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
  const FieldLocation at = location_of(bytes, offset);
  report.warnings.push_back(
      {CompileWarning::Kind::kUtf8Document, SourceSpot{document, at, at, at},
       "the document is saved as UTF-8, but the simulator reads Windows-1252: these " +
           std::to_string(length) + " bytes reach it as \"" +
           std::string(bytes.substr(offset, length)) + "\""});
}

}  // namespace

DescriptionReading::DescriptionReading(RouteModel& model, CompileReport& report)
    : model_(model), report_(report) {
  LineItem(model_.items[kLineRecord]).name() = model_.line_name;
  TrainItem(model_.items[kTrainRecord]).name() = model_.train_name;
}

bool DescriptionReading::read_line(std::optional<std::string_view> bytes) {
  train_wanted_ = false;
  if (failed_) return false;
  if (!bytes) {
    model_.error_number = error::kLineDescriptionMissing;
    report_.error_detail = line_description_name(model_) + " does not exist";
    return false;
  }
  try {
    warn_if_utf8(*bytes, Document::kLineDescription, report_);
    const detail::LineReadResult line = detail::read_line_description(model_, *bytes, report_);
    sign_slot_ = line.sign_slot;
    train_wanted_ = line.go_on;
  } catch (const std::exception& failure) {
    fail(failure.what());
  }
  return train_wanted_;
}

void DescriptionReading::read_train(std::optional<std::string_view> bytes) {
  if (failed_ || !train_wanted_) return;
  train_wanted_ = false;
  if (!bytes) {
    fail(train_description_name(model_) + " does not exist");
    return;
  }
  try {
    warn_if_utf8(*bytes, Document::kTrainDescription, report_);
    detail::read_train_description(model_, *bytes, sign_slot_, report_);
  } catch (const std::exception& failure) {
    fail(failure.what());
  }
}

void DescriptionReading::fail(std::string what) {
  failed_ = true;
  train_wanted_ = false;
  model_.error_number = error::kRuntimeFailure;
  report_.error_detail = std::move(what);
}

}  // namespace borgo::compiler
