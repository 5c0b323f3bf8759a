#include "compiler/file_names.hpp"

namespace borgo::compiler {

std::string line_description_name(const RouteModel& model) {
  return model.line_name + "_linea.txt";
}
std::string train_description_name(const RouteModel& model) {
  return model.line_name + "_" + model.train_name + "-.txt";
}
std::string line_file_name(const RouteModel& model) { return model.line_name + "_linea.dat"; }
std::string train_file_name(const RouteModel& model) {
  return model.line_name + "_" + model.train_name + ".sim";
}
std::string cell_file_name(const RouteModel& model) {
  return model.line_name + "_" + model.train_name + ".dat";
}

}  // namespace borgo::compiler
