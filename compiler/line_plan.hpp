#pragma once

// The line plan: two coordinates for every metre of the line and the 7000 m
// beyond it. The compile keeps only the runs of metres that make it and
// produces the coordinates as the line file is written, so that a plan of a
// million metres never sits in memory.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace borgo::compiler {

// One entry of the line plan: never set, a 16-bit integer or a double. The
// tag values are the type codes of the line file.
struct PlanValue {
  enum Tag : std::uint16_t { kUnset = 0, kInt16 = 2, kDouble = 5 };
  Tag tag = kUnset;
  std::int16_t integer = 0;
  double real = 0.0;

  static PlanValue of_int16(std::int16_t v) { return {kInt16, v, 0.0}; }
  static PlanValue of_double(double v) { return {kDouble, 0, v}; }
  double as_double() const { return tag == kDouble ? real : static_cast<double>(integer); }
  bool operator==(const PlanValue&) const = default;
};

// One coordinate of a line plan, an entry a metre, as a reader of the line
// file holds it: the tags (a byte an entry) and the values as doubles (an
// integer entry as its exact double, an unset one as 0), 9 bytes a metre.
class PlanColumn {
 public:
  std::size_t size() const { return tags_.size(); }
  bool empty() const { return tags_.empty(); }
  void clear() {
    tags_.clear();
    values_.clear();
  }
  // `metres` entries, all of them `value`.
  void assign(std::size_t metres, PlanValue value = {}) {
    tags_.assign(metres, static_cast<std::uint8_t>(value.tag));
    values_.assign(metres, value.as_double());
  }
  void reserve(std::size_t metres) {
    tags_.reserve(metres);
    values_.reserve(metres);
  }
  void push_back(PlanValue value) {
    tags_.push_back(static_cast<std::uint8_t>(value.tag));
    values_.push_back(value.tag == PlanValue::kUnset ? 0.0 : value.as_double());
  }

  PlanValue operator[](std::size_t metre) const {
    switch (tag(metre)) {
      case PlanValue::kInt16:
        return PlanValue::of_int16(static_cast<std::int16_t>(values_[metre]));
      case PlanValue::kDouble:
        return PlanValue::of_double(values_[metre]);
      default:
        return {};
    }
  }
  PlanValue::Tag tag(std::size_t metre) const { return static_cast<PlanValue::Tag>(tags_[metre]); }
  // The entry as a number; 0 when unset.
  double as_double(std::size_t metre) const { return values_[metre]; }

  void set(std::size_t metre, PlanValue value) {
    tags_[metre] = static_cast<std::uint8_t>(value.tag);
    values_[metre] = value.tag == PlanValue::kUnset ? 0.0 : value.as_double();
  }

  // The columns themselves, for loops over many metres.
  const std::uint8_t* tags() const { return tags_.data(); }
  const double* values() const { return values_.data(); }
  std::uint8_t* tags() { return tags_.data(); }
  double* values() { return values_.data(); }

  bool operator==(const PlanColumn&) const = default;

 private:
  std::vector<std::uint8_t> tags_;
  std::vector<double> values_;
};

// The plan as it is built: metres 0 and 1 are the 16-bit integers (0, 0) and
// (0, 1), the line starting at the origin heading along the second
// coordinate, one unit a metre; then runs of metres, each metre repeating the
// step between the two before it turned by k radians (0 on a straight); the
// metres after the last run are never set.
class LinePlan {
 public:
  struct Run {
    std::int32_t first;  // metres first .. last, in order
    std::int32_t last;
    double k;
    bool operator==(const Run&) const = default;
  };

  // Entries a coordinate: plan_last + 1, or 0 when there is no plan.
  std::int32_t metres() const { return metres_; }
  bool empty() const { return metres_ == 0; }
  // The first metre not yet set: 0 before the origin is placed.
  std::int32_t reached() const { return reached_; }
  const std::vector<Run>& runs() const { return runs_; }

  // A plan of `metres` entries a coordinate, none of them set.
  void reset(std::int32_t metres);
  void clear() { reset(0); }
  // Sets metres 0 and 1.
  void place_origin();
  // Sets metres reached() .. last, each turning by k; last is inside the plan.
  void add_run(std::int32_t last, double k);

  // Every entry of one coordinate, metre by metre.
  PlanColumn column(int coordinate) const;
  // Both coordinates, from one walk: what a reader of the line file holds.
  std::array<PlanColumn, 2> columns() const;

  bool operator==(const LinePlan&) const = default;

 private:
  std::int32_t metres_ = 0;
  std::int32_t reached_ = 0;
  std::vector<Run> runs_;
};

// The coordinates of the set metres from 2 on, in order: each call to
// next() steps one metre along the current run.
class PlanWalk {
 public:
  // Metres 0 and 1, as doubles.
  PlanWalk() = default;
  // Standing at (x1, y1), the metre before at (x0, y0).
  PlanWalk(double x0, double y0, double x1, double y1) : x0_(x0), y0_(y0), x1_(x1), y1_(y1) {}

  // The metre after the two before it, turned by k radians.
  void step(double k) {
    const double dx = x1_ - x0_;
    const double dy = y1_ - y0_;
    x0_ = x1_;
    y0_ = y1_;
    if (k == 0.0) {
      x1_ += dx;
      y1_ += dy;
    } else {
      x1_ += dx + k * dy;
      y1_ += dy - k * dx;
    }
  }
  double x() const { return x1_; }
  double y() const { return y1_; }
  double coordinate(int c) const { return c == 0 ? x1_ : y1_; }

 private:
  double x0_ = 0.0, y0_ = 0.0, x1_ = 0.0, y1_ = 1.0;
};

}  // namespace borgo::compiler
