#pragma once

namespace borgo::driver {

// Exit statuses of the program.
inline constexpr int kExitDone = 0;            // documents and compiled files written
inline constexpr int kExitCompileError = 1;    // the compile recorded an error number
inline constexpr int kExitRunTimeFailure = 2;  // a file could not be written, or another failure
inline constexpr int kExitFatalError = 3;      // errore: a fatal contest error was shown

}  // namespace borgo::driver
