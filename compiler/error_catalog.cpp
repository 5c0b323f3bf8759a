#include "compiler/error_catalog.hpp"

#include <algorithm>
#include <array>

namespace borgo::compiler {
namespace {

constexpr std::array kCatalog{
#define BORGO_ERROR_ROW(id, number, name, message, advice) \
  ErrorInfo{error::id, name, message, advice},
    BORGO_ERROR_LIST(BORGO_ERROR_ROW)
#undef BORGO_ERROR_ROW
};

// find_error searches by halving, and two enumerators may share a value
// without the compiler saying so: strictly ascending numbers rule out both.
constexpr bool ascending() {
  for (std::size_t i = 1; i < kCatalog.size(); ++i) {
    if (kCatalog[i - 1].number >= kCatalog[i].number) return false;
  }
  return true;
}
static_assert(ascending(), "error numbers must be listed in strictly ascending order");

constexpr bool names_unique() {
  for (std::size_t i = 0; i < kCatalog.size(); ++i) {
    if (kCatalog[i].name.empty() || kCatalog[i].message.empty() || kCatalog[i].advice.empty()) {
      return false;
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (kCatalog[i].name == kCatalog[j].name) return false;
    }
  }
  return true;
}
static_assert(names_unique(), "every error needs a name of its own, a message and advice");

}  // namespace

std::span<const ErrorInfo> error_catalog() { return kCatalog; }

const ErrorInfo* find_error(std::int32_t number) {
  auto it = std::lower_bound(kCatalog.begin(), kCatalog.end(), number,
                             [](const ErrorInfo& e, std::int32_t n) { return e.number < n; });
  return it != kCatalog.end() && it->number == number ? &*it : nullptr;
}

}  // namespace borgo::compiler
