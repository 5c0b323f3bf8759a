#include "tools/drawing/svg_writer.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "tools/shared/text_encoding.hpp"

namespace borgo::tools {

std::string svg_number(double v) {
  if (!std::isfinite(v)) return "0";
  // to_chars rounds as printf's "%.2f" does, at a fraction of its cost: a
  // drawing writes hundreds of thousands of numbers.
  char buffer[400];
  const auto written =
      std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 2);
  std::string s(buffer, written.ptr);
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

SvgWriter::SvgWriter(double width, double height, std::string_view title) {
  body_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  body_ += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + svg_number(width) +
           "\" height=\"" + svg_number(height) + "\" viewBox=\"0 0 " + svg_number(width) + " " +
           svg_number(height) + "\" font-family=\"DejaVu Sans, Helvetica, Arial, sans-serif\">\n";
  body_ += "<title>" + xml_escaped(title) + "</title>\n";
}

void SvgWriter::rect(double x, double y, double w, double h, std::string_view style) {
  body_ += "<rect x=\"" + svg_number(x) + "\" y=\"" + svg_number(y) + "\" width=\"" +
           svg_number(w) + "\" height=\"" + svg_number(h) + "\" " + std::string(style) + "/>\n";
}

void SvgWriter::line(double x1, double y1, double x2, double y2, std::string_view style) {
  body_ += "<line x1=\"" + svg_number(x1) + "\" y1=\"" + svg_number(y1) + "\" x2=\"" +
           svg_number(x2) + "\" y2=\"" + svg_number(y2) + "\" " + std::string(style) + "/>\n";
}

void SvgWriter::circle(double cx, double cy, double r, std::string_view style) {
  body_ += "<circle cx=\"" + svg_number(cx) + "\" cy=\"" + svg_number(cy) + "\" r=\"" +
           svg_number(r) + "\" " + std::string(style) + "/>\n";
}

namespace {

std::string points_of(const std::vector<std::pair<double, double>>& points) {
  std::string out;
  for (const auto& [x, y] : points) {
    if (!out.empty()) out += ' ';
    out += svg_number(x) + "," + svg_number(y);
  }
  return out;
}

}  // namespace

void SvgWriter::polyline(const std::vector<std::pair<double, double>>& points,
                         std::string_view style) {
  if (points.empty()) return;
  body_ +=
      "<polyline points=\"" + points_of(points) + "\" fill=\"none\" " + std::string(style) + "/>\n";
}

void SvgWriter::polygon(const std::vector<std::pair<double, double>>& points,
                        std::string_view style) {
  if (points.empty()) return;
  body_ += "<polygon points=\"" + points_of(points) + "\" " + std::string(style) + "/>\n";
}

void SvgWriter::text(double x, double y, std::string_view content, std::string_view style,
                     double rotate) {
  body_ += "<text x=\"" + svg_number(x) + "\" y=\"" + svg_number(y) + "\" " + std::string(style);
  if (rotate != 0.0) {
    body_ += " transform=\"rotate(" + svg_number(rotate) + " " + svg_number(x) + " " +
             svg_number(y) + ")\"";
  }
  body_ += ">" + xml_escaped(content) + "</text>\n";
}

void SvgWriter::open_group(std::string_view style) {
  body_ += "<g " + std::string(style) + ">\n";
  ++open_groups_;
}

void SvgWriter::close_group() {
  if (open_groups_ == 0) return;
  body_ += "</g>\n";
  --open_groups_;
}

void SvgWriter::comment(std::string_view words) {
  std::string safe(words);
  for (std::size_t at = safe.find("--"); at != std::string::npos; at = safe.find("--", at)) {
    safe.replace(at, 2, "- ");
  }
  body_ += "<!-- " + safe + " -->\n";
}

std::string SvgWriter::finish() {
  while (open_groups_ > 0) close_group();
  return body_ + "</svg>\n";
}

}  // namespace borgo::tools
