#pragma once

namespace borgo::tools {

// Exit statuses of scenario-tool.
inline constexpr int kExitClean = 0;  // done; no error recorded (warnings allowed)
inline constexpr int kExitRecordedError =
    1;                                // compiled with a recorded error; a file that does not fit
inline constexpr int kExitUsage = 2;  // a usage problem, or a file that cannot be read or written
inline constexpr int kExitFatal = 3;  // a fatal contest error: no compiled file written

}  // namespace borgo::tools
