#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace borgo::tools {

// Builds one SVG document. Text is given in UTF-8 and escaped here; `style`
// strings are attribute lists written as given (fill="#123" stroke-width="2").
class SvgWriter {
 public:
  SvgWriter(double width, double height, std::string_view title);

  void rect(double x, double y, double w, double h, std::string_view style);
  void line(double x1, double y1, double x2, double y2, std::string_view style);
  void circle(double cx, double cy, double r, std::string_view style);
  void polyline(const std::vector<std::pair<double, double>>& points, std::string_view style);
  void polygon(const std::vector<std::pair<double, double>>& points, std::string_view style);
  // A text; `rotate` in degrees about its anchor point.
  void text(double x, double y, std::string_view content, std::string_view style,
            double rotate = 0.0);
  void open_group(std::string_view style);
  void close_group();
  void comment(std::string_view words);

  // The finished document.
  std::string finish();

 private:
  std::string body_;
  int open_groups_ = 0;
};

// A number for an SVG attribute: at most two decimals, no trailing zeros.
std::string svg_number(double v);

}  // namespace borgo::tools
