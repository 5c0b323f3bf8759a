#pragma once

#include <string_view>

namespace borgo::tools {

// The preview page and its script, carried by the tool: the files
// tools/preview/page.html and tools/preview/page.js, embedded as they are.
std::string_view preview_page_html();
std::string_view preview_page_script();

}  // namespace borgo::tools
