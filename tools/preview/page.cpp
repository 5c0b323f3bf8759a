#include "tools/preview/page.hpp"

#include "embedded/kPreviewPage.hpp"
#include "embedded/kPreviewScript.hpp"

namespace borgo::tools {

std::string_view preview_page_html() { return {kPreviewPage, sizeof kPreviewPage - 1}; }
std::string_view preview_page_script() { return {kPreviewScript, sizeof kPreviewScript - 1}; }

}  // namespace borgo::tools
