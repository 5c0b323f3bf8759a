#pragma once

#include <string>

namespace borgo::tools {

// Where the reference is kept, from the project's root.
inline constexpr const char* kDescriptionReferencePath = "docs/description-format.md";

// The author's reference to the line and train descriptions, as markdown:
// the two documents, the general rules, every row with its fields, the error
// numbers with what to do about each, and the warnings. Made from the
// compiler's format table and error catalog and from nothing else.
std::string description_reference_markdown();

}  // namespace borgo::tools
