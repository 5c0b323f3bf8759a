#include "tools/drawing/json_writer.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "tools/shared/text_encoding.hpp"

namespace borgo::tools {
namespace {

std::string shortest(double v) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, result.ptr);
}

std::string three_decimals(double v) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.3f", v);
  return buffer;
}

}  // namespace

void write_json(std::ostream& out, const Value& value) {
  if (const auto* n = std::get_if<std::int64_t>(&value)) {
    out << *n;
  } else if (const auto* d = std::get_if<double>(&value)) {
    if (std::isfinite(*d)) {
      out << shortest(*d);
    } else {
      out << "null";
    }
  } else if (const auto* s = std::get_if<std::string>(&value)) {
    out << json_string(*s);
  } else {
    out << "null";
  }
}

void write_json(std::ostream& out, const Record& record) {
  out << '{';
  bool first = true;
  for (const auto& [name, value] : record) {
    if (!first) out << ", ";
    first = false;
    out << json_string(name) << ": ";
    write_json(out, value);
  }
  out << '}';
}

void write_text(std::ostream& out, const Record& record) {
  bool first = true;
  for (const auto& [name, value] : record) {
    if (!first) out << ' ';
    first = false;
    out << name << '=';
    if (const auto* n = std::get_if<std::int64_t>(&value)) {
      out << *n;
    } else if (const auto* d = std::get_if<double>(&value)) {
      out << three_decimals(*d);
    } else if (const auto* s = std::get_if<std::string>(&value)) {
      out << '"' << *s << '"';
    } else {
      out << "none";
    }
  }
}

}  // namespace borgo::tools
