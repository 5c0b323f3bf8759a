#include "compiler/description_reading.hpp"

#include <exception>

#include "compiler/error_catalog.hpp"
#include "compiler/file_names.hpp"
#include "compiler/line_reader.hpp"
#include "compiler/record_roles.hpp"
#include "compiler/train_reader.hpp"

namespace borgo::compiler {

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
