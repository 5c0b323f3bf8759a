#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/compile_report.hpp"
#include "compiler/route_model.hpp"

namespace borgo::compiler {

// The reading of the two descriptions into a model, from their bytes, one
// document at a time: the line description first, then, if its reading went
// on to the end, the train description. Faults are recorded in
// model.error_number, with where and why in the report. Any run-time failure
// (reading past a document's end, a value too large for its field, a missing
// train description) becomes error 25 and ends the reading.
//
// It reads no file: whoever holds the documents hands over their bytes and
// deletes them as the reading goes (the program deletes each description
// once it has been read, and both after a run-time failure).
class DescriptionReading {
 public:
  // The names in model.line_name and model.train_name are copied into their
  // items; nothing else of the model is cleared.
  DescriptionReading(RouteModel& model, CompileReport& report);

  // The line description, or nullopt when there is none (error 101). True
  // when the train description is to be read next.
  bool read_line(std::optional<std::string_view> bytes);

  // The train description, or nullopt when there is none (a run-time failure).
  void read_train(std::optional<std::string_view> bytes);

  // A run-time failure outside the readers, such as a document that cannot
  // be read or deleted: error 25, and the reading ends.
  void fail(std::string what);

  // True after a run-time failure: then no description may survive it.
  bool failed() const { return failed_; }

 private:
  RouteModel& model_;
  CompileReport& report_;
  std::int32_t sign_slot_ = kFirstSignSlot;
  bool train_wanted_ = false;
  bool failed_ = false;
};

}  // namespace borgo::compiler
