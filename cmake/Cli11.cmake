# CLI11 (Debian: libcli11-dev), header only, reads the tool's command lines.
#
# As for JSON for Modern C++, a cross build finds no copy under the target's
# root: the build machine's headers are the same for every target, and their
# folder alone is copied into the build tree.
find_package(CLI11 2.1 QUIET)
if(NOT CLI11_FOUND)
  find_path(BORGO_CLI11_INCLUDE CLI/CLI.hpp
    PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH)
  if(NOT BORGO_CLI11_INCLUDE)
    message(FATAL_ERROR "CLI/CLI.hpp not found (Debian: libcli11-dev)")
  endif()
  set(borgo_cli11_include ${CMAKE_BINARY_DIR}/cli11/include)
  file(COPY ${BORGO_CLI11_INCLUDE}/CLI DESTINATION ${borgo_cli11_include})
  add_library(borgo_cli11 INTERFACE)
  target_include_directories(borgo_cli11 SYSTEM INTERFACE ${borgo_cli11_include})
  add_library(CLI11::CLI11 ALIAS borgo_cli11)
endif()
