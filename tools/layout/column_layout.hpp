#pragma once

// A description laid out as the package's own are: in a run of rows whose
// keys are equally long, each value stands in a column, numbers flush right
// and text flush left, the narrowest gap of the column kept; a column whose
// values all have the same gap is left flush left as written, and one where
// most do (their widths differing) gives that gap back to a value pushed out
// of line. Only the blanks that follow a comma change, and only where there
// are some: the reader skips them, so the compiled files stay byte for byte
// the same; a value written tight against its comma ("3,1,0", a decimal
// comma) stays tight.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace borgo::tools::layout {

// One line whose blanks change: its 0-based number and its new text,
// without the line end.
struct LineChange {
  std::size_t line = 0;
  std::string text;
};

// The lines of `text` that the layout changes, in order. Lines end at CR LF,
// a lone LF or a lone CR, as the field reader counts them; line ends are
// kept. Any bytes are taken (UTF-8 or Windows-1252 alike: only spaces,
// commas and ASCII digits are read).
std::vector<LineChange> column_layout(std::string_view text);

// `text` with the layout applied.
std::string laid_out(std::string_view text);

}  // namespace borgo::tools::layout
