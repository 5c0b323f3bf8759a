#pragma once

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace borgo::storage {

// This process's id, to keep the names of files it makes apart from those
// of another process doing the same at the same time.
inline int process_id() {
#ifdef _WIN32
  return ::_getpid();
#else
  return static_cast<int>(::getpid());
#endif
}

}  // namespace borgo::storage
