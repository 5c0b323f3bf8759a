#pragma once

// One client served over a pair of byte streams: messages are read on a
// thread of their own, so that diagnostics are published when their wait
// ends even while the client says nothing.

#include <ostream>
#include <streambuf>

#include "tools/lsp/protocol/framing.hpp"
#include "tools/lsp/server.hpp"

namespace borgo::tools::lsp {

// Serves until the exit notification or the end of the input; returns the
// exit status the protocol gives (0 after shutdown and exit, 1 otherwise),
// or 1 when the output cannot be written.
int serve(std::streambuf& input, std::ostream& output, ServerOptions options = {},
          FramingLimits limits = {});

}  // namespace borgo::tools::lsp
