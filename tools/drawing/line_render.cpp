#include "tools/drawing/line_render.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>

#include "compiler/numeric.hpp"
#include "compiler/record_roles.hpp"
#include "tools/drawing/svg_writer.hpp"
#include "tools/shared/text_encoding.hpp"

namespace borgo::tools {
namespace {

using compiler::CellRecord;
using compiler::ItemRecord;

constexpr double kPageWidth = 1800;
constexpr double kLeft = 150;  // room for the lane titles
constexpr double kRight = 40;
constexpr double kPlotWidth = kPageWidth - kLeft - kRight;
constexpr double kCellMetres = 50;

struct Station {
  double position;
  std::string name;
};
struct Range {
  double from;
  double to;
  int value;  // the limit of a slow-down, the type of a montagna range
};
struct Post {
  double position;
  std::string text;
};
struct Progressive {
  double position;
  double value;
};

// What the page shows, gathered from the decoded tables.
struct LineFacts {
  double length = 0;
  std::vector<Station> stations;
  std::vector<double> signals;
  std::vector<Range> slow_downs;
  std::vector<double> boards;
  std::vector<Range> montagna;
  std::vector<Post> posts;
  std::vector<Progressive> progressives;
};

double feature_metre(std::size_t cell) {
  return static_cast<double>(compiler::cell_first_metre(static_cast<std::int64_t>(cell)));
}
double profile_metre(std::size_t cell) { return static_cast<double>(cell) * kCellMetres; }

// "(  Cippo  )(Km 28+000)" -> "Cippo Km 28+000"
std::string sign_words(const std::string& text) {
  std::string out;
  bool blank = true;
  for (char c : text) {
    if (c == '(' || c == ')') c = ' ';
    if (c == ' ') {
      if (!blank) out += ' ';
      blank = true;
    } else {
      out += c;
      blank = false;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return utf8_from_1252(out);
}

const ItemRecord* item(const RenderInput& in, int index) {
  return static_cast<std::size_t>(index) < in.items.size()
             ? &in.items[static_cast<std::size_t>(index)]
             : nullptr;
}

LineFacts gather(const RenderInput& in) {
  LineFacts f;
  const ItemRecord* lengths = item(in, compiler::kTrainAndLength);
  const std::int32_t line_length =
      lengths != nullptr ? compiler::TrainAndLengthItem(*lengths).line_length() : 0;
  f.length =
      line_length > 0 ? line_length : std::max(kCellMetres, profile_metre(in.cells.size()) - 7000);
  for (int i = compiler::kFirstStationSlot; i <= compiler::kFirstSignSlot; ++i) {
    const ItemRecord* s = item(in, i);
    if (s == nullptr) break;
    if (compiler::item_role(static_cast<std::size_t>(i), *s) != compiler::ItemRole::kStation) {
      continue;
    }
    const compiler::StationItem station(*s);
    f.stations.push_back({static_cast<double>(station.position()), utf8_from_1252(station.name())});
  }
  std::sort(f.stations.begin(), f.stations.end(),
            [](const Station& a, const Station& b) { return a.position < b.position; });
  for (int i : {compiler::kProgressiveFar, compiler::kProgressiveMid, compiler::kProgressiveNear}) {
    const ItemRecord* p = item(in, i);
    if (p == nullptr) continue;
    const compiler::ProgressiveItem change(*p);
    if (change.position() != 0 || change.value() != 0) {
      f.progressives.push_back(
          {static_cast<double>(change.position()), static_cast<double>(change.value())});
    }
  }
  std::sort(f.progressives.begin(), f.progressives.end(),
            [](const Progressive& a, const Progressive& b) { return a.position < b.position; });

  const auto& cells = in.cells;
  // A slow-down reaches the first end cell after its start; the starts met
  // since the last end (the tail of f.slow_downs) wait for the next one, so
  // that the cells are read once however the starts and ends are laid out.
  std::size_t first_waiting = 0;
  for (std::size_t c = 0; c < cells.size(); ++c) {
    const CellRecord& cell = cells[c];
    switch (cell.kind) {
      case compiler::kSignal:
        f.signals.push_back(feature_metre(c));
        break;
      case compiler::kWarningBoard:
        f.boards.push_back(feature_metre(c));
        break;
      case compiler::kSlowDownStart:
        // Drawn from its start to its start unless an end follows.
        f.slow_downs.push_back(
            {feature_metre(c), feature_metre(c), compiler::slow_down_limit(cell)});
        break;
      case compiler::kSlowDownEnd:
        for (; first_waiting < f.slow_downs.size(); ++first_waiting) {
          f.slow_downs[first_waiting].to = feature_metre(c);
        }
        break;
      case compiler::kSign: {
        const ItemRecord* s = item(in, compiler::sign_item(cell));
        f.posts.push_back(
            {feature_metre(c), s != nullptr ? sign_words(compiler::sign_text(*s)) : "sign"});
        break;
      }
      default:
        break;
    }
    // A montagna range: a run of cells of one type.
    if (cell.mountain_type != 0 && (c == 0 || cells[c - 1].mountain_type != cell.mountain_type)) {
      std::size_t last = c;
      while (last + 1 < cells.size() && cells[last + 1].mountain_type == cell.mountain_type) {
        ++last;
      }
      f.montagna.push_back({profile_metre(c), profile_metre(last + 1), cell.mountain_type});
    }
  }
  return f;
}

// Where a route position lands on the page's route axis.
double route_x(const LineFacts& f, double metre) { return kLeft + metre / f.length * kPlotWidth; }

// The kilometre progressive at a route position: the position plus the value
// of the last change at or before it.
double progressive_at(const LineFacts& f, double position) {
  double offset = 0;
  for (const Progressive& p : f.progressives) {
    if (p.position <= position) offset = p.value;
  }
  return position + offset;
}

std::string fixed(double v, int decimals) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
  return buffer;
}

// Spreads labels along an axis so that neighbours stay `gap` apart, within
// [low, high], each as near its own point as it can.
std::vector<double> spread(const std::vector<double>& at, double gap, double low, double high) {
  std::vector<double> out(at.size());
  for (std::size_t i = 0; i < at.size(); ++i) {
    out[i] = std::max(at[i], i == 0 ? low : out[i - 1] + gap);
  }
  for (std::size_t i = at.size(); i-- > 0;) {
    out[i] = std::min(out[i], i + 1 == at.size() ? high : out[i + 1] - gap);
  }
  return out;
}

// Where each metre of the line lands in the plan view's box: the plan's
// coordinates, scaled to fit the box and centred in it.
class PlanProjection {
 public:
  PlanProjection(const std::array<compiler::PlanColumn, 2>& plan, double length, double top,
                 double box_height)
      : xs_(plan[0]),
        ys_(plan[1]),
        last_(std::min(xs_.size() - 1, static_cast<std::size_t>(std::max(1.0, length)))) {
    double min_x = 0, max_x = 0, min_y = 0, max_y = 0;
    for (std::size_t m = 0; m <= last_; m += 10) {
      if (!set(m)) continue;
      min_x = std::min(min_x, xs_.as_double(m));
      max_x = std::max(max_x, xs_.as_double(m));
      min_y = std::min(min_y, ys_.as_double(m));
      max_y = std::max(max_y, ys_.as_double(m));
    }
    const double box_width = kPlotWidth;
    scale_ = std::min(box_width / std::max(1.0, max_x - min_x),
                      (box_height - 40) / std::max(1.0, max_y - min_y));
    min_x_ = min_x;
    max_y_ = max_y;
    ox_ = kLeft + (box_width - (max_x - min_x) * scale_) / 2;
    oy_ = top + 20 + (box_height - 40 - (max_y - min_y) * scale_) / 2;
  }

  // The last metre drawn.
  std::size_t last() const { return last_; }
  // Page units per metre.
  double scale() const { return scale_; }
  // The point of a metre, or nothing where the plan has no coordinates.
  std::optional<std::pair<double, double>> at(double metre) const {
    const auto m = static_cast<std::size_t>(std::clamp(metre, 0.0, static_cast<double>(last_)));
    if (!set(m)) return std::nullopt;
    return std::pair{ox_ + (xs_.as_double(m) - min_x_) * scale_,
                     oy_ + (max_y_ - ys_.as_double(m)) * scale_};
  }

 private:
  bool set(std::size_t m) const {
    return xs_.tag(m) != compiler::PlanValue::kUnset && ys_.tag(m) != compiler::PlanValue::kUnset;
  }

  const compiler::PlanColumn& xs_;
  const compiler::PlanColumn& ys_;
  std::size_t last_;
  double scale_ = 0, min_x_ = 0, max_y_ = 0, ox_ = 0, oy_ = 0;
};

constexpr double kStationLane = 150;
constexpr double kHeightLane = 130;
constexpr double kGradientLane = 100;
constexpr double kSpeedLane = 130;
constexpr double kAdhesionLane = 70;
constexpr double kCurveLane = 90;
constexpr double kFeatureLane = 70;
constexpr double kAxisHeight = 44;
constexpr double kPostLane = 150;
constexpr double kLaneGap = 14;
constexpr double kLaneTotal = kStationLane + kHeightLane + kGradientLane + kSpeedLane +
                              kAdhesionLane + kCurveLane + kFeatureLane + kPostLane + 8 * kLaneGap;
// In the feature lane: the row of signal ticks, then the band of montagna ranges.
constexpr double kSignalRowTop = 8;
constexpr double kSignalRowHeight = 22;
constexpr double kMountainBandTop = 38;
constexpr double kMountainBandHeight = 16;
constexpr double kPlanTop = 80;

// The tops of the lanes, from the first lane's top down.
struct LaneTops {
  double stations, height, gradient, speed, adhesion, curve, feature, axis, posts;

  explicit LaneTops(double top)
      : stations(top),
        height(stations + kStationLane + kLaneGap),
        gradient(height + kHeightLane + kLaneGap),
        speed(gradient + kGradientLane + kLaneGap),
        adhesion(speed + kSpeedLane + kLaneGap),
        curve(adhesion + kAdhesionLane + kLaneGap),
        feature(curve + kCurveLane + kLaneGap),
        axis(feature + kFeatureLane + kLaneGap),
        posts(axis + kAxisHeight + kLaneGap) {}
};

bool has_plan(const RenderInput& in) {
  return !in.plan[0].empty() && in.plan[0].size() == in.plan[1].size();
}
double plan_height(const RenderInput& in) { return has_plan(in) ? 600 : 60; }
double lanes_top(const RenderInput& in) { return kPlanTop + plan_height(in) + 20; }

class Page {
 public:
  Page(const RenderInput& in, const LineFacts& f) : in_(in), f_(f) {}

  std::string draw() {
    const double height = lanes_top(in_) + kLaneTotal + kAxisHeight + 40;  // the axis, a margin
    SvgWriter svg(kPageWidth, height, in_.line_name + " - " + in_.train_name);
    svg_ = &svg;
    svg.rect(0, 0, kPageWidth, height, "fill=\"#ffffff\"");
    title();
    if (has_plan(in_)) {
      plan_view(kPlanTop, plan_height(in_) - 20);
    } else {
      svg.text(kLeft, 110,
               "No line file: the plan view needs one (compile without --no-line-file).",
               "font-size=\"15\" fill=\"#a33\"");
    }
    lanes(lanes_top(in_));
    svg_ = nullptr;
    return svg.finish();
  }

 private:
  double x_of(double metre) const { return route_x(f_, metre); }

  void title() {
    svg_->text(kLeft, 38, in_.line_name + "  \u00b7  " + in_.train_name,
               "font-size=\"26\" font-weight=\"bold\" fill=\"#111\"");
    const std::string facts =
        fixed(f_.length / 1000, 1) + " km, " + std::to_string(f_.stations.size()) + " stations, " +
        std::to_string(f_.signals.size()) + " signals, " + std::to_string(f_.slow_downs.size()) +
        " slow-downs, " + std::to_string(f_.montagna.size()) + " montagna ranges, " +
        std::to_string(f_.posts.size()) + " signs";
    svg_->text(kLeft, 62, facts, "font-size=\"15\" fill=\"#555\"");
  }

  // ---- plan view ----------------------------------------------------------

  void plan_view(double top, double box_height) {
    const PlanProjection plan(in_.plan, f_.length, top, box_height);
    svg_->rect(kLeft - 10, top, kPlotWidth + 20, box_height,
               "fill=\"#f7f9fb\" stroke=\"#d0d7de\" rx=\"6\"");
    svg_->text(kLeft, top + 20, "Plan view", "font-size=\"15\" font-weight=\"bold\" fill=\"#333\"");
    std::vector<std::pair<double, double>> points;
    for (std::size_t m = 0; m <= plan.last(); m += 100) {
      if (auto p = plan.at(static_cast<double>(m))) points.push_back(*p);
    }
    if (auto p = plan.at(static_cast<double>(plan.last()))) points.push_back(*p);
    svg_->polyline(points, "stroke=\"#1d3557\" stroke-width=\"2.5\" stroke-linejoin=\"round\"");

    svg_->open_group("fill=\"#d62828\"");
    for (double s : f_.signals) {
      if (auto p = plan.at(s)) svg_->circle(p->first, p->second, 1.8, "");
    }
    svg_->close_group();

    station_labels(plan, points, top, box_height);
    plan_legend(plan.scale(), top, box_height);
  }

  // Station names, each placed where it overlaps neither the line nor a name
  // already placed, and tied to its station by a leader when it lies far off.
  void station_labels(const PlanProjection& plan,
                      const std::vector<std::pair<double, double>>& line, double top,
                      double box_height) {
    struct Box {
      double x0, y0, x1, y1;
    };
    std::vector<Box> taken;
    for (const auto& pt : line) {
      taken.push_back({pt.first - 2, pt.second - 2, pt.first + 2, pt.second + 2});
    }
    const auto overlaps = [&](const Box& b) {
      if (b.x0 < kLeft - 10 || b.x1 > kLeft + kPlotWidth + 10 || b.y0 < top + 24 ||
          b.y1 > top + box_height) {
        return true;
      }
      return std::any_of(taken.begin(), taken.end(), [&](const Box& t) {
        return b.x0 < t.x1 && t.x0 < b.x1 && b.y0 < t.y1 && t.y0 < b.y1;
      });
    };
    svg_->open_group("font-size=\"12\" fill=\"#111\"");
    for (const Station& s : f_.stations) {
      const auto p = plan.at(s.position);
      if (!p) continue;
      const double w = 7.2 * static_cast<double>(s.name.size());
      std::optional<Box> chosen;
      double lx = 0, ly = 0;
      bool left = false;
      for (double reach : {8.0, 22.0, 40.0, 60.0, 85.0, 110.0, 140.0, 180.0}) {
        for (const auto& [dx, dy] :
             {std::pair{reach, -reach * 0.4}, std::pair{reach, reach * 0.6},
              std::pair{-reach, -reach * 0.4}, std::pair{-reach, reach * 0.6},
              std::pair{reach, 4.0}, std::pair{-reach, 4.0}, std::pair{reach, -reach},
              std::pair{-reach, reach}, std::pair{0.0, -reach - 4}, std::pair{0.0, reach + 12}}) {
          const bool to_left = dx < 0;
          const double x0 = dx == 0   ? p->first - w / 2
                            : to_left ? p->first + dx - w
                                      : p->first + dx;
          const Box b{x0 - 2, p->second + dy - 12, x0 + w + 2, p->second + dy + 4};
          if (!overlaps(b)) {
            chosen = b;
            lx = dx == 0 ? p->first - w / 2 : p->first + dx;
            ly = p->second + dy;
            left = to_left;
            break;
          }
        }
        if (chosen) break;
      }
      if (!chosen) {
        lx = p->first + 8;
        ly = p->second - 4;
        chosen = Box{lx, ly - 11, lx + w, ly + 3};
      }
      taken.push_back(*chosen);
      const double near_x = std::clamp(p->first, chosen->x0, chosen->x1);
      const double near_y = std::clamp(p->second, chosen->y0, chosen->y1);
      if (std::hypot(near_x - p->first, near_y - p->second) > 10) {
        svg_->line(p->first, p->second, near_x, near_y, "stroke=\"#888\" stroke-width=\"0.8\"");
      }
      svg_->circle(p->first, p->second, 4, "fill=\"#ffffff\" stroke=\"#111\" stroke-width=\"1.6\"");
      svg_->text(lx, ly, s.name, left ? "text-anchor=\"end\"" : "");
    }
    svg_->close_group();
  }

  // The scale bar and the legend, along the bottom of the box.
  void plan_legend(double scale, double top, double box_height) {
    const double bar_metres = 10000;
    const double bx = kLeft + 10, by = top + box_height - 18;
    svg_->line(bx, by, bx + bar_metres * scale, by, "stroke=\"#333\" stroke-width=\"3\"");
    svg_->text(bx + bar_metres * scale + 8, by + 5, "10 km", "font-size=\"13\" fill=\"#333\"");
    const double lx0 = kLeft + kPlotWidth - 330;
    svg_->circle(lx0, by, 4, "fill=\"#ffffff\" stroke=\"#111\" stroke-width=\"1.6\"");
    svg_->text(lx0 + 10, by + 5, "station", "font-size=\"13\" fill=\"#333\"");
    svg_->circle(lx0 + 90, by, 2.5, "fill=\"#d62828\"");
    svg_->text(lx0 + 100, by + 5, "signal", "font-size=\"13\" fill=\"#333\"");
    svg_->text(lx0 + 170, by + 5,
               "start at " + (f_.stations.empty() ? std::string("0 m") : f_.stations.front().name),
               "font-size=\"13\" fill=\"#333\"");
  }

  // ---- lanes on the route axis ---------------------------------------------

  void lane_frame(double top, double height, std::string_view title, std::string_view unit) {
    svg_->rect(kLeft, top, kPlotWidth, height, "fill=\"none\" stroke=\"#d0d7de\"");
    svg_->text(kLeft - 12, top + 18, title,
               "font-size=\"14\" font-weight=\"bold\" fill=\"#333\" text-anchor=\"end\"");
    if (!unit.empty()) {
      svg_->text(kLeft - 12, top + 35, unit, "font-size=\"12\" fill=\"#666\" text-anchor=\"end\"");
    }
  }

  // A value of the lane's scale, written inside its left edge.
  void tick(double y, std::string_view value) {
    svg_->text(kLeft + 4, y + 4, value,
               "font-size=\"11\" fill=\"#555\" stroke=\"#ffffff\" stroke-width=\"3\" "
               "paint-order=\"stroke\"");
  }

  // A step profile from one value per cell (cell c starts at 50 c m).
  std::vector<std::pair<double, double>> steps(const std::vector<double>& values, double top,
                                               double height, double low, double high) const {
    std::vector<std::pair<double, double>> points;
    const auto y_of = [&](double v) {
      return top + height - (v - low) / std::max(1e-9, high - low) * height;
    };
    double previous = std::nan("");
    for (std::size_t c = 0; c < values.size(); ++c) {
      const double m = profile_metre(c);
      if (m > f_.length) break;
      if (values[c] != previous) {
        if (!points.empty()) points.emplace_back(x_of(m), points.back().second);
        points.emplace_back(x_of(m), y_of(values[c]));
        previous = values[c];
      }
    }
    if (!points.empty()) points.emplace_back(x_of(f_.length), points.back().second);
    return points;
  }

  std::vector<double> per_cell(double (*field)(const CellRecord&)) const {
    std::vector<double> out;
    const std::size_t cells =
        std::min(in_.cells.size(), static_cast<std::size_t>(f_.length / kCellMetres) + 1);
    for (std::size_t c = 0; c < cells; ++c) out.push_back(field(in_.cells[c]));
    return out;
  }

  void grid(double top, double height) {
    svg_->open_group("stroke=\"#e6e6e6\" stroke-width=\"1\"");
    for (double km = 0; km * 1000 <= f_.length; km += 10) {
      svg_->line(x_of(km * 1000), top, x_of(km * 1000), top + height, "");
    }
    svg_->close_group();
    svg_->open_group("stroke=\"#9a9a9a\" stroke-width=\"1\" stroke-dasharray=\"5,4\"");
    for (const Progressive& p : f_.progressives) {
      if (p.position > 0 && p.position < f_.length) {
        svg_->line(x_of(p.position), top, x_of(p.position), top + height, "");
      }
    }
    svg_->close_group();
  }

  void lanes(double top) {
    const LaneTops at(top);
    const double grid_top = at.height;
    const double grid_height = kLaneTotal - kStationLane - kLaneGap - kPostLane - kLaneGap;
    svg_->rect(kLeft, grid_top, kPlotWidth, grid_height, "fill=\"#fbfbfb\"");
    grid(grid_top, grid_height);

    stations_lane(at.stations, kStationLane);
    height_lane(at.height, kHeightLane);
    gradient_lane(at.gradient, kGradientLane);
    speed_lane(at.speed, kSpeedLane);
    adhesion_lane(at.adhesion, kAdhesionLane);
    curve_lane(at.curve, kCurveLane);
    feature_lane(at.feature, kFeatureLane);
    axis(at.axis);
    posts_lane(at.posts);
  }

  // Station names, spread apart and tied to their positions.
  void stations_lane(double top, double height) {
    svg_->text(kLeft - 12, top + height - 6, "Stations",
               "font-size=\"14\" font-weight=\"bold\" fill=\"#333\" text-anchor=\"end\"");
    std::vector<double> at;
    for (const Station& s : f_.stations) at.push_back(x_of(s.position));
    const std::vector<double> label = spread(at, 14, kLeft, kLeft + kPlotWidth);
    const double base = top + height;
    svg_->open_group("font-size=\"12\" fill=\"#111\"");
    for (std::size_t i = 0; i < f_.stations.size(); ++i) {
      svg_->line(at[i], base, at[i], base - 6, "stroke=\"#111\" stroke-width=\"1.5\"");
      svg_->line(at[i], base - 6, label[i], base - 18, "stroke=\"#999\" stroke-width=\"0.8\"");
      svg_->text(label[i] + 3, base - 22, f_.stations[i].name, "", -60);
    }
    svg_->close_group();
  }

  void height_lane(double top, double height) {
    lane_frame(top, height, "Height", "m, from the gradients");
    std::vector<double> metres;
    double h = 0;
    const std::size_t cells =
        std::min(in_.cells.size(), static_cast<std::size_t>(f_.length / kCellMetres) + 1);
    for (std::size_t c = 0; c < cells; ++c) {
      metres.push_back(h);
      const std::uint8_t code = in_.cells[c].gradient_code;
      if (compiler::has_gradient(code))
        h += compiler::gradient_per_mille(code) * kCellMetres / 1000.0;
    }
    metres.push_back(h);
    const auto [low_it, high_it] = std::minmax_element(metres.begin(), metres.end());
    const double low = std::floor(*low_it / 10) * 10;
    const double high = std::max(low + 10, std::ceil(*high_it / 10) * 10);
    const double inner_top = top + 8, inner = height - 12;
    const auto y_of = [&](double v) {
      return inner_top + inner - (v - low) / (high - low) * inner;
    };
    std::vector<std::pair<double, double>> profile;
    for (std::size_t c = 0; c < metres.size(); c += 4) {
      profile.emplace_back(x_of(std::min(profile_metre(c), f_.length)), y_of(metres[c]));
    }
    profile.emplace_back(x_of(f_.length), y_of(metres.back()));
    std::vector<std::pair<double, double>> area = profile;
    area.emplace_back(x_of(f_.length), top + height);
    area.emplace_back(x_of(0), top + height);
    svg_->polygon(area, "fill=\"#e9dcc3\" stroke=\"none\"");
    svg_->polyline(profile, "stroke=\"#8a6d3b\" stroke-width=\"1.5\"");
    tick(y_of(high), fixed(high, 0) + " m");
    tick(y_of(low), fixed(low, 0) + " m");
  }

  void gradient_lane(double top, double height) {
    lane_frame(top, height, "Gradient", "per mille");
    const std::vector<double> g = per_cell([](const CellRecord& c) {
      return compiler::has_gradient(c.gradient_code)
                 ? static_cast<double>(compiler::gradient_per_mille(c.gradient_code))
                 : 0.0;
    });
    double bound = 5;
    for (double v : g) bound = std::max(bound, std::abs(v));
    bound = std::ceil(bound / 5) * 5;
    const double inner_top = top + 6, inner = height - 12;
    const double zero = inner_top + inner / 2;
    svg_->line(kLeft, zero, kLeft + kPlotWidth, zero, "stroke=\"#bbb\"");
    const auto points = steps(g, inner_top, inner, -bound, bound);
    std::vector<std::pair<double, double>> area = points;
    if (!area.empty()) {
      area.emplace_back(area.back().first, zero);
      area.emplace_back(area.front().first, zero);
    }
    svg_->polygon(area, "fill=\"#f4a582\" fill-opacity=\"0.6\" stroke=\"none\"");
    svg_->polyline(points, "stroke=\"#b2182b\" stroke-width=\"1\"");
    tick(inner_top + 4, "+" + fixed(bound, 0));
    tick(zero, "0");
    tick(inner_top + inner - 4, fixed(-bound, 0));
  }

  void speed_lane(double top, double height) {
    lane_frame(top, height, "Line speed", "km/h");
    svg_->text(kLeft - 12, top + 52, "slow-downs red",
               "font-size=\"12\" fill=\"#c1121f\" text-anchor=\"end\"");
    const std::vector<double> v = per_cell([](const CellRecord& c) {
      return static_cast<double>(compiler::speed_code_kmh(c.speed_code));
    });
    double high = 50;
    for (double s : v) high = std::max(high, s);
    high = std::ceil(high / 50) * 50;
    const double inner_top = top + 8, inner = height - 12;
    const auto y_of = [&](double value) { return inner_top + inner - value / high * inner; };
    for (const Range& r : f_.slow_downs) {
      const double x0 = x_of(r.from), x1 = std::max(x_of(r.to), x0 + 3);
      svg_->rect(x0, inner_top, x1 - x0, inner, "fill=\"#e63946\" fill-opacity=\"0.25\"");
      svg_->line(x0, y_of(r.value), x1, y_of(r.value), "stroke=\"#e63946\" stroke-width=\"3\"");
      svg_->text(x1 + 3, y_of(r.value) + 4, std::to_string(r.value) + " km/h",
                 "font-size=\"12\" font-weight=\"bold\" fill=\"#c1121f\" stroke=\"#ffffff\" "
                 "stroke-width=\"3\" paint-order=\"stroke\"");
    }
    for (double b : f_.boards) {
      svg_->line(x_of(b), inner_top, x_of(b), inner_top + inner,
                 "stroke=\"#e63946\" stroke-width=\"1\" stroke-dasharray=\"3,2\"");
    }
    svg_->polyline(steps(v, inner_top, inner, 0, high), "stroke=\"#1f6fb2\" stroke-width=\"1.6\"");
    for (double value = 50; value <= high; value += 50) {
      svg_->line(kLeft, y_of(value), kLeft + 6, y_of(value), "stroke=\"#999\"");
    }
    tick(y_of(high) + 4, fixed(high, 0));
    tick(y_of(high / 2), fixed(high / 2, 0));
    tick(y_of(0) - 4, "0");
  }

  void adhesion_lane(double top, double height) {
    lane_frame(top, height, "Adhesion", "");
    const std::vector<double> a =
        per_cell([](const CellRecord& c) { return static_cast<double>(c.adhesion); });
    double high = 10;
    for (double v : a) high = std::max(high, v);
    high = std::ceil(high / 10) * 10;
    const double inner_top = top + 8, inner = height - 12;
    svg_->polyline(steps(a, inner_top, inner, 0, high), "stroke=\"#2a9d8f\" stroke-width=\"1.6\"");
    tick(inner_top + 4, fixed(high, 0));
    tick(inner_top + inner - 4, "0");
  }

  // Curvature from the plan: the turn of the heading per kilometre, right up.
  void curve_lane(double top, double height) {
    lane_frame(top, height, "Curvature", "1/km");
    svg_->text(kLeft - 12, top + 52, "right up",
               "font-size=\"12\" fill=\"#7b2cbf\" text-anchor=\"end\"");
    svg_->text(kLeft - 12, top + 68, "left down",
               "font-size=\"12\" fill=\"#d46a00\" text-anchor=\"end\"");
    const auto& xs = in_.plan[0];
    const auto& ys = in_.plan[1];
    if (xs.size() < 2 || xs.size() != ys.size()) {
      svg_->text(kLeft + 10, top + height / 2 + 5, "no line file",
                 "font-size=\"13\" fill=\"#999\"");
      return;
    }
    const auto heading = [&](std::size_t m) {
      return std::atan2(ys.as_double(m + 1) - ys.as_double(m),
                        xs.as_double(m + 1) - xs.as_double(m));
    };
    constexpr std::size_t kBin = 200;
    const std::size_t last = std::min(xs.size() - 2, static_cast<std::size_t>(f_.length));
    std::vector<std::pair<double, double>> bins;  // metre, curvature per km
    double bound = 0.5;
    for (std::size_t m = 0; m + kBin <= last; m += kBin) {
      double turn = heading(m + kBin) - heading(m);
      while (turn > std::numbers::pi) turn -= 2 * std::numbers::pi;
      while (turn < -std::numbers::pi) turn += 2 * std::numbers::pi;
      const double k = -turn / static_cast<double>(kBin) * 1000;
      bins.emplace_back(static_cast<double>(m), k);
      bound = std::max(bound, std::abs(k));
    }
    const double mid = top + height / 2, half = height / 2 - 6;
    svg_->line(kLeft, mid, kLeft + kPlotWidth, mid, "stroke=\"#bbb\"");
    svg_->open_group("stroke=\"none\"");
    for (const auto& [m, k] : bins) {
      if (std::abs(k) < 1e-6) continue;
      const double h = std::abs(k) / bound * half;
      svg_->rect(x_of(m), k > 0 ? mid - h : mid, std::max(0.8, x_of(m + kBin) - x_of(m)), h,
                 k > 0 ? "fill=\"#7b2cbf\"" : "fill=\"#f77f00\"");
    }
    svg_->close_group();
    tick(mid - half + 4, "+" + fixed(bound, 1));
    tick(mid + half - 4, "-" + fixed(bound, 1));
  }

  // Signals and montagna ranges.
  void feature_lane(double top, double height) {
    lane_frame(top, height, "Signals", "montagna below");
    const double row = top + kSignalRowTop;
    svg_->open_group("stroke=\"#d62828\" stroke-width=\"1.2\"");
    for (double s : f_.signals) svg_->line(x_of(s), row, x_of(s), row + kSignalRowHeight, "");
    svg_->close_group();
    const char* colours[] = {"#8d99ae", "#bc6c25", "#606c38", "#6d597a", "#9c6644"};
    const double band = top + kMountainBandTop;
    for (const Range& r : f_.montagna) {
      const double x0 = x_of(r.from), x1 = std::max(x_of(r.to), x0 + 2);
      svg_->rect(x0, band, x1 - x0, kMountainBandHeight,
                 std::string("fill=\"") + colours[static_cast<std::size_t>(r.value) % 5] + "\"");
      if (x1 - x0 > 14) {
        svg_->text((x0 + x1) / 2, band + 12, "M" + std::to_string(r.value),
                   "font-size=\"10\" fill=\"#ffffff\" text-anchor=\"middle\"");
      }
    }
  }

  // Route position in km, with the kilometre progressive under it.
  void axis(double top) {
    svg_->line(kLeft, top, kLeft + kPlotWidth, top, "stroke=\"#333\" stroke-width=\"1.2\"");
    svg_->text(kLeft - 12, top + 16, "Route km",
               "font-size=\"13\" fill=\"#333\" text-anchor=\"end\"");
    svg_->text(kLeft - 12, top + 34, "Progressive km",
               "font-size=\"13\" fill=\"#333\" text-anchor=\"end\"");
    svg_->open_group("font-size=\"12\" fill=\"#333\" text-anchor=\"middle\"");
    for (double km = 0; km * 1000 <= f_.length; km += 10) {
      const double x = x_of(km * 1000);
      svg_->line(x, top, x, top + 5, "stroke=\"#333\"");
      if (static_cast<long>(km) % 20 == 0) {
        svg_->text(x, top + 16, fixed(km, 0), "");
        svg_->text(x, top + 34, fixed(progressive_at(f_, km * 1000) / 1000, 1), "fill=\"#2b6cb0\"");
      }
    }
    svg_->close_group();
    for (const Progressive& p : f_.progressives) {
      if (p.position <= 0 || p.position >= f_.length) continue;
      svg_->text(x_of(p.position) + 3, top - 4,
                 "km " + fixed(progressive_at(f_, p.position) / 1000, 1),
                 "font-size=\"11\" fill=\"#555\"");
    }
  }

  // Signs: the kilometre posts and the other boards along the line.
  void posts_lane(double top) {
    svg_->text(kLeft - 12, top + 18, "Signs",
               "font-size=\"14\" font-weight=\"bold\" fill=\"#333\" text-anchor=\"end\"");
    std::vector<double> at;
    for (const Post& p : f_.posts) at.push_back(x_of(p.position));
    const std::vector<double> label = spread(at, 14, kLeft, kLeft + kPlotWidth);
    svg_->open_group("font-size=\"11\" fill=\"#444\"");
    for (std::size_t i = 0; i < f_.posts.size(); ++i) {
      svg_->line(at[i], top, at[i], top + 6, "stroke=\"#444\" stroke-width=\"1.5\"");
      svg_->line(at[i], top + 6, label[i], top + 16, "stroke=\"#aaa\" stroke-width=\"0.8\"");
      svg_->text(label[i] - 3, top + 22, f_.posts[i].text, "", 60);
    }
    svg_->close_group();
  }

  const RenderInput& in_;
  const LineFacts& f_;
  SvgWriter* svg_ = nullptr;
};

}  // namespace

std::string render_line_svg(const RenderInput& input) {
  const LineFacts facts = gather(input);
  return Page(input, facts).draw();
}

struct LineGeometry::Parts {
  LineFacts facts;
  std::optional<PlanProjection> plan;
  double lanes_top = 0;
};

LineGeometry::LineGeometry(const RenderInput& input) : parts_(std::make_unique<Parts>()) {
  parts_->facts = gather(input);
  parts_->lanes_top = lanes_top(input);
  if (has_plan(input)) {
    parts_->plan.emplace(input.plan, parts_->facts.length, kPlanTop, plan_height(input) - 20);
  }
}

LineGeometry::~LineGeometry() = default;

double LineGeometry::length() const { return parts_->facts.length; }

double LineGeometry::route_x(double metre) const {
  return tools::route_x(parts_->facts, std::clamp(metre, 0.0, parts_->facts.length));
}

std::optional<std::pair<double, double>> LineGeometry::plan_point(double metre) const {
  if (!parts_->plan) return std::nullopt;
  return parts_->plan->at(metre);
}

double LineGeometry::progressive(double metre) const {
  return progressive_at(parts_->facts, metre);
}

std::pair<double, double> LineGeometry::band(Band which) const {
  const LaneTops at(parts_->lanes_top);
  switch (which) {
    case Band::kStations:
      return {at.stations, at.stations + kStationLane};
    case Band::kSpeed:
      return {at.speed, at.speed + kSpeedLane};
    case Band::kSignals:
      return {at.feature + kSignalRowTop, at.feature + kSignalRowTop + kSignalRowHeight};
    case Band::kMountain:
      return {at.feature + kMountainBandTop, at.feature + kMountainBandTop + kMountainBandHeight};
    case Band::kSigns:
      return {at.posts, at.posts + kPostLane};
    case Band::kLanes:
      break;
  }
  return {at.stations, at.posts + kPostLane};
}

}  // namespace borgo::tools
