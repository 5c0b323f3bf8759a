# Script mode: stops the release when the Windows build (WINDOWS_VERSION_HEADER,
# its borgo/version.hpp) tells another version than VERSION, this build's:
# the archives would show two.
file(STRINGS ${WINDOWS_VERSION_HEADER} line REGEX "kVersion = \"")
string(REGEX REPLACE ".*kVersion = \"([^\"]*)\".*" "\\1" windows_version "${line}")
if(NOT windows_version STREQUAL VERSION)
  message(FATAL_ERROR "The Windows build is version '${windows_version}' and this one "
    "'${VERSION}': the tree changed between the two configures. "
    "Run cmake --workflow --preset dist again.")
endif()
